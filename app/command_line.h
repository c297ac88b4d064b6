// The program's options: what the command line asks for, or why it cannot be used. Reading
// them prints nothing and ends nothing, so every rule can be tried without a display.
#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <optional>
#include <string_view>

#include "window/language_setting.h"

namespace pulse::app {

inline constexpr double kDefaultSnapshotSeconds = 3.0;
// A typo must not leave a job running for days.
inline constexpr double kMaxSnapshotSeconds = 3600.0;
// How long --reconnect waits for an unplugged device unless told otherwise, and at most.
inline constexpr double kDefaultReconnectTimeoutS = 30.0;
inline constexpr double kMaxReconnectTimeoutS = 3600.0;

struct Options {
  bool demo = false;
  QStringList ports;  // COMn=PATH
  QString snapshot;
  QString record;
  QString session;
  QString replay;
  std::optional<QString> at;  // --at as given; checked once the file is known
  std::optional<QString> cursors;
  double seconds = kDefaultSnapshotSeconds;
  bool seconds_set = false;
  bool reconnect = false;
  double reconnect_timeout_s = kDefaultReconnectTimeoutS;
  bool stats = false;
  std::optional<pulse::window::Language> lang;

  // A picture, a recording or a session: no window on a screen.
  bool Headless() const { return !snapshot.isEmpty() || !record.isEmpty() || !session.isEmpty(); }
};

// The options, or the text that says why the command line cannot be used.
struct ParsedOptions {
  Options options;
  QString error;  // empty: the options can be used
};

// `name` or `name=...` among the arguments.
[[nodiscard]] bool HasArg(int argc, const char* const* argv, std::string_view name);

// Qt's application object takes "-session NAME" (and "--session NAME") for the desktop's
// session manager and removes it from the arguments, so ours is taken out before Qt sees
// it. Returns why not when its value is missing, else an empty text.
[[nodiscard]] QString TakeSessionOption(int& argc, char** argv, std::optional<QString>& value);

// Declares every option, with --help and --version, on `parser`.
void AddOptions(QCommandLineParser& parser);

// The options from a parser that has read the arguments (with AddOptions). `session_value`
// is what TakeSessionOption took out.
[[nodiscard]] ParsedOptions ReadOptions(const QCommandLineParser& parser,
                                        const std::optional<QString>& session_value);

}  // namespace pulse::app
