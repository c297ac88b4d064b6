// The shared helpers themselves: a fault here would show up as strange failures everywhere.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include <filesystem>
#include <string>
#include <utility>

#include "tests/support/program_run.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

namespace pulse::test {
namespace {

namespace fs = std::filesystem;

TEST(TempDirTest, EachIsNewAndGoesWithItsContentsOnceOnly) {
  fs::path first;
  {
    const TempDir a("support"), b("support");
    first = a.Path();
    ASSERT_TRUE(fs::is_directory(a.Path()));
    EXPECT_NE(a.Path(), b.Path());
    EXPECT_TRUE(fs::is_empty(a.Path()));
    EXPECT_EQ(a.Slash(), a.Path().string() + "/");
    EXPECT_EQ(a / "x.txt", (a.Path() / "x.txt").string());
    fs::create_directories(a.Path() / "sub");
    WriteAll(a.Path() / "sub" / "f.bin", std::string("A\0B\r\n", 5));
    EXPECT_EQ(ReadAll(a.Path() / "sub" / "f.bin"), std::string("A\0B\r\n", 5));
  }
  EXPECT_FALSE(fs::exists(first));
  EXPECT_EQ(ReadAll(first / "missing"), "");

  // A moved folder stays until its new owner goes.
  TempDir moved("support");
  const fs::path kept = moved.Path();
  {
    TempDir owner(std::move(moved));
    EXPECT_EQ(owner.Path(), kept);
    EXPECT_TRUE(moved.Path().empty());  // NOLINT(bugprone-use-after-move): the moved-from state
  }
  EXPECT_FALSE(fs::exists(kept));

  TempDir x("support"), y("support");
  const fs::path old_x = x.Path(), old_y = y.Path();
  x = std::move(y);
  EXPECT_FALSE(fs::exists(old_x)) << "the folder it held goes";
  EXPECT_EQ(x.Path(), old_y);
  EXPECT_TRUE(fs::exists(old_y));
}

TEST(PtyPairTest, BytesCrossBothWaysAndCloseMasterHangsUp) {
  PtyPair pty;
  const int slave = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(slave, 0) << pty.SlavePath();
  termios t{};
  ASSERT_EQ(::tcgetattr(slave, &t), 0);
  ::cfmakeraw(&t);
  ASSERT_EQ(::tcsetattr(slave, TCSANOW, &t), 0);

  pty.Write({0xF0, 0x0A, 0x00});
  uint8_t got[3] = {};
  ASSERT_EQ(::read(slave, got, sizeof got), 3);
  EXPECT_EQ(got[1], 0x0A) << "raw: no newline translation";

  const uint8_t reply[] = {1, 2, 3, 4, 5};
  ASSERT_EQ(::write(slave, reply, sizeof reply), 5);
  // Asked for fewer than were sent: no more than asked for.
  EXPECT_EQ(pty.Read(2, std::chrono::milliseconds(1000)), (std::vector<uint8_t>{1, 2}));
  EXPECT_EQ(pty.Read(10, std::chrono::milliseconds(200)), (std::vector<uint8_t>{3, 4, 5}));

  pty.CloseMaster();
  EXPECT_EQ(pty.Master(), -1);
  pty.CloseMaster();  // twice is harmless
  uint8_t b = 0;
  EXPECT_LE(::read(slave, &b, 1), 0) << "the slave sees the hang-up";
  ::close(slave);
}

TEST(ProgramRunTest, OutputErrorAndExitCodeAreKeptApart) {
  const ProgramRun run = RunCommand("printf 'out\\n'; printf 'err\\n' >&2; exit 3");
  EXPECT_EQ(run.code, 3);
  EXPECT_EQ(run.out, "out\n");
  EXPECT_EQ(run.err, "err\n");
  EXPECT_EQ(RunCommand("kill -9 $$").code, -1);
}

}  // namespace
}  // namespace pulse::test
