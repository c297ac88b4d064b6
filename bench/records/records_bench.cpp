// Export of a one-hour session (720,000 three-channel frames at 200 per
// second) to CSV and EDF+, and the cost of recording a session at 250
// frames per second. Prints figures; the machine is shared, so read them
// as orders of magnitude.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "records/record_export.h"
#include "records/record_file.h"
#include "records/session_writer.h"

namespace {

namespace fs = std::filesystem;
using pulse::records::ExportRecord;
using pulse::records::ExportReport;
using pulse::records::ExportRequest;

constexpr uint64_t kHourFrames = 720000;     // 200 frames/s for an hour
constexpr double kWriterRate = 250;          // the device's top rate in use
constexpr uint64_t kWriterLines = 1000000;   // about 67 minutes at 250 frames/s

std::string Line(uint64_t i) {
  uint8_t b[17] = {0xF0, 0x1F, 0x0D, 0x34};
  for (int k = 0; k < 12; ++k) b[4 + k] = static_cast<uint8_t>(i * (k + 3) + k * 17);
  unsigned sum = 0;
  for (int k = 0; k < 16; ++k) sum += b[k];
  b[16] = static_cast<uint8_t>(sum + (i % 1000 == 999 ? 1 : 0));  // a few bad frames
  std::string out;
  char hex[4];
  for (uint8_t x : b) {
    std::snprintf(hex, sizeof hex, out.empty() ? "%02X" : " %02X", x);
    out += hex;
  }
  return out;
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

double CpuSeconds() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path dir = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "records-bench";
  fs::create_directories(dir);
  const std::string record = (dir / "hour.txt").string();

  // The record is made by the session writer, which is measured on the way.
  {
    std::vector<std::string> lines;
    lines.reserve(kWriterLines);
    for (uint64_t i = 0; i < kWriterLines; ++i) lines.push_back(Line(i));
    pulse::records::SessionMetadata md;
    md.sample_rate = 200;
    md.unit = "mmHg";
    md.start_time = "2024-05-01T10:00:00.000+02:00";
    pulse::records::SessionWriter writer;
    const std::string err = writer.Start(record, md);
    if (!err.empty()) {
      std::fprintf(stderr, "%s\n", err.c_str());
      return 1;
    }
    // Caller side alone: what the GUI thread pays per line.
    const auto t0 = std::chrono::steady_clock::now();
    for (uint64_t i = 0; i < kHourFrames; ++i) writer.Append(lines[i]);
    const double append_s = Seconds(std::chrono::steady_clock::now() - t0);
    (void)writer.Stop(std::nullopt);
    std::printf("session writer: Append %.1f ns per line on the caller's thread\n",
                append_s / kHourFrames * 1e9);

    // Whole cost, writer thread and syscalls included, as CPU time of the
    // process for 1M lines fed in bursts, as the serial path does.
    const std::string paced = (dir / "paced.txt").string();
    const double cpu0 = CpuSeconds();
    if (!writer.Start(paced, md).empty()) return 1;
    for (uint64_t i = 0; i < kWriterLines; ++i) writer.Append(lines[i]);
    (void)writer.Stop(std::nullopt);
    const double cpu = CpuSeconds() - cpu0;
    const double session_s = kWriterLines / kWriterRate;
    std::printf(
        "session writer: %.3f CPU s per 1M lines (%.0f s of frames at %.0f/s): %.4f %% of one "
        "core\n",
        cpu, session_s, kWriterRate, cpu / session_s * 100);
    fs::remove(paced);
    fs::remove(paced + ".json");
  }
  // Keep the hour: cut the record to 720,000 lines.
  fs::resize_file(record, kHourFrames * 52);

  const auto t_open = std::chrono::steady_clock::now();
  pulse::records::RecordFileOpen opened = pulse::records::RecordFile::Open(record);
  if (!opened.file) {
    std::fprintf(stderr, "%s\n", opened.error.c_str());
    return 1;
  }
  std::printf("record file: %zu lines indexed in %.3f s\n", opened.file->LineCount(),
              Seconds(std::chrono::steady_clock::now() - t_open));

  for (const char* ext : {".csv", ".edf"}) {
    ExportRequest req;
    req.input = record;
    req.output = (dir / (std::string("hour") + ext)).string();
    const auto t0 = std::chrono::steady_clock::now();
    const double cpu0 = CpuSeconds();
    const ExportReport rep = ExportRecord(req);
    const double wall = Seconds(std::chrono::steady_clock::now() - t0);
    if (!rep.error.empty()) {
      std::fprintf(stderr, "%s\n", rep.error.c_str());
      return 1;
    }
    std::printf("export %s: %llu frames (%llu bad) in %.3f s wall, %.3f s CPU, %.1f MB\n", ext,
                static_cast<unsigned long long>(rep.frames),
                static_cast<unsigned long long>(rep.bad_frames), wall, CpuSeconds() - cpu0,
                static_cast<double>(fs::file_size(req.output)) / 1e6);
  }
  fs::remove_all(dir);
  return 0;
}
