#include "window/language_setting.h"

#include "window/settings_file.h"

namespace pulse::window {

namespace {
constexpr std::string_view kChineseCode = "zh";
constexpr std::string_view kEnglishCode = "en";
}  // namespace

std::optional<Language> ParseLanguage(std::string_view code) {
  if (code == kChineseCode) return Language::kChinese;
  if (code == kEnglishCode) return Language::kEnglish;
  return std::nullopt;
}

const char* LanguageCode(Language language) {
  return language == Language::kChinese ? kChineseCode.data() : kEnglishCode.data();
}

Language LanguageOfLocale(std::string_view locale_name) {
  const bool chinese = locale_name.substr(0, 2) == kChineseCode &&
                       (locale_name.size() == 2 || locale_name[2] == '_' || locale_name[2] == '-' ||
                        locale_name[2] == '.' || locale_name[2] == '@');
  return chinese ? Language::kChinese : Language::kEnglish;
}

Language ChooseLanguage(std::optional<Language> option, std::optional<Language> stored,
                        std::string_view locale_name) {
  if (option) return *option;
  if (stored) return *stored;
  return LanguageOfLocale(locale_name);
}

std::optional<Language> ReadLanguage(const std::string& settings_path) {
  const IniFile ini = IniFile::Load(settings_path);
  return ParseLanguage(ini.Value(kLanguageSection, kLanguageKey, ""));
}

void WriteLanguage(const std::string& settings_path, Language language) {
  std::string problem;
  IniFile ini = IniFile::Load(settings_path, &problem);
  // A file not read whole would lose what was not read.
  if (!problem.empty()) {
    throw SettingsError("Settings not saved: \"" + settings_path + "\" " + problem +
                        "; it was left as it is");
  }
  ini.SetValue(kLanguageSection, kLanguageKey, LanguageCode(language));
  ini.Save(settings_path);
}

Language StartupLanguage(std::optional<Language> option, const std::string& settings_path,
                         std::string_view locale_name, bool store, std::string* error) {
  if (option && store) {
    try {
      WriteLanguage(settings_path, *option);
    } catch (const SettingsError& e) {
      if (error) *error = e.what();
    }
  }
  return ChooseLanguage(option, option ? std::nullopt : ReadLanguage(settings_path), locale_name);
}

}  // namespace pulse::window
