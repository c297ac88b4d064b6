// Feeds arbitrary chunk sequences into the frame parser and the window's
// handling of its replies, and checks what must hold after every chunk.
//
// Input: one byte of options, then records of a length byte followed by that
// many chunk bytes. Length 0xFF takes the next two bytes as the length (to
// reach chunks over the 2048-byte limit); 0xFE toggles a pending stop.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "form/form_state.h"
#include "form/main_controls.h"
#include "protocol/frame_kinds.h"
#include "protocol/frame_parser.h"
#include "protocol/units.h"
#include "window/reply_handler.h"

using namespace pulse::form;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// Does what the real views do with the values, including the division by
// the rate, and optionally empties the buffer on a sweep restart the way an
// older view did.
class FuzzViews : public pulse::protocol::IFormViews {
 public:
  FuzzViews(TFormState& state, bool clear_on_sweep) : state_(state), clear_(clear_on_sweep) {}
  void Attach(pulse::protocol::FrameParser* parser) { parser_ = parser; }

  void ShowFrame3(double t, double, double s1, double, double s2, double, double s3) override {
    Sample(t);
    readout_ = pulse::protocol::FormatFixed2(s1) + pulse::protocol::FormatFixed2(s2) +
               pulse::protocol::FormatFixed2(s3);
  }
  void ShowChannel1(bool, double t, double, double s) override {
    Sample(t);
    readout_ = pulse::protocol::FormatFixed2(s);
  }
  void ShowChannel2(double, double, double) override {}
  void ShowChannel3(double, double, double) override {}
  void ResetAxes() override { Check(state_.SampleRate > 0); }
  void ShowSamplingState(bool) override {}

 private:
  void Sample(double t) {
    const int count = static_cast<int>(t);
    Check(count == state_.SampleCount1);
    // Integer division: a zero rate would be caught as undefined behaviour.
    if (count / state_.SampleRate >= pulse::protocol::kRecordSeconds) {
      state_.SampleCount1 = 0;
      if (clear_ && parser_ != nullptr) parser_->Buffer().Clear();
    }
  }

  TFormState& state_;
  bool clear_;
  pulse::protocol::FrameParser* parser_ = nullptr;
  std::string readout_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t options = data[0];
  TFormState state;
  TMainControls controls;
  controls.CheckBox1.checked = options & 1;
  controls.ch_jy.checked = options & 2;
  state.StopPending = options & 4;
  state.UnitFactor = pulse::protocol::UnitFactorFor((options >> 4) & 3, state.UnitFactor);
  FuzzViews views(state, options & 8);
  pulse::window::ReplyHandler replies(state, controls, views);
  pulse::protocol::FrameParser parser(replies);
  views.Attach(&parser);

  size_t i = 1;
  while (i < size) {
    size_t len = data[i++];
    if (len == 0xFE) {
      state.StopPending = !state.StopPending;
      continue;
    }
    if (len == 0xFF) {
      if (i + 2 > size) break;
      len = data[i] | (data[i + 1] << 8);
      i += 2;
    }
    if (len > size - i) len = size - i;
    parser.Comm321ReceiveData(data + i, static_cast<uint16_t>(len));
    i += len;

    const auto& buf = parser.Buffer();
    Check(buf.ReadPos() <= buf.WritePos() &&
          buf.WritePos() <= pulse::protocol::ReceiveBuffer::kCapacity);
    // Whatever is left is either too short to parse or a frame that waits for
    // the bytes that decide it: at most its span plus a frame begun inside it.
    if (buf.UnparsedSize() >= 5) {
      const auto* kind = pulse::protocol::FindFrameKind(buf.Unparsed());
      Check(kind != nullptr && buf.UnparsedSize() < kind->Size() + pulse::protocol::kLongestFrame);
    }
    Check(state.SampleRate > 0);
    Check(controls.Memo1.lines.Count() <= pulse::window::kMemoMaxLines + 1);
    Check(state.ErrorCount >= 0 && state.SampleCount1 >= 0);
  }
  return 0;
}
