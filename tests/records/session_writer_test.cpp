#include "records/session_writer.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

#include "records/record_export.h"
#include "records/record_file.h"
#include "tests/records/record_test_support.h"

namespace pulse::records {
namespace {

using namespace pulse::test;
using namespace std::chrono_literals;

// Frame line `i` of a session; every 97th has a bad checksum, as from a noisy line.
std::string SessionLine(uint64_t i) {
  return Line3(Pattern(i), i % 97 == 50 ? 1 : 0);
}

SessionMetadata StartMetadata() {
  SessionMetadata m;
  m.start_time = "2024-05-01T10:20:30.000+02:00";
  m.sample_rate = 250;
  m.unit = "mmHg";
  m.serial_number = "12345678";
  m.program_version = "test";
  return m;
}

// Every line of the file is whole and is the session's line of that index.
void ExpectPrefixOfSession(const std::string& path, size_t expected_lines) {
  RecordFileOpen r = RecordFile::Open(path);
  ASSERT_TRUE(r.file) << r.error;
  EXPECT_EQ(r.file->LineCount(), expected_lines);
  const std::string err = r.file->ForEachLine([](size_t i, std::string_view text) {
    EXPECT_EQ(text, SessionLine(i)) << "line " << i;
    return text == SessionLine(i);
  });
  EXPECT_EQ(err, "");
}

template <typename Pred>
bool WaitFor(Pred pred, std::chrono::milliseconds limit = 10s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

TEST(SessionWriter, RoundTripThroughRecordFileCsvAndEdf) {
  TempDir dir;
  const std::string path = dir / "OUT.txt";
  constexpr uint64_t kLines = 20000;
  SessionWriter w;
  ASSERT_EQ(w.Start(path, StartMetadata()), "");
  // The metadata is there from the start, marked incomplete.
  auto md = ReadMetadataFile(MetadataPathFor(path), nullptr);
  ASSERT_TRUE(md);
  EXPECT_FALSE(md->complete);
  EXPECT_EQ(md->serial_number, "12345678");

  uint64_t bad = 0;
  for (uint64_t i = 0; i < kLines; ++i) {
    w.Append(SessionLine(i));
    bad += i % 97 == 50;
  }
  w.AddGap({10.0, 2.5});
  ASSERT_EQ(w.Stop(SessionTotals{kLines - bad, bad, kLines * 17}), "");
  EXPECT_FALSE(w.Running());
  EXPECT_EQ(w.LinesWritten(), kLines);
  ExpectPrefixOfSession(path, kLines);

  md = ReadMetadataFile(MetadataPathFor(path), nullptr);
  ASSERT_TRUE(md);
  EXPECT_TRUE(md->complete);
  EXPECT_FALSE(md->stop_time.empty());
  EXPECT_EQ(md->lines, kLines);
  ASSERT_TRUE(md->totals);
  EXPECT_EQ(md->totals->bad_frames, bad);
  ASSERT_EQ(md->gaps.size(), 1u);

  for (const char* out : {"OUT.csv", "OUT.edf"}) {
    ExportRequest req;
    req.input = path;
    req.output = dir / out;
    req.unit = "kPa";  // the metadata's mmHg wins
    const ExportReport rep = ExportRecord(req);
    ASSERT_EQ(rep.error, "") << out;
    EXPECT_EQ(rep.unit, "mmHg");
    EXPECT_EQ(rep.rate, 250);
    EXPECT_EQ(rep.frames + rep.bad_frames, kLines) << out;
    EXPECT_EQ(rep.bad_frames, bad) << out;
    EXPECT_EQ(rep.damaged_lines, 0u);
  }
  const std::string csv = ReadAll(dir / "OUT.csv");
  EXPECT_NE(csv.find("\n# bad frames: " + std::to_string(bad) + "\n"), std::string::npos);
  // The last row is the last line's frame at its true time.
  const Raw3 last = Pattern(kLines - 1);
  char expect[64];
  std::snprintf(expect, sizeof expect, "\n79.996,%.5f,", last.w[0] * 0.75 / 1000);
  EXPECT_NE(csv.find(expect), std::string::npos) << expect;
}

TEST(SessionWriter, LinesReachTheDiskWhileTheSessionRuns) {
  TempDir dir;
  SessionWriter::Options o;
  o.write_interval = 20ms;
  SessionWriter w(o);
  ASSERT_EQ(w.Start(dir / "r.txt", StartMetadata()), "");
  for (uint64_t i = 0; i < 100; ++i) w.Append(SessionLine(i));
  EXPECT_TRUE(WaitFor([&] { return w.LinesWritten() == 100; }));
  ExpectPrefixOfSession(dir / "r.txt", 100);
  EXPECT_EQ(w.Stop(std::nullopt), "");
  auto md = ReadMetadataFile(MetadataPathFor(dir / "r.txt"), nullptr);
  ASSERT_TRUE(md);
  EXPECT_FALSE(md->totals);  // none were given
}

TEST(SessionWriter, UnwritableTargetIsRefusedAtStartAndAnOldRecordKept) {
  TempDir dir;
  SessionWriter w;
  const std::string missing = dir / "no/such/OUT.txt";
  EXPECT_EQ(w.Start(missing, StartMetadata()).rfind("Cannot create file", 0), 0u);
  EXPECT_FALSE(w.Running());
  w.Append("F0");  // ignored, no crash

  // The metadata cannot replace a folder: refused before the record is emptied.
  WriteAll(dir / "old.txt", "F0 1F\r\n");
  fs::create_directory(dir / "old.txt.json");
  EXPECT_NE(w.Start(dir / "old.txt", StartMetadata()), "");
  EXPECT_EQ(ReadAll(dir / "old.txt"), "F0 1F\r\n");

  // The record name itself is a folder.
  fs::create_directory(dir / "folder.txt");
  EXPECT_EQ(w.Start(dir / "folder.txt", StartMetadata()).rfind("Cannot create file", 0), 0u);
  EXPECT_FALSE(w.Running());
}

TEST(SessionWriter, FailedWriteStopsTheSessionKeepsWholeLinesAndTellsTheOwner) {
  TempDir dir;
  std::atomic<int> calls{0};
  std::atomic<int> reported{0};
  SessionWriter::Options o;
  o.write_interval = 20ms;
  // The second batch gets half-written, then the disk is full.
  o.write = [&](int fd, const void* data, size_t size) -> ssize_t {
    const int call = ++calls;
    if (call == 1) return ::write(fd, data, size);
    if (call == 2) return ::write(fd, data, size / 2 + 3);
    errno = ENOSPC;
    return -1;
  };
  o.on_error = [&](const std::string& message) {
    EXPECT_NE(message.find("No space left on device"), std::string::npos);
    ++reported;
  };
  SessionWriter w(o);
  const std::string path = dir / "r.txt";
  ASSERT_EQ(w.Start(path, StartMetadata()), "");
  for (uint64_t i = 0; i < 10; ++i) w.Append(SessionLine(i));
  ASSERT_TRUE(WaitFor([&] { return w.LinesWritten() == 10; }));
  for (uint64_t i = 10; i < 30; ++i) w.Append(SessionLine(i));
  ASSERT_TRUE(WaitFor([&] { return w.Failure().has_value(); }));
  EXPECT_EQ(reported.load(), 1);
  const uint64_t kept = w.LinesWritten();
  EXPECT_GT(kept, 10u);
  EXPECT_LT(kept, 30u);
  for (uint64_t i = 30; i < 40; ++i) w.Append(SessionLine(i));  // dropped quietly
  const std::string err = w.Stop(std::nullopt);
  EXPECT_NE(err.find("Cannot write file \"" + path + "\": No space left on device"),
            std::string::npos);
  // The half-written line was cut off: the file ends on a whole line.
  const std::string text = ReadAll(path);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  ExpectPrefixOfSession(path, kept);
  auto md = ReadMetadataFile(MetadataPathFor(path), nullptr);
  ASSERT_TRUE(md);
  EXPECT_EQ(md->lines, kept);
}

TEST(SessionWriter, FullDiskLeavesALoadableRecord) {
  TempDir dir;
  const std::string mnt = dir / "small";
  fs::create_directory(mnt);
  if (::mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=256k") != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs here: " << std::strerror(errno);
  }
  struct Unmount {
    std::string dir;
    ~Unmount() { ::umount2(dir.c_str(), MNT_DETACH); }
  } unmount{mnt};

  std::atomic<bool> reported{false};
  SessionWriter::Options o;
  o.write_interval = 10ms;
  o.on_error = [&](const std::string&) { reported = true; };
  SessionWriter w(o);
  const std::string path = mnt + "/OUT.txt";
  ASSERT_EQ(w.Start(path, StartMetadata()), "");
  uint64_t appended = 0;
  // 256 KB hold about 5000 lines; keep feeding until the writer gives up.
  ASSERT_TRUE(WaitFor(
      [&] {
        for (int k = 0; k < 500; ++k) w.Append(SessionLine(appended++));
        return w.Failure().has_value();
      },
      30s));
  EXPECT_TRUE(reported.load());
  const std::string err = w.Stop(SessionTotals{appended, 0, 0});
  EXPECT_NE(err.find("No space left on device"), std::string::npos) << err;
  const uint64_t kept = w.LinesWritten();
  EXPECT_GT(kept, 1000u);
  EXPECT_LT(kept, appended);
  ExpectPrefixOfSession(path, kept);
  // The metadata from the start is still there to go with it.
  EXPECT_TRUE(ReadMetadataFile(MetadataPathFor(path), nullptr));
}

// The child records, and is killed in the middle of writing a batch.
[[noreturn]] void RecordUntilKilled(const std::string& path, int report_fd, int go_fd) {
  static std::atomic<bool> tear{false};
  SessionWriter::Options o;
  o.write_interval = 50ms;
  o.write = [report_fd](int fd, const void* data, size_t size) -> ssize_t {
    if (!tear) return ::write(fd, data, size);
    const ssize_t n = ::write(fd, data, size / 2 + 7);  // cuts a line in two
    (void)::write(report_fd, "T", 1);
    for (;;) ::pause();
    return n;
  };
  SessionWriter w(o);
  if (!w.Start(path, StartMetadata()).empty()) ::_exit(2);
  for (uint64_t i = 0; i < 1000; ++i) w.Append(SessionLine(i));
  std::this_thread::sleep_for(500ms);  // several write intervals: all on disk
  (void)::write(report_fd, "K", 1);
  char go = 0;
  (void)::read(go_fd, &go, 1);  // the parent has looked at the file
  tear = true;
  for (uint64_t i = 1000; i < 1200; ++i) w.Append(SessionLine(i));
  for (;;) ::pause();
}

TEST(SessionWriter, KilledMidSessionLeavesWholeLinesAndDropsTheTornOne) {
  TempDir dir;
  const std::string path = dir / "OUT.txt";
  int fds[2];
  int go[2];
  ASSERT_EQ(::pipe(fds), 0);
  ASSERT_EQ(::pipe(go), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(fds[0]);
    ::close(go[1]);
    RecordUntilKilled(path, fds[1], go[0]);
  }
  // A failed check below must not leave the child paused forever.
  struct Reaper {
    pid_t pid;
    bool reaped = false;
    ~Reaper() {
      if (!reaped) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
      }
    }
  } reaper{child};
  ::close(fds[1]);
  ::close(go[0]);
  char c = 0;
  ASSERT_EQ(::read(fds[0], &c, 1), 1);
  EXPECT_EQ(c, 'K');
  // Written continuously, not only at the end: all 1000 are there already.
  ExpectPrefixOfSession(path, 1000);
  ASSERT_EQ(::write(go[1], "G", 1), 1);
  ASSERT_EQ(::read(fds[0], &c, 1), 1);
  EXPECT_EQ(c, 'T');
  ::kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  reaper.reaped = true;
  EXPECT_TRUE(WIFSIGNALED(status));
  ::close(fds[0]);
  ::close(go[1]);

  RecordFileOpen r = RecordFile::Open(path);
  ASSERT_TRUE(r.file) << r.error;
  EXPECT_GT(r.file->TornBytes(), 0u);
  EXPECT_GE(r.file->LineCount(), 1000u);
  EXPECT_LT(r.file->LineCount(), 1200u);
  ExpectPrefixOfSession(path, r.file->LineCount());
  auto md = ReadMetadataFile(MetadataPathFor(path), nullptr);
  ASSERT_TRUE(md);
  EXPECT_FALSE(md->complete);  // the crash shows
  EXPECT_EQ(md->sample_rate, 250);
}

}  // namespace
}  // namespace pulse::records
