// PlotWidget: hosts a Tsp_XYPlot in a Qt widget. It forwards size, font, paint, mouse and
// double-click events to the plot, turns the plot's repaint requests into update() (so they
// coalesce until the next screen refresh), shows the plot's picture and sets the cursor.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

#include "plot/xy_plot.h"

namespace pulse::ui {

class PlotWidget : public QWidget {
  Q_OBJECT

 public:
  // Hosts the given plot (owned elsewhere, e.g. by the window model, and outliving the
  // widget), or an own one.
  explicit PlotWidget(plot::Tsp_XYPlot* plot = nullptr, QWidget* parent = nullptr);
  ~PlotWidget() override;

  plot::Tsp_XYPlot& Plot() { return *plot_; }

  // The plot library's button for a Qt one, or none for buttons the plot has no use for
  // (Back, Forward and other extra buttons): their presses and releases are not forwarded.
  // The print preview maps its mouse through the same two functions.
  static std::optional<plot::TMouseButton> ButtonOf(Qt::MouseButton b);
  // Shift state of the plot library from a Qt mouse event.
  static plot::TShiftState ShiftStateOf(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void SyncFont();
  void SyncPixelRatio();
  void ApplyCursor(plot::TCursor c);
  // Repaint requests are served at most once per screen refresh; the first after a quiet
  // spell at once.
  void ScheduleUpdate();

  std::unique_ptr<plot::Tsp_XYPlot> own_plot_;
  plot::Tsp_XYPlot* plot_;
  QElapsedTimer since_last_paint_;
  QTimer refresh_timer_;
};

}  // namespace pulse::ui
