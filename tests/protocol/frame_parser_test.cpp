// The frame parser's reply stream: what it hands on, in which order, for
// split, noisy, damaged and cut input. What the replies then do to the window
// is tested with the window's handler.
#include "protocol/frame_parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "test_support.h"

namespace pulse::protocol {
namespace {

using test::Bytes;
using test::Concat;
using test::Data1;
using test::Data3;
using test::Reply;

std::string Text(FrameSpan bytes) {
  return FrameText(bytes.data(), bytes.size());
}

std::string Name(const protocol::Reply& r) {
  if (std::holds_alternative<StartAck>(r)) return "start";
  if (std::holds_alternative<StopAck>(r)) return "stop";
  if (std::holds_alternative<ZeroAck>(r)) return "zeroed";
  if (const auto* z = std::get_if<ZeroValue1>(&r)) return "zero " + std::to_string(z->raw);
  if (const auto* z = std::get_if<ZeroValues3>(&r)) {
    return "zero " + std::to_string(z->raw[0]) + "," + std::to_string(z->raw[1]) + "," +
           std::to_string(z->raw[2]);
  }
  if (const auto* f = std::get_if<FrequencyAck>(&r)) return "rate " + std::to_string(f->rate);
  if (std::holds_alternative<SerialNumber>(r)) return "sn";
  if (std::holds_alternative<ProductionDate>(r)) return "date";
  return "data?";  // data frames must come through OnDataFrame
}

// Writes every call down as one short line.
class ReplyLog : public IReplySink {
 public:
  void OnDataFrame(const DataFrame1& f, FrameSpan bytes) override {
    Add("d1 " + std::to_string(f.static_raw) + "/" + std::to_string(f.wave_raw), bytes);
  }
  void OnDataFrame(const DataFrame3& f, FrameSpan bytes) override {
    std::string s = "d3";
    for (int c = 0; c < kChannels; ++c) {
      s += (c == 0 ? " " : ",") + std::to_string(f.static_raw[static_cast<size_t>(c)]) + "/" +
           std::to_string(f.wave_raw[static_cast<size_t>(c)]);
    }
    Add(s, bytes);
  }
  void OnBadDataFrame(FrameSpan bytes) override { calls.push_back("bad " + Text(bytes)); }
  void OnReply(const protocol::Reply& r) override { calls.push_back(Name(r)); }
  void OnCutReply(FrameSpan bytes, const protocol::Reply* ack) override {
    calls.push_back("cut " + Text(bytes) + (ack != nullptr ? " +" + Name(*ack) : ""));
  }
  void OnSkipped(size_t count) override { calls.push_back("skip " + std::to_string(count)); }
  void OnChunkParsed() override {
    ++chunks;
    if (on_chunk) on_chunk();
  }

  // The calls other than skips, for tests that do not count bytes.
  std::vector<std::string> Replies() const {
    std::vector<std::string> out;
    for (const auto& c : calls) {
      if (c.rfind("skip", 0) != 0) out.push_back(c);
    }
    return out;
  }

  std::vector<std::string> calls;
  std::vector<std::string> frame_texts;  // the bytes of each good data frame
  int chunks = 0;
  std::function<void()> on_chunk;

 private:
  void Add(std::string s, FrameSpan bytes) {
    calls.push_back(std::move(s));
    frame_texts.push_back(Text(bytes));
  }
};

class FrameParserTest : public ::testing::Test {
 protected:
  void Feed(const Bytes& bytes, size_t chunk = 24) {
    for (size_t i = 0; i < bytes.size(); i += chunk) {
      const size_t n = std::min(chunk, bytes.size() - i);
      parser_.Comm321ReceiveData(bytes.data() + i, static_cast<uint16_t>(n));
    }
  }
  ReplyLog log_;
  FrameParser parser_{log_};
};

// Every kind in stream order, each step once; a frame leaves its checksum
// byte behind, which the next step passes over.
TEST_F(FrameParserTest, MixedStreamInOrderWithEveryStep) {
  Bytes bad = Data1(5, 6);
  bad.back() ^= 1;
  const Bytes stream =
      Concat({Bytes{0x00, 0x12}, Data3(1, 2, 3, -4, 5, 6), Reply(0x31, {}), Data1(-7, 8), bad,
              Reply(0x33, {0xF6, 0xFF}), Reply(0x33, {1, 0, 2, 0, 0, 0x80}), Reply(0x33, {50}),
              Reply(0x36, {1, 2, 3, 4}), Reply(0x37, {0x19, 9, 0x23, 0x20}), Reply(0x35, {}),
              Reply(0x32, {}), Bytes(4, 0x00)});
  Feed(stream, 2048);
  EXPECT_EQ(log_.calls,
            (std::vector<std::string>{"skip 2", "d3 1/2,3/-4,5/6",
                                      "skip 1", "start",
                                      "skip 1", "d1 -7/8",
                                      "skip 1", "bad " + FrameText(bad.data(), bad.size()),
                                      "skip 1", "zero -10",
                                      "skip 1", "zero 1,2,-32768",
                                      "skip 1", "rate 50",
                                      "skip 1", "sn",
                                      "skip 1", "date",
                                      "skip 1", "zeroed",
                                      "skip 1", "stop",
                                      "skip 1"}));
  // Four bytes are left: too few to hold any frame.
  EXPECT_EQ(parser_.Buffer().UnparsedSize(), 4u);
  EXPECT_EQ(log_.chunks, 1);
  const Bytes d3 = Data3(1, 2, 3, -4, 5, 6);
  EXPECT_EQ(log_.frame_texts[0], FrameText(d3.data(), d3.size()));
}

// The same stream in chunks of any size gives the same calls: skips never
// merge across a frame, and a frame split between chunks waits whole.
TEST_F(FrameParserTest, ChunkSizeDoesNotChangeTheStream) {
  const Bytes noise{0x00, 0xF0, 0xF0, 0x1F, 0x99, 0x12, 0x1F, 0x34};
  const Bytes echo{0xF0, 0x1F, 0x0E, 0x34, 0x55,
                   0xF0, 0x2F, 0x01, 0x31, 0x51};  // unknown length, a command echo
  const Bytes stream = Concat({noise, Data3(1, 2, 3, 4, 5, 6), echo, Data1(3, 4), noise,
                               Reply(0x33, {7}), Data3(6, 5, 4, 3, 2, 1), echo});
  ReplyLog whole;
  FrameParser one_chunk(whole);
  one_chunk.Comm321ReceiveData(stream.data(), static_cast<uint16_t>(stream.size()));
  ASSERT_EQ(whole.Replies(),
            (std::vector<std::string>{"d3 1/2,3/4,5/6", "d1 3/4", "rate 7", "d3 6/5,4/3,2/1"}));
  for (size_t chunk : {1u, 2u, 5u, 17u, 24u}) {
    SCOPED_TRACE(chunk);
    ReplyLog log;
    FrameParser parser(log);
    for (size_t i = 0; i < stream.size(); i += chunk) {
      const size_t n = std::min(chunk, stream.size() - i);
      parser.Comm321ReceiveData(stream.data() + i, static_cast<uint16_t>(n));
    }
    EXPECT_EQ(log.Replies(), whole.Replies());
    // Skips may be reported in more calls, but add up to the same steps
    // between the same replies.
    std::vector<std::string> merged;
    size_t run = 0;
    for (const auto& c : log.calls) {
      if (c.rfind("skip ", 0) == 0) {
        run += std::stoul(c.substr(5));
        continue;
      }
      if (run != 0) merged.push_back("skip " + std::to_string(run));
      run = 0;
      merged.push_back(c);
    }
    if (run != 0) merged.push_back("skip " + std::to_string(run));
    EXPECT_EQ(merged, whole.calls);
  }
}

TEST_F(FrameParserTest, FrameSplitAtEveryOffsetComesOnceWhenComplete) {
  for (const Bytes& f : {Data3(1, 2, 3, 4, 5, 6), Data1(7, 8), Reply(0x36, {1, 2, 3, 4})}) {
    for (size_t cut = 1; cut < f.size(); ++cut) {
      SCOPED_TRACE(FrameText(f.data(), f.size()) + " cut at " + std::to_string(cut));
      ReplyLog log;
      FrameParser parser(log);
      parser.Comm321ReceiveData(f.data(), static_cast<uint16_t>(cut));
      EXPECT_TRUE(log.calls.empty());
      parser.Comm321ReceiveData(f.data() + cut, static_cast<uint16_t>(f.size() - cut));
      ASSERT_EQ(log.calls.size(), 1u);
      EXPECT_NE(log.calls[0].rfind("bad", 0), 0u);
    }
  }
}

// A chunk that takes no step (the bytes wait) does not end a chunk for the sink.
TEST_F(FrameParserTest, ChunkEndsOnlyAfterAStep) {
  const Bytes f = Data3(1, 2, 3, 4, 5, 6);
  parser_.Comm321ReceiveData(f.data(), 4);
  parser_.Comm321ReceiveData(f.data() + 4, 8);
  EXPECT_EQ(log_.chunks, 0);
  parser_.Comm321ReceiveData(f.data() + 12, 5);
  EXPECT_EQ(log_.chunks, 1);
  EXPECT_EQ(log_.calls, std::vector<std::string>{"d3 1/2,3/4,5/6"});
}

// Lost bytes: the damaged frame ends where the next header starts, and what
// follows it comes through untouched.
TEST_F(FrameParserTest, CutFramesEndAtTheNextHeader) {
  Bytes short3 = Data3(10, 20, 30, 40, 50, 60);
  short3.erase(short3.begin() + 9, short3.begin() + 11);
  Bytes short_ack = Reply(0x32, {});
  short_ack.pop_back();  // only its checksum went missing
  Bytes short_zero = Reply(0x33, {1, 2, 3, 4, 5, 6});
  short_zero.erase(short_zero.begin() + 6);
  const Bytes next = Data1(1, 2);
  for (size_t chunk : {1u, 24u, 2048u}) {
    SCOPED_TRACE(chunk);
    ReplyLog log;
    FrameParser parser(log);
    const Bytes stream = Concat({short3, next, short_ack, next, short_zero, next, Bytes(5, 0)});
    for (size_t i = 0; i < stream.size(); i += chunk) {
      const size_t n = std::min(chunk, stream.size() - i);
      parser.Comm321ReceiveData(stream.data() + i, static_cast<uint16_t>(n));
    }
    EXPECT_EQ(
        log.Replies(),
        (std::vector<std::string>{
            "bad " + FrameText(short3.data(), short3.size()), "d1 1/2", "cut F0 1F 01 32 +stop",
            "d1 1/2", "cut " + FrameText(short_zero.data(), short_zero.size()), "d1 1/2"}));
    EXPECT_EQ(parser.GoodDataFrames(), 3u);
    EXPECT_EQ(parser.BadDataFrames(), 1u);
  }
}

// 1 damaged frame in 256 passes its checksum by chance: it is still cut at a
// whole inner frame that checks out, but a reply whose checksum holds is
// taken as it is, header bytes inside or not.
TEST_F(FrameParserTest, SoundChecksumCutsDataFramesOnlyAtAWholeInnerFrame) {
  const Bytes next = Data3(11, 12, 13, 14, 15, 16);
  Bytes damaged = Data3(500, 600, 700, 800, 900, 1000);
  damaged.erase(damaged.begin() + 10);
  // Make the 17 bytes from its start pass the checksum test.
  for (;;) {
    const Bytes span = Concat({damaged, next});
    if (Checksum(span.data(), 16) == span[16]) break;
    ++damaged[4];
  }
  Feed(Concat({damaged, next, Bytes(5, 0)}), 1);
  EXPECT_EQ(log_.Replies(),
            (std::vector<std::string>{"bad " + FrameText(damaged.data(), damaged.size()),
                                      "d3 11/12,13/14,15/16"}));

  // A zero-value reply carrying F0 1F 01 31 in its data is not cut there.
  ReplyLog log;
  FrameParser parser(log);
  const Bytes zero = Reply(0x33, {0xF0, 0x1F, 0x01, 0x31, 0x00, 0x00});
  const Bytes stream = Concat({zero, Bytes(5, 0)});
  parser.Comm321ReceiveData(stream.data(), static_cast<uint16_t>(stream.size()));
  EXPECT_EQ(log.Replies(), std::vector<std::string>{"zero 8176,12545,0"});
}

// A sink may empty the receive buffer (the window does on a reset); the
// parser must not step over bytes that are gone.
TEST_F(FrameParserTest, SinkEmptyingTheBufferStopsTheRun) {
  class Clearing : public ReplyLog {
   public:
    void OnDataFrame(const DataFrame1& f, FrameSpan bytes) override {
      ReplyLog::OnDataFrame(f, bytes);
      parser->Buffer().Clear();
    }
    FrameParser* parser = nullptr;
  } log;
  FrameParser parser(log);
  log.parser = &parser;
  const Bytes stream = Concat({Data1(1, 1), Data1(2, 2), Data1(3, 3)});
  parser.Comm321ReceiveData(stream.data(), static_cast<uint16_t>(stream.size()));
  EXPECT_EQ(log.calls, std::vector<std::string>{"d1 1/1"});
  EXPECT_EQ(parser.Buffer().UnparsedSize(), 0u);
  // Parsing goes on with what arrives next.
  const Bytes more = Concat({Data1(4, 4), Bytes(5, 0)});
  parser.Comm321ReceiveData(more.data(), static_cast<uint16_t>(more.size()));
  EXPECT_EQ(log.Replies(), (std::vector<std::string>{"d1 1/1", "d1 4/4"}));
}

TEST_F(FrameParserTest, ChunkOverLimitIsDroppedWhole) {
  Bytes big;
  while (big.size() < 2049) {
    const Bytes f = Data1(1, 1);
    big.insert(big.end(), f.begin(), f.end());
  }
  big.resize(2049);
  parser_.Comm321ReceiveData(big.data(), 2049);
  EXPECT_TRUE(log_.calls.empty());
  EXPECT_EQ(parser_.Buffer().UnparsedSize(), 0u);
  EXPECT_EQ(parser_.BytesReceived(), 2049u);
  parser_.Comm321ReceiveData(big.data(), 2048);
  EXPECT_EQ(log_.Replies().size(), 2048u / 9u);
}

// Far more than a buffer's length in small chunks: no frame is lost at the
// point where the buffer wraps.
TEST_F(FrameParserTest, LongStreamLosesNothing) {
  Bytes stream;
  const int kFrames = 10000;
  for (int i = 0; i < kFrames; ++i) {
    const Bytes f =
        i % 3 ? Data3(static_cast<int16_t>(i), 0, 0, 0, 0, 0) : Data1(static_cast<int16_t>(i), 0);
    stream.insert(stream.end(), f.begin(), f.end());
  }
  ASSERT_GT(stream.size(), 2 * ReceiveBuffer::kCapacity);
  Feed(stream, 24);
  const std::vector<std::string> replies = log_.Replies();
  ASSERT_EQ(replies.size(), static_cast<size_t>(kFrames));
  for (int i = 0; i < kFrames; i += 997) {
    EXPECT_EQ(replies[static_cast<size_t>(i)].substr(0, 3 + std::to_string(i).size()),
              (i % 3 ? "d3 " : "d1 ") + std::to_string(i));
  }
  EXPECT_EQ(parser_.GoodDataFrames(), static_cast<uint64_t>(kFrames));
  EXPECT_EQ(parser_.BadDataFrames(), 0u);
}

}  // namespace
}  // namespace pulse::protocol
