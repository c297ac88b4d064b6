#include "tools/analysis-eval/reference_recording.h"

#include <charconv>
#include <fstream>
#include <string_view>

namespace pulse::analysis::eval {

namespace {

bool ParseDouble(std::string_view s, double* v) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == '\r' || s.back() == ' ')) s.remove_suffix(1);
  const auto r = std::from_chars(s.data(), s.data() + s.size(), *v);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

// The rate sits in the leading comment as "fs_hz=250".
double RateFromComment(std::string_view line) {
  const auto at = line.find("fs_hz=");
  if (at == std::string_view::npos) return 0.0;
  auto rest = line.substr(at + 6);
  rest = rest.substr(0, rest.find(' '));
  double v = 0.0;
  return ParseDouble(rest, &v) ? v : 0.0;
}

}  // namespace

std::optional<ReferenceRecording> LoadReferenceRecording(const std::string& dir,
                                                         std::string* error) {
  const auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return std::nullopt;
  };
  ReferenceRecording rec;
  std::ifstream signal(dir + "/signal.csv");
  if (!signal) return fail("cannot open " + dir + "/signal.csv");
  std::string line;
  std::vector<double> times;
  while (std::getline(signal, line)) {
    if (line.empty()) continue;
    if (line[0] == '#') {
      rec.rate_hz = RateFromComment(line);
      continue;
    }
    const auto comma = line.find(',');
    double t = 0.0, v = 0.0;
    if (comma == std::string::npos) return fail("bad line in signal.csv: " + line);
    if (!ParseDouble(std::string_view(line).substr(0, comma), &t)) continue;  // header
    if (!ParseDouble(std::string_view(line).substr(comma + 1), &v))
      return fail("bad value in signal.csv: " + line);
    times.push_back(t);
    rec.pressure.push_back(v);
  }
  if (rec.pressure.size() < 2) return fail("no samples in signal.csv");
  if (!(rec.rate_hz > 0.0))
    rec.rate_hz = static_cast<double>(times.size() - 1) / (times.back() - times.front());

  std::ifstream beats(dir + "/beats.csv");
  if (!beats) return fail("cannot open " + dir + "/beats.csv");
  while (std::getline(beats, line)) {
    double t = 0.0;
    if (!line.empty() && line[0] != '#' && ParseDouble(line, &t)) rec.beats_s.push_back(t);
  }
  if (rec.beats_s.empty()) return fail("no beats in beats.csv");
  return rec;
}

}  // namespace pulse::analysis::eval
