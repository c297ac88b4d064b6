// Export of a record file to CSV or EDF+, chosen by the output's extension.
// The rate, unit and start time come from the session's metadata file when
// there is one, else from the request (a unit the caller chose wins). The
// output appears under its name only when it is complete.
#pragma once

#include <cstdint>
#include <string>

namespace pulse::records {

struct ExportRequest {
  std::string input;   // record file
  std::string output;  // ".csv" or ".edf" (any letter case)
  // Used when the record has no metadata file (or it lacks the value).
  double rate = 200;           // frames per second
  std::string unit = "mmH2O";  // one of the unit symbols
  bool unit_chosen = false;    // the caller's unit wins over the metadata's (a display choice)
  std::string start_time;      // ISO 8601 with offset; empty: unknown
};

struct ExportReport {
  std::string error;            // empty on success
  std::string warning;          // e.g. a metadata file that could not be read
  uint64_t lines = 0;           // lines of the record file
  uint64_t frames = 0;          // data frames exported with their values
  uint64_t bad_frames = 0;      // checksum failed: left out (CSV) or held and marked (EDF+)
  uint64_t damaged_lines = 0;   // not a data frame: likewise
  uint64_t padded_samples = 0;  // EDF+ only: samples added to fill the last data record
  double rate = 0;
  std::string unit;
};

[[nodiscard]] ExportReport ExportRecord(const ExportRequest& request);

// "csv, edf" and "kPa, mbar, mmHg, mmH2O", for help texts and errors.
[[nodiscard]] std::string ExportFormatList();
[[nodiscard]] std::string UnitSymbolList();

}  // namespace pulse::records
