// The program's options as the command line gives them: defaults, values that cannot be used,
// options that need or exclude others, and the session option taken out before Qt sees it.
#include "app/command_line.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace pulse::app {
namespace {

// Reads `args` as the program does; the session option is taken out first.
ParsedOptions Read(std::vector<std::string> args) {
  std::vector<char*> argv;
  std::string program = "pulse3ch";
  argv.push_back(program.data());
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int argc = static_cast<int>(argv.size()) - 1;
  std::optional<QString> session;
  const QString taken = TakeSessionOption(argc, argv.data(), session);
  if (!taken.isEmpty()) return {{}, taken};
  QStringList list;
  for (int i = 0; i < argc; ++i) list << QString::fromLocal8Bit(argv[static_cast<size_t>(i)]);
  QCommandLineParser parser;
  AddOptions(parser);
  if (!parser.parse(list)) return {{}, QStringLiteral("parser: ") + parser.errorText()};
  return ReadOptions(parser, session);
}

std::string ErrorOf(const std::vector<std::string>& args) {
  return Read(args).error.toStdString();
}

TEST(CommandLine, NothingGivenMeansTheWindowWithTheDefaults) {
  const ParsedOptions p = Read({});
  ASSERT_TRUE(p.error.isEmpty()) << p.error.toStdString();
  const Options& o = p.options;
  EXPECT_FALSE(o.Headless());
  EXPECT_FALSE(o.demo);
  EXPECT_FALSE(o.stats);
  EXPECT_FALSE(o.reconnect);
  EXPECT_TRUE(o.ports.isEmpty());
  EXPECT_FALSE(o.at.has_value());
  EXPECT_FALSE(o.cursors.has_value());
  EXPECT_DOUBLE_EQ(o.seconds, kDefaultSnapshotSeconds);
  EXPECT_FALSE(o.seconds_set);
  EXPECT_DOUBLE_EQ(o.reconnect_timeout_s, kDefaultReconnectTimeoutS);
}

TEST(CommandLine, ValuesAreTakenAsGiven) {
  const test::TempDir dir("command-line");
  const ParsedOptions p =
      Read({"--port", "COM3=/dev/ttyUSB0", "--port", "com12=/tmp/x", "--session", dir / "s.txt",
            "--seconds", "2.5", "--reconnect", "--reconnect-timeout", "7", "--stats"});
  ASSERT_TRUE(p.error.isEmpty()) << p.error.toStdString();
  const Options& o = p.options;
  EXPECT_TRUE(o.Headless());
  EXPECT_EQ(o.ports, (QStringList{"COM3=/dev/ttyUSB0", "com12=/tmp/x"}));
  EXPECT_EQ(o.session.toStdString(), dir / "s.txt");
  EXPECT_DOUBLE_EQ(o.seconds, 2.5);
  EXPECT_TRUE(o.seconds_set);
  EXPECT_TRUE(o.reconnect);
  EXPECT_DOUBLE_EQ(o.reconnect_timeout_s, 7);
  EXPECT_TRUE(o.stats);

  const ParsedOptions at =
      Read({"--snapshot", "a.png", "--replay", "r.txt", "--at", "12.5", "--cursors", "1,2"});
  ASSERT_TRUE(at.error.isEmpty()) << at.error.toStdString();
  EXPECT_TRUE(at.options.Headless());
  // Checked once the file is known, so kept as text.
  EXPECT_EQ(at.options.at, QStringLiteral("12.5"));
  EXPECT_EQ(at.options.cursors, QStringLiteral("1,2"));
  EXPECT_FALSE(at.options.seconds_set);
}

TEST(CommandLine, BadValuesAreRefusedWithWhatWasWanted) {
  const std::string seconds = "--seconds wants a number from 0 to 3600";
  EXPECT_EQ(ErrorOf({"--snapshot", "a.png", "--seconds", "abc"}), seconds);
  EXPECT_EQ(ErrorOf({"--snapshot", "a.png", "--seconds", "-1"}), seconds);
  EXPECT_EQ(ErrorOf({"--snapshot", "a.png", "--seconds", "3600.5"}), seconds);
  EXPECT_EQ(ErrorOf({"--snapshot", "a.png", "--seconds", "0"}), "");
  EXPECT_EQ(ErrorOf({"--snapshot", "a.png", "--seconds", "3600"}), "");

  EXPECT_EQ(ErrorOf({"--port", "COM0=/dev/x"}), "--port wants COMn=PATH, got \"COM0=/dev/x\"");
  EXPECT_EQ(ErrorOf({"--port", "COM3"}), "--port wants COMn=PATH, got \"COM3\"");
  EXPECT_EQ(ErrorOf({"--port", "COM3="}), "--port wants COMn=PATH, got \"COM3=\"");
  EXPECT_EQ(ErrorOf({"--port", "ttyUSB0=/dev/ttyUSB0"}),
            "--port wants COMn=PATH, got \"ttyUSB0=/dev/ttyUSB0\"");

  const test::TempDir dir("command-line");
  const std::string timeout = "--reconnect-timeout wants seconds above 0, at most 3600";
  for (const char* bad : {"0", "-2", "3601", "soon"})
    EXPECT_EQ(ErrorOf({"--demo", "--record", dir / "r.txt", "--seconds", "1", "--reconnect",
                       "--reconnect-timeout", bad}),
              timeout)
        << bad;

  EXPECT_EQ(ErrorOf({"--lang", "fr"}), "--lang wants zh or en, got \"fr\"");
  EXPECT_EQ(ErrorOf({"--lang", ""}), "--lang wants zh or en, got \"\"");
  EXPECT_EQ(Read({"--lang", "en"}).options.lang, window::Language::kEnglish);
  EXPECT_EQ(Read({"--lang", "zh"}).options.lang, window::Language::kChinese);
  EXPECT_FALSE(Read({}).options.lang.has_value());

  EXPECT_EQ(ErrorOf({"stray"}), "unexpected argument: stray");
  EXPECT_EQ(ErrorOf({"--session"}), "Missing value after '--session'.");
  EXPECT_EQ(ErrorOf({"--session="}), "--session wants a file name");
}

TEST(CommandLine, OptionsThatNeedOrExcludeOthers) {
  const test::TempDir dir("command-line");
  const std::string rec = dir / "r.txt", ses = dir / "s.txt";
  EXPECT_EQ(ErrorOf({"--replay", "r.txt"}), "--replay only applies to --snapshot");
  const std::string at = "--at goes with --snapshot and --replay, without --seconds";
  EXPECT_EQ(ErrorOf({"--snapshot", "a.png", "--at", "1"}), at);
  EXPECT_EQ(ErrorOf({"--snapshot", "a.png", "--replay", "r.txt", "--at", "1", "--seconds", "2"}),
            at);
  EXPECT_EQ(ErrorOf({"--snapshot", "a.png", "--replay", "r.txt", "--cursors", "1,2"}),
            "--cursors only applies to --at");
  EXPECT_EQ(ErrorOf({"--demo", "--snapshot", "a.png", "--record", rec, "--seconds", "1"}),
            "--snapshot and --record do not go together");
  EXPECT_EQ(ErrorOf({"--demo", "--session", ses, "--record", rec, "--seconds", "1"}),
            "--session goes with neither --record nor --replay");
  EXPECT_EQ(ErrorOf({"--record", rec, "--seconds", "1"}),
            "--record needs --demo or --port COMn=PATH");
  EXPECT_EQ(ErrorOf({"--session", ses, "--seconds", "1"}),
            "--session needs --demo or --port COMn=PATH");
  // A picture of a session brings its own sensor.
  EXPECT_EQ(ErrorOf({"--snapshot", "a.png", "--session", ses, "--seconds", "1"}), "");
  EXPECT_EQ(ErrorOf({"--demo", "--seconds", "1"}),
            "--seconds only applies to --snapshot, --record and --session");
  EXPECT_EQ(ErrorOf({"--demo", "--snapshot", "a.png", "--reconnect"}),
            "--reconnect goes with --record or --session");
  EXPECT_EQ(ErrorOf({"--demo", "--record", rec, "--seconds", "1", "--reconnect-timeout", "5"}),
            "--reconnect-timeout goes with --reconnect");
  EXPECT_EQ(ErrorOf({"--demo", "--record", rec}), "--record needs --seconds N");
  EXPECT_EQ(ErrorOf({"--demo", "--session", ses}), "--session needs --seconds N");
}

TEST(CommandLine, ARecordTargetIsCheckedBeforeAnythingRuns) {
  const test::TempDir dir("command-line");
  EXPECT_EQ(ErrorOf({"--demo", "--record", dir.Path().string(), "--seconds", "1"}),
            "cannot write the record to " + dir.Path().string() + ": it is a folder");
  EXPECT_EQ(ErrorOf({"--demo", "--session", dir / "no/s.txt", "--seconds", "1"}),
            "cannot write the record to " + (dir / "no/s.txt") + ": no such folder");
  if (::geteuid() != 0) {  // root writes anywhere
    std::filesystem::permissions(
        dir.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_EQ(ErrorOf({"--demo", "--record", dir / "r.txt", "--seconds", "1"}),
              "cannot write the record to " + (dir / "r.txt") + ": the folder is not writable");
    std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_all);
  }
}

TEST(CommandLine, TheSessionOptionIsTakenOutBeforeQtSeesIt) {
  std::vector<std::string> args = {"pulse3ch",        "--demo",    "--session", "a.txt",
                                   "--session=b.txt", "--seconds", "1",         "--",
                                   "--session",       "c.txt"};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int argc = static_cast<int>(args.size());
  std::optional<QString> value;
  EXPECT_TRUE(TakeSessionOption(argc, argv.data(), value).isEmpty());
  // The last one before "--" counts; what follows "--" is left alone.
  EXPECT_EQ(value, QStringLiteral("b.txt"));
  std::vector<std::string> left(argv.begin(), argv.begin() + argc);
  EXPECT_EQ(left, (std::vector<std::string>{"pulse3ch", "--demo", "--seconds", "1", "--",
                                            "--session", "c.txt"}));
  EXPECT_EQ(argv[static_cast<size_t>(argc)], nullptr);

  EXPECT_TRUE(HasArg(argc, argv.data(), "--seconds"));
  EXPECT_FALSE(HasArg(argc, argv.data(), "--second"));
  const char* eq[] = {"pulse3ch", "--snapshot=a.png", nullptr};
  EXPECT_TRUE(HasArg(2, eq, "--snapshot"));
  EXPECT_FALSE(HasArg(2, eq, "--snap"));
}

}  // namespace
}  // namespace pulse::app
