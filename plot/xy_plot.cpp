#include "plot/xy_plot.h"

#include <algorithm>
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
  layoutValid_ = frameValid_ = fieldValid_ = false;
  paintPending_ = updateAsked_ = false;
}

Tsp_XYPlot::~Tsp_XYPlot() {
  // Series and markers outlive their plot; they only drop the reference.
  for (Tsp_DataSeries* s : series_) s->PlotDestroyed();
  for (Tsp_PlotMarker* m : markersBefore_) m->PlotDestroyed();
  for (Tsp_PlotMarker* m : markersAfter_) m->PlotDestroyed();
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
  if (v == fieldColor_) return;
  fieldColor_ = v;
  InvalidateParts(false, false, true);
}

void Tsp_XYPlot::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  Invalidate();
}

void Tsp_XYPlot::SetBorderStyle(Tsp_BorderStyle v) {
  if (v == borderStyle_) return;
  borderStyle_ = v;
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
    buffer_ = std::make_unique<Tsp_MemBitmap>(ctlWidth_, ctlHeight_, dpr_);
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
  verticalFont_ = plot::MakeVerticalFont(font_);
}

// ---------------------------------------------------------------- host interface

void Tsp_XYPlot::SetSize(int width, int height) {
  if (width == ctlWidth_ && height == ctlHeight_) return;
  ctlWidth_ = width;
  ctlHeight_ = height;
  W_ = width;
  H_ = height;
  Invalidate();
}

void Tsp_XYPlot::SetDevicePixelRatio(double dpr) {
  if (!(dpr > 0) || dpr == dpr_) return;
  dpr_ = dpr;
  Invalidate();
}

void Tsp_XYPlot::RequestUpdate(bool paint) {
  if (paint) paintPending_ = true;
  // One question to the host per batch: everything asked until the next paint rides along.
  if (updateAsked_) return;
  updateAsked_ = true;
  if (OnRequestUpdate) OnRequestUpdate();
}

void Tsp_XYPlot::EnsureScreen() {
  if (!screen_) {
    screen_ = std::make_unique<Tsp_MemBitmap>(ctlWidth_, ctlHeight_, dpr_);
    screenDrawnOn_ = true;
  } else if (screen_->Width() != ctlWidth_ || screen_->Height() != ctlHeight_ ||
             screen_->DevicePixelRatio() != dpr_) {
    screen_->Resize(ctlWidth_, ctlHeight_, dpr_);
    screenDrawnOn_ = true;
  }
}

plot::Canvas* Tsp_XYPlot::ScreenCanvas() {
  if (!screen_ || !screen_->Valid()) return nullptr;
  return &screen_->Canvas();
}

bool Tsp_XYPlot::NeedsPaint() const {
  return paintPending_ || !screen_ || screen_->Width() != ctlWidth_ ||
         screen_->Height() != ctlHeight_ || screen_->DevicePixelRatio() != dpr_;
}

const QImage& Tsp_XYPlot::Screen() {
  // The host shows the picture: a request that asked only for that is served.
  updateAsked_ = false;
  EnsureScreen();
  return screen_->Image();
}

void Tsp_XYPlot::Paint() {
  W_ = ctlWidth_;
  H_ = ctlHeight_;
  paintPending_ = false;
  updateAsked_ = false;
  EnsureScreen();
  if (!screen_->Valid()) return;
  bool direct = true;
  if (buffer_ && buffer_->Valid()) {
    direct = false;
    if (buffer_->Width() != W_ || buffer_->Height() != H_ || buffer_->DevicePixelRatio() != dpr_) {
      buffer_->Resize(W_, H_, dpr_);
      if (buffer_->Valid())
        layoutValid_ = frameValid_ = fieldValid_ = false;
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
  if (mouseState_ == MouseState::Zooming) DrawBand();
}

void Tsp_XYPlot::PaintBuffered() {
  bool wholeChanged = false;
  {
    DrawingScope scope(drawing_, &buffer_->Canvas());
    if (!layoutValid_) {
      DoLayout();
      wholeChanged = true;
    }
    if (!frameValid_) {
      DrawFrame();  // draws the border too
      frameValid_ = true;
      wholeChanged = true;
    }
    if (!fieldValid_) {
      DrawField();
      fieldValid_ = true;
    }
    drawEndIdle_ = false;
    DoDrawEnd();
    // The buffer keeps the border of the last frame render; only a draw-end handler, which may
    // draw anywhere, or a field reaching the edge can have covered it since.
    if (!drawEndIdle_ || !BorderClearOfField()) {
      DrawBorder();
      wholeChanged = true;
    }
  }
  // Outside the field the screen equals the buffer unless a band in progress (which may leave
  // the field) or a drawing outside a paint is on it; the cursor line stays inside the field.
  if (wholeChanged || screenDrawnOn_ || mouseState_ == MouseState::Zooming) {
    screen_->CopyFrom(*buffer_);
  } else {
    // One pixel of margin covers device pixels the field's edge shares with the frame.
    const TRect f = field_;
    screen_->CopyRectFrom(*buffer_, TRect{f.Left - 1, f.Top - 1, f.Right + 1, f.Bottom + 1});
  }
  screenDrawnOn_ = false;
}

bool Tsp_XYPlot::BorderClearOfField() const {
  // The border takes the two outermost pixels; one more keeps scaled pictures apart.
  constexpr int kBorderReach = 3;
  return field_.Left >= kBorderReach && field_.Top >= kBorderReach &&
         field_.Right <= W_ - kBorderReach && field_.Bottom <= H_ - kBorderReach;
}

void Tsp_XYPlot::PaintDirect() {
  screenDrawnOn_ = true;
  DrawingScope scope(drawing_, &screen_->Canvas());
  if (!layoutValid_) DoLayout();
  DrawFrame();
  DrawField();
  DoDrawEnd();
  DrawBorder();
}

void Tsp_XYPlot::SysColorChange() {
  if (!buffer_) return;
  buffer_->Resize(ctlWidth_, ctlHeight_, dpr_);
  if (buffer_->Valid()) {
    DrawTo(&buffer_->Canvas(), ctlWidth_, ctlHeight_);
    buffer_->EndPaint();
  }
  Invalidate();
}

// ---------------------------------------------------------------- repaint requests

void Tsp_XYPlot::Invalidate() {
  layoutValid_ = frameValid_ = fieldValid_ = false;
  RequestUpdate(true);
}

void Tsp_XYPlot::InvalidateParts(bool layout, bool frame, bool field) {
  if (layout) layoutValid_ = false;
  if (frame) frameValid_ = false;
  if (field) fieldValid_ = false;
  RequestUpdate(true);
}

void Tsp_XYPlot::MarkBufferStale() {
  frameValid_ = fieldValid_ = false;
}

// ---------------------------------------------------------------- drawing

void Tsp_XYPlot::DoLayout() {
  plot::Canvas& c = *drawing_;
  c.SetFont(font_);
  const int charWidth = c.TextWidth("0");
  const int textHeight = std::abs(c.FontHeight());
  field_ = plot::LayoutAxes(Axes(), charWidth, textHeight, W_, H_);
  layoutValid_ = true;
}

void Tsp_XYPlot::EnsureLayout() {
  if (layoutValid_) return;
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
  c.FillRect({0, 0, W_, f.Top});
  c.FillRect({0, f.Bottom, W_, H_});
  c.FillRect({0, f.Top, f.Left, f.Bottom + 1});
  c.FillRect({f.Right, f.Top, W_, f.Bottom + 1});
  plot::DrawAxes(c, Axes(), field_, W_, H_, font_, verticalFont_);
  DrawBorder();
  ++frameRenders_;
}

void Tsp_XYPlot::DrawField() {
  plot::Canvas& c = *drawing_;
  const plot::ClipState saved = c.SaveClip();
  struct ClipRestore {
    plot::Canvas& c;
    const plot::ClipState& s;
    ~ClipRestore() { c.RestoreClip(s); }
  } restore{c, saved};
  c.IntersectClipRect(field_);
  if (fieldColor_ != clNone) {
    c.Brush().Color = fieldColor_;
    c.Brush().Style = bsSolid;
    c.FillRect(field_);
  }
  DoFieldDraw();
  c.Brush().Style = bsClear;
  plot::DrawGrids(c, Axes(), field_);
  for (Tsp_PlotMarker* m : markersBefore_)
    if (m->Visible()) m->Draw();
  for (Tsp_DataSeries* s : series_)
    if (s->Active()) s->Draw();
  for (Tsp_PlotMarker* m : markersAfter_)
    if (m->Visible()) m->Draw();
  ++fieldRenders_;
}

void Tsp_XYPlot::DrawBorder() {
  plot::Canvas& c = *drawing_;
  const int W = W_, H = H_;
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
  switch (borderStyle_) {
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
    drawEndIdle_ = true;
}

void Tsp_XYPlot::DoFieldDraw() {
  if (OnFieldDraw) OnFieldDraw(*this);
}

void Tsp_XYPlot::DrawTo(plot::Canvas* canvas, int width, int height) {
  if (!canvas || width < plot::kMinDrawToSize || height < plot::kMinDrawToSize) return;
  // The foreign layout moves the axis lines; put them back so that the control's mapping
  // (mouse read-outs, the buffer's picture) stays as it was.
  struct AxisLine {
    Tsp_Axis* a;
    int x, y, len;
  };
  AxisLine saved[4];
  int k = 0;
  for (Tsp_Axis* a : {&left_, &right_, &bottom_, &top_})
    saved[k++] = {a, a->LineX(), a->LineY(), a->LineLength()};
  const TRect savedField = field_;
  struct Restore {
    Tsp_XYPlot& p;
    AxisLine* lines;
    TRect field;
    ~Restore() {
      for (int i = 0; i < 4; ++i) lines[i].a->SetLinePos(lines[i].x, lines[i].y, lines[i].len);
      p.field_ = field;
      p.layoutValid_ = false;
      p.W_ = p.ctlWidth_;
      p.H_ = p.ctlHeight_;
    }
  } restore{*this, saved, savedField};
  DrawingScope scope(drawing_, canvas);
  W_ = width;
  H_ = height;
  layoutValid_ = false;
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
  auto& list = whenDraw == dmAfterSeries ? markersAfter_ : markersBefore_;
  if (std::find(list.begin(), list.end(), m) == list.end()) list.push_back(m);
  if (m->Visible()) InvalidateParts(false, false, true);
}

void Tsp_XYPlot::RemoveMarker(Tsp_PlotMarker* m, Tsp_WhenDrawMarker whenDraw) {
  auto& list = whenDraw == dmAfterSeries ? markersAfter_ : markersBefore_;
  std::erase(list, m);
  if (m && m->Visible()) InvalidateParts(false, false, true);
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
    InvalidateParts(false, false, true);
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
  if (!(field_.Left < cursorPixel_ && cursorPixel_ < field_.Right)) return;
  plot::Canvas* c = ScreenCanvas();
  if (!c) return;
  c->Pen() = plot::CanvasPen{clBlack, psSolid, 1, pmNot};
  c->Line(cursorPixel_, field_.Top + 1, cursorPixel_, field_.Bottom - 1);
  c->Pen().Mode = pmCopy;
  RequestUpdate(false);
}

void Tsp_XYPlot::ShowCursorLine() {
  if (!xCursorOn_) return;
  cursorPixel_ = bottom_.ValueToPixel(xCursorVal_);
  DrawCursorLine();
}

void Tsp_XYPlot::SetXCursorVal(double v) {
  const int x = bottom_.ValueToPixel(v);
  xCursorVal_ = v;
  if (x != cursorPixel_ && xCursorOn_) {
    DrawCursorLine();
    cursorPixel_ = x;
    DrawCursorLine();
  }
}

void Tsp_XYPlot::SetXCursorOn(bool v) {
  if (v == xCursorOn_) return;
  xCursorOn_ = v;
  if (v)
    ShowCursorLine();
  else
    DrawCursorLine();
}

void Tsp_XYPlot::DrawBand() {
  plot::Canvas* c = ScreenCanvas();
  if (!c) return;
  const TRect& r = mouseRect_;
  c->Pen() = plot::CanvasPen{clBlack, psDot, 1, pmNotXor};
  c->Brush() = plot::CanvasBrush{clWhite, bsClear};
  const plot::Point pts[] = {
      {r.Left, r.Top}, {r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}, {r.Left, r.Top}};
  c->Polyline(pts);
  c->Pen().Mode = pmCopy;
  RequestUpdate(false);
}

void Tsp_XYPlot::SetScreenCursor(TCursor c) {
  if (OnSetCursor) OnSetCursor(c);
}

void Tsp_XYPlot::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  EnsureLayout();
  if (button == mbLeft && mouseState_ == MouseState::Idle) {
    if (shift == zoomKeys_ && zoom_ != zpdNone) {
      mouseRect_.Left = zoom_ == zpdVertical ? field_.Left : x;
      mouseRect_.Top = zoom_ == zpdHorizontal ? field_.Top : y;
      mouseState_ = MouseState::ZoomPressed;
    } else if (shift == panKeys_ && pan_ != zpdNone) {
      mouseRect_.Left = x;
      mouseRect_.Top = y;
      mouseState_ = MouseState::PanPressed;
      SetScreenCursor(panCursor_);
    }
  }
  if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
}

void Tsp_XYPlot::MouseMove(TShiftState shift, int x, int y) {
  EnsureLayout();
  auto bandEnd = [&] {
    mouseRect_.Right = zoom_ == zpdVertical ? field_.Right : x;
    mouseRect_.Bottom = zoom_ == zpdHorizontal ? field_.Bottom : y;
  };
  auto panStep = [&] {
    mouseRect_.Right = mouseRect_.Left;
    mouseRect_.Bottom = mouseRect_.Top;
    mouseRect_.Left = x;
    mouseRect_.Top = y;
    mouseState_ = MouseState::Panning;
    PanRect(mouseRect_);
  };
  switch (mouseState_) {
    case MouseState::ZoomPressed:
      if (std::abs(mouseRect_.Left - x) > plot::kZoomStartDistance ||
          std::abs(mouseRect_.Top - y) > plot::kZoomStartDistance) {
        mouseState_ = MouseState::Zooming;
        SetScreenCursor(crCross);
        bandEnd();
        DrawBand();
      }
      break;
    case MouseState::Zooming:
      DrawBand();
      bandEnd();
      DrawBand();
      break;
    case MouseState::PanPressed:
      if (x != mouseRect_.Left || y != mouseRect_.Top) panStep();
      break;
    case MouseState::Panning:
      panStep();
      break;
    case MouseState::Idle:
      break;
  }
  if (OnMouseMove) OnMouseMove(*this, shift, x, y);
}

void Tsp_XYPlot::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  EnsureLayout();
  const MouseState was = mouseState_;
  if (was == MouseState::ZoomPressed) {
    RestoreAll();
  } else if (was == MouseState::Zooming) {
    DrawBand();
    TRect r = mouseRect_;
    if (r.Right < r.Left) {
      const int oldLeft = r.Left;
      r.Left = r.Right + 1;
      r.Right = oldLeft + 1;
    }
    if (r.Bottom < r.Top) {
      const int oldTop = r.Top;
      r.Top = r.Bottom + 1;
      r.Bottom = oldTop + 1;
    }
    mouseRect_ = r;
    ZoomRect(r);
  }
  if (was != MouseState::Idle) {
    mouseState_ = MouseState::Idle;
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
  if (zoom_ == zpdNone || r.Right - r.Left <= plot::kMinZoomBand ||
      r.Bottom - r.Top <= plot::kMinZoomBand)
    return;
  RememberAll();
  if (Horizontal(zoom_)) {
    ZoomAxis(bottom_, r.Left, r.Right);
    ZoomAxis(top_, r.Left, r.Right);
  }
  if (Vertical(zoom_)) {
    ZoomAxis(left_, r.Bottom, r.Top);
    ZoomAxis(right_, r.Bottom, r.Top);
  }
  Invalidate();
}

void Tsp_XYPlot::PanRect(const TRect& r) {
  RememberAll();
  const int dx = r.Right - r.Left;
  if (dx != 0 && Horizontal(pan_)) {
    bottom_.ScrollByPixels(dx);
    top_.ScrollByPixels(dx);
    InvalidateParts(false, true, true);
  }
  const int dy = r.Bottom - r.Top;
  if (dy != 0 && Vertical(pan_)) {
    left_.ScrollByPixels(dy);
    right_.ScrollByPixels(dy);
    InvalidateParts(false, true, true);
  }
}

}  // namespace pulse::plot
