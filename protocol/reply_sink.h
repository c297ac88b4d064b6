// Where the frame parser hands what it found in the byte stream: one call
// per parse step, in the order the bytes arrived. The window implements it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/frame_decoder.h"

namespace pulse::protocol {

// A frame's bytes as received; only valid during the call.
using FrameSpan = std::span<const uint8_t>;

class IReplySink {
 public:
  virtual ~IReplySink() = default;
  // A data frame whose checksum holds.
  virtual void OnDataFrame(const DataFrame1& frame, FrameSpan bytes) = 0;
  virtual void OnDataFrame(const DataFrame3& frame, FrameSpan bytes) = 0;
  // A data frame whose checksum fails, whole, or cut where the next header
  // starts after it lost bytes on the line (`bytes`: as far as it went).
  virtual void OnBadDataFrame(FrameSpan bytes) = 0;
  // A whole reply other than a data frame (their checksum is not tested).
  virtual void OnReply(const Reply& reply) = 0;
  // A reply that lost bytes and is dropped. `ack`: an acknowledgement still
  // holds all it says, so it is taken all the same; nullptr for the others.
  virtual void OnCutReply(FrameSpan bytes, const Reply* ack) = 0;
  // `count` steps that each passed over one byte starting no known frame
  // (noise, and the checksum byte each frame leaves behind).
  virtual void OnSkipped(size_t count) = 0;
  // The end of a receive event that took at least one step.
  virtual void OnChunkParsed() = 0;
};

}  // namespace pulse::protocol
