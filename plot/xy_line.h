// Tsp_XYLine: a data series drawn as a line with optional point marks.
#pragma once

#include <functional>

#include "plot/column_decimator.h"
#include "plot/data_series.h"
#include "plot/point_attr.h"
#include "plot/rect.h"

namespace pulse::plot {

class Tsp_Axis;
class Tsp_XYLine;

// Draws the mark of one point (values xv, yv at pixel x, y) for ptCustom.
using TDrawCustomPointEvent =
    std::function<void(Tsp_XYLine& XYLine, double xv, double yv, int x, int y)>;

// A pixel this far from the origin counts as far off; a segment with both ends far is skipped.
inline constexpr int kFarPixel = 16000;

class Tsp_XYLine : public Tsp_XYDataSeries {
 public:
  Tsp_XYLine();
  ~Tsp_XYLine() override;

  [[nodiscard]] Tsp_PointAttr& PointAttr() { return point_attr_; }
  // Always copies (with the attribute's change notification).
  void SetPointAttr(const Tsp_PointAttr& a) { point_attr_.Assign(a); }
  TDrawCustomPointEvent OnDrawCustomPoint;

  void Draw() override;
  void AttrChanged(const void* sender) override;
  void DrawLegendSample(plot::Canvas& canvas, const TRect& r) override;
  // Appends and draws the new segment straight onto the plot's canvas, without a repaint.
  void AddPointAndDraw(double x, double y);

  // A solid 1-pixel line on an unscaled image is rasterised straight into the pixels (start
  // pixel in, end pixel out, clipped to the canvas clip); otherwise, or with this off, every
  // segment goes through the canvas.
  void SetRasterFastPath(bool on) { raster_fast_ = on; }
  // On that direct path, many points per pixel column are first thinned to a few per column
  // with the very same pixels (see column_decimator.h for when that holds; otherwise every
  // point is drawn). Off: every point is drawn, for comparisons.
  void SetDecimation(bool on) { decimation_ = on; }
  // Whether the last Draw() drew the line from thinned points.
  [[nodiscard]] bool LastDrawDecimated() const { return last_draw_decimated_; }

 private:
  using MarkRoutine = void (*)(plot::Canvas& c, const Tsp_PointAttr& a, int x, int y);

  [[nodiscard]] Tsp_Axis& XAxisOf() const;
  [[nodiscard]] Tsp_Axis& YAxisOf() const;
  void DrawLine(plot::Canvas& c, Tsp_Axis& xa, Tsp_Axis& ya);
  void DrawMarks(plot::Canvas& c, Tsp_Axis& xa, Tsp_Axis& ya);
  void DrawOneMark(plot::Canvas& c, double xv, double yv, int x, int y);
  [[nodiscard]] bool RasterLine(plot::Canvas& c, Tsp_Axis& xa, Tsp_Axis& ya);

  Tsp_PointAttr point_attr_;
  MarkRoutine mark_;
  bool raster_fast_ = true;
  bool decimation_ = true;
  bool last_draw_decimated_ = false;
  plot::ColumnDecimator decimator_;
};

}  // namespace pulse::plot
