// The window's side of the receive path: what each reply of the device does
// to the window's state, controls and views, the error log of bad data
// frames, the 20 s record and the sinks of data lines and drawn frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "form/form_state.h"
#include "form/main_controls.h"
#include "protocol/data_frame_sink.h"
#include "protocol/data_line_sink.h"
#include "protocol/form_views.h"
#include "protocol/recorder.h"
#include "protocol/reply_sink.h"

namespace pulse::window {

// The memo is emptied before a line is added once it holds more than this.
constexpr int kMemoMaxLines = 100;

class ReplyHandler : public protocol::IReplySink {
 public:
  ReplyHandler(form::TFormState& state, form::TMainControls& controls, protocol::IFormViews& views)
      : state_(state), controls_(controls), views_(views), recorder_(state, controls) {}

  // Every data frame line also goes here from now on (nullptr: nowhere),
  // including those that arrive while a stop is pending.
  void SetDataLineSink(protocol::IDataLineSink* sink) { line_sink_ = sink; }
  // Receives every data frame that is drawn (good checksum, no stop
  // pending); nullptr: none. The sink must outlive the handler or be unset.
  void SetDataFrameSink(protocol::IDataFrameSink* sink) { frame_sink_ = sink; }

  // protocol::IReplySink
  void OnDataFrame(const protocol::DataFrame1& frame, protocol::FrameSpan bytes) override;
  void OnDataFrame(const protocol::DataFrame3& frame, protocol::FrameSpan bytes) override;
  void OnBadDataFrame(protocol::FrameSpan bytes) override;
  void OnReply(const protocol::Reply& reply) override;
  void OnCutReply(protocol::FrameSpan bytes, const protocol::Reply* ack) override;
  void OnSkipped(size_t count) override;
  void OnChunkParsed() override;

 private:
  // The frame line of a good data frame when recording or the line sink want
  // it (nullptr otherwise); handed to the line sink here.
  const std::string* TakeLine(protocol::FrameSpan bytes);
  // What a reply other than a data frame does to the window.
  void Apply(const protocol::Reply& reply);
  // Logs line_ as a bad data frame and counts it.
  void CountBadFrame();
  // Adds a line to the error log, emptying it first when full.
  void LogError(const std::string& line);

  form::TFormState& state_;
  form::TMainControls& controls_;
  protocol::IFormViews& views_;
  protocol::Recorder recorder_;
  protocol::IDataLineSink* line_sink_ = nullptr;
  protocol::IDataFrameSink* frame_sink_ = nullptr;
  std::string line_;  // frame line of the current data frame, storage reused
  // SampleCount1 at the start of the last step, shown at the end of a chunk.
  int32_t counter_at_step_ = 0;
};

}  // namespace pulse::window
