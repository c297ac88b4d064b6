#include "records/record_export.h"

#include <sys/stat.h>

#include <cmath>

#include "protocol/units.h"
#include "records/csv_export.h"
#include "records/edf_export.h"
#include "records/export_settings.h"
#include "records/record_file.h"
#include "records/session_metadata.h"

namespace pulse::records {
namespace {

enum class Format { kCsv, kEdf };

struct FormatName {
  const char* extension;
  Format format;
};
constexpr FormatName kFormats[] = {{".csv", Format::kCsv}, {".edf", Format::kEdf}};

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::optional<Format> FormatOf(const std::string& path) {
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::nullopt;
  std::string ext;
  for (size_t i = dot; i < path.size(); ++i) ext += Lower(path[i]);
  for (const FormatName& f : kFormats) {
    if (ext == f.extension) return f.format;
  }
  return std::nullopt;
}

std::optional<size_t> UnitIndex(const std::string& symbol) {
  for (size_t i = 0; i < protocol::kUnitSymbols.size(); ++i) {
    if (symbol == protocol::kUnitSymbols[i]) return i;
  }
  return std::nullopt;
}

// What the exporters need to know before they write: channels and how many
// runs of left-out lines there are.
std::string Survey(const RecordFile& record, ExportSettings& settings) {
  RecordLine::Status previous = RecordLine::Status::kGood;
  return record.ForEachLine([&](size_t, std::string_view text) {
    const RecordLine line = ClassifyLine(text);
    if (line.channels == 3) settings.channels = 3;
    if (line.status != RecordLine::Status::kGood && line.status != previous) {
      ++settings.marked_runs;
    }
    previous = line.status;
    return true;
  });
}

}  // namespace

std::string ExportFormatList() {
  std::string out;
  for (const FormatName& f : kFormats)
    out += (out.empty() ? "" : ", ") + std::string(f.extension + 1);
  return out;
}

std::string UnitSymbolList() {
  std::string out;
  for (const char* s : protocol::kUnitSymbols) out += (out.empty() ? "" : ", ") + std::string(s);
  return out;
}

ExportReport ExportRecord(const ExportRequest& request) {
  ExportReport report;
  const std::optional<Format> format = FormatOf(request.output);
  if (!format) {
    report.error = "cannot export to \"" + request.output +
                   "\": unknown format (valid: " + ExportFormatList() + ")";
    return report;
  }

  ExportSettings settings;
  settings.rate = request.rate;
  settings.unit = request.unit;
  std::string start_text = request.start_time;

  // The metadata wins where it has a value: it was written while recording.
  struct stat st {};
  const std::string md_path = MetadataPathFor(request.input);
  if (::stat(md_path.c_str(), &st) == 0) {
    std::string md_error;
    if (std::optional<SessionMetadata> md = ReadMetadataFile(md_path, &md_error)) {
      if (md->sample_rate > 0) settings.rate = md->sample_rate;
      if (!md->unit.empty() && !request.unit_chosen) settings.unit = md->unit;
      if (!md->start_time.empty()) start_text = md->start_time;
      settings.sampling_known = true;
      settings.session_complete = md->complete;
      settings.gaps = md->gaps;
    } else {
      report.warning = md_error + "; exporting with the given rate and unit";
    }
  }

  const std::optional<size_t> unit = UnitIndex(settings.unit);
  if (!unit) {
    report.error = "unknown unit \"" + settings.unit + "\" (valid: " + UnitSymbolList() + ")";
    return report;
  }
  if (!std::isfinite(settings.rate) || settings.rate <= 0) {
    report.error = "the sample rate must be above 0";
    return report;
  }
  settings.unit_factor = protocol::kUnitTable[*unit].factor;
  if (!start_text.empty()) {
    settings.start = ParseIsoTime(start_text);
    if (!settings.start && report.warning.empty()) {
      report.warning = "start time \"" + start_text + "\" is not ISO 8601 with an offset; left out";
    }
  }
  report.rate = settings.rate;
  report.unit = settings.unit;

  RecordFileOpen opened = RecordFile::Open(request.input);
  if (!opened.file) {
    report.error = opened.error;
    return report;
  }
  if (std::string err = Survey(*opened.file, settings); !err.empty()) {
    report.error = err;
    return report;
  }
  if (*format == Format::kCsv) {
    ExportCsv(*opened.file, settings, request.output, report);
  } else {
    ExportEdf(*opened.file, settings, request.output, report);
  }
  return report;
}

}  // namespace pulse::records
