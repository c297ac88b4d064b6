#include "protocol/frame_parser.h"

#include <gtest/gtest.h>

#include "test_support.h"

using namespace pulse::form;

namespace {

using pulse::test::Bytes;
using pulse::test::Concat;
using pulse::test::Data1;
using pulse::test::Data3;
using pulse::test::Reply;

class ParserTest : public ::testing::Test {
 protected:
  ParserTest() { state_.UnitFactor = 1.0; }

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
  pulse::protocol::FrameParser parser_{state_, controls_, views_};
};

TEST_F(ParserTest, OneChannelFrameGoodAndBadChecksum) {
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

TEST_F(ParserTest, ThreeChannelFrameValuesInViewOrder) {
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

TEST_F(ParserTest, UnitFactorIsReadPerSample) {
  Feed(Data1(10, 0));
  state_.UnitFactor = 0.1;
  Feed(Data1(10, 0));
  EXPECT_DOUBLE_EQ(views_.calls[0].v[1], 1.0);
  EXPECT_DOUBLE_EQ(views_.calls[1].v[1], 0.1);
}

TEST_F(ParserTest, SamplingAcknowledgements) {
  Feed(Reply(0x31, {}));
  EXPECT_TRUE(state_.Sampling);
  EXPECT_EQ(controls_.bt_start.Caption, "停止采样");
  EXPECT_EQ(Panel3(), "启动采样！");
  ASSERT_EQ(views_.Count("SamplingState"), 1);
  EXPECT_EQ(views_.calls.back().v[0], 1.0);

  state_.StopPending = true;
  Feed(Reply(0x32, {}));
  EXPECT_FALSE(state_.Sampling);
  EXPECT_FALSE(state_.StopPending);
  EXPECT_EQ(controls_.bt_start.Caption, "开始采样");
  EXPECT_EQ(Panel3(), "停止采样！");
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

TEST_F(ParserTest, ZeroValuesInHectopascal) {
  state_.UnitFactor = 10.1972;  // ignored for zero values
  Feed(Reply(0x33, {0xF6, 0xFF}));
  EXPECT_EQ(controls_.Panel10.Caption, "零点值: -1.00 hPa");
  EXPECT_EQ(controls_.Panel11.Caption, "零点值:");
  Feed(Reply(0x33, {0x00, 0x00, 0x0C, 0x00, 0x00, 0x80}));
  EXPECT_EQ(controls_.Panel10.Caption, "零点值: 0.00 hPa");
  EXPECT_EQ(controls_.Panel11.Caption, "零点值: 1.20 hPa");
  EXPECT_EQ(controls_.Panel12.Caption, "零点值: -3276.80 hPa");
}

TEST_F(ParserTest, FrequencyAcknowledgement) {
  Feed(Reply(0x33, {50}));
  EXPECT_EQ(state_.SampleRate, 50);
  EXPECT_EQ(Panel3(), "50频率设置成功！");
  EXPECT_EQ(views_.Count("ResetAxes"), 1);
}

// A reported rate of 0 would divide the time base by zero and empty the
// record list: it is shown, and the last usable rate stays.
TEST_F(ParserTest, FrequencyZeroKeepsLastRate) {
  Feed(Reply(0x33, {0}));
  EXPECT_EQ(state_.SampleRate, 200);
  EXPECT_EQ(Panel3(), "0频率设置成功！");
  EXPECT_EQ(views_.Count("ResetAxes"), 1);
}

TEST_F(ParserTest, SerialNumberAndProductionDate) {
  Feed(Reply(0x36, {0x0A, 0xBC, 0x01, 0xFF}));
  EXPECT_EQ(state_.SerialNumber, "0ABC01FF");
  EXPECT_EQ(controls_.Edit_sn.text, "0ABC01FF");
  Feed(Reply(0x37, {0x19, 0x09, 0x23, 0x20}));
  EXPECT_EQ(state_.ProductionDate, "2019-09-23");
  EXPECT_EQ(controls_.Edit_date.text, "2019-09-23");
}

TEST_F(ParserTest, RepliesAreNotChecksumTested) {
  Bytes ack = Reply(0x31, {});
  ack.back() ^= 0x5A;
  Bytes sn = Reply(0x36, {1, 2, 3, 4});
  sn.back() += 1;
  Feed(Concat({ack, sn}));
  EXPECT_TRUE(state_.Sampling);
  EXPECT_EQ(state_.SerialNumber, "01020304");
  EXPECT_EQ(state_.ErrorCount, 0);
}

TEST_F(ParserTest, FrameSplitAtEveryOffsetIsKept) {
  const Bytes f3 = Data3(1, 2, 3, 4, 5, 6);
  const Bytes f1 = Data1(7, 8);
  int expected = 0;
  for (const Bytes* f : {&f3, &f1}) {
    for (size_t cut = 1; cut < f->size(); ++cut) {
      SCOPED_TRACE(cut);
      parser_.Comm321ReceiveData(f->data(), static_cast<uint16_t>(cut));
      parser_.Comm321ReceiveData(f->data() + cut, static_cast<uint16_t>(f->size() - cut));
      EXPECT_EQ(views_.calls.size(), static_cast<size_t>(++expected));
    }
  }
  EXPECT_EQ(state_.ErrorCount, 0);
}

TEST_F(ParserTest, OneBytePerChunkMixedStream) {
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

TEST_F(ParserTest, NoiseBeforeAndBetweenFramesIsSkipped) {
  const Bytes noise1{0x00, 0xF0, 0xF0, 0x1F, 0x99, 0x12, 0x1F, 0x34};
  const Bytes noise2{0xF0, 0x1F, 0x0E, 0x34, 0x55,
                     0xF0, 0x2F, 0x01, 0x31, 0x51};  // unknown length, a command echo
  const Bytes stream = Concat({noise1, Data3(1, 2, 3, 4, 5, 6), noise2, Data1(3, 4), noise1,
                               Data3(6, 5, 4, 3, 2, 1), noise2});
  for (size_t chunk : {1u, 5u, 24u, 2048u}) {
    SCOPED_TRACE(chunk);
    views_.calls.clear();
    Feed(stream, chunk);
    ASSERT_EQ(views_.calls.size(), 3u);
    EXPECT_EQ(views_.calls[1].op, "Channel1");
    EXPECT_EQ(views_.calls[2].v[1], 6.0 / 10);
  }
  EXPECT_EQ(state_.ErrorCount, 0);
}

TEST_F(ParserTest, BytesShortOfAFrameWaitForTheNextChunk) {
  const Bytes f = Data3(1, 2, 3, 4, 5, 6);
  Bytes two = Concat({f, f});
  parser_.Comm321ReceiveData(two.data(), static_cast<uint16_t>(17 + 4));  // 4 bytes into the second
  EXPECT_EQ(views_.calls.size(), 1u);
  parser_.Comm321ReceiveData(two.data() + 21, static_cast<uint16_t>(13));
  EXPECT_EQ(views_.calls.size(), 2u);
}

TEST_F(ParserTest, StopPendingDropsGoodFramesButLogsBadOnes) {
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

TEST_F(ParserTest, MemoIsClearedWhenOverAHundredLines) {
  Bytes bad = Data1(1, 1);
  bad.back() ^= 1;
  for (int i = 0; i < 101; ++i) Feed(bad);
  EXPECT_EQ(controls_.Memo1.lines.Count(), 101);
  Feed(bad);
  EXPECT_EQ(controls_.Memo1.lines.Count(), 1);
  EXPECT_EQ(state_.ErrorCount, 102);
  EXPECT_EQ(controls_.Label_cnt.Caption, "102");
}

TEST_F(ParserTest, RecordingAppendsOneLinePerDataFrame) {
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

TEST_F(ParserTest, RecordListKeepsTwentySecondsOfFrames) {
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

TEST_F(ParserTest, CounterLabelAfterARun) {
  Feed(Concat({Data3(1, 1, 1, 1, 1, 1), Data1(1, 1), Data3(1, 1, 1, 1, 1, 1), Bytes(6, 0)}));
  EXPECT_EQ(controls_.Label10.Caption, "3");
}

TEST_F(ParserTest, ChunkOverLimitIsDroppedWhole) {
  Bytes big;
  while (big.size() < 2049) {
    const Bytes f = Data1(1, 1);
    big.insert(big.end(), f.begin(), f.end());
  }
  big.resize(2049);
  parser_.Comm321ReceiveData(big.data(), 2049);
  EXPECT_TRUE(views_.calls.empty());
  EXPECT_EQ(parser_.Buffer().UnparsedSize(), 0u);
  parser_.Comm321ReceiveData(big.data(), 2048);
  EXPECT_EQ(views_.calls.size(), 2048u / 9u);
}

// Far more than a buffer's length in small chunks: no frame is lost at the
// point where the buffer wraps.
TEST_F(ParserTest, LongStreamLosesNothing) {
  Bytes stream;
  const int kFrames = 10000;
  for (int i = 0; i < kFrames; ++i) {
    const Bytes f =
        i % 3 ? Data3(static_cast<int16_t>(i), 0, 0, 0, 0, 0) : Data1(static_cast<int16_t>(i), 0);
    stream.insert(stream.end(), f.begin(), f.end());
  }
  ASSERT_GT(stream.size(), 2 * pulse::protocol::ReceiveBuffer::kCapacity);
  Feed(stream, 24);
  ASSERT_EQ(views_.calls.size(), static_cast<size_t>(kFrames));
  for (int i = 0; i < kFrames; i += 997) EXPECT_DOUBLE_EQ(views_.calls[i].v[1], i / 10.0);
  EXPECT_EQ(state_.ErrorCount, 0);
}

// The totals count every data frame by its checksum, whether drawn or not,
// and nothing else; bytes count what the link offered, dropped chunks too.
TEST_F(ParserTest, TotalsAccountForEveryDataFrame) {
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
