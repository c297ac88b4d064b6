// pulse3ch --snapshot OUT.png --replay REC.txt --at SECONDS through the program: the
// picture follows the time asked for, and a bad --at is refused with exit 1.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/records/record_test_support.h"
#include "tests/support/program_run.h"

namespace {

namespace fs = std::filesystem;

using pulse::test::ProgramRun;

class PlayerSnapshot : public ::testing::Test {
 protected:
  void SetUp() override {
    // 30 s at 200 per second of a wave that changes shape over the file.
    std::ofstream out(dir_ / "rec.txt", std::ios::binary);
    for (int i = 0; i < 6000; ++i) {
      pulse::test::Raw3 r{};
      const double t = i / 200.0;
      for (int c = 0; c < 3; ++c) {
        r.s[c] = static_cast<int16_t>(400 + 10 * c);
        r.w[c] = static_cast<int16_t>(std::lround(1200 * std::sin(t * (1 + t / 5))));
      }
      out << pulse::test::Line3(r) << "\r\n";
    }
  }

  ProgramRun Run(const std::string& at, const std::string& png) {
    return pulse::test::RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen '" +
                                   std::string(PULSE3CH_BINARY) + "' --snapshot '" + png +
                                   "' --replay '" + (dir_ / "rec.txt").string() + "' --at '" + at +
                                   "'");
  }
  // The views' part of the picture: above the bar and strips, without the clock.
  static QImage Views(const std::string& png) {
    const QImage img(QString::fromStdString(png));
    return img.copy(0, 0, img.width(), img.height() / 2);
  }

  pulse::test::TempDir temp_{"player-snapshot"};
  fs::path dir_ = temp_.Path();
};

TEST_F(PlayerSnapshot, ThePictureFollowsTheTimeAskedFor) {
  const std::string a = (dir_ / "a.png").string(), a2 = (dir_ / "a2.png").string(),
                    b = (dir_ / "b.png").string();
  ASSERT_EQ(Run("6", a).code, 0);
  ASSERT_EQ(Run("6", a2).code, 0);
  ASSERT_EQ(Run("25.5", b).code, 0);
  const QImage va = Views(a);
  ASSERT_FALSE(va.isNull());
  EXPECT_EQ(va, Views(a2)) << "the same time gives the same views";
  EXPECT_NE(va, Views(b));
  // The very end of the file is a time too.
  EXPECT_EQ(Run("29.995", (dir_ / "end.png").string()).code, 0);
}

TEST_F(PlayerSnapshot, ABadTimeIsRefusedWithExit1) {
  for (const char* at : {"-1", "30.5", "abc", ""}) {
    const std::string png = (dir_ / "bad.png").string();
    const ProgramRun run = Run(at, png);
    EXPECT_EQ(run.code, 1) << "--at '" << at << "': " << run.err;
    EXPECT_NE(run.err.find("--at"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(png)) << "no picture for --at '" << at << "'";
  }
  {  // A missing file is not created by the attempt.
    const std::string missing = (dir_ / "missing.txt").string();
    const std::string command = "env -u DISPLAY QT_QPA_PLATFORM=offscreen '" +
                                std::string(PULSE3CH_BINARY) + "' --snapshot '" +
                                (dir_ / "m.png").string() + "' --replay '" + missing +
                                "' --at 1 2>/dev/null";
    const int status = std::system(command.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_FALSE(fs::exists(missing));
  }
}

}  // namespace
