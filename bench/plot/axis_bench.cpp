// Cost of a range change with its ticks, of a shift, of measuring labels for the layout and
// of drawing the four axes of a main-window plot (781 x 168) on an off-screen image.
//
//   QT_QPA_PLATFORM=offscreen plot_axis_bench [--benchmark_repetitions=N]
#include <benchmark/benchmark.h>

#include <QFont>
#include <QGuiApplication>
#include <QImage>

#include "plot/axis.h"
#include "plot/axis_frame.h"
#include "plot/canvas.h"

using namespace pulse::plot;

namespace {

constexpr int kPlotWidth = 781;
constexpr int kPlotHeight = 168;

// The axes of one waveform view as the main window sets them up.
struct MainWindowAxes {
  MainWindowAxes() {
    left.SetNoTicksLabel(true);
    left.SetTicksLines(false);
    left.SetMargin(5);
    left.SetTicksCount(11);
    left.GridAttr().SetVisible(true);
    right.SetTicksLines(true);
    right.SetNoTicksLabel(false);
    right.SetMinMax(-10, 10);
    right.SetTicksCount(11);
    bottom.SetTicksAdjusted(false);
    bottom.SetMargin(3);
    bottom.SetMinMax(0, 20);
    bottom.SetTicksCount(21);
    bottom.GridAttr().SetVisible(true);
  }
  Tsp_Axis left{pulse::plot::kLeftAxisFlags}, right{pulse::plot::kRightAxisFlags},
      bottom{pulse::plot::kBottomAxisFlags}, top{pulse::plot::kTopAxisFlags};
  pulse::plot::PlotAxes axes{left, right, bottom, top};
};

void RangeChangeWithTicks(benchmark::State& state) {
  Tsp_Axis axis(pulse::plot::kBottomAxisFlags);
  axis.SetTicksCount(static_cast<int>(state.range(0)));
  axis.SetLinePos(9, 147, 737);
  double t = 0;
  for (auto _ : state) {
    // A live time axis: the window slides on, its width varies a little.
    t += 0.37;
    axis.SetMinMax(t, t + 20 + (static_cast<int>(t) % 7));
    benchmark::DoNotOptimize(axis.TickPixel(0));
  }
}
BENCHMARK(RangeChangeWithTicks)->Arg(5)->Arg(11)->Arg(21)->Unit(benchmark::kMicrosecond);

void ShiftKeepingGrid(benchmark::State& state) {
  Tsp_Axis axis(pulse::plot::kBottomAxisFlags);
  axis.SetTicksCount(21);
  axis.SetMinMax(0, 20);
  axis.SetLinePos(9, 147, 737);
  double dv = 0.05;
  for (auto _ : state) {
    axis.MoveRange(dv);
    dv = -dv * 1.01;
    if (dv > 1 || dv < -1) dv = 0.05;
    benchmark::DoNotOptimize(axis.TickPixel(0));
  }
}
BENCHMARK(ShiftKeepingGrid)->Unit(benchmark::kMicrosecond);

void LayoutFourAxes(benchmark::State& state) {
  MainWindowAxes m;
  for (auto _ : state)
    benchmark::DoNotOptimize(pulse::plot::LayoutAxes(m.axes, 8, 12, kPlotWidth, kPlotHeight));
}
BENCHMARK(LayoutFourAxes)->Unit(benchmark::kMicrosecond);

void DrawFourAxes(benchmark::State& state) {
  MainWindowAxes m;
  QImage image(kPlotWidth, kPlotHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  pulse::plot::Rect field;
  pulse::plot::CanvasFont font;
  {
    pulse::plot::Canvas c(&image);
    font = c.Font();
    field =
        pulse::plot::LayoutAxes(m.axes, c.TextWidth("0"), c.FontHeight(), kPlotWidth, kPlotHeight);
  }
  const pulse::plot::CanvasFont vertical = pulse::plot::MakeVerticalFont(font);
  for (auto _ : state) {
    // One frame step: a painter on the image, lines, ticks, labels, then the clipped grid.
    pulse::plot::Canvas c(&image);
    pulse::plot::DrawAxes(c, m.axes, field, kPlotWidth, kPlotHeight, font, vertical);
    const pulse::plot::ClipState clip = c.SaveClip();
    c.IntersectClipRect(field);
    pulse::plot::DrawGrids(c, m.axes, field);
    c.RestoreClip(clip);
  }
}
BENCHMARK(DrawFourAxes)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QGuiApplication::setFont(QFont("WenQuanYi Micro Hei", 9));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
