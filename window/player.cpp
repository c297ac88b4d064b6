#include "window/player.h"

#include <algorithm>
#include <cmath>

namespace pulse::window {

Player::Player(const records::RecordFile& file, double rate_hz)
    : file_(file), rate_hz_(rate_hz > 0 && std::isfinite(rate_hz) ? rate_hz : kDefaultPlayerRate) {}

double Player::DurationSeconds() const {
  return FrameCount() == 0 ? 0 : static_cast<double>(FrameCount() - 1) / rate_hz_;
}

double Player::SpeedFactor(PlayerSpeed speed) {
  switch (speed) {
    case PlayerSpeed::kQuarter: return 0.25;
    case PlayerSpeed::kHalf: return 0.5;
    case PlayerSpeed::kOne: return 1;
    case PlayerSpeed::kTwo: return 2;
    case PlayerSpeed::kFour: return 4;
    case PlayerSpeed::kEight: return 8;
    case PlayerSpeed::kFastest: return 0;
  }
  return 1;
}

void Player::Play() {
  if (FrameCount() == 0) return;
  if (position_ + 1 >= FrameCount()) position_ = 0;
  playing_ = true;
  carry_frames_ = 0;
}

void Player::Pause() { playing_ = false; }

void Player::TogglePlay() {
  if (playing_) {
    Pause();
  } else {
    Play();
  }
}

void Player::SetSpeed(PlayerSpeed speed) {
  speed_ = speed;
  carry_frames_ = 0;
}

void Player::StepForward() { SeekFrame(position_ + 1); }

void Player::StepBack() {
  if (position_ > 0) SeekFrame(position_ - 1);
}

void Player::Jump(double seconds) { SeekSeconds(PositionSeconds() + seconds); }

void Player::SeekFrame(size_t frame) {
  position_ = frame;
  carry_frames_ = 0;
  Clamp();
}

void Player::SeekSeconds(double seconds) {
  if (!std::isfinite(seconds) || seconds <= 0) {
    SeekFrame(0);
    return;
  }
  SeekFrame(static_cast<size_t>(std::llround(seconds * rate_hz_)));
}

void Player::Clamp() {
  const size_t count = FrameCount();
  position_ = count == 0 ? 0 : std::min(position_, count - 1);
}

size_t Player::Advance(std::chrono::microseconds elapsed) {
  if (!playing_ || FrameCount() == 0 || elapsed.count() <= 0) return 0;
  size_t step = 0;
  const double factor = SpeedFactor(speed_);
  if (factor == 0) {
    step = kFastestFramesPerTick;
  } else {
    constexpr double kMicrosPerSecond = 1e6;
    carry_frames_ += static_cast<double>(elapsed.count()) / kMicrosPerSecond * rate_hz_ * factor;
    step = static_cast<size_t>(carry_frames_);
    carry_frames_ -= static_cast<double>(step);
  }
  const size_t last = FrameCount() - 1;
  const size_t moved = std::min(step, last - position_);
  position_ += moved;
  if (position_ == last) playing_ = false;
  return moved;
}

std::vector<PlayerSample> Player::Window(double seconds_before) const {
  std::vector<PlayerSample> samples;
  if (FrameCount() == 0) return samples;
  const auto span = static_cast<size_t>(std::max(0.0, seconds_before) * rate_hz_);
  const size_t first = position_ > span ? position_ - span : 0;
  samples.reserve(position_ - first + 1);
  const std::string error = file_.ForEachLine(
      [&](size_t index, std::string_view text) {
        if (index > position_) return false;
        PlayerSample sample;
        sample.frame = index;
        const records::RecordLine line = records::ClassifyLine(text);
        if (line.status == records::RecordLine::Status::kGood) {
          sample.gap = false;
          sample.channels = line.channels;
          sample.wave_raw = line.values.wave_raw;
          sample.static_raw = line.values.static_raw;
        }
        samples.push_back(sample);
        return true;
      },
      first);
  // A file that can no longer be read shows the missing rest as gaps.
  for (size_t index = first + samples.size(); index <= position_ && !error.empty(); ++index) {
    PlayerSample gap;
    gap.frame = index;
    samples.push_back(gap);
  }
  return samples;
}

}  // namespace pulse::window
