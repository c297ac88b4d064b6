#include "records/record_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/records/record_test_support.h"

namespace pulse::records {
namespace {

using namespace pulse::test;

std::vector<std::string> Stream(const RecordFile& f, size_t first = 0) {
  std::vector<std::string> out;
  const std::string err = f.ForEachLine(
      [&](size_t i, std::string_view text) {
        EXPECT_EQ(i, first + out.size());
        out.emplace_back(text);
        return true;
      },
      first);
  EXPECT_EQ(err, "");
  return out;
}

TEST(RecordFile, IndexesLinesAndReadsThemInAnyOrder) {
  TempDir dir;
  const std::string path = dir / "r.txt";
  std::string text;
  std::vector<std::string> lines;
  for (int i = 0; i < 5000; ++i) {
    lines.push_back(Line3(Pattern(static_cast<uint64_t>(i))));
    text += lines.back() + "\r\n";
  }
  WriteAll(path, text);
  RecordFileOpen r = RecordFile::Open(path);
  ASSERT_TRUE(r.file) << r.error;
  ASSERT_EQ(r.file->LineCount(), lines.size());
  EXPECT_EQ(r.file->LongestLine(), 50u);
  EXPECT_EQ(r.file->TornBytes(), 0u);
  EXPECT_EQ(*r.file->Line(4999), lines[4999]);
  EXPECT_EQ(*r.file->Line(0), lines[0]);
  EXPECT_EQ(*r.file->Line(2500), lines[2500]);
  EXPECT_FALSE(r.file->Line(5000));
  // Streaming crosses the reader's block boundaries without losing a byte.
  EXPECT_EQ(Stream(*r.file), lines);
  EXPECT_EQ(Stream(*r.file, 4998), (std::vector<std::string>{lines[4998], lines[4999]}));
}

TEST(RecordFile, StreamingStopsWhenAsked) {
  TempDir dir;
  WriteAll(dir / "r.txt", Line1(1, 1) + "\r\n" + Line1(2, 2) + "\r\n" + Line1(3, 3) + "\r\n");
  RecordFileOpen r = RecordFile::Open(dir / "r.txt");
  ASSERT_TRUE(r.file);
  int calls = 0;
  EXPECT_EQ(r.file->ForEachLine([&](size_t, std::string_view) { return ++calls < 2; }), "");
  EXPECT_EQ(calls, 2);
}

TEST(RecordFile, LineEndsOfAnyKindEmptyLinesAndATornLastLine) {
  TempDir dir;
  const std::string a = Line1(1, 2), b = Line1(3, 4), c = Line1(5, 6);
  // LF only, CR only, blank lines between, and a last line cut short by a crash.
  WriteAll(dir / "r.txt", "\xEF\xBB\xBF" + a + "\n\r\n\r\n" + b + "\r" + c + "\r\nF0 1F 05 3");
  RecordFileOpen r = RecordFile::Open(dir / "r.txt");
  ASSERT_TRUE(r.file) << r.error;
  EXPECT_EQ(Stream(*r.file), (std::vector<std::string>{a, b, c}));
  EXPECT_EQ(*r.file->Line(1), b);
  EXPECT_EQ(r.file->TornBytes(), 10u);
}

TEST(RecordFile, ManyBlankLinesAfterALineDoNotBreakStreaming) {
  TempDir dir;
  const std::string a = Line1(1, 2), b = Line1(3, 4);
  std::string blanks;
  for (int i = 0; i < 700000; ++i) blanks += "\r\n";  // more than one read block
  WriteAll(dir / "r.txt", a + "\r\n" + blanks + b + "\r\n");
  RecordFileOpen r = RecordFile::Open(dir / "r.txt");
  ASSERT_TRUE(r.file);
  EXPECT_EQ(Stream(*r.file), (std::vector<std::string>{a, b}));
}

TEST(RecordFile, RefusesFilesThatAreNoRecordsWithTheLoadTexts) {
  TempDir dir;
  WriteAll(dir / "bin.txt", Line1(1, 1) + "\r\n" + Line1(2, 2) + "\r\nF0 \x01 1F\r\n");
  RecordFileOpen r = RecordFile::Open(dir / "bin.txt");
  EXPECT_FALSE(r.file);
  EXPECT_EQ(r.error, "\"" + (dir / "bin.txt") + "\" is not a text file (binary data in line 3)");

  WriteAll(dir / "long.txt", Line1(1, 1) + "\r\n" + std::string(1025, 'A') + "\r\n");
  r = RecordFile::Open(dir / "long.txt");
  EXPECT_EQ(r.error, "\"" + (dir / "long.txt") +
                         "\" is not a record file (line 2 is longer than 1024 characters)");
  // Exactly the limit is still a line (a damaged one).
  WriteAll(dir / "limit.txt", std::string(1024, 'A') + "\r\n");
  r = RecordFile::Open(dir / "limit.txt");
  ASSERT_TRUE(r.file) << r.error;
  EXPECT_EQ(r.file->Line(0)->size(), 1024u);

  r = RecordFile::Open(dir / "missing.txt");
  EXPECT_EQ(r.error,
            "Cannot open file \"" + (dir / "missing.txt") + "\": No such file or directory");
  EXPECT_FALSE(fs::exists(dir / "missing.txt"));  // reading never creates it

  r = RecordFile::Open(dir.Path().string());
  EXPECT_EQ(r.error, "\"" + dir.Path().string() + "\" is not a regular file");
}

TEST(RecordFile, UnreadableFileIsRefused) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
  TempDir dir;
  WriteAll(dir / "r.txt", Line1(1, 1) + "\r\n");
  ::chmod((dir / "r.txt").c_str(), 0);
  EXPECT_EQ(RecordFile::Open(dir / "r.txt").error,
            "Cannot open file \"" + (dir / "r.txt") + "\": Permission denied");
}

TEST(RecordLineClass, GoodBadAndDamaged) {
  RecordLine good = ClassifyLine(Line3({{1, -2, 3}, {-4, 5, -32768}}));
  EXPECT_EQ(good.status, RecordLine::Status::kGood);
  EXPECT_EQ(good.channels, 3);
  EXPECT_EQ(good.values.wave_raw[2], -32768);
  EXPECT_EQ(good.values.static_raw[1], -2);

  RecordLine one = ClassifyLine(Line1(16, 32));
  EXPECT_EQ(one.status, RecordLine::Status::kGood);
  EXPECT_EQ(one.channels, 1);
  EXPECT_EQ(one.values.static_raw[0], 16);

  EXPECT_EQ(ClassifyLine(Line1(16, 32, 1)).status, RecordLine::Status::kBadChecksum);
  EXPECT_EQ(ClassifyLine("F0 1F 05 34 10 00 20").status, RecordLine::Status::kDamaged);
  EXPECT_EQ(ClassifyLine("F0 1F 01 31 41").status, RecordLine::Status::kDamaged);  // start ack
  EXPECT_EQ(ClassifyLine("hello").status, RecordLine::Status::kDamaged);
}

}  // namespace
}  // namespace pulse::records
