// The print preview dialog: its controls, the preview of a real plot, dragging the picture
// with the mouse, and printing to a PDF file checked with the poppler tools.
#include "ui/print_dialog.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <stdexcept>

#include "plot/canvas.h"
#include "plot/xy_line.h"
#include "plot/xy_plot.h"

using namespace pulse::plot;
using pulse::ui::TMFPrintDlg;

namespace {

constexpr TColor kSeriesColor = clRed;

// A plot with labelled axes and a thick red line series at y = 3.3, clear of the grid lines.
struct TestPlot {
  Tsp_XYPlot plot;
  Tsp_XYLine series;
  TestPlot(int w, int h) {
    plot.SetSize(w, h);
    for (Tsp_Axis* a : {&plot.BottomAxis(), &plot.LeftAxis()}) {
      a->SetAutoMin(false);
      a->SetAutoMax(false);
    }
    plot.BottomAxis().SetMinMax(0, 20);
    plot.LeftAxis().SetMinMax(-10, 10);
    plot.BottomAxis().SetCaption("Seconds");
    series.LineAttr().SetColor(kSeriesColor);
    series.LineAttr().SetWidth(3);
    series.PointAttr().SetVisible(false);
    series.SetPlot(&plot);
    series.AddPoint(0, 3.3);
    series.AddPoint(20, 3.3);
  }
  ~TestPlot() { series.SetPlot(nullptr); }
};

template <typename T>
T* Child(QWidget& w, const char* name) {
  T* c = w.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(c, nullptr) << name;
  return c;
}

bool IsSeriesColour(QRgb c) {
  return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80;
}

TEST(PrintDialog, ControlsTextsAndPlaces) {
  TMFPrintDlg dlg;
  EXPECT_EQ(dlg.size(), QSize(496, 369));
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("打印..."));
  EXPECT_EQ(Child<QWidget>(dlg, "PageOuter")->geometry(), QRect(0, 0, 370, 369));
  EXPECT_EQ(Child<QLabel>(dlg, "Label1")->text(), QStringLiteral("打印尺寸"));
  EXPECT_EQ(Child<QLabel>(dlg, "Label1")->pos(), QPoint(392, 24));
  auto* cb = Child<QComboBox>(dlg, "cbAspectSize");
  EXPECT_EQ(cb->pos(), QPoint(392, 40));
  ASSERT_EQ(cb->count(), 2);
  EXPECT_EQ(cb->itemText(0), QStringLiteral("正常"));
  EXPECT_EQ(cb->itemText(1), QStringLiteral("平铺"));
  EXPECT_EQ(cb->currentIndex(), 0);
  EXPECT_EQ(Child<QPushButton>(dlg, "btSetPrinter")->text(), QStringLiteral("打印机..."));
  EXPECT_EQ(Child<QPushButton>(dlg, "btSetPrinter")->pos(), QPoint(392, 80));
  auto* print = Child<QPushButton>(dlg, "btPrint");
  EXPECT_EQ(print->text(), QStringLiteral("打印"));
  EXPECT_EQ(print->pos(), QPoint(392, 120));
  EXPECT_TRUE(print->isDefault());
  EXPECT_EQ(Child<QPushButton>(dlg, "btClose")->text(), QStringLiteral("取消"));
  EXPECT_EQ(Child<QPushButton>(dlg, "btClose")->pos(), QPoint(392, 160));
  auto* l2 = Child<QLabel>(dlg, "Label2");
  EXPECT_EQ(l2->pos(), QPoint(376, 208));
  EXPECT_TRUE(l2->isHidden());
  EXPECT_TRUE(l2->wordWrap());
  // The page is laid out at once, inside the outer area.
  const QRect shape = Child<QWidget>(dlg, "PageShape")->geometry();
  EXPECT_TRUE(QRect(4, 4, 362, 361).contains(shape)) << shape.x() << "," << shape.y();
  EXPECT_TRUE(dlg.PrinterTargets().contains(TMFPrintDlg::kPdfTarget));
}

TEST(PrintDialog, NoTargetAtAllIsAnErrorAndChangesNothing) {
  TMFPrintDlg dlg;
  dlg.SetPdfTargetEnabled(false);
  if (!dlg.PrinterTargets().isEmpty()) GTEST_SKIP() << "this machine has a printer";
  TestPlot p(300, 200);
  try {
    dlg.Prepare(p.plot);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "There is no any printer");
  }
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("打印..."));
  EXPECT_TRUE(dlg.State().FirstUse());
}

TEST(PrintDialog, PreviewOfASmallPlotOnALandscapePage) {
  TMFPrintDlg dlg;
  dlg.SelectPdfTarget(QString());
  TestPlot p(60, 40);
  p.plot.SetBorderStyle(bs_Gutter);
  dlg.Prepare(p.plot);
  EXPECT_EQ(dlg.windowTitle(), TMFPrintDlg::kPdfTarget);
  EXPECT_EQ(dlg.PictureSize(), (pulse::plot::PrintSize{113, 76}));
  EXPECT_EQ(dlg.Printer().pageLayout().orientation(), QPageLayout::Landscape);
  EXPECT_EQ(p.plot.BorderStyle(), bs_Gutter);
  // The image sits on the printable area, inside the page shape.
  const QRect image = Child<QWidget>(dlg, "PlotImage")->geometry();
  const pulse::plot::Rect& printable = dlg.State().Layout().printable;
  EXPECT_EQ(image.left(), printable.left);
  EXPECT_EQ(image.right() + 1, printable.right);  // wide picture: full printable width
  const QRect shape = Child<QWidget>(dlg, "PageShape")->geometry();
  EXPECT_GT(shape.width(), shape.height());

  // The picture was drawn without the gutter: its corner has the control colour.
  QImage img(113, 76, QImage::Format_RGB32);
  img.fill(Qt::white);
  {
    QPainter painter(&img);
    painter.drawPicture(0, 0, dlg.Picture());
  }
  EXPECT_EQ(QColor(img.pixel(0, 0)), pulse::plot::ToQColor(p.plot.Color()));
  EXPECT_EQ(QColor(img.pixel(112, 75)), pulse::plot::ToQColor(p.plot.Color()));
}

TEST(PrintDialog, PreviewShowsThePlotOnTheWhitePage) {
  TMFPrintDlg dlg;
  dlg.SelectPdfTarget(QString());
  TestPlot p(781, 168);
  p.plot.SetFieldColor(clNavy);
  p.plot.SetBorderStyle(bs_Gutter);
  dlg.Prepare(p.plot);
  dlg.show();
  QApplication::processEvents();
  const QImage shot = dlg.grab().toImage();
  // PULSE_SCREENSHOT_DIR=dir keeps the picture for a person to look at.
  const QString dir = qEnvironmentVariable("PULSE_SCREENSHOT_DIR");
  if (!dir.isEmpty()) shot.save(QDir(dir).filePath("print-dialog.png"));

  const QRect shape = Child<QWidget>(dlg, "PageShape")->geometry();
  const QRect image = Child<QWidget>(dlg, "PlotImage")->geometry();
  // Blank paper between the page's edge and the picture, the navy field inside the picture.
  EXPECT_EQ(QColor(shot.pixel(shape.left() + 5, shape.top() + 5)), QColor(Qt::white));
  EXPECT_EQ(shot.pixel(shape.left(), shape.center().y()), qRgb(0, 0, 0));
  const QPoint fieldPoint(image.center().x(), image.top() + image.height() / 4);
  EXPECT_EQ(QColor(shot.pixel(fieldPoint)), pulse::plot::ToQColor(clNavy));
  // The series crosses the middle column of the picture somewhere.
  bool seen = false;
  for (int y = image.top(); y <= image.bottom() && !seen; ++y) {
    seen = IsSeriesColour(shot.pixel(image.center().x(), y));
  }
  EXPECT_TRUE(seen);
}

TEST(PrintDialog, BorderComesBackWhenDrawingFails) {
  TMFPrintDlg dlg;
  dlg.SelectPdfTarget(QString());
  TestPlot p(300, 200);
  p.plot.SetBorderStyle(bs_BoldRect);
  p.plot.OnDrawEnd = [](Tsp_XYPlot&) { throw std::runtime_error("paint failed"); };
  EXPECT_THROW(dlg.Prepare(p.plot), std::runtime_error);
  EXPECT_EQ(p.plot.BorderStyle(), bs_BoldRect);
}

TEST(PrintDialog, FillModeCoversThePrintableArea) {
  TMFPrintDlg dlg;
  dlg.SelectPdfTarget(QString());
  TestPlot p(400, 100);
  dlg.Prepare(p.plot);
  Child<QComboBox>(dlg, "cbAspectSize")->setCurrentIndex(1);
  const pulse::plot::Rect& printable = dlg.State().Layout().printable;
  EXPECT_EQ(Child<QWidget>(dlg, "PlotImage")->geometry(),
            QRect(printable.left, printable.top, printable.Width(), printable.Height()));
  const pulse::plot::PrintSize s = dlg.PictureSize();
  EXPECT_EQ(s.Width, 400);
  EXPECT_NEAR(static_cast<double>(s.Width) / s.height,
              static_cast<double>(printable.Width()) / printable.Height(), 0.01);
}

TEST(PrintDialog, SecondPrintKeepsThePlacementWithinTwoPercent) {
  TMFPrintDlg dlg;
  dlg.SelectPdfTarget(QString());
  TestPlot p(500, 200);
  dlg.Prepare(p.plot);
  dlg.show();
  QWidget* image = Child<QWidget>(dlg, "PlotImage");
  const QRect before = image->geometry();
  // Drag the picture 30 pixels down with the mouse.
  const QPoint grab(before.width() / 2, before.height() / 2);
  QTest::mouseMove(image, grab);
  QTest::mousePress(image, Qt::LeftButton, Qt::NoModifier, grab);
  QTest::mouseMove(image, grab + QPoint(0, 30));
  QTest::mouseRelease(image, Qt::LeftButton, Qt::NoModifier, grab + QPoint(0, 30));
  const QRect dragged = image->geometry();
  EXPECT_EQ(dragged, before.translated(0, 30));

  p.plot.SetSize(505, 200);  // 1 %
  dlg.Prepare(p.plot);
  EXPECT_EQ(image->geometry(), dragged);
  p.plot.SetSize(500, 250);  // 20 %
  dlg.Prepare(p.plot);
  const pulse::plot::Rect fresh =
      pulse::plot::PlacePicture({500, 250}, dlg.State().Layout().printable, false);
  EXPECT_EQ(image->geometry(), QRect(fresh.left, fresh.top, fresh.Width(), fresh.Height()));
}

TEST(PrintDialog, OtherButtonsOrShiftDragLeaveThePicture) {
  TMFPrintDlg dlg;
  dlg.SelectPdfTarget(QString());
  TestPlot p(500, 200);
  dlg.Prepare(p.plot);
  dlg.show();
  QWidget* image = Child<QWidget>(dlg, "PlotImage");
  const QRect before = image->geometry();
  const QPoint grab(40, 20);
  QTest::mousePress(image, Qt::RightButton, Qt::NoModifier, grab);
  QTest::mouseMove(image, grab + QPoint(20, 20));
  QTest::mouseRelease(image, Qt::RightButton, Qt::NoModifier, grab + QPoint(20, 20));
  QTest::mousePress(image, Qt::LeftButton, Qt::ShiftModifier, grab);
  QTest::mouseMove(image, grab + QPoint(20, 20));
  QTest::mouseRelease(image, Qt::LeftButton, Qt::ShiftModifier, grab + QPoint(20, 20));
  EXPECT_EQ(image->geometry(), before);
  // Back and Forward are no left button.
  for (Qt::MouseButton b : {Qt::BackButton, Qt::ForwardButton}) {
    QTest::mousePress(image, b, Qt::NoModifier, grab);
    QTest::mouseMove(image, grab + QPoint(20, 20));
    EXPECT_EQ(dlg.Mover().Mode(), TMover::kIdle);
    QTest::mouseRelease(image, b, Qt::NoModifier, grab + QPoint(20, 20));
  }
  EXPECT_EQ(image->geometry(), before);
  EXPECT_EQ(dlg.Mover().Mode(), TMover::kIdle);
}

// Runs a poppler tool; returns its standard output.
QByteArray RunTool(const QString& program, const QStringList& args) {
  QProcess proc;
  proc.start(program, args);
  EXPECT_TRUE(proc.waitForFinished(60000)) << program.toStdString();
  EXPECT_EQ(proc.exitCode(), 0) << program.toStdString() << ": "
                                << proc.readAllStandardError().toStdString();
  return proc.readAllStandardOutput();
}

TEST(PrintDialog, PrintsThePlotIntoAPdfFile) {
  for (const char* tool : {"pdftotext", "pdftoppm"}) {
    ASSERT_FALSE(QStandardPaths::findExecutable(tool).isEmpty()) << tool << " (poppler-utils)";
  }
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString pdf = dir.filePath("plot.pdf");
  TMFPrintDlg dlg;
  dlg.SelectPdfTarget(pdf);
  TestPlot p(600, 300);
  // Press the dialog's print button once it is up.
  QTimer::singleShot(0, &dlg, [&dlg] { Child<QPushButton>(dlg, "btPrint")->click(); });
  dlg.PrintPlot(p.plot);
  ASSERT_TRUE(QFile::exists(pdf));

  const QString text = QString::fromUtf8(RunTool("pdftotext", {pdf, "-"}));
  for (const char* label : {"Seconds", "20", "-10", "10"}) {
    EXPECT_TRUE(text.contains(QLatin1String(label))) << label << " in: " << text.toStdString();
  }

  // Render at the printer's own resolution, so page pixels are device pixels.
  const int dpi = dlg.Printer().resolution();
  RunTool("pdftoppm",
          {"-r", QString::number(dpi), "-png", "-singlefile", pdf, dir.filePath("page")});
  QImage page(dir.filePath("page.png"));
  ASSERT_FALSE(page.isNull());
  const QRect full = dlg.Printer().pageLayout().fullRectPixels(dpi);
  ASSERT_NEAR(page.width(), full.width(), 2);
  ASSERT_NEAR(page.height(), full.height(), 2);

  // Where the trace lies on paper: its row in the picture, carried through the destination
  // rectangle and the page's printable origin.
  QImage pic(dlg.PictureSize().Width, dlg.PictureSize().height, QImage::Format_RGB32);
  pic.fill(Qt::white);
  {
    QPainter painter(&pic);
    painter.drawPicture(0, 0, dlg.Picture());
  }
  int picRow = -1;
  for (int y = 0; y < pic.height() && picRow < 0; ++y) {
    if (IsSeriesColour(pic.pixel(pic.width() / 2, y))) picRow = y + 1;  // middle of 3 rows
  }
  ASSERT_GE(picRow, 0) << "no trace in the picture";
  const QRect shape = Child<QWidget>(dlg, "PageShape")->geometry();
  const QRect image = Child<QWidget>(dlg, "PlotImage")->geometry();
  const QSize pageSize = dlg.PrinterPageSize();
  const pulse::plot::Rect dest = pulse::plot::DestinationRect(
      pulse::plot::Rect{shape.left(), shape.top(), shape.right() + 1, shape.bottom() + 1},
      pulse::plot::Rect{image.left(), image.top(), image.right() + 1, image.bottom() + 1},
      pageSize.width(), pageSize.height());
  const QPoint origin = dlg.Printer().pageLayout().paintRectPixels(dpi).topLeft();
  const double sy = static_cast<double>(dest.Height()) / pic.height();
  const int row = origin.y() + dest.top + static_cast<int>((picRow + 0.5) * sy);
  const int col = origin.x() + (dest.left + dest.right) / 2;
  EXPECT_TRUE(IsSeriesColour(page.pixel(col, row)))
      << "row " << row << " col " << col << " " << std::hex << page.pixel(col, row);
  // Well above and below the trace, and outside the destination, there is none of it.
  const int off = static_cast<int>(sy * 20);
  EXPECT_FALSE(IsSeriesColour(page.pixel(col, row - off)));
  EXPECT_FALSE(IsSeriesColour(page.pixel(col, row + off)));
  EXPECT_FALSE(IsSeriesColour(page.pixel(origin.x() + dest.right + 5, row)));
}

TEST(PrintDialog, UnwritablePdfFileIsAnErrorNotASilentSuccess) {
  QTemporaryDir dir;
  TMFPrintDlg dlg;
  dlg.SelectPdfTarget(dir.filePath("missing-folder/plot.pdf"));
  TestPlot p(300, 200);
  dlg.Prepare(p.plot);
  EXPECT_THROW(dlg.Print(), std::runtime_error);
}

TEST(PrintDialog, CancelPrintsNothing) {
  QTemporaryDir dir;
  const QString pdf = dir.filePath("never.pdf");
  TMFPrintDlg dlg;
  dlg.SelectPdfTarget(pdf);
  TestPlot p(300, 200);
  QTimer::singleShot(0, &dlg, [&dlg] { Child<QPushButton>(dlg, "btClose")->click(); });
  dlg.PrintPlot(p.plot);
  EXPECT_FALSE(QFile::exists(pdf));
}

}  // namespace
