// Receive handler and frame parser: finds the device's frames in the byte
// stream, resynchronises after lost bytes, decodes each frame and hands it,
// in order, to a reply sink. What the replies mean to the window is the
// sink's business.
#pragma once

#include <cstdint>

#include "protocol/frame_kinds.h"
#include "protocol/receive_buffer.h"
#include "protocol/reply_sink.h"

namespace pulse::protocol {

class FrameParser {
 public:
  // The sink must outlive the parser.
  explicit FrameParser(IReplySink& sink) : sink_(sink) {}

  // The link's receive event: stores the chunk and parses what is complete.
  // Chunks over ReceiveBuffer::kMaxChunk bytes are dropped whole.
  void Comm321ReceiveData(const uint8_t* Buffer, uint16_t BufferLength);
  // Runs steps while at least 5 bytes are unparsed; stops early at a known
  // header whose frame cannot be judged yet, to finish it with the next chunk.
  //
  // Bytes lost on the line leave a frame shorter than its header says, so its
  // span runs into the next frame. Such a frame ends where a header inside its
  // span starts, and parsing resumes at that header:
  //  - a frame whose checksum fails ends at the first inner header;
  //  - a data frame whose checksum holds (1 damaged frame in 256 passes) ends
  //    only at an inner frame that is whole and checks out too;
  //  - a reply whose checksum holds is taken as it is.
  // A cut data frame is a bad frame up to the cut. A cut reply is dropped,
  // except an acknowledgement: it has no data, and with its header whole only
  // its checksum can be missing.
  void ParseReceived();

  [[nodiscard]] ReceiveBuffer& Buffer() { return buffer_; }

  // Totals since construction, for accounting against what the device sent:
  // every data frame by its checksum (also those the window does not draw),
  // and every byte offered by the link (also chunks dropped whole).
  [[nodiscard]] uint64_t GoodDataFrames() const { return good_frames_; }
  [[nodiscard]] uint64_t BadDataFrames() const { return bad_frames_; }
  [[nodiscard]] uint64_t BytesReceived() const { return bytes_received_; }

 private:
  // Hands one frame of a known, fully arrived kind to the sink; `sound`: its
  // checksum holds.
  void Deliver(const FrameKindInfo& kind, FrameSpan bytes, bool sound);
  // A frame that lost bytes, ending where the next header starts.
  void DeliverCut(const FrameKindInfo& kind, FrameSpan bytes);
  // Hands on the skipped steps not yet reported, so the sink sees every step in order.
  void FlushSkipped();

  IReplySink& sink_;
  ReceiveBuffer buffer_;
  size_t skipped_ = 0;
  uint64_t good_frames_ = 0;
  uint64_t bad_frames_ = 0;
  uint64_t bytes_received_ = 0;
};

}  // namespace pulse::protocol
