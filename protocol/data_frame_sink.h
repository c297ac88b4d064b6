// Where typed data frames go besides the views: the live pulse analysis
// listens here, fed by the parser for the device and by the replay for a
// loaded record.
#pragma once

#include "protocol/frame_decoder.h"

namespace pulse::protocol {

class IDataFrameSink {
 public:
  virtual ~IDataFrameSink() = default;
  // A data frame with a good checksum, just after its samples were handed
  // to the views (so the views' sample counters already count it).
  virtual void OnDataFrame(const DataFrame1& frame) = 0;
  virtual void OnDataFrame(const DataFrame3& frame) = 0;
};

}  // namespace pulse::protocol
