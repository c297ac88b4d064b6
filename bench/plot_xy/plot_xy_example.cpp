// Renders a plot with the main window's settings (navy field, dotted grid, white line, dotted
// zero marker) offscreen and saves it as a PNG: plot_xy_example [file.png]
#include <QApplication>
#include <QFont>
#include <QImage>

#include <cstdio>

#include "bench/plot_xy/live_signal.h"
#include "tests/plot_xy/plot_fixture.h"

using namespace pulse::plot;

int main(int argc, char** argv) {
  if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setFont(QFont("WenQuanYi Micro Hei", 9));
  const char* out = argc > 1 ? argv[1] : "plot-example.png";
  Tsp_XYPlot p;
  pulse::plot::CanvasFont f = p.Font();
  f.face = QApplication::font();
  p.SetFont(f);
  Tsp_XYLine line;
  Tsp_LineMarker marker;
  pulse::test::ApplyMainWindowSettings(p, &line, &marker);
  p.SetSize(781, 168);
  // A sweep that has filled two thirds of the 20 s window at 200 samples per second.
  for (int i = 0; i < 2700; ++i) line.AddPoint(i / 200.0, pulse::bench::PulseWave(i / 200.0));
  p.Paint();
  p.Paint();  // the first layout measures with the mappings before it
  if (!p.Screen().save(QString::fromLocal8Bit(out))) {
    std::fprintf(stderr, "cannot write %s\n", out);
    return 1;
  }
  std::printf("wrote %s\n", out);
  return 0;
}
