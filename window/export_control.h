// The window's export: the current 20 s record, the loaded record or the
// session file, to CSV or EDF+ (records::ExportRecord). An export runs on a
// worker thread so the window stays live while an hour-long session is
// written; the timer collects the result.
#pragma once

#include "form/tr.h"

#include <deque>
#include <future>
#include <optional>
#include <string>

#include "form/controls.h"
#include "records/record_export.h"

namespace pulse::window {

inline constexpr const char* kExportCaption = form::TrNoop("ExportControl", "导出");
inline constexpr const char* kExportCurrentCaption =
    form::TrNoop("ExportControl", "导出当前记录...");
inline constexpr const char* kExportLoadedCaption =
    form::TrNoop("ExportControl", "导出载入的记录...");
inline constexpr const char* kExportSessionCaption =
    form::TrNoop("ExportControl", "导出会话文件...");
inline constexpr const char* kExportBusyText = form::TrNoop("ExportControl", "正在导出...");
// The save dialog's filter: both formats; the chosen one decides the extension.
inline constexpr const char* kExportDialogFilter =
    form::TrNoop("ExportControl", "CSV 文件|*.csv|EDF+ 文件|*.edf");

// What an export reads and how its values are shown.
struct ExportSource {
  enum class Kind { kCurrentRecord, kLoadedRecord, kSession };
  Kind kind = Kind::kCurrentRecord;
  std::string path;               // the record file (loaded record, session)
  std::deque<std::string> lines;  // the lines themselves (current record)
  double rate = 200;              // frames per second when the file has no metadata
  std::string unit;               // the window's unit symbol; wins over the metadata's
};

// The name an export is offered under: the record's name with the extension
// of the first format ("REC.txt" -> "REC.csv"), or "record.csv".
[[nodiscard]] std::string DefaultExportName(const ExportSource& source);

// Refuses an output that would overwrite the record or its metadata.
[[nodiscard]] std::optional<std::string> ExportOverwritesInput(const std::string& output,
                                                               const std::string& input);

// Writes the source to `output` (".csv" or ".edf"); blocks. A current record
// goes through a temporary record file that is removed afterwards.
[[nodiscard]] records::ExportReport RunWindowExport(const ExportSource& source,
                                                    const std::string& output);

// One line for the message box after a successful export.
[[nodiscard]] std::string ExportDoneText(const records::ExportReport& report, const std::string& output);

class ExportControl {
 public:
  ExportControl();
  ~ExportControl();
  ExportControl(const ExportControl&) = delete;
  ExportControl& operator=(const ExportControl&) = delete;

  // Starts the export in the background. Returns an error text when it
  // cannot start (nothing to export, another export still running, the
  // output is the record itself), empty otherwise.
  [[nodiscard]] std::string Begin(ExportSource source, const std::string& output);

  struct Done {
    bool ok = false;
    std::string text;  // the message box's (ok) or the error box's text
  };
  // The timer's duty: the result once the export has finished.
  [[nodiscard]] std::optional<Done> Tick();
  // Waits for a running export (tests, program end).
  [[nodiscard]] std::optional<Done> Wait();

  [[nodiscard]] bool Busy() const { return job_.valid(); }

  // Models of the export button and its three entries; the entries are
  // enabled when their source exists (set by the window).
  form::TButton button;
  form::TButton current_record, loaded_record, session;

 private:
  [[nodiscard]] Done Collect();

  std::future<records::ExportReport> job_;
  std::string output_;
};

}  // namespace pulse::window
