// Where the parser hands the text of every data frame it handles, good or bad
// checksum, in the order received (a session being recorded listens here).
#pragma once

#include <string_view>

namespace pulse::protocol {

class IDataLineSink {
 public:
  virtual ~IDataLineSink() = default;
  // The frame's bytes as a record line; only valid during the call.
  virtual void TakeDataLine(std::string_view line) = 0;
};

}  // namespace pulse::protocol
