// Qt's own texts (standard dialog buttons, the file and printer dialogs) in Chinese, so that
// they match the window.
#pragma once

#include <QCoreApplication>
#include <QString>

namespace pulse::app {

// Installs the Chinese translation of Qt's base module from `dir` (by default where Qt keeps
// its translations). Returns false, and changes nothing, when it cannot be loaded; Qt's
// texts then stay in English.
[[nodiscard]] bool InstallQtTranslations(QCoreApplication& app, const QString& dir = QString());

}  // namespace pulse::app
