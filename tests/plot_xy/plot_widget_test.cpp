// The Qt host: repaint requests coalesce into one paint per refresh, events reach the plot.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <vector>

#include "plot/xy_line.h"
#include "ui/plot_widget.h"

using namespace pulse::plot;

namespace {

TEST(PlotWidget, ManyAppendsOneFieldRenderPerRefresh) {
  Tsp_XYPlot plot;
  plot.SetBufferedDisplay(true);
  Tsp_XYLine line;
  line.SetPlot(&plot);
  pulse::ui::PlotWidget w(&plot);
  w.resize(400, 200);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  QApplication::processEvents();
  EXPECT_EQ(plot.Width(), 400);
  EXPECT_FALSE(plot.NeedsPaint());
  const long frames = plot.FrameRenders(), fields = plot.FieldRenders();

  for (int i = 0; i < 500; ++i) line.AddPoint(i * 0.02, (i % 7) * 1.0);
  EXPECT_TRUE(plot.NeedsPaint());
  EXPECT_EQ(plot.FieldRenders(), fields) << "appends never paint at once";
  QTest::qWait(50);  // at most one refresh period
  EXPECT_FALSE(plot.NeedsPaint());
  EXPECT_EQ(plot.FieldRenders(), fields + 1);
  EXPECT_EQ(plot.FrameRenders(), frames);
  // What the widget shows is the plot's picture.
  const QImage shown = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QImage screen = plot.Screen().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shown.pixel(200, 100), screen.pixel(200, 100));
  EXPECT_EQ(shown.pixel(3, 3), screen.pixel(3, 3));

  // Appends arriving faster than the screen refreshes: at most one render per refresh.
  const long before = plot.FieldRenders();
  QElapsedTimer clock;
  clock.start();
  int appended = 0;
  while (clock.elapsed() < 300) {
    line.AddPoint(appended * 0.001, appended % 5);
    ++appended;
    QApplication::processEvents();
  }
  QTest::qWait(50);
  const long renders = plot.FieldRenders() - before;
  EXPECT_GE(renders, 2);
  EXPECT_LE(renders, 300 / 16 + 3) << appended << " appends";
  EXPECT_GT(appended, renders * 10);
}

TEST(PlotWidget, AppendAfterCursorOnlyUpdateStillRepaints) {
  Tsp_XYPlot plot;
  Tsp_XYLine line;
  line.SetPlot(&plot);
  plot.BottomAxis().SetMinMax(0, 10);
  pulse::ui::PlotWidget w(&plot);
  w.resize(300, 200);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  QTest::qWait(50);
  // The cursor line changes only the shown picture: the host updates without a render.
  const long fields = plot.FieldRenders();
  plot.SetXCursorOn(true);
  plot.SetXCursorVal(5);
  QTest::qWait(50);
  EXPECT_EQ(plot.FieldRenders(), fields);
  const int x = plot.BottomAxis().ValueToPixel(5);
  const QImage shown = w.grab().toImage();
  EXPECT_EQ(shown.pixel(x, 100), plot.Screen().pixel(x, 100));
  // Later appends must still reach the screen.
  line.AddPoint(1, 1);
  line.AddPoint(2, 2);
  QTest::qWait(50);
  EXPECT_EQ(plot.FieldRenders(), fields + 1);
  EXPECT_FALSE(plot.NeedsPaint());
}

TEST(PlotWidget, MouseEventsReachThePlotWithTheirShiftState) {
  pulse::ui::PlotWidget w;
  Tsp_XYPlot& plot = w.Plot();
  w.resize(300, 200);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  QApplication::processEvents();
  QTest::mousePress(&w, Qt::LeftButton, Qt::ShiftModifier, QPoint(100, 80));
  EXPECT_EQ(plot.GetMouseState(), Tsp_XYPlot::MouseState::kZoomPressed);
  QMouseEvent move(QEvent::MouseMove, QPointF(160, 140), w.mapToGlobal(QPointF(160, 140)),
                   Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
  QApplication::sendEvent(&w, &move);
  EXPECT_EQ(plot.GetMouseState(), Tsp_XYPlot::MouseState::kZooming);
  EXPECT_EQ(w.cursor().shape(), Qt::CrossCursor);
  const double expectMin = plot.BottomAxis().PixelToValue(100);
  QTest::mouseRelease(&w, Qt::LeftButton, Qt::ShiftModifier, QPoint(160, 140));
  EXPECT_EQ(plot.GetMouseState(), Tsp_XYPlot::MouseState::kIdle);
  EXPECT_DOUBLE_EQ(plot.BottomAxis().Min(), expectMin);

  int dbl = 0;
  plot.OnDblClick = [&](Tsp_XYPlot&) { ++dbl; };
  QTest::mouseDClick(&w, Qt::LeftButton, Qt::ShiftModifier, QPoint(50, 50));
  EXPECT_EQ(dbl, 1);
  EXPECT_EQ(plot.GetMouseState(), Tsp_XYPlot::MouseState::kIdle);
}

// Back, Forward and other extra buttons are no left button: they start no zoom and reach
// none of the plot's mouse handlers, whatever keys are held.
TEST(PlotWidget, ExtraButtonsAreNotForwarded) {
  pulse::ui::PlotWidget w;
  Tsp_XYPlot& plot = w.Plot();
  w.resize(300, 200);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  QApplication::processEvents();
  int downs = 0, ups = 0, dbl = 0;
  plot.OnMouseDown = [&](Tsp_XYPlot&, TMouseButton, TShiftState, int, int) { ++downs; };
  plot.OnMouseUp = [&](Tsp_XYPlot&, TMouseButton, TShiftState, int, int) { ++ups; };
  plot.OnDblClick = [&](Tsp_XYPlot&) { ++dbl; };
  const double min = plot.BottomAxis().Min(), max = plot.BottomAxis().Max();
  for (Qt::MouseButton b : {Qt::BackButton, Qt::ForwardButton, Qt::ExtraButton3}) {
    SCOPED_TRACE(static_cast<int>(b));
    QTest::mousePress(&w, b, Qt::ShiftModifier, QPoint(100, 80));
    EXPECT_EQ(plot.GetMouseState(), Tsp_XYPlot::MouseState::kIdle);
    QMouseEvent move(QEvent::MouseMove, QPointF(160, 140), w.mapToGlobal(QPointF(160, 140)),
                     Qt::NoButton, b, Qt::ShiftModifier);
    QApplication::sendEvent(&w, &move);
    QTest::mouseRelease(&w, b, Qt::ShiftModifier, QPoint(160, 140));
    QTest::mouseDClick(&w, b, Qt::ShiftModifier, QPoint(50, 50));
    EXPECT_EQ(plot.GetMouseState(), Tsp_XYPlot::MouseState::kIdle);
  }
  EXPECT_EQ(downs, 0);
  EXPECT_EQ(ups, 0);
  EXPECT_EQ(dbl, 0);
  EXPECT_EQ(plot.BottomAxis().Min(), min);
  EXPECT_EQ(plot.BottomAxis().Max(), max);

  // The real buttons still arrive, each as itself.
  std::vector<TMouseButton> pressed;
  plot.OnMouseDown = [&](Tsp_XYPlot&, TMouseButton b, TShiftState, int, int) {
    pressed.push_back(b);
  };
  for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
    QTest::mouseClick(&w, b, Qt::NoModifier, QPoint(100, 80));
  EXPECT_EQ(pressed, (std::vector<TMouseButton>{mbLeft, mbRight, mbMiddle}));
  EXPECT_EQ(ups, 3);
}

// Meta is a key of its own: it reaches the handlers, and Shift+Meta is not the zoom gesture.
TEST(PlotWidget, MetaKeyIsPartOfTheShiftState) {
  pulse::ui::PlotWidget w;
  Tsp_XYPlot& plot = w.Plot();
  w.resize(300, 200);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  QApplication::processEvents();
  TShiftState seen = 0;
  plot.OnMouseDown = [&](Tsp_XYPlot&, TMouseButton, TShiftState s, int, int) { seen = s; };
  QTest::mousePress(&w, Qt::LeftButton, Qt::ShiftModifier | Qt::MetaModifier, QPoint(100, 80));
  EXPECT_EQ(seen, ssShift | ssMeta | ssLeft);
  EXPECT_EQ(plot.GetMouseState(), Tsp_XYPlot::MouseState::kIdle);
  QTest::mouseRelease(&w, Qt::LeftButton, Qt::ShiftModifier | Qt::MetaModifier, QPoint(160, 140));
}

TEST(PlotWidget, ShiftStateBits) {
  EXPECT_EQ(pulse::ui::PlotWidget::ShiftStateOf(Qt::ShiftModifier | Qt::ControlModifier,
                                                Qt::LeftButton | Qt::MiddleButton),
            ssShift | ssCtrl | ssLeft | ssMiddle);
  EXPECT_EQ(pulse::ui::PlotWidget::ShiftStateOf(Qt::AltModifier, Qt::RightButton), ssAlt | ssRight);
  EXPECT_EQ(pulse::ui::PlotWidget::ShiftStateOf(Qt::MetaModifier, Qt::NoButton), ssMeta);
  // Extra buttons held add no button bit, and keypad is no key.
  EXPECT_EQ(
      pulse::ui::PlotWidget::ShiftStateOf(Qt::KeypadModifier, Qt::BackButton | Qt::ForwardButton),
      0);
}

}  // namespace
