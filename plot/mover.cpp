#include "plot/mover.h"

#include <algorithm>
#include <cstdlib>

#include "plot/print_geometry.h"

namespace pulse::plot {

namespace {

using plot::RoundEven;
int W(const plot::Rect& r) {
  return r.Width();
}
int H(const plot::Rect& r) {
  return r.Height();
}

}  // namespace

TMover::~TMover() {
  // Leave the control as it was found: no outline, its own cursor.
  if (mode_ != kIdle) host_.InvertOutline(work_);
  if (cursor_changed_) RestoreCursor();
}

void TMover::ShowCursor(TCursor c) {
  if (!cursor_changed_) saved_cursor_ = host_.ControlCursor();
  cursor_changed_ = true;
  shown_cursor_ = c;
  host_.SetControlCursor(c);
}

void TMover::RestoreCursor() {
  if (!cursor_changed_) return;
  host_.SetControlCursor(saved_cursor_);
  cursor_changed_ = false;
}

void TMover::Hover(int x, int y) {
  const plot::Rect b = host_.ControlBounds();
  if (std::abs(W(b) - x) <= kWidthGrip) {
    ShowCursor(crSizeWE);
  } else if (std::abs(H(b) - y) <= kHeightGrip) {
    ShowCursor(crSizeNS);
  } else {
    RestoreCursor();
  }
}

void TMover::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  // A plain left press only: right clicks and modified presses belong to nobody here.
  if (button != mbLeft || (shift & ~ssLeft) != 0) return;
  if (mode_ != kIdle) return;
  start_x_ = x;
  start_y_ = y;
  work_ = host_.ControlBounds();
  aspect_ = H(work_) > 0 ? static_cast<double>(W(work_)) / H(work_) : 1.0;
  if (cursor_changed_ && shown_cursor_ == crSizeWE) {
    mode_ = kResizeWidth;
  } else if (cursor_changed_) {
    mode_ = kResizeHeight;
  } else {
    mode_ = kMove;
  }
  host_.InvertOutline(work_);
}

bool TMover::Moved(int dx, int dy, plot::Rect& r) const {
  r = plot::Rect{work_.left + dx, work_.top + dy, work_.right + dx, work_.bottom + dy};
  auto shift = [&r](int ddx, int ddy) {
    r = plot::Rect{r.left + ddx, r.top + ddy, r.right + ddx, r.bottom + ddy};
  };
  if (r.top < limit_.top) shift(0, limit_.top - r.top);
  if (r.left < limit_.left) shift(limit_.left - r.left, 0);
  if (r.bottom > limit_.bottom) shift(0, limit_.bottom - r.bottom);
  if (r.right > limit_.right) shift(limit_.right - r.right, 0);
  return !(r == work_);
}

bool TMover::Acceptable(const plot::Rect& r) const {
  return r.right <= limit_.right && r.bottom <= limit_.bottom && H(r) >= kMinHeight &&
         W(r) >= kMinWidth;
}

bool TMover::ResizedByWidth(int dx, plot::Rect& r) const {
  r = work_;
  r.right = std::min(r.right + dx, limit_.right);
  if (W(r) < kClampWidth) r.right = r.left + kClampWidth;
  r.bottom = r.top + RoundEven(W(r) / aspect_);
  if (r.bottom > limit_.bottom) {
    r.right = r.left + RoundEven(aspect_ * (limit_.bottom - r.top));
    r.bottom = limit_.bottom;
  }
  return Acceptable(r) && !(r == work_);
}

bool TMover::ResizedByHeight(int dy, plot::Rect& r) const {
  r = work_;
  r.bottom = std::min(r.bottom + dy, limit_.bottom);
  if (H(r) < kClampHeight) r.bottom = r.top + kClampHeight;
  r.right = r.left + RoundEven(H(r) * aspect_);
  if (r.right > limit_.right) {
    r.right = limit_.right;
    r.bottom = r.top + RoundEven((limit_.right - r.left) / aspect_);
  }
  return Acceptable(r) && !(r == work_);
}

void TMover::MouseMove(TShiftState /*shift*/, int x, int y) {
  if (mode_ == kIdle) {
    Hover(x, y);
    return;
  }
  const int dx = x - start_x_;
  const int dy = y - start_y_;
  plot::Rect r;
  bool changed = false;
  switch (mode_) {
    case kMove:
      changed = Moved(dx, dy, r);
      break;
    case kResizeWidth:
      changed = ResizedByWidth(dx, r);
      break;
    case kResizeHeight:
      changed = ResizedByHeight(dy, r);
      break;
    case kIdle:
      break;
  }
  if (!changed) return;
  host_.InvertOutline(work_);
  host_.InvertOutline(r);
  work_ = r;
  start_x_ = x;
  start_y_ = y;
}

void TMover::MouseUp(TMouseButton /*button*/, TShiftState /*shift*/, int /*x*/, int /*y*/) {
  if (mode_ == kIdle) return;
  mode_ = kIdle;
  host_.InvertOutline(work_);
  host_.SetControlBounds(work_);
}

}  // namespace pulse::plot
