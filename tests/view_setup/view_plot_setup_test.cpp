// The views' plots as the main window stores them: axes, field, series and
// zero line, checked on the axes themselves and on pixels of a rendering at
// the main window's plot size.
#include "window/view_plot_setup.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>

#include "plot/property_store.h"

using namespace pulse::plot;

namespace pulse::window {
namespace {

// A font whose "0" is 8 pixels wide and 12 pixels high, so the layout is
// the one worked out by hand below.
plot::CanvasFont FixedFont() {
  constexpr int kCharWidth = 8;
  constexpr int kTextHeight = 12;
  QFont f("WenQuanYi Micro Hei");
  f.setPixelSize(kTextHeight);
  const int advance = QFontMetrics(f).horizontalAdvance(QStringLiteral("0"));
  f.setLetterSpacing(QFont::AbsoluteSpacing, kCharWidth - advance);
  plot::CanvasFont cf;
  cf.face = f;
  cf.Color = clBlack;
  return cf;
}

const QColor kNavy(0, 0, 128), kBlue(0, 0, 255), kWhite(255, 255, 255), kGray(128, 128, 128);

class ViewPlotSetupTest : public ::testing::Test {
 protected:
  explicit ViewPlotSetupTest(int view = 1) : set_(view) {
    set_.Plot().SetFont(FixedFont());
    set_.Plot().SetSize(kViewPlotWidth, kViewPlotHeight);
  }
  // Paints as the widget does and returns what the control shows.
  QImage Render() {
    Tsp_XYPlot& p = set_.Plot();
    if (p.NeedsPaint()) p.Paint();
    return p.Screen().copy();
  }
  Tsp_XYPlot& P() { return set_.Plot(); }

  ViewPlotSet set_;
};

TEST_F(ViewPlotSetupTest, PlotAndAxesCarryTheStoredValues) {
  EXPECT_EQ(P().Zoom(), zpdNone);
  EXPECT_EQ(P().Pan(), zpdNone);
  EXPECT_EQ(P().PanCursor(), crHandPoint);
  EXPECT_EQ(P().BorderStyle(), bs_Gutter);
  EXPECT_EQ(P().FieldColor(), clNavy);
  EXPECT_EQ(P().Color(), clBtnFace);
  EXPECT_TRUE(P().BufferedDisplay());

  struct Expect {
    Tsp_Axis* axis;
    std::uint32_t flags;
    int margin, ticks;
    double min, max;
    bool line, grid;
  };
  const Expect expected[] = {
      {&P().LeftAxis(), 25, 5, 11, -10, 10, false, true},
      {&P().RightAxis(), 33, 4, 11, -10, 10, false, false},
      {&P().BottomAxis(), 512, 3, 21, 0, 20, true, true},
      {&P().TopAxis(), 56, 4, 3, 0, 10, false, false},
  };
  for (const Expect& e : expected) {
    SCOPED_TRACE(e.flags);
    Tsp_Axis& a = *e.axis;
    EXPECT_EQ(a.Flags(), e.flags);
    EXPECT_EQ(a.Margin(), e.margin);
    EXPECT_EQ(a.TicksCount(), e.ticks);
    EXPECT_EQ(a.Min(), e.min);
    EXPECT_EQ(a.Max(), e.max);
    EXPECT_EQ(a.LineAttr().Visible(), e.line);
    EXPECT_EQ(a.GridAttr().Visible(), e.grid);
    EXPECT_EQ(a.LabelFormat(), "###0.##");
    EXPECT_EQ(a.Plot(), &P());
    // The option set is saved as it was loaded.
    plot::PropertyStore saved;
    a.SaveProperties(saved);
    EXPECT_EQ(saved.GetInt("SFlags"), static_cast<long long>(e.flags));
  }
  EXPECT_EQ(P().LeftAxis().Caption(), "mmHO2");
  EXPECT_TRUE(P().LeftAxis().CaptionShown());
  EXPECT_FALSE(P().LeftAxis().TicksLines());
  EXPECT_TRUE(P().LeftAxis().NoTicksLabel());
  EXPECT_FALSE(P().BottomAxis().TicksAdjusted());
  EXPECT_EQ(P().LeftAxis().GridAttr().Color(), clBlue);
  EXPECT_EQ(P().LeftAxis().GridAttr().Style(), psDot);
  EXPECT_EQ(P().BottomAxis().GridAttr().Style(), psDot);
  EXPECT_EQ(P().BottomAxis().LineAttr().Color(), clBlack);

  EXPECT_EQ(set_.Line().Plot(), &P());
  EXPECT_EQ(set_.Line().LineAttr().Color(), clWhite);
  EXPECT_FALSE(set_.Line().PointAttr().Visible());
  EXPECT_EQ(set_.Line().PointAttr().BorderColor(), clMaroon);
  EXPECT_EQ(set_.Line().PointAttr().Style(), bsClear);
  EXPECT_EQ(set_.Marker().Plot(), &P());
  EXPECT_EQ(set_.Marker().Orientation(), loHorizontal);
  EXPECT_EQ(set_.Marker().WhenDraw(), dmBeforeSeries);
  EXPECT_TRUE(set_.Marker().Visible());
}

TEST(ViewPlotSetupViews, RightAxisLineTellsTheViewsApart) {
  ViewPlotSets sets = MakeViewPlotSets();
  const Tsp_LineAttr& r1 = sets[0]->Plot().RightAxis().LineAttr();
  const Tsp_LineAttr& r2 = sets[1]->Plot().RightAxis().LineAttr();
  const Tsp_LineAttr& r3 = sets[2]->Plot().RightAxis().LineAttr();
  EXPECT_FALSE(r1.Visible());
  EXPECT_TRUE(r2.Visible());
  EXPECT_EQ(r2.Color(), clNavy);
  EXPECT_EQ(r2.Style(), psDot);
  EXPECT_TRUE(r3.Visible());
  EXPECT_EQ(r3.Color(), clBlack);
  EXPECT_EQ(r3.Style(), psSolid);

  // The adapters drive their own plots.
  const auto views = ViewsOf(sets);
  views[1]->AddPoint(1, 2);
  EXPECT_EQ(sets[1]->Line().Count(), 1);
  EXPECT_EQ(sets[0]->Line().Count(), 0);
  views[2]->SetAxisMinMax(ViewAxis::kTime, 0, 10);
  EXPECT_EQ(sets[2]->Plot().BottomAxis().Max(), 10);
}

TEST_F(ViewPlotSetupTest, RenderingShowsFieldGridSeriesAndZeroLine) {
  // A flat trace at 5 across the first half of the time window.
  for (int i = 0; i <= 100; ++i) set_.Line().AddPoint(i * 0.1, 5);
  const QImage img = Render();
  ASSERT_EQ(img.width(), kViewPlotWidth);
  ASSERT_EQ(img.height(), kViewPlotHeight);

  // Margins and the bottom axis's labels leave this field.
  const TRect& f = P().FieldRect();
  EXPECT_EQ(f.left, 9);
  EXPECT_EQ(f.top, 10);
  EXPECT_EQ(f.right, 747);
  EXPECT_EQ(f.bottom, 147);

  Tsp_Axis& left = P().LeftAxis();
  Tsp_Axis& bottom = P().BottomAxis();
  // Between grid lines: the navy field.
  const int gapX = (bottom.TickPixel(14) + bottom.TickPixel(15)) / 2;
  const int gapY = (left.TickPixel(1) + left.TickPixel(2)) / 2;
  EXPECT_EQ(img.pixelColor(gapX, gapY), kNavy);

  // A grid row (value 6): blue dots with the field between them.
  const int gridY = left.ValueToPixel(6);
  int blue = 0, navy = 0;
  for (int x = bottom.ValueToPixel(10.5); x < bottom.ValueToPixel(11.5); ++x) {
    const QColor c = img.pixelColor(x, gridY);
    blue += c == kBlue;
    navy += c == kNavy;
  }
  EXPECT_GT(blue, 10);
  EXPECT_GT(navy, 10);

  // The series where a point lies.
  EXPECT_EQ(img.pixelColor(bottom.ValueToPixel(3.05), left.ValueToPixel(5)), kWhite);
  EXPECT_EQ(img.pixelColor(bottom.ValueToPixel(15.5), left.ValueToPixel(5)), kNavy);

  // The zero line: navy dots with grey between them, over the grid row at 0.
  const int zeroY = left.ValueToPixel(0);
  int grey = 0, zeroNavy = 0, zeroBlue = 0;
  for (int x = f.left + 1; x < f.right - 1; ++x) {
    const QColor c = img.pixelColor(x, zeroY);
    grey += c == kGray;
    zeroNavy += c == kNavy;
    zeroBlue += c == kBlue;
  }
  EXPECT_GT(grey, 300);
  EXPECT_GT(zeroNavy, 300);
  EXPECT_LT(zeroBlue, 25);  // only where the time grid crosses
}

TEST_F(ViewPlotSetupTest, NewPointsRepaintOnlyTheField) {
  Render();
  const long frames = P().FrameRenders();
  const long fields = P().FieldRenders();
  for (int i = 0; i < 50; ++i) set_.Line().AddPoint(i * 0.005, -3);
  EXPECT_TRUE(P().NeedsPaint());
  const QImage img = Render();
  EXPECT_EQ(P().FrameRenders(), frames);
  EXPECT_EQ(P().FieldRenders(), fields + 1);
  EXPECT_EQ(img.pixelColor(P().BottomAxis().ValueToPixel(0.1), P().LeftAxis().ValueToPixel(-3)),
            kWhite);
}

}  // namespace
}  // namespace pulse::window
