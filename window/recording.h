// Saving the record list to a text file, loading such a file and replaying
// it into the views ("保存", "载入", "模拟" and the timer's replay step). The
// record step itself runs in the parser (protocol::Recorder).
#pragma once

#include "form/tr.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "form/form_state.h"
#include "form/main_controls.h"
#include "protocol/data_frame_sink.h"
#include "window/views.h"

namespace pulse::records {
class RecordFile;
}

namespace pulse::window {

// A record file that could not be written or read; the message names the
// file and the reason, for the error box. Nothing in memory has changed.
class RecordFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What the file dialogs of the three buttons offer.
inline constexpr const char* kSaveDialogFileName = "Zavad";
inline constexpr const char* kSaveDialogFilter = "txt|*.txt";
inline constexpr const char* kOpenDialogFilter =
    form::TrNoop("RecordReplay", "*.txt(记录文件)|*.txt|All file|*.*");
inline constexpr const char* kLoadedStatusText =
    form::TrNoop("RecordReplay", "载入完成,准备模拟...");

// Timer intervals: one replayed line every 10 ms, 100 ms otherwise.
inline constexpr int kReplayIntervalMs = 10;
inline constexpr int kIdleIntervalMs = 100;

// Limits for reading a file whole. A record of 20 s at the device's highest
// rate is about 250 KB of lines under 60 characters; the limits leave room
// for long recordings made elsewhere while refusing files that are not records.
inline constexpr std::size_t kMaxRecordFileBytes = 16u * 1024 * 1024;
inline constexpr std::size_t kMaxRecordLineChars = 1024;

// "载入" reads a file of up to this size whole into the replay list and the
// log (about 5 minutes of three-channel frames at 250 per second). A larger
// one, a session of any length, is indexed on disk instead: the log shows
// its first kLogPreviewLines lines and a note, and the replay reads each
// line from the file when its turn comes.
inline constexpr std::size_t kMaxWholeLoadBytes = 4u * 1024 * 1024;
inline constexpr int kLogPreviewLines = 1000;

// The name the record is saved under: ".txt" is appended unless the chosen
// name already ends in it, in any letter case.
[[nodiscard]] std::string RecordFileName(std::string_view chosen);

// Writes each line followed by CR LF, replacing the file through a sibling
// temporary file, so a failed write leaves any old file as it was. A file
// the user may not write is refused; a symbolic link is written through.
// Throws RecordFileError.
void WriteTextLines(const std::string& path, const std::deque<std::string>& lines);

// Reads a text file as lines, split at CR LF, CR or LF (a line end after the
// last line adds no empty line; a leading UTF-8 byte order mark is dropped).
// A name that does not exist is created as an empty file and gives no lines.
// Throws RecordFileError when the file cannot be read or created, is not a
// regular file, is larger than kMaxRecordFileBytes, holds binary data or has
// a line longer than kMaxRecordLineChars.
[[nodiscard]] std::vector<std::string> LoadTextLines(const std::string& name);

class RecordReplay {
 public:
  // Runs a file dialog; nothing (or an empty name) when the operator cancels.
  using FileDialog = std::function<std::optional<std::string>()>;

  RecordReplay(form::TFormState& state, form::TMainControls& controls, WaveViews& views);
  ~RecordReplay();
  RecordReplay(const RecordReplay&) = delete;
  RecordReplay& operator=(const RecordReplay&) = delete;

  // "保存": with a non-empty record list, asks for a name and writes the list
  // to RecordFileName(name); the list is kept and recording goes on. Returns
  // the path written, or nothing when there was nothing to save or the
  // dialog was cancelled. Throws RecordFileError.
  [[nodiscard]] std::optional<std::string> Button20Click(const FileDialog& ask_save_name);

  // "载入": asks for a file and loads it into the replay list and Memo1 (a
  // file over kMaxWholeLoadBytes is indexed instead, see there). A replay in
  // progress ends; a new one starts only with "模拟". The timer keeps
  // running. Returns whether a file was loaded. Throws RecordFileError (the
  // lists then keep their contents).
  [[nodiscard]] bool Button18Click(const FileDialog& ask_open_name);

  // The file loaded last (empty before the first load), and the number of
  // lines a replay of it goes through.
  [[nodiscard]] const std::string& LoadedPath() const { return loaded_path_; }
  [[nodiscard]] std::size_t LoadedLineCount() const;
  // Whether the loaded file was indexed on disk rather than read whole.
  [[nodiscard]] bool LoadedIndexed() const { return indexed_ != nullptr; }

  // "模拟": restarts the replay of the loaded list from its first line with
  // empty views and reset axes. Without a loaded list it does nothing and
  // returns false; on true the timer is to run at kReplayIntervalMs.
  [[nodiscard]] bool Button19Click();

  struct TickResult {
    bool end_tick = false;  // the replay ended on this tick; it does nothing more
    int interval_ms = kIdleIntervalMs;
  };
  // The timer's replay duty: one line per tick while a replay runs, every
  // line of the list, then the replay ends.
  [[nodiscard]] TickResult ReplayTick();

  // Decodes one recorded line and shows it in the views in scroll mode, with
  // the unit chosen now. Lines that are damaged or of another frame kind are
  // skipped. The static pressure option ch_jy does not apply to a replay.
  void ReplayLine(std::string_view text);

  // Receives every replayed data frame after the views drew it; nullptr: none.
  void SetFrameSink(pulse::protocol::IDataFrameSink* sink) { sink_ = sink; }

 private:
  form::TFormState& state_;
  form::TMainControls& controls_;
  WaveViews& views_;
  std::string loaded_path_;
  // The loaded file when it was too large to read whole; ReplayList is then empty.
  std::unique_ptr<records::RecordFile> indexed_;
  pulse::protocol::IDataFrameSink* sink_ = nullptr;
};

}  // namespace pulse::window
