// The parser and the views together: live frames across sweep restarts.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "protocol/frame_parser.h"
#include "tests/support/fake_view_plot.h"
#include "window/reply_handler.h"
#include "window/views.h"

using namespace pulse::form;

namespace pulse::window {
namespace {

using test::FakeViewPlot;

// Counts the samples the parser hands over, then lets the views draw them.
class CountingViews : public protocol::IFormViews {
 public:
  explicit CountingViews(WaveViews& views) : views_(views) {}
  void ShowFrame3(double t, double y1, double s1, double y2, double s2, double y3,
                  double s3) override {
    ++frames;
    views_.ShowFrame3(t, y1, s1, y2, s2, y3, s3);
  }
  void ShowChannel1(bool scroll, double t, double y, double s) override {
    ++frames;
    views_.ShowChannel1(scroll, t, y, s);
  }
  void ShowChannel2(double t, double y, double s) override { views_.ShowChannel2(t, y, s); }
  void ShowChannel3(double t, double y, double s) override { views_.ShowChannel3(t, y, s); }
  void ResetAxes() override { views_.ResetAxes(); }
  void ShowSamplingState(bool on) override { views_.ShowSamplingState(on); }
  int frames = 0;

 private:
  WaveViews& views_;
};

std::vector<uint8_t> ThreeChannelFrame(int i) {
  std::vector<uint8_t> f = {0xF0, 0x1F, 0x0D, 0x34};
  for (int c = 0; c < 6; ++c) {
    f.push_back(static_cast<uint8_t>(i + c));
    f.push_back(0);
  }
  unsigned sum = 0;
  for (uint8_t b : f) sum += b;
  f.push_back(static_cast<uint8_t>(sum));
  return f;
}

TEST(SweepWithParser, NoFrameIsLostAroundSweepRestarts) {
  TFormState state;
  TMainControls controls;
  FakeViewPlot plot[3];
  WaveViews views(state, controls, {&plot[0], &plot[1], &plot[2]});
  views.ResetAxes();
  CountingViews counting(views);
  ReplyHandler replies(state, controls, counting);
  protocol::FrameParser parser(replies);

  // One frame per chunk, the way the serial link delivers them; 20 s at 200
  // frames per second restart the sweep at frames 4000 and 8000.
  const int kFrames = 8003;
  for (int i = 0; i < kFrames; ++i) {
    const std::vector<uint8_t> frame = ThreeChannelFrame(i % 100);
    parser.Comm321ReceiveData(frame.data(), static_cast<uint16_t>(frame.size()));
  }
  EXPECT_EQ(counting.frames, kFrames);
  EXPECT_EQ(state.SampleCount1, 3);
  EXPECT_EQ(plot[0].clears, 2);
  // Sample 5 of the third sweep is drawn at 25 ms once it arrives.
  for (int i = 0; i < 2; ++i) {
    const std::vector<uint8_t> frame = ThreeChannelFrame(0);
    parser.Comm321ReceiveData(frame.data(), static_cast<uint16_t>(frame.size()));
  }
  ASSERT_EQ(plot[1].points.size(), 1u);
  EXPECT_DOUBLE_EQ(plot[1].points[0].first, 0.025);
}

}  // namespace
}  // namespace pulse::window
