#include "window/recording.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "protocol/recorder.h"
#include "protocol/units.h"
#include "tests/support/fake_view_plot.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unprivileged.h"

using namespace pulse::form;

namespace pulse::window {
namespace {

namespace fs = std::filesystem;
using test::FakeViewPlot;
using Lines = std::vector<std::string>;

// The example frame: one channel, static raw 16, wave raw 32.
constexpr const char* kExample = "F0 1F 05 34 10 00 20 00 78";

// A three-channel frame line with the given raw static and wave values.
std::string ThreeChannelLine(int s1, int w1, int s2, int w2, int s3, int w3) {
  std::vector<int> bytes = {0xF0, 0x1F, 0x0D, 0x34};
  for (int v : {s1, w1, s2, w2, s3, w3}) {
    bytes.push_back(v & 0xFF);
    bytes.push_back((v >> 8) & 0xFF);
  }
  int sum = 0;
  for (int b : bytes) sum += b;
  bytes.push_back(sum & 0xFF);
  std::string line;
  char hex[4];
  for (int b : bytes) {
    std::snprintf(hex, sizeof hex, "%02X", b);
    if (!line.empty()) line += ' ';
    line += hex;
  }
  return line;
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

class RecordingTest : public ::testing::Test {
 protected:
  RecordingTest()
      : views_(state_, controls_, {&plot_[0], &plot_[1], &plot_[2]}), replay_(state_, controls_, views_) {
    views_.ResetAxes();
  }
  ~RecordingTest() override {
    // A test may leave the folder read-only; the folder's owner removes it.
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, ec);
  }

  static RecordReplay::FileDialog Choose(const fs::path& p) {
    return [p] { return std::optional<std::string>(p.string()); };
  }
  static std::optional<std::string> Cancel() { return std::nullopt; }

  // Loads `lines` from a file and runs the replay to its end; returns the
  // number of ticks that replayed a line.
  int ReplayAll(const std::string& file_text) {
    const fs::path p = dir_ / "replay.txt";
    WriteFile(p, file_text);
    EXPECT_TRUE(replay_.Button18Click(Choose(p)));
    EXPECT_TRUE(replay_.Button19Click());
    int ticks = 0;
    for (int guard = 0; guard < 100000; ++guard) {
      const RecordReplay::TickResult r = replay_.ReplayTick();
      if (r.end_tick) {
        EXPECT_EQ(r.interval_ms, kIdleIntervalMs);
        break;
      }
      EXPECT_EQ(r.interval_ms, kReplayIntervalMs);
      ++ticks;
    }
    EXPECT_FALSE(state_.Replaying);
    EXPECT_EQ(state_.ReplayIndex, 0);
    return ticks;
  }

  TFormState state_;
  TMainControls controls_;
  FakeViewPlot plot_[3];
  WaveViews views_;
  RecordReplay replay_;
  pulse::test::TempDir temp_{"pulse-recording"};
  fs::path dir_ = temp_.Path();
};

TEST(RecordFileName, AppendsTxtOnlyWhenMissingInAnyCase) {
  EXPECT_EQ(RecordFileName("Zavad"), "Zavad.txt");
  EXPECT_EQ(RecordFileName("/tmp/a.txt"), "/tmp/a.txt");
  EXPECT_EQ(RecordFileName("a.TxT"), "a.TxT");
  EXPECT_EQ(RecordFileName("a.txt.bak"), "a.txt.bak.txt");
  EXPECT_EQ(RecordFileName("atxt"), "atxt.txt");
  EXPECT_EQ(RecordFileName("a.tx"), "a.tx.txt");
  EXPECT_EQ(RecordFileName(""), ".txt");
}

TEST_F(RecordingTest, SaveWritesEveryLineWithCrLfAndKeepsTheRecord) {
  int dialogs = 0;
  auto ask = [&] {
    ++dialogs;
    return std::optional<std::string>((dir_ / "a.txt").string());
  };
  EXPECT_FALSE(replay_.Button20Click(ask));  // nothing recorded: no dialog
  EXPECT_EQ(dialogs, 0);

  state_.RecordList = {kExample, "F0 1F 05 34 0A 00 F4 01 47"};
  const auto path = replay_.Button20Click(ask);
  ASSERT_TRUE(path);
  EXPECT_EQ(*path, (dir_ / "a.txt").string());
  EXPECT_FALSE(fs::exists(dir_ / "a.txt.txt"));
  EXPECT_EQ(ReadFile(*path), std::string(kExample) + "\r\nF0 1F 05 34 0A 00 F4 01 47\r\n");
  EXPECT_EQ(state_.RecordList.size(), 2u);

  state_.RecordList.pop_front();  // a later save replaces the file
  ASSERT_TRUE(replay_.Button20Click(Choose(dir_ / "a")));
  EXPECT_EQ(ReadFile(dir_ / "a.txt"), "F0 1F 05 34 0A 00 F4 01 47\r\n");
  EXPECT_FALSE(replay_.Button20Click(Cancel));
  EXPECT_EQ(fs::directory_iterator(dir_)->path().filename(), "a.txt");  // no stray files
}

TEST_F(RecordingTest, FailedSaveReportsAndLosesNothing) {
  WriteFile(dir_ / "old.txt", "old\r\n");
  for (int i = 0; i < 200; ++i) state_.RecordList.push_back(kExample);
  // A file size limit makes the write fail half-way, as a full disk would.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 1000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string message;
  try {
    (void)replay_.Button20Click(Choose(dir_ / "old.txt"));  // throws
  } catch (const RecordFileError& e) {
    message = e.what();
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_NE(message.find("old.txt"), std::string::npos) << message;
  EXPECT_EQ(ReadFile(dir_ / "old.txt"), "old\r\n");
  EXPECT_EQ(state_.RecordList.size(), 200u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
  EXPECT_THROW((void)replay_.Button20Click(Choose(dir_ / "old.txt" / "x")), RecordFileError);
}

// 保存 over an existing name: a link is written through, a file's mode is
// kept, and a file the user may not write is refused with the file error.
TEST_F(RecordingTest, SaveRespectsLinksModesAndReadOnlyFiles) {
  state_.RecordList = {kExample};
  fs::create_directories(dir_ / "records");
  const fs::path real = dir_ / "records" / "day1.txt";
  WriteFile(real, "old\r\n");
  fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink("records/day1.txt", dir_ / "latest.txt");
  ASSERT_TRUE(replay_.Button20Click(Choose(dir_ / "latest.txt")));
  EXPECT_TRUE(fs::is_symlink(dir_ / "latest.txt"));
  EXPECT_EQ(ReadFile(real), std::string(kExample) + "\r\n");
  EXPECT_EQ(fs::status(real).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  const fs::path box = dir_ / "box";
  fs::create_directories(box);
  WriteFile(box / "ro.txt", "old\r\n");
  ASSERT_TRUE(test::GiveToUnprivileged(box.string()));
  ASSERT_TRUE(test::GiveToUnprivileged((box / "ro.txt").string()));
  fs::permissions(box / "ro.txt",
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const std::string message = test::RunUnprivileged([&] {
    try {
      (void)replay_.Button20Click(Choose(box / "ro.txt"));  // throws
      return std::string("saved");
    } catch (const RecordFileError& e) {
      return std::string(e.what());
    }
  });
  EXPECT_EQ(message, "Cannot create file \"" + (box / "ro.txt").string() + "\": Permission denied");
  EXPECT_EQ(ReadFile(box / "ro.txt"), "old\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(box), fs::directory_iterator()), 1);
  EXPECT_EQ(state_.RecordList.size(), 1u);
}

TEST_F(RecordingTest, LoadTextLinesSplitsAtAnyLineEnd) {
  WriteFile(dir_ / "mixed.txt", "a\r\nb\rc\nd\r\n\r\ne");
  EXPECT_EQ(LoadTextLines((dir_ / "mixed.txt").string()), (Lines{"a", "b", "c", "d", "", "e"}));
  WriteFile(dir_ / "end.txt",
            "\xEF\xBB\xBF"
            "a\r\nb\r\n");
  EXPECT_EQ(LoadTextLines((dir_ / "end.txt").string()), (Lines{"a", "b"}));
  WriteFile(dir_ / "empty.txt", "");
  EXPECT_EQ(LoadTextLines((dir_ / "empty.txt").string()), Lines{});
  // A name that does not exist becomes an empty file.
  EXPECT_EQ(LoadTextLines((dir_ / "new.txt").string()), Lines{});
  EXPECT_TRUE(fs::is_regular_file(dir_ / "new.txt"));
}

TEST_F(RecordingTest, LoadRefusesWhatIsNoRecordAndKeepsTheLoadedList) {
  WriteFile(dir_ / "good.txt", std::string(kExample) + "\r\n");
  ASSERT_TRUE(replay_.Button18Click(Choose(dir_ / "good.txt")));

  WriteFile(dir_ / "binary.txt", std::string("F0 1F\0\x01\x02 05\r\n", 14));
  {  // 100 MB without writing them, a sparse file: too large to read whole, and binary
    std::ofstream big(dir_ / "big.txt", std::ios::binary);
  }
  fs::resize_file(dir_ / "big.txt", 100u * 1024 * 1024);
  // Large and text, but a line far beyond any frame's.
  WriteFile(dir_ / "big_long.txt", std::string(kMaxWholeLoadBytes, 'A') + "\r\n");
  WriteFile(dir_ / "long.txt", "F0\r\n" + std::string(kMaxRecordLineChars + 1, 'A') + "\r\n");
  fs::create_directory(dir_ / "folder.txt");

  for (const char* name : {"binary.txt", "big.txt", "big_long.txt", "long.txt", "folder.txt"}) {
    std::string message;
    try {
      (void)replay_.Button18Click(Choose(dir_ / name));  // throws
    } catch (const RecordFileError& e) {
      message = e.what();
    }
    EXPECT_NE(message.find(name), std::string::npos) << name << ": " << message;
    ASSERT_TRUE(state_.ReplayList);
    EXPECT_EQ(*state_.ReplayList, Lines{kExample}) << name;
    EXPECT_EQ(controls_.Memo1.lines.Items(), Lines{kExample}) << name;
    EXPECT_EQ(replay_.LoadedPath(), (dir_ / "good.txt").string()) << name;
    EXPECT_FALSE(replay_.LoadedIndexed()) << name;
  }
  // A line of exactly the limit is accepted.
  WriteFile(dir_ / "limit.txt", std::string(kMaxRecordLineChars, 'A'));
  EXPECT_EQ(LoadTextLines((dir_ / "limit.txt").string()).size(), 1u);
}

TEST_F(RecordingTest, LoadShowsTheLinesAndLeavesTheTimerAlone) {
  controls_.Memo1.lines.Add("old error line");
  EXPECT_FALSE(replay_.Button18Click(Cancel));  // cancelled: nothing changes
  EXPECT_FALSE(state_.ReplayList);
  EXPECT_EQ(controls_.Memo1.lines.Count(), 1);
  EXPECT_EQ(replay_.ReplayTick().interval_ms, kIdleIntervalMs);

  WriteFile(dir_ / "two.txt", std::string(kExample) + "\r\n" + kExample + "\r\n");
  ASSERT_TRUE(replay_.Button18Click(Choose(dir_ / "two.txt")));
  EXPECT_EQ(controls_.Memo1.lines.Items(), (Lines{kExample, kExample}));
  EXPECT_EQ(controls_.StatusBar1.Panel(StatusPanel::kLinkState).text, "载入完成,准备模拟...");
  EXPECT_FALSE(state_.Replaying);  // a replay starts only with "模拟"
  EXPECT_FALSE(replay_.ReplayTick().end_tick);
  EXPECT_EQ(state_.SampleCount1, 0);
}

TEST_F(RecordingTest, SimulateWithoutALoadedListChangesNothing) {
  plot_[0].AddPoint(1, 1);
  state_.SampleCount1 = 7;
  EXPECT_FALSE(replay_.Button19Click());
  EXPECT_FALSE(state_.Replaying);
  EXPECT_EQ(state_.SampleCount1, 7);
  EXPECT_EQ(plot_[0].points.size(), 1u);
}

TEST_F(RecordingTest, ReplayOfTheExampleLine) {
  controls_.cb_unit1.Select(1);  // millibar
  views_.cb_unit1Change();
  EXPECT_EQ(ReplayAll(std::string(kExample) + "\r\n"), 1);
  EXPECT_EQ(controls_.P_jy1.Caption, "1.60");
  ASSERT_EQ(plot_[0].points.size(), 1u);
  EXPECT_DOUBLE_EQ(plot_[0].points[0].first, 0.005);
  EXPECT_DOUBLE_EQ(plot_[0].points[0].second, 0.032);
  EXPECT_EQ(state_.SampleCount1, 1);
}

TEST_F(RecordingTest, ReplayLineSkipsDamagedLines) {
  const std::vector<std::string> skipped = {
      "F0 1F 05 34 10 00 20 00 79",   // checksum changed
      "F0 1F 05 34 10 00 21 00 78",   // a data byte changed
      "F0 1F 05 34 10 00 20 00",      // short
      "F0 1F 05 34 10 00 2 00 78",    // one digit
      "F0 1F 05 34 10 00 200 00 78",  // three digits
      "F0 1F 05 34 10 00 2G 00 78",   // not hexadecimal
      "1F 05 34 10 00 20 00 78",      // no F0
      "F0 1F 01 31 51",               // start acknowledgement
      "F0 1F 02 33 C8 EC",            // frequency acknowledgement
      "F0 2F 05 34 10 00 20 00 88",   // host direction
      "   ",
      "",
  };
  for (const std::string& line : skipped) replay_.ReplayLine(line);
  EXPECT_EQ(state_.SampleCount1, 0);
  EXPECT_TRUE(plot_[0].points.empty());
  EXPECT_EQ(controls_.P_jy1.Caption, "0");
}

TEST_F(RecordingTest, ReplayLineAcceptsLowerCaseSpacesAndALateF0) {
  state_.UnitFactor = 1.0;
  replay_.ReplayLine("f0 1f 05 34 10 00 20 00 78");
  replay_.ReplayLine("  F0  1F 05 34 10 00 20 00 78 ");
  // Bytes before the first F0 are outside the frame and its checksum.
  replay_.ReplayLine("AA 12 F0 1F 05 34 10 00 20 00 78");
  EXPECT_EQ(state_.SampleCount1, 3);
  EXPECT_EQ(plot_[0].points.size(), 3u);
}

TEST_F(RecordingTest, ReplayLineIgnoresTokensBeyondThirtyBytes) {
  state_.UnitFactor = 1.0;
  // 30 bytes whose last one is the checksum of the 29 before it, then junk.
  std::string line = "F0 1F 05 34 10 00 20 00";
  int sum = 0xF0 + 0x1F + 0x05 + 0x34 + 0x10 + 0x20;
  for (int i = 0; i < 21; ++i) {
    line += " 01";
    ++sum;
  }
  char hex[4];
  std::snprintf(hex, sizeof hex, " %02X", sum & 0xFF);
  line += hex;
  replay_.ReplayLine(line + " ZZZ 00 11 22");
  EXPECT_EQ(state_.SampleCount1, 1);
  replay_.ReplayLine(line);
  EXPECT_EQ(state_.SampleCount1, 2);
  std::string huge;
  for (int i = 0; i < 10000; ++i) huge += "F0 ";
  replay_.ReplayLine(huge);  // 30 x F0: checksum fails, nothing else happens
  EXPECT_EQ(state_.SampleCount1, 2);
}

TEST_F(RecordingTest, ReplayLineOnRandomFramesWithLeadingJunk) {
  // Valid one-channel frames behind up to 21 junk bytes (never F0) are all
  // shown; the same frames with one data byte changed never are.
  std::mt19937 rng(12345);
  auto byte = [&] { return static_cast<int>(rng() % 256); };
  int shown = 0;
  for (int i = 0; i < 5000; ++i) {
    std::vector<int> frame = {0xF0, 0x1F, 0x05, 0x34, byte(), byte(), byte(), byte()};
    int sum = 0;
    for (int b : frame) sum += b;
    frame.push_back(sum & 0xFF);
    const bool damage = i % 2 == 1;
    if (damage) frame[4 + rng() % 4] ^= 1 + static_cast<int>(rng() % 255);
    std::string line;
    const int junk = static_cast<int>(rng() % 22);
    char hex[4];
    for (int j = 0; j < junk; ++j) {
      int b = byte();
      if (b == 0xF0) b = 0x0F;
      std::snprintf(hex, sizeof hex, rng() % 2 ? "%02X " : "%02x ", b);
      line += hex;
    }
    for (int b : frame) {
      std::snprintf(hex, sizeof hex, "%02X ", b);
      line += hex;
    }
    const int before = state_.SampleCount1;
    replay_.ReplayLine(line);
    EXPECT_EQ(state_.SampleCount1 - before, damage ? 0 : 1) << line;
    shown += state_.SampleCount1 - before;
  }
  EXPECT_EQ(shown, 2500);
}

TEST_F(RecordingTest, EveryLineOfAFileIsReplayedThenTheReplayEnds) {
  state_.UnitFactor = 1.0;
  EXPECT_EQ(ReplayAll("F0 1F 05 34 10 00 20 00 78\r\n"
                      "F0 1F 05 34 10 00 F4 01 4D\r\n"
                      "F0 1F 05 34 10 00 0C FE 62\r\n"),
            3);
  ASSERT_EQ(plot_[0].points.size(), 3u);
  EXPECT_DOUBLE_EQ(plot_[0].points[1].second, 0.5);
  EXPECT_DOUBLE_EQ(plot_[0].points[2].second, -0.5);
  EXPECT_DOUBLE_EQ(plot_[0].points[2].first, 0.015);
  EXPECT_EQ(ReplayAll(std::string(kExample)), 1);  // one line without a line end
  EXPECT_EQ(ReplayAll(""), 0);
  // An empty line and a damaged one still use up their tick.
  EXPECT_EQ(ReplayAll(std::string(kExample) + "\r\n\r\nF0 1F\r\n"), 3);
  EXPECT_EQ(state_.SampleCount1, 1);
}

TEST_F(RecordingTest, SimulateAgainRestartsFromTheFirstLine) {
  state_.UnitFactor = 1.0;
  WriteFile(dir_ / "r.txt", std::string(kExample) + "\r\n" + kExample + "\r\n");
  ASSERT_TRUE(replay_.Button18Click(Choose(dir_ / "r.txt")));
  ASSERT_TRUE(replay_.Button19Click());
  (void)replay_.ReplayTick();  // only moves the replay on; what it drew is not the point here
  views_.Bt_ZoomX2Click();
  ASSERT_TRUE(replay_.Button19Click());
  EXPECT_EQ(state_.ReplayIndex, 0);
  EXPECT_EQ(state_.SampleCount1, 0);
  EXPECT_TRUE(plot_[0].points.empty());
  EXPECT_EQ(plot_[1].Range(ViewAxis::kTime), (std::pair<double, double>(0, 20)));
  // Loading during a replay ends it.
  ASSERT_TRUE(replay_.Button18Click(Choose(dir_ / "r.txt")));
  EXPECT_FALSE(state_.Replaying);
}

TEST_F(RecordingTest, ThreeChannelReplayScrollsViewOneAndRestartsTwoAndThree) {
  controls_.cb_unit1.Select(1);
  views_.cb_unit1Change();
  controls_.ch_jy.checked = true;  // replay draws the wave value anyway
  views_.ch_jyClick();
  std::string file;
  for (int i = 0; i < 4001; ++i) file += ThreeChannelLine(100, 10, 200, -20, 300, 30) + "\r\n";
  EXPECT_EQ(ReplayAll(file), 4001);
  EXPECT_EQ(plot_[0].points.size(), 4001u);
  EXPECT_NEAR(plot_[0].Range(ViewAxis::kTime).first, 0.005, 1e-9);
  EXPECT_NEAR(plot_[0].Range(ViewAxis::kTime).second, 20.005, 1e-9);
  EXPECT_EQ(plot_[0].points.back().second, 0.01);
  for (int k = 1; k < 3; ++k) {
    ASSERT_EQ(plot_[k].points.size(), 1u) << k;
    EXPECT_DOUBLE_EQ(plot_[k].points[0].first, 0.005);
    EXPECT_EQ(plot_[k].Range(ViewAxis::kTime), (std::pair<double, double>(0, 20)));
  }
  EXPECT_EQ(plot_[1].points[0].second, -0.02);
  EXPECT_EQ(plot_[2].points[0].second, 0.03);
  EXPECT_EQ(state_.SampleCount1, 4001);
  EXPECT_EQ(state_.SampleCount2, 1);
  EXPECT_EQ(state_.SampleCount3, 1);
  EXPECT_EQ(controls_.P_jy1.Caption, "10.00");
  EXPECT_EQ(controls_.P_jy2.Caption, "20.00");
  EXPECT_EQ(controls_.P_jy3.Caption, "30.00");
}

TEST_F(RecordingTest, ThreeChannelReplayShowsSamplingWithoutChangingTheState) {
  replay_.ReplayLine(ThreeChannelLine(1, 2, 3, 4, 5, 6));
  EXPECT_EQ(controls_.bt_start.Caption, "停止采样");
  EXPECT_FALSE(state_.Sampling);
  EXPECT_FALSE(state_.StopPending);
  EXPECT_TRUE(state_.RecordList.empty());  // a replay records nothing
}

TEST(RecordStep, HoldsTwentySecondsPlusOneLineAt200PerSecond) {
  TFormState state;
  TMainControls controls;
  controls.CheckBox1.checked = true;
  protocol::Recorder recorder(state, controls);
  for (int i = 0; i < 30 * 200; ++i) {
    const std::string line = std::to_string(i);
    recorder.Step(&line);
  }
  ASSERT_EQ(state.RecordList.size(), 4001u);
  EXPECT_EQ(state.RecordList.back(), "5999");
  EXPECT_EQ(state.RecordList.front(), "1999");
}

// A session of any length loads: indexed on disk, its beginning and a note
// in the log, every line replayed from the file, a torn last line left out.
TEST_F(RecordingTest, LoadIndexesALargeFileAndReplaysEveryLineFromIt) {
  std::string text;
  int lines = 0;
  for (; text.size() <= kMaxWholeLoadBytes; ++lines) {
    // Values that count up, so the replay's order shows in the read-out.
    text += ThreeChannelLine(lines % 30000, lines % 1000, 2, 3, 4, 5) + "\r\n";
  }
  text += "F0 1F 0D 34 01";  // cut short by a crash: no line end
  WriteFile(dir_ / "session.txt", text);

  ASSERT_TRUE(replay_.Button18Click(Choose(dir_ / "session.txt")));
  EXPECT_TRUE(replay_.LoadedIndexed());
  EXPECT_EQ(replay_.LoadedLineCount(), static_cast<size_t>(lines));
  ASSERT_TRUE(state_.ReplayList);
  EXPECT_TRUE(state_.ReplayList->empty());  // the lines stay on disk
  ASSERT_EQ(controls_.Memo1.lines.Count(), kLogPreviewLines + 1);
  EXPECT_EQ(controls_.Memo1.lines[0], ThreeChannelLine(0, 0, 2, 3, 4, 5));
  EXPECT_EQ(controls_.Memo1.lines[kLogPreviewLines - 1],
            ThreeChannelLine(kLogPreviewLines - 1, kLogPreviewLines - 1, 2, 3, 4, 5));
  EXPECT_NE(controls_.Memo1.lines[kLogPreviewLines].find(std::to_string(lines) + " 行"),
            std::string::npos)
      << controls_.Memo1.lines[kLogPreviewLines];
  EXPECT_EQ(controls_.StatusBar1.Panel(StatusPanel::kLinkState).text, "载入完成,准备模拟...");

  ASSERT_TRUE(replay_.Button19Click());
  int ticks = 0;
  while (!replay_.ReplayTick().end_tick && ticks <= lines) ++ticks;
  EXPECT_EQ(ticks, lines);
  EXPECT_EQ(state_.SampleCount1, lines);
  // The last line replayed shows its own static value: 0.1 hPa steps in mmH2O.
  const int last = (lines - 1) % 30000;
  EXPECT_EQ(controls_.P_jy1.Caption,
            protocol::FormatFixed2(protocol::StaticValueOfRaw(last, state_.UnitFactor)));

  // A normal record loaded afterwards is read whole again.
  WriteFile(dir_ / "small.txt", std::string(kExample) + "\r\n");
  ASSERT_TRUE(replay_.Button18Click(Choose(dir_ / "small.txt")));
  EXPECT_FALSE(replay_.LoadedIndexed());
  EXPECT_EQ(*state_.ReplayList, Lines{kExample});
  EXPECT_EQ(replay_.LoadedLineCount(), 1u);
}

}  // namespace
}  // namespace pulse::window
