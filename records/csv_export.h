// CSV: one row per good data frame, time and each channel's wave and static
// value in the chosen unit; "." and "," whatever the locale.
#pragma once

#include <string>

#include "records/export_settings.h"
#include "records/record_export.h"
#include "records/record_file.h"

namespace pulse::records {

// Fills the counts of `report`; sets its error on failure (no output then).
void ExportCsv(const RecordFile& record, const ExportSettings& settings, const std::string& output,
               ExportReport& report);

}  // namespace pulse::records
