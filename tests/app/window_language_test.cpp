// The window's texts through the program's translator and its embedded English catalogue:
// Chinese stays byte for byte as written, English replaces every text, composed ones included,
// and the window logic that looks at captions works in both.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <filesystem>
#include <string>

#include "app/qt_translations.h"
#include "form/main_controls.h"
#include "form/tr.h"
#include "protocol/units.h"
#include "records/record_export.h"
#include "tests/support/form_fixture.h"
#include "tools/virtual-sensor/virtual_sensor.h"
#include "ui/main_window.h"
#include "window/export_control.h"
#include "window/live_analysis.h"
#include "window/settings_file.h"
#include "window/view_cursors.h"

namespace pulse::test {
namespace {

using window::Language;

struct Texts {
  const char* title;
  const char* open;
  const char* start;
  const char* zero_values;
  const char* record;
  const char* box1;
  const char* zero_caption;  // zero value -1.5 hPa
  const char* rate;          // 72.4 bpm
  const char* no_rate;
  const char* poor;
  const char* exported;  // 5 frames, 1 bad, 2 damaged lines, into out.csv
  const char* cursors;
  // After the link opens and closes on the virtual sensor.
  const char* close;
  const char* link_up;
  const char* link_closed;
  const char* session_prefix;
  const char* ui_open;
  const char* ui_beats;
};

const Texts kChinese{"三通道脉象传感器演示 （T20190923）",
                     "打开设备",
                     "开始采样",
                     "零点值",
                     "记录数据",
                     "通道1静态压力",
                     "零点值: -1.50 hPa",
                     "脉率: 72 bpm",
                     "脉率: --",
                     "信号质量: 较差",
                     "已导出 5 帧到 \"out.csv\"（校验错误 1 帧，损坏的行 2 行）",
                     "A 1.000 s 2.00  B -- mmHg  (视图2)",
                     "关闭设备",
                     "设备连接正常",
                     "串口关闭",
                     "会话: s.txt  00:00:00  0帧",
                     "打开设备",
                     "显示心搏"};

const Texts kEnglish{"Three-channel pulse sensor demo (T20190923)",
                     "Open\ndevice",
                     "Start\nsampling",
                     "Zero\nvalues",
                     "Record",
                     "Channel 1 static pressure",
                     "Zero: -1.50 hPa",
                     "Pulse rate: 72 bpm",
                     "Pulse rate: --",
                     "Signal quality: poor",
                     "Exported 5 frames to \"out.csv\" (1 frames with checksum errors, 2 damaged "
                     "lines)",
                     "A 1.000 s 2.00  B -- mmHg  (view 2)",
                     "Close\ndevice",
                     "Device connected",
                     "Port closed",
                     "Session: s.txt  00:00:00  0 frames",
                     "Open\ndevice",
                     "Show beats"};

class WindowLanguage : public FormFixture {
 protected:
  void ExpectTexts(const Texts& t) {
    const form::TMainControls c;
    EXPECT_EQ(c.Caption, t.title);
    EXPECT_EQ(c.Bt_open.Caption, t.open);
    EXPECT_EQ(c.bt_start.Caption, t.start);
    EXPECT_EQ(c.Button4.Caption, t.zero_values);
    EXPECT_EQ(c.CheckBox1.Caption, t.record);
    EXPECT_EQ(c.GroupBox_jy1.Caption, t.box1);
    EXPECT_EQ(protocol::ZeroValueCaption(-1.5), t.zero_caption);
    EXPECT_EQ(window::PulseRateText(72.4), t.rate);
    EXPECT_EQ(window::PulseRateText(std::nullopt), t.no_rate);
    EXPECT_EQ(window::QualityHint(analysis::SignalQuality::kPoor), t.poor);
    records::ExportReport report;
    report.frames = 5;
    report.bad_frames = 1;
    report.damaged_lines = 2;
    EXPECT_EQ(window::ExportDoneText(report, "out.csv"), t.exported);
    window::CursorReadout r;
    r.a = window::CursorPoint{1.0, 2.0};
    EXPECT_EQ(window::CursorReadoutText(2, r, "mmHg"), t.cursors);

    // The open/close button decides by its caption: it must toggle in this language too.
    vsensor::VirtualSensor sensor;
    sensor.Start();
    MakeForm({"COM1=" + sensor.SlavePath()});
    EXPECT_EQ(C().Bt_open.Caption, t.open);
    form_->Bt_openClick();
    ASSERT_TRUE(S().PortOpen);
    EXPECT_EQ(C().Bt_open.Caption, t.close);
    EXPECT_EQ(Panel(form::StatusPanel::kLinkState), t.link_up);
    host_.RunDelayed();
    const std::string session = dir_ + "s.txt";
    ASSERT_EQ(form_->StartSession(session), "");
    EXPECT_EQ(form_->Session().info.Caption, t.session_prefix);
    form_->Bt_openClick();
    EXPECT_FALSE(S().PortOpen);
    EXPECT_EQ(C().Bt_open.Caption, t.open);
    EXPECT_EQ(Panel(form::StatusPanel::kLinkState), t.link_closed);
    // What goes into files is never translated.
    EXPECT_EQ(window::ReadPortSettings(dir_ + window::kSettingsFileName).com, "1");
    form_.reset();

    ui::MainWindow w;
    EXPECT_EQ(w.findChild<QPushButton*>("Bt_open")->text().toStdString(), t.ui_open);
    EXPECT_EQ(w.findChild<QWidget*>("ch_beats")->property("text").toString().toStdString(),
              t.ui_beats);
  }
};

// Texts of the fixed-width status panels (150 px) must show whole in the window's font.
void ExpectStatusTextsFit() {
  const QFontMetrics fm(ui::MainWindow::WindowFont());
  constexpr int kRoom = 150 - 6;  // the panel less its sunken frame and a little air
  const char* const kSources[][2] = {{"CommandSender", "串口未打开"},
                                     {"CommandSender", "开始采样指令已发送"},
                                     {"CommandSender", "开始采样指令发送失败"},
                                     {"CommandSender", "停止采样指令已发送"},
                                     {"CommandSender", "停止采样指令发送失败"},
                                     {"CommandSender", "清零指令已发送"},
                                     {"CommandSender", "清零指令发送失败"},
                                     {"CommandSender", "读取零点值指令已发送"},
                                     {"CommandSender", "读取零点值指令发送失败"},
                                     {"CommandSender", "设置频率指令已发送"},
                                     {"CommandSender", "设置频率指令发送失败"},
                                     {"CommandSender", "发送成功"},
                                     {"CommandSender", "发送失败"},
                                     {"FrameParser", "启动采样！"},
                                     {"FrameParser", "停止采样！"},
                                     {"FrameParser", "清零成功！"},
                                     {"TForm1", "设备连接正常"},
                                     {"TForm1", "设备连接失败"},
                                     {"TForm1", "串口关闭"},
                                     {"RecordReplay", "载入完成,准备模拟..."}};
  for (const auto& s : kSources) {
    const std::string text = form::Tr(s[0], s[1]);
    EXPECT_LE(fm.horizontalAdvance(QString::fromStdString(text)), kRoom) << text;
  }
  const std::string rate = form::Format(form::Tr("FrameParser", "%1频率设置成功！"), {"250"});
  EXPECT_LE(fm.horizontalAdvance(QString::fromStdString(rate)), kRoom) << rate;
}

// One test, because an installed translator stays for the whole process.
TEST_F(WindowLanguage, ChineseAsWrittenThenEnglishFromTheEmbeddedCatalogue) {
  QCoreApplication& app = *QCoreApplication::instance();
  ASSERT_TRUE(pulse::app::InstallWindowTranslations(app, Language::kChinese));
  ExpectTexts(kChinese);
  ExpectStatusTextsFit();
  if (HasFatalFailure()) return;

  ASSERT_TRUE(pulse::app::InstallWindowTranslations(app, Language::kEnglish))
      << pulse::app::kEnglishCatalogue << " not embedded";
  ExpectTexts(kEnglish);
  ExpectStatusTextsFit();
}

}  // namespace
}  // namespace pulse::test
