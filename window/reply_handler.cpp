#include "window/reply_handler.h"

#include <charconv>
#include <climits>
#include <string>
#include <utility>
#include <variant>

#include "form/tr.h"
#include "protocol/command_frames.h"
#include "protocol/units.h"

namespace pulse::window {

namespace {

using protocol::FrameSpan;

void Increment(int32_t& counter) {
  counter = counter == INT32_MAX ? 0 : counter + 1;
}

void AppendHex(std::string& out, uint8_t b) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out.push_back(kHex[b >> 4]);
  out.push_back(kHex[b & 0x0F]);
}

}  // namespace

const std::string* ReplyHandler::TakeLine(FrameSpan bytes) {
  const bool recording = !state_.StopPending && controls_.CheckBox1.checked;
  if (!recording && line_sink_ == nullptr) return nullptr;
  protocol::AssignFrameText(line_, bytes.data(), bytes.size());
  if (line_sink_ != nullptr) line_sink_->TakeDataLine(line_);
  return &line_;
}

void ReplyHandler::OnDataFrame(const protocol::DataFrame1& frame, FrameSpan bytes) {
  counter_at_step_ = state_.SampleCount1;
  const std::string* line = TakeLine(bytes);
  if (!state_.StopPending) {
    Increment(state_.SampleCount1);
    const double f = state_.UnitFactor;
    const double s1 = protocol::StaticValue(frame, f);
    // With the static curve option, view 1 plots channel 1's static value.
    const double y1 = controls_.ch_jy.checked ? s1 : protocol::WaveValue(frame, f);
    views_.ShowChannel1(false, state_.SampleCount1, y1, s1);
    if (frame_sink_ != nullptr) frame_sink_->OnDataFrame(frame);
  }
  recorder_.Step(line);
}

void ReplyHandler::OnDataFrame(const protocol::DataFrame3& frame, FrameSpan bytes) {
  counter_at_step_ = state_.SampleCount1;
  const std::string* line = TakeLine(bytes);
  if (!state_.StopPending) {
    Increment(state_.SampleCount1);
    const double f = state_.UnitFactor;
    const double s1 = protocol::StaticValue(frame, 0, f);
    const double y1 = controls_.ch_jy.checked ? s1 : protocol::WaveValue(frame, 0, f);
    views_.ShowFrame3(state_.SampleCount1, y1, s1, protocol::WaveValue(frame, 1, f),
                      protocol::StaticValue(frame, 1, f), protocol::WaveValue(frame, 2, f),
                      protocol::StaticValue(frame, 2, f));
    if (frame_sink_ != nullptr) frame_sink_->OnDataFrame(frame);
  }
  recorder_.Step(line);
}

void ReplyHandler::OnBadDataFrame(FrameSpan bytes) {
  counter_at_step_ = state_.SampleCount1;
  protocol::AssignFrameText(line_, bytes.data(), bytes.size());
  if (line_sink_ != nullptr) line_sink_->TakeDataLine(line_);
  CountBadFrame();
  recorder_.Step(&line_);
}

void ReplyHandler::OnReply(const protocol::Reply& reply) {
  counter_at_step_ = state_.SampleCount1;
  Apply(reply);
  recorder_.Step(nullptr);
}

void ReplyHandler::OnCutReply(FrameSpan bytes, const protocol::Reply* ack) {
  counter_at_step_ = state_.SampleCount1;
  protocol::AssignFrameText(line_, bytes.data(), bytes.size());
  LogError(line_);
  if (ack != nullptr) Apply(*ack);
  recorder_.Step(nullptr);
}

void ReplyHandler::OnSkipped(size_t count) {
  counter_at_step_ = state_.SampleCount1;
  for (size_t i = 0; i < count; ++i) recorder_.Step(nullptr);
}

void ReplyHandler::OnChunkParsed() {
  // The counter label shows SampleCount1 as of the start of the last step;
  // set once per chunk, since nothing reads it between the steps.
  // Formatted in place: this runs for nearly every chunk the link delivers.
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, counter_at_step_).ptr;
  controls_.Label10.Caption.assign(digits, end);
}

void ReplyHandler::Apply(const protocol::Reply& reply) {
  auto& reply_panel = controls_.StatusBar1.Panel(form::StatusPanel::kDeviceReply).text;
  if (std::holds_alternative<protocol::StartAck>(reply)) {
    state_.Sampling = true;
    views_.ShowSamplingState(true);
    reply_panel = form::Tr("FrameParser", "启动采样！");
  } else if (std::holds_alternative<protocol::StopAck>(reply)) {
    state_.StopPending = false;
    state_.Sampling = false;
    views_.ShowSamplingState(false);
    reply_panel = form::Tr("FrameParser", "停止采样！");
  } else if (std::holds_alternative<protocol::ZeroAck>(reply)) {
    state_.ZeroPending = false;
    state_.RestartPending = true;
    state_.RestartTicks = 0;
    reply_panel = form::Tr("FrameParser", "清零成功！");
  } else if (const auto* one = std::get_if<protocol::ZeroValue1>(&reply)) {
    const double z = protocol::ZeroValueHpa(one->raw);
    controls_.Panel10.Caption = protocol::ZeroValueCaption(z);
    state_.zero_values = {z};
  } else if (const auto* three = std::get_if<protocol::ZeroValues3>(&reply)) {
    const double z1 = protocol::ZeroValueHpa(three->raw[0]);
    const double z2 = protocol::ZeroValueHpa(three->raw[1]);
    const double z3 = protocol::ZeroValueHpa(three->raw[2]);
    state_.zero_values = {z1, z2, z3};
    controls_.Panel10.Caption = protocol::ZeroValueCaption(z1);
    controls_.Panel11.Caption = protocol::ZeroValueCaption(z2);
    controls_.Panel12.Caption = protocol::ZeroValueCaption(z3);
  } else if (const auto* freq = std::get_if<protocol::FrequencyAck>(&reply)) {
    const int32_t rate = freq->rate;
    // The time base and the record length divide by and multiply with the
    // rate; a reported 0 is shown but keeps the last usable rate.
    if (rate > 0) state_.SampleRate = rate;
    reply_panel = form::Format(form::Tr("FrameParser", "%1频率设置成功！"), {std::to_string(rate)});
    views_.ResetAxes();
  } else if (const auto* sn = std::get_if<protocol::SerialNumber>(&reply)) {
    std::string text;
    for (uint8_t b : sn->bytes) AppendHex(text, b);
    state_.SerialNumber = text;
    controls_.Edit_sn.text = std::move(text);
  } else if (const auto* date = std::get_if<protocol::ProductionDate>(&reply)) {
    // Bytes: year, month, day, century; shown century first.
    const auto& d = date->bytes;
    std::string text;
    AppendHex(text, d[3]);
    AppendHex(text, d[0]);
    text.push_back('-');
    AppendHex(text, d[1]);
    text.push_back('-');
    AppendHex(text, d[2]);
    state_.ProductionDate = text;
    controls_.Edit_date.text = std::move(text);
  }
  // Data frames come through OnDataFrame with their bytes, never here.
}

void ReplyHandler::CountBadFrame() {
  LogError(line_);
  Increment(state_.ErrorCount);
  controls_.Label_cnt.Caption = std::to_string(state_.ErrorCount);
}

void ReplyHandler::LogError(const std::string& line) {
  auto& memo = controls_.Memo1.lines;
  if (memo.Count() > kMemoMaxLines) memo.Clear();
  memo.Add(line);
}

}  // namespace pulse::window
