#include "plot/mem_bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pulse::plot {

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
  CopyRectFrom(source, plot::Rect{0, 0, source.width_, source.height_});
}

void Tsp_MemBitmap::CopyRectFrom(Tsp_MemBitmap& source, const plot::Rect& area) {
  canvas_.reset();
  const QImage& src = source.Image();
  if (src.isNull()) return;
  if (image_.size() != src.size() || image_.format() != src.format() ||
      image_.devicePixelRatio() != src.devicePixelRatio()) {
    image_ = src.copy();  // a picture of its own, not a shared one
    width_ = source.width_;
    height_ = source.height_;
    dpr_ = source.dpr_;
    return;
  }
  const double dpr = src.devicePixelRatio();
  const int x0 = std::clamp(static_cast<int>(std::floor(area.left * dpr)), 0, src.width());
  const int x1 = std::clamp(static_cast<int>(std::ceil(area.right * dpr)), 0, src.width());
  const int y0 = std::clamp(static_cast<int>(std::floor(area.top * dpr)), 0, src.height());
  const int y1 = std::clamp(static_cast<int>(std::ceil(area.bottom * dpr)), 0, src.height());
  if (x0 >= x1 || y0 >= y1) return;
  const int bytesPerPixel = src.depth() / 8;
  const size_t rowBytes = static_cast<size_t>(x1 - x0) * bytesPerPixel;
  // bits() detaches only if the picture is still shared with someone else.
  uchar* dst = image_.bits();
  const uchar* from = src.constBits();
  const qsizetype dstStride = image_.bytesPerLine();
  const qsizetype srcStride = src.bytesPerLine();
  for (int y = y0; y < y1; ++y)
    std::memcpy(dst + y * dstStride + x0 * bytesPerPixel, from + y * srcStride + x0 * bytesPerPixel,
                rowBytes);
}

}  // namespace pulse::plot
