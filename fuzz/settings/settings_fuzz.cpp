// Reads arbitrary bytes as a settings file, sets one key, writes the file's
// bytes and reads them back, checking that nothing set or kept is lost.
//
// Input: three length bytes (section, key, value), those three strings, then
// the file's bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "window/settings_file.h"

namespace {

using pulse::window::IniFile;

void Check(bool ok) {
  if (!ok) std::abort();
}

bool IsValidUtf8(std::string_view s) {
  // Delegates to the reader's own detection on a copy without a BOM prefix.
  return s.substr(0, 3) != "\xEF\xBB\xBF" &&
         IniFile::DetectEncoding(s) == pulse::window::IniEncoding::kUtf8;
}

bool Trimmed(std::string_view s) {
  return s.empty() ||
         (s.front() != ' ' && s.front() != '\t' && s.back() != ' ' && s.back() != '\t');
}

// Text the document can hold as it is: the caller's UTF-8, within one line.
bool OneLineText(std::string_view s) {
  return IsValidUtf8(s) && s.find_first_of("\r\n") == std::string_view::npos;
}

// A key and value that read back as they were set.
bool Representable(std::string_view section, std::string_view key, std::string_view value) {
  for (std::string_view s : {section, key, value}) {
    if (!Trimmed(s)) return false;
  }
  if (section.empty() || section.find(']') != std::string_view::npos) return false;
  // A key line must not read as a header or a comment, and its '=' is the first.
  if (key.empty() || key.find('=') != std::string_view::npos) return false;
  if (key.front() == '[' || key.front() == ';' || key.front() == '#') return false;
  // Matching quotes around a value are taken off when it is read.
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return false;
  return true;
}

std::string_view Take(std::string_view& in, size_t n) {
  n = n < in.size() ? n : in.size();
  std::string_view part = in.substr(0, n);
  in.remove_prefix(n);
  return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  std::string_view in(reinterpret_cast<const char*>(data) + 3, size - 3);
  const std::string_view section = Take(in, data[0]);
  const std::string_view key = Take(in, data[1]);
  const std::string_view value = Take(in, data[2]);

  IniFile ini = IniFile::FromBytes(in);
  // Another key's value must not change by setting this one.
  const std::string other = ini.Value(section, "com", "\x01");

  ini.SetValue(section, key, value);
  const std::string text = ini.ToText();
  const IniFile again = IniFile::FromBytes(ini.ToBytes());
  if (!OneLineText(section) || !OneLineText(key) || !OneLineText(value)) return 0;
  // Every line written comes back, whatever encoding the writer chose.
  Check(again.ToText() == text);

  if (Representable(section, key, value)) {
    Check(ini.Value(section, key, "") == value);
    Check(again.Value(section, key, "") == value);
    std::string lower(key);
    for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if (lower != "com") Check(again.Value(section, "com", "\x01") == other);
    // Setting the same value again changes nothing.
    ini.SetValue(section, key, value);
    Check(ini.ToText() == text);
  }
  return 0;
}
