// The settings file "comSet.ini": a small INI reader and writer that keeps the
// file in GBK on disk (as the device's original desktop tool wrote it) and
// UTF-8 in memory, and keeps every section and key it does not own.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pulse::window {

// A write that did not reach the disk; the message says which file and why.
class SettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Encoding of a settings file as found on disk.
enum class IniEncoding { kGbk, kUtf8, kUtf8Bom };

// One INI document, held as lines so that a rewrite changes only the keys set.
// Section and key names compare case-insensitively for ASCII letters, like the
// INI functions of the platform the file format comes from.
class IniFile {
 public:
  // Larger files are garbage for our purpose; only this much is read, cut
  // at the last complete line.
  static constexpr std::size_t kMaxFileBytes = 1024 * 1024;

  IniFile() = default;

  // Decodes raw file bytes (GBK or UTF-8, see DetectEncoding) into a document.
  [[nodiscard]] static IniFile FromBytes(std::string_view bytes);
  // Reads a file; a missing, unreadable or non-regular file gives an empty
  // document (callers then see their defaults). With `problem`, says why a
  // file that exists was not read whole (empty when it was, or is missing),
  // so that a rewrite does not replace content it never saw.
  [[nodiscard]] static IniFile Load(const std::string& path, std::string* problem = nullptr);

  // Valid UTF-8 (with or without BOM) is UTF-8; anything else is GBK.
  [[nodiscard]] static IniEncoding DetectEncoding(std::string_view bytes);

  // First value of key in section, trimmed; `fallback` when either is absent.
  [[nodiscard]] std::string Value(std::string_view section, std::string_view key,
                    std::string_view fallback) const;
  // Replaces the first occurrence of the key, or adds it at the end of its
  // section, or adds the section at the end of the document.
  void SetValue(std::string_view section, std::string_view key, std::string_view value);

  // The document as UTF-8 text with CR LF line ends.
  [[nodiscard]] std::string ToText() const;
  // The bytes written to disk: GBK, or UTF-8 with a BOM when some text has no
  // GBK form (so nothing the user typed is lost).
  [[nodiscard]] std::string ToBytes() const;
  // Writes the file through a temporary sibling and a rename, so a failed
  // write never leaves half a file; refuses a file the user may not write and
  // writes through a symbolic link. Throws SettingsError on failure.
  void Save(const std::string& path) const;

 private:
  struct Line {
    std::string text;     // the whole line, UTF-8, without its line end
    std::string key;      // trimmed key for key lines, empty otherwise
    std::string section;  // the section the line belongs to ("" before the first)
    bool is_header = false;
  };

  [[nodiscard]] static IniFile FromText(std::string_view utf8);
  std::vector<Line> lines_;
};

// Settings of the serial port section.
struct PortSettings {
  std::string com = "1";       // text of the port number list
  std::string btl = "256000";  // text of the baud rate list
};

inline constexpr const char* kSettingsFileName = "comSet.ini";
inline constexpr const char* kPortSection = "串口";

// Reads section "串口" of the file; absent file, section or keys give defaults.
[[nodiscard]] PortSettings ReadPortSettings(const std::string& path);
// Sets "com" and "btl" in section "串口" and rewrites the file, keeping all
// other content. Throws SettingsError on failure, and without writing when
// the file exists but cannot be read whole (unreadable, not a regular file,
// over kMaxFileBytes).
void WritePortSettings(const std::string& path, const PortSettings& settings);

// Directory of the running program file, with a trailing separator.
[[nodiscard]] std::string ProgramDir();
// True when a file can be created in dir (tried, not guessed from mode bits,
// so read-only mounts and root are judged correctly).
[[nodiscard]] bool IsWritableDir(const std::string& dir);
// Where the settings file lives: exe_dir when writable, else
// $XDG_CONFIG_HOME/<program>/ or $HOME/.config/<program>/. Trailing separator.
[[nodiscard]] std::string SettingsDirFor(const std::string& exe_dir, bool exe_dir_writable,
                           const char* xdg_config_home, const char* home,
                           std::string_view program_name);
// True for folders of installed software (/usr/..., /opt/...), where settings
// never go even when the user (root) could write there.
[[nodiscard]] bool IsSystemDir(const std::string& dir);
// SettingsDirFor for this process; creates the per-user directory if needed.
[[nodiscard]] std::string SettingsDir(std::string_view program_name = "pulse3ch");
// The same for a program living in exe_dir.
[[nodiscard]] std::string SettingsDir(const std::string& exe_dir, std::string_view program_name);

}  // namespace pulse::window
