// EDF+ through EDFlib: one signal per channel's wave and static value, the
// raw device values as the digital values, annotations for bad frames,
// damaged lines, gaps, the start and stop of sampling and the padding.
#pragma once

#include <string>

#include "records/export_settings.h"
#include "records/record_export.h"
#include "records/record_file.h"

namespace pulse::records {

// How data records are cut: `samples` per signal every `duration_10us`
// (EDFlib's unit of 10 microseconds). Exact when samples / duration equals
// the rate; the nearest fit otherwise.
struct EdfRecordShape {
  int samples = 0;
  int duration_10us = 0;
};
[[nodiscard]] EdfRecordShape ChooseRecordShape(double rate);

void ExportEdf(const RecordFile& record, const ExportSettings& settings, const std::string& output,
               ExportReport& report);

}  // namespace pulse::records
