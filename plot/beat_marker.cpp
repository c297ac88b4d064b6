#include "plot/beat_marker.h"

#include "plot/canvas.h"
#include "plot/xy_plot.h"

namespace pulse::plot {

BeatMarker::BeatMarker() : Tsp_PlotMarker(true) {
  SetWhenDraw(dmAfterSeries);
}

void BeatMarker::Add(double onset_x, double onset_y, double peak_x, double peak_y) {
  const Beat beat{onset_x, onset_y, peak_x, peak_y};
  if (count_ < kCapacity) {
    beats_[(head_ + count_++) % kCapacity] = beat;
  } else {
    beats_[head_] = beat;
    head_ = (head_ + 1) % kCapacity;
  }
  if (Visible()) Redraw();
}

void BeatMarker::Clear() {
  if (count_ == 0) return;
  head_ = count_ = 0;
  if (Visible()) Redraw();
}

void BeatMarker::Draw() {
  Tsp_XYPlot* plot = Plot();
  if (plot == nullptr || count_ == 0) return;
  auto* c = plot->DrawingCanvas();
  if (c == nullptr) return;
  const auto& f = plot->FieldRect();
  auto inside = [&f](int x, int y) {
    return x - kHalfSize >= f.left && x + kHalfSize < f.right && y - kHalfSize >= f.top &&
           y + kHalfSize < f.bottom;
  };
  c->Pen().Style = psSolid;
  c->Pen().Width = 1;
  c->Pen().mode = pmCopy;
  c->Brush().Style = bsSolid;
  for (std::size_t i = 0; i < count_; ++i) {
    const Beat& b = beats_[(head_ + i) % kCapacity];
    const int ox = XAxisRef()->ValueToPixel(b.onset_x);
    const int oy = YAxisRef()->ValueToPixel(b.onset_y);
    if (inside(ox, oy)) {
      c->Pen().Color = clYellow;
      c->Brush().Color = clYellow;
      c->Rectangle(ox - kHalfSize, oy - kHalfSize, ox + kHalfSize + 1, oy + kHalfSize + 1);
    }
    const int px = XAxisRef()->ValueToPixel(b.peak_x);
    const int py = YAxisRef()->ValueToPixel(b.peak_y);
    if (inside(px, py)) {
      c->Pen().Color = clAqua;
      c->Brush().Color = clAqua;
      c->Ellipse(px - kHalfSize, py - kHalfSize, px + kHalfSize + 1, py + kHalfSize + 1);
    }
  }
}

}  // namespace pulse::plot
