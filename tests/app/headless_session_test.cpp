// pulse3ch --session through the program itself, without a display: what it
// writes and how it exits when the device, the target or the disk fails.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "records/record_file.h"
#include "records/session_metadata.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"
#include "tools/virtual-sensor/virtual_sensor.h"

extern "C" char** environ;

namespace {

namespace fs = std::filesystem;

using pulse::test::ProgramRun;
using pulse::test::ReadAll;
using pulse::test::TempDir;

// The real program with no display; `shell_prefix` runs before it in the same shell.
ProgramRun RunProgram(const std::string& args, const std::string& shell_prefix = "") {
  return pulse::test::RunCommand("sh -c \"" + shell_prefix +
                                 "exec env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" +
                                 std::string(PULSE3CH_BINARY) + "' " + args + "\"");
}

// The "frames: good N, bad M, bytes R" line of --stats.
struct Stats {
  uint64_t good = 0, bad = 0, bytes = 0;
};
std::optional<Stats> ParseStats(const std::string& out) {
  static const std::regex kStats(R"(frames: good (\d+), bad (\d+), bytes (\d+))");
  std::smatch m;
  if (!std::regex_search(out, m, kStats)) return std::nullopt;
  return Stats{std::stoull(m[1]), std::stoull(m[2]), std::stoull(m[3])};
}

pulse::records::SessionMetadata Metadata(const std::string& record) {
  std::string error;
  auto md = pulse::records::ReadMetadataFile(pulse::records::MetadataPathFor(record), &error);
  EXPECT_TRUE(md) << error;
  return md.value_or(pulse::records::SessionMetadata{});
}

TEST(HeadlessSession, CapturesEveryFrameWithTheDeviceInTheMetadata) {
  TempDir dir;
  const std::string path = dir / "s.txt";
  const ProgramRun run = RunProgram("--demo --session " + path + " --seconds 1 --stats");
  ASSERT_EQ(run.code, 0) << run.err;
  const std::optional<Stats> stats = ParseStats(run.out);
  ASSERT_TRUE(stats) << run.out;

  pulse::records::RecordFileOpen opened = pulse::records::RecordFile::Open(path);
  ASSERT_TRUE(opened.file) << opened.error;
  // About a second at 200 frames/s, and every data frame received is in the file.
  EXPECT_GE(opened.file->LineCount(), 150u);
  EXPECT_EQ(opened.file->LineCount(), stats->good + stats->bad);
  EXPECT_EQ(opened.file->TornBytes(), 0u);

  const pulse::records::SessionMetadata md = Metadata(path);
  EXPECT_TRUE(md.complete);
  EXPECT_EQ(md.lines, opened.file->LineCount());
  ASSERT_TRUE(md.totals);
  EXPECT_EQ(md.totals->good_frames, stats->good);
  EXPECT_EQ(md.totals->bad_frames, stats->bad);
  EXPECT_GT(md.totals->bytes, 0u);
  EXPECT_LE(md.totals->bytes, stats->bytes);  // the replies before the session are not its bytes
  EXPECT_EQ(md.sample_rate, 200);
  EXPECT_EQ(md.unit, "mmH2O");
  // Asked of the demo sensor before sampling started.
  EXPECT_EQ(md.serial_number, "20190901");
  EXPECT_EQ(md.production_date, "2019-09-23");
  EXPECT_EQ(md.zero_values.size(), 3u);
  EXPECT_FALSE(md.program_version.empty());
  EXPECT_TRUE(pulse::records::ParseIsoTime(md.start_time)) << md.start_time;
  EXPECT_TRUE(pulse::records::ParseIsoTime(md.stop_time)) << md.stop_time;
}

TEST(HeadlessSession, ExitCodesWhenNothingCanBeRecorded) {
  TempDir dir;
  {  // No device behind the port: exit 1, and no session was begun.
    const ProgramRun run =
        RunProgram("--port COM1=" + (dir / "no-tty") + " --session " + (dir / "a.txt") +
                   " --seconds 1");
    EXPECT_EQ(run.code, 1) << run.err;
    EXPECT_NE(run.err.find("Cannot open COM1"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir / "a.txt"));
  }
  {  // A folder that does not exist: refused before the device is opened.
    const ProgramRun run = RunProgram("--demo --session " + (dir / "no/b.txt") + " --seconds 1");
    EXPECT_EQ(run.code, 2) << run.err;
    EXPECT_NE(run.err.find("no such folder"), std::string::npos) << run.err;
  }
  {  // The metadata cannot be written (a folder has its name): refused before sampling.
    fs::create_directory(dir / "c.txt.json");
    const ProgramRun run = RunProgram("--demo --session " + (dir / "c.txt") + " --seconds 1");
    EXPECT_EQ(run.code, 1) << run.err;
    EXPECT_NE(run.err.find("cannot record the session"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir / "c.txt"));
  }
  {  // The command line itself.
    EXPECT_EQ(RunProgram("--demo --session " + (dir / "d.txt")).code, 2);
    EXPECT_EQ(RunProgram("--session " + (dir / "d.txt") + " --seconds 1").code, 2);
    EXPECT_EQ(RunProgram("--demo --session " + (dir / "d.txt") + " --record " + (dir / "e.txt") +
                         " --seconds 1")
                  .code,
              2);
  }
}

TEST(HeadlessSession, DeviceThatNeverStartsFailsPlainly) {
  pulse::vsensor::Options o;
  o.drop_acks = 1;  // the one start is ignored
  pulse::vsensor::VirtualSensor sensor(o);
  sensor.Start();
  TempDir dir;
  const ProgramRun run = RunProgram("--port COM1=" + sensor.SlavePath() + " --session " +
                                    (dir / "s.txt") + " --seconds 1");
  EXPECT_EQ(run.code, 1) << run.err;
  EXPECT_NE(run.err.find("sent no data after the start"), std::string::npos) << run.err;
  // What there is, is complete: an empty session.
  EXPECT_TRUE(Metadata(dir / "s.txt").complete);
}

// A file-size limit makes the disk refuse further bytes (EFBIG, with the
// signal ignored): the session stops, the program says why and exits 1, and
// the file holds whole lines only.
TEST(HeadlessSession, WriteErrorEndsTheRunWithALoadableFile) {
  TempDir dir;
  const std::string path = dir / "s.txt";
  // 64 blocks of 512 bytes: a few hundred frame lines.
  const ProgramRun run = RunProgram("--demo --session " + path + " --seconds 20",
                                    "trap '' XFSZ; ulimit -f 64; ");
  EXPECT_EQ(run.code, 1) << run.err;
  EXPECT_NE(run.err.find("Cannot write file \"" + path + "\": File too large; the recording stopped"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("the session stopped early"), std::string::npos) << run.err;
  pulse::records::RecordFileOpen opened = pulse::records::RecordFile::Open(path);
  ASSERT_TRUE(opened.file) << opened.error;
  EXPECT_GT(opened.file->LineCount(), 100u);
  EXPECT_EQ(opened.file->TornBytes(), 0u);
  const pulse::records::SessionMetadata md = Metadata(path);
  EXPECT_TRUE(md.complete);
  EXPECT_EQ(md.lines, opened.file->LineCount());
}

// kill -9 in the middle: the file holds whole lines up to a moment before,
// and the metadata written at the start says the session is incomplete.
TEST(HeadlessSession, KilledMidSessionLeavesALoadableFile) {
  TempDir dir;
  const std::string path = dir / "k.txt";
  const std::string log = dir / "k.log";
  std::vector<std::string> args = {PULSE3CH_BINARY, "--demo", "--session", path, "--seconds", "60"};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT, 0644);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(), O_WRONLY | O_CREAT, 0644);
  pid_t pid = -1;
  ASSERT_EQ(posix_spawn(&pid, PULSE3CH_BINARY, &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);

  // Wait until a good part of a second is on disk.
  constexpr uintmax_t kEnough = 300 * 51;
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  std::error_code ec;
  while ((!fs::exists(path) || fs::file_size(path, ec) < kEnough) &&
         std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << ReadAll(log);
  ASSERT_GE(fs::file_size(path), kEnough) << ReadAll(log);

  pulse::records::RecordFileOpen opened = pulse::records::RecordFile::Open(path);
  ASSERT_TRUE(opened.file) << opened.error;
  EXPECT_GE(opened.file->LineCount(), 300u);
  EXPECT_EQ(opened.file->TornBytes(), 0u);
  const std::optional<std::string> last = opened.file->Line(opened.file->LineCount() - 1);
  ASSERT_TRUE(last);
  EXPECT_EQ(pulse::records::ClassifyLine(*last).status,
            pulse::records::RecordLine::Status::kGood);
  const pulse::records::SessionMetadata md = Metadata(path);
  EXPECT_FALSE(md.complete);
  EXPECT_EQ(md.sample_rate, 200);
  EXPECT_TRUE(pulse::records::ParseIsoTime(md.start_time));
}

// The sensor is unplugged three seconds in (well after the program has started its session,
// even on a loaded machine) and plugged back half a second later at the same link:
// with --reconnect the run goes on and ends well, with every frame in the file and the gap in
// the metadata and in the report; without it, the run ends there as it always did.
TEST(HeadlessSession, ReconnectCarriesTheSessionAcrossAnUnplug) {
  TempDir dir;
  pulse::vsensor::Options o;
  o.link = dir / "sensor";
  o.frame_log = dir / "sent.txt";
  o.hangup_after = 3.0;
  o.return_after = 0.5;
  pulse::vsensor::VirtualSensor sensor(o);
  sensor.Start();
  const std::string path = dir / "s.txt";
  const ProgramRun run = RunProgram("--port COM1=" + o.link + " --session " + path +
                                    " --seconds 4 --reconnect --reconnect-timeout 10 --stats");
  sensor.Stop();
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(sensor.GetStats().returns, 1u);
  EXPECT_NE(run.err.find("the device is back"), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("device away: 1 time\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("session gaps: 1\n"), std::string::npos) << run.out;

  // Every frame sent, before and after the gap, is in the file.
  std::vector<std::string> sent;
  {
    std::ifstream in(o.frame_log);
    for (std::string line; std::getline(in, line);) sent.push_back(line.substr(line.find(' ') + 1));
  }
  pulse::records::RecordFileOpen opened = pulse::records::RecordFile::Open(path);
  ASSERT_TRUE(opened.file) << opened.error;
  ASSERT_EQ(opened.file->LineCount(), sent.size());
  const std::optional<Stats> stats = ParseStats(run.out);
  ASSERT_TRUE(stats) << run.out;
  EXPECT_EQ(opened.file->LineCount(), stats->good + stats->bad);
  const pulse::records::SessionMetadata md = Metadata(path);
  EXPECT_TRUE(md.complete);
  ASSERT_EQ(md.gaps.size(), 1u);
  EXPECT_GT(md.gaps[0].start_s, 0.5);
  EXPECT_GE(md.gaps[0].length_s, 0.5);
  // Sampling went on after the gap for most of the rest of the time.
  EXPECT_GT(static_cast<double>(md.lines) / 200.0 - md.gaps[0].start_s, 1.0);
}

TEST(HeadlessSession, WithoutReconnectOrPastItsTimeoutAnUnplugEndsTheRun) {
  TempDir dir;
  {  // As it always was: the run ends with exit code 1 and a complete file.
    pulse::vsensor::Options o;
    o.link = dir / "a-sensor";
    o.hangup_after = 2.5;  // the session has started by then
    o.return_after = 0.3;
    pulse::vsensor::VirtualSensor sensor(o);
    sensor.Start();
    const ProgramRun run =
        RunProgram("--port COM1=" + o.link + " --session " + (dir / "a.txt") + " --seconds 5");
    EXPECT_EQ(run.code, 1) << run.err;
    EXPECT_NE(run.err.find("the device went away"), std::string::npos) << run.err;
    EXPECT_EQ(run.out.find("device away"), std::string::npos) << run.out;  // no report
    EXPECT_TRUE(Metadata(dir / "a.txt").complete);
  }
  {  // Never back within the time-out: the same, after the wait.
    pulse::vsensor::Options o;
    o.link = dir / "b-sensor";
    o.hangup_after = 2.5;
    pulse::vsensor::VirtualSensor sensor(o);
    sensor.Start();
    const ProgramRun run = RunProgram("--port COM1=" + o.link + " --session " + (dir / "b.txt") +
                                      " --seconds 5 --reconnect --reconnect-timeout 1");
    EXPECT_EQ(run.code, 1) << run.err;
    EXPECT_NE(run.err.find("did not return within 1 s"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("not back"), std::string::npos) << run.out;
    EXPECT_TRUE(Metadata(dir / "b.txt").complete);
  }
  {  // The command line.
    EXPECT_EQ(RunProgram("--demo --snapshot " + (dir / "x.png") + " --reconnect").code, 2);
    EXPECT_EQ(RunProgram("--demo --session " + (dir / "y.txt") +
                         " --seconds 1 --reconnect-timeout 5")
                  .code,
              2);
    EXPECT_EQ(RunProgram("--demo --session " + (dir / "y.txt") +
                         " --seconds 1 --reconnect --reconnect-timeout 0")
                  .code,
              2);
  }
}

}  // namespace
