// Tsp_MemBitmap: an off-screen picture of a plot with a canvas that draws into it.
#pragma once

#include <QImage>

#include <memory>

#include "plot/canvas.h"
#include "plot/rect.h"

namespace pulse::plot {

class Tsp_MemBitmap {
 public:
  // width x height in logical pixels; the image holds that times the device pixel ratio.
  Tsp_MemBitmap(int width, int height, double devicePixelRatio = 1.0);
  ~Tsp_MemBitmap();
  Tsp_MemBitmap(const Tsp_MemBitmap&) = delete;
  Tsp_MemBitmap& operator=(const Tsp_MemBitmap&) = delete;

  // Releases the picture and allocates one of the new size (contents undefined).
  void Resize(int width, int height, double devicePixelRatio);
  void Resize(int width, int height) { Resize(width, height, dpr_); }
  // False when the picture could not be allocated.
  [[nodiscard]] bool Valid() const { return !image_.isNull(); }
  [[nodiscard]] int Width() const { return width_; }
  [[nodiscard]] int Height() const { return height_; }
  [[nodiscard]] double DevicePixelRatio() const { return dpr_; }

  // The canvas opens a painter on first use; EndPaint closes it before the image is read.
  [[nodiscard]] plot::Canvas& Canvas();
  void EndPaint() { canvas_.reset(); }
  // The picture, with any open painter closed first.
  [[nodiscard]] const QImage& Image();
  // Copies another bitmap into this one. The pixels are copied, never shared: a shared
  // picture would be deep-copied again by the next painter opened on either side.
  void CopyFrom(Tsp_MemBitmap& source);
  // Copies only the logical rectangle `area` (widened to whole device pixels) from a bitmap of
  // the same size; other sizes copy the whole picture.
  void CopyRectFrom(Tsp_MemBitmap& source, const plot::Rect& area);

 private:
  void Allocate();

  int width_ = 0;
  int height_ = 0;
  double dpr_ = 1.0;
  QImage image_;
  std::unique_ptr<plot::Canvas> canvas_;
};

}  // namespace pulse::plot
