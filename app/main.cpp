// Program start: options, the application object, the main window, the loop.
#include <QApplication>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QLocale>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <QDateTime>
#include <QFileInfo>
#include <memory>
#include <optional>

#include "app/headless_run.h"
#include "app/offline_commands.h"
#include "app/player_snapshot.h"
#include "app/qt_translations.h"
#include "tools/virtual-sensor/virtual_sensor.h"
#include "ui/main_form.h"
#include "ui/main_window.h"
#include "ui/print_dialog.h"
#include "window/language_setting.h"
#include "window/recording.h"
#include "window/settings_file.h"

namespace {

constexpr double kDefaultSnapshotSeconds = 3.0;
constexpr double kMaxSnapshotSeconds = 3600.0;  // a typo must not leave a job running for days
constexpr int kUsageError = 2;
// How long --reconnect waits for an unplugged device unless told otherwise, and at most.
constexpr double kDefaultReconnectTimeoutS = 30.0;
constexpr double kMaxReconnectTimeoutS = 3600.0;

bool HasArg(int argc, char** argv, std::string_view name) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view a(argv[i]);
    if (a == name ||
        (a.size() > name.size() && a.substr(0, name.size()) == name && a[name.size()] == '='))
      return true;
  }
  return false;
}

bool HaveDisplay() {
  auto set = [](const char* var) {
    const char* v = std::getenv(var);
    return v && *v;
  };
  return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}

void Fail(const QString& message) {
  std::fprintf(stderr, "pulse3ch: %s\n", qPrintable(message));
}

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
};

// Qt's application object takes "-session NAME" (and "--session NAME") for the desktop's
// session manager and removes it from the arguments, so ours is taken out before Qt sees
// it. Returns false (after printing why) when its value is missing.
bool TakeSessionOption(int& argc, char** argv, std::optional<QString>& value) {
  constexpr std::string_view kName = "--session";
  int out = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a(argv[i]);
    if (a == "--") {  // the rest is not options
      while (i < argc) argv[out++] = argv[i++];
      break;
    }
    if (a == kName) {
      if (i + 1 >= argc) {
        Fail(QStringLiteral("Missing value after '--session'."));
        return false;
      }
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
  return true;
}

// Returns false (after printing why) when the options cannot be used.
bool ParseOptions(QCommandLineParser& parser, const QApplication& app,
                  const std::optional<QString>& session_value, Options& out) {
  parser.setApplicationDescription(
      QStringLiteral(
          "Three-channel pulse sensor: live waveforms, static pressure, recording.\n\n") +
      QString::fromStdString(pulse::app::OfflineUsage()));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption demo(
      QStringLiteral("demo"),
      QStringLiteral("Start the built-in virtual sensor and map COM1 to it."));
  const QCommandLineOption port(
      QStringLiteral("port"),
      QStringLiteral("Map a port number to a device, e.g. COM3=/dev/ttyUSB0 "
                     "(repeatable)."),
      QStringLiteral("COMn=PATH"));
  const QCommandLineOption snapshot(
      QStringLiteral("snapshot"),
      QStringLiteral("Run without a display, save a PNG of the window after --seconds and exit."),
      QStringLiteral("FILE.png"));
  const QCommandLineOption seconds(
      QStringLiteral("seconds"),
      QStringLiteral("Seconds to sample before --snapshot grabs the window (default 3), or to "
                     "record with --record."),
      QStringLiteral("N"));
  const QCommandLineOption record(
      QStringLiteral("record"),
      QStringLiteral("Run without a display: open the device, record --seconds of sampling, save "
                     "the frames to FILE and exit."),
      QStringLiteral("FILE"));
  const QCommandLineOption session(
      QStringLiteral("session"),
      QStringLiteral("Run without a display: open the device, record a session of --seconds "
                     "of sampling into FILE (every frame, with FILE.json beside it) and exit. "
                     "With --snapshot, the picture shows the session running."),
      QStringLiteral("FILE"));
  const QCommandLineOption replay(
      QStringLiteral("replay"),
      QStringLiteral("With --snapshot: load a record file and replay it instead of sampling."),
      QStringLiteral("FILE"));
  const QCommandLineOption stats(
      QStringLiteral("stats"),
      QStringLiteral("With --record, --session or --snapshot: print the data frames received "
                     "(good and bad checksum) and the bytes received at exit."));
  const QCommandLineOption at(
      QStringLiteral("at"),
      QStringLiteral("With --snapshot and --replay: picture the window with the player at this "
                     "time of the file, in seconds, instead of replaying it."),
      QStringLiteral("SECONDS"));
  const QCommandLineOption cursors(
      QStringLiteral("cursors"),
      QStringLiteral("With --at: measurement cursors A and B on view 1 at these times (TA,TB)."),
      QStringLiteral("TA,TB"));
  const QCommandLineOption reconnect(
      QStringLiteral("reconnect"),
      QStringLiteral("With --record or --session: when the device goes away, wait for it to "
                     "return (its /dev/serial/by-id link, else the same path), reopen it and go "
                     "on sampling; the gaps are printed at the end. Without it a device that "
                     "goes away ends the run with exit code 1."));
  const QCommandLineOption reconnect_timeout(
      QStringLiteral("reconnect-timeout"),
      QStringLiteral("With --reconnect: seconds to wait for the device each time (default 30)."),
      QStringLiteral("S"));
  const QCommandLineOption lang(
      QStringLiteral("lang"),
      QStringLiteral("Language of the window: zh (Chinese) or en (English). Without it: the "
                     "last one given to the window, else the system locale. The window stores "
                     "it in comSet.ini; runs without a display do not."),
      QStringLiteral("zh|en"));
  parser.addOptions({demo, port, snapshot, seconds, record, session, replay, stats, at, cursors,
                     reconnect, reconnect_timeout, lang});
  parser.process(app);  // --help, --version and unknown options end here

  if (!parser.positionalArguments().isEmpty()) {
    Fail(QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first()));
    return false;
  }
  if (parser.isSet(lang)) {
    out.lang = pulse::window::ParseLanguage(parser.value(lang).toStdString());
    if (!out.lang) {
      Fail(QStringLiteral("--lang wants zh or en, got \"%1\"").arg(parser.value(lang)));
      return false;
    }
  }
  out.demo = parser.isSet(demo);
  out.stats = parser.isSet(stats);
  static const QRegularExpression kPortMap(QStringLiteral("^COM([1-9][0-9]*)=(.+)$"),
                                           QRegularExpression::CaseInsensitiveOption);
  for (const QString& p : parser.values(port)) {
    if (!kPortMap.match(p).hasMatch()) {
      Fail(QStringLiteral("--port wants COMn=PATH, got \"%1\"").arg(p));
      return false;
    }
    out.ports << p;
  }
  out.snapshot = parser.value(snapshot);
  out.record = parser.value(record);
  // Listed in --help by the parser; the value was taken out before Qt saw it.
  out.session = session_value.value_or(parser.value(session));
  if (session_value && session_value->isEmpty()) {
    Fail(QStringLiteral("--session wants a file name"));
    return false;
  }
  out.replay = parser.value(replay);
  if (!out.replay.isEmpty() && out.snapshot.isEmpty()) {
    Fail(QStringLiteral("--replay only applies to --snapshot"));
    return false;
  }
  if (parser.isSet(at)) {
    if (out.replay.isEmpty() || !out.session.isEmpty() || parser.isSet(seconds)) {
      Fail(QStringLiteral("--at goes with --snapshot and --replay, without --seconds"));
      return false;
    }
    out.at = parser.value(at);
  }
  if (parser.isSet(cursors)) {
    if (!out.at) {
      Fail(QStringLiteral("--cursors only applies to --at"));
      return false;
    }
    out.cursors = parser.value(cursors);
  }
  if (!out.snapshot.isEmpty() && !out.record.isEmpty()) {
    Fail(QStringLiteral("--snapshot and --record do not go together"));
    return false;
  }
  if (!out.session.isEmpty() && (!out.record.isEmpty() || !out.replay.isEmpty())) {
    Fail(QStringLiteral("--session goes with neither --record nor --replay"));
    return false;
  }
  if (!out.record.isEmpty() && !out.demo && out.ports.isEmpty()) {
    Fail(QStringLiteral("--record needs --demo or --port COMn=PATH"));
    return false;
  }
  // A snapshot brings its own demo sensor.
  if (!out.session.isEmpty() && out.snapshot.isEmpty() && !out.demo && out.ports.isEmpty()) {
    Fail(QStringLiteral("--session needs --demo or --port COMn=PATH"));
    return false;
  }
  if (parser.isSet(seconds)) {
    bool ok = false;
    out.seconds = parser.value(seconds).toDouble(&ok);
    if (!ok || out.seconds < 0 || out.seconds > kMaxSnapshotSeconds) {
      Fail(QStringLiteral("--seconds wants a number from 0 to %1").arg(kMaxSnapshotSeconds));
      return false;
    }
    if (out.snapshot.isEmpty() && out.record.isEmpty() && out.session.isEmpty()) {
      Fail(QStringLiteral("--seconds only applies to --snapshot, --record and --session"));
      return false;
    }
    out.seconds_set = true;
  }
  out.reconnect = parser.isSet(reconnect);
  if (out.reconnect && out.record.isEmpty() && out.session.isEmpty()) {
    Fail(QStringLiteral("--reconnect goes with --record or --session"));
    return false;
  }
  if (parser.isSet(reconnect_timeout)) {
    if (!out.reconnect) {
      Fail(QStringLiteral("--reconnect-timeout goes with --reconnect"));
      return false;
    }
    bool ok = false;
    out.reconnect_timeout_s = parser.value(reconnect_timeout).toDouble(&ok);
    if (!ok || out.reconnect_timeout_s <= 0 || out.reconnect_timeout_s > kMaxReconnectTimeoutS) {
      Fail(QStringLiteral("--reconnect-timeout wants seconds above 0, at most %1")
               .arg(kMaxReconnectTimeoutS));
      return false;
    }
  }
  if (!out.record.isEmpty() && !out.seconds_set) {
    Fail(QStringLiteral("--record needs --seconds N"));
    return false;
  }
  if (!out.session.isEmpty() && !out.seconds_set) {
    Fail(QStringLiteral("--session needs --seconds N"));
    return false;
  }
  for (const QString& target : {out.record, out.session}) {
    if (target.isEmpty()) continue;
    // Found out now, not after the recording was made.
    const QFileInfo file(target);
    const QFileInfo dir(file.absolutePath());
    if (file.isDir() || !dir.isDir() || !dir.isWritable()) {
      Fail(QStringLiteral("cannot write the record to %1: %2")
               .arg(target, file.isDir()   ? QStringLiteral("it is a folder")
                            : !dir.isDir() ? QStringLiteral("no such folder")
                                           : QStringLiteral("the folder is not writable")));
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // A record file in, text or a file out: no application object, no display.
  if (const auto code = pulse::app::RunOfflineCommandLine(argc, argv, pulse::app::StandardOutput()))
    return *code;
  const bool snapshot = HasArg(argc, argv, "--snapshot") || HasArg(argc, argv, "--record") ||
                        HasArg(argc, argv, "--session");
  const bool info_only = HasArg(argc, argv, "--help") || HasArg(argc, argv, "-h") ||
                         HasArg(argc, argv, "--help-all") || HasArg(argc, argv, "--version") ||
                         HasArg(argc, argv, "-v");
  // A picture or a help text needs no screen; anything else does.
  if ((snapshot || info_only) && !std::getenv("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  if (!HaveDisplay() && !snapshot && !info_only) {
    Fail(
        QStringLiteral("no display found (DISPLAY/WAYLAND_DISPLAY unset). To see the window "
                       "without a desktop, make a picture: pulse3ch --snapshot window.png"));
    return 1;
  }

  std::optional<QString> session_value;
  if (!TakeSessionOption(argc, argv, session_value)) return kUsageError;
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("pulse3ch"));
  QApplication::setApplicationVersion(QStringLiteral(PULSE_VERSION));
  // An empty title, so window captions are exactly the window's own text.
  QApplication::setApplicationDisplayName(QString(""));

  QCommandLineParser parser;
  Options opt;
  if (!ParseOptions(parser, app, session_value, opt)) return kUsageError;
  const bool headless = !opt.snapshot.isEmpty() || !opt.record.isEmpty() || !opt.session.isEmpty();
  // After the options, so that --help and option errors stay in the options' language. A
  // scripted run uses --lang without changing what the window starts with next time.
  std::string lang_error;
  const pulse::window::Language language = pulse::window::StartupLanguage(
      opt.lang,
      pulse::window::SettingsDir(pulse::window::ProgramDir(), "pulse3ch") +
          pulse::window::kSettingsFileName,
      QLocale::system().name().toStdString(), !headless, &lang_error);
  if (!lang_error.empty()) Fail(QString::fromStdString(lang_error));
  if (language == pulse::window::Language::kChinese && !pulse::app::InstallQtTranslations(app))
    Fail(
        QStringLiteral("Qt's Chinese translations were not found (package qt6-translations-l10n); "
                       "Qt's own dialogs will be in English"));
  if (!pulse::app::InstallWindowTranslations(app, language))
    Fail(QStringLiteral("the English texts could not be loaded; the window stays in Chinese"));

  // The demo sensor plays the device on a pseudo-terminal mapped to COM1.
  std::unique_ptr<pulse::vsensor::VirtualSensor> sensor;
  pulse::window::FormOptions form_options;
  QString port_text;
  if (opt.demo || (!opt.snapshot.isEmpty() && opt.replay.isEmpty() && opt.ports.isEmpty())) {
    pulse::vsensor::Options so;
    so.seed = static_cast<std::uint64_t>(QDateTime::currentMSecsSinceEpoch());
    sensor = std::make_unique<pulse::vsensor::VirtualSensor>(so);
    try {
      sensor->Start();
    } catch (const std::exception& e) {
      Fail(QStringLiteral("cannot start the virtual sensor: %1").arg(e.what()));
      return 1;
    }
    form_options.port_mappings.push_back("COM1=" + sensor->SlavePath());
    port_text = QStringLiteral("1");
  }
  for (const QString& p : opt.ports) {
    form_options.port_mappings.push_back(p.toStdString());
    if (port_text.isEmpty()) port_text = p.section('=', 0, 0).mid(3);
  }

  // A scripted run reconnects only when told to, and never stores the window's switch.
  if (headless) form_options.reconnect = opt.reconnect;

  // The print dialog is made once and keeps its state between prints.
  pulse::ui::TMFPrintDlg print_dialog;
  pulse::ui::MainForm main_form(form_options, &print_dialog);
  pulse::ui::MainWindow& window = main_form.Window();
  main_form.SetHeadless(headless);
  if (opt.demo && !headless) main_form.Form().Controls().e_comm.text = "1";

  if (opt.at) {
    const std::optional<double> at_seconds = pulse::app::ParseAtSeconds(*opt.at);
    if (!at_seconds) return 1;
    std::optional<std::pair<double, double>> cursor_times;
    if (opt.cursors) {
      cursor_times = pulse::app::ParseCursorTimes(*opt.cursors);
      if (!cursor_times) return 1;
    }
    return pulse::app::SnapshotAt(main_form, opt.replay, *at_seconds, opt.snapshot, cursor_times);
  }
  if (headless) {
    // Design size, no maximising: the picture shows the layout as drawn.
    window.resize(pulse::ui::MainWindow::kDesignWidth, pulse::ui::MainWindow::kDesignHeight);
    window.show();
    pulse::app::HeadlessRun run(main_form, port_text.toStdString(), opt.seconds);
    run.replay_file = opt.replay.toStdString();
    run.session_file = opt.session.toStdString();
    run.reconnect = opt.reconnect;
    run.reconnect_timeout_s = opt.reconnect_timeout_s;
    // With a session, the picture shows it running.
    run.done_before_stop = !opt.snapshot.isEmpty() && !opt.session.isEmpty();
    if (!opt.snapshot.isEmpty()) {
      run.on_done = [&] {
        main_form.Sync();
        if (!window.grab().save(opt.snapshot, "PNG")) {
          Fail(QStringLiteral("cannot write %1").arg(opt.snapshot));
          return 1;
        }
        return 0;
      };
    } else if (!opt.session.isEmpty()) {
      // The session is the whole job.
    } else {
      run.record = true;
      run.on_done = [&] {
        try {
          pulse::window::WriteTextLines(opt.record.toStdString(),
                                        main_form.Form().State().RecordList);
        } catch (const std::exception& e) {
          Fail(QString::fromStdString(e.what()));
          return 1;
        }
        return 0;
      };
    }
    run.Start();
    app.exec();
    if (opt.stats) {
      const pulse::protocol::FrameParser& counts = main_form.Form().Parser();
      std::printf("frames: good %llu, bad %llu, bytes %llu\n",
                  static_cast<unsigned long long>(counts.GoodDataFrames()),
                  static_cast<unsigned long long>(counts.BadDataFrames()),
                  static_cast<unsigned long long>(counts.BytesReceived()));
    }
    return run.ExitCode();
  }

  main_form.Sync();
  // Centred first, so that leaving the maximised state lands in the middle.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
  }
  window.showMaximized();
  return app.exec();
}
