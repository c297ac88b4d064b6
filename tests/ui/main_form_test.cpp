// The Qt window bound to the window logic: clicks reach TForm1, the models
// reach the widgets, and live data from the virtual sensor reaches the plots.
#include "ui/main_form.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QAction>
#include <QTest>
#include <filesystem>

#include "tests/support/temp_dir.h"
#include "tools/virtual-sensor/virtual_sensor.h"
#include "ui/plot_widget.h"

using namespace pulse::form;

namespace {

using pulse::ui::MainForm;

constexpr std::size_t Index(StatusPanel p) {
  return static_cast<std::size_t>(p);
}

class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sensor_.Start();
    pulse::window::FormOptions o;
    o.exe_dir = o.settings_dir = dir_.string() + "/";
    o.port_mappings = {"COM1=" + sensor_.SlavePath()};
    form_ = std::make_unique<MainForm>(o);
    form_->SetHeadless(true);
    form_->Window().resize(1016, 669);
    form_->Window().show();
  }
  void TearDown() override { form_.reset(); }
  const pulse::ui::MainWindowWidgets& W() { return form_->Window().Widgets(); }
  TFormState& S() { return form_->Form().State(); }

  pulse::test::TempDir temp_{"main-form"};
  std::filesystem::path dir_ = temp_.Path();
  pulse::vsensor::VirtualSensor sensor_;
  std::unique_ptr<MainForm> form_;
};

TEST_F(MainFormTest, OpenAndStartByClickingDriveTheModelAndTheWidgetsFollow) {
  EXPECT_FALSE(W().bt_start->isEnabled());
  QTest::mouseClick(W().Bt_open, Qt::LeftButton);
  EXPECT_TRUE(S().PortOpen);
  ASSERT_TRUE(QTest::qWaitFor([&] { return W().Bt_open->text() == "关闭设备"; }, 2000));
  EXPECT_EQ(W().status_panels[Index(StatusPanel::kLinkState)]->text(), "设备连接正常");
  EXPECT_TRUE(W().GroupBox2->isEnabled());
  // The command buttons wait for the stop that follows the open.
  EXPECT_FALSE(W().bt_start->isEnabled());
  EXPECT_FALSE(W().Button2->isEnabled());
  EXPECT_FALSE(W().Button4->isEnabled());
  ASSERT_TRUE(QTest::qWaitFor([&] { return form_->Form().StopAfterOpenSent(); }, 3000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return W().bt_start->isEnabled(); }, 2000));
  EXPECT_TRUE(W().Button2->isEnabled());
  EXPECT_TRUE(W().Button4->isEnabled());

  QTest::mouseClick(W().bt_start, Qt::LeftButton);
  EXPECT_TRUE(S().Sampling);
  ASSERT_TRUE(QTest::qWaitFor([&] { return S().SampleCount1 > 100; }, 5000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return W().Label10->text().toInt() > 0; }, 2000));
  EXPECT_EQ(W().bt_start->text(), "停止采样");
  EXPECT_EQ(W().status_panels[Index(StatusPanel::kDeviceReply)]->text(), "启动采样！");
  EXPECT_NE(W().views[0].readout->text(), "0");

  // The live trace is in the plot's picture: white pixels inside the navy field.
  QWidget* plot = W().views[0].plot;
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        const QImage img = plot->grab().toImage();
        for (int y = 0; y < img.height(); ++y)
          for (int x = 0; x < img.width() / 4; ++x)
            if (img.pixelColor(x, y) == Qt::white) return true;
        return false;
      },
      2000));
}

TEST_F(MainFormTest, PlotMouseReadOutAndDoubleClickToOneView) {
  QWidget* plot = W().views[1].plot;
  // An operator sees the plot before pointing at it.
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_->Window()));
  plot->grab();
  const QPoint middle(plot->width() / 2, plot->height() / 2);
  QTest::mouseClick(plot, Qt::LeftButton, {}, middle);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return W().status_panels[Index(StatusPanel::kLastCommand)]->text().startsWith(" X="); },
      2000))
      << W().status_panels[Index(StatusPanel::kLastCommand)]->text().toStdString();
  // About the middle of 0..20 s and of the value range around 0.
  const QString text = W().status_panels[Index(StatusPanel::kLastCommand)]->text();
  const double x = text.section("X=", 1).section(' ', 0, 0).toDouble();
  EXPECT_NEAR(x, 10.0, 1.5);

  QTest::mouseDClick(plot, Qt::LeftButton, {}, middle);
  ASSERT_TRUE(QTest::qWaitFor([&] { return W().views[0].row->isHidden(); }, 2000));
  EXPECT_FALSE(W().views[1].row->isHidden());
  EXPECT_TRUE(W().views[2].row->isHidden());
  QTest::mouseDClick(plot, Qt::LeftButton, {}, middle);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !W().views[0].row->isHidden(); }, 2000));
  EXPECT_FALSE(W().views[2].row->isHidden());
}

TEST_F(MainFormTest, SessionAndExportByClickingWithTheirReadOut) {
  QTest::mouseClick(W().Bt_open, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return W().bt_start->isEnabled(); }, 3000));
  EXPECT_EQ(W().session_button->text(), "会话记录");
  EXPECT_TRUE(W().session_info->isHidden());
  EXPECT_FALSE(W().export_session->isEnabled());

  const std::string session = (dir_ / "s.txt").string();
  form_->SetScriptedSaveName(session);
  QTest::mouseClick(W().session_button, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return W().session_button->text() == "停止会话"; }, 2000));
  QTest::mouseClick(W().bt_start, Qt::LeftButton);
  // The read-out names the file and counts what reaches it.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        const QString t = W().session_info->text();
        return !W().session_info->isHidden() && t.startsWith("会话: s.txt  00:00:0") &&
               t.section("  ", 2).section("帧", 0, 0).toInt() > 50;
      },
      5000))
      << W().session_info->text().toStdString();
  QTest::mouseClick(W().session_button, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return W().session_info->isHidden(); }, 2000));
  EXPECT_EQ(W().session_button->text(), "会话记录");
  ASSERT_TRUE(QTest::qWaitFor([&] { return W().export_session->isEnabled(); }, 2000));

  // The session entry of the export menu writes the file in the background.
  const std::string edf = (dir_ / "s.edf").string();
  form_->SetScriptedSaveName(edf);
  W().export_session->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(edf); }, 10000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return W().export_button->isEnabled(); }, 10000));
  EXPECT_GT(std::filesystem::file_size(edf), 256u);
}

TEST(MainFormFilter, ExportNamesGetTheChosenFiltersExtension) {
  const std::string filter = "CSV 文件|*.csv|EDF+ 文件|*.edf";
  EXPECT_EQ(MainForm::WithFilterExtension("a", filter, "EDF+ 文件 (*.edf)"), "a.edf");
  EXPECT_EQ(MainForm::WithFilterExtension("a", filter, "CSV 文件 (*.csv)"), "a.csv");
  EXPECT_EQ(MainForm::WithFilterExtension("a", filter, ""), "a.csv");
  // A name with either extension is kept, whatever the filter.
  EXPECT_EQ(MainForm::WithFilterExtension("a.EDF", filter, "CSV 文件 (*.csv)"), "a.EDF");
  EXPECT_EQ(MainForm::WithFilterExtension("a.csv", filter, "EDF+ 文件 (*.edf)"), "a.csv");
}

TEST(MainFormFilter, DialogFiltersBecomeQtFilters) {
  EXPECT_EQ(MainForm::QtFilter("txt|*.txt"), "txt (*.txt)");
  EXPECT_EQ(MainForm::QtFilter("*.txt(记录文件)|*.txt|All file|*.*"),
            "*.txt(记录文件) (*.txt);;All file (*.*)");
}

}  // namespace
