#include "protocol/frame_parser.h"

#include <climits>
#include <string>

#include "protocol/command_frames.h"
#include "protocol/units.h"

namespace protocol {

namespace {

// Fewer unparsed bytes than this cannot hold any frame; they wait.
constexpr size_t kMinUnparsed = 5;

void Increment(int32_t& counter) {
  counter = counter == INT32_MAX ? 0 : counter + 1;
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
    if (kind != nullptr && buffer_.UnparsedSize() < kind->Size()) break;  // rest still on its way

    stepped = true;
    counter_at_step = state_.SampleCount1;
    const std::string* line = nullptr;
    if (kind == nullptr) {
      buffer_.Consume(1);
    } else {
      const uint64_t generation = buffer_.Generation();
      line = Handle(*kind, p);
      // A view that emptied the buffer has left nothing to advance over.
      if (buffer_.Generation() == generation) buffer_.Consume(kind->Advance());
    }
    recorder_.Step(line);
  }
  // The counter label shows SampleCount1 as of the start of the last step;
  // set once per run, since nothing reads it between the steps of a run.
  if (stepped) controls_.Label10.Caption = std::to_string(counter_at_step);
}

const std::string* FrameParser::Handle(const FrameKindInfo& kind, const uint8_t* p) {
  auto& panels = controls_.StatusBar1.Panels;
  switch (kind.kind) {
    case FrameKind::kData1:
    case FrameKind::kData3:
      return HandleData(kind, p);
    case FrameKind::kStartAck:
      state_.Sampling = true;
      controls_.bt_start.Caption = SamplingStateCaption(true);
      views_.ShowSamplingState(true);
      panels[kPanelDeviceReply].Text = "启动采样！";
      break;
    case FrameKind::kStopAck:
      state_.StopPending = false;
      state_.Sampling = false;
      controls_.bt_start.Caption = SamplingStateCaption(false);
      views_.ShowSamplingState(false);
      panels[kPanelDeviceReply].Text = "停止采样！";
      break;
    case FrameKind::kZeroAck:
      state_.ZeroPending = false;
      state_.RestartPending = true;
      state_.RestartTicks = 0;
      panels[kPanelDeviceReply].Text = "清零成功！";
      break;
    case FrameKind::kZeroValue1:
      controls_.Panel10.Caption = ZeroValueCaption(ZeroValue(p[4], p[5]));
      break;
    case FrameKind::kZeroValues3:
      controls_.Panel10.Caption = ZeroValueCaption(ZeroValue(p[4], p[5]));
      controls_.Panel11.Caption = ZeroValueCaption(ZeroValue(p[6], p[7]));
      controls_.Panel12.Caption = ZeroValueCaption(ZeroValue(p[8], p[9]));
      break;
    case FrameKind::kFrequencyAck: {
      const int32_t rate = p[4];
      // The time base and the record length divide by and multiply with the
      // rate; a reported 0 is shown but keeps the last usable rate.
      if (rate > 0) state_.SampleRate = rate;
      panels[kPanelDeviceReply].Text = std::to_string(rate) + "频率设置成功！";
      views_.ResetAxes();
      break;
    }
    case FrameKind::kSerialNumber: {
      std::string sn;
      for (int i = 4; i < 8; ++i) AppendHex(sn, p[i]);
      state_.SerialNumber = sn;
      controls_.Edit_sn.Text = std::move(sn);
      break;
    }
    case FrameKind::kProductionDate: {
      // Bytes: year, month, day, century.
      std::string date;
      AppendHex(date, p[7]);
      AppendHex(date, p[4]);
      date.push_back('-');
      AppendHex(date, p[5]);
      date.push_back('-');
      AppendHex(date, p[6]);
      state_.ProductionDate = date;
      controls_.Edit_date.Text = std::move(date);
      break;
    }
  }
  return nullptr;
}

const std::string* FrameParser::HandleData(const FrameKindInfo& kind, const uint8_t* p) {
  const size_t size = kind.Size();
  const bool good = Checksum(p, size - 1) == p[size - 1];
  const bool recording = !state_.StopPending && controls_.CheckBox1.Checked;
  // The line is only needed for the error log or the record list.
  const bool want_line = !good || recording;
  if (want_line) AssignFrameText(line_, p, size);

  ++(good ? good_frames_ : bad_frames_);
  if (!good) {
    auto& memo = controls_.Memo1.Lines;
    if (memo.Count() > kMemoMaxLines) memo.Clear();
    memo.Add(line_);
    Increment(state_.ErrorCount);
    controls_.Label_cnt.Caption = std::to_string(state_.ErrorCount);
    return &line_;
  }
  if (!state_.StopPending) {
    const double f = state_.UnitFactor;
    Increment(state_.SampleCount1);
    const double count = state_.SampleCount1;
    const double s1 = StaticValue(p[4], p[5], f);
    const double w1 = WaveValue(p[6], p[7], f);
    // With the static curve option, view 1 plots channel 1's static value.
    const double y1 = controls_.ch_jy.Checked ? s1 : w1;
    if (kind.kind == FrameKind::kData1) {
      views_.ShowChannel1(false, count, y1, s1);
    } else {
      views_.ShowFrame3(count, y1, s1, WaveValue(p[10], p[11], f), StaticValue(p[8], p[9], f),
                        WaveValue(p[14], p[15], f), StaticValue(p[12], p[13], f));
    }
  }
  return want_line ? &line_ : nullptr;
}

}  // namespace protocol
