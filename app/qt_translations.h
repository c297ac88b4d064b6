// The window's language at start-up: the program's own catalogue for English, and Qt's own
// texts (standard dialog buttons, the file and printer dialogs) in the same language.
#pragma once

#include <QCoreApplication>
#include <QString>

#include "window/language_setting.h"

namespace pulse::app {

// Installs the Chinese translation of Qt's base module from `dir` (by default where Qt keeps
// its translations). Returns false, and changes nothing, when it cannot be loaded; Qt's
// texts then stay in English.
[[nodiscard]] bool InstallQtTranslations(QCoreApplication& app, const QString& dir = QString());

// Where the program's catalogue is embedded.
inline constexpr const char* kEnglishCatalogue = ":/i18n/pulse3ch_en.qm";

// Routes the texts of the window logic through Qt's translators and, for English, installs
// the embedded catalogue; Qt's own texts stay English then. For Chinese the texts are the
// ones written, and Qt's texts come from InstallQtTranslations. Returns false when the
// catalogue could not be installed (the texts then stay Chinese). Call once, before the
// window is built.
[[nodiscard]] bool InstallWindowTranslations(QCoreApplication& app, window::Language language);

}  // namespace pulse::app
