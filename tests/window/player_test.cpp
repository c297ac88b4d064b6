#include "window/player.h"
#include "window/player_keys.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "tests/records/record_test_support.h"

namespace {

namespace fs = std::filesystem;
using pulse::window::Player;
using pulse::window::PlayerSpeed;
using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::seconds;

// A record of `frames` good lines with every line in `damaged` replaced by garbage.
class PlayerTest : public ::testing::Test {
 protected:
  void Make(size_t frames, const std::vector<size_t>& damaged = {}) {
    std::string text;
    for (size_t i = 0; i < frames; ++i) {
      const bool bad = std::find(damaged.begin(), damaged.end(), i) != damaged.end();
      text += bad ? std::string("A5 5A ## torn") : pulse::test::Line3(pulse::test::Pattern(i));
      text += "\r\n";
    }
    pulse::test::WriteAll(path_, text);
    auto open = pulse::records::RecordFile::Open(path_.string());
    ASSERT_TRUE(open.file) << open.error;
    file_ = std::move(open.file);
  }

  pulse::test::TempDir temp_{"player-test"};
  fs::path path_ = temp_.Path() / "record.txt";
  std::unique_ptr<pulse::records::RecordFile> file_;
};

TEST_F(PlayerTest, PlaysAtTheFileRateTimesTheSpeedAndStopsAtTheEnd) {
  Make(1000);
  Player player(*file_, 200);
  EXPECT_FALSE(player.Playing());
  EXPECT_EQ(player.Advance(seconds(1)), 0u);  // paused: nothing moves
  player.Play();
  EXPECT_EQ(player.Advance(seconds(1)), 200u);
  player.SetSpeed(PlayerSpeed::kQuarter);
  // 0.25× at 200 Hz is 50 frames/s: 1 frame per 20 ms, the fractions carried over.
  size_t moved = 0;
  for (int i = 0; i < 100; ++i) moved += player.Advance(milliseconds(7));
  EXPECT_EQ(moved, 35u);
  player.SetSpeed(PlayerSpeed::kEight);
  EXPECT_EQ(player.Advance(milliseconds(100)), 160u);
  EXPECT_EQ(player.Position(), 395u);
  player.SetSpeed(PlayerSpeed::kFastest);
  EXPECT_EQ(player.Advance(microseconds(1)), 604u);  // clamped to the last frame
  EXPECT_EQ(player.Position(), 999u);
  EXPECT_FALSE(player.Playing());
  player.Play();  // again from the start
  EXPECT_EQ(player.Position(), 0u);
  EXPECT_TRUE(player.Playing());
  player.TogglePlay();
  EXPECT_FALSE(player.Playing());
}

TEST_F(PlayerTest, SeeksStepsAndJumpsToTheFrame) {
  Make(3000);
  Player player(*file_, 250);
  player.SeekSeconds(4.0);
  EXPECT_EQ(player.Position(), 1000u);
  EXPECT_DOUBLE_EQ(player.PositionSeconds(), 4.0);
  player.SeekSeconds(4.003);  // nearest frame: 1000.75 -> 1001
  EXPECT_EQ(player.Position(), 1001u);
  player.StepBack();
  player.StepBack();
  EXPECT_EQ(player.Position(), 999u);
  player.StepForward();
  EXPECT_EQ(player.Position(), 1000u);
  player.Jump(5);
  EXPECT_EQ(player.Position(), 2250u);
  player.Jump(5);
  EXPECT_EQ(player.Position(), 2999u);  // clamped
  player.Jump(-5);
  EXPECT_EQ(player.Position(), 1749u);
  player.Jump(-50);
  EXPECT_EQ(player.Position(), 0u);
  player.StepBack();
  EXPECT_EQ(player.Position(), 0u);
  player.SeekFrame(123456);
  EXPECT_EQ(player.Position(), 2999u);
  player.SeekSeconds(-1);
  EXPECT_EQ(player.Position(), 0u);
}

TEST_F(PlayerTest, WindowReadsTheFramesBeforeThePositionWithDamagedLinesAsGaps) {
  Make(600, {395, 398});
  Player player(*file_, 100);
  player.SeekFrame(399);
  const auto window = player.Window(1.0);
  ASSERT_EQ(window.size(), 101u);
  EXPECT_EQ(window.front().frame, 299u);
  EXPECT_EQ(window.back().frame, 399u);
  for (const auto& sample : window) {
    const bool damaged = sample.frame == 395 || sample.frame == 398;
    EXPECT_EQ(sample.gap, damaged) << sample.frame;
    if (!damaged) {
      const auto raw = pulse::test::Pattern(sample.frame);
      EXPECT_EQ(sample.wave_raw[1], raw.w[1]) << sample.frame;
      EXPECT_EQ(sample.static_raw[2], raw.s[2]) << sample.frame;
    }
  }
  player.SeekFrame(10);
  EXPECT_EQ(player.Window(1.0).size(), 11u);  // cut at the first frame
}

TEST_F(PlayerTest, AnEmptyFileAndABadRateAreHarmless) {
  Make(0);
  Player player(*file_, -3);
  EXPECT_DOUBLE_EQ(player.Rate(), pulse::window::kDefaultPlayerRate);
  player.Play();
  EXPECT_FALSE(player.Playing());
  player.StepForward();
  player.Jump(5);
  EXPECT_EQ(player.Position(), 0u);
  EXPECT_TRUE(player.Window(10).empty());
}

TEST_F(PlayerTest, KeysPlayPauseStepAndJump) {
  using pulse::window::ActionForKey;
  using pulse::window::ApplyAction;
  using pulse::window::PlayerKey;
  Make(5000);
  Player player(*file_, 200);
  player.SeekFrame(2000);
  auto press = [&](PlayerKey key, bool shift) {
    if (auto action = ActionForKey(key, shift)) ApplyAction(player, *action);
  };
  press(PlayerKey::kSpace, false);
  EXPECT_TRUE(player.Playing());
  press(PlayerKey::kRight, false);  // a step pauses on the frame it lands on
  EXPECT_FALSE(player.Playing());
  EXPECT_EQ(player.Position(), 2001u);
  press(PlayerKey::kLeft, false);
  press(PlayerKey::kLeft, false);
  EXPECT_EQ(player.Position(), 1999u);
  press(PlayerKey::kRight, true);
  EXPECT_EQ(player.Position(), 2999u);
  press(PlayerKey::kLeft, true);
  press(PlayerKey::kLeft, true);
  EXPECT_EQ(player.Position(), 999u);
  press(PlayerKey::kOther, false);
  press(PlayerKey::kSpace, true);
  EXPECT_EQ(player.Position(), 999u);
  EXPECT_FALSE(player.Playing());
}

}  // namespace
