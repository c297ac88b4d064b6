// What the device's replies do to the window: bytes go through the frame
// parser, and the texts, states, views, error log and record come out.
#include "window/reply_handler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/frame_parser.h"
#include "tests/protocol/test_support.h"

using namespace pulse::form;

namespace {

using pulse::test::Bytes;
using pulse::test::Concat;
using pulse::test::Data1;
using pulse::test::Data3;
using pulse::test::Reply;

class ReplyHandlerTest : public ::testing::Test {
 protected:
  ReplyHandlerTest() { state_.UnitFactor = 1.0; }

  void Feed(const Bytes& bytes, size_t chunk = 24) {
    for (size_t i = 0; i < bytes.size(); i += chunk) {
      const size_t n = std::min(chunk, bytes.size() - i);
      parser_.Comm321ReceiveData(bytes.data() + i, static_cast<uint16_t>(n));
    }
  }
  const std::string& Panel3() const {
    return controls_.StatusBar1.Panel(StatusPanel::kDeviceReply).text;
  }

  TFormState state_;
  TMainControls controls_;
  pulse::test::RecordingViews views_;
  pulse::window::ReplyHandler replies_{state_, controls_, views_};
  pulse::protocol::FrameParser parser_{replies_};
};

TEST_F(ReplyHandlerTest, OneChannelFrameGoodAndBadChecksum) {
  Bytes f = Data1(10, 500);
  Feed(f);
  ASSERT_EQ(views_.calls.size(), 1u);
  EXPECT_EQ(views_.calls[0].op, "Channel1");
  EXPECT_FALSE(views_.calls[0].scroll);  // live data sweeps
  EXPECT_EQ(views_.calls[0].t, 1);
  EXPECT_EQ(views_.calls[0].v, (std::vector<double>{0.5, 1.0}));
  EXPECT_EQ(state_.SampleCount1, 1);

  f.back() += 1;
  Feed(f);
  EXPECT_EQ(views_.calls.size(), 1u);
  EXPECT_EQ(state_.SampleCount1, 1);
  EXPECT_EQ(state_.ErrorCount, 1);
  EXPECT_EQ(controls_.Label_cnt.Caption, "1");
  ASSERT_EQ(controls_.Memo1.lines.Count(), 1);
  EXPECT_EQ(controls_.Memo1.lines[0], pulse::protocol::FrameText(f.data(), f.size()));
}

TEST_F(ReplyHandlerTest, ThreeChannelFrameValuesInViewOrder) {
  state_.UnitFactor = 10.0;
  Feed(Data3(10, 100, 20, 200, -30, -300));
  ASSERT_EQ(views_.calls.size(), 1u);
  EXPECT_EQ(views_.calls[0].op, "Frame3");
  // y1 s1 y2 s2 y3 s3: wave = raw*f/1000, static = raw*f/10.
  EXPECT_EQ(views_.calls[0].v, (std::vector<double>{1, 10, 2, 20, -3, -30}));

  // The static curve option replaces channel 1's plotted value only.
  controls_.ch_jy.checked = true;
  Feed(Data3(10, 100, 20, 200, -30, -300));
  EXPECT_EQ(views_.calls[1].v, (std::vector<double>{10, 10, 2, 20, -3, -30}));
  EXPECT_EQ(views_.calls[1].t, 2);
}

TEST_F(ReplyHandlerTest, UnitFactorIsReadPerSample) {
  Feed(Data1(10, 0));
  state_.UnitFactor = 0.1;
  Feed(Data1(10, 0));
  EXPECT_DOUBLE_EQ(views_.calls[0].v[1], 1.0);
  EXPECT_DOUBLE_EQ(views_.calls[1].v[1], 0.1);
}

TEST_F(ReplyHandlerTest, SamplingAcknowledgements) {
  Feed(Reply(0x31, {}));
  EXPECT_TRUE(state_.Sampling);
  EXPECT_EQ(Panel3(), "启动采样！");
  ASSERT_EQ(views_.Count("SamplingState"), 1);
  EXPECT_EQ(views_.calls.back().v[0], 1.0);

  state_.StopPending = true;
  Feed(Reply(0x32, {}));
  EXPECT_FALSE(state_.Sampling);
  EXPECT_FALSE(state_.StopPending);
  EXPECT_EQ(Panel3(), "停止采样！");
  ASSERT_EQ(views_.Count("SamplingState"), 2);
  EXPECT_EQ(views_.calls.back().v[0], 0.0);

  state_.ZeroPending = true;
  state_.RestartTicks = 3;
  Feed(Reply(0x35, {}));
  EXPECT_FALSE(state_.ZeroPending);
  EXPECT_TRUE(state_.RestartPending);
  EXPECT_EQ(state_.RestartTicks, 0);
  EXPECT_EQ(Panel3(), "清零成功！");
  EXPECT_EQ(state_.SampleCount1, 0);
}

TEST_F(ReplyHandlerTest, ZeroValuesInHectopascal) {
  state_.UnitFactor = 10.1972;  // ignored for zero values
  Feed(Reply(0x33, {0xF6, 0xFF}));
  EXPECT_EQ(controls_.Panel10.Caption, "零点值: -1.00 hPa");
  EXPECT_EQ(controls_.Panel11.Caption, "零点值:");
  Feed(Reply(0x33, {0x00, 0x00, 0x0C, 0x00, 0x00, 0x80}));
  EXPECT_EQ(controls_.Panel10.Caption, "零点值: 0.00 hPa");
  EXPECT_EQ(controls_.Panel11.Caption, "零点值: 1.20 hPa");
  EXPECT_EQ(controls_.Panel12.Caption, "零点值: -3276.80 hPa");
}

TEST_F(ReplyHandlerTest, FrequencyAcknowledgement) {
  Feed(Reply(0x33, {50}));
  EXPECT_EQ(state_.SampleRate, 50);
  EXPECT_EQ(Panel3(), "50频率设置成功！");
  EXPECT_EQ(views_.Count("ResetAxes"), 1);
}

// A reported rate of 0 would divide the time base by zero and empty the
// record list: it is shown, and the last usable rate stays.
TEST_F(ReplyHandlerTest, FrequencyZeroKeepsLastRate) {
  Feed(Reply(0x33, {0}));
  EXPECT_EQ(state_.SampleRate, 200);
  EXPECT_EQ(Panel3(), "0频率设置成功！");
  EXPECT_EQ(views_.Count("ResetAxes"), 1);
}

TEST_F(ReplyHandlerTest, SerialNumberAndProductionDate) {
  Feed(Reply(0x36, {0x0A, 0xBC, 0x01, 0xFF}));
  EXPECT_EQ(state_.SerialNumber, "0ABC01FF");
  EXPECT_EQ(controls_.Edit_sn.text, "0ABC01FF");
  Feed(Reply(0x37, {0x19, 0x09, 0x23, 0x20}));
  EXPECT_EQ(state_.ProductionDate, "2019-09-23");
  EXPECT_EQ(controls_.Edit_date.text, "2019-09-23");
}

TEST_F(ReplyHandlerTest, RepliesAreNotChecksumTested) {
  Bytes ack = Reply(0x31, {});
  ack.back() ^= 0x5A;
  Bytes sn = Reply(0x36, {1, 2, 3, 4});
  sn.back() += 1;
  Feed(Concat({ack, sn}));
  EXPECT_TRUE(state_.Sampling);
  EXPECT_EQ(state_.SerialNumber, "01020304");
  EXPECT_EQ(state_.ErrorCount, 0);
}

TEST_F(ReplyHandlerTest, OneBytePerChunkMixedStream) {
  const Bytes stream =
      Concat({Data3(1, 2, 3, 4, 5, 6), Reply(0x31, {}), Data1(7, 8), Reply(0x33, {0x0A, 0x00}),
              Data3(9, 9, 9, 9, 9, 9), Reply(0x33, {100}), Data1(1, 1)});
  Feed(stream, 1);
  EXPECT_EQ(views_.Count("Frame3"), 2);
  EXPECT_EQ(views_.Count("Channel1"), 2);
  EXPECT_TRUE(state_.Sampling);
  EXPECT_EQ(controls_.Panel10.Caption, "零点值: 1.00 hPa");
  EXPECT_EQ(state_.SampleRate, 100);
  EXPECT_EQ(state_.SampleCount1, 4);
}

TEST_F(ReplyHandlerTest, StopPendingDropsGoodFramesButLogsBadOnes) {
  controls_.CheckBox1.checked = true;
  state_.StopPending = true;
  Bytes bad = Data1(1, 1);
  bad.back() ^= 1;
  Feed(Concat({Data3(1, 2, 3, 4, 5, 6), bad, Data1(2, 2)}));
  EXPECT_TRUE(views_.calls.empty());
  EXPECT_EQ(state_.SampleCount1, 0);
  EXPECT_EQ(state_.ErrorCount, 1);
  EXPECT_EQ(controls_.Memo1.lines.Count(), 1);
  EXPECT_TRUE(state_.RecordList.empty());
}

TEST_F(ReplyHandlerTest, MemoIsClearedWhenOverAHundredLines) {
  Bytes bad = Data1(1, 1);
  bad.back() ^= 1;
  for (int i = 0; i < 101; ++i) Feed(bad);
  EXPECT_EQ(controls_.Memo1.lines.Count(), 101);
  Feed(bad);
  EXPECT_EQ(controls_.Memo1.lines.Count(), 1);
  EXPECT_EQ(state_.ErrorCount, 102);
  EXPECT_EQ(controls_.Label_cnt.Caption, "102");
}

TEST_F(ReplyHandlerTest, RecordingAppendsOneLinePerDataFrame) {
  controls_.CheckBox1.checked = true;
  Bytes bad = Data1(5, 5);
  bad.back() ^= 1;
  Feed(Concat({Reply(0x31, {}), Data1(10, 500), bad, Reply(0x35, {}), Data3(1, 2, 3, 4, 5, 6)}));
  ASSERT_EQ(state_.RecordList.size(), 3u);
  EXPECT_EQ(state_.RecordList[0], "F0 1F 05 34 0A 00 F4 01 47");
  EXPECT_EQ(state_.RecordList[1], pulse::protocol::FrameText(bad.data(), bad.size()));
  EXPECT_EQ(state_.RecordList[2].substr(0, 11), "F0 1F 0D 34");

  // Unticked: nothing more is recorded.
  controls_.CheckBox1.checked = false;
  Feed(Data1(1, 1));
  EXPECT_EQ(state_.RecordList.size(), 3u);
}

TEST_F(ReplyHandlerTest, RecordListKeepsTwentySecondsOfFrames) {
  controls_.CheckBox1.checked = true;
  state_.SampleRate = 2;  // limit 40 lines
  for (int16_t i = 0; i < 100; ++i) Feed(Data1(i, 0));
  // Each frame's step appends, the next step (its checksum byte) trims.
  ASSERT_EQ(state_.RecordList.size(), 41u);
  const Bytes last = Data1(99, 0);
  const Bytes first_kept = Data1(59, 0);
  EXPECT_EQ(state_.RecordList.back(), pulse::protocol::FrameText(last.data(), last.size()));
  EXPECT_EQ(state_.RecordList.front(),
            pulse::protocol::FrameText(first_kept.data(), first_kept.size()));

  // A lower rate trims one line per step, recording or not.
  controls_.CheckBox1.checked = false;
  state_.SampleRate = 1;
  Feed(Bytes(10, 0x00));  // with the checksum byte left over: 11 bytes, 7 steps
  EXPECT_EQ(state_.RecordList.size(), 41u - 7u);
}

TEST_F(ReplyHandlerTest, CounterLabelAfterARun) {
  Feed(Concat({Data3(1, 1, 1, 1, 1, 1), Data1(1, 1), Data3(1, 1, 1, 1, 1, 1), Bytes(6, 0)}));
  EXPECT_EQ(controls_.Label10.Caption, "3");
}

// The totals count every data frame by its checksum, whether drawn or not,
// and nothing else; bytes count what the link offered, dropped chunks too.
TEST_F(ReplyHandlerTest, TotalsAccountForEveryDataFrame) {
  Bytes bad1 = Data1(1, 1);
  bad1.back() ^= 0x40;
  Bytes bad3 = Data3(1, 2, 3, 4, 5, 6);
  bad3.back() ^= 1;
  const Bytes stream =
      Concat({Bytes{0x00, 0xF0, 0x12}, Reply(0x31, {}), Data1(1, 2), bad1, Data3(1, 2, 3, 4, 5, 6),
              Reply(0x33, {5, 0}), bad3, Data1(3, 4), Reply(0x32, {})});
  Feed(stream, 3);  // frames split across chunks
  EXPECT_EQ(parser_.GoodDataFrames(), 3u);
  EXPECT_EQ(parser_.BadDataFrames(), 2u);
  EXPECT_EQ(parser_.BytesReceived(), stream.size());

  // Not drawn while a stop is pending, still counted.
  state_.StopPending = true;
  Feed(Concat({Data3(1, 1, 1, 1, 1, 1), bad1}));
  EXPECT_EQ(parser_.GoodDataFrames(), 4u);
  EXPECT_EQ(parser_.BadDataFrames(), 3u);

  // The window's error counter wraps; the total does not.
  state_.ErrorCount = INT32_MAX;
  Feed(bad1);
  EXPECT_EQ(state_.ErrorCount, 0);
  EXPECT_EQ(parser_.BadDataFrames(), 4u);

  // A chunk dropped whole: its bytes are counted, its frames never parsed.
  const Bytes big(pulse::protocol::ReceiveBuffer::kMaxChunk + 1, 0x00);
  const uint64_t before = parser_.BytesReceived();
  parser_.Comm321ReceiveData(big.data(), static_cast<uint16_t>(big.size()));
  EXPECT_EQ(parser_.BytesReceived(), before + big.size());
  EXPECT_EQ(parser_.GoodDataFrames(), 4u);
}

}  // namespace

namespace pulse::window {
namespace {

class LineLog : public protocol::IDataLineSink {
 public:
  void TakeDataLine(std::string_view line) override { lines.emplace_back(line); }
  std::vector<std::string> lines;
};

class FrameLog : public protocol::IDataFrameSink {
 public:
  void OnDataFrame(const protocol::DataFrame1& frame) override {
    statics.push_back(frame.static_raw);
  }
  void OnDataFrame(const protocol::DataFrame3& frame) override {
    statics.push_back(frame.static_raw[2]);
  }
  std::vector<int> statics;
};

// The session takes every data frame line, bad ones and those arriving while a
// stop is pending too; the analysis only what is drawn.
TEST_F(ReplyHandlerTest, LineSinkSeesEveryDataFrameFrameSinkOnlyDrawnOnes) {
  LineLog lines;
  FrameLog frames;
  replies_.SetDataLineSink(&lines);
  replies_.SetDataFrameSink(&frames);
  Bytes bad = test::Data1(9, 9);
  bad.back() ^= 1;
  const Bytes good3 = test::Data3(1, 2, 3, 4, 5, 6);
  const Bytes good1 = test::Data1(7, 8);
  Feed(Concat({good3, test::Reply(0x31, {}), bad, good1}));
  state_.StopPending = true;
  const Bytes late = test::Data1(11, 12);
  Feed(late);

  EXPECT_EQ(lines.lines, (std::vector<std::string>{protocol::FrameText(good3.data(), good3.size()),
                                                   protocol::FrameText(bad.data(), bad.size()),
                                                   protocol::FrameText(good1.data(), good1.size()),
                                                   protocol::FrameText(late.data(), late.size())}));
  EXPECT_EQ(frames.statics, (std::vector<int>{5, 7}));
  EXPECT_TRUE(state_.RecordList.empty());  // recording is off

  replies_.SetDataLineSink(nullptr);
  Feed(good1);
  EXPECT_EQ(lines.lines.size(), 4u);
}

// Straight from the typed stream, without bytes on a line: a cut reply is
// logged, and an acknowledgement in it still acts.
TEST_F(ReplyHandlerTest, CutReplyIsLoggedAndAnAcknowledgementStillActs) {
  const uint8_t stump[] = {0xF0, 0x1F, 0x01, 0x32};
  state_.StopPending = true;
  state_.Sampling = true;
  const protocol::Reply ack = protocol::StopAck{};
  replies_.OnCutReply(stump, &ack);
  EXPECT_FALSE(state_.StopPending);
  EXPECT_FALSE(state_.Sampling);
  EXPECT_EQ(Panel3(), "停止采样！");
  EXPECT_EQ(controls_.Memo1.lines.Items(), std::vector<std::string>{"F0 1F 01 32"});

  const uint8_t zero_stump[] = {0xF0, 0x1F, 0x07, 0x33, 0x01};
  replies_.OnCutReply(zero_stump, nullptr);
  EXPECT_EQ(controls_.Panel10.Caption, "零点值:");
  EXPECT_EQ(controls_.Memo1.lines.Count(), 2);
  EXPECT_EQ(controls_.Memo1.lines[1], "F0 1F 07 33 01");
  EXPECT_EQ(state_.ErrorCount, 0);  // only data frames count as errors
  EXPECT_EQ(views_.Count("SamplingState"), 1);
}

// Every skipped byte is one record step, and a step trims at most one line.
TEST_F(ReplyHandlerTest, EachSkippedByteIsOneRecordStep) {
  state_.SampleRate = 1;  // limit 20 lines
  for (int i = 0; i < 30; ++i) state_.RecordList.push_back(std::to_string(i));
  replies_.OnSkipped(4);
  ASSERT_EQ(state_.RecordList.size(), 26u);
  EXPECT_EQ(state_.RecordList.front(), "4");
  replies_.OnSkipped(100);
  EXPECT_EQ(state_.RecordList.size(), 20u);
}

}  // namespace
}  // namespace pulse::window
