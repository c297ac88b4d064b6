#include "app/command_line.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace pulse::app {
namespace {

const QString kDemo = QStringLiteral("demo");
const QString kPort = QStringLiteral("port");
const QString kSnapshot = QStringLiteral("snapshot");
const QString kSeconds = QStringLiteral("seconds");
const QString kRecord = QStringLiteral("record");
const QString kSession = QStringLiteral("session");
const QString kReplay = QStringLiteral("replay");
const QString kStats = QStringLiteral("stats");
const QString kAt = QStringLiteral("at");
const QString kCursors = QStringLiteral("cursors");
const QString kReconnect = QStringLiteral("reconnect");
const QString kReconnectTimeout = QStringLiteral("reconnect-timeout");
const QString kLang = QStringLiteral("lang");

// Checks the options that only make sense with others, in the order the user should fix them.
QString CheckCombinations(const QCommandLineParser& parser,
                          const std::optional<QString>& session_value, Options& out) {
  out.session = session_value.value_or(parser.value(kSession));
  if (session_value && session_value->isEmpty())
    return QStringLiteral("--session wants a file name");
  out.replay = parser.value(kReplay);
  if (!out.replay.isEmpty() && out.snapshot.isEmpty())
    return QStringLiteral("--replay only applies to --snapshot");
  if (parser.isSet(kAt)) {
    if (out.replay.isEmpty() || !out.session.isEmpty() || parser.isSet(kSeconds))
      return QStringLiteral("--at goes with --snapshot and --replay, without --seconds");
    out.at = parser.value(kAt);
  }
  if (parser.isSet(kCursors)) {
    if (!out.at) return QStringLiteral("--cursors only applies to --at");
    out.cursors = parser.value(kCursors);
  }
  if (!out.snapshot.isEmpty() && !out.record.isEmpty())
    return QStringLiteral("--snapshot and --record do not go together");
  if (!out.session.isEmpty() && (!out.record.isEmpty() || !out.replay.isEmpty()))
    return QStringLiteral("--session goes with neither --record nor --replay");
  if (!out.record.isEmpty() && !out.demo && out.ports.isEmpty())
    return QStringLiteral("--record needs --demo or --port COMn=PATH");
  // A snapshot brings its own demo sensor.
  if (!out.session.isEmpty() && out.snapshot.isEmpty() && !out.demo && out.ports.isEmpty())
    return QStringLiteral("--session needs --demo or --port COMn=PATH");
  return {};
}

QString CheckNumbers(const QCommandLineParser& parser, Options& out) {
  if (parser.isSet(kSeconds)) {
    bool ok = false;
    out.seconds = parser.value(kSeconds).toDouble(&ok);
    if (!ok || out.seconds < 0 || out.seconds > kMaxSnapshotSeconds)
      return QStringLiteral("--seconds wants a number from 0 to %1").arg(kMaxSnapshotSeconds);
    if (out.snapshot.isEmpty() && out.record.isEmpty() && out.session.isEmpty())
      return QStringLiteral("--seconds only applies to --snapshot, --record and --session");
    out.seconds_set = true;
  }
  out.reconnect = parser.isSet(kReconnect);
  if (out.reconnect && out.record.isEmpty() && out.session.isEmpty())
    return QStringLiteral("--reconnect goes with --record or --session");
  if (parser.isSet(kReconnectTimeout)) {
    if (!out.reconnect) return QStringLiteral("--reconnect-timeout goes with --reconnect");
    bool ok = false;
    out.reconnect_timeout_s = parser.value(kReconnectTimeout).toDouble(&ok);
    if (!ok || out.reconnect_timeout_s <= 0 || out.reconnect_timeout_s > kMaxReconnectTimeoutS)
      return QStringLiteral("--reconnect-timeout wants seconds above 0, at most %1")
          .arg(kMaxReconnectTimeoutS);
  }
  if (!out.record.isEmpty() && !out.seconds_set)
    return QStringLiteral("--record needs --seconds N");
  if (!out.session.isEmpty() && !out.seconds_set)
    return QStringLiteral("--session needs --seconds N");
  return {};
}

// Found out now, not after the recording was made.
QString CheckTargets(const Options& out) {
  for (const QString& target : {out.record, out.session}) {
    if (target.isEmpty()) continue;
    const QFileInfo file(target);
    const QFileInfo dir(file.absolutePath());
    if (file.isDir() || !dir.isDir() || !dir.isWritable()) {
      return QStringLiteral("cannot write the record to %1: %2")
          .arg(target, file.isDir()   ? QStringLiteral("it is a folder")
                       : !dir.isDir() ? QStringLiteral("no such folder")
                                      : QStringLiteral("the folder is not writable"));
    }
  }
  return {};
}

}  // namespace

bool HasArg(int argc, const char* const* argv, std::string_view name) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view a(argv[i]);
    if (a == name ||
        (a.size() > name.size() && a.substr(0, name.size()) == name && a[name.size()] == '='))
      return true;
  }
  return false;
}

QString TakeSessionOption(int& argc, char** argv, std::optional<QString>& value) {
  constexpr std::string_view kName = "--session";
  int out = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a(argv[i]);
    if (a == "--") {  // the rest is not options
      while (i < argc) argv[out++] = argv[i++];
      break;
    }
    if (a == kName) {
      if (i + 1 >= argc) return QStringLiteral("Missing value after '--session'.");
      value = QString::fromLocal8Bit(argv[++i]);
      continue;
    }
    if (a.size() > kName.size() && a.substr(0, kName.size()) == kName && a[kName.size()] == '=') {
      value = QString::fromLocal8Bit(argv[i] + kName.size() + 1);
      continue;
    }
    argv[out++] = argv[i];
  }
  argc = out;
  argv[argc] = nullptr;
  return {};
}

void AddOptions(QCommandLineParser& parser) {
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addOptions({
      {kDemo, QStringLiteral("Start the built-in virtual sensor and map COM1 to it.")},
      {kPort,
       QStringLiteral("Map a port number to a device, e.g. COM3=/dev/ttyUSB0 "
                      "(repeatable)."),
       QStringLiteral("COMn=PATH")},
      {kSnapshot,
       QStringLiteral("Run without a display, save a PNG of the window after --seconds and exit."),
       QStringLiteral("FILE.png")},
      {kSeconds,
       QStringLiteral("Seconds to sample before --snapshot grabs the window (default 3), or to "
                      "record with --record."),
       QStringLiteral("N")},
      {kRecord,
       QStringLiteral("Run without a display: open the device, record --seconds of sampling, "
                      "save the frames to FILE and exit."),
       QStringLiteral("FILE")},
      {kSession,
       QStringLiteral("Run without a display: open the device, record a session of --seconds "
                      "of sampling into FILE (every frame, with FILE.json beside it) and exit. "
                      "With --snapshot, the picture shows the session running."),
       QStringLiteral("FILE")},
      {kReplay,
       QStringLiteral("With --snapshot: load a record file and replay it instead of sampling."),
       QStringLiteral("FILE")},
      {kStats,
       QStringLiteral("With --record, --session or --snapshot: print the data frames received "
                      "(good and bad checksum) and the bytes received at exit.")},
      {kAt,
       QStringLiteral("With --snapshot and --replay: picture the window with the player at this "
                      "time of the file, in seconds, instead of replaying it."),
       QStringLiteral("SECONDS")},
      {kCursors,
       QStringLiteral("With --at: measurement cursors A and B on view 1 at these times (TA,TB)."),
       QStringLiteral("TA,TB")},
      {kReconnect,
       QStringLiteral("With --record or --session: when the device goes away, wait for it to "
                      "return (its /dev/serial/by-id link, else the same path), reopen it and "
                      "go on sampling; the gaps are printed at the end. Without it a device "
                      "that goes away ends the run with exit code 1.")},
      {kReconnectTimeout,
       QStringLiteral("With --reconnect: seconds to wait for the device each time (default 30)."),
       QStringLiteral("S")},
      {kLang,
       QStringLiteral("Language of the window: zh (Chinese) or en (English). Without it: the "
                      "last one given to the window, else the system locale. The window stores "
                      "it in comSet.ini; runs without a display do not."),
       QStringLiteral("zh|en")},
  });
}

ParsedOptions ReadOptions(const QCommandLineParser& parser,
                          const std::optional<QString>& session_value) {
  ParsedOptions parsed;
  Options& out = parsed.options;
  auto fail = [&parsed](QString error) {
    parsed.error = std::move(error);
    return parsed;
  };
  if (!parser.positionalArguments().isEmpty())
    return fail(
        QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first()));
  if (parser.isSet(kLang)) {
    out.lang = pulse::window::ParseLanguage(parser.value(kLang).toStdString());
    if (!out.lang)
      return fail(QStringLiteral("--lang wants zh or en, got \"%1\"").arg(parser.value(kLang)));
  }
  out.demo = parser.isSet(kDemo);
  out.stats = parser.isSet(kStats);
  static const QRegularExpression kPortMap(QStringLiteral("^COM([1-9][0-9]*)=(.+)$"),
                                           QRegularExpression::CaseInsensitiveOption);
  for (const QString& p : parser.values(kPort)) {
    if (!kPortMap.match(p).hasMatch())
      return fail(QStringLiteral("--port wants COMn=PATH, got \"%1\"").arg(p));
    out.ports << p;
  }
  out.snapshot = parser.value(kSnapshot);
  out.record = parser.value(kRecord);
  QString error = CheckCombinations(parser, session_value, out);
  if (error.isEmpty()) error = CheckNumbers(parser, out);
  if (error.isEmpty()) error = CheckTargets(out);
  if (!error.isEmpty()) return fail(std::move(error));
  return parsed;
}

}  // namespace pulse::app
