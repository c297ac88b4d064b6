// The window's language: Chinese (the texts as written) or English. Chosen by
// --lang, else by the choice stored in comSet.ini, else by the system locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pulse::window {

enum class Language { kChinese, kEnglish };

// The key beside the other settings; its values are the --lang codes.
inline constexpr const char* kLanguageSection = "界面";
inline constexpr const char* kLanguageKey = "lang";

// "zh" or "en" (as --lang and the settings file spell them); anything else is no language.
std::optional<Language> ParseLanguage(std::string_view code);
const char* LanguageCode(Language language);

// Chinese for Chinese locales ("zh", "zh_CN", "zh-Hant-TW", ...), English for all others.
Language LanguageOfLocale(std::string_view locale_name);

// The option wins, then a valid stored choice, then the locale.
Language ChooseLanguage(std::optional<Language> option, std::optional<Language> stored,
                        std::string_view locale_name);

// The stored choice; none when the file, the key or a valid value is missing.
std::optional<Language> ReadLanguage(const std::string& settings_path);
// Stores the choice, keeping everything else in the file. Throws SettingsError.
void WriteLanguage(const std::string& settings_path, Language language);

// The language at start-up (ChooseLanguage over the stored choice). With `store`, a
// language given as option is kept for the next start; a failed write goes to
// `error` and the language is still used.
Language StartupLanguage(std::optional<Language> option, const std::string& settings_path,
                         std::string_view locale_name, bool store, std::string* error);

}  // namespace pulse::window
