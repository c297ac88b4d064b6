// Program start: the commands that need no window, the options, then the window or a
// scripted run without one.
#include <QApplication>
#include <QCommandLineParser>
#include <QLocale>
#include <cstdlib>
#include <optional>

#include "app/command_line.h"
#include "app/messages.h"
#include "app/offline_commands.h"
#include "app/program_runs.h"
#include "app/qt_translations.h"
#include "window/language_setting.h"
#include "window/settings_file.h"

namespace {

constexpr int kUsageError = 2;

bool HaveDisplay() {
  auto set = [](const char* var) {
    const char* v = std::getenv(var);
    return v && *v;
  };
  return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}

void Fail(const QString& message) {
  pulse::app::Say(pulse::app::MessageKind::kError, message.toLocal8Bit().toStdString());
}

}  // namespace

int main(int argc, char** argv) {
  using pulse::app::HasArg;
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
  if (const QString error = pulse::app::TakeSessionOption(argc, argv, session_value);
      !error.isEmpty()) {
    Fail(error);
    return kUsageError;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("pulse3ch"));
  QApplication::setApplicationVersion(QStringLiteral(PULSE_VERSION));
  // An empty title, so window captions are exactly the window's own text.
  QApplication::setApplicationDisplayName(QString(""));

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral(
          "Three-channel pulse sensor: live waveforms, static pressure, recording.\n\n") +
      QString::fromStdString(pulse::app::OfflineUsage()));
  pulse::app::AddOptions(parser);
  parser.process(app);  // --help, --version and unknown options end here
  const pulse::app::ParsedOptions parsed = pulse::app::ReadOptions(parser, session_value);
  if (!parsed.error.isEmpty()) {
    Fail(parsed.error);
    return kUsageError;
  }
  // After the options, so that --help and option errors stay in the options' language. A
  // scripted run uses --lang without changing what the window starts with next time.
  std::string lang_error;
  const pulse::window::Language language = pulse::window::StartupLanguage(
      parsed.options.lang,
      pulse::window::SettingsDir(pulse::window::ProgramDir(), "pulse3ch") +
          pulse::window::kSettingsFileName,
      QLocale::system().name().toStdString(), !parsed.options.Headless(), &lang_error);
  if (!lang_error.empty()) Fail(QString::fromStdString(lang_error));
  if (language == pulse::window::Language::kChinese && !pulse::app::InstallQtTranslations(app))
    Fail(
        QStringLiteral("Qt's Chinese translations were not found (package qt6-translations-l10n); "
                       "Qt's own dialogs will be in English"));
  if (!pulse::app::InstallWindowTranslations(app, language))
    Fail(QStringLiteral("the English texts could not be loaded; the window stays in Chinese"));
  if (parsed.options.Headless()) return pulse::app::RunHeadless(app, parsed.options);
  return pulse::app::RunWindow(app, parsed.options);
}
