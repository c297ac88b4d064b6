// TMFPrintDlg: the print preview of a plot. Shows the printer page, the plot as a vector
// picture placed on it (movable and resizable through TMover), a choice between keeping the
// plot's proportions and filling the printable area, the printer choice, and prints.
// One instance lives for the whole run and keeps its layout between print commands.
#pragma once

#include <QDialog>
#include <QPicture>
#include <QPrinter>
#include <QString>
#include <QStringList>

#include <memory>

#include "plot/mover.h"
#include "plot/print_geometry.h"

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

namespace pulse::plot {
class Tsp_XYPlot;
}  // namespace pulse::plot

namespace pulse::ui {

class PageShapeWidget;
class PlotImageWidget;
class OutlineOverlay;

class TMFPrintDlg : public QDialog {
  Q_OBJECT

 public:
  // Name of the always available target that writes a PDF file.
  static const QString kPdfTarget;

  explicit TMFPrintDlg(QWidget* parent = nullptr);
  ~TMFPrintDlg() override;

  // The print command: preview, then print on OK. Throws std::runtime_error with "There is no
  // any printer" when no target exists, and with a reason when the print job cannot start.
  void PrintPlot(plot::Tsp_XYPlot& plot);

  // Printers of the platform, then the PDF target unless it was switched off.
  QStringList PrinterTargets() const;
  void SetPdfTargetEnabled(bool on) { pdf_enabled_ = on; }
  // Selects the PDF target writing to this file (empty: asked for at print time).
  void SelectPdfTarget(const QString& fileName);
  QString PrinterName() const;
  QPrinter& Printer() { return printer_; }

  // The steps of PrintPlot, for callers that run the dialog themselves.
  // Prepare: checks for a printer, sizes, lays out and renders the preview.
  void Prepare(plot::Tsp_XYPlot& plot);
  // Print: stretches the picture into the destination rectangle of the printer page.
  void Print();

  const plot::PrintLayoutState& State() const { return state_; }
  const QPicture& Picture() const { return picture_; }
  plot::PrintSize PictureSize() const { return picture_size_; }
  plot::TMover& Mover() { return *mover_; }
  // Printer page (printable area) in device pixels.
  QSize PrinterPageSize() const;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void BuildControls();
  void LayOutPage();
  void ApplyPage();
  void ApplyPlacement();
  void RenderPicture();
  void AspectSizeChanged(int index);
  void SetPrinterClick();
  bool EnsurePdfFileName();
  plot::Rect OuterRect() const;

  QFrame* page_outer_ = nullptr;
  pulse::ui::PageShapeWidget* page_shape_ = nullptr;
  pulse::ui::PlotImageWidget* plot_image_ = nullptr;
  pulse::ui::OutlineOverlay* outline_ = nullptr;
  QLabel* label1_ = nullptr;
  QComboBox* cbAspectSize_ = nullptr;
  QPushButton* btSetPrinter_ = nullptr;
  QPushButton* btPrint_ = nullptr;
  QPushButton* btClose_ = nullptr;
  QLabel* label2_ = nullptr;

  // Screen resolution: the picture's fonts are sized for the screen and replay at the
  // device's resolution, so a high-resolution page would blow its text up; the output stays vector.
  QPrinter printer_{QPrinter::ScreenResolution};
  bool pdf_enabled_ = true;
  plot::PrintLayoutState state_;
  plot::Tsp_XYPlot* plot_ = nullptr;  // only while a print command runs
  QPicture picture_;
  plot::PrintSize picture_size_;
  std::unique_ptr<plot::TMover> mover_;
};

}  // namespace pulse::ui
