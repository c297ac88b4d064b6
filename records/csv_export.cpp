#include "records/csv_export.h"

#include <charconv>

#include "protocol/units.h"
#include "records/atomic_file.h"

namespace pulse::records {
namespace {

// Room for one row: time and six shortest doubles (each at most 24 characters).
constexpr size_t kRowChars = 8 * 32;

char* PutDouble(char* p, char* end, double v) {
  return std::to_chars(p, end, v).ptr;
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
  const double f = settings.unit_factor;
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
        p = PutDouble(p, end, ::protocol::WaveValueOfRaw(line.values.wave_raw[c], f));
      }
      *p++ = ',';
      if (c < line.channels) {
        p = PutDouble(p, end, ::protocol::StaticValueOfRaw(line.values.static_raw[c], f));
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
