// The player over a loaded record or session file: a position in frames that
// moves with play/pause, speed, steps, jumps and seeks. It holds only the
// file's line index; the frames a view needs are read when it asks. Time is
// advanced by the caller (the host's timer), so the logic needs no clock.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "records/record_file.h"

namespace pulse::window {

enum class PlayerSpeed { kQuarter, kHalf, kOne, kTwo, kFour, kEight, kFastest };

// The rate used when the file has no metadata.
inline constexpr double kDefaultPlayerRate = 200;
// The jump of shift+left/right and the ±5 s buttons.
inline constexpr double kPlayerJumpSeconds = 5;
// Frames moved per tick at "as fast as possible".
inline constexpr size_t kFastestFramesPerTick = 5000;

// One frame as the views see it; a damaged or bad-checksum line is a gap.
struct PlayerSample {
  size_t frame = 0;
  bool gap = true;
  int channels = 0;
  std::array<int16_t, 3> wave_raw{};
  std::array<int16_t, 3> static_raw{};
};

class Player {
 public:
  // `file` must outlive the player. A rate that is not positive falls back
  // to kDefaultPlayerRate.
  Player(const records::RecordFile& file, double rate_hz);

  [[nodiscard]] size_t FrameCount() const { return file_.LineCount(); }
  [[nodiscard]] size_t Position() const { return position_; }
  [[nodiscard]] double Rate() const { return rate_hz_; }
  [[nodiscard]] double PositionSeconds() const { return static_cast<double>(position_) / rate_hz_; }
  [[nodiscard]] double DurationSeconds() const;
  [[nodiscard]] bool Playing() const { return playing_; }
  [[nodiscard]] PlayerSpeed Speed() const { return speed_; }
  // Speed factor; 0 for "as fast as possible".
  [[nodiscard]] static double SpeedFactor(PlayerSpeed speed);

  // Play from the end starts again at the first frame.
  void Play();
  void Pause();
  void TogglePlay();
  void SetSpeed(PlayerSpeed speed);

  void StepForward();
  void StepBack();
  // Moves by `seconds` (negative: back), clamped to the file.
  void Jump(double seconds);
  void SeekFrame(size_t frame);
  // To the frame nearest to `seconds`, clamped to the file.
  void SeekSeconds(double seconds);

  // Advances a playing player by `elapsed` wall time; returns the frames
  // moved. It pauses on the last frame.
  [[nodiscard]] size_t Advance(std::chrono::microseconds elapsed);

  // The frames from `seconds_before` before the position up to and including
  // the position, read from the file.
  [[nodiscard]] std::vector<PlayerSample> Window(double seconds_before) const;

 private:
  void Clamp();

  const records::RecordFile& file_;
  double rate_hz_ = kDefaultPlayerRate;
  size_t position_ = 0;
  bool playing_ = false;
  PlayerSpeed speed_ = PlayerSpeed::kOne;
  double carry_frames_ = 0;  // fraction of a frame left over from the last advance
};

}  // namespace pulse::window
