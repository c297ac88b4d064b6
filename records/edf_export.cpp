#include "records/edf_export.h"

#include <edflib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "protocol/units.h"
#include "records/atomic_file.h"

namespace pulse::records {
namespace {

// EDFlib's unit of the data record duration.
constexpr double kDurationUnitsPerSecond = 100000.0;
// EDFlib accepts records from 1 ms to 60 s.
constexpr int kMinDuration = 100;
constexpr int kMaxDuration = 6000000;
constexpr int kOneSecond = 100000;
// A duration fits when it is a whole number of units up to rounding noise.
constexpr double kDurationTolerance = 1e-6;
// Annotation times count 100 microseconds.
constexpr double kAnnotationUnitsPerSecond = 10000.0;
// Each annotation signal carries one annotation per data record; EDFlib allows 64.
constexpr int kMaxAnnotationSignals = 64;
constexpr int kDigitalMin = -32768;
constexpr int kDigitalMax = 32767;
// EDF dates run from 1985 to 2084; an unknown start is written as the
// first day, the usual stand-in for "not known".
constexpr int kFirstEdfYear = 1985;
constexpr int kLastEdfYear = 2084;
// The start time's fraction counts 100 ns; EDFlib advises whole 100 us.
constexpr int kSubsecondPerMicro = 10;
constexpr int kSubsecondStep = 1000;

struct Annotation {
  long long onset = 0;      // 100 us
  long long duration = -1;  // 100 us, -1 when it has none
  std::string text;
};

long long AnnotationTime(double seconds) {
  return std::llround(seconds * kAnnotationUnitsPerSecond);
}

std::string RunText(const char* one, const char* many, uint64_t count) {
  return count == 1 ? std::string(one) : std::string(many) + " (" + std::to_string(count) + ")";
}

// An EDF header holds a physical minimum or maximum in 8 characters, and
// EDFlib cuts the digits that do not fit off (2457.6, stored in binary as
// 2457.5999..., would read 2457.59). Round to what fits, then push the
// number a tenth of its last digit away from zero so the cut leaves exactly
// the rounded digits.
double FitHeaderNumber(double v) {
  constexpr int kHeaderChars = 8;
  for (int decimals = kHeaderChars - 1; decimals >= 0; --decimals) {
    char buf[64];
    const int n = std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    if (n > 0 && n <= kHeaderChars) {
      return std::strtod(buf, nullptr) + std::copysign(0.1 * std::pow(10.0, -decimals), v);
    }
  }
  return v;
}

std::string EdfError(const std::string& path) {
  return FileErrorText("write", path, errno != 0 ? errno : EIO);
}

// Closes the EDFlib handle on every way out.
class EdfHandle {
 public:
  explicit EdfHandle(int handle) : handle_(handle) {}
  ~EdfHandle() {
    if (handle_ >= 0) edfclose_file(handle_);
  }
  EdfHandle(const EdfHandle&) = delete;
  EdfHandle& operator=(const EdfHandle&) = delete;
  int Get() const { return handle_; }
  bool Close() {
    const int rc = edfclose_file(handle_);
    handle_ = -1;
    return rc == 0;
  }

 private:
  int handle_;
};

}  // namespace

EdfRecordShape ChooseRecordShape(double rate) {
  if (std::fabs(rate - std::round(rate)) < 1e-9 && rate >= 1) {
    return {static_cast<int>(std::lround(rate)), kOneSecond};
  }
  // A non-integer rate: the exact fit whose record lasts closest to a second.
  EdfRecordShape best;
  double best_distance = 0;
  const int max_samples = static_cast<int>(rate * kMaxDuration / kDurationUnitsPerSecond);
  for (int n = 1; n <= max_samples; ++n) {
    const double d = n * kDurationUnitsPerSecond / rate;
    const double rounded = std::round(d);
    if (std::fabs(d - rounded) > kDurationTolerance || rounded < kMinDuration ||
        rounded > kMaxDuration) {
      continue;
    }
    const double distance = std::fabs(rounded - kOneSecond);
    if (best.samples == 0 || distance < best_distance) {
      best = {n, static_cast<int>(rounded)};
      best_distance = distance;
    }
  }
  if (best.samples > 0) return best;
  const int n = std::max(1, static_cast<int>(std::lround(rate)));
  const double d =
      std::clamp(n * kDurationUnitsPerSecond / rate, double{kMinDuration}, double{kMaxDuration});
  return {n, static_cast<int>(std::lround(d))};
}

void ExportEdf(const RecordFile& record, const ExportSettings& settings, const std::string& output,
               ExportReport& report) {
  AtomicFile file;
  std::string err = file.Open(output);
  if (err.empty()) err = file.CloseForPathWriter();
  if (!err.empty()) {
    report.error = err;
    return;
  }

  const uint64_t lines = record.LineCount();
  const EdfRecordShape shape = ChooseRecordShape(settings.rate);
  const uint64_t records = std::max<uint64_t>(1, (lines + shape.samples - 1) / shape.samples);
  const uint64_t padded = records * static_cast<uint64_t>(shape.samples) - lines;
  report.lines = lines;
  report.padded_samples = padded;

  const int channels = settings.channels;
  const int signals = 2 * channels;
  // Fixed annotations: start, stop, padding and the gaps, then one per run.
  const uint64_t fixed = 3 + settings.gaps.size();
  const uint64_t wanted = fixed + settings.marked_runs;
  const uint64_t annotation_signals =
      std::clamp<uint64_t>((wanted + records - 1) / records, 1, kMaxAnnotationSignals);
  const uint64_t capacity = annotation_signals * records;
  uint64_t run_budget = capacity > fixed ? capacity - fixed : 0;

  errno = 0;
  EdfHandle edf(edfopen_file_writeonly(file.TempPath().c_str(), EDFLIB_FILETYPE_EDFPLUS, signals));
  if (edf.Get() < 0) {
    report.error = EdfError(output);
    return;
  }
  const int h = edf.Get();
  bool ok = edf_set_datarecord_duration(h, shape.duration_10us) == 0 &&
            edf_set_number_of_annotation_signals(h, static_cast<int>(annotation_signals)) == 0;
  for (int c = 0; c < channels && ok; ++c) {
    // Wave first, then static, per channel. The digital values are the raw
    // device values and the physical range makes digital x gain the value in
    // the unit: exact for kPa, mbar and mmHg; in mmH2O the range needs more
    // than 8 characters and is off by under 5 % of one step.
    const double gains[2] = {settings.unit_factor / protocol::kWaveDivisor,
                             settings.unit_factor / protocol::kStaticDivisor};
    const char* names[2] = {"wave", "static"};
    for (int k = 0; k < 2 && ok; ++k) {
      const int sig = 2 * c + k;
      const std::string label = "ch" + std::to_string(c + 1) + " " + names[k];
      ok = edf_set_samplefrequency(h, sig, shape.samples) == 0 &&
           edf_set_digital_minimum(h, sig, kDigitalMin) == 0 &&
           edf_set_digital_maximum(h, sig, kDigitalMax) == 0 &&
           edf_set_physical_minimum(h, sig, FitHeaderNumber(kDigitalMin * gains[k])) == 0 &&
           edf_set_physical_maximum(h, sig, FitHeaderNumber(kDigitalMax * gains[k])) == 0 &&
           edf_set_label(h, sig, label.c_str()) == 0 &&
           edf_set_physical_dimension(h, sig, settings.unit.c_str()) == 0;
    }
  }
  if (ok) {
    IsoTime t;
    t.year = kFirstEdfYear;
    t.month = 1;
    t.day = 1;
    if (settings.start && settings.start->year >= kFirstEdfYear &&
        settings.start->year <= kLastEdfYear) {
      t = *settings.start;
    }
    ok = edf_set_startdatetime(h, t.year, t.month, t.day, t.hour, t.minute,
                               std::min(t.second, 59)) == 0 &&
         edf_set_subsecond_starttime(
             h, t.microsecond * kSubsecondPerMicro / kSubsecondStep * kSubsecondStep) == 0 &&
         edf_set_equipment(h, "pulse3ch") == 0;
  }
  if (!ok) {
    report.error = "Cannot write file \"" + output + "\": EDFlib refused the header";
    return;
  }

  std::vector<Annotation> annotations;
  // A run of left-out lines becomes one annotation spanning it.
  RecordLine::Status run_status = RecordLine::Status::kGood;
  uint64_t run_start = 0;
  uint64_t run_length = 0;
  auto close_run = [&] {
    if (run_length == 0) return;
    if (run_budget > 0) {
      --run_budget;
      const bool bad = run_status == RecordLine::Status::kBadChecksum;
      annotations.push_back({AnnotationTime(static_cast<double>(run_start) / settings.rate),
                             AnnotationTime(static_cast<double>(run_length) / settings.rate),
                             bad ? RunText("bad frame", "bad frames", run_length)
                                 : RunText("damaged line", "damaged lines", run_length)});
    } else if (report.warning.empty()) {
      report.warning = "more bad frames than the EDF+ file can mark; the later ones are not marked";
    }
    run_length = 0;
  };

  // One block of samples per signal; a left-out frame holds each signal's
  // last value so the trace stays continuous (it is marked instead).
  std::vector<std::vector<short>> block(static_cast<size_t>(signals),
                                        std::vector<short>(static_cast<size_t>(shape.samples)));
  std::vector<short> last(static_cast<size_t>(signals), 0);
  int filled = 0;
  bool write_ok = true;
  auto put_sample = [&] {
    for (int s = 0; s < signals; ++s) block[s][filled] = last[s];
    if (++filled < shape.samples) return true;
    filled = 0;
    for (int s = 0; s < signals; ++s) {
      if (edfwrite_digital_short_samples(h, block[s].data()) != 0) return false;
    }
    return true;
  };

  errno = 0;
  const std::string read_err = record.ForEachLine([&](size_t index, std::string_view text) {
    const RecordLine line = ClassifyLine(text);
    if (line.status != RecordLine::Status::kGood) {
      (line.status == RecordLine::Status::kBadChecksum ? report.bad_frames
                                                       : report.damaged_lines)++;
      if (run_length > 0 && run_status != line.status) close_run();
      if (run_length == 0) {
        run_status = line.status;
        run_start = index;
      }
      ++run_length;
    } else {
      close_run();
      ++report.frames;
      for (int c = 0; c < channels; ++c) {
        // A one-channel frame in a three-channel record: channels 2 and 3 hold.
        if (c >= line.channels) break;
        last[2 * c] = line.values.wave_raw[c];
        last[2 * c + 1] = line.values.static_raw[c];
      }
    }
    write_ok = put_sample();
    return write_ok;
  });
  close_run();
  if (!read_err.empty()) {
    report.error = read_err;
    return;
  }
  // The last data record is filled up with the last values and marked.
  for (uint64_t i = 0; i < padded && write_ok; ++i) write_ok = put_sample();
  if (!write_ok) {
    report.error = EdfError(output);
    return;
  }

  const double end_s = static_cast<double>(lines) / settings.rate;
  if (settings.sampling_known) annotations.push_back({0, -1, "sampling started"});
  if (settings.sampling_known && settings.session_complete) {
    annotations.push_back({AnnotationTime(end_s), -1, "sampling stopped"});
  }
  for (const Gap& g : settings.gaps) {
    annotations.push_back(
        {AnnotationTime(g.start_s), AnnotationTime(g.length_s), "gap: no frames from the device"});
  }
  if (padded > 0) {
    annotations.push_back({AnnotationTime(end_s),
                           AnnotationTime(static_cast<double>(padded) / settings.rate),
                           "padding to fill the last data record"});
  }
  std::stable_sort(annotations.begin(), annotations.end(),
                   [](const Annotation& a, const Annotation& b) { return a.onset < b.onset; });
  for (const Annotation& a : annotations) {
    if (edfwrite_annotation_utf8(h, a.onset, a.duration, a.text.c_str()) != 0) {
      report.error = EdfError(output);
      return;
    }
  }
  errno = 0;
  if (!edf.Close()) {
    report.error = EdfError(output);
    return;
  }
  report.error = file.Commit();
}

}  // namespace pulse::records
