// The whole receiving road and the record round trip: the virtual sensor on a
// pseudo-terminal, the real serial link, the window logic and three plots as
// the main window configures them, painted as a 60 Hz screen would.
#include <gtest/gtest.h>

#include "tests/views/counting_view.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "protocol/units.h"
#include "tests/support/form_fixture.h"
#include "tools/virtual-sensor/virtual_sensor.h"
#include "window/view_plot_setup.h"

using namespace pulse::form;
using namespace pulse::plot;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using pulse::test::FakeHost;
using pulse::window::IViewPlot;
using pulse::window::TForm1;
using pulse::window::ViewAxis;

constexpr int kDefaultSeconds = 30;
// Short of the record's 20 s, so that it keeps every line of the faulty run.
constexpr int kFaultySeconds = 12;
// Samples in one 20 s sweep at 200 per second: the counter restarts there.
constexpr int kSweepSamples = 4000;
constexpr auto kScreenRefresh = 16ms;
constexpr auto kTimerTick = 100ms;
constexpr auto kCheckEvery = 2s;

int StreamSeconds() {
  const char* env = std::getenv("PULSE_E2E_SECONDS");
  const int s = env ? std::atoi(env) : 0;
  return s > 0 ? s : kDefaultSeconds;
}

using pulse::test::CountingView;

std::vector<uint8_t> LineBytes(const std::string& line) {
  std::vector<uint8_t> bytes;
  std::istringstream in(line);
  std::string token;
  while (in >> token) bytes.push_back(static_cast<uint8_t>(std::stoul(token, nullptr, 16)));
  return bytes;
}

// Hex lines of the data frames the sensor logged under `kind` ("intact", "bad", "short").
std::vector<std::string> LoggedFrames(const std::string& log, const std::string& kind) {
  std::ifstream in(log);
  std::vector<std::string> out;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(kind + " ", 0) == 0) out.push_back(line.substr(kind.size() + 1));
  }
  return out;
}

// A whole data frame with a correct checksum.
bool IsGoodFrameLine(const std::string& line) {
  const std::vector<uint8_t> b = LineBytes(line);
  if (b.size() != 9 && b.size() != 17) return false;
  unsigned sum = 0;
  for (size_t i = 0; i + 1 < b.size(); ++i) sum += b[i];
  return static_cast<uint8_t>(sum) == b.back();
}

// Whether the line starts with a data frame header that survived the loss.
bool HasDataHeader(const std::string& line) {
  const std::vector<uint8_t> b = LineBytes(line);
  return b.size() >= 4 && b[0] == 0xF0 && b[1] == 0x1F && (b[2] == 0x05 || b[2] == 0x0D) &&
         b[3] == 0x34;
}

class Form1EndToEnd : public ::testing::Test {
 protected:
  Form1EndToEnd() : sets_(pulse::window::MakeViewPlotSets()) {
    counting_.reserve(3);
    for (int k = 0; k < 3; ++k) {
      sets_[k]->Plot().SetSize(pulse::window::kViewPlotWidth, pulse::window::kViewPlotHeight);
      counting_.emplace_back(sets_[k]->View());
    }
  }
  void TearDown() override {
    form_.reset();
    temp_.reset();
  }

  void MakeForm(const std::string& slave) {
    temp_.emplace("form1-e2e");
    dir_ = temp_->Slash();
    pulse::window::FormOptions options;
    options.exe_dir = dir_;
    options.settings_dir = dir_;
    options.port_mappings = {"COM1=" + slave};
    form_ = std::make_unique<TForm1>(
        host_, queue_, std::array<IViewPlot*, 3>{&counting_[0], &counting_[1], &counting_[2]},
        options);
    form_->FormCreate();
  }

  // Plays the main thread for a while: posted chunks, the screen refresh and
  // the timer, as the event loop would.
  void Run(Clock::duration how_long) {
    RunUntil([] { return false; }, how_long);
  }
  bool RunUntil(const std::function<bool()>& done, Clock::duration timeout) {
    const auto end = Clock::now() + timeout;
    while (Clock::now() < end) {
      queue_.WaitAndDispatch(2ms);
      Refresh();
      if (done()) return true;
    }
    return done();
  }
  void PaintScreen() {
    for (auto& s : sets_)
      if (s->Plot().NeedsPaint()) s->Plot().Paint();
  }
  void Refresh() {
    const auto now = Clock::now();
    if (now >= next_paint_) {
      PaintScreen();
      next_paint_ = now + kScreenRefresh;
    }
    if (now >= next_tick_) {
      form_->Timer1Timer();
      next_tick_ = now + kTimerTick;
    }
  }
  // Frames drawn since streaming began: whole sweeps plus the running counter.
  std::int64_t FramesParsed() const {
    return Restarts() * kSweepSamples + form_->State().SampleCount1;
  }

  std::int64_t Restarts() const { return counting_[0].clears - clears_base_; }

  FakeHost host_;
  pulse::comm::ManualQueue queue_;
  pulse::window::ViewPlotSets sets_;
  std::vector<CountingView> counting_;
  std::unique_ptr<TForm1> form_;
  std::optional<pulse::test::TempDir> temp_;
  std::string dir_;
  std::int64_t clears_base_ = 0;
  Clock::time_point next_paint_{}, next_tick_{};
};

TEST_F(Form1EndToEnd, StreamRecordSaveLoadReplay) {
  pulse::vsensor::Options o;
  o.split = true;
  o.noise = 0.05;
  pulse::vsensor::VirtualSensor sensor(o);
  sensor.Start();
  MakeForm(sensor.SlavePath());
  TFormState& s = form_->State();
  TMainControls& c = form_->Controls();
  c.CheckBox1.checked = true;

  form_->Bt_openClick();
  ASSERT_TRUE(s.PortOpen) << c.StatusBar1.Panel(StatusPanel::kLinkState).text;
  host_.RunDelayed();  // the stop that follows every open
  ASSERT_TRUE(form_->StopAfterOpenSent());
  ASSERT_TRUE(RunUntil([&] { return !s.StopPending; }, 5s));

  // The start-up cleared the views; restarts count from here.
  clears_base_ = counting_[0].clears;
  form_->bt_startClick();
  ASSERT_TRUE(RunUntil([&] { return s.Sampling && s.SampleCount1 > 0; }, 5s))
      << c.StatusBar1.Panel(StatusPanel::kLinkState).text << " / "
      << c.StatusBar1.Panel(StatusPanel::kSendResult).text << " / "
      << c.StatusBar1.Panel(StatusPanel::kDeviceReply).text << " / " << s.SampleCount1;

  const int seconds = StreamSeconds();
  const auto end = Clock::now() + std::chrono::seconds(seconds);
  int checks = 0;
  while (Clock::now() < end) {
    Run(kCheckEvery);
    // Every frame sent intact so far is drawn, none more, also across restarts.
    const std::uint64_t sent = sensor.GetStats().data_frames_intact;
    ASSERT_TRUE(RunUntil([&] { return FramesParsed() >= static_cast<std::int64_t>(sent); }, 5s))
        << FramesParsed() << " of " << sent << " after " << Restarts() << " restarts";
    // The sensor counts a frame just after its last byte is written, so the host can be one
    // ahead for a moment; a frame parsed that was never sent stays ahead.
    const std::int64_t parsed = FramesParsed();
    EXPECT_TRUE(RunUntil(
        [&] { return static_cast<std::int64_t>(sensor.GetStats().data_frames_intact) >= parsed; },
        1s))
        << parsed << " parsed, " << sensor.GetStats().data_frames_intact << " sent";
    // The trace holds every 5th sample of the current sweep.
    EXPECT_EQ(sets_[0]->Line().Count(), s.SampleCount1 / 5);
    EXPECT_EQ(sets_[2]->Line().Count(), s.SampleCount1 / 5);
    ++checks;
  }
  EXPECT_GE(checks, seconds / 3);
  EXPECT_GE(Restarts(), 1) << "the stream never crossed a sweep restart";
  EXPECT_EQ(s.ErrorCount, 0);
  const pulse::vsensor::Stats streamed = sensor.GetStats();
  EXPECT_GT(streamed.noise_bursts, 0u);
  EXPECT_GT(streamed.split_frames, 0u);
  EXPECT_EQ(streamed.data_frames_discarded, 0u);

  form_->bt_startClick();
  ASSERT_TRUE(RunUntil([&] { return !s.StopPending; }, 5s));
  EXPECT_FALSE(s.Sampling);

  // The record keeps the last 20 s: 4001 lines at 200 per second, one fewer
  // once a step without a recorded frame (the stop's reply) has trimmed it.
  const std::vector<std::string> recorded(s.RecordList.begin(), s.RecordList.end());
  ASSERT_GE(recorded.size(), static_cast<size_t>(s.SampleRate * 20));
  ASSERT_LE(recorded.size(), static_cast<size_t>(s.SampleRate * 20 + 1));
  for (const std::string& line : recorded) ASSERT_EQ(line.rfind("F0 1F 0D 34 ", 0), 0u) << line;

  host_.save_name = dir_ + "record";
  form_->Button20Click();
  ASSERT_TRUE(host_.errors.empty()) << host_.errors.front();
  const std::string path = dir_ + "record.txt";
  {
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in.good());
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string expected;
    for (const std::string& line : recorded) expected += line + "\r\n";
    EXPECT_EQ(text, expected);
  }

  host_.open_name = path;
  form_->Button18Click();
  ASSERT_TRUE(host_.errors.empty()) << host_.errors.front();
  ASSERT_TRUE(s.ReplayList.has_value());
  EXPECT_EQ(*s.ReplayList, recorded);
  EXPECT_EQ(c.Memo1.lines.Items(), recorded);

  form_->Button19Click();
  ASSERT_TRUE(s.Replaying);
  EXPECT_EQ(form_->TimerInterval(), pulse::window::kReplayIntervalMs);
  size_t ticks = 0;
  while (s.Replaying && ticks < recorded.size() + 10) {
    form_->Timer1Timer();
    ++ticks;
    if (ticks % 50 == 0) PaintScreen();  // the screen keeps up as it would at 10 ms ticks
  }
  EXPECT_FALSE(s.Replaying);
  EXPECT_EQ(ticks, recorded.size() + 1);  // one line a tick, then the ending tick
  EXPECT_EQ(form_->TimerInterval(), pulse::window::kIdleIntervalMs);

  // Line for line: view 1 scrolls and keeps every replayed sample in order;
  // views 2 and 3 restart after 4000 samples.
  const int n = static_cast<int>(recorded.size());
  EXPECT_EQ(s.SampleCount1, n);
  EXPECT_EQ(s.SampleCount2, n - kSweepSamples);
  EXPECT_EQ(s.SampleCount3, n - kSweepSamples);
  Tsp_XYLine& line1 = sets_[0]->Line();
  ASSERT_EQ(line1.Count(), n);
  EXPECT_EQ(sets_[1]->Line().Count(), n - kSweepSamples);
  for (int i = 0; i < n; ++i) {
    const std::vector<uint8_t> b = LineBytes(recorded[static_cast<size_t>(i)]);
    ASSERT_EQ(b.size(), 17u);
    ASSERT_DOUBLE_EQ(line1.X(i), (i + 1) / 200.0) << i;
    ASSERT_DOUBLE_EQ(line1.Y(i), pulse::protocol::WaveValue(b[6], b[7], s.UnitFactor)) << i;
  }
  const std::vector<uint8_t> last = LineBytes(recorded.back());
  EXPECT_EQ(c.P_jy3.Caption, pulse::protocol::FormatFixed2(
                                 pulse::protocol::StaticValue(last[12], last[13], s.UnitFactor)));
  // Scrolled: the time window ends at the last sample.
  EXPECT_NEAR(sets_[0]->Plot().BottomAxis().Max(), n / 200.0, 1e-9);

  form_->Bt_openClick();
  EXPECT_FALSE(s.PortOpen);
}

// A line that drops bytes, among noise, bad checksums and split frames: every data frame sent
// intact until the stop is drawn and recorded, in order, and no damaged one in its place; every
// damaged one is recorded as far as it went.
TEST_F(Form1EndToEnd, LineDroppingBytesLosesNoIntactFrame) {
  const pulse::test::TempDir log_temp("form1-e2e-frame-log");
  const std::string log_dir = log_temp.Slash();
  pulse::vsensor::Options o;
  o.split = true;
  o.noise = 0.05;
  o.bad_checksum = 0.02;
  o.lose_bytes = 0.05;
  o.frame_log = log_dir + "sent.log";
  pulse::vsensor::VirtualSensor sensor(o);
  sensor.Start();
  MakeForm(sensor.SlavePath());
  TFormState& s = form_->State();
  TMainControls& c = form_->Controls();
  const pulse::protocol::FrameParser& parser = form_->Parser();
  c.CheckBox1.checked = true;

  form_->Bt_openClick();
  ASSERT_TRUE(s.PortOpen) << c.StatusBar1.Panel(StatusPanel::kLinkState).text;
  host_.RunDelayed();
  ASSERT_TRUE(RunUntil([&] { return !s.StopPending; }, 5s));
  clears_base_ = counting_[0].clears;
  form_->bt_startClick();
  ASSERT_TRUE(RunUntil([&] { return s.Sampling && s.SampleCount1 > 0; }, 5s));

  const auto end = Clock::now() + std::chrono::seconds(kFaultySeconds);
  while (Clock::now() < end) {
    Run(kCheckEvery);
    const std::uint64_t sent = sensor.GetStats().data_frames_intact;
    ASSERT_TRUE(RunUntil([&] { return parser.GoodDataFrames() >= sent; }, 5s))
        << parser.GoodDataFrames() << " of " << sent;
    EXPECT_LE(parser.GoodDataFrames(), sensor.GetStats().data_frames_intact);
    EXPECT_EQ(FramesParsed(), static_cast<std::int64_t>(parser.GoodDataFrames()));
  }
  form_->bt_startClick();
  ASSERT_TRUE(RunUntil([&] { return !s.StopPending; }, 5s));
  Run(100ms);
  sensor.Stop();

  const pulse::vsensor::Stats st = sensor.GetStats();
  EXPECT_GT(st.data_frames_lost_bytes, 0u);
  EXPECT_GT(st.data_frames_bad_checksum, 0u);
  EXPECT_GT(st.noise_bursts, 0u);
  EXPECT_GT(st.split_frames, 0u);
  EXPECT_EQ(st.data_frames_discarded, 0u);
  EXPECT_EQ(parser.GoodDataFrames(), st.data_frames_intact);
  EXPECT_EQ(Restarts(), 0);  // the record kept every line

  // The log lists every data frame the sensor wrote, in order. Frames that arrive while the
  // stop is pending are not drawn nor recorded: at most a second's worth, since an
  // unanswered stop is repeated every 0.5 s and a loaded machine may need the repeat.
  const std::vector<std::string> intact = LoggedFrames(o.frame_log, "intact");
  ASSERT_EQ(intact.size(), st.data_frames_intact);
  const auto drawn = static_cast<size_t>(FramesParsed());
  ASSERT_LE(drawn, intact.size());
  EXPECT_LE(intact.size() - drawn, static_cast<size_t>(s.SampleRate))
      << "intact frames neither drawn nor recorded";
  std::vector<std::string> good_lines, bad_lines;
  for (const std::string& line : s.RecordList) {
    (IsGoodFrameLine(line) ? good_lines : bad_lines).push_back(line);
  }
  EXPECT_EQ(good_lines, std::vector<std::string>(intact.begin(), intact.begin() + drawn));

  // Bad frames: the ones sent with a wrong checksum whole, the short ones that kept their
  // header up to where the next frame began. Both are counted and recorded.
  std::vector<std::string> damaged;
  std::ifstream in(o.frame_log);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("bad ", 0) == 0) damaged.push_back(line.substr(4));
    if (line.rfind("short ", 0) == 0 && HasDataHeader(line.substr(6)))
      damaged.push_back(line.substr(6));
  }
  EXPECT_EQ(static_cast<std::uint64_t>(s.ErrorCount), parser.BadDataFrames());
  EXPECT_EQ(parser.BadDataFrames(), damaged.size());
  ASSERT_LE(bad_lines.size(), damaged.size());
  EXPECT_EQ(bad_lines,
            std::vector<std::string>(
                damaged.begin(), damaged.begin() + static_cast<std::ptrdiff_t>(bad_lines.size())));
  EXPECT_LE(damaged.size() - bad_lines.size(), 5u);

  form_->Bt_openClick();
}

}  // namespace
