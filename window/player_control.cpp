#include "window/player_control.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "protocol/units.h"
// Last: it brings the namespace pulse::protocol, which hides ::protocol below.
#include "records/record_file.h"
#include "records/session_metadata.h"

namespace pulse::window {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string PositionText(const Player& p) {
  char seconds[64];
  std::snprintf(seconds, sizeof seconds, "%.2f/%.2f", p.PositionSeconds(), p.DurationSeconds());
  return form::Format(form::Tr("PlayerControl", "%1 s  帧 %2/%3"),
                      {seconds, std::to_string(p.FrameCount() == 0 ? 0 : p.Position() + 1),
                       std::to_string(p.FrameCount())});
}

form::TPanel& StaticReadout(form::TMainControls& c, int view) {
  return view == 0 ? c.P_jy1 : view == 1 ? c.P_jy2 : c.P_jy3;
}

}  // namespace

PlayerControl::PlayerControl(const form::TFormState& state, form::TMainControls& controls,
                             std::array<IViewPlot*, kViewCount> plots, LiveAnalysis& analysis,
                             Schedule schedule, std::function<Clock::time_point()> now)
    : state_(state),
      controls_(controls),
      plots_(plots),
      analysis_(analysis),
      schedule_(std::move(schedule)),
      now_(std::move(now)) {}

PlayerControl::~PlayerControl() {
  *alive_ = false;
}

std::string PlayerControl::Load(const std::string& path) {
  Unload();
  records::RecordFileOpen opened = records::RecordFile::Open(path);
  if (!opened.file) return opened.error;
  double rate = kDefaultPlayerRate;
  std::string ignored;
  if (const auto md = records::ReadMetadataFile(records::MetadataPathFor(path), &ignored))
    rate = md->sample_rate;
  file_ = std::move(opened.file);
  player_ = std::make_unique<Player>(*file_, rate);
  Changed();
  return {};
}

void PlayerControl::Unload() {
  player_.reset();
  file_.reset();
  shown_frame_.reset();
  fed_next_.reset();
  Changed();
}

void PlayerControl::TogglePlay() {
  if (!player_) return;
  player_->TogglePlay();
  if (player_->Playing()) {
    last_tick_ = now_();
    Show();
    ScheduleTick();
  }
  Changed();
}

void PlayerControl::Pause() {
  if (!player_ || !player_->Playing()) return;
  player_->Pause();
  Changed();
}

void PlayerControl::SetSpeed(PlayerSpeed speed) {
  if (!player_) return;
  player_->SetSpeed(speed);
  Changed();
}

void PlayerControl::Apply(PlayerAction action) {
  if (!player_) return;
  if (action == PlayerAction::kTogglePlay) {
    TogglePlay();
    return;
  }
  ApplyAction(*player_, action);
  Show();
}

void PlayerControl::SeekFrame(size_t frame) {
  if (!player_) return;
  player_->SeekFrame(frame);
  Show();
}

void PlayerControl::SeekSeconds(double seconds) {
  if (!player_) return;
  player_->SeekSeconds(seconds);
  Show();
}

bool PlayerControl::Key(PlayerKey key, bool shift) {
  if (!player_) return false;
  const std::optional<PlayerAction> action = ActionForKey(key, shift);
  if (!action) return false;
  Apply(*action);
  return true;
}

void PlayerControl::ScheduleTick() {
  if (tick_pending_ || !schedule_) return;
  tick_pending_ = true;
  std::weak_ptr<bool> alive = alive_;
  schedule_(kTickMs, [this, alive] {
    if (alive.expired() || !*alive.lock()) return;
    Tick();
  });
}

void PlayerControl::Tick() {
  tick_pending_ = false;
  if (!player_ || !player_->Playing()) return;
  const Clock::time_point now = now_();
  const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(now - last_tick_);
  last_tick_ = now;
  if (player_->Advance(elapsed) > 0) Show();
  if (player_->Playing()) ScheduleTick();
  Changed();
}

double PlayerControl::Span() const {
  IViewPlot* first = plots_[0];
  if (first == nullptr) return kFallbackSpanSeconds;
  const double span = first->AxisMax(ViewAxis::kTime) - first->AxisMin(ViewAxis::kTime);
  return std::isfinite(span) && span > 0 ? span : kFallbackSpanSeconds;
}

void PlayerControl::Show() {
  if (!player_) return;
  if (before_draw) before_draw();
  const double span = Span();
  const std::vector<PlayerSample> samples = player_->Window(span);
  const double rate = player_->Rate();
  const double now_s = player_->PositionSeconds();
  // The position sits at the right end once the file is longer than the view.
  const double left = now_s > span ? now_s - span : 0.0;
  const double f = state_.UnitFactor;
  for (int v = 0; v < kViewCount; ++v) {
    IViewPlot* plot = plots_[static_cast<size_t>(v)];
    if (plot == nullptr) continue;
    plot->SetAxisMinMax(ViewAxis::kTime, left, left + span);
    plot->ClearSeries();
    for (const PlayerSample& s : samples) {
      const double t = static_cast<double>(s.frame) / rate;
      // A damaged line, or a channel a one-channel frame lacks, breaks the line.
      const bool has = !s.gap && v < s.channels;
      plot->AddPoint(t,
                     has ? protocol::WaveValueOfRaw(s.wave_raw[static_cast<size_t>(v)], f) : kNaN);
    }
  }
  if (!samples.empty()) {
    const PlayerSample& last = samples.back();
    for (int v = 0; v < kViewCount; ++v) {
      StaticReadout(controls_, v).Caption = !last.gap && v < last.channels
                                                ? protocol::FormatFixed2(protocol::StaticValueOfRaw(
                                                      last.static_raw[static_cast<size_t>(v)], f))
                                                : std::string("--");
    }
  }
  Feed(samples);
  shown_frame_ = player_->Position();
  Changed();
}

void PlayerControl::Feed(const std::vector<PlayerSample>& samples) {
  if (samples.empty()) return;
  const size_t position = samples.back().frame;
  size_t from = samples.front().frame;
  if (fed_next_ && *fed_next_ >= from && *fed_next_ <= position + 1) {
    from = *fed_next_;
  } else {
    // A jump: the analysis follows the wave afresh over what the views show.
    analysis_.RestartPlayed();
  }
  const auto rate = static_cast<int32_t>(std::lround(player_->Rate()));
  for (const PlayerSample& s : samples) {
    if (s.frame < from) continue;
    // The analysis holds the last value over a damaged line, so its time base stays the file's.
    if (!s.gap) {
      last_wave_ = s.wave_raw;
      last_channels_ = s.channels;
    }
    if (last_channels_ == 0) continue;
    analysis_.FeedPlayed(last_wave_, last_channels_, static_cast<int64_t>(s.frame), rate);
  }
  fed_next_ = position + 1;
}

void PlayerControl::Changed() {
  PlayerBarModel bar;
  if (player_) {
    bar.enabled = player_->FrameCount() > 0;
    bar.playing = player_->Playing();
    bar.speed_index = static_cast<int>(player_->Speed());
    bar.frame_count = player_->FrameCount();
    bar.position = player_->Position();
    bar.position_text = PositionText(*player_);
  }
  if (bar.enabled == bar_.enabled && bar.playing == bar_.playing &&
      bar.speed_index == bar_.speed_index && bar.frame_count == bar_.frame_count &&
      bar.position == bar_.position && bar.position_text == bar_.position_text)
    return;
  bar_ = std::move(bar);
  ++revision_;
}

}  // namespace pulse::window
