// Accuracy of the beat detector on a reference recording: every sample rate the device uses,
// clean and with each disturbance.
// Usage: pulse-analysis-eval [recording-folder] [seed | first-last] [-v]
// One seed prints a row per run; a range prints a row per rate and variant over its seeds.
// Both end with a summary line: runs that miss a goal, missed and extra beats, the worst figures.
// Exit status: 0 all goals met, 1 some run missed one, 2 bad arguments or data, 77 no such folder
// (the reference data lives beside the repository and may be absent).
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <string>

#include "tools/analysis-eval/accuracy.h"

namespace eval = pulse::analysis::eval;

namespace {

constexpr double kRates[] = {250.0, 200.0, 125.0, 100.0, 50.0};
// Goals: percent for sensitivity and positive predictivity, bpm for the rate.
constexpr double kGoalPercent = 99.5;
constexpr double kGoalBpm = 1.0;
constexpr int kNoData = 77;

struct Seeds {
  uint32_t first = 1, last = 1;
};

// "7" or "1-30"; nothing on a malformed or reversed range.
std::optional<Seeds> ParseSeeds(const std::string& text) {
  char* end = nullptr;
  Seeds s;
  s.first = static_cast<uint32_t>(std::strtoul(text.c_str(), &end, 10));
  if (end == text.c_str()) return std::nullopt;
  s.last = s.first;
  if (*end == '-') {
    const char* from = end + 1;
    s.last = static_cast<uint32_t>(std::strtoul(from, &end, 10));
    if (end == from) return std::nullopt;
  }
  if (*end != '\0' || s.last < s.first) return std::nullopt;
  return s;
}

bool MeetsGoals(const eval::Score& s) {
  return s.Sensitivity() >= kGoalPercent && s.PositivePredictivity() >= kGoalPercent &&
         s.MedianRateError() <= kGoalBpm;
}

// The worst of a set of runs and where it happened.
struct Worst {
  double value = 0.0;
  uint32_t seed = 0;
  double rate = 0.0;
  eval::Disturbance variant = eval::Disturbance::kClean;
  bool seen = false;  // the first run is the worst so far, even at its best

  void Lower(double v, uint32_t s, double r, eval::Disturbance d) {
    if (!seen || v < value) *this = {v, s, r, d, true};
  }
  void Raise(double v, uint32_t s, double r, eval::Disturbance d) {
    if (!seen || v > value) *this = {v, s, r, d, true};
  }
  [[nodiscard]] std::string Where() const {
    return "seed " + std::to_string(seed) + ", " + std::to_string(static_cast<int>(rate)) +
           " Hz " + std::string(eval::DisturbanceName(variant));
  }
};

struct Tally {
  size_t runs = 0, failed = 0, missed = 0, extra = 0;
  Worst se, pp, rate_error;

  void Add(const eval::Score& s, uint32_t seed, double rate, eval::Disturbance d) {
    ++runs;
    failed += MeetsGoals(s) ? 0 : 1;
    missed += s.missed;
    extra += s.extra;
    se.Lower(s.Sensitivity(), seed, rate, d);
    pp.Lower(s.PositivePredictivity(), seed, rate, d);
    rate_error.Raise(s.MedianRateError(), seed, rate, d);
  }
};

void PrintEvents(const std::array<eval::Score, pulse::analysis::kChannels>& channels) {
  for (size_t c = 0; c < channels.size(); ++c) {
    for (double t : channels[c].missed_at_s)
      std::printf("        channel %zu: missed pulse at %.2f s\n", c + 1, t);
    for (double t : channels[c].extra_at_s)
      std::printf("        channel %zu: extra beat at %.2f s\n", c + 1, t);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : PULSE_DEFAULT_RECORDING;
  const auto seeds = ParseSeeds(argc > 2 ? argv[2] : "1");
  const bool verbose = argc > 3 && std::string(argv[3]) == "-v";
  if (!seeds) {
    std::fprintf(stderr, "pulse-analysis-eval: seed must be N or FIRST-LAST, not %s\n", argv[2]);
    return 2;
  }
  if (!std::filesystem::is_directory(dir)) {
    std::fprintf(stderr, "pulse-analysis-eval: no reference recording at %s\n", dir.c_str());
    return kNoData;
  }
  std::string error;
  const auto rec = eval::LoadReferenceRecording(dir, &error);
  if (!rec) {
    std::fprintf(stderr, "pulse-analysis-eval: %s\n", error.c_str());
    return 2;
  }
  const bool single = seeds->first == seeds->last;
  std::printf("recording %s: %zu reference beats, %.0f Hz; 3 channels per run, seed%s %u", dir.c_str(),
              rec->beats_s.size(), rec->rate_hz, single ? "" : "s", seeds->first);
  if (!single) std::printf("-%u", seeds->last);
  std::printf("\n");
  if (single)
    std::printf("%6s  %-9s  %7s  %7s  %9s  %5s  %4s  %4s  %s\n", "Hz", "variant", "Se %", "+P %",
                "|dHR| bpm", "TP", "FN", "FP", "goal");
  else
    std::printf("%6s  %-9s  %9s  %9s  %9s  %5s  %5s  %s\n", "Hz", "variant", "worst Se", "worst +P",
                "worst dHR", "FN", "FP", "runs missing a goal");

  Tally total;
  for (double rate : kRates) {
    for (auto d : eval::kAllDisturbances) {
      Tally row;
      for (uint32_t seed = seeds->first;; ++seed) {
        const auto channels = eval::EvaluateChannels(*rec, rate, d, seed);
        eval::Score s;
        for (const auto& c : channels) s += c;
        row.Add(s, seed, rate, d);
        total.Add(s, seed, rate, d);
        const bool ok = MeetsGoals(s);
        if (single) {
          std::printf("%6.0f  %-9s  %7.2f  %7.2f  %9.3f  %5zu  %4zu  %4zu  %s\n", rate,
                      std::string(eval::DisturbanceName(d)).c_str(), s.Sensitivity(),
                      s.PositivePredictivity(), s.MedianRateError(), s.true_beats, s.missed,
                      s.extra, ok ? "met" : "MISSED");
        } else if (verbose && !ok) {
          std::printf("        seed %u: Se %.2f %%, +P %.2f %%, |dHR| %.3f bpm\n", seed,
                      s.Sensitivity(), s.PositivePredictivity(), s.MedianRateError());
        }
        if (verbose && (single || !ok)) PrintEvents(channels);
        if (seed == seeds->last) break;
      }
      if (!single)
        std::printf("%6.0f  %-9s  %9.2f  %9.2f  %9.3f  %5zu  %5zu  %zu of %zu\n", rate,
                    std::string(eval::DisturbanceName(d)).c_str(), row.se.value, row.pp.value,
                    row.rate_error.value, row.missed, row.extra, row.failed, row.runs);
    }
  }
  std::printf(
      "summary: %zu of %zu runs miss a goal; %zu missed and %zu extra beats; worst Se %.2f %% "
      "(%s), worst +P %.2f %% (%s), worst |dHR| %.3f bpm (%s)\n",
      total.failed, total.runs, total.missed, total.extra, total.se.value, total.se.Where().c_str(),
      total.pp.value, total.pp.Where().c_str(), total.rate_error.value,
      total.rate_error.Where().c_str());
  return total.failed ? 1 : 0;
}
