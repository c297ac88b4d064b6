#include "tools/virtual-sensor/pulse_model.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace pulse::vsensor {

namespace {

constexpr double kMinRate = 60, kMaxRate = 90;  // beats per minute of the free-running heart
constexpr double kBeatJitter = 0.03;            // beat-to-beat variation of the rate
constexpr double kSinusArrhythmia = 2.5;        // bpm swing with breathing
constexpr double kBreathAmpMod = 0.08;          // pulse amplitude swing with breathing
constexpr double kBreathBaseline = 0.06;        // baseline swing, fraction of the amplitude
// Scripted rates are held to what the host's analysis is made for, and a little beyond.
constexpr double kScriptMinRate = 20, kScriptMaxRate = 300;
constexpr double kDefaultScriptRate = 72;
// The pulse arrives a little later at the points further along the artery.
constexpr std::array<double, 3> kChannelDelay{0.0, 0.012, 0.025};  // seconds
constexpr std::array<double, 3> kChannelGain{1.0, 0.72, 0.5};      // of channel 1's amplitude
constexpr double kDriftTau = 20;               // seconds: how slowly the hold-down pressure wanders
constexpr double kDriftSigma = 3;              // hPa: how far it wanders
constexpr double kWaveNoise = 0.02;            // hPa
constexpr double kStaticNoise = 0.05;          // hPa
constexpr double kWaveOffset = 0.25;           // shifts the wave so the diastolic floor is negative
constexpr double kStaticUnit = 10;             // raw static counts per hPa
constexpr double kWaveUnit = 1000;             // raw wave counts per hPa
constexpr double kSqrt3 = 1.7320508075688772;  // uniform on +-sqrt(3) has unit variance
constexpr double kBreathStatic = 0.3;          // hPa of hold-down swing with breathing
constexpr double kFirstOnset = 0.2;            // seconds: the first beat is seen whole

// A beat: a half-cosine upstroke from its foot (at most 120 ms, at most a quarter of the
// interval), then an exponential run-off with the notch and the dicrotic wave on it. Each beat
// rises from the decay of the ones before, so the pressure falls until the next foot: a sharp
// foot, and a beat's onset a point in time a test can hold the analysis to.
constexpr double kMaxRiseS = 0.12, kRiseShare = 0.25;
constexpr double kSystolicShare = 0.13;  // width of the systolic decline, share of the interval
constexpr double kMaxSystolicS = 0.12;
constexpr double kRunoff = 0.65;      // share of the peak left to the slow diastolic run-off
constexpr double kDecayShare = 0.7;  // its time constant, share of the interval
constexpr double kDicroticShare = 0.3, kMaxDicroticS = 0.3;  // dicrotic wave after the peak
constexpr double kDicroticWidthShare = 0.06, kMaxDicroticWidthS = 0.06;
constexpr double kDicroticHeight = 0.25;
constexpr double kTailS = 6;  // a beat's run-off is negligible after this

// Irregular rhythm: a premature beat comes this early in the interval and smaller; the beat
// after it follows a compensatory pause, so the two intervals add up to two normal ones.
constexpr double kPrematureShare = 0.62;
constexpr double kPrematureAmp = 0.7;

// Motion artefacts: a bump of either sign, several times the pulse, lasting about a second.
constexpr double kArtefactMinWidth = 0.12, kArtefactMaxWidth = 0.3;  // seconds (sigma)
constexpr double kArtefactMinHeight = 1.0, kArtefactMaxHeight = 3.0;  // times the pulse amplitude
constexpr double kArtefactReach = 3.0;  // sigmas from its middle where it shows

// Baseline drift of the wave: two slow swings, as the operator's hold-down pressure moves.
constexpr double kDriftHz1 = 0.05, kDriftHz2 = 0.13, kDriftShare2 = 0.5;

// The signals without a pulse.
constexpr double kFlatHpa = 0.12;
constexpr double kNoiseOnlyShare = 0.3;  // of the pulse amplitude

std::int16_t ToRaw(double value) {
  const double r = std::round(value);
  return static_cast<std::int16_t>(std::clamp(r, double{std::numeric_limits<std::int16_t>::min()},
                                              double{std::numeric_limits<std::int16_t>::max()}));
}

double RiseTime(double length) {
  return std::min(kMaxRiseS, kRiseShare * length);
}

}  // namespace

double ScriptValue(const std::vector<ScriptPoint>& script, double t, double otherwise) {
  if (script.empty()) return otherwise;
  double v = script.front().value;
  for (const ScriptPoint& p : script) {
    if (p.from_s <= t) v = p.value;
  }
  return v;
}

PulseModel::PulseModel(std::uint64_t seed, PulseScript script)
    : rng_(seed), script_(std::move(script)) {
  base_rate_ = rng_.Uniform(66, 84);
  breath_period_ = rng_.Uniform(3.5, 5.0);
  breath_phase0_ = rng_.Uniform(0, 2 * std::numbers::pi);
  pulse_amp_ = rng_.Uniform(6, 10);
  for (int c = 0; c < 3; ++c) {
    hold_[c] = rng_.Uniform(60, 120);
    offset_[c] = rng_.Uniform(-5, 5);
    // Zeroed at the factory, with a small residue.
    zero_[c] = offset_[c] + rng_.Uniform(-0.3, 0.3);
  }
  next_start_ = kFirstOnset;
  beat_length_ = 60.0 / base_rate_;
}

double PulseModel::PulseShape(double since_onset, double length) {
  if (since_onset < 0 || since_onset > kTailS) return 0;
  const double rise = RiseTime(length);
  if (since_onset < rise) return 0.5 * (1 - std::cos(std::numbers::pi * since_onset / rise));
  const double x = since_onset - rise;
  const double systolic = x / std::min(kMaxSystolicS, kSystolicShare * length);
  const double d = (x - std::min(kMaxDicroticS, kDicroticShare * length)) /
                   std::min(kMaxDicroticWidthS, kDicroticWidthShare * length);
  return (1 - kRunoff) * std::exp(-systolic * systolic) +
         kRunoff * std::exp(-x / (kDecayShare * length)) + kDicroticHeight * std::exp(-d * d);
}

double PulseModel::NormalInterval() {
  if (!script_.bpm.empty()) {
    const double bpm = ScriptValue(script_.bpm, next_start_, kDefaultScriptRate);
    return 60.0 / std::clamp(bpm, kScriptMinRate, kScriptMaxRate);
  }
  const double breath =
      std::sin(2 * std::numbers::pi * next_start_ / breath_period_ + breath_phase0_);
  double rate = base_rate_ * (1 + kBeatJitter * rng_.Uniform(-1, 1)) + kSinusArrhythmia * breath;
  rate = std::clamp(rate, kMinRate, kMaxRate);
  return 60.0 / rate;
}

void PulseModel::Report(TrueEvent::Kind kind, double onset, double peak) {
  if (!on_event_) return;
  for (int c = 0; c < 3; ++c) {
    on_event_({kind, c, onset + kChannelDelay[c] - origin_, peak + kChannelDelay[c] - origin_});
  }
}

void PulseModel::StartBeat() {
  const double start = next_start_;
  const double normal = NormalInterval();
  const double breath = std::sin(2 * std::numbers::pi * start / breath_period_ + breath_phase0_);
  double amp = pulse_amp_ * ScriptValue(script_.amplitude, start, 1.0) * (1 + kBreathAmpMod * breath);
  if (next_premature_) amp *= kPrematureAmp;
  latest_ = (latest_ + 1) % kRecentBeats;
  recent_[latest_] = {start, normal, amp};
  beat_length_ = normal;
  if (script_.signal == SignalKind::kPulse) {
    Report(next_premature_ ? TrueEvent::Kind::kPremature : TrueEvent::Kind::kBeat, start,
           start + RiseTime(normal));
  }

  next_premature_ = false;
  if (compensation_ > 0) {
    next_start_ = start + compensation_;
    compensation_ = 0;
    return;
  }
  const double u = script_.irregular > 0 ? rng_.Uniform(0, 1) : 1.0;
  if (u < script_.irregular / 2) {
    next_start_ = start + kPrematureShare * normal;
    next_premature_ = true;
    compensation_ = (2 - kPrematureShare) * normal;
  } else if (u < script_.irregular) {
    next_start_ = start + 2 * normal;  // the beat in between is skipped
  } else {
    next_start_ = start + normal;
  }
}

double PulseModel::Wave(int c, double breath) const {
  const double t = time_ - kChannelDelay[c];
  const double gain = kChannelGain[c];
  double v = (kBreathBaseline * breath - kWaveOffset) * pulse_amp_ * gain;
  for (const Beat& b : recent_) v += b.amp * gain * PulseShape(t - b.start, b.length);
  if (script_.drift > 0) {
    v += script_.drift * gain *
         (std::sin(2 * std::numbers::pi * kDriftHz1 * t) +
          kDriftShare2 * std::sin(2 * std::numbers::pi * kDriftHz2 * t + 1));
  }
  const double a = (t - artefact_.at) / artefact_.width;
  if (std::fabs(a) < 2 * kArtefactReach) v += artefact_.height * gain * std::exp(-0.5 * a * a);
  return v;
}

Sample PulseModel::Next(double dt) {
  time_ += dt;
  if (origin_ < 0) origin_ = time_;
  while (time_ >= next_start_) StartBeat();
  if (script_.motion > 0 && time_ > artefact_.at + kArtefactReach * artefact_.width &&
      rng_.Uniform(0, 1) < script_.motion / 60 * dt) {
    const double width = rng_.Uniform(kArtefactMinWidth, kArtefactMaxWidth);
    const double sign = rng_.Uniform(0, 1) < 0.5 ? -1 : 1;
    artefact_ = {time_ + kArtefactReach * width, width,
                 sign * pulse_amp_ * rng_.Uniform(kArtefactMinHeight, kArtefactMaxHeight)};
    Report(TrueEvent::Kind::kArtefact, time_, artefact_.at);
  }
  const double breath = std::sin(2 * std::numbers::pi * time_ / breath_period_ + breath_phase0_);
  // Ornstein-Uhlenbeck step: wanders, but comes back.
  const double keep = std::exp(-dt / kDriftTau);
  const double kick = kDriftSigma * std::sqrt(1 - keep * keep);

  Sample s{};
  for (int c = 0; c < 3; ++c) {
    double wave = 0;
    switch (script_.signal) {
      case SignalKind::kPulse:
        wave = Wave(c, breath) + kWaveNoise * rng_.Uniform(-1, 1);
        break;
      case SignalKind::kFlat:
        wave = kFlatHpa;
        break;
      case SignalKind::kSaturated:
        wave = std::numeric_limits<std::int16_t>::max() / kWaveUnit;
        break;
      case SignalKind::kNoise:
        wave = kNoiseOnlyShare * pulse_amp_ * kSqrt3 * rng_.Uniform(-1, 1);
        break;
    }
    drift_[c] = drift_[c] * keep + kick * rng_.Uniform(-kSqrt3, kSqrt3);
    const double reading = hold_[c] + drift_[c] + offset_[c] + kBreathStatic * breath +
                           kStaticNoise * rng_.Uniform(-1, 1);
    s.static_raw[c] = ToRaw((reading - zero_[c]) * kStaticUnit);
    s.wave_raw[c] = ToRaw(wave * kWaveUnit);
  }
  return s;
}

void PulseModel::Zero() {
  for (int c = 0; c < 3; ++c) zero_[c] = hold_[c] + drift_[c] + offset_[c];
}

std::array<std::int16_t, 3> PulseModel::ZeroValues() const {
  std::array<std::int16_t, 3> z{};
  for (int c = 0; c < 3; ++c) z[c] = ToRaw(zero_[c] * kStaticUnit);
  return z;
}

}  // namespace pulse::vsensor
