// The main window's connection logic: settings, open and close, the start,
// stop and zero handshakes and their retries, against a raw pseudo-terminal
// that plays the device.
#include <fstream>
#include <sstream>

#include "comm/serial_device.h"
#include "tests/support/form_fixture.h"
#include "tests/support/pty_pair.h"

using namespace pulse::comm;

namespace pulse::test {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

const Bytes kStart = {0xF0, 0x2F, 0x01, 0x31, 0x51};
const Bytes kStop = {0xF0, 0x2F, 0x01, 0x32, 0x52};
const Bytes kZero = {0xF0, 0x2F, 0x01, 0x35, 0x55};
const Bytes kReadZero = {0xF0, 0x2F, 0x01, 0x33, 0x53};

class Form1Test : public FormFixture {
 protected:
  // Opens the device on the pseudo-terminal and lets the stop that follows
  // every open go out; returns with that stop read off the line.
  void OpenOnPty() {
    MakeFormAndOpen(pty_.SlavePath());
    if (HasFatalFailure()) return;
    ASSERT_EQ(pty_.Read(kStop.size(), 2s), kStop);
  }
  // Delivers device bytes through the serial link to the parser.
  void DeviceSends(const Bytes& bytes) {
    pty_.Write(bytes);
    ASSERT_GT(queue_.WaitAndDispatch(2s), 0u);
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) form_->Timer1Timer();
  }

  test::PtyPair pty_;
};

TEST_F(Form1Test, FirstStartWithoutSettingsFileUsesDefaultsAndOpenWritesThem) {
  MakeForm({"COM1=" + pty_.SlavePath()});
  EXPECT_EQ(C().e_comm.text, "1");
  EXPECT_EQ(C().e_btl.text, "256000");
  EXPECT_FALSE(std::filesystem::exists(form_->SettingsPath()));
  EXPECT_FALSE(C().bt_start.Enabled);
  EXPECT_FALSE(C().GroupBox2.Enabled);
  EXPECT_EQ(C().Label_pulse.Caption, "脉\n搏");
  EXPECT_EQ(Panel(form::StatusPanel::kClock).rfind("当前时间 : ", 0), 0u);

  form_->Bt_openClick();
  EXPECT_TRUE(S().PortOpen);
  EXPECT_EQ(Panel(form::StatusPanel::kLinkState), "设备连接正常");
  EXPECT_EQ(C().Bt_open.Caption, "关闭设备");
  EXPECT_FALSE(C().bt_start.Enabled);  // until the stop after the open
  EXPECT_TRUE(C().GroupBox2.Enabled);
  host_.RunDelayed();
  EXPECT_TRUE(C().bt_start.Enabled);
  // Section "串口" in GBK: B4 AE BF DA.
  const std::string file = ReadAll(form_->SettingsPath());
  EXPECT_NE(file.find("[\xB4\xAE\xBF\xDA]"), std::string::npos);
  EXPECT_NE(file.find("com=1"), std::string::npos);
  EXPECT_NE(file.find("btl=256000"), std::string::npos);
}

TEST_F(Form1Test, StoredSettingsAreShownAsTheyStand) {
  dir_ = NewDir();
  {
    std::ofstream out(dir_ + "comSet.ini", std::ios::binary);
    out << "[other]\r\nkeep=yes\r\n[\xB4\xAE\xBF\xDA]\r\ncom=7\r\nbtl=9600\r\n";
  }
  FormOptions options;
  options.exe_dir = options.settings_dir = dir_;
  TForm1 form(host_, queue_, {&p1_, &p2_, &p3_}, options);
  form.FormCreate();
  EXPECT_EQ(form.Controls().e_comm.text, "7");
  EXPECT_EQ(form.Controls().e_btl.text, "9600");
  EXPECT_EQ(form.Controls().e_btl.item_index, -1);
}

TEST_F(Form1Test, DeviceNamesAndTheirResolution) {
  EXPECT_EQ(TForm1::DeviceName(9), "COM9");
  EXPECT_EQ(TForm1::DeviceName(10), "//./COM10");
  MakeForm({"COM10=" + pty_.SlavePath()});
  C().e_comm.text = "10";
  form_->e_commChange();
  EXPECT_NE(C().e_comm.hint.find(pty_.SlavePath()), std::string::npos) << C().e_comm.hint;
  form_->Bt_openClick();
  EXPECT_TRUE(S().PortOpen);
  EXPECT_EQ(form_->Comm321().CommPort(), "//./COM10");
  EXPECT_EQ(form_->Comm321().DevicePath(), pty_.SlavePath());
  EXPECT_EQ(S().PortNumber, 10);
}

TEST_F(Form1Test, ADevicePathTypedInOpensThatDevice) {
  MakeForm();
  C().e_comm.text = pty_.SlavePath();
  form_->Bt_openClick();
  EXPECT_TRUE(S().PortOpen);
  EXPECT_EQ(form_->Comm321().DevicePath(), pty_.SlavePath());
}

TEST_F(Form1Test, FailedOpenStaysClosedAndTheLaterStopReportsThePortClosed) {
  MakeForm({"COM1=" + dir_ + "no-such-device"});
  form_->Bt_openClick();
  EXPECT_FALSE(S().PortOpen);
  EXPECT_EQ(Panel(form::StatusPanel::kLinkState), "设备连接失败");
  // The error box says which port and why.
  ASSERT_EQ(host_.errors.size(), 1u);
  EXPECT_EQ(host_.errors[0], "Cannot open COM1 (" + form_->Comm321().DevicePath() +
                                 "): the device does not exist (is the adapter plugged in?)");
  EXPECT_EQ(C().Bt_open.Caption, "打开设备");
  EXPECT_FALSE(C().bt_start.Enabled);
  EXPECT_FALSE(std::filesystem::exists(form_->SettingsPath()));
  ASSERT_EQ(host_.delayed.size(), 1u);
  EXPECT_EQ(host_.delayed[0].first, TForm1::kStopAfterOpenMs);
  host_.RunDelayed();
  EXPECT_EQ(Panel(form::StatusPanel::kSendResult), "串口未打开");
}

TEST_F(Form1Test, APortHeldByAnotherProgramIsReportedBusy) {
  const comm::OsResult<int> other = comm::OpenSerialDevice(pty_.SlavePath());
  ASSERT_TRUE(other.Ok()) << other.error.message();
  MakeForm();
  C().e_comm.text = pty_.SlavePath();
  form_->Bt_openClick();
  ASSERT_FALSE(comm::CloseSerialDevice(other.value));
  EXPECT_FALSE(S().PortOpen);
  ASSERT_EQ(host_.errors.size(), 1u);
  EXPECT_EQ(host_.errors[0],
            "Cannot open " + pty_.SlavePath() + ": the port is in use by another program");
}

// The stop that follows every open would cancel a command given before it,
// so the command buttons wait for it, and a click that got through anyway is
// carried out after it, in order.
TEST_F(Form1Test, CommandsWaitForTheStopThatFollowsAnOpen) {
  MakeForm({"COM1=" + pty_.SlavePath()});
  EXPECT_TRUE(C().Button2.Enabled);
  EXPECT_TRUE(C().Button4.Enabled);
  form_->Bt_openClick();
  ASSERT_TRUE(S().PortOpen);
  EXPECT_FALSE(C().bt_start.Enabled);
  EXPECT_FALSE(C().Button2.Enabled);
  EXPECT_FALSE(C().Button4.Enabled);
  EXPECT_TRUE(C().GroupBox2.Enabled);

  form_->Button4Click();
  form_->Button2Click();
  form_->bt_startClick();
  Ticks(20);
  EXPECT_TRUE(pty_.Read(1, 100ms).empty()) << "a command overtook the stop";
  EXPECT_FALSE(form_->StopAfterOpenSent());

  host_.RunDelayed();
  EXPECT_TRUE(form_->StopAfterOpenSent());
  EXPECT_TRUE(C().bt_start.Enabled);
  EXPECT_TRUE(C().Button2.Enabled);
  EXPECT_TRUE(C().Button4.Enabled);
  Bytes expected = kStop;
  for (const Bytes* b : {&kReadZero, &kZero, &kStart})
    expected.insert(expected.end(), b->begin(), b->end());
  EXPECT_EQ(pty_.Read(expected.size(), 2s), expected);
  EXPECT_TRUE(S().Sampling);
  EXPECT_FALSE(S().ZeroPending);  // the start ended the zero retry, as any start does
  EXPECT_EQ(C().bt_start.Caption, "停止采样");
}

TEST_F(Form1Test, OnlyTheLatestOpenReleasesTheButtons) {
  MakeForm({"COM1=" + pty_.SlavePath()});
  form_->Bt_openClick();
  form_->Bt_openClick();  // closed again within the wait
  EXPECT_FALSE(C().Button2.Enabled);
  form_->Button2Click();  // given while closed: the next open starts afresh
  form_->Bt_openClick();
  ASSERT_TRUE(S().PortOpen);
  ASSERT_EQ(host_.delayed.size(), 2u);
  host_.delayed[0].second();  // the first open's step: its stop, nothing more
  EXPECT_EQ(pty_.Read(kStop.size(), 2s), kStop);
  EXPECT_FALSE(form_->StopAfterOpenSent());
  EXPECT_FALSE(C().bt_start.Enabled);
  EXPECT_FALSE(C().Button2.Enabled);
  form_->Button4Click();
  EXPECT_TRUE(pty_.Read(1, 100ms).empty());
  host_.delayed[1].second();
  EXPECT_TRUE(C().bt_start.Enabled);
  EXPECT_TRUE(C().Button2.Enabled);
  Bytes expected = kStop;
  expected.insert(expected.end(), kReadZero.begin(), kReadZero.end());
  EXPECT_EQ(pty_.Read(expected.size(), 2s), expected);
  EXPECT_TRUE(pty_.Read(1, 100ms).empty());  // no zero from before the open
}

TEST_F(Form1Test, ARestartLeftFromBeforeAReopenDoesNotOvertakeItsStop) {
  OpenOnPty();
  form_->bt_startClick();
  pty_.Read(kStart.size(), 2s);
  form_->Button2Click();
  pty_.Read(kZero.size(), 2s);
  DeviceSends({0xF0, 0x1F, 0x01, 0x35, 0x45});  // zeroed: a start is due in 10 ticks
  ASSERT_TRUE(S().RestartPending);
  form_->Bt_openClick();  // close
  form_->Bt_openClick();  // and open again
  ASSERT_TRUE(S().PortOpen);
  Ticks(10);
  EXPECT_TRUE(pty_.Read(1, 100ms).empty());
  host_.RunDelayed();
  EXPECT_EQ(pty_.Read(kStop.size(), 2s), kStop);
  EXPECT_FALSE(S().RestartPending);  // the stop ended it, as any stop does
  Ticks(10);
  EXPECT_TRUE(pty_.Read(1, 100ms).empty());
}

TEST_F(Form1Test, AFailedOpenAlsoHoldsTheButtonsUntilItsStop) {
  MakeForm({"COM1=" + dir_ + "no-such-device"});
  form_->Bt_openClick();
  ASSERT_FALSE(S().PortOpen);
  EXPECT_FALSE(C().Button2.Enabled);
  host_.RunDelayed();
  EXPECT_TRUE(C().Button2.Enabled);
  EXPECT_TRUE(C().Button4.Enabled);
  EXPECT_FALSE(C().bt_start.Enabled);  // the port is still closed
}

// The values both serial components are stored with on the window.
TEST_F(Form1Test, SerialComponentsCarryTheirStoredValues) {
  MakeForm({"COM1=" + pty_.SlavePath()});
  const TComm32& link = form_->Comm321();
  EXPECT_EQ(link.BaudRate(), 256000u);
  EXPECT_EQ(link.Parity(), NOPARITY);
  EXPECT_EQ(link.StopBits(), ONESTOPBIT);
  EXPECT_EQ(link.ReadIntervalTimeout(), 2u);
  EXPECT_EQ(link.CommPort(), "COM2");
  EXPECT_EQ(link.CommsLogFileName(), "");
  EXPECT_TRUE(link.OnReceiveData);
  EXPECT_TRUE(link.OnRequestHangup);

  const TComm& other = form_->comm1();
  EXPECT_EQ(other.CommName(), "COM2");
  EXPECT_EQ(other.BaudRate(), 256000u);
  EXPECT_FALSE(other.ParityCheck());
  EXPECT_FALSE(other.Outx_CtsFlow());
  EXPECT_FALSE(other.Outx_DsrFlow());
  EXPECT_EQ(other.DtrControl(), TDtrControl::DtrEnable);
  EXPECT_FALSE(other.DsrSensitivity());
  EXPECT_TRUE(other.TxContinueOnXoff());
  EXPECT_TRUE(other.Outx_XonXoffFlow());
  EXPECT_TRUE(other.Inx_XonXoffFlow());
  EXPECT_FALSE(other.ReplaceWhenParityError());
  EXPECT_FALSE(other.IgnoreNullChar());
  EXPECT_EQ(other.RtsControl(), TRtsControl::RtsEnable);
  EXPECT_EQ(other.XonLimit(), 1);
  EXPECT_EQ(other.XoffLimit(), 1);
  EXPECT_EQ(other.ByteSize(), TByteSize::_8);
  EXPECT_EQ(other.Parity(), TParity::None);
  EXPECT_EQ(other.StopBits(), TStopBits::_1);
  EXPECT_EQ(other.XonChar(), 17);
  EXPECT_EQ(other.XoffChar(), 19);
  EXPECT_EQ(other.ReplacedChar(), 0);
  EXPECT_EQ(other.ReadIntervalTimeout(), 1u);
  EXPECT_EQ(other.ReadTotalTimeoutMultiplier(), 0u);
  EXPECT_EQ(other.ReadTotalTimeoutConstant(), 0u);
  EXPECT_EQ(other.WriteTotalTimeoutMultiplier(), 0u);
  EXPECT_EQ(other.WriteTotalTimeoutConstant(), 0u);
  EXPECT_TRUE(other.OnReceiveData);
  EXPECT_FALSE(other.OnReceiveError || other.OnModemStateChange || other.OnRequestHangup ||
               other.OnSendDataEmpty);
  EXPECT_FALSE(other.HandleHeld());

  // An open takes port and speed from the lists and keeps the read interval.
  C().e_btl.text = "115200";
  form_->Bt_openClick();
  ASSERT_TRUE(S().PortOpen);
  EXPECT_EQ(link.CommPort(), "COM1");
  EXPECT_EQ(link.BaudRate(), 115200u);
  EXPECT_EQ(link.ReadIntervalTimeout(), 2u);
}

TEST_F(Form1Test, NonIntegerPortOrBaudGivesTheErrorBoxAndOpensNothing) {
  MakeForm({"COM1=" + pty_.SlavePath()});
  C().e_comm.text = "COM1";
  form_->Bt_openClick();
  ASSERT_EQ(host_.errors.size(), 1u);
  EXPECT_EQ(host_.errors[0], "'COM1' is not a valid integer value");
  C().e_comm.text = "1";
  C().e_btl.text = "fast";
  form_->Bt_openClick();
  ASSERT_EQ(host_.errors.size(), 2u);
  EXPECT_FALSE(S().PortOpen);
  EXPECT_TRUE(host_.delayed.empty());
  EXPECT_EQ(C().Bt_open.Caption, "打开设备");
}

TEST_F(Form1Test, StartWhileClosedOnlyAsksToOpenFirst) {
  MakeForm();
  form_->bt_startClick();
  ASSERT_EQ(host_.messages, std::vector<std::string>{"请首先打开设备"});
  EXPECT_FALSE(S().Sampling);
  EXPECT_EQ(C().bt_start.Caption, "开始采样");
}

TEST_F(Form1Test, StartResetsTheErrorLabelButNotTheCount) {
  OpenOnPty();
  S().ErrorCount = 4;
  C().Memo1.lines.Add("old");
  form_->bt_startClick();
  EXPECT_EQ(pty_.Read(kStart.size(), 2s), kStart);
  EXPECT_EQ(C().Label_cnt.Caption, "0");
  EXPECT_EQ(S().ErrorCount, 4);
  EXPECT_EQ(C().bt_start.Caption, "停止采样");
  EXPECT_TRUE(S().Sampling);
}

TEST_F(Form1Test, UnacknowledgedStopRepeatsEveryFiveTicksUntilAcknowledged) {
  OpenOnPty();
  form_->bt_startClick();
  pty_.Read(kStart.size(), 2s);
  form_->bt_startClick();
  EXPECT_EQ(pty_.Read(kStop.size(), 2s), kStop);
  EXPECT_TRUE(S().StopPending);
  Ticks(4);
  EXPECT_TRUE(pty_.Read(1, 100ms).empty());
  Ticks(1);
  EXPECT_EQ(pty_.Read(kStop.size(), 2s), kStop);
  DeviceSends({0xF0, 0x1F, 0x01, 0x32, 0x42});
  EXPECT_FALSE(S().StopPending);
  EXPECT_EQ(Panel(form::StatusPanel::kDeviceReply), "停止采样！");
  Ticks(10);
  EXPECT_TRUE(pty_.Read(1, 100ms).empty());
}

TEST_F(Form1Test, ClosingEndsTheRetries) {
  OpenOnPty();
  form_->Button2Click();
  EXPECT_EQ(pty_.Read(kZero.size(), 2s), kZero);
  form_->bt_startClick();  // start: clears the zero retry
  pty_.Read(kStart.size(), 2s);
  form_->bt_startClick();  // stop, pending
  pty_.Read(kStop.size(), 2s);
  form_->Bt_openClick();  // close
  EXPECT_FALSE(S().PortOpen);
  EXPECT_FALSE(S().StopPending);
  EXPECT_EQ(Panel(form::StatusPanel::kLinkState), "串口关闭");
  EXPECT_EQ(C().Bt_open.Caption, "打开设备");
  EXPECT_FALSE(C().bt_start.Enabled);
  const std::string before = Panel(form::StatusPanel::kSendResult);
  Ticks(20);
  EXPECT_EQ(Panel(form::StatusPanel::kSendResult), before);  // nothing was sent, not even tried
}

TEST_F(Form1Test, ZeroDuringSamplingRestartsOnceAfterTheAcknowledgement) {
  OpenOnPty();
  form_->bt_startClick();
  pty_.Read(kStart.size(), 2s);
  form_->Button2Click();
  EXPECT_EQ(pty_.Read(kZero.size(), 2s), kZero);
  Ticks(5);
  EXPECT_EQ(pty_.Read(kZero.size(), 2s), kZero);
  DeviceSends({0xF0, 0x1F, 0x01, 0x35, 0x45});
  EXPECT_EQ(Panel(form::StatusPanel::kDeviceReply), "清零成功！");
  Ticks(9);
  EXPECT_TRUE(pty_.Read(1, 100ms).empty());
  Ticks(1);
  EXPECT_EQ(pty_.Read(kStart.size(), 2s), kStart);
  Ticks(10);
  EXPECT_TRUE(pty_.Read(1, 100ms).empty());
}

TEST_F(Form1Test, UnpluggedDeviceShowsTheFailureAndClosesTheLink) {
  customize_ = [](FormOptions& options) { options.reconnect = false; };  // 自动重连 off
  OpenOnPty();
  form_->bt_startClick();
  pty_.Read(kStart.size(), 2s);
  form_->bt_startClick();  // a stop is pending when the adapter goes
  pty_.CloseMaster();
  ASSERT_TRUE(queue_.DispatchUntil([&] { return !S().PortOpen; }, 3s));
  EXPECT_EQ(Panel(form::StatusPanel::kLinkState), "设备连接失败");
  EXPECT_EQ(C().Bt_open.Caption, "打开设备");
  EXPECT_FALSE(C().bt_start.Enabled);
  EXPECT_FALSE(S().StopPending);
}

TEST_F(Form1Test, ExitStopsTheDeviceClosesAndEndsTheWindow) {
  OpenOnPty();
  form_->Button9Click();
  EXPECT_FALSE(host_.closed);
  EXPECT_TRUE(S().PortOpen);  // the stop leaves before the close
  EXPECT_EQ(pty_.Read(kStop.size(), 2s), kStop);
  ASSERT_EQ(host_.delayed.size(), 1u);
  EXPECT_EQ(host_.delayed[0].first, TForm1::kExitDrainMs);
  host_.RunDelayed();
  EXPECT_FALSE(S().PortOpen);
  EXPECT_TRUE(host_.closed);
}

TEST_F(Form1Test, SamplingRateFromTheHiddenEditBox) {
  MakeForm();
  C().Edit_Freq.text = "";
  form_->Button6Click();
  EXPECT_EQ(host_.messages, std::vector<std::string>{"请输入频率值5-250"});
  const std::pair<const char*, int> cases[] = {{"300", 250}, {"1", 5}, {"x", 100}, {"120", 120}};
  for (auto [text, rate] : cases) {
    C().Edit_Freq.text = text;
    S().SampleCount1 = 7;
    form_->Button6Click();
    EXPECT_EQ(S().SampleRate, rate) << text;
    EXPECT_EQ(S().SampleCount1, 0);
  }
}

TEST_F(Form1Test, ReplayBeforeAnyLoadLeavesTheRetriesRunning) {
  OpenOnPty();
  form_->Button19Click();
  EXPECT_FALSE(S().Replaying);
  form_->bt_startClick();
  pty_.Read(kStart.size(), 2s);
  form_->bt_startClick();
  pty_.Read(kStop.size(), 2s);
  Ticks(5);
  EXPECT_EQ(pty_.Read(kStop.size(), 2s), kStop);
}

TEST_F(Form1Test, UnwritableSettingsFileIsReportedAndTheLinkStaysOpen) {
  MakeForm({"COM1=" + pty_.SlavePath()});
  std::filesystem::create_directories(form_->SettingsPath());  // a directory in its place
  form_->Bt_openClick();
  EXPECT_TRUE(S().PortOpen);
  EXPECT_EQ(host_.errors.size(), 1u);
}

}  // namespace
}  // namespace pulse::test

namespace pulse::test {
namespace {

TEST(Form1SettingsPlace, AnInstalledProgramKeepsItsSettingsPerUser) {
  const TempDir home_dir("form1-xdg");
  const std::string home = home_dir.Slash();
  ::setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  FakeHost host;
  comm::ManualQueue queue;
  test::FakeViewPlot p1, p2, p3;
  FormOptions options;
  options.exe_dir = "/usr/bin/";  // root could write there; settings still do not go there
  TForm1 form(host, queue, {&p1, &p2, &p3}, options);
  form.FormCreate();
  EXPECT_EQ(form.SettingsPath(), home + "pulse3ch/comSet.ini");
  EXPECT_TRUE(std::filesystem::is_directory(home + "pulse3ch"));
  ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace pulse::test
