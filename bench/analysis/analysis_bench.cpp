// Beat detection cost per sample per channel, on a noisy 75 bpm wave (goal: 1 us or less).
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "analysis/pulse_analyzer.h"

namespace {

std::vector<pulse::analysis::WaveFrame> Wave(double fs, double seconds) {
  std::mt19937 rng(3);
  std::normal_distribution<double> noise(0.0, 0.02);
  std::vector<pulse::analysis::WaveFrame> frames(static_cast<size_t>(fs * seconds));
  for (size_t i = 0; i < frames.size(); ++i) {
    const double phase = std::fmod(static_cast<double>(i) / fs * 1.25, 1.0);
    const double pulse = phase < 0.12 ? std::sin(phase / 0.12 * std::numbers::pi / 2)
                                      : std::exp(-(phase - 0.12) / 0.35);
    for (auto& v : frames[i].wave) v = 40.0 + pulse + noise(rng);
  }
  return frames;
}

void AnalyzerPerSampleChannel(benchmark::State& state) {
  const double fs = static_cast<double>(state.range(0));
  const auto frames = Wave(fs, 60.0);
  pulse::analysis::PulseAnalyzer analyzer(fs);
  size_t beats = 0;
  for (auto _ : state) {
    analyzer.Reset(fs);
    for (const auto& f : frames) beats += analyzer.Push(f).size();
  }
  benchmark::DoNotOptimize(beats);
  const auto samples = static_cast<double>(state.iterations()) *
                       static_cast<double>(frames.size()) * pulse::analysis::kChannels;
  // Seconds per sample of one channel (printed with an SI prefix: "80n" is 80 ns).
  state.counters["per_sample_channel"] =
      benchmark::Counter(samples, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(AnalyzerPerSampleChannel)->Arg(50)->Arg(100)->Arg(250)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
