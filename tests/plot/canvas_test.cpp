// Pixel rules of the canvas and of the axes drawn through it, checked by probing a QImage.
#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "plot/axis_frame.h"
#include "plot/canvas.h"

using namespace pulse::plot;

namespace {

using pulse::plot::Canvas;
using pulse::plot::Point;
using pulse::plot::Rect;

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000;

QImage WhiteImage(int w = 40, int h = 30) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(Qt::white);
  return img;
}

TEST(CanvasColors, ValueLayoutAndSystemColours) {
  const QColor c = pulse::plot::ToQColor(0x00336699);  // BB=33 GG=66 RR=99
  EXPECT_EQ(c.red(), 0x99);
  EXPECT_EQ(c.green(), 0x66);
  EXPECT_EQ(c.blue(), 0x33);
  EXPECT_EQ(pulse::plot::ColorToRgb(clBtnFace), pulse::plot::RgbColor(240, 240, 240));
  EXPECT_EQ(pulse::plot::ColorToRgb(clBtnHighlight), 0xFFFFFFu);
  EXPECT_NE(pulse::plot::ColorToRgb(clBtnShadow), pulse::plot::ColorToRgb(clBtnFace));
  EXPECT_EQ(pulse::plot::ToQColor(clNavy), QColor(0, 0, 128));
}

TEST(CanvasLines, EndPixelIsLeftOut) {
  QImage img = WhiteImage();
  {
    Canvas c(&img);
    c.Line(2, 2, 8, 2);
    c.Line(20, 5, 20, 1);  // upward: row 1 is the end
    c.MoveTo(2, 10);
    c.LineTo(6, 10);
    c.LineTo(6, 14);
  }
  EXPECT_EQ(img.pixel(2, 2), kBlack);
  EXPECT_EQ(img.pixel(7, 2), kBlack);
  EXPECT_EQ(img.pixel(8, 2), kWhite);
  EXPECT_EQ(img.pixel(20, 5), kBlack);
  EXPECT_EQ(img.pixel(20, 2), kBlack);
  EXPECT_EQ(img.pixel(20, 1), kWhite);
  EXPECT_EQ(img.pixel(6, 10), kBlack);  // the corner, painted by the second segment
  EXPECT_EQ(img.pixel(6, 13), kBlack);
  EXPECT_EQ(img.pixel(6, 14), kWhite);
}

TEST(CanvasLines, DottedPenIsOneOnOneOffWithBrushColouredGaps) {
  QImage img = WhiteImage();
  img.fill(QColor(0, 0, 128));
  const QRgb navy = 0xFF000080;
  {
    Canvas c(&img);
    c.Pen().Style = psDot;
    c.Brush().Style = bsClear;
    c.Line(0, 3, 20, 3);
    c.Brush().Style = bsSolid;
    c.Brush().Color = clYellow;
    const Point frame[] = {{20, 10}, {0, 10}, {0, 20}};  // backwards, then down
    c.Polyline(frame);
  }
  for (int x = 0; x < 21; ++x)
    EXPECT_EQ(img.pixel(x, 3), x % 2 == 0 && x < 20 ? kBlack : navy) << "x=" << x;
  for (int x = 1; x <= 20; ++x)
    EXPECT_EQ(img.pixel(x, 10), x % 2 == 0 ? kBlack : 0xFFFFFF00) << "x=" << x;
  for (int y = 10; y < 20; ++y) EXPECT_NE(img.pixel(0, y), navy) << "y=" << y;
  EXPECT_EQ(img.pixel(0, 20), navy);
}

// Lines from the centre in every octant (both sides of each diagonal) and along both axes
// both ways: the start pixel is painted, the end pixel is not, and a solid line of width w
// paints exactly w * max(|dx|, |dy|) pixels, so no pixel is painted twice and exclusive-or
// restores.
TEST(CanvasLines, StartPixelInEveryDirection) {
  const Point deltas[] = {{12, 5},   {5, 12},  {-5, 12},  {-12, 5},   {-12, -5}, {-5, -12},
                          {5, -12},  {12, -5}, {-12, 30}, {-30, -30}, {30, 30},  {-30, 30},
                          {30, -30}, {9, 0},   {-9, 0},   {0, 9},     {0, -9}};
  constexpr int kC = 35;  // centre of the test picture
  const std::pair<TPenStyle, int> pens[] = {
      {psSolid, 1}, {psSolid, 2}, {psSolid, 3}, {psDot, 1}, {psDash, 1}};
  for (const auto& [style, width] : pens) {
    for (const Point d : deltas) {
      QImage img = WhiteImage(2 * kC + 1, 2 * kC + 1);
      {
        Canvas c(&img);
        c.Pen().Style = style;
        c.Pen().Width = width;
        c.Brush().Style = bsClear;
        c.Line(kC, kC, kC + d.x, kC + d.y);
      }
      const std::string what = "style " + std::to_string(style) + " width " +
                               std::to_string(width) + " by (" + std::to_string(d.x) + ", " +
                               std::to_string(d.y) + ")";
      EXPECT_EQ(img.pixel(kC, kC), kBlack) << what;
      EXPECT_EQ(img.pixel(kC + d.x, kC + d.y), kWhite) << what;
      if (style != psSolid) continue;
      int inked = 0;
      for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) inked += img.pixel(x, y) != kWhite;
      EXPECT_EQ(inked, width * std::max(std::abs(d.x), std::abs(d.y))) << what;
      // The pixel before the end is painted: the line reaches its end.
      const int steps = std::max(std::abs(d.x), std::abs(d.y));
      const int bx = kC + static_cast<int>(std::lround(d.x * (steps - 1.0) / steps));
      const int by = kC + static_cast<int>(std::lround(d.y * (steps - 1.0) / steps));
      EXPECT_EQ(img.pixel(bx, by), kBlack) << what;
    }
  }
  // The same lines as one exclusive-or polyline drawn twice restore the picture.
  QImage img = WhiteImage(2 * kC + 1, 2 * kC + 1);
  img.fill(QColor(0, 0, 128));
  const QImage before = img;
  std::vector<Point> star;
  for (const Point d : deltas) {
    star.push_back({kC, kC});
    star.push_back({kC + d.x, kC + d.y});
  }
  for (int pass = 0; pass < 2; ++pass) {
    Canvas c(&img);
    c.Pen().mode = pmXor;
    c.Pen().Color = clWhite;
    c.Pen().Width = 3;
    c.Polyline(star);
    c.Painter().end();
    if (pass == 0) {
      EXPECT_NE(img, before);
    }
  }
  EXPECT_EQ(img, before);
}

TEST(CanvasAreas, RectangleAndFillCoverage) {
  QImage img = WhiteImage();
  {
    Canvas c(&img);
    c.Brush().Color = clRed;
    c.Rectangle(2, 2, 8, 6);  // outline on columns 2..7, rows 2..5
    c.FillRect(Rect{20, 2, 24, 5});
    c.Brush().Style = bsClear;
    c.Pen().Color = clBlue;
    c.Rectangle(10, 10, 11, 11);  // a single pixel
  }
  EXPECT_EQ(img.pixel(2, 2), kBlack);
  EXPECT_EQ(img.pixel(7, 5), kBlack);
  EXPECT_EQ(img.pixel(8, 5), kWhite);
  EXPECT_EQ(img.pixel(7, 6), kWhite);
  EXPECT_EQ(img.pixel(4, 4), 0xFFFF0000);  // brush inside
  EXPECT_EQ(img.pixel(20, 2), 0xFFFF0000);
  EXPECT_EQ(img.pixel(23, 4), 0xFFFF0000);
  EXPECT_EQ(img.pixel(24, 4), kWhite);
  EXPECT_EQ(img.pixel(23, 5), kWhite);
  EXPECT_EQ(img.pixel(10, 10), 0xFF0000FF);
  EXPECT_EQ(img.pixel(11, 10), kWhite);
  EXPECT_EQ(img.pixel(10, 11), kWhite);
}

TEST(CanvasAreas, EllipseAndPolygonStayInsideTheirBox) {
  QImage img = WhiteImage();
  {
    Canvas c(&img);
    c.Brush().Color = clBlack;
    c.Ellipse(2, 2, 9, 9);
    const Point tri[] = {{20, 2}, {26, 8}, {14, 8}};
    c.Polygon(tri);
  }
  EXPECT_EQ(img.pixel(5, 5), kBlack);
  EXPECT_EQ(img.pixel(5, 2), kBlack);
  EXPECT_EQ(img.pixel(5, 8), kBlack);
  EXPECT_EQ(img.pixel(5, 9), kWhite);
  EXPECT_EQ(img.pixel(9, 5), kWhite);
  EXPECT_EQ(img.pixel(2, 2), kWhite);  // corner of the box
  EXPECT_EQ(img.pixel(20, 6), kBlack);
  EXPECT_EQ(img.pixel(14, 3), kWhite);
}

// Point marks of size 5 around (20, 20): halves 2 left/top and 3 right/bottom, and the shapes
// come out symmetric about the centre.
TEST(CanvasAreas, MarkShapesAreSymmetric) {
  QImage img = WhiteImage();
  {
    Canvas c(&img);
    c.Brush().Style = bsClear;
    c.Ellipse(18, 18, 23, 23);
    const Point diamond[] = {{30, 18}, {32, 20}, {30, 22}, {28, 20}};
    c.Polygon(diamond);
  }
  for (int d = 0; d <= 3; ++d) {
    EXPECT_EQ(img.pixel(20 - d, 20), img.pixel(20 + d, 20)) << d;
    EXPECT_EQ(img.pixel(20, 20 - d), img.pixel(20, 20 + d)) << d;
    EXPECT_EQ(img.pixel(30 - d, 20), img.pixel(30 + d, 20)) << d;
    EXPECT_EQ(img.pixel(30, 20 - d), img.pixel(30, 20 + d)) << d;
  }
  EXPECT_EQ(img.pixel(18, 20), kBlack);
  EXPECT_EQ(img.pixel(23, 20), kWhite);
  EXPECT_EQ(img.pixel(28, 20), kBlack);
  EXPECT_EQ(img.pixel(32, 20), kBlack);
  EXPECT_EQ(img.pixel(30, 20), kWhite);  // hollow
}

TEST(CanvasModes, XorAndInvertingModesRestoreWhenDrawnTwice) {
  QImage img = WhiteImage();
  {
    Canvas c(&img);
    c.Brush().Color = clNavy;
    c.FillRect(Rect{0, 0, 20, 30});
  }
  const QImage before = img;
  const std::vector<Point> band = {{3, 3}, {30, 3}, {30, 20}, {3, 20}, {3, 3}};
  for (TPenMode mode : {pmXor, pmNotXor, pmNot}) {
    Canvas c(&img);
    c.Pen().mode = mode;
    c.Pen().Color = clWhite;
    c.Pen().Style = mode == pmNotXor ? psDot : psSolid;
    c.Polyline(band);
    c.Painter().end();
    if (mode == pmXor) {
      EXPECT_EQ(img.pixel(10, 3), 0xFFFFFF7F);  // navy xor white
      EXPECT_EQ(img.pixel(25, 3), kBlack);      // white xor white
      EXPECT_EQ(img.pixel(3, 3), 0xFFFFFF7F);   // the closing corner is painted once
    }
    if (mode == pmNot) {
      EXPECT_EQ(img.pixel(25, 20), kBlack);
    }
    Canvas again(&img);
    again.Pen() = c.Pen();
    again.Polyline(band);
    again.Painter().end();
    EXPECT_EQ(img, before) << "mode " << mode;
  }
}

TEST(CanvasClip, IntersectAndRestore) {
  QImage img = WhiteImage();
  {
    Canvas c(&img);
    const pulse::plot::ClipState saved = c.SaveClip();
    c.IntersectClipRect(Rect{5, 5, 10, 10});
    c.Line(0, 7, 20, 7);
    c.RestoreClip(saved);
    c.Line(0, 12, 20, 12);
  }
  EXPECT_EQ(img.pixel(4, 7), kWhite);
  EXPECT_EQ(img.pixel(5, 7), kBlack);
  EXPECT_EQ(img.pixel(9, 7), kBlack);
  EXPECT_EQ(img.pixel(10, 7), kWhite);
  EXPECT_EQ(img.pixel(0, 12), kBlack);
  EXPECT_EQ(img.pixel(19, 12), kBlack);
}

// Bounding box of the pixels that are not white.
QRect InkBox(const QImage& img) {
  QRect box;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (img.pixel(x, y) != kWhite) box |= QRect(x, y, 1, 1);
  return box;
}

TEST(CanvasText, HorizontalAndUpwardText) {
  QImage img = WhiteImage(120, 120);
  int width = 0, height = 0;
  {
    Canvas c(&img);
    c.Brush().Style = bsClear;
    c.SetFont(pulse::plot::MakeVerticalFont(c.Font()));
    width = c.TextWidth("压力 kPa");
    height = c.TextHeight("8");
    c.TextOut(40, 100, "压力 kPa");
  }
  ASSERT_GT(width, height);
  const QRect ink = InkBox(img);
  ASSERT_FALSE(ink.isEmpty());
  // Runs upward from the start point; the cell lies right of it.
  EXPECT_GT(ink.height(), ink.width());
  EXPECT_GE(ink.left(), 40);
  EXPECT_LE(ink.right(), 40 + height);
  EXPECT_LE(ink.bottom(), 100);
  EXPECT_GE(ink.top(), 100 - width - 1);

  QImage flat = WhiteImage(120, 40);
  {
    Canvas c(&flat);
    c.Brush().Color = clYellow;  // a solid brush fills the text cell
    c.TextOut(10, 10, "8");
    EXPECT_EQ(c.FontHeight(), 12);  // 9 pt at 96 dpi
  }
  EXPECT_EQ(flat.pixel(10, 10), 0xFFFFFF00);
}

TEST(AxisDrawing, MainWindowFrameAndGrid) {
  Tsp_Axis left(pulse::plot::kLeftAxisFlags), right(pulse::plot::kRightAxisFlags),
      bottom(pulse::plot::kBottomAxisFlags), top(pulse::plot::kTopAxisFlags);
  pulse::plot::PlotAxes axes{left, right, bottom, top};
  left.SetMinMax(-10, 10);
  left.SetTicksCount(11);
  left.GridAttr().SetVisible(true);
  bottom.SetMinMax(0, 20);
  bottom.SetTicksCount(21);
  bottom.GridAttr().SetVisible(true);
  bottom.SetCaption("t (s)");
  bottom.SetMargin(20);  // room for the caption below the labels

  QImage img = WhiteImage(781, 168);
  Rect f;
  {
    Canvas c(&img);
    c.SetFont(c.Font());
    const int cw = c.TextWidth("0");
    f = pulse::plot::LayoutAxes(axes, cw, c.FontHeight(), 781, 168);
    const pulse::plot::CanvasFont font = c.Font();
    pulse::plot::DrawAxes(c, axes, f, 781, 168, font, pulse::plot::MakeVerticalFont(font));
    const pulse::plot::ClipState clip = c.SaveClip();
    c.IntersectClipRect(f);
    pulse::plot::DrawGrids(c, axes, f);
    c.RestoreClip(clip);
  }
  // Axis lines just outside the field, meeting at the corners.
  EXPECT_EQ(img.pixel(f.left - 1, (f.top + f.bottom) / 2), kBlack);
  EXPECT_EQ(img.pixel(f.right, (f.top + f.bottom) / 2), kBlack);
  EXPECT_EQ(img.pixel((f.left + f.right) / 2, f.bottom), kBlack);
  EXPECT_EQ(img.pixel((f.left + f.right) / 2, f.top - 1), kBlack);
  EXPECT_EQ(img.pixel(f.left - 1, f.bottom), kBlack);
  EXPECT_EQ(img.pixel(f.right, f.top - 1), kBlack);
  EXPECT_EQ(img.pixel(f.left - 1, f.top - 1), kBlack);
  EXPECT_EQ(img.pixel(f.right, f.bottom), kBlack);
  // Left tick marks: from x - 1 outward, 4 pixels.
  const int p0 = left.TickPixel(5);
  EXPECT_EQ(img.pixel(f.left - 2, p0), kBlack);
  EXPECT_EQ(img.pixel(f.left - 5, p0), kBlack);
  // Grid: gray on interior ticks, none on the field's first and last rows and columns.
  const QRgb gray = 0xFF808080;
  EXPECT_EQ(img.pixel(f.left + 5, p0), gray);
  const int x5 = bottom.TickPixel(5);
  EXPECT_EQ(img.pixel(x5, f.top + 3), gray);
  EXPECT_EQ(img.pixel(x5, f.bottom), kBlack);  // the axis line, not the grid
  EXPECT_EQ(img.pixel(f.left + 5, f.top), kWhite);
  EXPECT_EQ(img.pixel(f.left + 5, f.bottom - 1), kWhite);
  EXPECT_EQ(img.pixel(f.left, f.top + 5), kWhite);
  // Labels below the bottom axis and the caption at the bottom margin.
  const QRect below = InkBox(img.copy(f.left, f.bottom + 6, f.Width(), 20));
  EXPECT_FALSE(below.isEmpty());
  const QRect caption = InkBox(img.copy(0, 168 - bottom.Margin(), 781, bottom.Margin()));
  ASSERT_FALSE(caption.isEmpty());
  EXPECT_NEAR(caption.center().x(), (f.left + f.right) / 2, 3);
}

}  // namespace
