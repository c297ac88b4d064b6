// What is known about a recorded session beyond its frame lines: written as
// JSON beside the record file (OUT.txt -> OUT.txt.json) when the session
// starts, so a crash leaves a usable file, and rewritten when it ends.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pulse::records {

// A stretch with no frames (the device was away), in seconds from the start.
struct Gap {
  double start_s = 0;
  double length_s = 0;
};

// Totals known when the session ends.
struct SessionTotals {
  uint64_t good_frames = 0;  // data frames with a good checksum
  uint64_t bad_frames = 0;   // data frames with a bad checksum
  uint64_t bytes = 0;        // bytes received from the device
};

struct SessionMetadata {
  std::string start_time;  // ISO 8601 with UTC offset, "2024-05-01T10:20:30.250+02:00"
  std::string stop_time;   // same form; empty while the session runs
  double sample_rate = 200;
  std::string unit;                 // unit symbol selected at start ("mmHg")
  std::vector<double> zero_values;  // hPa, one or three when the device reported them
  std::string serial_number;        // 8 hex digits, empty when unknown
  std::string production_date;      // "2019-09-23", empty when unknown
  std::string program_version;
  bool complete = false;  // false until the session ended cleanly
  uint64_t lines = 0;     // frame lines in the record file at the end
  std::optional<SessionTotals> totals;
  std::vector<Gap> gaps;
};

// The metadata file that belongs to a record file.
[[nodiscard]] std::string MetadataPathFor(const std::string& record_path);

// ISO 8601 local time with milliseconds and the UTC offset.
[[nodiscard]] std::string FormatIsoTime(std::chrono::system_clock::time_point when);

// Parsed ISO 8601 time: the local clock fields as written, and its offset.
struct IsoTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  int microsecond = 0;
  int utc_offset_minutes = 0;
};
[[nodiscard]] std::optional<IsoTime> ParseIsoTime(std::string_view text);

[[nodiscard]] std::string MetadataToJson(const SessionMetadata& metadata);
// Reads the keys it knows and ignores the others. Missing keys keep their
// defaults. Nothing when the text is not JSON or not an object.
[[nodiscard]] std::optional<SessionMetadata> MetadataFromJson(std::string_view text,
                                                              std::string* error);

// Replaces the file through a sibling temporary and a rename, so a reader
// sees the old or the new file, never a part. Returns an error text, empty
// on success.
[[nodiscard]] std::string WriteMetadataFile(const std::string& path,
                                            const SessionMetadata& metadata);
// Nothing and an error text when the file is missing, unreadable or not
// metadata (over 1 MB is refused).
[[nodiscard]] std::optional<SessionMetadata> ReadMetadataFile(const std::string& path,
                                                              std::string* error);

}  // namespace pulse::records
