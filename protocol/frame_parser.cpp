#include "protocol/frame_parser.h"

#include <cstring>

#include "protocol/command_frames.h"
#include "protocol/frame_decoder.h"

namespace pulse::protocol {

namespace {

// Fewer unparsed bytes than this cannot hold any frame; they wait.
constexpr size_t kMinUnparsed = 5;
// The length of a reply that is only a code: an acknowledgement.
constexpr uint8_t kAckLength = 1;

bool Sound(const FrameKindInfo& kind, const uint8_t* p) {
  const size_t size = kind.Size();
  return Checksum(p, size - 1) == p[size - 1];
}

// Whether the `n` (< kHeaderSize) bytes at `p` can still grow into a known header.
bool MayStartHeader(const uint8_t* p, size_t n) {
  if (p[0] != kSync || (n > 1 && p[1] != kDeviceToHost)) return false;
  if (n < 3) return true;
  for (const auto& k : kFrameKinds) {
    if (p[2] == k.length) return true;
  }
  return false;
}

// What the bytes at hand say about the frame of a known kind at `p`.
struct Verdict {
  enum Action : uint8_t { kWait, kWhole, kCut } action;
  bool sound = false;  // kWhole: its checksum holds
  size_t cut = 0;      // kCut: the frame ends here, where an inner header starts
};

// Not yet arrived is not damaged: a frame is judged once its span (and any
// header begun in it) is here, or earlier at a whole inner frame that checks out.
Verdict Judge(const FrameKindInfo& kind, const uint8_t* p, size_t n) {
  const size_t size = kind.Size();
  const bool arrived = n >= size;
  const bool sound = arrived && Sound(kind, p);
  if (sound && kind.code != kCodeData) return {Verdict::kWhole, true};
  // A failed checksum makes any inner header the likely start of the next
  // frame; otherwise only a whole inner frame that checks out shows damage.
  const bool any_header = arrived && !sound;
  const size_t span = arrived ? size : n;
  bool pending = !arrived;
  for (size_t j = 1; j < span; ++j) {
    const void* sync = std::memchr(p + j, kSync, span - j);
    if (sync == nullptr) break;
    j = static_cast<size_t>(static_cast<const uint8_t*>(sync) - p);
    if (n - j < kHeaderSize) {
      pending = pending || MayStartHeader(p + j, n - j);
      continue;
    }
    const FrameKindInfo* inner = FindFrameKind(p + j);
    if (inner == nullptr) continue;
    if (any_header) return {Verdict::kCut, false, j};
    if (n - j < inner->Size()) {
      pending = true;
    } else if (Sound(*inner, p + j)) {
      return {Verdict::kCut, false, j};
    }
  }
  if (pending) return {Verdict::kWait};
  return {Verdict::kWhole, sound};
}

}  // namespace

void FrameParser::Comm321ReceiveData(const uint8_t* Buffer, uint16_t BufferLength) {
  bytes_received_ += BufferLength;
  if (!buffer_.Append(Buffer, BufferLength)) return;
  ParseReceived();
}

void FrameParser::ParseReceived() {
  bool stepped = false;
  while (buffer_.UnparsedSize() >= kMinUnparsed) {
    const uint8_t* p = buffer_.Unparsed();
    const FrameKindInfo* kind = FindFrameKind(p);
    if (kind == nullptr) {
      // Reported with the next frame or at the end, one call for a run of them.
      ++skipped_;
      buffer_.Consume(1);
      stepped = true;
      continue;
    }
    const Verdict verdict = Judge(*kind, p, buffer_.UnparsedSize());
    if (verdict.action == Verdict::kWait) break;  // the bytes that decide are on their way

    stepped = true;
    const uint64_t generation = buffer_.Generation();
    FlushSkipped();
    if (buffer_.Generation() != generation) continue;  // the sink emptied the buffer
    const bool cut = verdict.action == Verdict::kCut;
    if (cut) {
      DeliverCut(*kind, {p, verdict.cut});
    } else {
      Deliver(*kind, {p, kind->Size()}, verdict.sound);
    }
    // A sink that emptied the buffer has left nothing to advance over.
    if (buffer_.Generation() == generation) buffer_.Consume(cut ? verdict.cut : kind->Advance());
  }
  FlushSkipped();
  if (stepped) sink_.OnChunkParsed();
}

void FrameParser::FlushSkipped() {
  if (skipped_ == 0) return;
  const size_t n = skipped_;
  skipped_ = 0;
  sink_.OnSkipped(n);
}

void FrameParser::Deliver(const FrameKindInfo& kind, FrameSpan bytes, bool sound) {
  if (kind.code != kCodeData) {
    sink_.OnReply(DecodeReply(kind.kind, bytes));
  } else if (!sound) {
    ++bad_frames_;
    sink_.OnBadDataFrame(bytes);
  } else if (kind.kind == FrameKind::kData3) {
    ++good_frames_;
    sink_.OnDataFrame(DecodeDataFrame3(bytes), bytes);
  } else {
    ++good_frames_;
    sink_.OnDataFrame(DecodeDataFrame1(bytes), bytes);
  }
}

void FrameParser::DeliverCut(const FrameKindInfo& kind, FrameSpan bytes) {
  if (kind.code == kCodeData) {
    ++bad_frames_;
    sink_.OnBadDataFrame(bytes);
    return;
  }
  // The data of a cut reply may be shifted; an acknowledgement has none, and
  // its header is whole, so only its checksum went missing.
  if (kind.length == kAckLength) {
    const Reply ack = DecodeReply(kind.kind, bytes);
    sink_.OnCutReply(bytes, &ack);
  } else {
    sink_.OnCutReply(bytes, nullptr);
  }
}

}  // namespace pulse::protocol
