// Receive handler and frame parser: turns the device's byte stream into
// samples for the views, acknowledgements for the command state, read-outs
// for the other replies, an error log of bad data frames and record lines.
#pragma once

#include <cstdint>
#include <string>

#include "form/form_state.h"
#include "form/main_controls.h"
#include "protocol/data_frame_sink.h"
#include "protocol/data_line_sink.h"
#include "protocol/form_views.h"
#include "protocol/frame_kinds.h"
#include "protocol/receive_buffer.h"
#include "protocol/recorder.h"

namespace pulse::protocol {

// The memo is emptied before a line is added once it holds more than this.
constexpr int kMemoMaxLines = 100;

class FrameParser {
 public:
  FrameParser(form::TFormState& state, form::TMainControls& controls, IFormViews& views)
      : state_(state), controls_(controls), views_(views), recorder_(state, controls) {}

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
  // A cut data frame is a bad frame, logged and recorded up to the cut. A cut
  // reply is logged and dropped, except an acknowledgement: it has no data, and
  // with its header whole only its checksum can be missing.
  void ParseReceived();

  [[nodiscard]] ReceiveBuffer& Buffer() { return buffer_; }

  // Every data frame line also goes here from now on (nullptr: nowhere),
  // including those that arrive while a stop is pending.
  void SetDataLineSink(IDataLineSink* sink) { line_sink_ = sink; }
  // Receives every data frame that is drawn (good checksum, no stop
  // pending); nullptr: none. The sink must outlive the parser or be unset.
  void SetDataFrameSink(pulse::protocol::IDataFrameSink* sink) { frame_sink_ = sink; }

  // Totals since construction, for accounting against what the device sent:
  // every data frame by its checksum (also those not drawn while a stop is
  // pending), and every byte offered by the link (also chunks dropped whole).
  // Unlike the error counter shown in the window, they do not wrap in practice.
  [[nodiscard]] uint64_t GoodDataFrames() const { return good_frames_; }
  [[nodiscard]] uint64_t BadDataFrames() const { return bad_frames_; }
  [[nodiscard]] uint64_t BytesReceived() const { return bytes_received_; }

 private:
  // Handles one frame of a known, fully arrived kind; `sound`: its checksum
  // holds. Returns the frame line when the step is to offer one to the recorder.
  const std::string* Handle(const FrameKindInfo& kind, const uint8_t* p, bool sound);
  [[nodiscard]] const std::string* HandleData(const FrameKindInfo& kind, const uint8_t* p, bool sound);
  // A frame that lost bytes, ending after `size` bytes where the next header starts.
  [[nodiscard]] const std::string* HandleCut(const FrameKindInfo& kind, const uint8_t* p, size_t size);
  // Logs line_ as a bad data frame and counts it.
  void CountBadFrame();
  // Adds a line to the error log, emptying it first when full.
  void LogError(const std::string& line);

  form::TFormState& state_;
  form::TMainControls& controls_;
  IFormViews& views_;
  pulse::protocol::IDataFrameSink* frame_sink_ = nullptr;
  ReceiveBuffer buffer_;
  Recorder recorder_;
  IDataLineSink* line_sink_ = nullptr;
  std::string line_;  // frame line of the current data frame, storage reused
  uint64_t good_frames_ = 0;
  uint64_t bad_frames_ = 0;
  uint64_t bytes_received_ = 0;
};

}  // namespace pulse::protocol
