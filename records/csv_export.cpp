#include "records/csv_export.h"

#include <algorithm>
#include <charconv>

#include "protocol/units.h"
#include "records/atomic_file.h"

namespace pulse::records {
namespace {

// Room for one row: time and six shortest doubles (each at most 24 characters).
constexpr size_t kRowChars = 8 * 32;

char* PutDouble(char* p, char* end, double v) {
  return std::to_chars(p, end, v, std::chars_format::fixed).ptr;
}

char* PutFixed(char* p, char* end, double v, int decimals) {
  return std::to_chars(p, end, v, std::chars_format::fixed, decimals).ptr;
}

// Decimals of the shortest form of `v` (0.75 -> 2, 10.1972 -> 4).
int DecimalsOf(double v) {
  char buf[32];
  const char* end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed).ptr;
  const char* dot = std::find(static_cast<const char*>(buf), end, '.');
  return dot == end ? 0 : static_cast<int>(end - dot - 1);
}

}  // namespace

void ExportCsv(const RecordFile& record, const ExportSettings& settings, const std::string& output,
               ExportReport& report) {
  AtomicFile file;
  std::string err = file.Open(output);
  if (!err.empty()) {
    report.error = err;
    return;
  }

  std::string header = "time_s";
  for (int c = 1; c <= settings.channels; ++c) {
    const std::string ch = "ch" + std::to_string(c);
    header += "," + ch + "_wave_" + settings.unit + "," + ch + "_static_" + settings.unit;
  }
  header += "\n";
  err = file.Write(header);

  // The time of a row is its line's index over the rate, counting every line
  // of the record, left-out ones too: each line is one frame the device
  // sent, so the times stay true across bad frames.
  // Values are written with the decimals of one device step in the unit
  // (the factor's decimals plus 3 for wave, 1 for static), which gives each
  // raw value's exact decimal value and no binary noise.
  const double f = settings.unit_factor;
  const int wave_decimals = DecimalsOf(f) + 3;
  const int static_decimals = DecimalsOf(f) + 1;
  const std::string read_err = record.ForEachLine([&](size_t index, std::string_view text) {
    const RecordLine line = ClassifyLine(text);
    if (line.status == RecordLine::Status::kBadChecksum) {
      ++report.bad_frames;
      return true;
    }
    if (line.status == RecordLine::Status::kDamaged) {
      ++report.damaged_lines;
      return true;
    }
    ++report.frames;
    char buf[kRowChars];
    char* const end = buf + sizeof buf;
    char* p = PutDouble(buf, end, static_cast<double>(index) / settings.rate);
    for (int c = 0; c < settings.channels; ++c) {
      *p++ = ',';
      // A one-channel frame in a three-channel record leaves channels 2 and 3 empty.
      if (c < line.channels) {
        p = PutFixed(p, end, protocol::WaveValueOfRaw(line.values.wave_raw[c], f), wave_decimals);
      }
      *p++ = ',';
      if (c < line.channels) {
        p = PutFixed(p, end, protocol::StaticValueOfRaw(line.values.static_raw[c], f),
                     static_decimals);
      }
    }
    *p++ = '\n';
    err = file.Write(std::string_view(buf, static_cast<size_t>(p - buf)));
    return err.empty();
  });
  report.lines = record.LineCount();
  if (!read_err.empty()) {
    report.error = read_err;
    return;
  }
  if (err.empty()) err = file.Write("# bad frames: " + std::to_string(report.bad_frames) + "\n");
  if (err.empty() && report.damaged_lines > 0) {
    err = file.Write("# damaged lines: " + std::to_string(report.damaged_lines) + "\n");
  }
  if (err.empty()) err = file.Commit();
  report.error = err;
}

}  // namespace pulse::records
