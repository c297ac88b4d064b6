// TComm32 end to end with the virtual sensor on the other side of a pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "comm/comm32.h"
#include "comm/manual_queue.h"
#include "tests/comm/device_stream.h"
#include "tools/virtual-sensor/virtual_sensor.h"

using namespace pulse::comm;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::vector<uint8_t> kStartCommand = {0xF0, 0x2F, 0x01, 0x31, 0x51};
const std::vector<uint8_t> kStopCommand = {0xF0, 0x2F, 0x01, 0x32, 0x52};

struct SensorLink {
  explicit SensorLink(const pulse::vsensor::Options& options) : sensor(options), comm(queue) {
    sensor.Start();
    comm.SetCommPort(sensor.SlavePath());
    comm.SetBaudRate(256000);
    comm.SetReadIntervalTimeout(2);
    comm.OnReceiveData = [this](const uint8_t* buffer, uint16_t length) {
      received.insert(received.end(), buffer, buffer + length);
      max_chunk = std::max<size_t>(max_chunk, length);
    };
    comm.OnRequestHangup = [this](TComm32*) {
      ++hangups;
      hangup_time = Clock::now();
    };
  }
  bool Send(const std::vector<uint8_t>& frame) {
    return comm.WriteData(frame.data(), static_cast<uint32_t>(frame.size()));
  }

  pulse::vsensor::VirtualSensor sensor;
  pulse::comm::ManualQueue queue;
  TComm32 comm;
  std::vector<uint8_t> received;
  size_t max_chunk = 0;
  int hangups = 0;
  Clock::time_point hangup_time;
};

TEST(Comm32Sensor, StreamsFramesWithoutLossAndObeysStop) {
  SensorLink link(pulse::vsensor::Options{});
  ASSERT_TRUE(link.comm.OpenPort());
  ASSERT_TRUE(link.Send(kStartCommand));
  // About 100 frames at 200 frames/s.
  ASSERT_TRUE(link.queue.DispatchUntil([&] { return link.received.size() >= 100 * 17; }, 10s));
  ASSERT_TRUE(link.Send(kStopCommand));
  ASSERT_TRUE(link.queue.DispatchUntil([&] { return !link.sensor.Streaming(); }, 5s));
  // Everything the sensor wrote arrives, and nothing else.
  const uint64_t written = link.sensor.GetStats().bytes_written;
  ASSERT_TRUE(link.queue.DispatchUntil([&] { return link.received.size() >= written; }, 5s));
  link.queue.WaitAndDispatch(50ms);
  EXPECT_EQ(link.received.size(), written);
  const pulse::test::StreamCheck check = pulse::test::CheckDeviceStream(link.received);
  EXPECT_EQ(check.broken, 0u);
  EXPECT_EQ(check.data_frames, link.sensor.GetStats().data_frames_intact);
  EXPECT_EQ(link.sensor.GetStats().commands_received[pulse::vsensor::kStart], 1u);
  EXPECT_EQ(link.sensor.GetStats().commands_received[pulse::vsensor::kStop], 1u);
  EXPECT_LE(link.max_chunk, 24u);
  link.comm.ClosePort();
}

TEST(Comm32Sensor, AHangupOfTheDeviceRequestsAHangupPromptly) {
  pulse::vsensor::Options options;
  options.hangup_after = 0.3;
  const auto started = Clock::now();
  SensorLink link(options);
  ASSERT_TRUE(link.comm.OpenPort());
  ASSERT_TRUE(link.Send(kStartCommand));
  ASSERT_TRUE(link.queue.DispatchUntil([&] { return link.hangups > 0; }, 5s));
  ASSERT_TRUE(link.sensor.WaitFinished(1s));
  // The sensor closes its side 300 ms after its start. The figure includes the sensor's own
  // timer lag, so the bound is looser here than in the pty test, which times the unplug
  // itself against 100 ms.
  const auto delay = link.hangup_time - (started + 300ms);
  std::printf("hang-up request %.2f ms after the device hung up\n",
              std::chrono::duration<double, std::milli>(delay).count());
  EXPECT_LT(delay, 500ms);
  for (int i = 0; i < 100 && link.comm.ReadThreadRunning(); ++i) std::this_thread::sleep_for(10ms);
  EXPECT_FALSE(link.comm.ReadThreadRunning());
  EXPECT_EQ(pulse::test::CheckDeviceStream(link.received).broken, 0u);
  const auto start = Clock::now();
  link.comm.ClosePort();
  EXPECT_LT(Clock::now() - start, 1s);
}

}  // namespace
