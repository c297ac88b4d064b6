#include "analysis/beats_csv.h"

#include <charconv>
#include <string>

namespace pulse::analysis {

namespace {

// Milliseconds cover every rate the device has; amplitudes keep six significant digits.
constexpr int kTimeDecimals = 4;
constexpr int kAmplitudeDigits = 6;

// std::to_chars never looks at the locale.
void AppendNumber(std::string& line, double v, std::chars_format format, int precision) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, format, precision);
  line.append(buf, r.ptr);
}

}  // namespace

bool WriteBeatsCsv(std::ostream& out, std::span<const ChannelBeat> beats, double rate_hz) {
  out << "channel,onset_s,peak_s,notch_s,amplitude,interval_s\n";
  std::string line;
  const auto time = [&](int64_t index) {
    AppendNumber(line, static_cast<double>(index) / rate_hz, std::chars_format::fixed,
                 kTimeDecimals);
  };
  for (const auto& b : beats) {
    line.clear();
    line += std::to_string(b.channel + 1);
    line += ',';
    time(b.beat.onset);
    line += ',';
    time(b.beat.peak);
    line += ',';
    if (b.beat.notch) time(*b.beat.notch);
    line += ',';
    AppendNumber(line, b.beat.amplitude, std::chars_format::general, kAmplitudeDigits);
    line += ',';
    if (b.beat.interval_s)
      AppendNumber(line, *b.beat.interval_s, std::chars_format::fixed, kTimeDecimals);
    line += '\n';
    out << line;
  }
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace pulse::analysis
