// TMover: lets the operator drag a control (the print preview's picture) over a limit
// rectangle (the page) and resize it from its right or bottom edge, keeping its proportions.
// The toolkit side forwards the control's mouse events and draws what the host is told.
#pragma once

#include "plot/rect.h"
#include "plot/xy_plot_types.h"

namespace pulse::plot {

// Resize cursors shown near the right and bottom edges.
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeWE = -9;

// What the mover needs of the moved control and the screen.
class TMoverHost {
 public:
  virtual ~TMoverHost() = default;
  // The control's bounds in its parent's coordinates.
  [[nodiscard]] virtual plot::Rect ControlBounds() const = 0;
  virtual void SetControlBounds(const plot::Rect& r) = 0;
  [[nodiscard]] virtual TCursor ControlCursor() const = 0;
  virtual void SetControlCursor(TCursor c) = 0;
  // Draws a focus outline by inversion, in the parent's coordinates: drawing the same
  // rectangle twice removes it.
  virtual void InvertOutline(const plot::Rect& r) = 0;
};

class TMover {
 public:
  enum TMode { kIdle = 0, kMove = 1, kResizeWidth = 2, kResizeHeight = 3 };

  // Pointer distance from the right or bottom edge that offers resizing.
  static constexpr int kWidthGrip = 7;
  static constexpr int kHeightGrip = 5;
  // Sizes the resize clamps to, and the smallest it accepts: a clamped size is always refused,
  // so the picture never gets smaller than 19 x 15.
  static constexpr int kClampWidth = 18;
  static constexpr int kClampHeight = 14;
  static constexpr int kMinWidth = 19;
  static constexpr int kMinHeight = 15;

  explicit TMover(TMoverHost& host) : host_(host) {}
  ~TMover();
  TMover(const TMover&) = delete;
  TMover& operator=(const TMover&) = delete;

  [[nodiscard]] const plot::Rect& LimitRect() const { return limit_; }
  void SetLimitRect(const plot::Rect& r) { limit_ = r; }

  // Mouse events of the control, in the control's own coordinates.
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  void MouseMove(TShiftState shift, int x, int y);
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y);

  [[nodiscard]] TMode Mode() const { return mode_; }
  // The rectangle outlined during a drag; the control takes it on mouse-up.
  [[nodiscard]] const plot::Rect& WorkingRect() const { return work_; }

 private:
  void Hover(int x, int y);
  void ShowCursor(TCursor c);
  void RestoreCursor();
  [[nodiscard]] bool Moved(int dx, int dy, plot::Rect& r) const;
  [[nodiscard]] bool ResizedByWidth(int dx, plot::Rect& r) const;
  [[nodiscard]] bool ResizedByHeight(int dy, plot::Rect& r) const;
  [[nodiscard]] bool Acceptable(const plot::Rect& r) const;

  TMoverHost& host_;
  plot::Rect work_;
  plot::Rect limit_;
  int start_x_ = 0;
  int start_y_ = 0;
  double aspect_ = 1.0;
  TMode mode_ = kIdle;
  TCursor saved_cursor_ = crDefault;
  TCursor shown_cursor_ = crDefault;
  bool cursor_changed_ = false;
};

}  // namespace pulse::plot
