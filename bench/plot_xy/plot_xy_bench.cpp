// Prints: field render time (median of 100) at two plot sizes and three point counts, the
// cost of an append, and field renders per second while 750 appends a second arrive.
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

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

constexpr int kRenders = 100;
constexpr double kSampleRate = 200.0;  // samples per second per channel

void FieldRender(int w, int h, int points) {
  Tsp_XYPlot p;
  Tsp_XYLine line;
  Tsp_LineMarker marker;
  plot_test::ApplyMainWindowSettings(p, &line, &marker);
  p.SetSize(w, h);
  const double span = std::max(20.0, points / kSampleRate);
  p.BottomAxis().SetMinMax(0, span);
  for (int i = 0; i < points; ++i) {
    const double t = i / kSampleRate;
    line.AddPoint(t, plot_bench::PulseWave(t));
  }
  p.Paint();
  std::vector<double> us;
  for (int i = 0; i < kRenders; ++i) {
    p.InvalidateParts(false, false, true);
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
    plot_test::ApplyMainWindowSettings(p, &line, nullptr);
    int requests = 0;
    p.OnRequestUpdate = [&] { ++requests; };
    const auto t0 = Clock::now();
    for (int i = 0; i < kAppends; ++i) line.AddPoint(i / kSampleRate, (i % 97) * 0.1);
    ns.push_back(std::chrono::duration<double, std::nano>(Clock::now() - t0).count() / kAppends);
  }
  std::printf("append (series on a plot, 1e6 appends, 11 rounds): median %.1f ns per append\n",
              Median(ns));
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
    plot_test::ApplyMainWindowSettings(*v->plot, &v->line, &v->marker);
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
      v->line.AddPoint(std::fmod(t, 20.0), plot_bench::PulseWave(t));
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
  for (auto [w, h] : {std::pair{781, 168}, std::pair{1600, 800}})
    for (int n : {800, 4000, 100000}) FieldRender(w, h, n);
  AppendCost();
  LiveFeed(3.0);
  return 0;
}
