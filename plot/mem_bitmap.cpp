#include "plot/mem_bitmap.h"

#include <cmath>

Tsp_MemBitmap::Tsp_MemBitmap(int width, int height, double devicePixelRatio)
    : width_(width), height_(height), dpr_(devicePixelRatio) {
  Allocate();
}

Tsp_MemBitmap::~Tsp_MemBitmap() {
  canvas_.reset();
}

void Tsp_MemBitmap::Resize(int width, int height, double devicePixelRatio) {
  canvas_.reset();
  image_ = QImage();
  width_ = width;
  height_ = height;
  dpr_ = devicePixelRatio;
  Allocate();
}

void Tsp_MemBitmap::Allocate() {
  if (width_ <= 0 || height_ <= 0 || !(dpr_ > 0)) return;
  const int w = static_cast<int>(std::lround(width_ * dpr_));
  const int h = static_cast<int>(std::lround(height_ * dpr_));
  // RGB32 keeps the inverting pen modes opaque (no alpha to flip).
  image_ = QImage(w, h, QImage::Format_RGB32);
  if (image_.isNull()) return;
  image_.setDevicePixelRatio(dpr_);
  image_.fill(Qt::white);
}

plot::Canvas& Tsp_MemBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<plot::Canvas>(&image_);
  return *canvas_;
}

const QImage& Tsp_MemBitmap::Image() {
  canvas_.reset();
  return image_;
}

void Tsp_MemBitmap::CopyFrom(Tsp_MemBitmap& source) {
  canvas_.reset();
  image_ = source.Image();  // shared until one of the two is drawn on again
}
