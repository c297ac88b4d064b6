// End to end: what the virtual sensor writes, read from the pseudo-terminal in the chunks it
// arrives in and fed to the host's frame parser, with split frames, noise and bad checksums.
#include <gtest/gtest.h>

#include <vector>

#include "form/form_state.h"
#include "form/main_controls.h"
#include "protocol/form_views.h"
#include "protocol/frame_kinds.h"
#include "protocol/frame_parser.h"
#include "tests/vsensor/host_port.h"
#include "tests/vsensor/sent_frames.h"
#include "tools/virtual-sensor/virtual_sensor.h"
#include "window/reply_handler.h"

using namespace pulse::form;

namespace {

using namespace std::chrono_literals;
using pulse::test::Command;
using pulse::test::HostPort;

// Keeps the (wave, static) values of channel 1 of every shown sample.
class Views : public pulse::protocol::IFormViews {
 public:
  void ShowFrame3(double, double y1, double s1, double, double, double, double) override {
    shown.push_back({y1, s1});
  }
  void ShowChannel1(bool, double, double y, double s) override { shown.push_back({y, s}); }
  void ShowChannel2(double, double, double) override {}
  void ShowChannel3(double, double, double) override {}
  void ResetAxes() override {}
  void ShowSamplingState(bool on) override { states.push_back(on); }

  std::vector<std::pair<double, double>> shown;
  std::vector<bool> states;
};

class SensorToParser : public testing::TestWithParam<int> {
 protected:
  // Feeds the parser what the port has read since the last call, in the chunks it arrived in.
  void Feed(const HostPort& port) {
    for (; fed_ < port.Chunks().size(); ++fed_) {
      const auto& bytes = port.Chunks()[fed_].bytes;
      for (std::size_t i = 0; i < bytes.size(); i += pulse::protocol::ReceiveBuffer::kMaxChunk) {
        const std::size_t n = std::min(bytes.size() - i, pulse::protocol::ReceiveBuffer::kMaxChunk);
        parser_.Comm321ReceiveData(bytes.data() + i, static_cast<std::uint16_t>(n));
      }
    }
  }
  // Starts the sensor's stream, feeds for a while, stops it and feeds until the line is quiet.
  void StartFeedStop(HostPort& port) {
    port.Write(Command(0x31));
    const auto feed = [&] {
      Feed(port);
      return false;
    };
    port.ReadUntil(2s, feed);
    port.Write(Command(0x32));
    port.ReadUntil(3s, [&] {
      Feed(port);
      return !views_.states.empty() && !views_.states.back();
    });
    port.ReadUntil(100ms, feed);  // nothing more should come
    Feed(port);
  }

  TFormState state_;
  TMainControls controls_;
  Views views_;
  pulse::window::ReplyHandler replies_{state_, controls_, views_};
  pulse::protocol::FrameParser parser_{replies_};

 private:
  std::size_t fed_ = 0;
};

TEST_P(SensorToParser, EveryIntactFrameIsParsedAndEveryBadOneCounted) {
  pulse::vsensor::Options o;
  o.channels = GetParam();
  o.seed = 11;
  o.split = true;
  o.noise = 0.2;
  o.bad_checksum = 0.05;
  pulse::vsensor::VirtualSensor sensor(o);
  sensor.Start();
  HostPort port(sensor.SlavePath());
  StartFeedStop(port);

  const auto st = sensor.GetStats();
  ASSERT_GT(st.data_frames_intact, 200u);
  ASSERT_GT(st.data_frames_bad_checksum, 0u);
  ASSERT_GT(st.noise_bursts, 0u);
  EXPECT_EQ(views_.states, (std::vector<bool>{true, false}));
  EXPECT_EQ(views_.shown.size(), st.data_frames_intact);
  EXPECT_EQ(static_cast<std::uint64_t>(state_.SampleCount1), st.data_frames_intact);
  EXPECT_EQ(static_cast<std::uint64_t>(state_.ErrorCount), st.data_frames_bad_checksum);

  // The same frames, in the same order, with the values they carried.
  const auto scan = pulse::test::ScanFrames(port.All());
  std::size_t k = 0;
  for (const auto& f : scan.frames) {
    if (f.Code() != 0x34 || !f.checksum_ok) continue;
    ASSERT_LT(k, views_.shown.size());
    EXPECT_DOUBLE_EQ(views_.shown[k].first, f.Int16(6) * state_.UnitFactor / 1000) << "frame " << k;
    EXPECT_DOUBLE_EQ(views_.shown[k].second, f.Int16(4) * state_.UnitFactor / 10) << "frame " << k;
    ++k;
  }
  EXPECT_EQ(k, views_.shown.size());
}

// Frames that lost bytes among the other faults: every frame that arrived whole is shown, in
// order, and every one that arrived short with its header intact is one bad frame.
TEST_P(SensorToParser, LostBytesCostNoIntactFrame) {
  pulse::vsensor::Options o;
  o.channels = GetParam();
  o.seed = 23;
  o.split = true;
  o.noise = 0.1;
  o.bad_checksum = 0.05;
  o.lose_bytes = 0.1;
  pulse::vsensor::VirtualSensor sensor(o);
  sensor.Start();
  HostPort port(sensor.SlavePath());
  StartFeedStop(port);

  const auto st = sensor.GetStats();
  const auto walk = pulse::test::WalkStream(
      port.All(), pulse::test::ModelFrames(o.seed, o.channels, o.rate, st.DataFrames()));
  ASSERT_EQ(walk.error, "");
  ASSERT_GT(st.data_frames_lost_bytes, 20u);
  EXPECT_EQ(views_.states, (std::vector<bool>{true, false}));
  EXPECT_EQ(parser_.GoodDataFrames(), st.data_frames_intact);
  std::vector<std::pair<double, double>> expected;
  std::uint64_t bad = 0;
  for (std::size_t i = 0; i < walk.arrival.size(); ++i) {
    const pulse::test::Bytes& b = walk.bytes[i];
    if (walk.arrival[i] == pulse::test::Arrival::kWhole) {
      const auto raw = [&b](std::size_t at) {
        return static_cast<std::int16_t>(b[at] | b[at + 1] << 8);
      };
      expected.emplace_back(raw(6) * state_.UnitFactor / 1000, raw(4) * state_.UnitFactor / 10);
    } else if (walk.arrival[i] == pulse::test::Arrival::kBadChecksum) {
      ++bad;
    } else if (const auto* kind = pulse::protocol::FindFrameKind(b.data());
               kind != nullptr && kind->code == pulse::protocol::kCodeData) {
      ++bad;  // a short frame whose header survived
    }
  }
  EXPECT_EQ(views_.shown, expected);
  EXPECT_EQ(parser_.BadDataFrames(), bad);
  EXPECT_EQ(static_cast<std::uint64_t>(state_.ErrorCount), bad);
}

INSTANTIATE_TEST_SUITE_P(Channels, SensorToParser, testing::Values(3, 1));

}  // namespace
