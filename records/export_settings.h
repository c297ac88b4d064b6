// What an exporter needs besides the record itself, after the metadata and
// the request were weighed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "records/session_metadata.h"

namespace pulse::records {

struct ExportSettings {
  double rate = 200;
  std::string unit;          // symbol
  double unit_factor = 1.0;  // hectopascal to `unit`
  std::optional<IsoTime> start;
  bool sampling_known = false;  // metadata present: start and stop of sampling are known
  bool session_complete = false;
  std::vector<Gap> gaps;
  // From a first pass over the record:
  int channels = 1;          // 3 when any line is a three-channel frame
  uint64_t marked_runs = 0;  // runs of bad frames or damaged lines
};

}  // namespace pulse::records
