// Plausible pulse and hold-down pressures for the three channels, in device units: static
// values in 0.1 hPa, wave values in 0.001 hPa, zero values in 0.1 hPa.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "tools/virtual-sensor/rng.h"

namespace pulse::vsensor {

struct Sample {
  std::array<std::int16_t, 3> static_raw;
  std::array<std::int16_t, 3> wave_raw;
};

// A value that changes in steps: `value` holds from `from_s` seconds on.
struct ScriptPoint {
  double from_s = 0;
  double value = 0;
};

enum class SignalKind {
  kPulse,      // the pulse wave
  kFlat,       // a constant wave, as with the sensor lifted off
  kSaturated,  // the wave stuck at full scale, as with a sensor pressed too hard
  kNoise,      // noise without any pulse
};

// What a test or a demo asks of the pulse; the defaults are a resting heart.
struct PulseScript {
  std::vector<ScriptPoint> bpm;        // empty: a random resting rate with natural variation
  double irregular = 0;                // per beat: probability of a premature or a skipped beat
  std::vector<ScriptPoint> amplitude;  // factor on the pulse amplitude; empty: 1
  double drift = 0;                    // hPa: slow swing of the wave's baseline
  double motion = 0;                   // motion artefacts per minute
  SignalKind signal = SignalKind::kPulse;
};

// A beat or an artefact as the model made it, per channel (0-based). Times are seconds from
// the first sample; a beat's onset is the foot of its upstroke, its peak the systolic peak.
struct TrueEvent {
  enum class Kind { kBeat, kPremature, kArtefact };
  Kind kind = Kind::kBeat;
  int channel = 0;
  double onset_s = 0;  // artefact: where it starts to show
  double peak_s = 0;   // artefact: its middle
};

// One artery under three sensing points: the channels share the heartbeat and breathing, and
// differ in pulse amplitude, arrival delay and hold-down pressure. Cheap per sample: a few exp
// and sin calls per channel.
class PulseModel {
 public:
  explicit PulseModel(std::uint64_t seed, PulseScript script = {});

  // Advances the model by dt seconds and returns the sample at the new time.
  [[nodiscard]] Sample Next(double dt);

  // Re-baselines every channel: what the sensor reads now becomes its zero.
  void Zero();
  [[nodiscard]] std::array<std::int16_t, 3> ZeroValues() const;

  [[nodiscard]] double HeartRate() const { return 60.0 / beat_length_; }  // beats per minute, current beat
  [[nodiscard]] double Time() const { return time_; }

  // Called with every beat (once per channel) as it starts and every artefact.
  void SetEventSink(std::function<void(const TrueEvent&)> sink) { on_event_ = std::move(sink); }

 private:
  struct Beat {
    double start = -1e9;  // time of the onset at channel 1
    double length = 1;    // the normal interval around it: sets its shape
    double amp = 0;       // hPa at channel 1
  };
  struct Artefact {
    double at = -1e9;  // middle
    double width = 1;  // seconds
    double height = 0;  // hPa at channel 1
  };

  [[nodiscard]] static double PulseShape(double since_onset, double length);
  [[nodiscard]] double NormalInterval();
  void StartBeat();
  void Report(TrueEvent::Kind kind, double onset, double peak);
  [[nodiscard]] double Wave(int channel, double breath) const;

  Rng rng_;
  PulseScript script_;
  std::function<void(const TrueEvent&)> on_event_;
  double time_ = 0;
  double origin_ = -1;             // time of the first sample, where event times count from
  double base_rate_;               // beats per minute
  double beat_length_;             // seconds: the current normal interval
  // The latest beats, newest at recent_[latest_]: each adds onto the decay of the ones before.
  static constexpr std::size_t kRecentBeats = 4;
  std::array<Beat, kRecentBeats> recent_{};
  std::size_t latest_ = 0;
  double next_start_ = 0;          // onset of the next beat
  bool next_premature_ = false;
  double compensation_ = 0;        // > 0: the pause that follows a premature beat
  double breath_period_;           // seconds
  double breath_phase0_;           // radians
  double pulse_amp_;               // hPa, channel 1
  Artefact artefact_;
  std::array<double, 3> hold_;     // hold-down pressure per channel, hPa
  std::array<double, 3> offset_;   // the sensing element's own offset, hPa
  std::array<double, 3> zero_;     // subtracted from the reading, hPa
  std::array<double, 3> drift_{};  // slow random wander of the hold-down pressure, hPa
};

// The step value at time t: the last point whose from_s is not after t (the first point also
// before it); `otherwise` without points.
[[nodiscard]] double ScriptValue(const std::vector<ScriptPoint>& script, double t, double otherwise);

}  // namespace pulse::vsensor
