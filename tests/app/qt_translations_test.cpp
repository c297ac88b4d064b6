// Qt's own dialog texts follow the window's language once the start-up helper has run.
#include "app/qt_translations.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTranslator>

namespace {

QString Tr(const char* context, const char* text) {
  return QCoreApplication::translate(context, text);
}

// One test, because an installed translator stays for the whole process.
TEST(QtTranslations, QtDialogTextsTurnChineseAndAMissingCatalogueChangesNothing) {
  QCoreApplication& app = *QCoreApplication::instance();
  ASSERT_EQ(Tr("QPlatformTheme", "Cancel"), "Cancel");

  // A folder without the catalogue: refused, Qt's texts stay as they were.
  QTemporaryDir empty;
  ASSERT_TRUE(empty.isValid());
  const int translators_before = app.findChildren<QTranslator*>().size();
  EXPECT_FALSE(pulse::app::InstallQtTranslations(app, empty.path()));
  EXPECT_EQ(app.findChildren<QTranslator*>().size(), translators_before);
  EXPECT_EQ(Tr("QPlatformTheme", "Cancel"), "Cancel");

  ASSERT_TRUE(pulse::app::InstallQtTranslations(app))
      << "qtbase_zh_CN.qm missing: install qt6-translations-l10n";
  EXPECT_EQ(Tr("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
  EXPECT_EQ(Tr("QFileDialog", "Look in:"), QStringLiteral("查找范围："));
  EXPECT_EQ(Tr("QPrintDialog", "&Print"), QStringLiteral("打印(&P)"));

  // What the operator sees: a message box's standard buttons.
  QMessageBox box(QMessageBox::Question, "t", "q", QMessageBox::Yes | QMessageBox::Cancel);
  EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("是(&Y)"));
  EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
}

}  // namespace
