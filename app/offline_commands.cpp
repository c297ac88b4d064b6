#include "app/offline_commands.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <vector>

#include "analysis/beat_detector.h"
#include "analysis/beats_csv.h"
#include "analysis/pulse_analyzer.h"
#include "form/form_state.h"
#include "protocol/frame_decoder.h"
#include "protocol/units.h"
#include "records/atomic_file.h"
#include "records/record_export.h"
#include "records/record_file.h"
#include "records/session_metadata.h"

namespace pulse::app {
namespace {

// Far above any rate the device runs at, and it bounds the analysis buffers.
constexpr double kMaxRateHz = 5000.0;
constexpr double kDefaultRateHz = form::TFormState::kDefaultSampleRate;
// Three significant digits say enough about a pulse height.
constexpr int kAmplitudeDigits = 3;
constexpr int kMaxAmplitudeDecimals = 6;

constexpr size_t StartupUnitIndex() {
  for (size_t i = 0; i < protocol::kUnitTable.size(); ++i) {
    if (protocol::kUnitTable[i].factor == form::TFormState::kDefaultUnitFactor) return i;
  }
  return protocol::kUnitTable.size();
}
static_assert(StartupUnitIndex() < protocol::kUnitTable.size(),
              "the start-up unit is an entry of the unit list");

int Usage(const OutputFn& out, const std::string& text) {
  out(MessageKind::kError, text);
  return kExitUsage;
}

int Failed(const OutputFn& out, const std::string& text) {
  out(MessageKind::kError, text);
  return kExitFailed;
}

std::string Count(uint64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// std::to_chars never looks at the locale.
std::string Fixed(double v, int decimals) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  return {buf, r.ptr};
}

std::string Significant(double v) {
  const int magnitude = v == 0.0 ? 0 : static_cast<int>(std::floor(std::log10(std::fabs(v))));
  return Fixed(v, std::clamp(kAmplitudeDigits - 1 - magnitude, 0, kMaxAmplitudeDecimals));
}

bool RateUsable(double rate) {
  return std::isfinite(rate) && rate > 0.0 && rate <= kMaxRateHz;
}

std::string RateText(double rate) {
  return std::floor(rate) == rate ? Fixed(rate, 0) : Significant(rate);
}

std::optional<size_t> UnitIndex(std::string_view symbol) {
  for (size_t i = 0; i < protocol::kUnitSymbols.size(); ++i) {
    if (symbol == protocol::kUnitSymbols[i]) return i;
  }
  return std::nullopt;
}

std::string UnknownUnit(const std::string& unit) {
  return "unknown unit \"" + unit + "\" (valid: " + records::UnitSymbolList() + ")";
}

// "csv" for "OUT.CSV"; empty when the name has no extension.
std::string LowerExtension(const std::string& path) {
  const std::string name = std::filesystem::path(path).filename().string();
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return {};
  std::string ext = name.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return ext;
}

// Whether the output's extension is one the exporter writes, from its own list.
bool KnownExportFormat(const std::string& path) {
  const std::string ext = LowerExtension(path);
  std::istringstream list(records::ExportFormatList());
  for (std::string f; std::getline(list >> std::ws, f, ',');) {
    if (f == ext) return true;
  }
  return false;
}

// An output written over the record (or its metadata) would destroy what it is made from.
std::optional<std::string> OverwritesInput(const std::string& output, const std::string& input) {
  std::error_code ec;
  if (std::filesystem::equivalent(output, input, ec) && !ec)
    return "\"" + output + "\" is the record itself; choose another name";
  const std::string md_path = records::MetadataPathFor(input);
  if (std::filesystem::equivalent(output, md_path, ec) && !ec)
    return "\"" + output + "\" is the record's metadata \"" + md_path + "\"; choose another name";
  return std::nullopt;
}

// Rate and unit of a record for the analysis: the session metadata's, else the caller's.
struct RecordFacts {
  double rate = kDefaultRateHz;
  std::string unit;
  double unit_factor = 1.0;
};

std::optional<RecordFacts> ResolveFacts(const std::string& input, std::optional<double> rate,
                                        const OutputFn& out, std::string* error) {
  RecordFacts facts;
  facts.rate = rate.value_or(kDefaultRateHz);
  facts.unit = StartupUnitSymbol();
  const std::string md_path = records::MetadataPathFor(input);
  struct stat st {};
  if (::stat(md_path.c_str(), &st) == 0) {
    std::string md_error;
    if (const auto md = records::ReadMetadataFile(md_path, &md_error)) {
      if (md->sample_rate > 0) {
        if (rate && *rate != md->sample_rate)
          out(MessageKind::kWarning, "--rate " + RateText(*rate) + " ignored: \"" + md_path +
                                         "\" says " + RateText(md->sample_rate) + " Hz");
        facts.rate = md->sample_rate;
      }
      if (!md->unit.empty()) facts.unit = md->unit;
    } else {
      out(MessageKind::kWarning,
          md_error + "; analyzing with the given rate and the unit " + facts.unit);
    }
  }
  const std::optional<size_t> unit = UnitIndex(facts.unit);
  if (!unit) {
    *error = UnknownUnit(facts.unit) + " in \"" + md_path + "\"";
    return std::nullopt;
  }
  // The caller's rate was checked with the command line; only the metadata's can be off.
  if (!RateUsable(facts.rate)) {
    *error = "the sample rate " + RateText(facts.rate) + " Hz in \"" + md_path +
             "\" is out of range (above 0, up to " + RateText(kMaxRateHz) + ")";
    return std::nullopt;
  }
  facts.unit_factor = protocol::kUnitTable[*unit].factor;
  return facts;
}

template <typename T>
std::optional<T> Median(std::vector<T> v) {
  if (v.empty()) return std::nullopt;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string ChannelSummary(int channel, const std::vector<analysis::ChannelBeat>& beats,
                           const std::string& unit) {
  std::vector<double> rates, amplitudes, rises;
  for (const auto& b : beats) {
    if (b.channel != channel) continue;
    if (b.beat.interval_s && *b.beat.interval_s > 0.0) rates.push_back(60.0 / *b.beat.interval_s);
    amplitudes.push_back(b.beat.amplitude);
    rises.push_back(b.beat.rise_time_s);
  }
  std::string line = "channel " + std::to_string(channel + 1) + ": ";
  if (amplitudes.empty()) return line + "no pulse";
  const auto rate = Median(std::move(rates));
  line += Count(amplitudes.size(), "beat", "beats");
  line += rate ? ", rate " + Fixed(*rate, 1) + " bpm" : std::string(", rate unknown");
  line += ", amplitude " + Significant(*Median(std::move(amplitudes))) + " " + unit;
  line += ", rise time " + Fixed(*Median(std::move(rises)), 3) + " s";
  return line;
}

int WriteBeats(const std::string& path, const std::vector<analysis::ChannelBeat>& beats,
               double rate, const OutputFn& out) {
  std::ostringstream text;
  if (!analysis::WriteBeatsCsv(text, beats, rate))
    return Failed(out, "cannot format the beats for \"" + path + "\"");
  records::AtomicFile file;
  std::string err = file.Open(path);
  if (err.empty()) err = file.Write(text.view());
  if (err.empty()) err = file.Commit();
  if (!err.empty()) return Failed(out, err);
  out(MessageKind::kResult,
      "wrote " + Count(beats.size(), "beat", "beats") + " to \"" + path + "\"");
  return kExitOk;
}

}  // namespace

std::string StartupUnitSymbol() {
  return protocol::kUnitSymbols[StartupUnitIndex()];
}

int RunExport(const ExportOptions& o, const OutputFn& out) {
  if (o.output.empty() || o.input.empty())
    return Usage(out, "--export needs the output file and --from REC.txt");
  if (!KnownExportFormat(o.output))
    return Usage(out, "cannot export to \"" + o.output +
                          "\": unknown format (valid: " + records::ExportFormatList() + ")");
  if (!o.unit.empty() && !UnitIndex(o.unit)) return Usage(out, UnknownUnit(o.unit));
  if (o.rate && !RateUsable(*o.rate))
    return Usage(out, "--rate wants frames per second above 0, up to " + RateText(kMaxRateHz));
  if (auto clash = OverwritesInput(o.output, o.input)) return Usage(out, *clash);

  records::ExportRequest request;
  request.input = o.input;
  request.output = o.output;
  request.rate = o.rate.value_or(kDefaultRateHz);
  request.unit = o.unit.empty() ? StartupUnitSymbol() : o.unit;
  request.unit_chosen = !o.unit.empty();
  const records::ExportReport report = records::ExportRecord(request);
  if (!report.warning.empty()) out(MessageKind::kWarning, report.warning);
  if (!report.error.empty()) return Failed(out, report.error);
  if (o.rate && *o.rate != report.rate)
    out(MessageKind::kWarning, "--rate " + RateText(*o.rate) + " ignored: \"" +
                                   records::MetadataPathFor(o.input) + "\" says " +
                                   RateText(report.rate) + " Hz");

  std::string line = "wrote " + Count(report.frames, "frame", "frames") + " to \"" + o.output +
                     "\" (" + RateText(report.rate) + " Hz, " + report.unit + ")";
  const uint64_t bad = report.bad_frames, damaged = report.damaged_lines;
  if (bad == 0 && damaged == 0) {
    line += "; no bad frames";
  } else {
    std::string what = Count(bad, "bad frame", "bad frames");
    if (damaged > 0) what += " and " + Count(damaged, "damaged line", "damaged lines");
    // EDF+ keeps its time axis whole: the previous values stand in, annotated.
    line += LowerExtension(o.output) == "edf"
                ? "; " + what + " held at the previous value and annotated"
                : "; " + what + " left out";
  }
  out(MessageKind::kResult, line);
  return kExitOk;
}

int RunAnalyze(const AnalyzeOptions& o, const OutputFn& out) {
  if (o.input.empty()) return Usage(out, "--analyze needs a record file");
  if (o.rate && !RateUsable(*o.rate))
    return Usage(out, "--rate wants frames per second above 0, up to " + RateText(kMaxRateHz));
  if (!o.beats.empty()) {
    if (auto clash = OverwritesInput(o.beats, o.input)) return Usage(out, *clash);
  }
  std::string error;
  const std::optional<RecordFacts> facts = ResolveFacts(o.input, o.rate, out, &error);
  if (!facts) return Failed(out, error);
  records::RecordFileOpen opened = records::RecordFile::Open(o.input);
  if (!opened.file) return Failed(out, opened.error);

  // Every line keeps its index, so a bad or damaged line is a gap the detectors restart
  // across and the beat times stay those of the record.
  std::array<analysis::BeatDetector, analysis::kChannels> detectors{
      analysis::BeatDetector(facts->rate), analysis::BeatDetector(facts->rate),
      analysis::BeatDetector(facts->rate)};
  std::vector<analysis::ChannelBeat> beats;
  uint64_t good = 0, bad = 0, damaged = 0;
  int channels = 0;
  error = opened.file->ForEachLine([&](size_t index, std::string_view text) {
    const records::RecordLine line = records::ClassifyLine(text);
    if (line.status == records::RecordLine::Status::kDamaged) {
      ++damaged;
    } else if (line.status == records::RecordLine::Status::kBadChecksum) {
      ++bad;
    } else {
      ++good;
      channels = std::max(channels, line.channels);
      for (int ch = 0; ch < line.channels; ++ch) {
        const double v = protocol::WaveValue(line.values, ch, facts->unit_factor);
        if (auto beat = detectors[static_cast<size_t>(ch)].Push(v, static_cast<int64_t>(index)))
          beats.push_back({ch, *beat});
      }
    }
    return true;
  });
  if (!error.empty()) return Failed(out, error);
  if (good == 0)
    return Failed(out, "\"" + o.input +
                           "\" holds no data frame with a good checksum; nothing to "
                           "analyze");

  const double seconds = static_cast<double>(opened.file->LineCount()) / facts->rate;
  std::string head = "\"" + o.input + "\": " + Fixed(seconds, 1) + " s at " +
                     RateText(facts->rate) + " Hz, " + Count(good, "good frame", "good frames");
  if (bad > 0) head += ", " + Count(bad, "bad frame", "bad frames");
  if (damaged > 0) head += ", " + Count(damaged, "damaged line", "damaged lines");
  out(MessageKind::kResult, head + "; values in " + facts->unit);
  for (int ch = 0; ch < channels; ++ch)
    out(MessageKind::kResult, ChannelSummary(ch, beats, facts->unit));
  return o.beats.empty() ? kExitOk : WriteBeats(o.beats, beats, facts->rate, out);
}

namespace {

struct OptionInfo {
  std::string_view name;
  std::string_view value;  // what the value is, for the error when it is missing
};
constexpr std::array<OptionInfo, 6> kOptions{{
    {"--export", "an output file (.csv or .edf)"},
    {"--from", "a record file"},
    {"--rate", "frames per second"},
    {"--unit", "a unit"},
    {"--analyze", "a record file"},
    {"--beats", "an output file"},
}};

const OptionInfo* FindOption(std::string_view arg) {
  const std::string_view name = arg.substr(0, arg.find('='));
  for (const OptionInfo& o : kOptions) {
    if (o.name == name) return &o;
  }
  return nullptr;
}

std::optional<double> ParseNumber(std::string_view text) {
  double v = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
  return v;
}

}  // namespace

std::optional<int> RunOfflineCommandLine(int argc, const char* const* argv, const OutputFn& out) {
  const OptionInfo* first = nullptr;
  bool command = false;
  for (int i = 1; i < argc; ++i) {
    const OptionInfo* option = FindOption(argv[i]);
    if (!first) first = option;
    command = command || (option && (option->name == "--export" || option->name == "--analyze"));
  }
  if (!first) return std::nullopt;
  if (!command)
    return Usage(out, std::string(first->name) + " only applies to --export and --analyze");

  std::array<std::optional<std::string>, kOptions.size()> values;
  bool help = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg(argv[i]);
    if (arg == "--help" || arg == "-h") {
      help = true;
      continue;
    }
    const OptionInfo* option = FindOption(arg);
    if (!option) {
      if (arg.starts_with('-'))
        return Usage(out, std::string(arg) + " does not go with --export or --analyze");
      return Usage(out, "unexpected argument: " + std::string(arg));
    }
    std::string value;
    if (const size_t eq = arg.find('='); eq != std::string_view::npos) {
      value = arg.substr(eq + 1);
    } else if (i + 1 < argc && !std::string_view(argv[i + 1]).starts_with("--")) {
      value = argv[++i];
    }
    if (value.empty())
      return Usage(out, std::string(option->name) + " needs " + std::string(option->value));
    auto& slot = values[static_cast<size_t>(option - kOptions.data())];
    if (slot) return Usage(out, std::string(option->name) + " is given twice");
    slot = std::move(value);
  }
  if (help) {
    out(MessageKind::kResult, OfflineUsage());
    return kExitOk;
  }
  const auto& [export_to, from, rate_text, unit, analyze, beats] = values;
  std::optional<double> rate;
  if (rate_text) {
    rate = ParseNumber(*rate_text);
    if (!rate || !RateUsable(*rate))
      return Usage(out, "--rate wants frames per second above 0, up to " + RateText(kMaxRateHz) +
                            ", got \"" + *rate_text + "\"");
  }
  if (export_to && analyze) return Usage(out, "--export and --analyze do not go together");
  if (export_to) {
    if (beats) return Usage(out, "--beats only applies to --analyze");
    if (!from) return Usage(out, "--export needs --from REC.txt");
    return RunExport({*export_to, *from, rate, unit.value_or("")}, out);
  }
  if (from)
    return Usage(out, "--from only applies to --export (--analyze takes the record itself)");
  if (unit) return Usage(out, "--unit only applies to --export");
  return RunAnalyze({*analyze, rate, beats.value_or("")}, out);
}

std::string OfflineUsage() {
  std::string units;
  for (const char* u : protocol::kUnitSymbols)
    units += (units.empty() ? "" : "|") + std::string(u);
  return "pulse3ch --export OUT.csv|OUT.edf --from REC.txt [--rate HZ] [--unit " + units +
         "]\n"
         "    no display needed: the record as CSV or EDF+; rate from REC.txt.json, else --rate,\n"
         "    else " +
         RateText(kDefaultRateHz) + "; unit from --unit, else REC.txt.json, else " +
         StartupUnitSymbol() +
         "\n"
         "pulse3ch --analyze REC.txt [--rate HZ] [--beats BEATS.csv]\n"
         "    no display needed: beats, median rate, amplitude and rise time per channel;\n"
         "    --beats writes every beat as CSV";
}

}  // namespace pulse::app
