#include "tools/analysis-eval/accuracy.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/pulse_analyzer.h"

namespace pulse::analysis::eval {

namespace {

constexpr double kTolerance = 0.15;   // s, onset or peak to the delayed reference
constexpr double kMaxDelay = 0.7;     // s, reference to pressure peak
constexpr size_t kRateIntervals = 8;  // reference intervals the reference rate is the median of

double Median(std::vector<double> v) {
  if (v.empty()) return std::numeric_limits<double>::infinity();
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

// Channels see the pressure as the device could: as is in a unit with room for it, and
// mean-removed at two smaller scales in two other units (1200 counts of pulse at the least).
constexpr WaveScaling kScalings[kChannels] = {
    {0.0, 1.0, 10.1972}, {1.0, 0.1, 1.0}, {1.0, 0.002, 0.1}};

}  // namespace

double Score::Sensitivity() const {
  const size_t n = true_beats + missed;
  return n ? 100.0 * static_cast<double>(true_beats) / static_cast<double>(n) : 0.0;
}

double Score::PositivePredictivity() const {
  const size_t n = true_beats + extra;
  return n ? 100.0 * static_cast<double>(true_beats) / static_cast<double>(n) : 0.0;
}

double Score::MedianRateError() const {
  std::vector<double> all = rate_errors;
  all.insert(all.end(), rates_missing, std::numeric_limits<double>::infinity());
  return Median(std::move(all));
}

Score& Score::operator+=(const Score& o) {
  true_beats += o.true_beats;
  missed += o.missed;
  extra += o.extra;
  rates_missing += o.rates_missing;
  rate_errors.insert(rate_errors.end(), o.rate_errors.begin(), o.rate_errors.end());
  missed_at_s.insert(missed_at_s.end(), o.missed_at_s.begin(), o.missed_at_s.end());
  extra_at_s.insert(extra_at_s.end(), o.extra_at_s.begin(), o.extra_at_s.end());
  return *this;
}

Score ScoreBeats(const std::vector<DetectedBeat>& detected, const std::vector<double>& ref,
                 double duration_s, double tail_s) {
  Score score;
  std::vector<double> peak_delays, onset_delays;
  for (const auto& d : detected) {
    auto it = std::upper_bound(ref.begin(), ref.end(), d.peak_s);
    if (it == ref.begin()) continue;
    const double r = *std::prev(it);
    if (d.peak_s - r <= kMaxDelay) {
      peak_delays.push_back(d.peak_s - r);
      onset_delays.push_back(d.onset_s - r);
    }
  }
  const double peak_delay = peak_delays.empty() ? 0.0 : Median(peak_delays);
  const double onset_delay = onset_delays.empty() ? 0.0 : Median(onset_delays);

  std::vector<size_t> scored;
  for (size_t k = 0; k < ref.size(); ++k)
    if (ref[k] + peak_delay <= duration_s - tail_s) scored.push_back(k);
  if (scored.empty()) return score;
  const double from = ref[scored.front()] + peak_delay - kTolerance;
  const double to = ref[scored.back()] + peak_delay + kTolerance;

  std::vector<bool> used(detected.size(), false);
  for (size_t k : scored) {
    size_t best = detected.size();
    double best_cost = kTolerance;
    for (size_t j = 0; j < detected.size(); ++j) {
      if (used[j]) continue;
      const double cost = std::min(std::fabs(detected[j].onset_s - (ref[k] + onset_delay)),
                                   std::fabs(detected[j].peak_s - (ref[k] + peak_delay)));
      if (cost <= best_cost) {
        best_cost = cost;
        best = j;
      }
    }
    if (best == detected.size()) {
      ++score.missed;
      score.missed_at_s.push_back(ref[k] + peak_delay);
      continue;
    }
    used[best] = true;
    ++score.true_beats;
    if (k >= kRateIntervals) {
      std::vector<double> rr;
      for (size_t i = k + 1 - kRateIntervals; i <= k; ++i) rr.push_back(ref[i] - ref[i - 1]);
      const double reference_bpm = 60.0 / Median(rr);
      if (detected[best].rate_bpm)
        score.rate_errors.push_back(std::fabs(*detected[best].rate_bpm - reference_bpm));
      else
        ++score.rates_missing;
    }
  }
  for (size_t j = 0; j < detected.size(); ++j)
    if (!used[j] && detected[j].peak_s >= from && detected[j].peak_s <= to) {
      ++score.extra;
      score.extra_at_s.push_back(detected[j].peak_s);
    }
  return score;
}

std::array<Score, kChannels> EvaluateChannels(const ReferenceRecording& rec, double rate_hz,
                                              Disturbance d, uint32_t seed) {
  const std::vector<double> resampled = Resample(rec.pressure, rec.rate_hz, rate_hz);
  const double mean = Mean(resampled);
  std::vector<WaveFrame> frames(resampled.size());
  for (int ch = 0; ch < kChannels; ++ch) {
    const auto c = static_cast<size_t>(ch);
    const auto disturbed = Disturb(resampled, rate_hz, d, seed * 7919u + c * 104729u);
    WaveScaling s = kScalings[c];
    s.offset *= mean;
    const auto wave = Quantise(disturbed, s);
    for (size_t i = 0; i < wave.size(); ++i) frames[i].wave[c] = wave[i];
  }

  std::vector<DetectedBeat> detected[kChannels];
  PulseAnalyzer analyzer(rate_hz);
  for (const auto& f : frames)
    for (const auto& b : analyzer.Push(f))
      detected[b.channel].push_back({static_cast<double>(b.beat.onset) / rate_hz,
                                     static_cast<double>(b.beat.peak) / rate_hz,
                                     analyzer.RateBpm(b.channel)});
  std::array<Score, kChannels> scores;
  const double duration = static_cast<double>(frames.size()) / rate_hz;
  for (size_t c = 0; c < scores.size(); ++c)
    scores[c] = ScoreBeats(detected[c], rec.beats_s, duration);
  return scores;
}

Score EvaluateVariant(const ReferenceRecording& rec, double rate_hz, Disturbance d, uint32_t seed) {
  Score total;
  for (const auto& s : EvaluateChannels(rec, rate_hz, d, seed)) total += s;
  return total;
}

}  // namespace pulse::analysis::eval
