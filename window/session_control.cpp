#include "window/session_control.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "protocol/units.h"

namespace pulse::window {
namespace {

constexpr int kSecondsPerMinute = 60;
constexpr int kSecondsPerHour = 3600;

// Names longer than this lose their middle in the read-out; the hint has the whole path.
constexpr size_t kInfoNameChars = 20;
constexpr std::string_view kEllipsis = "…";

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Byte length of the UTF-8 character starting at `s[i]` (1 for stray bytes).
size_t CharBytes(const std::string& s, size_t i) {
  const auto c = static_cast<unsigned char>(s[i]);
  const size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
  return std::min(n, s.size() - i);
}

}  // namespace

std::string ShortFileName(const std::string& path) {
  const std::string name = BaseName(path);
  std::vector<size_t> starts;  // of each character
  for (size_t i = 0; i < name.size(); i += CharBytes(name, i)) starts.push_back(i);
  if (starts.size() <= kInfoNameChars) return name;
  const size_t head = (kInfoNameChars - 1) / 2;
  const size_t tail = kInfoNameChars - 1 - head;
  return name.substr(0, starts[head]) + std::string(kEllipsis) +
         name.substr(starts[starts.size() - tail]);
}

std::string FormatSessionLength(double seconds) {
  const auto total = static_cast<long long>(std::floor(std::max(seconds, 0.0)));
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", total / kSecondsPerHour,
                total % kSecondsPerHour / kSecondsPerMinute, total % kSecondsPerMinute);
  return buf;
}

std::string UnitSymbolOfFactor(double unit_factor) {
  for (size_t i = 0; i < protocol::kUnitTable.size(); ++i) {
    if (protocol::kUnitTable[i].factor == unit_factor) return protocol::kUnitSymbols[i];
  }
  return {};
}

SessionControl::SessionControl(const form::TFormState& state, const protocol::FrameParser& parser,
                               ReplyHandler& replies, Options options)
    : state_(state),
      parser_(parser),
      replies_(replies),
      options_(std::move(options)),
      writer_(options_.writer) {
  button.Caption = form::Tr("SessionControl", kSessionStartCaption);
  info.Visible = false;
}

SessionControl::~SessionControl() {
  if (Running()) (void)Stop();
}

std::string SessionControl::Start(const std::string& path) {
  if (Running()) return "a session is already being recorded into \"" + path_ + "\"";
  records::SessionMetadata md;
  md.start_time = records::FormatIsoTime(options_.now());
  md.sample_rate = state_.SampleRate;
  md.unit = UnitSymbolOfFactor(state_.UnitFactor);
  md.zero_values = state_.zero_values;
  md.serial_number = state_.SerialNumber;
  md.production_date = state_.ProductionDate;
  md.program_version = options_.program_version;
  std::string err = writer_.Start(path, md);
  if (!err.empty()) return err;

  path_ = path;
  last_error_.clear();
  rate_ = state_.SampleRate > 0 ? state_.SampleRate : form::TFormState::kDefaultSampleRate;
  lines_ = 0;
  last_frame_.reset();
  link_lost_ = false;
  gaps_.clear();
  good_at_start_ = parser_.GoodDataFrames();
  bad_at_start_ = parser_.BadDataFrames();
  bytes_at_start_ = parser_.BytesReceived();
  replies_.SetDataLineSink(this);
  ShowState();
  return {};
}

std::string SessionControl::Finish() {
  replies_.SetDataLineSink(nullptr);
  records::SessionTotals totals;
  totals.good_frames = parser_.GoodDataFrames() - good_at_start_;
  totals.bad_frames = parser_.BadDataFrames() - bad_at_start_;
  totals.bytes = parser_.BytesReceived() - bytes_at_start_;
  std::string err = writer_.Stop(totals);
  last_error_ = err;
  ShowState();
  return err;
}

std::string SessionControl::Stop() {
  if (!Running()) return {};
  return Finish();
}

std::optional<std::string> SessionControl::Tick() {
  if (!Running()) return std::nullopt;
  if (writer_.Failure()) {
    // The writer has given up; what it wrote is whole. Close the file and
    // complete the metadata, and say what happened once.
    return Finish();
  }
  ShowInfo();
  return std::nullopt;
}

double SessionControl::LengthSeconds() const {
  return static_cast<double>(lines_) / rate_;
}

void SessionControl::LinkLost() {
  if (!Running()) return;
  link_lost_ = true;
  // Lost before the first frame: the gap is counted from here.
  if (!last_frame_) last_frame_ = options_.steady_now();
}

void SessionControl::TakeDataLine(std::string_view line) {
  const SteadyClock::time_point now = options_.steady_now();
  if (last_frame_ && (link_lost_ || now - *last_frame_ >= kGapThreshold)) {
    const records::Gap gap{LengthSeconds(),
                           std::chrono::duration<double>(now - *last_frame_).count()};
    writer_.AddGap(gap);
    gaps_.push_back(gap);
  }
  link_lost_ = false;
  last_frame_ = now;
  writer_.Append(line);
  ++lines_;
}

void SessionControl::ShowState() {
  button.Caption =
      form::Tr("SessionControl", Running() ? kSessionStopCaption : kSessionStartCaption);
  info_lines_ = ~0ull;
  ShowInfo();
}

void SessionControl::ShowInfo() {
  info.Visible = Running();
  if (!Running()) {
    info.Caption.clear();
    info.hint.clear();
    return;
  }
  if (lines_ == info_lines_) return;
  info_lines_ = lines_;
  info.Caption = form::Format(
      form::Tr("SessionControl", "会话: %1  %2  %3帧"),
      {ShortFileName(path_), FormatSessionLength(LengthSeconds()), std::to_string(lines_)});
  info.hint = path_;
}

}  // namespace pulse::window
