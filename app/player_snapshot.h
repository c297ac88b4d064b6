// --snapshot OUT.png --replay REC.txt --at SECONDS: the window with the
// player at that time of the file, for docs and tests.
#pragma once

#include <QString>
#include <optional>
#include <utility>

namespace pulse::ui {
class MainForm;
}

namespace pulse::app {

// The seconds of --at, or nothing (after printing why) for text that is not
// a number or is negative.
[[nodiscard]] std::optional<double> ParseAtSeconds(const QString& text);

// Loads `replay` as 载入 does, puts the player at `seconds` and saves the
// window as a PNG in `out`. Returns the exit code: 1 (after printing why)
// when the file cannot be loaded, `seconds` lies beyond its end or the
// picture cannot be written.
// With `cursors`, A and B are placed on view 1 at those times of the file.
[[nodiscard]] int SnapshotAt(ui::MainForm& form, const QString& replay, double seconds,
                             const QString& out,
                             std::optional<std::pair<double, double>> cursors = std::nullopt);

// "TA,TB" of --cursors, or nothing (after printing why).
[[nodiscard]] std::optional<std::pair<double, double>> ParseCursorTimes(const QString& text);

}  // namespace pulse::app
