// Mirrors the live analysis into the window: each channel's pulse-rate
// label (text, quality colour and hint) and the "显示心搏" check box.
#pragma once

#include <QColor>
#include <cstdint>

#include "analysis/beat.h"
#include "ui/main_window.h"
#include "window/live_analysis.h"

namespace pulse::ui {

// Text colour of a pulse-rate label for a signal quality.
[[nodiscard]] QColor QualityColor(analysis::SignalQuality quality);

class PulseReadouts {
 public:
  // Copies what changed since the last call.
  void Sync(const MainWindowWidgets& widgets, const window::LiveAnalysis& analysis);

 private:
  uint64_t revision_ = ~0ull;
};

}  // namespace pulse::ui
