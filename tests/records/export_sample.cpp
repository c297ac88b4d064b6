// Writes a session with known frames into DIR and exports it to CSV and
// EDF+, for the independent reader check (edf_check.py).
#include <cstdio>
#include <string>

#include "records/record_export.h"
#include "records/session_writer.h"
#include "tests/records/record_test_support.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  using namespace pulse::records;
  const std::string dir = argv[1];
  const std::string record = dir + "/session.txt";
  SessionMetadata md;
  md.start_time = "2024-05-01T10:20:30.000+02:00";
  md.sample_rate = 200;
  md.unit = "mmHg";
  SessionWriter writer;
  if (std::string err = writer.Start(record, md); !err.empty()) {
    std::fprintf(stderr, "%s\n", err.c_str());
    return 1;
  }
  // 1234 frames: six full data records and a padded one; frame 500 is bad.
  for (uint64_t i = 0; i < 1234; ++i) {
    writer.Append(pulse::test::Line3(pulse::test::Pattern(i), i == 500 ? 1 : 0));
  }
  if (std::string err = writer.Stop(SessionTotals{1233, 1, 1234 * 17}); !err.empty()) {
    std::fprintf(stderr, "%s\n", err.c_str());
    return 1;
  }
  for (const char* ext : {".csv", ".edf"}) {
    ExportRequest req;
    req.input = record;
    req.output = dir + "/session" + ext;
    const ExportReport rep = ExportRecord(req);
    if (!rep.error.empty()) {
      std::fprintf(stderr, "%s\n", rep.error.c_str());
      return 1;
    }
  }
  return 0;
}
