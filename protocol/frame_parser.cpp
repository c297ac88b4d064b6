#include "protocol/frame_parser.h"

#include <climits>
#include <cstring>
#include <optional>
#include <string>
#include <variant>

#include "form/tr.h"
#include "protocol/command_frames.h"
#include "protocol/frame_decoder.h"
#include "protocol/units.h"

namespace pulse::protocol {

namespace {

// Fewer unparsed bytes than this cannot hold any frame; they wait.
constexpr size_t kMinUnparsed = 5;
// The length of a reply that is only a code: an acknowledgement.
constexpr uint8_t kAckLength = 1;

void Increment(int32_t& counter) {
  counter = counter == INT32_MAX ? 0 : counter + 1;
}

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

// Zero value `channel` (0-based) of a zero-value reply.
double ZeroValueAt(const uint8_t* p, size_t channel) {
  const uint8_t* v = p + kPayload + kValueSize * channel;
  return ZeroValue(v[0], v[1]);
}

void AppendHex(std::string& out, uint8_t b) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out.push_back(kHex[b >> 4]);
  out.push_back(kHex[b & 0x0F]);
}

}  // namespace

void FrameParser::Comm321ReceiveData(const uint8_t* Buffer, uint16_t BufferLength) {
  bytes_received_ += BufferLength;
  if (!buffer_.Append(Buffer, BufferLength)) return;
  ParseReceived();
}

void FrameParser::ParseReceived() {
  bool stepped = false;
  int32_t counter_at_step = 0;
  while (buffer_.UnparsedSize() >= kMinUnparsed) {
    const uint8_t* p = buffer_.Unparsed();
    const FrameKindInfo* kind = FindFrameKind(p);
    Verdict verdict{Verdict::kWhole};
    if (kind != nullptr) {
      verdict = Judge(*kind, p, buffer_.UnparsedSize());
      if (verdict.action == Verdict::kWait) break;  // the bytes that decide are on their way
    }

    stepped = true;
    counter_at_step = state_.SampleCount1;
    const std::string* line = nullptr;
    if (kind == nullptr) {
      buffer_.Consume(1);
    } else {
      const uint64_t generation = buffer_.Generation();
      const bool cut = verdict.action == Verdict::kCut;
      line = cut ? HandleCut(*kind, p, verdict.cut) : Handle(*kind, p, verdict.sound);
      // A view that emptied the buffer has left nothing to advance over.
      if (buffer_.Generation() == generation) buffer_.Consume(cut ? verdict.cut : kind->Advance());
    }
    recorder_.Step(line);
  }
  // The counter label shows SampleCount1 as of the start of the last step;
  // set once per run, since nothing reads it between the steps of a run.
  if (stepped) controls_.Label10.Caption = std::to_string(counter_at_step);
}

const std::string* FrameParser::Handle(const FrameKindInfo& kind, const uint8_t* p, bool sound) {
  auto& bar = controls_.StatusBar1;
  switch (kind.kind) {
    case FrameKind::kData1:
    case FrameKind::kData3:
      return HandleData(kind, p, sound);
    case FrameKind::kStartAck:
      state_.Sampling = true;
      controls_.bt_start.Caption = SamplingStateCaption(true);
      views_.ShowSamplingState(true);
      bar.Panel(form::StatusPanel::kDeviceReply).text = form::Tr("FrameParser", "启动采样！");
      break;
    case FrameKind::kStopAck:
      state_.StopPending = false;
      state_.Sampling = false;
      controls_.bt_start.Caption = SamplingStateCaption(false);
      views_.ShowSamplingState(false);
      bar.Panel(form::StatusPanel::kDeviceReply).text = form::Tr("FrameParser", "停止采样！");
      break;
    case FrameKind::kZeroAck:
      state_.ZeroPending = false;
      state_.RestartPending = true;
      state_.RestartTicks = 0;
      bar.Panel(form::StatusPanel::kDeviceReply).text = form::Tr("FrameParser", "清零成功！");
      break;
    case FrameKind::kZeroValue1:
      controls_.Panel10.Caption = ZeroValueCaption(ZeroValueAt(p, 0));
      state_.zero_values = {ZeroValueAt(p, 0)};
      break;
    case FrameKind::kZeroValues3:
      state_.zero_values = {ZeroValueAt(p, 0), ZeroValueAt(p, 1), ZeroValueAt(p, 2)};
      controls_.Panel10.Caption = ZeroValueCaption(ZeroValueAt(p, 0));
      controls_.Panel11.Caption = ZeroValueCaption(ZeroValueAt(p, 1));
      controls_.Panel12.Caption = ZeroValueCaption(ZeroValueAt(p, 2));
      break;
    case FrameKind::kFrequencyAck: {
      const int32_t rate = p[kPayload];
      // The time base and the record length divide by and multiply with the
      // rate; a reported 0 is shown but keeps the last usable rate.
      if (rate > 0) state_.SampleRate = rate;
      bar.Panel(form::StatusPanel::kDeviceReply).text =
          form::Format(form::Tr("FrameParser", "%1频率设置成功！"), {std::to_string(rate)});
      views_.ResetAxes();
      break;
    }
    case FrameKind::kSerialNumber: {
      std::string sn;
      for (size_t i = 0; i < kIdBytes; ++i) AppendHex(sn, p[kPayload + i]);
      state_.SerialNumber = sn;
      controls_.Edit_sn.text = std::move(sn);
      break;
    }
    case FrameKind::kProductionDate: {
      // Bytes: year, month, day, century; shown century first.
      const uint8_t* d = p + kPayload;
      std::string date;
      AppendHex(date, d[3]);
      AppendHex(date, d[0]);
      date.push_back('-');
      AppendHex(date, d[1]);
      date.push_back('-');
      AppendHex(date, d[2]);
      state_.ProductionDate = date;
      controls_.Edit_date.text = std::move(date);
      break;
    }
  }
  return nullptr;
}

const std::string* FrameParser::HandleData(const FrameKindInfo& kind, const uint8_t* p, bool good) {
  const size_t size = kind.Size();
  const bool recording = !state_.StopPending && controls_.CheckBox1.checked;
  // The line is only needed for the error log or the record list.
  const bool want_line = !good || recording || line_sink_ != nullptr;
  if (want_line) AssignFrameText(line_, p, size);
  if (line_sink_ != nullptr) line_sink_->TakeDataLine(line_);

  if (!good) {
    CountBadFrame();
    return &line_;
  }
  ++good_frames_;
  if (!state_.StopPending) {
    namespace typed = pulse::protocol;
    const typed::Reply reply = typed::DecodeReply(kind.kind, {p, size});
    const double f = state_.UnitFactor;
    // With the static curve option, view 1 plots channel 1's static value.
    const bool static_curve = controls_.ch_jy.checked;
    if (const auto* one = std::get_if<typed::DataFrame1>(&reply)) {
      Increment(state_.SampleCount1);
      const double s1 = typed::StaticValue(*one, f);
      views_.ShowChannel1(false, state_.SampleCount1, static_curve ? s1 : typed::WaveValue(*one, f),
                          s1);
      if (frame_sink_ != nullptr) frame_sink_->OnDataFrame(*one);
    } else if (const auto* three = std::get_if<typed::DataFrame3>(&reply)) {
      Increment(state_.SampleCount1);
      const double s1 = typed::StaticValue(*three, 0, f);
      views_.ShowFrame3(state_.SampleCount1, static_curve ? s1 : typed::WaveValue(*three, 0, f), s1,
                        typed::WaveValue(*three, 1, f), typed::StaticValue(*three, 1, f),
                        typed::WaveValue(*three, 2, f), typed::StaticValue(*three, 2, f));
      if (frame_sink_ != nullptr) frame_sink_->OnDataFrame(*three);
    }
  }
  return want_line ? &line_ : nullptr;
}

const std::string* FrameParser::HandleCut(const FrameKindInfo& kind, const uint8_t* p,
                                          size_t size) {
  AssignFrameText(line_, p, size);
  if (kind.code == kCodeData) {
    if (line_sink_ != nullptr) line_sink_->TakeDataLine(line_);
    CountBadFrame();
    return &line_;
  }
  LogError(line_);
  // The data of a cut reply may be shifted; an acknowledgement has none, and
  // its header is whole, so only its checksum went missing.
  if (kind.length == kAckLength) Handle(kind, p, false);
  return nullptr;
}

void FrameParser::CountBadFrame() {
  ++bad_frames_;
  LogError(line_);
  Increment(state_.ErrorCount);
  controls_.Label_cnt.Caption = std::to_string(state_.ErrorCount);
}

void FrameParser::LogError(const std::string& line) {
  auto& memo = controls_.Memo1.lines;
  if (memo.Count() > kMemoMaxLines) memo.Clear();
  memo.Add(line);
}

}  // namespace pulse::protocol
