#include "app/player_snapshot.h"

#include <QApplication>
#include <QFileInfo>
#include <QStringList>
#include <cmath>

#include "app/messages.h"
#include "ui/main_form.h"
#include "ui/main_window.h"

namespace pulse::app {
namespace {

void Fail(const QString& message) {
  Say(MessageKind::kError, message.toLocal8Bit().toStdString());
}

}  // namespace

std::optional<double> ParseAtSeconds(const QString& text) {
  bool ok = false;
  const double seconds = text.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(seconds) || seconds < 0) {
    Fail(QStringLiteral("--at wants the seconds into the file, a number from 0, got \"%1\"")
             .arg(text));
    return std::nullopt;
  }
  return seconds;
}

std::optional<std::pair<double, double>> ParseCursorTimes(const QString& text) {
  const QStringList parts = text.split(',');
  bool ok_a = false, ok_b = false;
  if (parts.size() == 2) {
    const double a = parts[0].trimmed().toDouble(&ok_a);
    const double b = parts[1].trimmed().toDouble(&ok_b);
    if (ok_a && ok_b && std::isfinite(a) && std::isfinite(b)) return std::pair{a, b};
  }
  Fail(QStringLiteral("--cursors wants two times in seconds, TA,TB, got \"%1\"").arg(text));
  return std::nullopt;
}

int SnapshotAt(ui::MainForm& form, const QString& replay, double seconds, const QString& out,
               std::optional<std::pair<double, double>> cursors) {
  ui::MainWindow& window = form.Window();
  window.resize(ui::MainWindow::kDesignWidth, ui::MainWindow::kDesignHeight);
  window.show();
  // The layout settles first, so the views have their sizes when the player draws.
  QApplication::processEvents();
  // 载入 would make a missing name an empty record file; a picture run must not.
  if (!QFileInfo(replay).isFile()) {
    Fail(QStringLiteral("no such record file: %1").arg(replay));
    return 1;
  }
  window::TForm1& f = form.Form();
  form.SetScriptedOpenName(replay.toStdString());
  f.Button18Click();
  const window::Player* player = f.Player().Get();
  if (player == nullptr || player->FrameCount() == 0) {
    Fail(QStringLiteral("nothing to play in %1").arg(replay));
    return 1;
  }
  // Half a frame of slack: the last frame's time is the end.
  if (seconds > player->DurationSeconds() + 0.5 / player->Rate()) {
    Fail(QStringLiteral("--at %1 lies beyond the end of %2 (%3 s)")
             .arg(seconds)
             .arg(replay)
             .arg(player->DurationSeconds(), 0, 'f', 3));
    return 1;
  }
  f.Player().SeekSeconds(seconds);
  if (cursors) {
    using Which = window::MeasureCursors::Which;
    f.Cursors().PlaceAtTime(1, Which::kA, cursors->first);
    f.Cursors().PlaceAtTime(1, Which::kB, cursors->second);
  }
  form.Sync();
  QApplication::processEvents();
  if (!window.grab().save(out, "PNG")) {
    Fail(QStringLiteral("cannot write %1").arg(out));
    return 1;
  }
  return 0;
}

}  // namespace pulse::app
