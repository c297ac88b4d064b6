// The program's two ways to run once its options are read: the window on a screen, or a
// scripted run without one (a picture, a recording, a session).
#pragma once

#include <QApplication>

#include "app/command_line.h"

namespace pulse::app {

// Shows the main window and runs until it is closed; returns the exit code.
[[nodiscard]] int RunWindow(QApplication& app, const Options& options);

// --snapshot, --record or --session; returns the exit code.
[[nodiscard]] int RunHeadless(QApplication& app, const Options& options);

}  // namespace pulse::app
