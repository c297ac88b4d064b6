// The virtual-sensor program: its help, its first line, its exit report and its signals.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/vsensor/host_port.h"

namespace {

using namespace std::chrono_literals;

// The program, running with its standard output on a pipe.
class Program {
 public:
  explicit Program(std::vector<std::string> args) {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fds[1], STDOUT_FILENO);
      close(fds[0]);
      close(fds[1]);
      std::vector<char*> argv{const_cast<char*>(VIRTUAL_SENSOR_PROGRAM)};
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(fds[1]);
    out_ = fdopen(fds[0], "r");
  }
  ~Program() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_) fclose(out_);
  }
  std::string Line() {
    char buf[512];
    if (!fgets(buf, sizeof buf, out_)) return {};
    std::string s(buf);
    if (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
  }
  std::string Rest() {
    std::string s;
    char buf[512];
    while (fgets(buf, sizeof buf, out_)) s += buf;
    return s;
  }
  void Signal(int sig) { kill(pid_, sig); }
  int Wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

 private:
  pid_t pid_ = -1;
  FILE* out_ = nullptr;
};

TEST(VirtualSensorProgram, HelpDocumentsEveryOption) {
  Program p({"--help"});
  const std::string help = p.Rest();
  EXPECT_EQ(p.Wait(), 0);
  for (const char* opt :
       {"--link", "--channels", "--rate", "--seed", "--serial", "--date", "--zero-delay", "--baud",
        "--unpaced", "--noise", "--bad-checksum", "--lose-bytes", "--drop-acks", "--split",
        "--hangup-after", "--frame-log", "--quiet", "--help", "--bpm", "--irregular",
        "--amplitude", "--drift", "--motion", "--signal", "--truth", "--return-after"}) {
    EXPECT_NE(help.find(opt), std::string::npos) << opt;
  }
}

TEST(VirtualSensorProgram, RejectsBadArguments) {
  for (std::vector<std::string> args :
       std::vector<std::vector<std::string>>{{"--channels", "2"},
                                             {"--noise", "1.5"},
                                             {"--lose-bytes", "-0.1"},
                                             {"--rate", "x"},
                                             {"--date", "2019-9-23"},
                                             {"--serial", "12345"},
                                             {"--bpm", "60,90"},
                                             {"--bpm", "500"},
                                             {"--bpm", "60,90@20,80@10"},
                                             {"--irregular", "2"},
                                             {"--signal", "wavy"},
                                             // Coming back needs a hang-up and a link to come back at.
                                             {"--return-after", "1"},
                                             {"--hangup-after", "1", "--return-after", "1"},
                                             {"--bogus"},
                                             {"extra"}}) {
    Program p(args);
    EXPECT_EQ(p.Rest(), "") << args[0];
    EXPECT_EQ(p.Wait(), 2) << args[0];
  }
}

TEST(VirtualSensorProgram, PrintsThePathAndItsStatisticsOnSigterm) {
  Program p({"--seed", "4", "--serial", "0A0B0C0D", "--date", "2024-05-17"});
  const std::string path = p.Line();
  ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
  pulse::test::HostPort port(path);
  port.Write(pulse::test::Command(0x36));
  port.Write(pulse::test::Command(0x37));
  port.Write(pulse::test::Command(0x31));
  port.ReadFor(300ms);
  const auto scan = pulse::test::ScanFrames(port.All());
  ASSERT_GE(scan.frames.size(), 3u);
  EXPECT_EQ(scan.frames[0].bytes,
            (pulse::test::Bytes{0xF0, 0x1F, 0x05, 0x36, 0x0A, 0x0B, 0x0C, 0x0D, 0x78}));
  EXPECT_EQ(scan.frames[1].bytes,
            (pulse::test::Bytes{0xF0, 0x1F, 0x05, 0x37, 0x24, 0x05, 0x17, 0x20, 0xAB}));
  p.Signal(SIGTERM);
  const std::string report = p.Rest();
  EXPECT_EQ(p.Wait(), 0);
  EXPECT_NE(report.find("command start: received 1, replies 1"), std::string::npos) << report;
  EXPECT_EQ(report.find("data frames intact:        0\n"), std::string::npos) << report;
}

// The frame log lists each data frame as it went out, in the host's record format.
TEST(VirtualSensorProgram, FrameLogListsEveryDataFrameSent) {
  const pulse::test::TempDir dir("vsensor-program");
  const std::string log = dir / "frames.log";
  Program p({"--seed", "6", "--lose-bytes", "0.3", "--frame-log", log});
  pulse::test::HostPort port(p.Line());
  port.Write(pulse::test::Command(0x31));
  port.ReadFor(400ms);
  p.Signal(SIGTERM);
  const std::string report = p.Rest();
  EXPECT_EQ(p.Wait(), 0);

  std::ifstream in(log);
  std::map<std::string, std::uint64_t> kinds;
  for (std::string line; std::getline(in, line);) {
    const auto blank = line.find(' ');
    ++kinds[line.substr(0, blank)];
    if (line.rfind("intact ", 0) == 0) {
      EXPECT_EQ(line.size(), 7 + 17 * 3 - 1) << line;
      EXPECT_EQ(line.substr(7, 11), "F0 1F 0D 34") << line;
    }
  }
  ASSERT_GT(kinds["intact"], 0u);
  ASSERT_GT(kinds["short"], 0u);
  EXPECT_EQ(kinds.size(), 2u);
  EXPECT_NE(report.find("data frames intact:        " + std::to_string(kinds["intact"]) + "\n"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("data frames lost bytes:    " + std::to_string(kinds["short"]) + "\n"),
            std::string::npos)
      << report;
}

// The true beats of a scripted rate, written as the frames that carry them go out.
TEST(VirtualSensorProgram, TruthFileListsTheBeatsOfTheScriptedRate) {
  const pulse::test::TempDir dir("vsensor-program");
  const std::string truth = dir / "truth.csv";
  Program p({"--bpm", "120", "--rate", "250", "--quiet", "--truth", truth});
  pulse::test::HostPort port(p.Line());
  port.Write(pulse::test::Command(0x31));
  port.ReadFor(1500ms);
  p.Signal(SIGTERM);
  EXPECT_EQ(p.Wait(), 0);

  std::ifstream in(truth);
  std::string header;
  std::getline(in, header);
  EXPECT_EQ(header, "channel,onset_s,peak_s,kind");
  std::map<int, std::vector<double>> onsets;
  for (std::string line; std::getline(in, line);) {
    int channel = 0;
    double onset = 0, peak = 0;
    char kind[16] = {};
    ASSERT_EQ(std::sscanf(line.c_str(), "%d,%lf,%lf,%15s", &channel, &onset, &peak, kind), 4)
        << line;
    EXPECT_STREQ(kind, "beat");
    EXPECT_GT(peak, onset);
    onsets[channel].push_back(onset);
  }
  ASSERT_EQ(onsets.size(), 3u);
  ASSERT_GE(onsets[1].size(), 2u);
  for (std::size_t i = 1; i < onsets[1].size(); ++i)
    EXPECT_NEAR(onsets[1][i] - onsets[1][i - 1], 0.5, 1e-3);
  // The pulse reaches the further sensing points a little later.
  EXPECT_GT(onsets[3][0], onsets[2][0]);
  EXPECT_GT(onsets[2][0], onsets[1][0]);
}

TEST(VirtualSensorProgram, EndsByItselfAfterAHangUp) {
  const pulse::test::TempDir dir("vsensor-program");
  Program p({"--hangup-after", "0.2", "--link", dir / "link"});
  const std::string path = p.Line();
  ASSERT_FALSE(path.empty());
  const std::string report = p.Rest();  // returns when the program exits
  EXPECT_EQ(p.Wait(), 0);
  EXPECT_NE(report.find("hang-ups:                  1"), std::string::npos) << report;
  EXPECT_NE(access((dir / "link").c_str(), F_OK), 0);
}

}  // namespace
