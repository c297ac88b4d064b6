// Tsp_XYPlot: a plot with four axes around a field, its series and markers, buffered painting
// with frame and field as separately invalidated layers, mouse zoom, pan and a cursor line.
// Toolkit-neutral: a host widget forwards size, font, paint and mouse events and shows
// Screen(); repaint requests reach the host through OnRequestUpdate and coalesce.
#pragma once

#include <QImage>

#include <functional>
#include <memory>
#include <vector>

#include "plot/axis.h"
#include "plot/axis_frame.h"
#include "plot/axis_owner.h"
#include "plot/canvas.h"
#include "plot/xy_plot_types.h"

namespace pulse::plot {

class Tsp_DataSeries;
class Tsp_PlotMarker;
class Tsp_MemBitmap;

// May veto (CanZoom = false) or adjust the new range of one axis before a rubber-band zoom.
using TZoomAxisEvent =
    std::function<void(Tsp_Axis& Sender, double& min, double& max, bool& CanZoom)>;
using TNotifyEvent = std::function<void(Tsp_XYPlot& Sender)>;
using TMouseEvent =
    std::function<void(Tsp_XYPlot& Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(Tsp_XYPlot& Sender, TShiftState Shift, int X, int Y)>;

// Size of a plot control at creation.
inline constexpr int kDefaultPlotWidth = 180;
inline constexpr int kDefaultPlotHeight = 120;
// DrawTo refuses drawings smaller than this in either direction.
inline constexpr int kMinDrawToSize = 10;
// A press must move more than this many pixels before a rubber band starts.
inline constexpr int kZoomStartDistance = 3;
// A band must be wider and higher than this to zoom.
inline constexpr int kMinZoomBand = 2;
// Share of the data span added on each automatic side.
inline constexpr double kAutoScalePadding = 0.025;

class Tsp_XYPlot : public plot::AxisOwner {
 public:
  enum class MouseState { kIdle, kZoomPressed, kZooming, kPanPressed, kPanning };

  Tsp_XYPlot();
  virtual ~Tsp_XYPlot();
  Tsp_XYPlot(const Tsp_XYPlot&) = delete;
  Tsp_XYPlot& operator=(const Tsp_XYPlot&) = delete;

  // ---- properties
  [[nodiscard]] Tsp_Axis& LeftAxis() { return left_; }
  [[nodiscard]] Tsp_Axis& RightAxis() { return right_; }
  [[nodiscard]] Tsp_Axis& BottomAxis() { return bottom_; }
  [[nodiscard]] Tsp_Axis& TopAxis() { return top_; }
  // Copy into the existing axis; the axis object is never replaced.
  void SetLeftAxis(const Tsp_Axis& a);
  void SetRightAxis(const Tsp_Axis& a);
  void SetBottomAxis(const Tsp_Axis& a);
  void SetTopAxis(const Tsp_Axis& a);

  [[nodiscard]] Tsp_zpDirections Zoom() const { return zoom_; }
  void SetZoom(Tsp_zpDirections v) { zoom_ = v; }
  [[nodiscard]] Tsp_zpDirections Pan() const { return pan_; }
  void SetPan(Tsp_zpDirections v) { pan_ = v; }
  [[nodiscard]] Tsp_ShiftKeys ZoomShiftKeys() const { return zoom_keys_ & ~ssLeft; }
  void SetZoomShiftKeys(Tsp_ShiftKeys v) { zoom_keys_ = static_cast<TShiftState>(v | ssLeft); }
  [[nodiscard]] Tsp_ShiftKeys PanShiftKeys() const { return pan_keys_ & ~ssLeft; }
  void SetPanShiftKeys(Tsp_ShiftKeys v) { pan_keys_ = static_cast<TShiftState>(v | ssLeft); }
  [[nodiscard]] TCursor PanCursor() const { return pan_cursor_; }
  void SetPanCursor(TCursor v) { pan_cursor_ = v; }
  // The plot's own cursor, shown when no zoom or pan is in progress.
  [[nodiscard]] TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor v) { cursor_ = v; }

  [[nodiscard]] Tsp_BorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(Tsp_BorderStyle v);
  [[nodiscard]] TColor FieldColor() const { return field_color_; }
  void SetFieldColor(TColor v);
  // The control colour around the field.
  [[nodiscard]] TColor Color() const { return color_; }
  void SetColor(TColor v);
  [[nodiscard]] bool BufferedDisplay() const { return buffer_ != nullptr; }
  void SetBufferedDisplay(bool v);
  [[nodiscard]] bool XCursorOn() const { return x_cursor_on_; }
  void SetXCursorOn(bool v);
  [[nodiscard]] double XCursorVal() const { return x_cursor_val_; }
  void SetXCursorVal(double v);

  // Font of labels and captions (with the colour text is drawn in).
  [[nodiscard]] const plot::CanvasFont& Font() const { return font_; }
  void SetFont(const plot::CanvasFont& f);

  TZoomAxisEvent OnAxisZoom;
  TGetTickLabelEvent OnGetTickLabel;
  TNotifyEvent OnFieldDraw;  // after the field fill, before the grid, clipped to the field
  TNotifyEvent OnDrawEnd;    // end of every paint, before the border
  // The framework's events, fired after the plot's own mouse handling.
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;

  // ---- host interface
  [[nodiscard]] int Width() const { return ctl_width_; }
  [[nodiscard]] int Height() const { return ctl_height_; }
  // Size change: everything is laid out and drawn anew.
  void SetSize(int width, int height);
  void SetDevicePixelRatio(double dpr);
  // Asked once per batch of requests: the host schedules a paint (e.g. QWidget::update()).
  // Also asked after the cursor line or the band changed the screen picture.
  std::function<void()> OnRequestUpdate;
  // Screen-wide cursor override.
  std::function<void(TCursor)> OnSetCursor;
  // True when a repaint was requested and Paint has not run since, or the screen picture
  // does not have the control's size yet.
  [[nodiscard]] bool NeedsPaint() const;
  // The control's paint: brings Screen() up to date.
  void Paint();
  // What the control shows; the cursor line and rubber band are drawn into it directly. The
  // host reads it on every paint, which also serves any pending update request.
  [[nodiscard]] const QImage& Screen();
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  void MouseMove(TShiftState shift, int x, int y);
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  void DblClick();
  void SysColorChange();

  // ---- repaint requests (mark stale and ask for a paint; never paint at once)
  void Invalidate() override;
  void InvalidateParts(Part parts) override;
  void MarkBufferStale();
  [[nodiscard]] bool AutoScale(Tsp_Axis& axis) override;
  [[nodiscard]] const TGetTickLabelEvent& TickLabelEvent() const override { return OnGetTickLabel; }

  // ---- for series, markers and printing
  [[nodiscard]] const TRect& FieldRect() const { return field_; }
  // Canvas of the drawing under way (buffer, or the foreign one of DrawTo); outside a paint
  // the control's own canvas (none before the first paint).
  [[nodiscard]] plot::Canvas* DrawingCanvas() {
    if (drawing_) return drawing_;
    screen_drawn_on_ = true;  // the next paint replaces the whole screen picture
    return ScreenCanvas();
  }
  // After drawing on the control's own canvas outside a paint: show it.
  void ScreenChanged() {
    screen_drawn_on_ = true;
    RequestUpdate(false);
  }
  // Draws the whole plot onto another canvas at the given size; the buffer is not touched.
  void DrawTo(plot::Canvas* canvas, int width, int height);

  void AddSeries(Tsp_DataSeries* s);
  void RemoveSeries(Tsp_DataSeries* s);
  void AddMarker(Tsp_PlotMarker* m, Tsp_WhenDrawMarker whenDraw);
  void RemoveMarker(Tsp_PlotMarker* m, Tsp_WhenDrawMarker whenDraw);
  void SeriesChanged(Tsp_DataSeries* s);
  [[nodiscard]] const std::vector<Tsp_DataSeries*>& Series() const { return series_; }

  // ---- state for checks and diagnostics
  [[nodiscard]] MouseState GetMouseState() const { return mouse_state_; }
  [[nodiscard]] const TRect& MouseRect() const { return mouse_rect_; }
  [[nodiscard]] bool LayoutValid() const { return layout_valid_; }
  [[nodiscard]] bool FrameValid() const { return frame_valid_; }
  [[nodiscard]] bool FieldValid() const { return field_valid_; }
  // Counts of frame and field renders since creation.
  [[nodiscard]] long FrameRenders() const { return frame_renders_; }
  [[nodiscard]] long FieldRenders() const { return field_renders_; }

 protected:
  virtual void DoDrawEnd();
  virtual void DoFieldDraw();

 private:
  // Holds the control's layout while DrawTo lays the plot out for a foreign canvas.
  class ForeignLayoutScope;

  void RequestUpdate(bool paint);
  void ResetVerticalFont();
  // Lays out on the canvas of the drawing under way (which DoLayout needs).
  void DoLayout();
  // Lays out if needed, also outside a paint; mouse handling maps pixels through the layout.
  void EnsureLayout();
  void DrawFrame();
  void DrawField();
  void DrawBorder();
  // True when nothing drawn in the field can reach the border's pixels.
  [[nodiscard]] bool BorderClearOfField() const;
  void PaintBuffered();
  void PaintDirect();
  [[nodiscard]] plot::PlotAxes Axes() { return plot::PlotAxes{left_, right_, bottom_, top_}; }
  void EnsureScreen();
  [[nodiscard]] plot::Canvas* ScreenCanvas();

  // Part of the mouse handling.
  void DrawCursorLine();
  void ShowCursorLine();
  void DrawBand();
  void RememberAll();
  void RestoreAll();
  void ZoomRect(TRect r);
  void ZoomAxis(Tsp_Axis& axis, int p1, int p2);
  void PanRect(const TRect& r);
  void SetScreenCursor(TCursor c);

  Tsp_Axis left_, right_, bottom_, top_;
  Tsp_zpDirections zoom_ = zpdBoth;
  Tsp_zpDirections pan_ = zpdBoth;
  TShiftState zoom_keys_ = ssShift | ssLeft;
  TShiftState pan_keys_ = ssCtrl | ssLeft;
  TCursor pan_cursor_ = crDefault;
  TCursor cursor_ = crDefault;
  Tsp_BorderStyle border_style_ = bs_None;
  TColor field_color_ = clWhite;
  TColor color_ = clBtnFace;
  bool x_cursor_on_ = false;
  double x_cursor_val_ = 0;
  int cursor_pixel_ = 0;
  plot::CanvasFont font_;
  plot::CanvasFont vertical_font_;

  int ctl_width_ = plot::kDefaultPlotWidth;
  int ctl_height_ = plot::kDefaultPlotHeight;
  double dpr_ = 1.0;
  int w_ = plot::kDefaultPlotWidth;
  int h_ = plot::kDefaultPlotHeight;
  TRect field_;
  plot::Canvas* drawing_ = nullptr;
  std::unique_ptr<Tsp_MemBitmap> buffer_;
  std::unique_ptr<Tsp_MemBitmap> screen_;

  std::vector<Tsp_DataSeries*> series_;
  std::vector<Tsp_PlotMarker*> markers_before_;
  std::vector<Tsp_PlotMarker*> markers_after_;

  bool layout_valid_ = false;
  bool frame_valid_ = false;
  bool field_valid_ = false;
  bool paint_pending_ = false;
  bool update_asked_ = false;
  // The screen picture holds more than the buffer's last copy plus cursor line and band (new,
  // resized, painted directly or drawn on outside a paint): the next copy must be whole.
  bool screen_drawn_on_ = true;
  // Set by the base DoDrawEnd when it drew nothing; an override that does not call it is
  // taken to have drawn anywhere.
  bool draw_end_idle_ = false;
  long frame_renders_ = 0;
  long field_renders_ = 0;

  MouseState mouse_state_ = MouseState::kIdle;
  TRect mouse_rect_;
};

}  // namespace pulse::plot
