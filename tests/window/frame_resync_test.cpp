// The receive path after bytes were lost on the line: a damaged frame ends
// where the next header starts, so the frames after it survive; frames still
// arriving wait. Seen from the window: views, error log, record.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/frame_parser.h"
#include "tests/protocol/test_support.h"
#include "window/reply_handler.h"

using namespace pulse::form;

namespace {

using pulse::test::Bytes;
using pulse::test::Concat;
using pulse::test::Data1;
using pulse::test::Data3;
using pulse::test::Reply;

// The frame with the bytes at `lost` (positions in the whole frame) taken out.
Bytes Lose(const Bytes& frame, std::vector<size_t> lost) {
  std::sort(lost.rbegin(), lost.rend());
  Bytes out = frame;
  for (size_t i : lost) out.erase(out.begin() + static_cast<std::ptrdiff_t>(i));
  return out;
}

std::string Text(const Bytes& b) {
  return pulse::protocol::FrameText(b.data(), b.size());
}

// Whether the `size` bytes of `damaged` followed by `next` pass the checksum
// test of a frame of that size.
bool SpanChecksumHolds(const Bytes& damaged, const Bytes& next, size_t size) {
  const Bytes span = Concat({damaged, next});
  return pulse::protocol::Checksum(span.data(), size - 1) == span[size - 1];
}

// Changes one data byte of `damaged` so that its span, running into `next`,
// passes the checksum test as 1 damaged frame in 256 does.
void MakeSpanChecksumHold(Bytes& damaged, const Bytes& next, size_t size) {
  while (!SpanChecksumHolds(damaged, next, size)) ++damaged[4];
}

// The window state and fakes around one parser, with recording on.
struct Host {
  Host() {
    state.UnitFactor = 1.0;
    controls.CheckBox1.checked = true;
  }
  void Feed(const Bytes& bytes, size_t chunk = 24) {
    for (size_t i = 0; i < bytes.size(); i += chunk) {
      const size_t n = std::min(chunk, bytes.size() - i);
      parser.Comm321ReceiveData(bytes.data() + i, static_cast<uint16_t>(n));
    }
  }
  std::vector<std::string> Record() const {
    return {state.RecordList.begin(), state.RecordList.end()};
  }
  const std::vector<std::string>& Memo() const { return controls.Memo1.lines.Items(); }

  TFormState state;
  TMainControls controls;
  pulse::test::RecordingViews views;
  pulse::window::ReplyHandler replies{state, controls, views};
  pulse::protocol::FrameParser parser{replies};
};

constexpr size_t kChunkSizes[] = {1, 5, 24, 2048};

TEST(FrameResync, DataFrameWithLostBytesEndsAtTheNextHeader) {
  const Bytes next3 = Data3(101, 102, 103, 104, 105, 106);
  const Bytes next1 = Data1(-7, 77);
  struct Case {
    Bytes frame;
    std::vector<size_t> lost;
  };
  const Bytes f3 = Data3(1000, -2000, 3000, -4000, 5000, -6000);
  const Bytes f1 = Data1(300, -400);
  const std::vector<Case> cases = {
      {f3, {16}},         {f3, {4}}, {f3, {9, 10}}, {f3, {5, 11, 15}}, {f3, {4, 8, 12, 16}},
      {f3, {6, 7, 8, 9}}, {f1, {8}}, {f1, {4, 5}},  {f1, {5, 6, 7}},   {f1, {4, 5, 6, 7}},
  };
  for (const Case& c : cases) {
    const Bytes damaged = Lose(c.frame, c.lost);
    for (size_t chunk : kChunkSizes) {
      SCOPED_TRACE(Text(damaged) + " in chunks of " + std::to_string(chunk));
      Host h;
      h.Feed(Concat({damaged, next3, next1}), chunk);
      ASSERT_EQ(h.views.calls.size(), 2u);
      EXPECT_EQ(h.views.calls[0].op, "Frame3");
      EXPECT_EQ(h.views.calls[0].v, (std::vector<double>{0.102, 10.1, 0.104, 10.3, 0.106, 10.5}));
      EXPECT_EQ(h.views.calls[1].op, "Channel1");
      EXPECT_EQ(h.views.calls[1].v, (std::vector<double>{0.077, -0.7}));
      EXPECT_EQ(h.state.ErrorCount, 1);
      EXPECT_EQ(h.controls.Label_cnt.Caption, "1");
      // The damaged frame is logged and recorded as far as it went.
      EXPECT_EQ(h.Memo(), std::vector<std::string>{Text(damaged)});
      EXPECT_EQ(h.Record(), (std::vector<std::string>{Text(damaged), Text(next3), Text(next1)}));
      EXPECT_EQ(h.parser.GoodDataFrames(), 2u);
      EXPECT_EQ(h.parser.BadDataFrames(), 1u);
    }
  }
}

// 1 damaged frame in 256 passes the checksum test by chance; the whole
// correct frame inside its span still shows where it really ended.
TEST(FrameResync, DamagedFramePassingItsChecksumEndsAtAWholeInnerFrame) {
  const Bytes next = Data3(11, 12, 13, 14, 15, 16);
  for (const std::vector<size_t>& lost : {std::vector<size_t>{10}, {6, 7, 8}, {5, 9, 13, 14}}) {
    Bytes damaged = Lose(Data3(500, 600, 700, 800, 900, 1000), lost);
    MakeSpanChecksumHold(damaged, next, 17);
    for (size_t chunk : kChunkSizes) {
      SCOPED_TRACE(Text(damaged) + " in chunks of " + std::to_string(chunk));
      Host h;
      h.Feed(Concat({damaged, next}), chunk);
      ASSERT_EQ(h.views.calls.size(), 1u);  // no sample made of the damaged bytes
      EXPECT_EQ(h.views.calls[0].v[1], 1.1);
      EXPECT_EQ(h.state.ErrorCount, 1);
      EXPECT_EQ(h.Record(), (std::vector<std::string>{Text(damaged), Text(next)}));
    }
  }

  // The span ends on the next frame's first byte: judged only once the bytes
  // after it show whether a header starts there.
  Bytes damaged = Lose(Data3(500, 600, 700, 800, 900, 1000), {12});
  MakeSpanChecksumHold(damaged, next, 17);
  Host h;
  h.Feed(Concat({damaged, Bytes{next[0]}}));
  EXPECT_TRUE(h.views.calls.empty());
  EXPECT_EQ(h.state.ErrorCount, 0);
  h.Feed(Bytes(next.begin() + 1, next.end()));
  ASSERT_EQ(h.views.calls.size(), 1u);
  EXPECT_EQ(h.views.calls[0].v[1], 1.1);
  EXPECT_EQ(h.state.ErrorCount, 1);
}

TEST(FrameResync, ReplyWithLostBytesDoesNotSwallowTheStopAck) {
  const Bytes zero = Reply(0x33, {0x0A, 0x00, 0x14, 0x00, 0x1E, 0x00});
  for (const std::vector<size_t>& lost : {std::vector<size_t>{5}, {4, 5}, {9}}) {
    const Bytes damaged = Lose(zero, lost);
    for (size_t chunk : kChunkSizes) {
      SCOPED_TRACE(Text(damaged) + " in chunks of " + std::to_string(chunk));
      Host h;
      h.state.Sampling = true;
      h.state.StopPending = true;
      h.Feed(Concat({damaged, Reply(0x32, {})}), chunk);
      EXPECT_FALSE(h.state.StopPending);
      EXPECT_FALSE(h.state.Sampling);
      EXPECT_EQ(h.controls.StatusBar1.Panel(StatusPanel::kDeviceReply).text, "停止采样！");
      // Its values may be shifted: none is shown.
      EXPECT_EQ(h.controls.Panel10.Caption, "零点值:");
      EXPECT_EQ(h.controls.Panel12.Caption, "零点值:");
      // Logged, but it is no bad data frame and no record line.
      EXPECT_EQ(h.Memo(), std::vector<std::string>{Text(damaged)});
      EXPECT_EQ(h.state.ErrorCount, 0);
      EXPECT_EQ(h.parser.BadDataFrames(), 0u);
      EXPECT_TRUE(h.Record().empty());
    }
  }

  // A frequency acknowledgement that lost its rate sets no rate.
  Host h;
  h.Feed(Concat({Lose(Reply(0x33, {50}), {4}), Reply(0x31, {})}));
  EXPECT_EQ(h.state.SampleRate, 200);
  EXPECT_EQ(h.views.Count("ResetAxes"), 0);
  EXPECT_TRUE(h.state.Sampling);

  // An acknowledgement that lost its checksum still counts, and the data
  // frame right behind it is drawn.
  Host a;
  a.Feed(Concat({Lose(Reply(0x31, {}), {4}), Data1(1, 2)}));
  EXPECT_TRUE(a.state.Sampling);
  EXPECT_EQ(a.views.Count("Channel1"), 1);
  EXPECT_EQ(a.Memo(), std::vector<std::string>{"F0 1F 01 31"});
  EXPECT_EQ(a.state.ErrorCount, 0);
}

TEST(FrameResync, SplitFrameWaitsUntilItCanBeJudged) {
  // An intact frame whose data looks like a one-channel header (F0 1F 05 34
  // at offset 4); that "frame" fails its checksum. Not damaged, only split.
  const Bytes intact = Data3(0x1FF0, 0x3405, 0, 0, 1, 2);
  ASSERT_NE(pulse::protocol::FindFrameKind(intact.data() + 4), nullptr);
  {
    Host h;
    h.Feed(Bytes(intact.begin(), intact.begin() + 12));       // inner "frame" not all here
    h.Feed(Bytes(intact.begin() + 12, intact.begin() + 16));  // here, and not correct
    EXPECT_TRUE(h.views.calls.empty());
    EXPECT_EQ(h.state.ErrorCount, 0);
    h.Feed(Bytes(intact.begin() + 16, intact.end()));
    ASSERT_EQ(h.views.calls.size(), 1u);
    EXPECT_EQ(h.views.calls[0].v[1], 817.6);
    EXPECT_EQ(h.state.ErrorCount, 0);
  }

  // A damaged frame whose span is here but ends inside the next header:
  // it waits for that header instead of jumping past it.
  const Bytes next = Data1(5, 6);
  const Bytes damaged = Lose(Data3(1, 2, 3, 4, 5, 6), {5, 6});
  {
    Host h;
    h.Feed(Concat({damaged, Bytes{next[0], next[1]}}));
    EXPECT_EQ(h.state.ErrorCount, 0);
    EXPECT_TRUE(h.Record().empty());
    h.Feed(Bytes(next.begin() + 2, next.end()));
    EXPECT_EQ(h.views.Count("Channel1"), 1);
    EXPECT_EQ(h.Memo(), std::vector<std::string>{Text(damaged)});
  }

  // A frame cut short by a longer drop-out: a whole correct frame inside its
  // span decides at once, before the span is all here.
  const Bytes whole = Data3(1, 2, 3, 4, 5, 6);
  const Bytes stump(whole.begin(), whole.begin() + 6);
  const Bytes start = Reply(0x31, {});
  {
    Host h;
    h.Feed(Concat({stump, Bytes(start.begin(), start.end() - 1)}));
    EXPECT_FALSE(h.state.Sampling);  // the inner frame is not whole yet
    EXPECT_EQ(h.state.ErrorCount, 0);
    h.Feed(Bytes{start.back()});
    EXPECT_TRUE(h.state.Sampling);
    EXPECT_EQ(h.Memo(), std::vector<std::string>{Text(stump)});
    EXPECT_EQ(h.state.ErrorCount, 1);
  }
}

TEST(FrameResync, ReplyIsCutOnlyWhenItsChecksumFails) {
  // Zero values whose data holds a whole, correct stop acknowledgement.
  const Bytes good = Reply(0x33, {0xF0, 0x1F, 0x01, 0x32, 0x42, 0x00});
  ASSERT_EQ(pulse::protocol::Checksum(good.data() + 4, 4), good[8]);
  Host h;
  h.state.StopPending = true;
  h.Feed(good);
  EXPECT_EQ(h.controls.Panel10.Caption, "零点值: 817.60 hPa");
  EXPECT_EQ(h.controls.Panel11.Caption, "零点值: 1280.10 hPa");
  EXPECT_TRUE(h.state.StopPending);
  EXPECT_TRUE(h.Memo().empty());

  // The same bytes with a wrong checksum: the reply lost bytes, and the
  // header inside it is the frame that came next.
  Bytes bad = good;
  bad.back() += 1;
  Host b;
  b.state.StopPending = true;
  b.Feed(bad);
  EXPECT_FALSE(b.state.StopPending);
  EXPECT_EQ(b.controls.Panel10.Caption, "零点值:");
  EXPECT_EQ(b.Memo(), std::vector<std::string>{"F0 1F 07 33"});
}

TEST(FrameResync, BadChecksumWithoutInnerHeaderIsLoggedWhole) {
  Bytes bad = Data3(7, 8, 9, 10, 11, 12);
  bad.back() += 3;
  const Bytes next = Data1(1, 1);
  Host h;
  h.Feed(Concat({bad, next}));
  EXPECT_EQ(h.Memo(), std::vector<std::string>{Text(bad)});
  EXPECT_EQ(h.Record(), (std::vector<std::string>{Text(bad), Text(next)}));
  EXPECT_EQ(h.views.calls.size(), 1u);

  // A wrong checksum of F0 might start the next header: the frame waits for
  // the byte after it, then is logged whole as before.
  Bytes f0 = Data3(7, 8, 9, 10, 11, 12);
  ASSERT_NE(f0.back(), 0xF0);
  f0.back() = 0xF0;
  Host w;
  w.Feed(f0);
  EXPECT_EQ(w.state.ErrorCount, 0);
  w.Feed(next);
  EXPECT_EQ(w.Memo(), std::vector<std::string>{Text(f0)});
  EXPECT_EQ(w.Record(), (std::vector<std::string>{Text(f0), Text(next)}));
  EXPECT_EQ(w.views.calls.size(), 1u);
}

// A long stream with every kind of damage, in random chunks. After a damaged
// frame the next one comes clean: followed by noise, a damaged frame passes
// the 8-bit checksum 1 time in 256 and nothing could tell.
TEST(FrameResync, EveryIntactFrameSurvivesDamageAroundIt) {
  uint64_t seed = 0x9E3779B97F4A7C15ull;
  auto next = [&seed](uint32_t n) {  // uniform in [0, n)
    seed ^= seed << 13;
    seed ^= seed >> 7;
    seed ^= seed << 17;
    return static_cast<uint32_t>(seed % n);
  };
  auto value = [&next] { return static_cast<int16_t>(next(65536) - 32768); };

  Bytes stream;
  std::vector<std::string> expected_record;
  std::vector<double> expected_static1;
  uint64_t intact = 0, bad = 0, damaged_frames = 0;
  bool clean = false;
  for (int i = 0; i < 6000; ++i) {
    if (!clean && next(10) == 0) {
      Bytes noise(1 + next(8));
      for (auto& b : noise) {
        do b = static_cast<uint8_t>(next(256));
        while (b == 0xF0 || b == 0x1F);
      }
      stream.insert(stream.end(), noise.begin(), noise.end());
    }
    if (next(30) == 0) {
      const Bytes r = next(2) ? Reply(0x31, {})
                              : Reply(0x36, {static_cast<uint8_t>(next(256)), 0xF0, 0x1F,
                                             static_cast<uint8_t>(next(256))});
      stream.insert(stream.end(), r.begin(), r.end());
    }
    const int16_t s1 = value();
    Bytes f = next(5) ? Data3(s1, value(), value(), value(), value(), value()) : Data1(s1, value());
    const uint32_t fault = clean ? 99 : next(100);
    clean = false;
    if (fault < 10) {
      std::vector<size_t> lost;
      const size_t k = 1 + next(4);
      while (lost.size() < k) {
        const size_t at = 2 + next(static_cast<uint32_t>(f.size() - 2));
        if (std::find(lost.begin(), lost.end(), at) == lost.end()) lost.push_back(at);
      }
      f = Lose(f, lost);
      ++damaged_frames;
      clean = true;
      // Only a frame whose header survived is seen as a (bad) data frame.
      const pulse::protocol::FrameKindInfo* kind = pulse::protocol::FindFrameKind(f.data());
      if (kind != nullptr && kind->code == 0x34) {
        ++bad;
        expected_record.push_back(Text(f));
      }
    } else if (fault < 15) {
      f.back() = static_cast<uint8_t>(f.back() + 1 + next(255));
      ++bad;
      expected_record.push_back(Text(f));
    } else {
      ++intact;
      expected_record.push_back(Text(f));
      expected_static1.push_back(s1 / 10.0);
    }
    stream.insert(stream.end(), f.begin(), f.end());
  }
  stream.push_back(0x00);  // the last frame's end is known only from the byte after it

  Host h;
  h.state.SampleRate = 10000;  // keeps every record line
  for (size_t i = 0; i < stream.size();) {
    const size_t n = std::min<size_t>(1 + next(48), stream.size() - i);
    h.parser.Comm321ReceiveData(stream.data() + i, static_cast<uint16_t>(n));
    i += n;
  }
  ASSERT_GT(damaged_frames, 400u);
  EXPECT_EQ(h.parser.GoodDataFrames(), intact);
  EXPECT_EQ(h.parser.BadDataFrames(), bad);
  std::vector<double> static1;
  for (const auto& c : h.views.calls) {
    if (c.op == "Frame3" || c.op == "Channel1") static1.push_back(c.v[1]);
  }
  EXPECT_EQ(static1, expected_static1);
  const std::vector<std::string> record = h.Record();
  ASSERT_EQ(record.size(), expected_record.size());
  for (size_t i = 0; i < record.size(); ++i) ASSERT_EQ(record[i], expected_record[i]) << i;
}

}  // namespace
