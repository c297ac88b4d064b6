#include "ui/plot_widget.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>

#include <cmath>

namespace pulse::ui {

std::optional<plot::TMouseButton> PlotWidget::ButtonOf(Qt::MouseButton b) {
  switch (b) {
    case Qt::LeftButton:
      return plot::mbLeft;
    case Qt::RightButton:
      return plot::mbRight;
    case Qt::MiddleButton:
      return plot::mbMiddle;
    default:
      return std::nullopt;
  }
}

namespace {

QPoint PosOf(const QMouseEvent* e) {
  return e->position().toPoint();
}

// Used when the screen does not say how often it refreshes.
constexpr double kDefaultRefreshHz = 60.0;

}  // namespace

PlotWidget::PlotWidget(plot::Tsp_XYPlot* plot, QWidget* parent) : QWidget(parent), plot_(plot) {
  if (!plot_) {
    own_plot_ = std::make_unique<plot::Tsp_XYPlot>();
    plot_ = own_plot_.get();
  }
  // The plot paints every pixel itself; no background erase, no flicker.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  refresh_timer_.setSingleShot(true);
  connect(&refresh_timer_, &QTimer::timeout, this, [this] { update(); });
  plot_->OnRequestUpdate = [this] { ScheduleUpdate(); };
  plot_->OnSetCursor = [this](plot::TCursor c) { ApplyCursor(c); };
  resize(plot_->Width(), plot_->Height());
  SyncFont();
}

PlotWidget::~PlotWidget() {
  plot_->OnRequestUpdate = nullptr;
  plot_->OnSetCursor = nullptr;
}

plot::TShiftState PlotWidget::ShiftStateOf(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
  plot::TShiftState s = 0;
  if (mods & Qt::ShiftModifier) s |= plot::ssShift;
  if (mods & Qt::AltModifier) s |= plot::ssAlt;
  if (mods & Qt::ControlModifier) s |= plot::ssCtrl;
  if (mods & Qt::MetaModifier) s |= plot::ssMeta;
  if (buttons & Qt::LeftButton) s |= plot::ssLeft;
  if (buttons & Qt::RightButton) s |= plot::ssRight;
  if (buttons & Qt::MiddleButton) s |= plot::ssMiddle;
  return s;
}

void PlotWidget::SyncFont() {
  plot::CanvasFont f = plot_->Font();
  f.face = font();
  plot_->SetFont(f);
}

void PlotWidget::SyncPixelRatio() {
  plot_->SetDevicePixelRatio(devicePixelRatioF());
}

void PlotWidget::ApplyCursor(plot::TCursor c) {
  switch (c) {
    case plot::crDefault:
      unsetCursor();
      break;
    case plot::crCross:
      setCursor(Qt::CrossCursor);
      break;
    case plot::crHandPoint:
      setCursor(Qt::PointingHandCursor);
      break;
    default:
      setCursor(Qt::ArrowCursor);
      break;
  }
}

void PlotWidget::ScheduleUpdate() {
  if (refresh_timer_.isActive()) return;
  const QScreen* s = screen();
  const double hz = s && s->refreshRate() > 1 ? s->refreshRate() : kDefaultRefreshHz;
  const qint64 period = static_cast<qint64>(std::ceil(1000.0 / hz));
  const qint64 since = since_last_paint_.isValid() ? since_last_paint_.elapsed() : period;
  if (since >= period)
    update();
  else
    refresh_timer_.start(static_cast<int>(period - since));
}

void PlotWidget::paintEvent(QPaintEvent* event) {
  since_last_paint_.start();
  SyncPixelRatio();
  if (plot_->NeedsPaint()) plot_->Paint();
  QPainter p(this);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  const QRect r = event->rect();
  const QImage& img = plot_->Screen();
  const qreal dpr = img.devicePixelRatio();
  p.drawImage(r, img, QRectF(r.x() * dpr, r.y() * dpr, r.width() * dpr, r.height() * dpr));
}

void PlotWidget::resizeEvent(QResizeEvent* event) {
  SyncPixelRatio();
  plot_->SetSize(event->size().width(), event->size().height());
  QWidget::resizeEvent(event);
}

void PlotWidget::mousePressEvent(QMouseEvent* e) {
  const std::optional<plot::TMouseButton> button = ButtonOf(e->button());
  if (!button) return QWidget::mousePressEvent(e);  // left to the parent
  const QPoint p = PosOf(e);
  plot_->MouseDown(*button, ShiftStateOf(e->modifiers(), e->buttons()), p.x(), p.y());
}

void PlotWidget::mouseMoveEvent(QMouseEvent* e) {
  const QPoint p = PosOf(e);
  plot_->MouseMove(ShiftStateOf(e->modifiers(), e->buttons()), p.x(), p.y());
}

void PlotWidget::mouseReleaseEvent(QMouseEvent* e) {
  const std::optional<plot::TMouseButton> button = ButtonOf(e->button());
  if (!button) return QWidget::mouseReleaseEvent(e);
  const QPoint p = PosOf(e);
  plot_->MouseUp(*button, ShiftStateOf(e->modifiers(), e->buttons()), p.x(), p.y());
}

void PlotWidget::mouseDoubleClickEvent(QMouseEvent* e) {
  // The second press of a double-click carries the double-click bit, so it starts no zoom.
  const std::optional<plot::TMouseButton> button = ButtonOf(e->button());
  if (!button) return QWidget::mouseDoubleClickEvent(e);
  const QPoint p = PosOf(e);
  plot_->DblClick();
  plot_->MouseDown(
      *button,
      static_cast<plot::TShiftState>(ShiftStateOf(e->modifiers(), e->buttons()) | plot::ssDouble),
      p.x(), p.y());
}

void PlotWidget::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) SyncFont();
  if (event->type() == QEvent::PaletteChange) plot_->SysColorChange();
  QWidget::changeEvent(event);
}

}  // namespace pulse::ui
