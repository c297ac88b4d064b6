// The virtual sensor on real pseudo-terminals, seen from the host's side of the line.
#include "tools/virtual-sensor/virtual_sensor.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <set>
#include <thread>

#include "tests/support/temp_dir.h"
#include "tests/vsensor/host_port.h"
#include "tests/vsensor/sent_frames.h"

namespace {

using namespace std::chrono_literals;
using pulse::test::Bytes;
using pulse::test::Clock;
using pulse::test::Command;
using pulse::test::HostPort;
using pulse::test::ScanFrames;

constexpr std::uint8_t kStart = 0x31, kStop = 0x32, kZeroValues = 0x33, kZero = 0x35,
                       kSerial = 0x36, kDate = 0x37;

struct Rig {
  explicit Rig(pulse::vsensor::Options o = {}) : sensor(std::move(o)) {
    sensor.Start();
    port = std::make_unique<HostPort>(sensor.SlavePath());
  }
  // Reads until a frame with this code and length has arrived (or 2 s passed).
  bool AwaitReply(std::uint8_t code, std::uint8_t length, Clock::duration timeout = 2s) {
    bool got = false;
    port->ReadUntil(timeout, [&] {
      for (const auto& f : ScanFrames(port->All()).frames)
        if (f.Code() == code && f.Length() == length) got = true;
      return got;
    });
    return got;
  }
  // Stops the stream and reads until the stop reply, then until the line is quiet.
  void StopAndDrain() {
    port->Write(Command(kStop));
    ASSERT_TRUE(AwaitReply(kStop, 1));
    port->ReadFor(100ms);
  }

  pulse::vsensor::VirtualSensor sensor;
  std::unique_ptr<HostPort> port;
};

std::size_t CountData(const pulse::test::Scan& s, bool good) {
  return static_cast<std::size_t>(std::count_if(s.frames.begin(), s.frames.end(), [&](auto& f) {
    return f.Code() == 0x34 && f.checksum_ok == good;
  }));
}

TEST(VirtualSensorPty, EachCommandGetsItsReplyBytes) {
  pulse::vsensor::Options o;
  o.serial_number = {0x12, 0x34, 0xAB, 0xCD};
  o.zero_delay = 50ms;
  Rig rig(o);
  auto reply = [&](Bytes cmd, std::uint8_t code, std::uint8_t len) {
    rig.port->Clear();
    rig.port->Write(cmd);
    EXPECT_TRUE(rig.AwaitReply(code, len)) << "no reply to command " << int(code);
    return rig.port->All();
  };
  EXPECT_EQ(reply(Command(kSerial), kSerial, 5),
            (Bytes{0xF0, 0x1F, 0x05, 0x36, 0x12, 0x34, 0xAB, 0xCD, 0x08}));
  EXPECT_EQ(reply(Command(kDate), kDate, 5),
            (Bytes{0xF0, 0x1F, 0x05, 0x37, 0x19, 0x09, 0x23, 0x20, 0xB0}));
  EXPECT_EQ(reply(Command(kZeroValues, {200}), kZeroValues, 2),
            (Bytes{0xF0, 0x1F, 0x02, 0x33, 0xC8, 0x0C}));

  const auto z = rig.sensor.ZeroValues();
  Bytes zr = reply(Command(kZeroValues), kZeroValues, 7);
  ASSERT_EQ(zr.size(), 11u);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(static_cast<std::int16_t>(zr[4 + 2 * c] | (zr[5 + 2 * c] << 8)), z[c]);
  }
  EXPECT_TRUE(ScanFrames(zr).frames.at(0).checksum_ok);

  Bytes start = reply(Command(kStart), kStart, 1);
  EXPECT_EQ(Bytes(start.begin(), start.begin() + 5), (Bytes{0xF0, 0x1F, 0x01, 0x31, 0x41}));
  rig.port->ReadFor(100ms);
  EXPECT_GT(CountData(ScanFrames(rig.port->All()), true), 5u) << "no stream after start";

  rig.port->Clear();
  rig.port->Write(Command(kStop));
  ASSERT_TRUE(rig.AwaitReply(kStop, 1));
  rig.port->ReadFor(100ms);
  const auto after_stop = ScanFrames(rig.port->All());
  ASSERT_FALSE(after_stop.frames.empty());
  EXPECT_EQ(after_stop.frames.back().bytes, (Bytes{0xF0, 0x1F, 0x01, 0x32, 0x42}))
      << "data frames after the stop reply";
  EXPECT_FALSE(rig.sensor.Streaming());

  const auto stats = rig.sensor.GetStats();
  for (int c : {pulse::vsensor::kStart, pulse::vsensor::kStop, pulse::vsensor::kReadZero,
                pulse::vsensor::kSetFrequency, pulse::vsensor::kSerialNumber,
                pulse::vsensor::kProductionDate}) {
    EXPECT_EQ(stats.commands_received[c], 1u)
        << pulse::vsensor::CommandName(pulse::vsensor::Command(c));
    EXPECT_EQ(stats.replies_sent[c], 1u) << pulse::vsensor::CommandName(pulse::vsensor::Command(c));
  }
}

TEST(VirtualSensorPty, ZeroRebaselinesStaticPressuresAfterItsDelay) {
  pulse::vsensor::Options o;
  o.zero_delay = 150ms;
  Rig rig(o);
  rig.port->Write(Command(kStart));
  rig.port->ReadFor(300ms);
  const auto before = ScanFrames(rig.port->All());
  ASSERT_GT(CountData(before, true), 10u);
  const auto& last = before.frames.back();
  const auto z0 = rig.sensor.ZeroValues();

  rig.port->Clear();
  const auto sent = Clock::now();
  rig.port->Write(Command(kZero));
  ASSERT_TRUE(rig.AwaitReply(kZero, 1));
  const auto scan = ScanFrames(rig.port->All());
  auto ack = std::find_if(scan.frames.begin(), scan.frames.end(),
                          [](auto& f) { return f.Code() == kZero; });
  ASSERT_NE(ack, scan.frames.end());
  EXPECT_EQ(ack->bytes, (Bytes{0xF0, 0x1F, 0x01, 0x35, 0x45}));
  // The reply waits for the zeroing; the stream goes on meanwhile.
  EXPECT_GE(rig.port->Chunks().back().at - sent, 150ms);
  EXPECT_GT(ack - scan.frames.begin(), 10);

  rig.port->Clear();
  rig.port->ReadFor(100ms);
  const auto after = ScanFrames(rig.port->All());
  ASSERT_GT(CountData(after, true), 5u);
  const auto z1 = rig.sensor.ZeroValues();
  for (int c = 0; c < 3; ++c) {
    // The old reading (static + old zero) became the new zero; statics start again near 0.
    const int old_reading = last.Int16(4 + 4 * c) + z0[c];
    EXPECT_NEAR(z1[c], old_reading, 30) << "channel " << c + 1;  // within 3 hPa of drift
    EXPECT_NEAR(after.frames.back().Int16(4 + 4 * c), 0, 30) << "channel " << c + 1;
  }

  rig.port->Clear();
  rig.port->Write(Command(kZeroValues));
  ASSERT_TRUE(rig.AwaitReply(kZeroValues, 7));
  for (const auto& f : ScanFrames(rig.port->All()).frames) {
    if (f.Code() != kZeroValues) continue;
    for (int c = 0; c < 3; ++c) EXPECT_EQ(f.Int16(4 + 2 * c), z1[c]);
  }
}

TEST(VirtualSensorPty, StreamsAtTheSetRateWithoutDrift) {
  Rig rig;
  rig.port->Write(Command(kStart));
  std::vector<Clock::time_point> arrivals;
  std::size_t seen = 0;
  rig.port->ReadUntil(5200ms, [&] {
    const auto n = CountData(ScanFrames(rig.port->All()), true);
    for (; seen < n; ++seen) arrivals.push_back(rig.port->Chunks().back().at);
    return false;
  });
  ASSERT_GT(arrivals.size(), 500u);
  // Over the span of the arrivals, not counting the first (start-up) frames.
  const auto first = arrivals[10];
  const auto last = arrivals.back();
  const double secs = std::chrono::duration<double>(last - first).count();
  const double rate = static_cast<double>(arrivals.size() - 11) / secs;
  EXPECT_NEAR(rate, 200.0, 2.0) << "over " << secs << " s";
  EXPECT_EQ(rig.sensor.Rate(), 200);
}

TEST(VirtualSensorPty, SetFrequencyChangesTheRate) {
  Rig rig;
  rig.port->Write(Command(kZeroValues, {50}));
  ASSERT_TRUE(rig.AwaitReply(kZeroValues, 2));
  rig.port->Write(Command(kStart));
  ASSERT_TRUE(rig.AwaitReply(kStart, 1));
  rig.port->Clear();
  rig.port->ReadFor(1s);
  EXPECT_NEAR(static_cast<double>(CountData(ScanFrames(rig.port->All()), true)), 50.0, 5.0);
  EXPECT_EQ(rig.sensor.Rate(), 50);
}

TEST(VirtualSensorPty, OneChannelFramesAndZeroValue) {
  pulse::vsensor::Options o;
  o.channels = 1;
  Rig rig(o);
  rig.port->Write(Command(kZeroValues));
  ASSERT_TRUE(rig.AwaitReply(kZeroValues, 3));
  rig.port->Write(Command(kStart));
  rig.port->ReadFor(200ms);
  const auto scan = ScanFrames(rig.port->All());
  ASSERT_GT(CountData(scan, true), 10u);
  for (const auto& f : scan.frames) {
    if (f.Code() == 0x34) {
      EXPECT_EQ(f.bytes.size(), 9u);
    }
  }
  EXPECT_EQ(scan.skipped, 0u);
}

TEST(VirtualSensorPty, ReceivedSamplesArePlausible) {
  pulse::vsensor::Options o;
  o.seed = 7;
  Rig rig(o);
  rig.port->Write(Command(kStart));
  rig.port->ReadFor(1500ms);  // more than one beat at 60 to 90 per minute
  const auto scan = ScanFrames(rig.port->All());
  ASSERT_GT(CountData(scan, true), 250u);
  std::array<int, 3> lo{32767, 32767, 32767}, hi{-32768, -32768, -32768};
  for (const auto& f : scan.frames) {
    if (f.Code() != 0x34) continue;
    for (int c = 0; c < 3; ++c) {
      const int st = f.Int16(4 + 4 * c);
      EXPECT_GE(st, 300);   // 30 hPa: the sensor is held against the wrist
      EXPECT_LE(st, 2000);  // 200 hPa
      lo[c] = std::min<int>(lo[c], f.Int16(6 + 4 * c));
      hi[c] = std::max<int>(hi[c], f.Int16(6 + 4 * c));
    }
  }
  for (int c = 0; c < 3; ++c) {
    const int swing = hi[c] - lo[c];  // 0.001 hPa
    EXPECT_GT(swing, 1500) << "channel " << c + 1;
    EXPECT_LT(swing, 20000) << "channel " << c + 1;
  }
  EXPECT_GT(hi[0] - lo[0], hi[2] - lo[2]) << "channels should differ in amplitude";
}

TEST(VirtualSensorPty, ResynchronisesOnGarbageAndIgnoresBadCommands) {
  Rig rig;
  Bytes noisy{0x00, 0xF0, 0xF0, 0x2F, 0x09, 0x2F, 0x55};
  Bytes bad = Command(kSerial);
  bad.back() ^= 0x01;
  Bytes unknown = Command(0x38);
  Bytes stream = noisy;
  for (const Bytes* b : {&bad, &unknown}) stream.insert(stream.end(), b->begin(), b->end());
  const Bytes date = Command(kDate);
  stream.insert(stream.end(), date.begin(), date.begin() + 3);  // a command split in two writes
  rig.port->Write(stream);
  rig.port->ReadFor(30ms);
  rig.port->Write(Bytes(date.begin() + 3, date.end()));
  ASSERT_TRUE(rig.AwaitReply(kDate, 5));
  rig.port->ReadFor(50ms);
  const auto scan = ScanFrames(rig.port->All());
  ASSERT_EQ(scan.frames.size(), 1u) << "only the production date deserves a reply";
  const auto st = rig.sensor.GetStats();
  EXPECT_EQ(st.commands_bad_checksum, 1u);
  EXPECT_EQ(st.commands_unknown, 1u);
  EXPECT_EQ(st.commands_received[pulse::vsensor::kSerialNumber], 0u);
  EXPECT_EQ(st.commands_received[pulse::vsensor::kProductionDate], 1u);
  // 00, F0 (not followed by 2F), F0 2F 09 (length out of range: F0 skipped, 2F, 09), 2F, 55,
  // and the 4 bytes after the bad command's sync byte.
  EXPECT_EQ(st.garbage_bytes, 7u + 4u);
}

TEST(VirtualSensorPty, DroppedCommandsAreIgnoredAndCounted) {
  pulse::vsensor::Options o;
  o.drop_acks = 2;
  Rig rig(o);
  for (int i = 0; i < 2; ++i) {
    rig.port->Write(Command(kStart));
    rig.port->ReadFor(100ms);
  }
  EXPECT_TRUE(rig.port->All().empty()) << "an ignored start must neither reply nor stream";
  EXPECT_FALSE(rig.sensor.Streaming());
  rig.port->Write(Command(kSerial));  // counted per command: this one is dropped too
  rig.port->Write(Command(kStart));
  ASSERT_TRUE(rig.AwaitReply(kStart, 1));
  // The sensor counts a reply once its last byte is written, which may be just after the host
  // has read it: give the count a moment to follow.
  auto st = rig.sensor.GetStats();
  for (int i = 0; i < 100 && st.replies_sent[pulse::vsensor::kStart] == 0; ++i) {
    std::this_thread::sleep_for(10ms);
    st = rig.sensor.GetStats();
  }
  EXPECT_EQ(st.acks_dropped[pulse::vsensor::kStart], 2u);
  EXPECT_EQ(st.acks_dropped[pulse::vsensor::kSerialNumber], 1u);
  EXPECT_EQ(st.commands_received[pulse::vsensor::kStart], 3u);
  EXPECT_EQ(st.replies_sent[pulse::vsensor::kStart], 1u);
  EXPECT_EQ(st.replies_sent[pulse::vsensor::kSerialNumber], 0u);
}

TEST(VirtualSensorPty, InjectedFaultsMatchTheCounters) {
  pulse::vsensor::Options o;
  o.seed = 3;
  o.noise = 0.3;
  o.bad_checksum = 0.1;
  o.split = true;
  Rig rig(o);
  rig.port->Write(Command(kStart));
  rig.port->ReadFor(1s);
  rig.StopAndDrain();
  const auto scan = ScanFrames(rig.port->All());
  const auto st = rig.sensor.GetStats();
  ASSERT_GT(st.data_frames_intact, 100u);
  EXPECT_GT(st.data_frames_bad_checksum, 5u);
  EXPECT_GT(st.noise_bursts, 20u);
  EXPECT_EQ(CountData(scan, true), st.data_frames_intact);
  EXPECT_EQ(CountData(scan, false), st.data_frames_bad_checksum);
  EXPECT_EQ(scan.skipped, st.noise_bytes);
  EXPECT_EQ(scan.trailing, 0u);
  EXPECT_EQ(st.split_frames, scan.frames.size());
  // Split frames arrive in pieces: many reads end inside a frame. (A loaded machine may merge
  // pieces, so only a share is required.)
  std::size_t inside = 0, end = 0, next_frame = 0;
  for (const auto& c : rig.port->Chunks()) {
    end += c.bytes.size();
    while (next_frame < scan.frames.size() &&
           scan.frames[next_frame].offset + scan.frames[next_frame].bytes.size() <= end)
      ++next_frame;
    if (next_frame < scan.frames.size() && scan.frames[next_frame].offset < end) ++inside;
  }
  EXPECT_GT(inside, scan.frames.size() / 4)
      << inside << " reads ended inside one of " << scan.frames.size() << " frames";
  EXPECT_EQ(st.bytes_written, rig.port->All().size());
}

// Frames that lose bytes keep their F0 1F and lose 1 to 4 of the bytes after it; the data frame
// after one comes without faults; the counters say how many arrived whole.
TEST(VirtualSensorPty, LostBytesMatchTheCounters) {
  pulse::vsensor::Options o;
  o.seed = 5;
  o.noise = 0.3;
  o.bad_checksum = 0.1;
  o.lose_bytes = 0.3;
  o.split = true;
  Rig rig(o);
  rig.port->Write(Command(kStart));
  rig.port->ReadFor(1s);
  rig.StopAndDrain();
  const auto st = rig.sensor.GetStats();
  const auto walk = pulse::test::WalkStream(
      rig.port->All(), pulse::test::ModelFrames(o.seed, 3, o.rate, st.DataFrames()));
  ASSERT_EQ(walk.error, "");
  ASSERT_EQ(walk.arrival.size(), st.DataFrames());
  auto count = [&walk](pulse::test::Arrival a) {
    return static_cast<std::uint64_t>(std::count(walk.arrival.begin(), walk.arrival.end(), a));
  };
  EXPECT_GT(st.data_frames_lost_bytes, 20u);
  EXPECT_EQ(count(pulse::test::Arrival::kShort), st.data_frames_lost_bytes);
  EXPECT_EQ(count(pulse::test::Arrival::kWhole), st.data_frames_intact);
  EXPECT_EQ(count(pulse::test::Arrival::kBadChecksum), st.data_frames_bad_checksum);
  EXPECT_EQ(walk.noise_bytes, st.noise_bytes);
  EXPECT_EQ(walk.replies, 2u);  // start and stop
  std::set<std::size_t> lost_counts;
  for (std::size_t i = 0; i < walk.arrival.size(); ++i) {
    if (walk.arrival[i] != pulse::test::Arrival::kShort) continue;
    lost_counts.insert(17 - walk.bytes[i].size());
    if (i + 1 < walk.arrival.size()) {
      EXPECT_EQ(walk.arrival[i + 1], pulse::test::Arrival::kWhole) << i;
    }
  }
  EXPECT_EQ(lost_counts, (std::set<std::size_t>{1, 2, 3, 4}));
  EXPECT_EQ(st.bytes_written, rig.port->All().size());
}

TEST(VirtualSensorPty, BaudPacingLimitsTheByteRate) {
  pulse::vsensor::Options o;
  o.baud = 9600;  // 960 bytes per second, less than 200 three-channel frames need
  Rig rig(o);
  rig.port->Write(Command(kStart));
  rig.port->ReadFor(300ms);
  rig.port->Clear();
  rig.port->ReadFor(1s);
  const auto& ch = rig.port->Chunks();
  ASSERT_GT(ch.size(), 10u);
  std::size_t bytes = 0;
  for (std::size_t i = 1; i < ch.size(); ++i) bytes += ch[i].bytes.size();
  const double secs = std::chrono::duration<double>(ch.back().at - ch.front().at).count();
  EXPECT_NEAR(static_cast<double>(bytes) / secs, 960.0, 96.0);
  // What the line cannot carry is dropped at the device, so a reply still comes promptly.
  EXPECT_GT(rig.sensor.GetStats().data_frames_discarded, 100u);
  const auto asked = Clock::now();
  rig.port->Write(Command(kSerial));
  ASSERT_TRUE(rig.AwaitReply(kSerial, 5));
  EXPECT_LT(Clock::now() - asked, 500ms);
}

TEST(VirtualSensorPty, UnpacedFollowsTheReader) {
  pulse::vsensor::Options o;
  o.unpaced = true;
  Rig rig(o);
  rig.port->Write(Command(kStart));
  rig.port->ReadFor(500ms);
  rig.StopAndDrain();
  const auto scan = ScanFrames(rig.port->All());
  // Far beyond 200 per second; exact figures belong in a benchmark.
  EXPECT_GT(CountData(scan, true), 1000u);
  EXPECT_EQ(CountData(scan, true), rig.sensor.GetStats().data_frames_intact);
}

TEST(VirtualSensorPty, HangUpLooksLikeAnUnpluggedAdapter) {
  pulse::vsensor::Options o;
  o.hangup_after = 0.4;
  const pulse::test::TempDir dir("vsensor");
  o.link = dir / "hangup-link";
  Rig rig(o);
  rig.port->Write(Command(kStart));
  rig.port->ReadFor(3s);
  ASSERT_TRUE(rig.port->HungUp()) << "the host never saw the line go";
  EXPECT_TRUE(rig.sensor.WaitFinished(1s));
  EXPECT_FALSE(rig.sensor.Running());
  const auto st = rig.sensor.GetStats();
  EXPECT_EQ(st.hangups, 1u);
  EXPECT_GT(st.data_frames_intact, 20u);
  EXPECT_EQ(access(rig.sensor.SlavePath().c_str(), F_OK), -1) << "the device node stays";
  rig.sensor.Stop();
  struct stat sb {};
  EXPECT_NE(lstat(o.link.c_str(), &sb), 0) << "link left behind";
}

TEST(VirtualSensorPty, ComesBackAtItsLinkAfterAHangUpAsIfPluggedIn) {
  pulse::vsensor::Options o;
  o.hangup_after = 0.4;
  o.return_after = 0.5;
  const pulse::test::TempDir dir("vsensor");
  o.link = dir / "return-link";
  Rig rig(o);
  rig.port->Write(Command(kStart));
  rig.port->ReadFor(3s);
  ASSERT_TRUE(rig.port->HungUp());
  // Away: the link goes with the terminal, as an unplugged adapter's by-id link does.
  struct stat sb {};
  EXPECT_NE(lstat(o.link.c_str(), &sb), 0) << "link kept while away";
  EXPECT_TRUE(rig.sensor.Running());

  std::string back;
  for (auto until = Clock::now() + 3s; Clock::now() < until && back.empty();) {
    std::this_thread::sleep_for(20ms);
    back = rig.sensor.CurrentSlavePath();
  }
  ASSERT_FALSE(back.empty()) << "never came back";
  char target[256] = {};
  ASSERT_GT(readlink(o.link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target), back);

  // Powered up afresh: silent until started, and answering.
  HostPort again(o.link);
  again.ReadFor(300ms);
  EXPECT_EQ(CountData(ScanFrames(again.All()), true), 0u);
  EXPECT_FALSE(rig.sensor.Streaming());
  again.Write(Command(kStart));
  again.ReadUntil(2s, [&] { return CountData(ScanFrames(again.All()), true) >= 20; });
  EXPECT_GE(CountData(ScanFrames(again.All()), true), 20u);
  const auto st = rig.sensor.GetStats();
  EXPECT_EQ(st.hangups, 1u);
  EXPECT_EQ(st.returns, 1u);
  rig.sensor.Stop();
  EXPECT_NE(lstat(o.link.c_str(), &sb), 0) << "link left behind";
}

TEST(VirtualSensorPty, LinkPointsAtTheSlaveAndNeverReplacesAFile) {
  pulse::vsensor::Options o;
  const pulse::test::TempDir dir("vsensor");
  o.link = dir / "link";
  unlink(o.link.c_str());
  {
    pulse::vsensor::VirtualSensor s(o);
    s.Start();
    char target[256] = {};
    ASSERT_GT(readlink(o.link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), s.SlavePath());
    HostPort via_link(o.link);
    via_link.Write(Command(kSerial));
    via_link.ReadUntil(2s, [&] { return via_link.All().size() >= 9; });
    EXPECT_EQ(via_link.All().size(), 9u);
  }
  struct stat sb {};
  EXPECT_NE(lstat(o.link.c_str(), &sb), 0);

  std::ofstream(o.link) << "keep me";
  pulse::vsensor::VirtualSensor s(o);
  EXPECT_THROW(s.Start(), std::system_error);
  std::string content;
  std::getline(std::ifstream(o.link), content);
  EXPECT_EQ(content, "keep me");
  unlink(o.link.c_str());
}

}  // namespace
