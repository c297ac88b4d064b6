// A session beside the rolling 20 s record: every data frame line from the
// moment it starts until it stops, into a record file of any length plus its
// metadata (records::SessionWriter does the writing on its own thread). It
// listens to the parser, keeps the models of its button and read-out in the
// record group, and ends cleanly when the device goes away or the disk fails.
#pragma once

#include "form/tr.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "form/controls.h"
#include "form/form_state.h"
#include "protocol/data_line_sink.h"
#include "protocol/frame_parser.h"
#include "records/session_writer.h"
#include "window/reply_handler.h"

namespace pulse::window {

inline constexpr const char* kSessionStartCaption = form::TrNoop("SessionControl", "会话记录");
inline constexpr const char* kSessionStopCaption = form::TrNoop("SessionControl", "停止会话");
inline constexpr const char* kSessionDialogFileName = "session";
inline constexpr const char* kSessionDialogFilter = "txt|*.txt";

// "HH:MM:SS" of a length in seconds (whole seconds, rounded down).
[[nodiscard]] std::string FormatSessionLength(double seconds);

// The file name of `path` for the read-out: at most 20 characters, the
// middle of a longer one replaced by "…".
[[nodiscard]] std::string ShortFileName(const std::string& path);

// The unit symbol ("mmH2O") of a unit factor from the unit table; "" for none.
[[nodiscard]] std::string UnitSymbolOfFactor(double unit_factor);

class SessionControl : public protocol::IDataLineSink {
 public:
  using SteadyClock = std::chrono::steady_clock;
  struct Options {
    std::string program_version;
    records::SessionWriter::Options writer;  // tests inject write failures here
    // Clocks: wall time for the metadata, steady time for gaps between frames.
    std::function<std::chrono::system_clock::time_point()> now = [] {
      return std::chrono::system_clock::now();
    };
    std::function<SteadyClock::time_point()> steady_now = [] { return SteadyClock::now(); };
  };

  // No frames for this long while a session runs is noted as a gap.
  static constexpr std::chrono::milliseconds kGapThreshold{1000};

  // `parser` gives the totals for the metadata, `replies` the frame lines.
  SessionControl(const form::TFormState& state, const protocol::FrameParser& parser,
                 ReplyHandler& replies, Options options);
  ~SessionControl() override;
  SessionControl(const SessionControl&) = delete;
  SessionControl& operator=(const SessionControl&) = delete;

  // Starts a session into `path` (used as given) with what the window knows
  // now: rate, unit, zero values, serial number, production date. A target
  // that cannot be written is refused here. Returns an error text, empty on
  // success.
  [[nodiscard]] std::string Start(const std::string& path);

  // Ends a running session: the rest of the lines reach the disk and the
  // metadata is completed with the frame and byte counts since the start.
  // Returns the session's error, if any; empty when all went well or when
  // no session was running.
  [[nodiscard]] std::string Stop();

  // The timer's duty: a write failure stops the session (returned for the
  // error box, once), and the read-out follows the session.
  [[nodiscard]] std::optional<std::string> Tick();

  [[nodiscard]] bool Running() const { return writer_.Running(); }
  // The file of the running session, else of the last one; empty before the first.
  [[nodiscard]] const std::string& Path() const { return path_; }
  // Frame lines taken by the running (or last) session, and their length in
  // time at the session's rate.
  [[nodiscard]] uint64_t Lines() const { return lines_; }
  // Why the running (or last) session failed; empty when it did not.
  [[nodiscard]] const std::string& LastError() const { return last_error_; }
  [[nodiscard]] double LengthSeconds() const;

  // Models of the session's controls in the record group.
  form::TButton button;  // "会话记录" / "停止会话"
  form::TLabel info;     // file name, length and frame count while a session runs

  // The device went away and the window waits for it: the next frame starts a gap entry
  // however short the wait was.
  void LinkLost();
  // Stretches without frames in the running (or last) session, as in its metadata.
  [[nodiscard]] const std::vector<records::Gap>& Gaps() const { return gaps_; }

  // protocol::IDataLineSink: one frame line for the file.
  void TakeDataLine(std::string_view line) override;

 private:
  void ShowState();
  void ShowInfo();
  [[nodiscard]] std::string Finish();

  const form::TFormState& state_;
  const protocol::FrameParser& parser_;
  ReplyHandler& replies_;
  Options options_;
  records::SessionWriter writer_;
  std::string path_;
  std::string last_error_;
  double rate_ = form::TFormState::kDefaultSampleRate;
  uint64_t lines_ = 0;
  // Parser totals at the start, so the metadata counts this session only.
  uint64_t good_at_start_ = 0, bad_at_start_ = 0, bytes_at_start_ = 0;
  std::optional<SteadyClock::time_point> last_frame_;
  bool link_lost_ = false;
  std::vector<records::Gap> gaps_;
  uint64_t info_lines_ = ~0ull;  // lines shown in Info at the last update
};

}  // namespace pulse::window
