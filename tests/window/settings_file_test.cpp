#include "window/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "tests/support/temp_dir.h"
#include "tests/support/unprivileged.h"

namespace fs = std::filesystem;
using pulse::window::IniEncoding;
using pulse::window::IniFile;
using pulse::window::PortSettings;
using pulse::window::ReadPortSettings;
using pulse::window::SettingsDirFor;
using pulse::window::SettingsError;
using pulse::window::WritePortSettings;

namespace {

// "串口" in GBK, and the section header line as the other platform writes it.
const std::string kGbkSection = "\xB4\xAE\xBF\xDA";
const std::string kGbkHeader = "[" + kGbkSection + "]\r\n";

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override { path_ = (dir_ / "comSet.ini").string(); }

  void WriteRaw(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
  std::string ReadRaw() const {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  pulse::test::TempDir temp_{"pulse-settings"};
  fs::path dir_ = temp_.Path();
  std::string path_;
};

TEST_F(SettingsFileTest, MissingFileGivesDefaultsAndFirstWriteCreatesGbkFile) {
  const PortSettings s = ReadPortSettings(path_);
  EXPECT_EQ(s.com, "1");
  EXPECT_EQ(s.btl, "256000");

  WritePortSettings(path_, {"1", "256000"});
  EXPECT_EQ(ReadRaw(), kGbkHeader + "com=1\r\nbtl=256000\r\n");
}

TEST_F(SettingsFileTest, RoundTripKeepsOtherSectionsKeysAndComments) {
  // A file from the other platform: GBK, CR LF, a foreign section with Chinese
  // text in raw GBK, a comment, an extra key.
  const std::string other = "[\xC9\xE8\xD6\xC3]\r\nname=\xB2\xE2\xCA\xD4\r\n";  // [设置] name=测试
  WriteRaw("; comment\r\n" + other + "\r\n" + kGbkHeader +
           "com=3\r\nextra=keep me\r\nbtl=115200\r\n\r\n[last]\r\nx=1\r\n");

  const PortSettings before = ReadPortSettings(path_);
  EXPECT_EQ(before.com, "3");
  EXPECT_EQ(before.btl, "115200");

  WritePortSettings(path_, {"12", "38400"});
  EXPECT_EQ(ReadRaw(), "; comment\r\n" + other + "\r\n" + kGbkHeader +
                           "com=12\r\nextra=keep me\r\nbtl=38400\r\n\r\n[last]\r\nx=1\r\n");

  const IniFile ini = IniFile::Load(path_);
  EXPECT_EQ(ini.Value("设置", "name", ""), "测试");
  EXPECT_EQ(ini.Value("last", "X", ""), "1");  // keys ignore ASCII case
}

TEST_F(SettingsFileTest, MissingKeysAreAddedInsideTheirSection) {
  WriteRaw(kGbkHeader + "com=5\r\n\r\n[other]\r\na=b\r\n");
  WritePortSettings(path_, {"5", "256000"});
  EXPECT_EQ(ReadRaw(), kGbkHeader + "com=5\r\nbtl=256000\r\n\r\n[other]\r\na=b\r\n");
}

TEST_F(SettingsFileTest, Utf8FilesAreAcceptedWithOrWithoutBomAndLfLineEnds) {
  WriteRaw("[串口]\ncom = 7 \nbtl=38400\n");
  EXPECT_EQ(IniFile::DetectEncoding(ReadRaw()), IniEncoding::kUtf8);
  PortSettings s = ReadPortSettings(path_);
  EXPECT_EQ(s.com, "7");
  EXPECT_EQ(s.btl, "38400");

  WriteRaw("\xEF\xBB\xBF[串口]\r\ncom=8\r\n");
  EXPECT_EQ(IniFile::DetectEncoding(ReadRaw()), IniEncoding::kUtf8Bom);
  s = ReadPortSettings(path_);
  EXPECT_EQ(s.com, "8");
  EXPECT_EQ(s.btl, "256000");

  // Rewriting converts the file to GBK with CR LF.
  WritePortSettings(path_, s);
  EXPECT_EQ(ReadRaw(), kGbkHeader + "com=8\r\nbtl=256000\r\n");
}

TEST_F(SettingsFileTest, TextWithoutGbkFormIsKeptAsUtf8WithBom) {
  WritePortSettings(path_, {"/dev/ttyUSB0 \xF0\x9F\x94\x8C", "256000"});  // an emoji
  const std::string raw = ReadRaw();
  EXPECT_EQ(raw.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_EQ(ReadPortSettings(path_).com, "/dev/ttyUSB0 \xF0\x9F\x94\x8C");
}

TEST_F(SettingsFileTest, TextWhoseGbkFormLooksLikeUtf8IsKeptAsUtf8WithBom) {
  // "隆" is C2 A1 in GBK, which as UTF-8 reads "¡": saved as GBK it would come back changed.
  IniFile ini;
  ini.SetValue("a", "k", "\xE9\x9A\x86");
  const std::string bytes = ini.ToBytes();
  EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_EQ(IniFile::FromBytes(bytes).Value("a", "k", ""), "\xE9\x9A\x86");
  // Text that GBK cannot mistake stays GBK.
  ini.SetValue("a", "k", "\xE4\xB8\xB2");  // "串", B4 AE in GBK
  EXPECT_EQ(ini.ToBytes(), "[a]\r\nk=\xB4\xAE\r\n");
}

TEST_F(SettingsFileTest, GarbageAndBinaryInputGiveDefaultsWithoutCrashing) {
  std::mt19937 rng(42);
  for (int round = 0; round < 50; ++round) {
    std::string junk(static_cast<std::size_t>(rng() % 4096), '\0');
    for (char& c : junk) c = static_cast<char>(rng());
    if (round % 2) junk = kGbkHeader + junk;  // a real header before the junk
    WriteRaw(junk);
    const PortSettings s = ReadPortSettings(path_);
    EXPECT_FALSE(s.com.empty());
    // Rewriting a damaged file must still work and yield readable settings.
    WritePortSettings(path_, {"2", "115200"});
    const PortSettings after = ReadPortSettings(path_);
    EXPECT_EQ(after.com, "2");
    EXPECT_EQ(after.btl, "115200");
  }
  // A lone truncated GBK lead byte at the end of the file.
  WriteRaw(kGbkHeader + "com=4\r\n\xB4");
  EXPECT_EQ(ReadPortSettings(path_).com, "4");
}

TEST_F(SettingsFileTest, HugeFileIsReadOnlyUpToTheCap) {
  std::string big = kGbkHeader + "com=6\r\n";
  big += std::string(IniFile::kMaxFileBytes, 'x') + "\r\n";
  big += "[late]\r\ncom=9\r\n";
  WriteRaw(big);
  EXPECT_EQ(ReadPortSettings(path_).com, "6");
  EXPECT_EQ(IniFile::Load(path_).Value("late", "com", "absent"), "absent");
}

TEST_F(SettingsFileTest, UnreadablePlacesGiveDefaults) {
  fs::create_directory(path_);  // a directory where the file should be
  EXPECT_EQ(ReadPortSettings(path_).btl, "256000");
  fs::remove(path_);
  ASSERT_EQ(::mkfifo(path_.c_str(), 0600), 0);  // a FIFO must not block the read
  EXPECT_EQ(ReadPortSettings(path_).com, "1");
}

TEST_F(SettingsFileTest, WriteFailureIsReportedWithTheFileName) {
  const std::string bad = (dir_ / "not-a-dir" / "comSet.ini").string();
  std::ofstream((dir_ / "not-a-dir").string()) << "file";
  try {
    WritePortSettings(bad, {"1", "256000"});
    FAIL() << "no exception";
  } catch (const SettingsError& e) {
    EXPECT_NE(std::string(e.what()).find(bad), std::string::npos) << e.what();
  }
  // A failed write leaves the existing file untouched and no temporary: here
  // the file may be written but its folder takes no new file.
  const fs::path locked = dir_ / "locked";
  fs::create_directories(locked);
  const std::string kept = (locked / "comSet.ini").string();
  std::ofstream(kept, std::ios::binary) << kGbkHeader << "com=3\r\n";
  ASSERT_TRUE(pulse::test::GiveToUnprivileged(kept));
  ::chmod(locked.c_str(), 0555);
  const std::string message = pulse::test::RunUnprivileged([&] {
    try {
      WritePortSettings(kept, {"9", "38400"});
      return std::string("saved");
    } catch (const SettingsError& e) {
      return std::string(e.what());
    }
  });
  ::chmod(locked.c_str(), 0755);
  EXPECT_EQ(message, "Cannot write settings file \"" + kept + "\": Permission denied");
  std::ifstream in(kept, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), kGbkHeader + "com=3\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(locked), fs::directory_iterator()), 1);
}

// A settings file kept elsewhere and linked in is updated where it lies; a
// file the user may not write is refused and stays as it was.
TEST_F(SettingsFileTest, LinkedAndReadOnlySettingsFiles) {
  fs::create_directories(dir_ / "shared");
  const fs::path real = dir_ / "shared" / "comSet.ini";
  std::ofstream(real, std::ios::binary) << "[other]\r\nkeep=1\r\n";
  ::chmod(real.c_str(), 0600);
  fs::create_symlink("shared/comSet.ini", path_);
  WritePortSettings(path_, {"4", "115200"});
  EXPECT_TRUE(fs::is_symlink(path_));
  EXPECT_EQ(ReadRaw(), "[other]\r\nkeep=1\r\n\r\n" + kGbkHeader + "com=4\r\nbtl=115200\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);

  const fs::path box = dir_ / "box";
  fs::create_directories(box);
  const std::string ro = (box / "comSet.ini").string();
  std::ofstream(ro, std::ios::binary) << kGbkHeader << "com=3\r\n";
  ASSERT_TRUE(pulse::test::GiveToUnprivileged(box.string()));
  ASSERT_TRUE(pulse::test::GiveToUnprivileged(ro));
  ::chmod(ro.c_str(), 0444);
  const std::string message = pulse::test::RunUnprivileged([&] {
    try {
      WritePortSettings(ro, {"9", "38400"});
      return std::string("saved");
    } catch (const SettingsError& e) {
      return std::string(e.what());
    }
  });
  EXPECT_EQ(message, "Cannot write settings file \"" + ro + "\": Permission denied");
  std::ifstream in(ro, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), kGbkHeader + "com=3\r\n");
}

// A file that was not read whole is not replaced by the little that was read.
TEST_F(SettingsFileTest, FilesNotReadWholeAreLeftAsTheyAre) {
  auto expect_refused = [&](const std::string& why) {
    try {
      WritePortSettings(path_, {"2", "9600"});
      FAIL() << "written over: " << why;
    } catch (const SettingsError& e) {
      const std::string text = e.what();
      EXPECT_NE(text.find(path_), std::string::npos) << text;
      EXPECT_NE(text.find(why), std::string::npos) << text;
    }
  };
  std::string big = kGbkHeader + "com=6\r\n";
  big += std::string(IniFile::kMaxFileBytes, 'x') + "\r\n[late]\r\nkey=kept\r\n";
  WriteRaw(big);
  expect_refused("too large");
  EXPECT_EQ(ReadRaw(), big);

  fs::remove(path_);
  ASSERT_EQ(::mkfifo(path_.c_str(), 0600), 0);
  expect_refused("not a regular file");
  EXPECT_TRUE(fs::is_fifo(path_));

  if (::geteuid() != 0) {  // root reads anything
    fs::remove(path_);
    WriteRaw(kGbkHeader + "com=3\r\n");
    fs::permissions(path_, fs::perms::none);
    expect_refused("cannot be read");
    fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(ReadRaw(), kGbkHeader + "com=3\r\n");
  }
}

TEST(SettingsDirTest, FallsBackToTheUserConfigDirectory) {
  EXPECT_EQ(SettingsDirFor("/opt/p", true, "/x", "/home/u", "pulse3ch"), "/opt/p/");
  EXPECT_EQ(SettingsDirFor("/opt/p/", false, "/x/cfg", "/home/u", "pulse3ch"), "/x/cfg/pulse3ch/");
  EXPECT_EQ(SettingsDirFor("/opt/p/", false, nullptr, "/home/u", "pulse3ch"),
            "/home/u/.config/pulse3ch/");
  EXPECT_EQ(SettingsDirFor("/opt/p/", false, "relative", "/home/u/", "pulse3ch"),
            "/home/u/.config/pulse3ch/");
  EXPECT_EQ(SettingsDirFor("/opt/p/", false, "", "", "pulse3ch"), "/opt/p/");
}

TEST(SettingsDirTest, WritabilityIsProbedForReal) {
  EXPECT_TRUE(pulse::window::IsWritableDir(fs::temp_directory_path().string()));
  // Unwritable even for root: a pseudo file system and a path through a file.
  EXPECT_FALSE(pulse::window::IsWritableDir("/proc/"));
  EXPECT_FALSE(pulse::window::IsWritableDir("/dev/null/"));
  if (::geteuid() != 0) {
    const pulse::test::TempDir ro_dir("pulse-ro");
    const fs::path& ro = ro_dir.Path();
    fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(pulse::window::IsWritableDir(ro.string()));
    fs::permissions(ro, fs::perms::owner_all);
  }
  const std::string exe = pulse::window::ProgramDir();
  EXPECT_EQ(exe.back(), '/');
  EXPECT_TRUE(fs::exists(exe));
}

}  // namespace
