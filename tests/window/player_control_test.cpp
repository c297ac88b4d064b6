// The player in the window: what the views show at a position, the file's
// rate and gaps, playback on the host's timed steps, the pulse analysis fed
// from it, and that nothing played is recorded.
#include "window/player_control.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "protocol/units.h"
#include "records/session_metadata.h"
#include "tests/analysis/synthetic_pulse.h"
#include "tests/records/record_test_support.h"
#include "tests/support/form_fixture.h"

namespace {

using pulse::window::LiveAnalysis;
using pulse::window::PlayerAction;
using pulse::window::PlayerControl;
using pulse::window::PlayerKey;
using pulse::window::PlayerSpeed;
using pulse::test::FakeViewPlot;

constexpr double kRawPerHpa = 1000.0;  // wave values count 0.001 hPa
constexpr double kBpm = 72.0;
const std::string kDamaged = "F0 1F 0D zz torn by an editor";

// Raw wave value of channel c at frame i: a steady pulse, shifted per channel.
struct PulseFile {
  std::vector<int16_t> wave;  // channel 0; channel c is wave[i] + 100 * c
  std::vector<size_t> damaged;

  static int16_t Static(size_t i, int c) { return static_cast<int16_t>(400 + 50 * c + i % 7); }
  int16_t Wave(size_t i, int c) const { return static_cast<int16_t>(wave[i] + 100 * c); }

  void Write(const std::string& path) const {
    std::ofstream out(path, std::ios::binary);
    for (size_t i = 0; i < wave.size(); ++i) {
      if (std::find(damaged.begin(), damaged.end(), i) != damaged.end()) {
        out << kDamaged << "\r\n";
        continue;
      }
      pulse::test::Raw3 r{};
      for (int c = 0; c < 3; ++c) {
        r.s[c] = Static(i, c);
        r.w[c] = Wave(i, c);
      }
      out << pulse::test::Line3(r) << "\r\n";
    }
  }
};

PulseFile MakePulse(double rate, double seconds) {
  using pulse::test::SteadyBeats;
  using pulse::test::SynthesiseWave;
  const std::vector<double> hpa =
      SynthesiseWave(SteadyBeats(kBpm, seconds), rate, seconds, {.level = -4.0});
  PulseFile f;
  for (double v : hpa) f.wave.push_back(static_cast<int16_t>(std::lround(v * 8 * kRawPerHpa)));
  return f;
}

void WriteRate(const std::string& record, double rate) {
  pulse::records::SessionMetadata md;
  md.sample_rate = rate;
  ASSERT_EQ(pulse::records::WriteMetadataFile(pulse::records::MetadataPathFor(record), md), "");
}

class FakeMarks : public pulse::window::IBeatMarks {
 public:
  void AddBeat(double ox, double, double px, double) override {
    onsets.push_back(ox);
    peaks.push_back(px);
  }
  void ClearBeats() override {
    onsets.clear();
    peaks.clear();
  }
  void ShowBeats(bool) override {}
  std::vector<double> onsets, peaks;
};

// ---- the player inside the window -------------------------------------------------------

class PlayerInForm : public pulse::test::FormFixture {
 protected:
  void SetUp() override { MakeForm(); }
  std::string Load(const PulseFile& f, std::optional<double> rate) {
    const std::string path = dir_ + "rec.txt";
    f.Write(path);
    if (rate) WriteRate(path, *rate);
    host_.open_name = path;
    form_->Button18Click();
    return path;
  }
  PlayerControl& ThePlayer() { return form_->Player(); }
  double Wave(const PulseFile& f, size_t i, int c) {
    return pulse::protocol::WaveValueOfRaw(f.Wave(i, c), S().UnitFactor);
  }
};

TEST_F(PlayerInForm, ViewsShowTheWaveUpToThePositionInSecondsOfTheFile) {
  const PulseFile f = MakePulse(250, 40);
  Load(f, 250.0);
  ASSERT_TRUE(ThePlayer().Loaded());
  EXPECT_EQ(ThePlayer().Get()->Rate(), 250);
  EXPECT_EQ(p1_.points.size(), 0u) << "载入 alone draws nothing";

  ThePlayer().SeekSeconds(30.0);  // frame 7500
  ASSERT_FALSE(p1_.points.empty());
  // The view spans its 20 s and ends at the position.
  EXPECT_DOUBLE_EQ(p1_.Range(pulse::window::ViewAxis::kTime).first, 10.0);
  EXPECT_DOUBLE_EQ(p1_.Range(pulse::window::ViewAxis::kTime).second, 30.0);
  for (FakeViewPlot* p : {&p1_, &p2_, &p3_}) {
    EXPECT_DOUBLE_EQ(p->points.front().first, 10.0);
    EXPECT_DOUBLE_EQ(p->points.back().first, 30.0);
    EXPECT_EQ(p->points.size(), 20u * 250 + 1);
  }
  EXPECT_DOUBLE_EQ(p1_.points.back().second, Wave(f, 7500, 0));
  EXPECT_DOUBLE_EQ(p3_.points.back().second, Wave(f, 7500, 2));
  EXPECT_DOUBLE_EQ(p2_.points[1].second, Wave(f, 2501, 1));
  EXPECT_EQ(C().P_jy2.Caption, pulse::protocol::FormatFixed2(pulse::protocol::StaticValueOfRaw(
                                   PulseFile::Static(7500, 1), S().UnitFactor)));
  EXPECT_EQ(*ThePlayer().ShownFrame(), 7500u);
  EXPECT_NE(ThePlayer().Bar().position_text.find("30.00/40.00 s  帧 7501/10000"), std::string::npos)
      << ThePlayer().Bar().position_text;

  // Early in the file the view starts at 0.
  ThePlayer().SeekFrame(250);
  EXPECT_DOUBLE_EQ(p1_.Range(pulse::window::ViewAxis::kTime).first, 0.0);
  EXPECT_DOUBLE_EQ(p1_.points.back().first, 1.0);
  EXPECT_EQ(p1_.points.size(), 251u);
}

TEST_F(PlayerInForm, WithoutMetadataTheFileRunsAt200PerSecond) {
  Load(MakePulse(200, 12), std::nullopt);
  EXPECT_EQ(ThePlayer().Get()->Rate(), 200);
  ThePlayer().SeekSeconds(5.0);
  EXPECT_EQ(*ThePlayer().ShownFrame(), 1000u);
  EXPECT_DOUBLE_EQ(p1_.points.back().first, 5.0);
}

TEST_F(PlayerInForm, DamagedLinesAreGapsAndStepsCrossThem) {
  PulseFile f = MakePulse(200, 6);
  f.damaged = {300, 301, 1199};
  Load(f, std::nullopt);
  ThePlayer().SeekFrame(400);
  ASSERT_EQ(p1_.points.size(), 401u);
  EXPECT_TRUE(std::isnan(p1_.points[300].second));
  EXPECT_TRUE(std::isnan(p2_.points[301].second));
  EXPECT_FALSE(std::isnan(p1_.points[299].second));
  EXPECT_FALSE(std::isnan(p3_.points[302].second));
  // On a damaged frame itself: the read-outs say so, the next step goes on.
  ThePlayer().SeekFrame(1198);
  ThePlayer().Apply(PlayerAction::kStepForward);
  EXPECT_EQ(*ThePlayer().ShownFrame(), 1199u);
  EXPECT_EQ(C().P_jy1.Caption, "--");
  EXPECT_TRUE(std::isnan(p1_.points.back().second));
  ThePlayer().Apply(PlayerAction::kStepForward);  // the last frame
  EXPECT_EQ(*ThePlayer().ShownFrame(), 1199u);
}

TEST_F(PlayerInForm, PlayingReachesNeitherTheRollingRecordNorASession) {
  const PulseFile f = MakePulse(200, 30);
  Load(f, std::nullopt);
  C().CheckBox1.checked = true;  // 记录数据
  const std::string session = dir_ + "session.txt";
  ASSERT_EQ(form_->StartSession(session), "");
  ThePlayer().SetSpeed(PlayerSpeed::kFastest);
  ThePlayer().TogglePlay();
  // The host runs the player's timed steps until it stops at the end.
  for (int i = 0; i < 100 && ThePlayer().Get()->Playing(); ++i) {
    ASSERT_FALSE(host_.delayed.empty()) << "a playing player always has its next step due";
    host_.RunDelayed();
    form_->Timer1Timer();
  }
  EXPECT_FALSE(ThePlayer().Get()->Playing());
  EXPECT_EQ(ThePlayer().Get()->Position(), f.wave.size() - 1);
  EXPECT_TRUE(S().RecordList.empty());
  form_->SessionClick();  // ends the session
  EXPECT_EQ(pulse::test::ReadAll(session), "");
  EXPECT_TRUE(host_.errors.empty()) << host_.errors.front();
}

TEST_F(PlayerInForm, SimulateAndThePlayerTakeTheViewsFromEachOther) {
  Load(MakePulse(200, 10), std::nullopt);
  ThePlayer().TogglePlay();
  form_->Button19Click();  // 模拟
  EXPECT_FALSE(ThePlayer().Get()->Playing());
  EXPECT_TRUE(S().Replaying);
  ThePlayer().Apply(PlayerAction::kJumpForward);
  EXPECT_FALSE(S().Replaying);
}

TEST_F(PlayerInForm, ALoadThatFailsKeepsTheEarlierFile) {
  Load(MakePulse(200, 2), std::nullopt);
  ASSERT_TRUE(ThePlayer().Loaded());
  host_.open_name = dir_;  // a folder
  form_->Button18Click();
  EXPECT_FALSE(host_.errors.empty());
  // The earlier file stays loaded, as its lines do.
  EXPECT_TRUE(ThePlayer().Loaded());
}

// ---- the player with its own clock --------------------------------------------------------

class PlayerClock : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = temp_.Slash();
    analysis_.SetMarks({&m1_, &m2_, &m3_});
    player_.before_draw = [this] { ++draws_; };
  }
  void Load(const PulseFile& f) {
    f.Write(dir_ + "rec.txt");
    ASSERT_EQ(player_.Load(dir_ + "rec.txt"), "");
  }
  // Moves the clock on and runs the steps that are due, as the host does.
  void Run(std::chrono::milliseconds total) {
    for (auto t = std::chrono::milliseconds(0); t < total;
         t += std::chrono::milliseconds(PlayerControl::kTickMs)) {
      now_ += std::chrono::milliseconds(PlayerControl::kTickMs);
      auto steps = std::move(steps_);
      steps_.clear();
      for (auto& s : steps) s();
      analysis_.Tick(LiveAnalysis::Clock::now());
    }
  }

  pulse::form::TFormState state_;
  pulse::form::TMainControls controls_;
  FakeViewPlot p1_, p2_, p3_;
  FakeMarks m1_, m2_, m3_;
  LiveAnalysis analysis_{state_, controls_};
  std::vector<std::function<void()>> steps_;
  PlayerControl::Clock::time_point now_{};
  PlayerControl player_{state_,
                        controls_,
                        {&p1_, &p2_, &p3_},
                        analysis_,
                        [this](int ms, std::function<void()> step) {
                          EXPECT_EQ(ms, PlayerControl::kTickMs);
                          steps_.push_back(std::move(step));
                        },
                        [this] { return now_; }};
  pulse::test::TempDir temp_{"player-control"};
  std::string dir_;
  int draws_ = 0;
};

TEST_F(PlayerClock, PlaysAtTheChosenSpeedOnTheHostsSteps) {
  Load(MakePulse(200, 10));
  player_.SetSpeed(PlayerSpeed::kTwo);
  player_.TogglePlay();
  EXPECT_TRUE(player_.Bar().playing);
  ASSERT_EQ(steps_.size(), 1u);
  Run(std::chrono::milliseconds(PlayerControl::kTickMs * 15));  // 0.495 s of wall time
  // 2x at 200 per second: 198 frames, one step never scheduled twice.
  EXPECT_EQ(player_.Get()->Position(), 198u);
  EXPECT_EQ(steps_.size(), 1u);
  EXPECT_DOUBLE_EQ(p1_.points.back().first, 0.99);
  player_.Pause();
  Run(std::chrono::milliseconds(500));
  EXPECT_EQ(player_.Get()->Position(), 198u);
  EXPECT_TRUE(steps_.empty()) << "a paused player asks for no more steps";
  // Played to the end it pauses on the last frame.
  player_.SetSpeed(PlayerSpeed::kEight);
  player_.TogglePlay();
  Run(std::chrono::seconds(2));
  EXPECT_EQ(player_.Get()->Position(), 1999u);
  EXPECT_FALSE(player_.Bar().playing);
  EXPECT_TRUE(steps_.empty());
}

TEST_F(PlayerClock, BeatMarksAndRateAppearDuringPlaybackAtTheFilesTimes) {
  Load(MakePulse(200, 20));
  player_.TogglePlay();
  Run(std::chrono::seconds(12));
  const double shown = player_.Get()->PositionSeconds();
  ASSERT_GT(shown, 11.0);
  ASSERT_GE(m1_.onsets.size(), 8u);
  ASSERT_FALSE(m3_.onsets.empty());
  // The synthetic beats start at 0.3 s and follow every 60/72 s.
  const double period = 60.0 / kBpm;
  for (double onset : m1_.onsets) {
    EXPECT_LE(onset, shown);
    const double k = std::round((onset - 0.3) / period);
    EXPECT_NEAR(onset, 0.3 + k * period, 0.03) << "an onset off the true beat";
  }
  const std::string text = analysis_.Readout(0).text;
  ASSERT_NE(text.find("bpm"), std::string::npos) << text;
  const int bpm = std::stoi(text.substr(text.find(' ') + 1));
  EXPECT_NEAR(bpm, kBpm, 2) << text;

  // Back to 4 s: the marks of later beats go, those the window shows come again.
  player_.SeekSeconds(4.0);
  ASSERT_FALSE(m1_.onsets.empty());
  for (double onset : m1_.onsets) EXPECT_LE(onset, 4.0);
}

TEST_F(PlayerClock, KeysStepJumpAndToggle) {
  Load(MakePulse(200, 20));
  EXPECT_TRUE(player_.Key(PlayerKey::kRight, false));
  EXPECT_EQ(player_.Get()->Position(), 1u);
  EXPECT_TRUE(player_.Key(PlayerKey::kRight, true));
  EXPECT_EQ(player_.Get()->Position(), 1001u);
  EXPECT_TRUE(player_.Key(PlayerKey::kSpace, false));
  EXPECT_TRUE(player_.Get()->Playing());
  EXPECT_TRUE(player_.Key(PlayerKey::kLeft, true));  // a jump pauses
  EXPECT_FALSE(player_.Get()->Playing());
  EXPECT_EQ(player_.Get()->Position(), 1u);
  EXPECT_FALSE(player_.Key(PlayerKey::kOther, false));
  EXPECT_EQ(*player_.ShownFrame(), 1u);
  EXPECT_GT(draws_, 0);
  player_.Unload();
  EXPECT_FALSE(player_.Key(PlayerKey::kSpace, false)) << "nothing loaded: not the player's key";
  EXPECT_FALSE(player_.Bar().enabled);
}

}  // namespace
