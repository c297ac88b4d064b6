// Reconnection in the window logic against the virtual sensor on real pseudo-terminals: the
// sensor hangs up and comes back at the same link, the window reopens it by itself and goes
// on; what it re-sends, what it records, and how the operator ends or switches off the wait.
#include <algorithm>
#include <deque>
#include <fstream>
#include <iterator>
#include <thread>

#include "tests/support/form_fixture.h"
#include "tests/support/temp_dir.h"
#include "tools/virtual-sensor/virtual_sensor.h"
// After the window's headers (they bring the namespace pulse::protocol).
#include "records/session_metadata.h"
#include "window/settings_file.h"

namespace pulse::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The adapter takes the frames still in flight with it when it is pulled: on a loaded
// machine the host may not have read the last few before the port vanished. Returns how
// many consecutive frames from `gap` on are missing from `got` while everything before and
// after them is there in order, or -1 when `got` is not `sent` with such a hole.
template <typename Lines>
int LostAtGap(const std::vector<std::string>& sent, const Lines& got, size_t gap) {
  if (got.size() < gap || sent.size() < gap ||
      !std::equal(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(gap), sent.begin()))
    return -1;
  const size_t after = got.size() - gap;
  for (size_t lost = 0; gap + lost + after <= sent.size(); ++lost) {
    const auto from = sent.begin() + static_cast<std::ptrdiff_t>(gap + lost);
    if (std::equal(got.begin() + static_cast<std::ptrdiff_t>(gap), got.end(), from))
      return static_cast<int>(lost);
  }
  return -1;
}

// The data frames the sensor sent, as the host records them.
std::vector<std::string> SentFrames(const std::string& frame_log) {
  std::vector<std::string> out;
  for (const std::string& entry : ReadLines(frame_log)) {
    const size_t blank = entry.find(' ');
    if (blank != std::string::npos) out.push_back(entry.substr(blank + 1));
  }
  return out;
}

// A watcher the test plays: it only remembers what it was asked.
class FakeWatcher : public comm::IDeviceWatcher {
 public:
  void Watch(const std::string& path, std::function<void()> on_present) override {
    ++watches;
    watched = path;
    on_present_ = std::move(on_present);
  }
  void Cancel() override { on_present_ = nullptr; }
  bool Watching() const override { return static_cast<bool>(on_present_); }
  void Fire() {
    auto f = std::move(on_present_);
    on_present_ = nullptr;
    if (f) f();
  }
  int watches = 0;
  std::string watched;

 private:
  std::function<void()> on_present_;
};

class Form1ReconnectTest : public FormFixture {
 protected:
  // The sensor behind a link of its own, as an adapter behind its by-id link.
  vsensor::Options SensorOptions(double hangup_after, double return_after) {
    link_dir_ = NewDir("reconnect-link");
    vsensor::Options o;
    o.link = link_dir_ + "sensor";
    o.frame_log = link_dir_ + "frames.txt";
    o.hangup_after = hangup_after;
    o.return_after = return_after;
    return o;
  }
  void OpenOn(vsensor::VirtualSensor& sensor) {
    sensor.Start();
    MakeFormAndOpen(sensor.GetOptions().link);
  }
  // The window's event loop: the link's messages, the timer and the timed steps (at once).
  bool Until(const std::function<bool()>& done, std::chrono::milliseconds timeout = 8s) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
      if (std::chrono::steady_clock::now() >= end) return false;
      queue_.DispatchUntil([] { return false; }, 20ms);
      host_.RunDelayed();
      form_->Timer1Timer();
    }
    return true;
  }
  std::string link_dir_;
};

TEST_F(Form1ReconnectTest, SessionAndRecordGoOnAcrossTheGapAndSamplingResumesWithoutAClick) {
  vsensor::Options o = SensorOptions(1.5, 0.5);
  vsensor::VirtualSensor sensor(o);
  OpenOn(sensor);
  ASSERT_TRUE(form_->Reconnect().Enabled());  // on unless switched off
  const std::string path = dir_ + "across.txt";
  host_.save_name = path;
  form_->SessionClick();
  C().CheckBox1.checked = true;  // the 20 s record too
  form_->bt_startClick();
  ASSERT_TRUE(Until([&] { return S().Sampling && form_->Session().Lines() > 0; }));

  // Gone: the failure shows, the wait keeps 关闭设备 offered, the session runs on.
  ASSERT_TRUE(Until([&] { return !S().PortOpen; }));
  EXPECT_EQ(Panel(form::StatusPanel::kLinkState), "设备连接失败");
  EXPECT_EQ(C().Bt_open.Caption, "关闭设备");
  EXPECT_FALSE(C().bt_start.Enabled);
  EXPECT_TRUE(form_->Reconnect().Waiting());
  EXPECT_EQ(form_->Reconnect().WatchedPath(), o.link);
  EXPECT_TRUE(form_->Session().Running());
  const uint64_t before_gap = form_->Session().Lines();

  // Back: reopened at the link, stopped once, and sampling again without a click.
  ASSERT_TRUE(Until([&] { return form_->Session().Lines() >= before_gap + 200; }));
  EXPECT_EQ(sensor.GetStats().returns, 1u);
  EXPECT_TRUE(S().PortOpen);
  EXPECT_FALSE(form_->Reconnect().Waiting());
  EXPECT_EQ(Panel(form::StatusPanel::kLinkState), "设备连接正常");
  EXPECT_EQ(C().bt_start.Caption, "停止采样");
  EXPECT_TRUE(C().bt_start.Enabled);
  EXPECT_TRUE(host_.errors.empty()) << host_.errors.front();

  // The 20 s record so far (it leaves out what arrives while a stop is pending).
  const std::deque<std::string> record_before_stop = S().RecordList;
  form_->bt_startClick();  // stop
  ASSERT_TRUE(Until([&] { return !S().StopPending; }));
  form_->SessionClick();
  form_->Bt_openClick();
  sensor.Stop();

  const vsensor::Stats st = sensor.GetStats();
  // One start clicked, one resumed; a stop after each open and the one clicked (repeated
  // until acknowledged).
  EXPECT_EQ(st.commands_received[vsensor::kStart], 2u);
  EXPECT_GE(st.commands_received[vsensor::kStop], 3u);
  // Every frame that reached the host, before and after the gap, is in the file in order,
  // up to the last one sent; only those in flight at the unplug may be missing (at most
  // half a second of them at 200 frames a second).
  const std::vector<std::string> sent = SentFrames(o.frame_log);
  const std::vector<std::string> recorded = ReadLines(path);
  ASSERT_GE(recorded.size(), before_gap + 200);
  EXPECT_EQ(recorded.back(), sent.back());
  const int lost = LostAtGap(sent, recorded, before_gap);
  EXPECT_GE(lost, 0) << "the file is not the frames sent with a hole at the gap";
  EXPECT_LE(lost, 100);
  EXPECT_EQ(recorded.size() + static_cast<size_t>(std::max(lost, 0)), sent.size());
  // The 20 s record holds both sides with the same hole (all of it fits in 20 s).
  ASSERT_GE(record_before_stop.size(), before_gap + 200);
  EXPECT_EQ(LostAtGap(sent, record_before_stop, before_gap), lost);

  std::string error;
  const auto md = pulse::records::ReadMetadataFile(pulse::records::MetadataPathFor(path), &error);
  ASSERT_TRUE(md) << error;
  EXPECT_TRUE(md->complete);
  ASSERT_EQ(md->gaps.size(), 1u);
  // Where the file breaks off, for at least as long as the sensor was away.
  EXPECT_NEAR(md->gaps[0].start_s, static_cast<double>(before_gap) / 200.0, 0.05);
  EXPECT_GE(md->gaps[0].length_s, 0.5);
  EXPECT_LT(md->gaps[0].length_s, 5.0);
  ASSERT_EQ(form_->Reconnect().Outages().size(), 1u);
  EXPECT_TRUE(form_->Reconnect().Outages()[0].back_at);
}

TEST_F(Form1ReconnectTest, AZeroInProgressIsNotRepeatedAndIdleStaysIdle) {
  vsensor::Options o = SensorOptions(1.0, 0.3);
  o.zero_delay = 10s;  // never answered before the hang-up
  vsensor::VirtualSensor sensor(o);
  OpenOn(sensor);
  form_->Button2Click();
  ASSERT_TRUE(S().ZeroPending);
  ASSERT_TRUE(Until([&] { return !S().PortOpen; }));
  ASSERT_TRUE(Until([&] { return S().PortOpen && form_->StopAfterOpenSent(); }));
  // A few retry periods after the reopen: nothing but the stop after it went out.
  const auto settle = std::chrono::steady_clock::now() + 1500ms;
  Until([&] { return std::chrono::steady_clock::now() >= settle; });
  const vsensor::Stats st = sensor.GetStats();
  EXPECT_EQ(st.returns, 1u);
  EXPECT_FALSE(S().ZeroPending);
  EXPECT_GE(st.commands_received[vsensor::kZero], 1u);
  const uint64_t zeros_at_hangup = st.commands_received[vsensor::kZero];
  Until([&] { return false; }, 600ms);
  EXPECT_EQ(sensor.GetStats().commands_received[vsensor::kZero], zeros_at_hangup);
  EXPECT_EQ(sensor.GetStats().commands_received[vsensor::kStart], 0u);
  EXPECT_FALSE(sensor.Streaming());
  EXPECT_EQ(C().bt_start.Caption, "开始采样");
}

TEST_F(Form1ReconnectTest, CloseDeviceEndsTheWaitAndTheSession) {
  vsensor::Options o = SensorOptions(1.0, 0);  // never comes back
  vsensor::VirtualSensor sensor(o);
  OpenOn(sensor);
  const std::string path = dir_ + "ended.txt";
  host_.save_name = path;
  form_->SessionClick();
  form_->bt_startClick();
  ASSERT_TRUE(Until([&] { return form_->Reconnect().Waiting(); }));
  EXPECT_TRUE(form_->Reconnect().Watcher().Watching());

  form_->Bt_openClick();  // 关闭设备
  EXPECT_FALSE(form_->Reconnect().Waiting());
  EXPECT_FALSE(form_->Reconnect().Watcher().Watching());
  EXPECT_EQ(C().Bt_open.Caption, "打开设备");
  EXPECT_EQ(Panel(form::StatusPanel::kLinkState), "串口关闭");
  EXPECT_FALSE(form_->Session().Running());
  std::string error;
  const auto md = pulse::records::ReadMetadataFile(pulse::records::MetadataPathFor(path), &error);
  ASSERT_TRUE(md) << error;
  EXPECT_TRUE(md->complete);
  // The command buttons are back as after any close.
  EXPECT_TRUE(C().Button2.Enabled);
  EXPECT_FALSE(C().bt_start.Enabled);
}

TEST_F(Form1ReconnectTest, SwitchedOffAHangUpClosesAsBeforeAndOffWhileWaitingEndsTheWait) {
  vsensor::Options o = SensorOptions(1.0, 0);
  vsensor::VirtualSensor sensor(o);
  OpenOn(sensor);
  form_->Reconnect().auto_reconnect.checked = false;
  form_->ReconnectClick();
  form_->bt_startClick();
  ASSERT_TRUE(Until([&] { return !S().PortOpen; }));
  EXPECT_FALSE(form_->Reconnect().Waiting());
  EXPECT_EQ(C().Bt_open.Caption, "打开设备");
  EXPECT_EQ(Panel(form::StatusPanel::kLinkState), "设备连接失败");

  // On again, and a second sensor hangs up: switching off in the wait ends it the same way.
  sensor.Stop();
  vsensor::Options o2 = o;
  o2.frame_log.clear();
  vsensor::VirtualSensor second(o2);
  second.Start();
  form_->Reconnect().auto_reconnect.checked = true;
  form_->ReconnectClick();
  form_->Bt_openClick();
  ASSERT_TRUE(S().PortOpen);
  ASSERT_TRUE(Until([&] { return form_->Reconnect().Waiting(); }));
  form_->Reconnect().auto_reconnect.checked = false;
  form_->ReconnectClick();
  EXPECT_FALSE(form_->Reconnect().Waiting());
  EXPECT_EQ(C().Bt_open.Caption, "打开设备");
  EXPECT_EQ(Panel(form::StatusPanel::kLinkState), "设备连接失败");
}

TEST_F(Form1ReconnectTest, TheSwitchIsStoredUnderItsOwnKeyAndTheSpecifiedKeysStay) {
  MakeForm();
  EXPECT_TRUE(form_->Reconnect().auto_reconnect.checked);
  EXPECT_EQ(form_->Reconnect().auto_reconnect.Caption, "自动重连");
  pulse::window::WritePortSettings(form_->SettingsPath(), {"7", "115200"});
  form_->Reconnect().auto_reconnect.checked = false;
  form_->ReconnectClick();
  EXPECT_TRUE(host_.errors.empty());
  const pulse::window::IniFile ini = pulse::window::IniFile::Load(form_->SettingsPath());
  EXPECT_EQ(ini.Value("串口", "reconnect", ""), "0");
  EXPECT_EQ(ini.Value("串口", "com", ""), "7");
  EXPECT_EQ(ini.Value("串口", "btl", ""), "115200");

  // A new window reads it back.
  TForm1 again(host_, queue_, {&p1_, &p2_, &p3_}, [&] {
    FormOptions opt;
    opt.exe_dir = dir_;
    opt.settings_dir = dir_;
    return opt;
  }());
  again.FormCreate();
  EXPECT_FALSE(again.Reconnect().auto_reconnect.checked);

  // A run that decides for itself neither reads nor writes the file's choice.
  FormOptions forced;
  forced.exe_dir = dir_;
  forced.settings_dir = dir_;
  forced.reconnect = true;
  TForm1 headless(host_, queue_, {&p1_, &p2_, &p3_}, forced);
  headless.FormCreate();
  EXPECT_TRUE(headless.Reconnect().auto_reconnect.checked);
  headless.Reconnect().auto_reconnect.checked = false;
  headless.ReconnectClick();
  headless.Reconnect().auto_reconnect.checked = true;
  headless.ReconnectClick();
  EXPECT_EQ(pulse::window::IniFile::Load(form_->SettingsPath()).Value("串口", "reconnect", ""),
            "0");
}

TEST_F(Form1ReconnectTest, AnOpenThatFailsIsTriedAgainLaterNotAtOnce) {
  FakeWatcher* watcher = nullptr;
  customize_ = [&](FormOptions& opt) {
    opt.make_watcher = [&](comm::IMainThreadQueue&) {
      auto w = std::make_unique<FakeWatcher>();
      watcher = w.get();
      return w;
    };
  };
  vsensor::Options o = SensorOptions(1.0, 0);
  vsensor::VirtualSensor sensor(o);
  OpenOn(sensor);
  ASSERT_NE(watcher, nullptr);
  ASSERT_TRUE(Until([&] { return form_->Reconnect().Waiting(); }));
  EXPECT_EQ(watcher->watched, o.link);
  EXPECT_EQ(watcher->watches, 1);

  // Told the device is there while it is not: the open fails and the next look waits.
  watcher->Fire();
  EXPECT_FALSE(S().PortOpen);
  EXPECT_TRUE(form_->Reconnect().Waiting());
  EXPECT_FALSE(watcher->Watching());
  ASSERT_EQ(host_.delayed.size(), 1u);
  EXPECT_EQ(host_.delayed[0].first, 1000);
  host_.RunDelayed();
  EXPECT_TRUE(watcher->Watching());
  EXPECT_EQ(watcher->watches, 2);

  // A device at the link again: the next report opens it.
  sensor.Stop();
  vsensor::Options o2 = o;
  o2.hangup_after = 0;
  o2.frame_log.clear();
  vsensor::VirtualSensor back(o2);
  back.Start();
  watcher->Fire();
  EXPECT_TRUE(S().PortOpen);
  EXPECT_EQ(Panel(form::StatusPanel::kLinkState), "设备连接正常");
  EXPECT_FALSE(form_->StopAfterOpenSent());  // the stop after the open is still to come
  host_.RunDelayed();
  EXPECT_TRUE(form_->StopAfterOpenSent());
  ASSERT_TRUE(Until([&] { return back.GetStats().commands_received[vsensor::kStop] == 1; }));
}

}  // namespace
}  // namespace pulse::test
