// The window logic with the real serial link against the virtual sensor.
#include <thread>

#include "tests/support/form_fixture.h"
#include "tools/virtual-sensor/virtual_sensor.h"

namespace pulse::test {
namespace {

using namespace std::chrono_literals;

class Form1SensorTest : public FormFixture {
 protected:
  void OpenOn(vsensor::VirtualSensor& sensor) {
    sensor.Start();
    MakeFormAndOpen(sensor.SlavePath());
  }
  bool Until(const std::function<bool()>& done, std::chrono::milliseconds timeout = 5s) {
    return queue_.DispatchUntil(done, timeout);
  }
};

TEST_F(Form1SensorTest, OpenStartStreamStopClose) {
  vsensor::Options o;
  o.split = true;
  o.noise = 0.05;
  vsensor::VirtualSensor sensor(o);
  OpenOn(sensor);
  form_->bt_startClick();
  ASSERT_TRUE(Until(
      [&] { return C().StatusBar1.Panel(form::StatusPanel::kDeviceReply).text == "启动采样！"; }));
  ASSERT_TRUE(Until([&] { return S().SampleCount1 >= 100; }));
  EXPECT_FALSE(C().Label10.Caption.empty());
  EXPECT_EQ(S().ErrorCount, 0);
  EXPECT_FALSE(p1_.points.empty());

  // Every frame the sensor has sent intact so far gets drawn.
  const uint64_t sent = sensor.GetStats().data_frames_intact;
  ASSERT_TRUE(Until([&] { return static_cast<uint64_t>(S().SampleCount1) >= sent; }))
      << S().SampleCount1 << " of " << sent;
  EXPECT_EQ(S().ErrorCount, 0);

  form_->bt_startClick();
  ASSERT_TRUE(Until([&] { return !S().StopPending; }));
  EXPECT_EQ(C().StatusBar1.Panel(form::StatusPanel::kDeviceReply).text, "停止采样！");
  EXPECT_FALSE(S().Sampling);
  EXPECT_EQ(C().bt_start.Caption, "开始采样");

  form_->Bt_openClick();
  EXPECT_FALSE(S().PortOpen);
  EXPECT_EQ(C().StatusBar1.Panel(form::StatusPanel::kLinkState).text, "串口关闭");
}

// The operator clicks start as soon as the port is open, well before the
// stop that follows every open: sampling must still be running afterwards.
TEST_F(Form1SensorTest, StartClickedRightAfterOpenIsNotCancelledByTheStop) {
  vsensor::VirtualSensor sensor;
  sensor.Start();
  MakeForm({"COM1=" + sensor.SlavePath()});
  const auto opened = std::chrono::steady_clock::now();
  form_->Bt_openClick();
  ASSERT_TRUE(S().PortOpen);
  std::this_thread::sleep_until(opened + 100ms);
  form_->bt_startClick();
  queue_.DispatchUntil([] { return false; }, 400ms);  // the rest of the wait, data handled
  host_.RunDelayed();                                 // the timed step: the stop after the open
  ASSERT_TRUE(form_->StopAfterOpenSent());

  ASSERT_TRUE(Until([&] { return S().SampleCount1 >= 100; }));
  const int32_t seen = S().SampleCount1;
  queue_.DispatchUntil([] { return false; }, 300ms);
  EXPECT_GT(S().SampleCount1, seen) << "sampling ended";
  EXPECT_TRUE(S().Sampling);
  EXPECT_EQ(C().bt_start.Caption, "停止采样");
  EXPECT_EQ(C().StatusBar1.Panel(form::StatusPanel::kDeviceReply).text, "启动采样！");
  EXPECT_EQ(sensor.GetStats().commands_received[vsensor::kStop], 1u);
  EXPECT_EQ(sensor.GetStats().commands_received[vsensor::kStart], 1u);
}

TEST_F(Form1SensorTest, HangUpShowsTheFailureWithoutHanging) {
  vsensor::Options o;
  o.hangup_after = 1.0;
  vsensor::VirtualSensor sensor(o);
  customize_ = [](FormOptions& options) { options.reconnect = false; };  // 自动重连 off
  OpenOn(sensor);
  form_->bt_startClick();
  ASSERT_TRUE(Until([&] { return !S().PortOpen; }, 5s));
  EXPECT_EQ(C().StatusBar1.Panel(form::StatusPanel::kLinkState).text, "设备连接失败");
  EXPECT_EQ(C().Bt_open.Caption, "打开设备");
  EXPECT_FALSE(C().bt_start.Enabled);
}

}  // namespace
}  // namespace pulse::test
