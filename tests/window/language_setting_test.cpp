// The window's language: --lang codes, the locale rule, and the choice kept in comSet.ini.
#include "window/language_setting.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "window/settings_file.h"

namespace pulse::window {
namespace {

namespace fs = std::filesystem;
constexpr Language kZh = Language::kChinese;
constexpr Language kEn = Language::kEnglish;

TEST(Language, CodesAndLocales) {
  EXPECT_EQ(ParseLanguage("zh"), kZh);
  EXPECT_EQ(ParseLanguage("en"), kEn);
  for (const char* bad : {"", "EN", "zh_CN", "english", "de", " en"})
    EXPECT_EQ(ParseLanguage(bad), std::nullopt) << bad;
  EXPECT_EQ(ParseLanguage(LanguageCode(kZh)), kZh);
  EXPECT_EQ(ParseLanguage(LanguageCode(kEn)), kEn);

  for (const char* chinese : {"zh", "zh_CN", "zh_TW", "zh-Hant-TW", "zh_CN.UTF-8", "zh_SG@x"})
    EXPECT_EQ(LanguageOfLocale(chinese), kZh) << chinese;
  for (const char* other : {"", "C", "POSIX", "en_US", "de_DE", "zu_ZA", "zha", "z"})
    EXPECT_EQ(LanguageOfLocale(other), kEn) << other;

  // The option beats the stored choice, which beats the locale.
  EXPECT_EQ(ChooseLanguage(kEn, kZh, "zh_CN"), kEn);
  EXPECT_EQ(ChooseLanguage(std::nullopt, kEn, "zh_CN"), kEn);
  EXPECT_EQ(ChooseLanguage(std::nullopt, kZh, "en_US"), kZh);
  EXPECT_EQ(ChooseLanguage(std::nullopt, std::nullopt, "zh_CN"), kZh);
  EXPECT_EQ(ChooseLanguage(std::nullopt, std::nullopt, "en_GB"), kEn);
}

class StoredLanguage : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("pulse-lang-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = (dir_ / kSettingsFileName).string();
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
  std::string path_;
};

TEST_F(StoredLanguage, KeptBesideThePortSettingsAndUsedWhenNoOptionIsGiven) {
  EXPECT_EQ(ReadLanguage(path_), std::nullopt);  // no file yet
  WritePortSettings(path_, {"7", "115200"});
  EXPECT_EQ(StartupLanguage(std::nullopt, path_, "zh_CN", true, nullptr), kZh);

  std::string error;
  EXPECT_EQ(StartupLanguage(kEn, path_, "zh_CN", true, &error), kEn);
  EXPECT_EQ(error, "");
  EXPECT_EQ(ReadLanguage(path_), kEn);
  // The next start without --lang, even on a Chinese desktop.
  EXPECT_EQ(StartupLanguage(std::nullopt, path_, "zh_CN", true, nullptr), kEn);
  // The port settings and their section are untouched.
  const PortSettings port = ReadPortSettings(path_);
  EXPECT_EQ(port.com, "7");
  EXPECT_EQ(port.btl, "115200");

  // A run that does not store uses the option once; the stored choice stays.
  EXPECT_EQ(StartupLanguage(kZh, path_, "en_US", false, nullptr), kZh);
  EXPECT_EQ(ReadLanguage(path_), kEn);
  EXPECT_EQ(StartupLanguage(kZh, path_, "en_US", true, nullptr), kZh);
  EXPECT_EQ(ReadLanguage(path_), kZh);
}

TEST_F(StoredLanguage, AnUnknownStoredValueFallsBackToTheLocale) {
  {
    std::ofstream f(path_, std::ios::binary);
    f << "[" << kLanguageSection << "]\r\n" << kLanguageKey << "=fr\r\n";
  }
  EXPECT_EQ(ReadLanguage(path_), std::nullopt);
  EXPECT_EQ(StartupLanguage(std::nullopt, path_, "zh_TW", true, nullptr), kZh);
  EXPECT_EQ(StartupLanguage(std::nullopt, path_, "en_US", true, nullptr), kEn);
}

TEST_F(StoredLanguage, AFailedWriteIsReportedAndTheOptionStillApplies) {
  fs::create_directories(path_);  // a folder where the file should be
  std::string error;
  EXPECT_EQ(StartupLanguage(kEn, path_, "zh_CN", true, &error), kEn);
  EXPECT_NE(error.find(path_), std::string::npos) << error;
  EXPECT_TRUE(fs::is_directory(path_));
}

}  // namespace
}  // namespace pulse::window
