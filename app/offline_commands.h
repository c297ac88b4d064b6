// Headless commands on a record file, needing neither a device nor a display:
// export to CSV or EDF+, and the pulse analysis of every channel.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/messages.h"

namespace pulse::app {

// Exit codes shared with the other headless modes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;  // the command line cannot be used

struct ExportOptions {
  std::string output;          // OUT.csv or OUT.edf
  std::string input;           // the record file
  std::optional<double> rate;  // frames per second when the record has no metadata
  std::string unit;            // a unit symbol; empty: the metadata's, else the start-up unit
};
[[nodiscard]] int RunExport(const ExportOptions& options, const OutputFn& out);

struct AnalyzeOptions {
  std::string input;           // the record file
  std::optional<double> rate;  // frames per second when the record has no metadata
  std::string beats;           // every beat as CSV here; empty: none
};
[[nodiscard]] int RunAnalyze(const AnalyzeOptions& options, const OutputFn& out);

// Runs --export or --analyze as the command line asks. Nothing when it asks
// for neither, so the program's other modes take over.
[[nodiscard]] std::optional<int> RunOfflineCommandLine(int argc, const char* const* argv,
                                                       const OutputFn& out);

// The usage lines of both commands, for --help.
[[nodiscard]] std::string OfflineUsage();

// The unit symbol the window starts with.
[[nodiscard]] std::string StartupUnitSymbol();

}  // namespace pulse::app
