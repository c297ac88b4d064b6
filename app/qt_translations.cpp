#include "app/qt_translations.h"

#include <QLibraryInfo>
#include <QTranslator>
#include <string>

#include "form/tr.h"

namespace pulse::app {

namespace {
// The window's texts are simplified Chinese; Qt's catalogue for its base module.
constexpr const char* kQtBaseCatalogue = "qtbase_zh_CN";

std::string TranslateWithQt(const char* context, const char* source) {
  return QCoreApplication::translate(context, source).toStdString();
}
}  // namespace

bool InstallQtTranslations(QCoreApplication& app, const QString& dir) {
  const QString from = dir.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : dir;
  // Owned by the application, so it lives as long as the texts are looked up.
  auto* translator = new QTranslator(&app);
  if (!translator->load(QString::fromLatin1(kQtBaseCatalogue), from) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return false;
  }
  return true;
}

bool InstallWindowTranslations(QCoreApplication& app, window::Language language) {
  form::SetTranslator(&TranslateWithQt);
  if (language == window::Language::kChinese) return true;
  auto* translator = new QTranslator(&app);
  if (!translator->load(QString::fromLatin1(kEnglishCatalogue)) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return false;
  }
  return true;
}

}  // namespace pulse::app
