// Frames per second through the receive handler (the frame parser and the
// window's handling of its replies): three-channel frames in 24-byte chunks
// (the serial reader's chunk size), recording switched on.
//
//   bench_protocol [runs] [frames-per-run]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "form/form_state.h"
#include "form/main_controls.h"
#include "protocol/command_frames.h"
#include "protocol/frame_parser.h"
#include "window/reply_handler.h"

using namespace pulse::form;

namespace {

constexpr size_t kChunk = 24;
constexpr int kSweepSamples = 4000;  // 20 s at 200/s, where the views restart

// Views that cost next to nothing but keep the values alive and restart the
// counter as the sweep does.
class SinkViews : public pulse::protocol::IFormViews {
 public:
  explicit SinkViews(TFormState& state) : state_(state) {}
  void ShowFrame3(double t, double y1, double s1, double y2, double s2, double y3,
                  double s3) override {
    sum += t + y1 + s1 + y2 + s2 + y3 + s3;
    if (state_.SampleCount1 >= kSweepSamples) state_.SampleCount1 = 0;
  }
  void ShowChannel1(bool, double t, double y, double s) override { sum += t + y + s; }
  void ShowChannel2(double, double, double) override {}
  void ShowChannel3(double, double, double) override {}
  void ResetAxes() override {}
  void ShowSamplingState(bool) override {}
  double sum = 0;

 private:
  TFormState& state_;
};

std::vector<uint8_t> MakeStream(size_t frames) {
  std::vector<uint8_t> out;
  out.reserve(frames * 17);
  uint32_t x = 12345;
  for (size_t i = 0; i < frames; ++i) {
    uint8_t f[17] = {0xF0, 0x1F, 0x0D, 0x34};
    for (int k = 4; k < 16; ++k) {
      x = x * 1103515245u + 12345u;
      f[k] = static_cast<uint8_t>(x >> 16);
    }
    f[16] = pulse::protocol::Checksum(f, 16);
    out.insert(out.end(), f, f + 17);
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  const size_t frames = argc > 2 ? static_cast<size_t>(std::max(1, std::atoi(argv[2]))) : 2000000;
  const std::vector<uint8_t> stream = MakeStream(frames);

  std::vector<double> rates;
  double sink = 0;
  size_t recorded = 0;
  for (int r = 0; r < runs; ++r) {
    TFormState state;
    TMainControls controls;
    controls.CheckBox1.checked = true;
    SinkViews views(state);
    pulse::window::ReplyHandler replies(state, controls, views);
    pulse::protocol::FrameParser parser(replies);

    const auto t0 = std::chrono::steady_clock::now();
    for (size_t i = 0; i < stream.size(); i += kChunk) {
      const size_t n = std::min(kChunk, stream.size() - i);
      parser.Comm321ReceiveData(stream.data() + i, static_cast<uint16_t>(n));
    }
    const double secs =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (state.ErrorCount != 0) {
      std::fprintf(stderr, "unexpected checksum failures: %d\n", state.ErrorCount);
      return 1;
    }
    rates.push_back(static_cast<double>(frames) / secs);
    sink += views.sum;
    recorded = state.RecordList.size();
    std::printf("run %d: %.0f frames/s\n", r + 1, rates.back());
  }
  std::sort(rates.begin(), rates.end());
  std::printf(
      "median: %.0f frames/s over %d runs of %zu frames (24-byte chunks, recording on, %zu lines "
      "kept)\n",
      rates[rates.size() / 2], runs, frames, recorded);
  return sink == 0.123 ? 2 : 0;  // keeps the view sums observable
}
