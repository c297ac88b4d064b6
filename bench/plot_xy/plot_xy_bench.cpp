// Prints: field render time (median of 100) at two plot sizes and up to a million points,
// the cost of an append (on average, and at 1k and 1M stored points), frames per second of
// three scrolled plots showing 150,000 points each, and field renders per second while 750
// appends a second arrive.
#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "bench/plot_xy/live_signal.h"
#include "tests/plot_xy/plot_fixture.h"
#include "ui/plot_widget.h"

using namespace pulse::plot;

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

constexpr int kRenders = 100;
constexpr double kSampleRate = 200.0;  // samples per second per channel
constexpr double kPlayerRate = 250.0;  // samples per second of a recorded session

void FieldRender(int w, int h, int points) {
  Tsp_XYPlot p;
  Tsp_XYLine line;
  Tsp_LineMarker marker;
  pulse::test::ApplyMainWindowSettings(p, &line, &marker);
  p.SetSize(w, h);
  const double span = std::max(20.0, points / kSampleRate);
  p.BottomAxis().SetMinMax(0, span);
  for (int i = 0; i < points; ++i) {
    const double t = i / kSampleRate;
    line.AddPoint(t, pulse::bench::PulseWave(t));
  }
  p.Paint();
  std::vector<double> us;
  for (int i = 0; i < kRenders; ++i) {
    p.InvalidateParts(Part::kField);
    const auto t0 = Clock::now();
    p.Paint();
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
  }
  std::printf("field render %4dx%-4d %6d points: median %8.1f us (min %.1f)\n", w, h, points,
              Median(us), *std::min_element(us.begin(), us.end()));
}

void AppendCost() {
  constexpr int kAppends = 1'000'000;
  std::vector<double> ns;
  for (int round = 0; round < 11; ++round) {
    Tsp_XYPlot p;
    Tsp_XYLine line;
    pulse::test::ApplyMainWindowSettings(p, &line, nullptr);
    int requests = 0;
    p.OnRequestUpdate = [&] { ++requests; };
    const auto t0 = Clock::now();
    for (int i = 0; i < kAppends; ++i) line.AddPoint(i / kSampleRate, (i % 97) * 0.1);
    ns.push_back(std::chrono::duration<double, std::nano>(Clock::now() - t0).count() / kAppends);
  }
  std::printf("append (series on a plot, 1e6 appends, 11 rounds): median %.1f ns per append\n",
              Median(ns));
}

// The cost of one append once the series already holds `stored` points: the next 1000
// appends, timed, on a fresh series each round.
void AppendCostAt(int stored) {
  constexpr int kBatch = 1000;
  std::vector<double> ns;
  for (int round = 0; round < 11; ++round) {
    Tsp_XYPlot p;
    Tsp_XYLine line;
    pulse::test::ApplyMainWindowSettings(p, &line, nullptr);
    p.OnRequestUpdate = [] {};
    for (int i = 0; i < stored; ++i) line.AddPoint(i / kSampleRate, (i % 97) * 0.1);
    const auto t0 = Clock::now();
    for (int i = stored; i < stored + kBatch; ++i) line.AddPoint(i / kSampleRate, (i % 97) * 0.1);
    ns.push_back(std::chrono::duration<double, std::nano>(Clock::now() - t0).count() / kBatch);
  }
  std::printf("append at %7d stored points (next 1000, 11 rounds): median %.1f ns per append\n",
              stored, Median(ns));
}

// A player view: three 781 x 168 plots, each series a 20-minute session at 250 Hz, showing a
// 10-minute window (150,000 points). Every frame scrolls all three by a second and renders
// them fully (frame and field), as a scrolling view does.
void PlayerScroll() {
  constexpr double kSession = 20 * 60.0, kWindow = 10 * 60.0;
  constexpr int kFrames = 60;
  std::vector<std::unique_ptr<Tsp_XYPlot>> plots;
  std::vector<std::unique_ptr<Tsp_XYLine>> lines;
  for (int k = 0; k < 3; ++k) {
    plots.push_back(std::make_unique<Tsp_XYPlot>());
    lines.push_back(std::make_unique<Tsp_XYLine>());
    pulse::test::ApplyMainWindowSettings(*plots[k], lines[k].get(), nullptr);
    plots[k]->SetSize(781, 168);
    const int n = static_cast<int>(kSession * kPlayerRate);
    for (int i = 0; i < n; ++i) {
      const double t = i / kPlayerRate;
      lines[k]->AddPoint(t, pulse::bench::PulseWave(t + k));
    }
    plots[k]->BottomAxis().SetMinMax(0, kWindow);
    plots[k]->Paint();
  }
  std::vector<double> ms;
  double step = 1.0;
  for (int f = 0; f < kFrames; ++f) {
    // Back and forth, so the window always holds 10 minutes of data.
    if (plots[0]->BottomAxis().Max() + step > kSession || plots[0]->BottomAxis().Min() + step < 0)
      step = -step;
    const auto t0 = Clock::now();
    for (auto& p : plots) {
      p->BottomAxis().MoveRange(step);
      p->Paint();
    }
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  const double med = Median(ms);
  std::printf(
      "player: 3 plots 781x168, 150000 points each, scrolled and fully rendered: "
      "median %.2f ms per frame, %.0f frames/s\n",
      med, 1000.0 / med);
}

// Three hosted plots; a timer delivers 750 appends a second in chunks as the serial reader
// would (one chunk every 4 ms holding one sample for each plot).
void LiveFeed(double seconds) {
  struct View {
    std::unique_ptr<Tsp_XYPlot> plot = std::make_unique<Tsp_XYPlot>();
    Tsp_XYLine line;
    Tsp_LineMarker marker;
    std::unique_ptr<pulse::ui::PlotWidget> widget;
  };
  std::vector<std::unique_ptr<View>> views;
  for (int k = 0; k < 3; ++k) {
    auto v = std::make_unique<View>();
    pulse::test::ApplyMainWindowSettings(*v->plot, &v->line, &v->marker);
    v->widget = std::make_unique<pulse::ui::PlotWidget>(v->plot.get());
    v->widget->resize(781, 168);
    v->widget->show();
    views.push_back(std::move(v));
  }
  QApplication::processEvents();
  std::vector<long> start;
  for (auto& v : views) start.push_back(v->plot->FieldRenders());
  long appends = 0;
  QTimer feed;
  feed.setTimerType(Qt::PreciseTimer);
  QObject::connect(&feed, &QTimer::timeout, [&] {
    const double t = static_cast<double>(appends / 3) / kSampleRate;
    for (auto& v : views) {
      v->line.AddPoint(std::fmod(t, 20.0), pulse::bench::PulseWave(t));
      ++appends;
    }
  });
  QElapsedTimer clock;
  clock.start();
  feed.start(4);
  while (clock.elapsed() < seconds * 1000) QApplication::processEvents(QEventLoop::AllEvents, 5);
  feed.stop();
  const double secs = clock.elapsed() / 1000.0;
  std::printf("live feed %.1f s: %.0f appends/s in total;", secs, appends / secs);
  for (std::size_t k = 0; k < views.size(); ++k)
    std::printf(" plot %zu: %.1f field renders/s,", k + 1,
                (views[k]->plot->FieldRenders() - start[k]) / secs);
  std::printf(" frame renders: %ld\n", views[0]->plot->FrameRenders());
}

}  // namespace

int main(int argc, char** argv) {
  if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setFont(QFont("WenQuanYi Micro Hei", 9));
  for (int n : {800, 4000, 100000, 1000000}) FieldRender(781, 168, n);
  for (int n : {800, 4000, 100000}) FieldRender(1600, 800, n);
  AppendCost();
  AppendCostAt(1000);
  AppendCostAt(1000000);
  PlayerScroll();
  LiveFeed(3.0);
  return 0;
}
