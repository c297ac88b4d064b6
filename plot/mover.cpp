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
  if (mode_ != mdIdle) host_.InvertOutline(work_);
  if (cursorChanged_) RestoreCursor();
}

void TMover::ShowCursor(TCursor c) {
  if (!cursorChanged_) savedCursor_ = host_.ControlCursor();
  cursorChanged_ = true;
  shownCursor_ = c;
  host_.SetControlCursor(c);
}

void TMover::RestoreCursor() {
  if (!cursorChanged_) return;
  host_.SetControlCursor(savedCursor_);
  cursorChanged_ = false;
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
  if (mode_ != mdIdle) return;
  startX_ = x;
  startY_ = y;
  work_ = host_.ControlBounds();
  aspect_ = H(work_) > 0 ? static_cast<double>(W(work_)) / H(work_) : 1.0;
  if (cursorChanged_ && shownCursor_ == crSizeWE) {
    mode_ = mdResizeWidth;
  } else if (cursorChanged_) {
    mode_ = mdResizeHeight;
  } else {
    mode_ = mdMove;
  }
  host_.InvertOutline(work_);
}

bool TMover::Moved(int dx, int dy, plot::Rect& r) const {
  r = plot::Rect{work_.Left + dx, work_.Top + dy, work_.Right + dx, work_.Bottom + dy};
  auto shift = [&r](int ddx, int ddy) {
    r = plot::Rect{r.Left + ddx, r.Top + ddy, r.Right + ddx, r.Bottom + ddy};
  };
  if (r.Top < limit_.Top) shift(0, limit_.Top - r.Top);
  if (r.Left < limit_.Left) shift(limit_.Left - r.Left, 0);
  if (r.Bottom > limit_.Bottom) shift(0, limit_.Bottom - r.Bottom);
  if (r.Right > limit_.Right) shift(limit_.Right - r.Right, 0);
  return !(r == work_);
}

bool TMover::Acceptable(const plot::Rect& r) const {
  return r.Right <= limit_.Right && r.Bottom <= limit_.Bottom && H(r) >= kMinHeight &&
         W(r) >= kMinWidth;
}

bool TMover::ResizedByWidth(int dx, plot::Rect& r) const {
  r = work_;
  r.Right = std::min(r.Right + dx, limit_.Right);
  if (W(r) < kClampWidth) r.Right = r.Left + kClampWidth;
  r.Bottom = r.Top + RoundEven(W(r) / aspect_);
  if (r.Bottom > limit_.Bottom) {
    r.Right = r.Left + RoundEven(aspect_ * (limit_.Bottom - r.Top));
    r.Bottom = limit_.Bottom;
  }
  return Acceptable(r) && !(r == work_);
}

bool TMover::ResizedByHeight(int dy, plot::Rect& r) const {
  r = work_;
  r.Bottom = std::min(r.Bottom + dy, limit_.Bottom);
  if (H(r) < kClampHeight) r.Bottom = r.Top + kClampHeight;
  r.Right = r.Left + RoundEven(H(r) * aspect_);
  if (r.Right > limit_.Right) {
    r.Right = limit_.Right;
    r.Bottom = r.Top + RoundEven((limit_.Right - r.Left) / aspect_);
  }
  return Acceptable(r) && !(r == work_);
}

void TMover::MouseMove(TShiftState /*shift*/, int x, int y) {
  if (mode_ == mdIdle) {
    Hover(x, y);
    return;
  }
  const int dx = x - startX_;
  const int dy = y - startY_;
  plot::Rect r;
  bool changed = false;
  switch (mode_) {
    case mdMove:
      changed = Moved(dx, dy, r);
      break;
    case mdResizeWidth:
      changed = ResizedByWidth(dx, r);
      break;
    case mdResizeHeight:
      changed = ResizedByHeight(dy, r);
      break;
    case mdIdle:
      break;
  }
  if (!changed) return;
  host_.InvertOutline(work_);
  host_.InvertOutline(r);
  work_ = r;
  startX_ = x;
  startY_ = y;
}

void TMover::MouseUp(TMouseButton /*button*/, TShiftState /*shift*/, int /*x*/, int /*y*/) {
  if (mode_ == mdIdle) return;
  mode_ = mdIdle;
  host_.InvertOutline(work_);
  host_.SetControlBounds(work_);
}

}  // namespace pulse::plot
