#include "plot/xy_plot.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "plot/axis_frame.h"
#include "plot/data_series.h"
#include "plot/mem_bitmap.h"
#include "plot/plot_marker.h"

namespace pulse::plot {

namespace {

// Puts the drawing canvas (and drawing size) back when a paint step leaves, also by exception.
class DrawingScope {
 public:
  DrawingScope(plot::Canvas*& slot, plot::Canvas* canvas) : slot_(slot), saved_(slot) {
    slot_ = canvas;
  }
  ~DrawingScope() { slot_ = saved_; }
  DrawingScope(const DrawingScope&) = delete;
  DrawingScope& operator=(const DrawingScope&) = delete;

 private:
  plot::Canvas*& slot_;
  plot::Canvas* saved_;
};

// Puts the clip region back when a drawing step that narrows it leaves.
class ClipScope {
 public:
  explicit ClipScope(plot::Canvas& canvas) : canvas_(canvas), saved_(canvas.SaveClip()) {}
  ~ClipScope() { canvas_.RestoreClip(saved_); }
  ClipScope(const ClipScope&) = delete;
  ClipScope& operator=(const ClipScope&) = delete;

 private:
  plot::Canvas& canvas_;
  plot::ClipState saved_;
};

}  // namespace

// The foreign layout of DrawTo moves the axis lines, the field and the drawing size; this
// puts them back so that the control's mapping (mouse read-outs, the buffer's picture) stays
// as it was, and lays the control out afresh at its next paint.
class Tsp_XYPlot::ForeignLayoutScope {
 public:
  explicit ForeignLayoutScope(Tsp_XYPlot& plot) : plot_(plot), field_(plot.field_) {
    std::size_t i = 0;
    for (Tsp_Axis* a : {&plot.left_, &plot.right_, &plot.bottom_, &plot.top_})
      lines_[i++] = {a, a->LineX(), a->LineY(), a->LineLength()};
  }
  ~ForeignLayoutScope() {
    for (const AxisLine& l : lines_) l.axis->SetLinePos(l.x, l.y, l.len);
    plot_.field_ = field_;
    plot_.layout_valid_ = false;
    plot_.w_ = plot_.ctl_width_;
    plot_.h_ = plot_.ctl_height_;
  }
  ForeignLayoutScope(const ForeignLayoutScope&) = delete;
  ForeignLayoutScope& operator=(const ForeignLayoutScope&) = delete;

 private:
  static constexpr std::size_t kAxisCount = 4;
  struct AxisLine {
    Tsp_Axis* axis;
    int x, y, len;
  };
  Tsp_XYPlot& plot_;
  TRect field_;
  std::array<AxisLine, kAxisCount> lines_{};
};

namespace {

bool Horizontal(Tsp_zpDirections d) {
  return d == zpdHorizontal || d == zpdBoth;
}
bool Vertical(Tsp_zpDirections d) {
  return d == zpdVertical || d == zpdBoth;
}

}  // namespace

Tsp_XYPlot::Tsp_XYPlot()
    : left_(plot::kLeftAxisFlags),
      right_(plot::kRightAxisFlags),
      bottom_(plot::kBottomAxisFlags),
      top_(plot::kTopAxisFlags) {
  for (Tsp_Axis* a : {&left_, &right_, &bottom_, &top_}) a->SetPlot(this);
  left_.GridAttr().SetVisible(true);
  bottom_.GridAttr().SetVisible(true);
  font_.Color = clBlack;
  ResetVerticalFont();
  // Nothing has been drawn yet; the grid changes above must not count as a pending request.
  layout_valid_ = frame_valid_ = field_valid_ = false;
  paint_pending_ = update_asked_ = false;
}

Tsp_XYPlot::~Tsp_XYPlot() {
  // Series and markers outlive their plot; they only drop the reference.
  for (Tsp_DataSeries* s : series_) s->PlotDestroyed();
  for (Tsp_PlotMarker* m : markers_before_) m->PlotDestroyed();
  for (Tsp_PlotMarker* m : markers_after_) m->PlotDestroyed();
  for (Tsp_Axis* a : {&left_, &right_, &bottom_, &top_}) a->SetPlot(nullptr);
}

// ---------------------------------------------------------------- properties

void Tsp_XYPlot::SetLeftAxis(const Tsp_Axis& a) {
  if (&a != &left_) left_.Assign(a);
}
void Tsp_XYPlot::SetRightAxis(const Tsp_Axis& a) {
  if (&a != &right_) right_.Assign(a);
}
void Tsp_XYPlot::SetBottomAxis(const Tsp_Axis& a) {
  if (&a != &bottom_) bottom_.Assign(a);
}
void Tsp_XYPlot::SetTopAxis(const Tsp_Axis& a) {
  if (&a != &top_) top_.Assign(a);
}

void Tsp_XYPlot::SetFieldColor(TColor v) {
  if (v == field_color_) return;
  field_color_ = v;
  InvalidateParts(Part::kField);
}

void Tsp_XYPlot::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  Invalidate();
}

void Tsp_XYPlot::SetBorderStyle(Tsp_BorderStyle v) {
  if (v == border_style_) return;
  border_style_ = v;
  if (BufferedDisplay()) MarkBufferStale();
  // Shown at once on the control; the buffer catches up at its next frame render.
  if (plot::Canvas* c = ScreenCanvas()) {
    DrawingScope scope(drawing_, c);
    DrawBorder();
    RequestUpdate(false);
  }
}

void Tsp_XYPlot::SetBufferedDisplay(bool v) {
  if (v == BufferedDisplay()) return;
  if (v)
    buffer_ = std::make_unique<Tsp_MemBitmap>(ctl_width_, ctl_height_, dpr_);
  else
    buffer_.reset();
  Invalidate();
}

void Tsp_XYPlot::SetFont(const plot::CanvasFont& f) {
  font_ = f;
  ResetVerticalFont();
  Invalidate();
}

void Tsp_XYPlot::ResetVerticalFont() {
  vertical_font_ = plot::MakeVerticalFont(font_);
}

// ---------------------------------------------------------------- host interface

void Tsp_XYPlot::SetSize(int width, int height) {
  if (width == ctl_width_ && height == ctl_height_) return;
  ctl_width_ = width;
  ctl_height_ = height;
  w_ = width;
  h_ = height;
  Invalidate();
}

void Tsp_XYPlot::SetDevicePixelRatio(double dpr) {
  if (!(dpr > 0) || dpr == dpr_) return;
  dpr_ = dpr;
  Invalidate();
}

void Tsp_XYPlot::RequestUpdate(bool paint) {
  if (paint) paint_pending_ = true;
  // One question to the host per batch: everything asked until the next paint rides along.
  if (update_asked_) return;
  update_asked_ = true;
  if (OnRequestUpdate) OnRequestUpdate();
}

void Tsp_XYPlot::EnsureScreen() {
  if (!screen_) {
    screen_ = std::make_unique<Tsp_MemBitmap>(ctl_width_, ctl_height_, dpr_);
    screen_drawn_on_ = true;
  } else if (screen_->Width() != ctl_width_ || screen_->Height() != ctl_height_ ||
             screen_->DevicePixelRatio() != dpr_) {
    screen_->Resize(ctl_width_, ctl_height_, dpr_);
    screen_drawn_on_ = true;
  }
}

plot::Canvas* Tsp_XYPlot::ScreenCanvas() {
  if (!screen_ || !screen_->Valid()) return nullptr;
  return &screen_->Canvas();
}

bool Tsp_XYPlot::NeedsPaint() const {
  return paint_pending_ || !screen_ || screen_->Width() != ctl_width_ ||
         screen_->Height() != ctl_height_ || screen_->DevicePixelRatio() != dpr_;
}

const QImage& Tsp_XYPlot::Screen() {
  // The host shows the picture: a request that asked only for that is served.
  update_asked_ = false;
  EnsureScreen();
  return screen_->Image();
}

void Tsp_XYPlot::Paint() {
  w_ = ctl_width_;
  h_ = ctl_height_;
  paint_pending_ = false;
  update_asked_ = false;
  EnsureScreen();
  if (!screen_->Valid()) return;
  bool direct = true;
  if (buffer_ && buffer_->Valid()) {
    direct = false;
    if (buffer_->Width() != w_ || buffer_->Height() != h_ || buffer_->DevicePixelRatio() != dpr_) {
      buffer_->Resize(w_, h_, dpr_);
      if (buffer_->Valid())
        layout_valid_ = frame_valid_ = field_valid_ = false;
      else
        direct = true;
    }
  }
  if (direct)
    PaintDirect();
  else
    PaintBuffered();
  ShowCursorLine();
  // A band in progress stays on the new picture, so its next erase still pairs up.
  if (mouse_state_ == MouseState::kZooming) DrawBand();
}

void Tsp_XYPlot::PaintBuffered() {
  bool wholeChanged = false;
  {
    DrawingScope scope(drawing_, &buffer_->Canvas());
    if (!layout_valid_) {
      DoLayout();
      wholeChanged = true;
    }
    if (!frame_valid_) {
      DrawFrame();  // draws the border too
      frame_valid_ = true;
      wholeChanged = true;
    }
    if (!field_valid_) {
      DrawField();
      field_valid_ = true;
    }
    draw_end_idle_ = false;
    DoDrawEnd();
    // The buffer keeps the border of the last frame render; only a draw-end handler, which may
    // draw anywhere, or a field reaching the edge can have covered it since.
    if (!draw_end_idle_ || !BorderClearOfField()) {
      DrawBorder();
      wholeChanged = true;
    }
  }
  // Outside the field the screen equals the buffer unless a band in progress (which may leave
  // the field) or a drawing outside a paint is on it; the cursor line stays inside the field.
  if (wholeChanged || screen_drawn_on_ || mouse_state_ == MouseState::kZooming) {
    screen_->CopyFrom(*buffer_);
  } else {
    // One pixel of margin covers device pixels the field's edge shares with the frame.
    const TRect f = field_;
    screen_->CopyRectFrom(*buffer_, TRect{f.left - 1, f.top - 1, f.right + 1, f.bottom + 1});
  }
  screen_drawn_on_ = false;
}

bool Tsp_XYPlot::BorderClearOfField() const {
  // The border takes the two outermost pixels; one more keeps scaled pictures apart.
  constexpr int kBorderReach = 3;
  return field_.left >= kBorderReach && field_.top >= kBorderReach &&
         field_.right <= w_ - kBorderReach && field_.bottom <= h_ - kBorderReach;
}

void Tsp_XYPlot::PaintDirect() {
  screen_drawn_on_ = true;
  DrawingScope scope(drawing_, &screen_->Canvas());
  if (!layout_valid_) DoLayout();
  DrawFrame();
  DrawField();
  DoDrawEnd();
  DrawBorder();
}

void Tsp_XYPlot::SysColorChange() {
  if (!buffer_) return;
  buffer_->Resize(ctl_width_, ctl_height_, dpr_);
  if (buffer_->Valid()) {
    DrawTo(&buffer_->Canvas(), ctl_width_, ctl_height_);
    buffer_->EndPaint();
  }
  Invalidate();
}

// ---------------------------------------------------------------- repaint requests

void Tsp_XYPlot::Invalidate() {
  layout_valid_ = frame_valid_ = field_valid_ = false;
  RequestUpdate(true);
}

void Tsp_XYPlot::InvalidateParts(Part parts) {
  if (Has(parts, Part::kLayout)) layout_valid_ = false;
  if (Has(parts, Part::kFrame)) frame_valid_ = false;
  if (Has(parts, Part::kField)) field_valid_ = false;
  RequestUpdate(true);
}

void Tsp_XYPlot::MarkBufferStale() {
  frame_valid_ = field_valid_ = false;
}

// ---------------------------------------------------------------- drawing

void Tsp_XYPlot::DoLayout() {
  plot::Canvas& c = *drawing_;
  c.SetFont(font_);
  const int charWidth = c.TextWidth("0");
  const int textHeight = std::abs(c.FontHeight());
  field_ = plot::LayoutAxes(Axes(), charWidth, textHeight, w_, h_);
  layout_valid_ = true;
}

void Tsp_XYPlot::EnsureLayout() {
  if (layout_valid_) return;
  if (drawing_) {
    DoLayout();
    return;
  }
  // Outside a paint (mouse before the first paint or right after a resize) the layout only
  // needs text metrics: measure on a 1 x 1 picture made like the buffer, so the pixel-value
  // mapping equals the one the next paint will use.
  Tsp_MemBitmap probe(1, 1, dpr_);
  if (!probe.Valid()) return;
  DrawingScope scope(drawing_, &probe.Canvas());
  DoLayout();
}

void Tsp_XYPlot::DrawFrame() {
  plot::Canvas& c = *drawing_;
  const TRect& f = field_;
  c.Brush().Color = color_;
  c.Brush().Style = bsSolid;
  // Every pixel outside the field.
  c.FillRect({0, 0, w_, f.top});
  c.FillRect({0, f.bottom, w_, h_});
  c.FillRect({0, f.top, f.left, f.bottom + 1});
  c.FillRect({f.right, f.top, w_, f.bottom + 1});
  plot::DrawAxes(c, Axes(), field_, w_, h_, font_, vertical_font_);
  DrawBorder();
  ++frame_renders_;
}

void Tsp_XYPlot::DrawField() {
  plot::Canvas& c = *drawing_;
  const ClipScope clip(c);
  c.IntersectClipRect(field_);
  if (field_color_ != clNone) {
    c.Brush().Color = field_color_;
    c.Brush().Style = bsSolid;
    c.FillRect(field_);
  }
  DoFieldDraw();
  c.Brush().Style = bsClear;
  plot::DrawGrids(c, Axes(), field_);
  for (Tsp_PlotMarker* m : markers_before_)
    if (m->Visible()) m->Draw();
  for (Tsp_DataSeries* s : series_)
    if (s->Active()) s->Draw();
  for (Tsp_PlotMarker* m : markers_after_)
    if (m->Visible()) m->Draw();
  ++field_renders_;
}

void Tsp_XYPlot::DrawBorder() {
  plot::Canvas& c = *drawing_;
  const int W = w_, H = h_;
  c.Pen() = plot::CanvasPen{clBlack, psSolid, 1, pmCopy};
  c.Brush().Style = bsClear;
  auto ring = [&](int inset, TColor color) {
    c.Pen().Color = color;
    c.Rectangle(inset, inset, W - inset, H - inset);
  };
  auto frame3d = [&](TColor topLeft, TColor bottomRight) {
    const plot::Point tl[] = {{0, H - 1}, {0, 0}, {W - 1, 0}};
    const plot::Point br[] = {{W - 1, 0}, {W - 1, H - 1}, {-1, H - 1}};
    c.Pen().Color = topLeft;
    c.Polyline(tl);
    c.Pen().Color = bottomRight;
    c.Polyline(br);
  };
  switch (border_style_) {
    case bs_None:
      ring(0, color_);
      ring(1, color_);
      break;
    case bs_Raised:
      frame3d(clBtnHighlight, clBtnShadow);
      ring(1, color_);
      break;
    case bs_Lowered:
      frame3d(clBtnShadow, clBtnHighlight);
      ring(1, color_);
      break;
    case bs_Gutter:
      c.Pen().Color = clBtnHighlight;
      c.Rectangle(1, 1, W, H);
      c.Pen().Color = clBtnShadow;
      c.Rectangle(0, 0, W - 1, H - 1);
      break;
    case bs_BlackRect:
      ring(0, clBlack);
      ring(1, color_);
      break;
    case bs_BoldRect:
      ring(0, clBlack);
      ring(1, clBlack);
      break;
    case bs_FocusRect: {
      c.Pen().Style = psDot;
      c.Brush() = plot::CanvasBrush{clWhite, bsSolid};
      const plot::Point a[] = {{0, 0}, {W - 2, 0}, {W - 2, H - 1}, {1, H - 1}, {1, 0}};
      const plot::Point b[] = {{1, 1}, {W - 1, 1}, {W - 1, H - 2}, {0, H - 2}, {0, 0}};
      c.Polyline(a);
      c.Polyline(b);
      c.Brush().Style = bsClear;
      break;
    }
  }
}

void Tsp_XYPlot::DoDrawEnd() {
  if (OnDrawEnd)
    OnDrawEnd(*this);
  else
    draw_end_idle_ = true;
}

void Tsp_XYPlot::DoFieldDraw() {
  if (OnFieldDraw) OnFieldDraw(*this);
}

void Tsp_XYPlot::DrawTo(plot::Canvas* canvas, int width, int height) {
  if (!canvas || width < plot::kMinDrawToSize || height < plot::kMinDrawToSize) return;
  const ForeignLayoutScope layout(*this);
  DrawingScope scope(drawing_, canvas);
  w_ = width;
  h_ = height;
  layout_valid_ = false;
  DoLayout();
  DrawFrame();
  DrawField();
  DoDrawEnd();
  DrawBorder();
}

// ---------------------------------------------------------------- series and markers

void Tsp_XYPlot::AddSeries(Tsp_DataSeries* s) {
  if (!s) return;
  if (std::find(series_.begin(), series_.end(), s) == series_.end()) series_.push_back(s);
  if (s->Active()) SeriesChanged(s);
}

void Tsp_XYPlot::RemoveSeries(Tsp_DataSeries* s) {
  std::erase(series_, s);
  if (s && s->Active()) SeriesChanged(s);
}

void Tsp_XYPlot::AddMarker(Tsp_PlotMarker* m, Tsp_WhenDrawMarker whenDraw) {
  if (!m) return;
  auto& list = whenDraw == dmAfterSeries ? markers_after_ : markers_before_;
  if (std::find(list.begin(), list.end(), m) == list.end()) list.push_back(m);
  if (m->Visible()) InvalidateParts(Part::kField);
}

void Tsp_XYPlot::RemoveMarker(Tsp_PlotMarker* m, Tsp_WhenDrawMarker whenDraw) {
  auto& list = whenDraw == dmAfterSeries ? markers_after_ : markers_before_;
  std::erase(list, m);
  if (m && m->Visible()) InvalidateParts(Part::kField);
}

void Tsp_XYPlot::SeriesChanged(Tsp_DataSeries* s) {
  if (!s) return;
  Tsp_Axis& x = s->XAxis() == dsxTop ? top_ : bottom_;
  Tsp_Axis& y = s->YAxis() == dsyRight ? right_ : left_;
  const bool a = AutoScale(x);
  const bool b = AutoScale(y);
  if (a || b)
    Invalidate();
  else
    InvalidateParts(Part::kField);
}

bool Tsp_XYPlot::AutoScale(Tsp_Axis& axis) {
  const bool autoMin = axis.AutoMin();
  const bool autoMax = axis.AutoMax();
  if (!autoMin && !autoMax) return false;
  const bool vertical = axis.IsVertical();
  const int selector = vertical ? (&axis == &left_ ? 0 : 1) : (&axis == &bottom_ ? 0 : 1);
  double low = 0, high = 0;
  bool foundLow = false, foundHigh = false;
  for (Tsp_DataSeries* s : series_) {
    if (!s->Active()) continue;
    const int sel = vertical ? static_cast<int>(s->YAxis()) : static_cast<int>(s->XAxis());
    if (sel != selector) continue;
    double v = 0;
    if (autoMin && (vertical ? s->GetYMin(v) : s->GetXMin(v)) && (!foundLow || v < low)) {
      low = v;
      foundLow = true;
    }
    if (autoMax && (vertical ? s->GetYMax(v) : s->GetXMax(v)) && (!foundHigh || v > high)) {
      high = v;
      foundHigh = true;
    }
  }
  if (!foundLow && !foundHigh) return false;
  if (!foundLow) low = axis.Min();
  if (!foundHigh) high = axis.Max();
  const double pad = (high - low) * plot::kAutoScalePadding;
  if (foundLow) low -= pad;
  if (foundHigh) high += pad;
  if (low != axis.Min() || high != axis.Max()) axis.SetRange(low, high);
  return true;
}

// ---------------------------------------------------------------- cursor line and mouse

void Tsp_XYPlot::DrawCursorLine() {
  if (!(field_.left < cursor_pixel_ && cursor_pixel_ < field_.right)) return;
  plot::Canvas* c = ScreenCanvas();
  if (!c) return;
  c->Pen() = plot::CanvasPen{clBlack, psSolid, 1, pmNot};
  c->Line(cursor_pixel_, field_.top + 1, cursor_pixel_, field_.bottom - 1);
  c->Pen().mode = pmCopy;
  RequestUpdate(false);
}

void Tsp_XYPlot::ShowCursorLine() {
  if (!x_cursor_on_) return;
  cursor_pixel_ = bottom_.ValueToPixel(x_cursor_val_);
  DrawCursorLine();
}

void Tsp_XYPlot::SetXCursorVal(double v) {
  const int x = bottom_.ValueToPixel(v);
  x_cursor_val_ = v;
  if (x != cursor_pixel_ && x_cursor_on_) {
    DrawCursorLine();
    cursor_pixel_ = x;
    DrawCursorLine();
  }
}

void Tsp_XYPlot::SetXCursorOn(bool v) {
  if (v == x_cursor_on_) return;
  x_cursor_on_ = v;
  if (v)
    ShowCursorLine();
  else
    DrawCursorLine();
}

void Tsp_XYPlot::DrawBand() {
  plot::Canvas* c = ScreenCanvas();
  if (!c) return;
  const TRect& r = mouse_rect_;
  c->Pen() = plot::CanvasPen{clBlack, psDot, 1, pmNotXor};
  c->Brush() = plot::CanvasBrush{clWhite, bsClear};
  const plot::Point pts[] = {
      {r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}, {r.left, r.top}};
  c->Polyline(pts);
  c->Pen().mode = pmCopy;
  RequestUpdate(false);
}

void Tsp_XYPlot::SetScreenCursor(TCursor c) {
  if (OnSetCursor) OnSetCursor(c);
}

void Tsp_XYPlot::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  EnsureLayout();
  if (button == mbLeft && mouse_state_ == MouseState::kIdle) {
    if (shift == zoom_keys_ && zoom_ != zpdNone) {
      mouse_rect_.left = zoom_ == zpdVertical ? field_.left : x;
      mouse_rect_.top = zoom_ == zpdHorizontal ? field_.top : y;
      mouse_state_ = MouseState::kZoomPressed;
    } else if (shift == pan_keys_ && pan_ != zpdNone) {
      mouse_rect_.left = x;
      mouse_rect_.top = y;
      mouse_state_ = MouseState::kPanPressed;
      SetScreenCursor(pan_cursor_);
    }
  }
  if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
}

void Tsp_XYPlot::MouseMove(TShiftState shift, int x, int y) {
  EnsureLayout();
  auto bandEnd = [&] {
    mouse_rect_.right = zoom_ == zpdVertical ? field_.right : x;
    mouse_rect_.bottom = zoom_ == zpdHorizontal ? field_.bottom : y;
  };
  auto panStep = [&] {
    mouse_rect_.right = mouse_rect_.left;
    mouse_rect_.bottom = mouse_rect_.top;
    mouse_rect_.left = x;
    mouse_rect_.top = y;
    mouse_state_ = MouseState::kPanning;
    PanRect(mouse_rect_);
  };
  switch (mouse_state_) {
    case MouseState::kZoomPressed:
      if (std::abs(mouse_rect_.left - x) > plot::kZoomStartDistance ||
          std::abs(mouse_rect_.top - y) > plot::kZoomStartDistance) {
        mouse_state_ = MouseState::kZooming;
        SetScreenCursor(crCross);
        bandEnd();
        DrawBand();
      }
      break;
    case MouseState::kZooming:
      DrawBand();
      bandEnd();
      DrawBand();
      break;
    case MouseState::kPanPressed:
      if (x != mouse_rect_.left || y != mouse_rect_.top) panStep();
      break;
    case MouseState::kPanning:
      panStep();
      break;
    case MouseState::kIdle:
      break;
  }
  if (OnMouseMove) OnMouseMove(*this, shift, x, y);
}

void Tsp_XYPlot::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  EnsureLayout();
  const MouseState was = mouse_state_;
  if (was == MouseState::kZoomPressed) {
    RestoreAll();
  } else if (was == MouseState::kZooming) {
    DrawBand();
    TRect r = mouse_rect_;
    if (r.right < r.left) {
      const int oldLeft = r.left;
      r.left = r.right + 1;
      r.right = oldLeft + 1;
    }
    if (r.bottom < r.top) {
      const int oldTop = r.top;
      r.top = r.bottom + 1;
      r.bottom = oldTop + 1;
    }
    mouse_rect_ = r;
    ZoomRect(r);
  }
  if (was != MouseState::kIdle) {
    mouse_state_ = MouseState::kIdle;
    SetScreenCursor(cursor_);
  }
  if (OnMouseUp) OnMouseUp(*this, button, shift, x, y);
  if (button == mbLeft && OnClick) OnClick(*this);
}

void Tsp_XYPlot::DblClick() {
  if (OnDblClick) OnDblClick(*this);
}

void Tsp_XYPlot::RememberAll() {
  if (left_.RangeRemembered() && bottom_.RangeRemembered() && right_.RangeRemembered() &&
      top_.RangeRemembered())
    return;
  for (Tsp_Axis* a : {&left_, &bottom_, &right_, &top_}) a->RememberRange();
}

void Tsp_XYPlot::RestoreAll() {
  if (!(left_.RangeRemembered() && bottom_.RangeRemembered() && right_.RangeRemembered() &&
        top_.RangeRemembered()))
    return;
  for (Tsp_Axis* a : {&left_, &bottom_, &right_, &top_}) a->RestoreRange();
  Invalidate();
}

void Tsp_XYPlot::ZoomAxis(Tsp_Axis& axis, int p1, int p2) {
  const double a = axis.PixelToValue(p1);
  const double b = axis.PixelToValue(p2);
  double mn = std::min(a, b);
  double mx = std::max(a, b);
  bool canZoom = true;
  if (OnAxisZoom) OnAxisZoom(axis, mn, mx, canZoom);
  if (canZoom) axis.SetRange(mn, mx);
}

void Tsp_XYPlot::ZoomRect(TRect r) {
  if (zoom_ == zpdNone || r.right - r.left <= plot::kMinZoomBand ||
      r.bottom - r.top <= plot::kMinZoomBand)
    return;
  RememberAll();
  if (Horizontal(zoom_)) {
    ZoomAxis(bottom_, r.left, r.right);
    ZoomAxis(top_, r.left, r.right);
  }
  if (Vertical(zoom_)) {
    ZoomAxis(left_, r.bottom, r.top);
    ZoomAxis(right_, r.bottom, r.top);
  }
  Invalidate();
}

void Tsp_XYPlot::PanRect(const TRect& r) {
  RememberAll();
  const int dx = r.right - r.left;
  if (dx != 0 && Horizontal(pan_)) {
    bottom_.ScrollByPixels(dx);
    top_.ScrollByPixels(dx);
    InvalidateParts(Part::kFrame | Part::kField);
  }
  const int dy = r.bottom - r.top;
  if (dy != 0 && Vertical(pan_)) {
    left_.ScrollByPixels(dy);
    right_.ScrollByPixels(dy);
    InvalidateParts(Part::kFrame | Part::kField);
  }
}

}  // namespace pulse::plot
