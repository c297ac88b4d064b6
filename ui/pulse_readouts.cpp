#include "ui/pulse_readouts.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalBlocker>

namespace pulse::ui {

QColor QualityColor(analysis::SignalQuality quality) {
  // Dark enough to read on the button face; grey says "nothing to trust".
  switch (quality) {
    case analysis::SignalQuality::kGood:
      return {0, 110, 0};
    case analysis::SignalQuality::kPoor:
      return {190, 100, 0};
    case analysis::SignalQuality::kNoPulse:
      break;
  }
  return {120, 120, 120};
}

void PulseReadouts::Sync(const MainWindowWidgets& widgets, const window::LiveAnalysis& analysis) {
  if (widgets.show_beats != nullptr &&
      widgets.show_beats->isChecked() != analysis.show_beats.checked) {
    const QSignalBlocker block(widgets.show_beats);
    widgets.show_beats->setChecked(analysis.show_beats.checked);
  }
  if (analysis.Revision() == revision_) return;
  revision_ = analysis.Revision();
  for (int k = 0; k < window::LiveAnalysis::kChannels; ++k) {
    QLabel* label = widgets.views[static_cast<std::size_t>(k)].pulse_rate;
    if (label == nullptr) continue;
    const window::PulseReadout& r = analysis.Readout(k);
    label->setText(QString::fromStdString(r.text));
    label->setToolTip(QString::fromStdString(r.hint));
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, QualityColor(r.quality));
    label->setPalette(p);
  }
}

}  // namespace pulse::ui
