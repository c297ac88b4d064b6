#include "window/live_analysis.h"

#include <cmath>

#include "protocol/units.h"

namespace pulse::window {
namespace {

using analysis::SignalQuality;

constexpr std::size_t kHistoryMask = LiveAnalysis::kHistory - 1;
static_assert((LiveAnalysis::kHistory & kHistoryMask) == 0, "a power of two");

PulseReadout NoPulse() {
  return {PulseRateText(std::nullopt), SignalQuality::kNoPulse,
          QualityHint(SignalQuality::kNoPulse)};
}

}  // namespace

std::string PulseRateText(const std::optional<double>& bpm) {
  if (!bpm) return form::Tr("LiveAnalysis", "脉率: --");
  return form::Format(form::Tr("LiveAnalysis", "脉率: %1 bpm"),
                      {std::to_string(std::lround(*bpm))});
}

std::string QualityHint(SignalQuality quality) {
  switch (quality) {
    case SignalQuality::kGood:
      return form::Tr("LiveAnalysis", "信号质量: 良好");
    case SignalQuality::kPoor:
      return form::Tr("LiveAnalysis", "信号质量: 较差");
    case SignalQuality::kNoPulse:
      break;
  }
  return form::Tr("LiveAnalysis", "信号质量: 无脉搏");
}

void LiveAnalysis::Sink::OnDataFrame(const pulse::protocol::DataFrame1& frame) {
  owner_.Feed(source_, {frame.wave_raw, 0, 0}, 1, owner_.state_.SampleRate);
}

void LiveAnalysis::Sink::OnDataFrame(const pulse::protocol::DataFrame3& frame) {
  owner_.Feed(source_, frame.wave_raw, kChannels, owner_.state_.SampleRate);
}

LiveAnalysis::LiveAnalysis(const form::TFormState& state, const form::TMainControls& controls)
    : state_(state), controls_(controls), analyzer_(form::TFormState::kDefaultSampleRate) {
  show_beats.Caption = form::Tr("LiveAnalysis", kShowBeatsCaption);
  show_beats.checked = true;
  readouts_.fill(NoPulse());
}

void LiveAnalysis::SetMarks(const std::array<IBeatMarks*, kChannels>& marks) {
  marks_ = marks;
  for (IBeatMarks* m : marks_)
    if (m != nullptr) m->ShowBeats(show_beats.checked);
}

void LiveAnalysis::ShowBeatsClick() {
  for (IBeatMarks* m : marks_)
    if (m != nullptr) m->ShowBeats(show_beats.checked);
}

int32_t LiveAnalysis::Counter(int channel) const {
  // The player's views run on the file's own frame index.
  if (source_ == Source::kPlayer) return static_cast<int32_t>(played_frame_);
  // Live frames of all channels are drawn against SampleCount1 (sweep mode);
  // the replay counts each channel's view on its own.
  if (source_ != Source::kReplay || channel == 0) return state_.SampleCount1;
  return channel == 1 ? state_.SampleCount2 : state_.SampleCount3;
}

void LiveAnalysis::FeedPlayed(const std::array<int16_t, kChannels>& wave_raw, int channels,
                              int64_t frame, int32_t rate) {
  played_frame_ = frame;
  Feed(Source::kPlayer, wave_raw, channels, rate);
}

void LiveAnalysis::RestartPlayed() {
  // The player draws the window it jumped to afresh; its marks come again with it.
  restart_ = true;
  for (IBeatMarks* m : marks_)
    if (m != nullptr) m->ClearBeats();
}

void LiveAnalysis::Restart(Source source, int channels, int32_t rate) {
  source_ = source;
  rate_ = rate;
  unit_factor_ = state_.UnitFactor;
  channels_ = channels;
  restart_ = false;
  analyzer_.Reset(rate_);
  for (std::size_t c = 0; c < readouts_.size(); ++c) SetReadout(c, NoPulse());
}

void LiveAnalysis::Feed(Source source, const std::array<int16_t, kChannels>& wave_raw, int channels,
                        int32_t rate) {
  ++frames_since_tick_;
  if (rate <= 0) return;  // no time base: nothing can be placed or timed
  // A change of source, rate, unit or frame kind breaks the wave the
  // detector follows; so does a pause in the stream.
  if (restart_ || source != source_ || rate != rate_ || state_.UnitFactor != unit_factor_ ||
      channels != channels_) {
    Restart(source, channels, rate);
  }
  FollowCounters();

  analysis::WaveFrame frame;
  const int64_t now = analyzer_.Frames();
  for (int c = 0; c < channels; ++c) {
    const auto ch = static_cast<std::size_t>(c);
    frame.wave[ch] = protocol::WaveValueOfRaw(wave_raw[ch], unit_factor_);
    history_[ch][static_cast<std::size_t>(now) & kHistoryMask] = frame.wave[ch];
  }
  const auto beats = analyzer_.Push(frame);
  if (beats.empty()) return;
  for (const analysis::ChannelBeat& b : beats) {
    if (b.channel < channels_) PlaceMarks(b.channel, b.beat, now);
  }
  UpdateReadouts();
}

void LiveAnalysis::FollowCounters() {
  for (int c = 0; c < kChannels; ++c) {
    const auto ch = static_cast<std::size_t>(c);
    const int32_t counter = Counter(c);
    if (counter < last_counter_[ch] && marks_[ch] != nullptr) marks_[ch]->ClearBeats();
    last_counter_[ch] = counter;
  }
}

void LiveAnalysis::PlaceMarks(int channel, const analysis::Beat& beat, int64_t now) {
  const auto ch = static_cast<std::size_t>(channel);
  IBeatMarks* marks = marks_[ch];
  if (marks == nullptr) return;
  // With the static pressure curve, view 1 does not show the wave.
  if (channel == 0 && source_ == Source::kLive && controls_.ch_jy.checked) return;
  const int32_t counter = Counter(channel);
  const int64_t oldest = beat.onset;
  // Samples before the view's last restart are no longer drawn, and older
  // ones than the history no longer known.
  if (now - oldest >= static_cast<int64_t>(kHistory) || counter - (now - oldest) < 1) return;
  const double rate = rate_;
  auto x = [&](int64_t index) { return static_cast<double>(counter - (now - index)) / rate; };
  auto y = [&](int64_t index) {
    return history_[ch][static_cast<std::size_t>(index) & kHistoryMask];
  };
  marks->AddBeat(x(beat.onset), y(beat.onset), x(beat.peak), y(beat.peak));
}

void LiveAnalysis::SetReadout(std::size_t channel, const PulseReadout& readout) {
  if (readouts_[channel] == readout) return;
  readouts_[channel] = readout;
  ++revision_;
}

void LiveAnalysis::UpdateReadouts() {
  for (int c = 0; c < kChannels; ++c) {
    const auto ch = static_cast<std::size_t>(c);
    if (!streaming_ && frames_since_tick_ == 0) {
      SetReadout(ch, NoPulse());
      continue;
    }
    if (c >= channels_) {
      SetReadout(ch, NoPulse());
      continue;
    }
    const SignalQuality q = analyzer_.Quality(c);
    SetReadout(ch, {PulseRateText(analyzer_.RateBpm(c)), q, QualityHint(q)});
  }
}

void LiveAnalysis::Tick(Clock::time_point now) {
  if (frames_since_tick_ > 0) {
    frames_since_tick_ = 0;
    last_activity_ = now;
    streaming_ = true;
  } else if (streaming_ && now - last_activity_ > kStaleAfter) {
    streaming_ = false;
    restart_ = true;
  }
  if (source_ != Source::kNone) FollowCounters();
  UpdateReadouts();
}

}  // namespace pulse::window
