// Accuracy of the beat detector on a reference recording: every sample rate the device uses,
// clean and with each disturbance. Usage: pulse-analysis-eval [recording-folder] [seed] [-v]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/analysis-eval/accuracy.h"

namespace eval = pulse::analysis::eval;

namespace {

constexpr double kRates[] = {250.0, 200.0, 125.0, 100.0, 50.0};
// Goals: percent for sensitivity and positive predictivity, bpm for the rate.
constexpr double kGoalPercent = 99.5;
constexpr double kGoalBpm = 1.0;

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : PULSE_DEFAULT_RECORDING;
  const auto seed = static_cast<uint32_t>(argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1);
  const bool verbose = argc > 3 && std::string(argv[3]) == "-v";
  std::string error;
  const auto rec = eval::LoadReferenceRecording(dir, &error);
  if (!rec) {
    std::fprintf(stderr, "pulse-analysis-eval: %s\n", error.c_str());
    return 2;
  }
  std::printf("recording %s: %zu reference beats, %.0f Hz; 3 channels per run, seed %u\n",
              dir.c_str(), rec->beats_s.size(), rec->rate_hz, seed);
  std::printf("%6s  %-9s  %7s  %7s  %9s  %5s  %4s  %4s  %s\n", "Hz", "variant", "Se %", "+P %",
              "|dHR| bpm", "TP", "FN", "FP", "goal");
  int failures = 0;
  for (double rate : kRates) {
    for (auto d : eval::kAllDisturbances) {
      const auto s = eval::EvaluateVariant(*rec, rate, d, seed);
      const bool ok = s.Sensitivity() >= kGoalPercent && s.PositivePredictivity() >= kGoalPercent &&
                      s.MedianRateError() <= kGoalBpm;
      failures += ok ? 0 : 1;
      std::printf("%6.0f  %-9s  %7.2f  %7.2f  %9.3f  %5zu  %4zu  %4zu  %s\n", rate,
                  std::string(eval::DisturbanceName(d)).c_str(), s.Sensitivity(),
                  s.PositivePredictivity(), s.MedianRateError(), s.true_beats, s.missed, s.extra,
                  ok ? "met" : "MISSED");
      if (verbose) {
        for (double t : s.missed_at_s) std::printf("        missed pulse at %.2f s\n", t);
        for (double t : s.extra_at_s) std::printf("        extra beat at %.2f s\n", t);
      }
    }
  }
  std::printf("%d of %zu variants miss a goal\n", failures,
              std::size(kRates) * std::size(eval::kAllDisturbances));
  return failures ? 1 : 0;
}
