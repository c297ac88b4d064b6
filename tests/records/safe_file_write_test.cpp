#include "records/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "tests/support/temp_dir.h"
#include "tests/support/unprivileged.h"

namespace pulse::records {
namespace {

namespace fs = std::filesystem;
using test::GiveToUnprivileged;
using test::ReadAll;
using test::RunUnprivileged;
using test::WriteAll;

mode_t ModeOf(const fs::path& p) {
  struct stat st {};
  ::lstat(p.c_str(), &st);
  return st.st_mode & 07777;
}

class SafeFileWriteTest : public ::testing::Test {
 protected:
  // Names of everything in a folder, to see that no temporary file is left.
  static std::set<std::string> Names(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
  }

  test::TempDir temp_{"pulse-safe-write"};
  fs::path dir_ = temp_.Path();
};

TEST_F(SafeFileWriteTest, ReplacesTheContentsAndKeepsTheMode) {
  const fs::path file = dir_ / "a.txt";
  WriteAll(file, "old contents, longer than the new ones");
  ::chmod(file.c_str(), 0640);
  FileWriteResult r = ReplaceFileContents(file.string(), "new");
  ASSERT_TRUE(r.Ok()) << r.Reason();
  EXPECT_EQ(ReadAll(file), "new");
  EXPECT_EQ(ModeOf(file), 0640u);

  ::chmod(file.c_str(), 0604);
  ASSERT_TRUE(ReplaceFileContents(file.string(), "").Ok());
  EXPECT_EQ(ReadAll(file), "");
  EXPECT_EQ(ModeOf(file), 0604u);
  EXPECT_EQ(Names(dir_), std::set<std::string>{"a.txt"});

  // A new file gets the mode any new file gets.
  const mode_t old_mask = ::umask(027);
  r = ReplaceFileContents((dir_ / "new.txt").string(), "x");
  ::umask(old_mask);
  ASSERT_TRUE(r.Ok()) << r.Reason();
  EXPECT_EQ(ModeOf(dir_ / "new.txt"), 0640u);
}

TEST_F(SafeFileWriteTest, WritesThroughSymbolicLinksToTheFileTheyName) {
  fs::create_directories(dir_ / "real");
  fs::create_directories(dir_ / "links");
  const fs::path real = dir_ / "real" / "settings.ini";
  WriteAll(real, "old");
  ::chmod(real.c_str(), 0600);
  // links/second -> first -> ../real/settings.ini, both relative.
  fs::create_symlink("../real/settings.ini", dir_ / "links" / "first");
  fs::create_symlink("first", dir_ / "links" / "second");

  const FileReplacePlan plan = PlanFileReplace((dir_ / "links" / "second").string());
  EXPECT_TRUE(plan.refusal.Ok());
  EXPECT_TRUE(plan.exists);
  EXPECT_TRUE(fs::equivalent(plan.target, real)) << plan.target;

  const FileWriteResult r = ReplaceFileContents((dir_ / "links" / "second").string(), "new");
  ASSERT_TRUE(r.Ok()) << r.Reason();
  EXPECT_EQ(ReadAll(real), "new");
  EXPECT_EQ(ModeOf(real), 0600u);
  EXPECT_TRUE(fs::is_symlink(dir_ / "links" / "first"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "links" / "second"));
  EXPECT_EQ(Names(dir_ / "real"), std::set<std::string>{"settings.ini"});
  EXPECT_EQ(Names(dir_ / "links"), (std::set<std::string>{"first", "second"}));

  // A link to a file not there yet creates that file, and stays a link.
  fs::create_symlink(dir_ / "real" / "later.ini", dir_ / "dangling");
  ASSERT_TRUE(ReplaceFileContents((dir_ / "dangling").string(), "made").Ok());
  EXPECT_TRUE(fs::is_symlink(dir_ / "dangling"));
  EXPECT_EQ(ReadAll(dir_ / "real" / "later.ini"), "made");

  // A loop of links is refused without writing anything.
  fs::create_symlink("loop-b", dir_ / "loop-a");
  fs::create_symlink("loop-a", dir_ / "loop-b");
  const FileWriteResult loop = ReplaceFileContents((dir_ / "loop-a").string(), "x");
  EXPECT_EQ(loop.stage, FileWriteStage::kCreate);
  EXPECT_EQ(loop.error, ELOOP);
  EXPECT_TRUE(fs::is_symlink(dir_ / "loop-a"));
}

TEST_F(SafeFileWriteTest, AFileTheUserMayNotWriteIsRefusedAsItIs) {
  const fs::path real = dir_ / "kept.txt";
  WriteAll(real, "precious");
  fs::create_symlink("kept.txt", dir_ / "link");
  std::string asked;
  auto deny = [&](const std::string& path) {
    asked = path;
    return EACCES;
  };
  const FileWriteResult r = ReplaceFileContents((dir_ / "link").string(), "new", deny);
  EXPECT_EQ(r.stage, FileWriteStage::kCreate);
  EXPECT_EQ(r.error, EACCES);
  EXPECT_EQ(r.Reason(), "Permission denied");
  EXPECT_EQ(fs::path(asked), real);  // the file itself is judged, not the link
  EXPECT_EQ(ReadAll(real), "precious");
  EXPECT_EQ(Names(dir_), (std::set<std::string>{"kept.txt", "link"}));

  // A new file has nobody's permission to ask.
  EXPECT_TRUE(ReplaceFileContents((dir_ / "fresh.txt").string(), "x", deny).Ok());
}

// For real: an ordinary user owns the folder, so a rename over the read-only
// file would go through; the file's own mode must stop it.
TEST_F(SafeFileWriteTest, AReadOnlyFileIsRefusedForAnOrdinaryUser) {
  const fs::path box = dir_ / "box";
  fs::create_directories(box);
  WriteAll(box / "ro.txt", "read only");
  WriteAll(box / "rw.txt", "writable");
  ASSERT_TRUE(GiveToUnprivileged(box.string()));
  ASSERT_TRUE(GiveToUnprivileged((box / "ro.txt").string()));
  ASSERT_TRUE(GiveToUnprivileged((box / "rw.txt").string()));
  ::chmod((box / "ro.txt").c_str(), 0444);
  ::chmod((box / "rw.txt").c_str(), 0644);

  const std::string out = RunUnprivileged([&] {
    const FileWriteResult ro = ReplaceFileContents((box / "ro.txt").string(), "changed");
    const FileWriteResult rw = ReplaceFileContents((box / "rw.txt").string(), "changed");
    return std::string(ro.Ok() ? "ro written" : "ro: " + ro.Reason()) + "; " +
           (rw.Ok() ? "rw written" : "rw: " + rw.Reason());
  });
  EXPECT_EQ(out, "ro: Permission denied; rw written");
  EXPECT_EQ(ReadAll(box / "ro.txt"), "read only");
  EXPECT_EQ(ModeOf(box / "ro.txt"), 0444u);
  EXPECT_EQ(ReadAll(box / "rw.txt"), "changed");
  EXPECT_EQ(Names(box), (std::set<std::string>{"ro.txt", "rw.txt"}));
}

TEST_F(SafeFileWriteTest, RootReplacingAFileKeepsItsModeAndOwner) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  const fs::path file = dir_ / "theirs.txt";
  WriteAll(file, "old");
  ASSERT_EQ(::chown(file.c_str(), test::kUnprivilegedId, test::kUnprivilegedId), 0);
  ::chmod(file.c_str(), 0444);
  ASSERT_TRUE(ReplaceFileContents(file.string(), "new").Ok());
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(ReadAll(file), "new");
  EXPECT_EQ(st.st_mode & 07777, 0444u);
  EXPECT_EQ(st.st_uid, test::kUnprivilegedId);
  EXPECT_EQ(st.st_gid, test::kUnprivilegedId);
}

TEST_F(SafeFileWriteTest, WhatIsNoRegularFileIsNotReplaced) {
  fs::create_directories(dir_ / "folder");
  FileWriteResult r = ReplaceFileContents((dir_ / "folder").string(), "x");
  EXPECT_EQ(r.stage, FileWriteStage::kCreate);
  EXPECT_EQ(r.error, EISDIR);
  EXPECT_TRUE(fs::is_directory(dir_ / "folder"));

  ASSERT_EQ(::mkfifo((dir_ / "pipe").c_str(), 0600), 0);
  r = ReplaceFileContents((dir_ / "pipe").string(), "x");
  EXPECT_EQ(r.stage, FileWriteStage::kCreate);
  EXPECT_EQ(r.Reason(), "not a regular file");
  EXPECT_TRUE(fs::is_fifo(dir_ / "pipe"));

  // A path through a file, and a folder that is not there.
  WriteAll(dir_ / "plain", "x");
  r = ReplaceFileContents((dir_ / "plain" / "f").string(), "x");
  EXPECT_EQ(r.stage, FileWriteStage::kCreate);
  EXPECT_EQ(r.error, ENOTDIR);
  r = ReplaceFileContents((dir_ / "missing" / "f").string(), "x");
  EXPECT_EQ(r.stage, FileWriteStage::kCreate);
  EXPECT_EQ(r.error, ENOENT);
  EXPECT_EQ(Names(dir_), (std::set<std::string>{"folder", "pipe", "plain"}));
}

// The streaming writer the exports use gets the same plan: links followed,
// refusals worded as file errors, the old file's mode kept.
TEST_F(SafeFileWriteTest, AtomicFileWritesThroughALinkAndKeepsTheMode) {
  const fs::path real = dir_ / "real.csv";
  WriteAll(real, "old");
  ::chmod(real.c_str(), 0640);
  fs::create_symlink("real.csv", dir_ / "link.csv");
  {
    AtomicFile f;
    ASSERT_EQ(f.Open((dir_ / "link.csv").string()), "");
    ASSERT_EQ(f.Write("new "), "");
    ASSERT_EQ(f.Write("data"), "");
    ASSERT_EQ(f.Commit(), "");
  }
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.csv"));
  EXPECT_EQ(ReadAll(real), "new data");
  EXPECT_EQ(ModeOf(real), 0640u);
  EXPECT_EQ(Names(dir_), (std::set<std::string>{"link.csv", "real.csv"}));
}

TEST_F(SafeFileWriteTest, AtomicFileDroppedOrWrittenByPathLeavesNoTemporary) {
  const fs::path target = dir_ / "out.edf";
  WriteAll(target, "old");
  {
    AtomicFile f;
    ASSERT_EQ(f.Open(target.string()), "");
    ASSERT_EQ(f.Write("half"), "");
  }  // no Commit: the old file stays
  EXPECT_EQ(ReadAll(target), "old");
  EXPECT_EQ(Names(dir_), std::set<std::string>{"out.edf"});

  // A library that writes by path: the temporary is its file until Commit.
  AtomicFile f;
  ASSERT_EQ(f.Open(target.string()), "");
  ASSERT_EQ(f.CloseForPathWriter(), "");
  WriteAll(f.TempPath(), "by path");
  ASSERT_EQ(f.Commit(), "");
  EXPECT_EQ(ReadAll(target), "by path");
  EXPECT_EQ(Names(dir_), std::set<std::string>{"out.edf"});
}

TEST_F(SafeFileWriteTest, AtomicFileRefusesWithTheFileErrorText) {
  ASSERT_EQ(::mkfifo((dir_ / "pipe").c_str(), 0600), 0);
  AtomicFile pipe;
  EXPECT_EQ(pipe.Open((dir_ / "pipe").string()),
            "Cannot create file \"" + (dir_ / "pipe").string() + "\": not a regular file");
  EXPECT_TRUE(pipe.Failure().not_regular);

  WriteAll(dir_ / "locked", "keep");
  AtomicFile locked;
  const std::string err =
      locked.Open((dir_ / "locked").string(), [](const std::string&) { return EACCES; });
  EXPECT_EQ(err, "Cannot create file \"" + (dir_ / "locked").string() + "\": Permission denied");
  EXPECT_EQ(locked.Failure().stage, FileWriteStage::kCreate);
  EXPECT_EQ(locked.Commit().rfind("Cannot create file", 0), 0u);  // nothing to commit
  EXPECT_EQ(ReadAll(dir_ / "locked"), "keep");
  EXPECT_EQ(Names(dir_), (std::set<std::string>{"locked", "pipe"}));
}

}  // namespace
}  // namespace pulse::records
