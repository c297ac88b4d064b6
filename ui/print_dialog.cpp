#include "ui/print_dialog.h"

#include "ui/plot_widget.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>

#include <functional>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "plot/canvas.h"
#include "plot/xy_plot.h"

namespace pulse::ui {

namespace {

// Client area and the places of the controls.
constexpr int kClientWidth = 496;
constexpr int kClientHeight = 369;
const QRect kPageOuterRect{0, 0, 370, 369};
const QPoint kLabel1Pos{392, 24};
const QPoint kAspectSizePos{392, 40};
const QPoint kSetPrinterPos{392, 80};
const QPoint kPrintPos{392, 120};
const QPoint kClosePos{392, 160};
const QPoint kLabel2Pos{376, 208};
// Width of the column of controls right of the page; keeps 15 pixels to the dialog's edge.
constexpr int kControlWidth = 89;
constexpr int kButtonHeight = 25;
constexpr int kLabel2Width = kClientWidth - 376 - 8;
constexpr int kLabel2Height = 140;

constexpr const char* kNoPrinter = "There is no any printer";

QRect ToQRect(const plot::Rect& r) {
  return QRect(r.left, r.top, r.Width(), r.Height());
}
plot::Rect FromQRect(const QRect& r) {
  return plot::Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

Qt::CursorShape ToQtCursor(plot::TCursor c) {
  switch (c) {
    case plot::crSizeWE:
      return Qt::SizeHorCursor;
    case plot::crSizeNS:
      return Qt::SizeVerCursor;
    case plot::crCross:
      return Qt::CrossCursor;
    case plot::crHandPoint:
      return Qt::PointingHandCursor;
    default:
      return Qt::ArrowCursor;
  }
}

}  // namespace

// The printer page: a white sheet with a black edge.
class PageShapeWidget : public QWidget {
 public:
  explicit PageShapeWidget(QWidget* parent) : QWidget(parent) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(0, 0, width() - 1, height() - 1);
  }
};

// Drag outlines over the whole dialog. Each outline is painted by inverting the pixels under
// a dotted line, and toggling the same rectangle twice removes it, as on a screen context.
class OutlineOverlay : public QWidget {
 public:
  explicit OutlineOverlay(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
  }
  void Toggle(const QRect& r) {
    for (auto it = rects_.begin(); it != rects_.end(); ++it) {
      if (*it == r) {
        rects_.erase(it);
        update(r.adjusted(-1, -1, 1, 1));
        return;
      }
    }
    rects_.push_back(r);
    raise();
    update(r.adjusted(-1, -1, 1, 1));
  }
  const std::vector<QRect>& Rects() const { return rects_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (rects_.empty()) return;
    QPainter p(this);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    QPen pen(Qt::white);
    pen.setDashPattern({1, 1});  // a focus outline: every other pixel
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    for (const QRect& r : rects_) p.drawRect(r.adjusted(0, 0, -1, -1));
  }

 private:
  std::vector<QRect> rects_;
};

// The rendered plot, stretched over its bounds; hands its mouse to the mover.
class PlotImageWidget : public QWidget, public plot::TMoverHost {
 public:
  PlotImageWidget(QWidget* parent, OutlineOverlay& overlay, std::function<void()> moved)
      : QWidget(parent), overlay_(overlay), moved_(std::move(moved)) {
    setMouseTracking(true);  // hover decides the resize cursors
  }
  void SetMover(plot::TMover* m) { mover_ = m; }
  void SetPicture(const QPicture* pic, plot::PrintSize size) {
    picture_ = pic;
    size_ = size;
    update();
  }

  plot::Rect ControlBounds() const override { return FromQRect(geometry()); }
  void SetControlBounds(const plot::Rect& r) override {
    setGeometry(ToQRect(r));
    if (moved_) moved_();
  }
  plot::TCursor ControlCursor() const override { return cursor_; }
  void SetControlCursor(plot::TCursor c) override {
    cursor_ = c;
    setCursor(ToQtCursor(c));
  }
  void InvertOutline(const plot::Rect& r) override { overlay_.Toggle(ToQRect(r)); }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (!picture_ || size_.Width <= 0 || size_.height <= 0) return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.scale(static_cast<double>(width()) / size_.Width,
            static_cast<double>(height()) / size_.height);
    p.drawPicture(0, 0, *picture_);
  }
  void mousePressEvent(QMouseEvent* e) override { Press(e, 0); }
  void mouseDoubleClickEvent(QMouseEvent* e) override { Press(e, plot::ssDouble); }
  void mouseMoveEvent(QMouseEvent* e) override {
    if (mover_) {
      const QPoint pt = e->position().toPoint();
      mover_->MouseMove(PlotWidget::ShiftStateOf(e->modifiers(), e->buttons()), pt.x(), pt.y());
    }
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    const std::optional<plot::TMouseButton> button = PlotWidget::ButtonOf(e->button());
    if (!mover_ || !button) return QWidget::mouseReleaseEvent(e);
    const QPoint pt = e->position().toPoint();
    mover_->MouseUp(*button, PlotWidget::ShiftStateOf(e->modifiers(), e->buttons()), pt.x(),
                    pt.y());
  }

 private:
  // Buttons the plot library has no use for (Back, Forward) never start a drag.
  void Press(QMouseEvent* e, plot::TShiftState extra) {
    const std::optional<plot::TMouseButton> button = PlotWidget::ButtonOf(e->button());
    if (!mover_ || !button) return QWidget::mousePressEvent(e);
    const QPoint pt = e->position().toPoint();
    const auto shift = static_cast<plot::TShiftState>(
        PlotWidget::ShiftStateOf(e->modifiers(), e->buttons()) | extra);
    mover_->MouseDown(*button, shift, pt.x(), pt.y());
  }

  OutlineOverlay& overlay_;
  std::function<void()> moved_;
  plot::TMover* mover_ = nullptr;
  const QPicture* picture_ = nullptr;
  plot::PrintSize size_;
  plot::TCursor cursor_ = plot::crDefault;
};

const QString TMFPrintDlg::kPdfTarget = QStringLiteral("PDF file");

TMFPrintDlg::TMFPrintDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QCoreApplication::translate("TMFPrintDlg", "打印..."));
  setFixedSize(kClientWidth, kClientHeight);
  BuildControls();
  mover_ = std::make_unique<plot::TMover>(*plot_image_);
  plot_image_->SetMover(mover_.get());
  // Start on the platform's default printer when there is one, else on the PDF file.
  if (printer_.printerName().isEmpty()) SelectPdfTarget(QString());
  LayOutPage();
}

TMFPrintDlg::~TMFPrintDlg() {
  // The image goes with the dialog's children; the mover must not outlive its handlers.
  plot_image_->SetMover(nullptr);
  mover_.reset();
}

void TMFPrintDlg::BuildControls() {
  page_outer_ = new QFrame(this);
  page_outer_->setObjectName("PageOuter");
  page_outer_->setFrameStyle(QFrame::Box | QFrame::Sunken);
  page_outer_->setGeometry(kPageOuterRect);

  page_shape_ = new pulse::ui::PageShapeWidget(this);
  page_shape_->setObjectName("PageShape");

  outline_ = new pulse::ui::OutlineOverlay(this);
  outline_->setGeometry(rect());

  plot_image_ = new pulse::ui::PlotImageWidget(
      this, *outline_, [this] { state_.SetImage(FromQRect(plot_image_->geometry())); });
  plot_image_->setObjectName("PlotImage");
  outline_->raise();

  label1_ = new QLabel(QCoreApplication::translate("TMFPrintDlg", "打印尺寸"), this);
  label1_->setObjectName("Label1");
  label1_->move(kLabel1Pos);
  label1_->adjustSize();

  cbAspectSize_ = new QComboBox(this);
  cbAspectSize_->setObjectName("cbAspectSize");
  cbAspectSize_->addItems({QCoreApplication::translate("TMFPrintDlg", "正常"),
                           QCoreApplication::translate("TMFPrintDlg", "平铺")});
  cbAspectSize_->setCurrentIndex(0);
  cbAspectSize_->setGeometry(
      QRect(kAspectSizePos, QSize(kControlWidth, cbAspectSize_->sizeHint().height())));
  connect(cbAspectSize_, &QComboBox::currentIndexChanged, this, &TMFPrintDlg::AspectSizeChanged);

  btSetPrinter_ = new QPushButton(QCoreApplication::translate("TMFPrintDlg", "打印机..."), this);
  btSetPrinter_->setObjectName("btSetPrinter");
  btSetPrinter_->setGeometry(QRect(kSetPrinterPos, QSize(kControlWidth, kButtonHeight)));
  btSetPrinter_->setAutoDefault(false);
  connect(btSetPrinter_, &QPushButton::clicked, this, &TMFPrintDlg::SetPrinterClick);

  btPrint_ = new QPushButton(QCoreApplication::translate("TMFPrintDlg", "打印"), this);
  btPrint_->setObjectName("btPrint");
  btPrint_->setGeometry(QRect(kPrintPos, QSize(kControlWidth, kButtonHeight)));
  btPrint_->setDefault(true);
  connect(btPrint_, &QPushButton::clicked, this, &QDialog::accept);

  btClose_ = new QPushButton(QCoreApplication::translate("TMFPrintDlg", "取消"), this);
  btClose_->setObjectName("btClose");
  btClose_->setGeometry(QRect(kClosePos, QSize(kControlWidth, kButtonHeight)));
  btClose_->setAutoDefault(false);
  connect(btClose_, &QPushButton::clicked, this, &QDialog::reject);

  label2_ = new QLabel(
      QStringLiteral("You can drag plot over page. To resize plot place mouse cursor on the "
                     "right or bottom plot bounds. You can change page size & orientation "
                     "in the printer dialog"),
      this);
  label2_->setObjectName("Label2");
  label2_->setWordWrap(true);
  label2_->setStyleSheet("color: white;");
  label2_->setGeometry(QRect(kLabel2Pos, QSize(kLabel2Width, kLabel2Height)));
  label2_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label2_->hide();
}

void TMFPrintDlg::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (QScreen* screen = this->screen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

QStringList TMFPrintDlg::PrinterTargets() const {
  QStringList names = QPrinterInfo::availablePrinterNames();
  if (pdf_enabled_) names.append(kPdfTarget);
  return names;
}

void TMFPrintDlg::SelectPdfTarget(const QString& fileName) {
  printer_.setOutputFormat(QPrinter::PdfFormat);
  printer_.setOutputFileName(fileName);
}

QString TMFPrintDlg::PrinterName() const {
  if (printer_.outputFormat() == QPrinter::PdfFormat) return kPdfTarget;
  return printer_.printerName();
}

QSize TMFPrintDlg::PrinterPageSize() const {
  return printer_.pageLayout().paintRectPixels(printer_.resolution()).size();
}

plot::Rect TMFPrintDlg::OuterRect() const {
  return FromQRect(page_outer_->geometry());
}

void TMFPrintDlg::LayOutPage() {
  const QSize page = PrinterPageSize();
  state_.LayOutPage(OuterRect(), page.width(), page.height());
  ApplyPage();
}

void TMFPrintDlg::ApplyPage() {
  const plot::Rect& shape = state_.Layout().shape;
  mover_->SetLimitRect(shape);
  page_shape_->setGeometry(ToQRect(shape));
}

void TMFPrintDlg::ApplyPlacement() {
  plot_image_->setGeometry(ToQRect(state_.Image()));
}

void TMFPrintDlg::RenderPicture() {
  if (plot_ == nullptr) return;  // between print commands the last picture stays
  const plot::PrintSize size = state_.RenderedSize();
  QPicture picture;
  {
    plot::Canvas canvas(&picture);
    const plot::Tsp_BorderStyle saved = plot_->BorderStyle();
    // The control's frame has no place on paper; put it back whatever happens in between.
    struct RestoreBorder {
      plot::Tsp_XYPlot& plot;
      plot::Tsp_BorderStyle style;
      ~RestoreBorder() { plot.SetBorderStyle(style); }
    } restore{*plot_, saved};
    plot_->SetBorderStyle(plot::bs_None);
    plot_->DrawTo(&canvas, size.Width, size.height);
  }
  picture.setBoundingRect(QRect(0, 0, size.Width, size.height));
  picture_ = picture;
  picture_size_ = size;
  plot_image_->SetPicture(&picture_, picture_size_);
}

void TMFPrintDlg::Prepare(plot::Tsp_XYPlot& plot) {
  // Step 1 of the print command: refuse before anything changes.
  const QStringList targets = PrinterTargets();
  if (targets.isEmpty()) throw std::runtime_error(kNoPrinter);
  const bool onPdf = printer_.outputFormat() == QPrinter::PdfFormat;
  if (onPdf && !pdf_enabled_) {
    printer_.setOutputFormat(QPrinter::NativeFormat);
    printer_.setPrinterName(targets.front());
  } else if (!onPdf && QPrinterInfo::printerInfo(printer_.printerName()).isNull()) {
    // The chosen printer went away: fall back on the first target that remains.
    if (targets.front() == kPdfTarget) {
      SelectPdfTarget(QString());
    } else {
      printer_.setPrinterName(targets.front());
    }
  }
  setWindowTitle(PrinterName());
  plot_ = &plot;

  const bool placeAfresh = state_.SetPlotSize({plot.Width(), plot.Height()});
  if (state_.FirstUse()) {
    printer_.setPageOrientation(plot::OrientationFor(state_.Picture()) ==
                                        plot::PageOrientation::kLandscape
                                    ? QPageLayout::Landscape
                                    : QPageLayout::Portrait);
  }
  if (placeAfresh) {
    const QSize page = PrinterPageSize();
    state_.LayOutAndPlace(OuterRect(), page.width(), page.height());
    ApplyPage();
    ApplyPlacement();
  }
  RenderPicture();
}

void TMFPrintDlg::PrintPlot(plot::Tsp_XYPlot& plot) {
  // The plot is only borrowed for this command; it may be gone by the next one.
  struct Forget {
    plot::Tsp_XYPlot*& plot;
    ~Forget() { plot = nullptr; }
  } forget{plot_};
  Prepare(plot);
  if (exec() != QDialog::Accepted) return;
  Print();
}

bool TMFPrintDlg::EnsurePdfFileName() {
  if (!printer_.outputFileName().isEmpty()) return true;
  QString name =
      QFileDialog::getSaveFileName(this, kPdfTarget, QString(), QStringLiteral("PDF (*.pdf)"));
  if (name.isEmpty()) return false;
  if (!name.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) name += QStringLiteral(".pdf");
  printer_.setOutputFileName(name);
  return true;
}

void TMFPrintDlg::Print() {
  if (printer_.outputFormat() == QPrinter::PdfFormat && !EnsurePdfFileName()) return;
  if (picture_size_.Width <= 0 || picture_size_.height <= 0) return;
  const QSize page = PrinterPageSize();
  const plot::Rect dest =
      plot::DestinationRect(FromQRect(page_shape_->geometry()), FromQRect(plot_image_->geometry()),
                            page.width(), page.height());
  QPainter painter;
  if (!painter.begin(&printer_)) {
    const QString target = printer_.outputFormat() == QPrinter::PdfFormat
                               ? printer_.outputFileName()
                               : printer_.printerName();
    throw std::runtime_error(("Cannot print to " + target).toStdString());
  }
  painter.translate(dest.left, dest.top);
  painter.scale(static_cast<double>(dest.Width()) / picture_size_.Width,
                static_cast<double>(dest.Height()) / picture_size_.height);
  painter.drawPicture(0, 0, picture_);
  painter.end();
}

void TMFPrintDlg::AspectSizeChanged(int index) {
  state_.SetFill(index == 1);
  state_.Place();
  ApplyPlacement();
  RenderPicture();
}

void TMFPrintDlg::SetPrinterClick() {
  const QSize before = PrinterPageSize();
  QPrintDialog dialog(&printer_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  setWindowTitle(PrinterName());
  LayOutPage();
  const QSize after = PrinterPageSize();
  const QRect page = ToQRect(state_.Layout().shape);
  // A page turned round is laid out anew; so is a picture the new page no longer holds.
  const bool turned = after.width() != before.width() && after.height() != before.height();
  if (turned || !page.contains(plot_image_->geometry())) {
    state_.Place();
    ApplyPlacement();
    if (state_.Fill()) RenderPicture();
  }
}

}  // namespace pulse::ui
