// Beats as CSV: channel,onset_s,peak_s,notch_s,amplitude,interval_s.
#pragma once

#include <ostream>
#include <span>

#include "analysis/pulse_analyzer.h"

namespace pulse::analysis {

// Writes the header and one line per beat (channels 1..3, times = sample index / rate, an
// empty field where a beat has no notch or no previous beat), with "." decimals whatever the
// locale. Returns false when the stream failed.
[[nodiscard]] bool WriteBeatsCsv(std::ostream& out, std::span<const ChannelBeat> beats,
                                 double rate_hz);

}  // namespace pulse::analysis
