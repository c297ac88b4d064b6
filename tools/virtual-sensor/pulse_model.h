// Plausible pulse and hold-down pressures for the three channels, in device units: static
// values in 0.1 hPa, wave values in 0.001 hPa, zero values in 0.1 hPa.
#pragma once

#include <array>
#include <cstdint>

#include "tools/virtual-sensor/rng.h"

namespace pulse::vsensor {

struct Sample {
  std::array<std::int16_t, 3> static_raw;
  std::array<std::int16_t, 3> wave_raw;
};

// One artery under three sensing points: the channels share the heartbeat and breathing, and
// differ in pulse amplitude, arrival delay and hold-down pressure. Cheap per sample: a few exp
// and sin calls per channel.
class PulseModel {
 public:
  explicit PulseModel(std::uint64_t seed);

  // Advances the model by dt seconds and returns the sample at the new time.
  Sample Next(double dt);

  // Re-baselines every channel: what the sensor reads now becomes its zero.
  void Zero();
  std::array<std::int16_t, 3> ZeroValues() const;

  double HeartRate() const { return 60.0 / beat_length_; }  // beats per minute, current beat
  double Time() const { return time_; }

 private:
  static double PulseShape(double phase);
  void NewBeat();

  Rng rng_;
  double time_ = 0;
  double base_rate_;               // beats per minute
  double beat_length_;             // seconds
  double beat_start_ = 0;          // time of the current beat's onset
  double breath_period_;           // seconds
  double breath_phase0_;           // radians
  double pulse_amp_;               // hPa, channel 1
  std::array<double, 3> hold_;     // hold-down pressure per channel, hPa
  std::array<double, 3> offset_;   // the sensing element's own offset, hPa
  std::array<double, 3> zero_;     // subtracted from the reading, hPa
  std::array<double, 3> drift_{};  // slow random wander of the hold-down pressure, hPa
};

}  // namespace pulse::vsensor
