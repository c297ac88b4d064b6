#include "window/settings_file.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "records/atomic_file.h"

namespace pulse::window {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD for undecodable bytes
constexpr std::string_view kCrLf = "\r\n";

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      n = 1, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      n = 2, cp = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      n = 3, cp = c & 0x07, min = 0x10000;
    } else {
      return false;
    }
    if (i + n >= s.size()) return false;  // sequence cut at the end
    for (std::size_t k = 1; k <= n; ++k) {
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += n + 1;
  }
  return true;
}

// Converts with iconv. With `lenient`, undecodable input bytes become U+FFFD
// (decoding a damaged file); otherwise the first one fails the conversion.
bool Convert(std::string_view in, const char* to, const char* from, bool lenient,
             std::string& out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.clear();
  char* src = const_cast<char*>(in.data());
  std::size_t src_left = in.size();
  char buf[4096];
  bool ok = true;
  while (src_left > 0) {
    char* dst = buf;
    std::size_t dst_left = sizeof buf;
    const std::size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    out.append(buf, static_cast<std::size_t>(dst - buf));
    if (r != static_cast<std::size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    if (!lenient) {
      ok = false;
      break;
    }
    out.append(kReplacement);  // EILSEQ or a sequence cut at the end
    ++src;
    --src_left;
  }
  iconv_close(cd);
  return ok;
}

std::string SystemMessage(int err) {
  return std::generic_category().message(err);
}

std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

}  // namespace

IniEncoding IniFile::DetectEncoding(std::string_view bytes) {
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) return IniEncoding::kUtf8Bom;
  return IsValidUtf8(bytes) ? IniEncoding::kUtf8 : IniEncoding::kGbk;
}

IniFile IniFile::FromBytes(std::string_view bytes) {
  switch (DetectEncoding(bytes)) {
    case IniEncoding::kUtf8Bom: {
      // A BOM followed by invalid bytes still decodes, with replacements.
      std::string text;
      std::string_view rest = bytes.substr(kUtf8Bom.size());
      if (IsValidUtf8(rest)) return FromText(rest);
      Convert(rest, "UTF-8", "UTF-8", true, text);
      return FromText(text);
    }
    case IniEncoding::kUtf8:
      return FromText(bytes);
    case IniEncoding::kGbk: {
      std::string text;
      Convert(bytes, "UTF-8", "GBK", true, text);
      return FromText(text);
    }
  }
  return {};
}

IniFile IniFile::Load(const std::string& path, std::string* problem) {
  auto note = [problem](std::string why) {
    if (problem) *problem = std::move(why);
  };
  note({});
  // Non-blocking open so that a FIFO or device in the file's place cannot hang us.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno != ENOENT) note("cannot be read (" + SystemMessage(errno) + ")");
    return {};
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    note("is not a regular file");
    return {};
  }
  std::string bytes(kMaxFileBytes + 1, '\0');
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) note("cannot be read (" + SystemMessage(errno) + ")");
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  bytes.resize(got);
  if (got > kMaxFileBytes) {
    note("is larger than " + std::to_string(kMaxFileBytes / (1024 * 1024)) +
         " MB, too large for a settings file");
    // Keep only whole lines inside the cap; the rest counts as absent.
    const auto cut = bytes.rfind('\n', kMaxFileBytes - 1);
    bytes.resize(cut == std::string::npos ? 0 : cut + 1);
  }
  return FromBytes(bytes);
}

IniFile IniFile::FromText(std::string_view utf8) {
  IniFile ini;
  std::string current;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    auto end = utf8.find('\n', pos);
    if (end == std::string_view::npos) end = utf8.size();
    std::string_view raw = utf8.substr(pos, end - pos);
    pos = end + 1;
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);

    Line line;
    line.text = std::string(raw);
    const std::string_view t = Trim(raw);
    if (!t.empty() && t.front() == '[' && t.find(']') != std::string_view::npos) {
      current = std::string(Trim(t.substr(1, t.find(']') - 1)));
      line.is_header = true;
    } else if (!t.empty() && t.front() != ';' && t.front() != '#' &&
               t.find('=') != std::string_view::npos) {
      line.key = std::string(Trim(t.substr(0, t.find('='))));
    }
    line.section = current;
    ini.lines_.push_back(std::move(line));
  }
  return ini;
}

std::string IniFile::Value(std::string_view section, std::string_view key,
                           std::string_view fallback) const {
  for (const Line& line : lines_) {
    if (line.is_header || line.key.empty()) continue;
    if (!EqualsIgnoreAsciiCase(line.section, section) || !EqualsIgnoreAsciiCase(line.key, key))
      continue;
    std::string_view v = Trim(std::string_view(line.text).substr(line.text.find('=') + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
      v = v.substr(1, v.size() - 2);
    return std::string(v);
  }
  return std::string(fallback);
}

void IniFile::SetValue(std::string_view section, std::string_view key, std::string_view value) {
  Line entry;
  entry.text = std::string(key) + "=" + std::string(value);
  entry.key = std::string(key);

  std::size_t insert_after = lines_.size();  // sentinel: section not found
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    Line& line = lines_[i];
    if (!EqualsIgnoreAsciiCase(line.section, section)) continue;
    if (line.is_header && insert_after != lines_.size()) continue;  // repeated header
    if (!line.is_header && !line.key.empty() && EqualsIgnoreAsciiCase(line.key, key)) {
      entry.section = line.section;
      line = std::move(entry);
      return;
    }
    // The new key goes after the section's last non-blank line, before any gap.
    if (line.is_header || !Trim(line.text).empty()) insert_after = i;
  }
  if (insert_after != lines_.size()) {
    entry.section = lines_[insert_after].section;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert_after) + 1, std::move(entry));
    return;
  }
  if (!lines_.empty() && !Trim(lines_.back().text).empty()) {
    Line gap;
    gap.section = lines_.back().section;
    lines_.push_back(std::move(gap));
  }
  Line header;
  header.text = "[" + std::string(section) + "]";
  header.section = std::string(section);
  header.is_header = true;
  lines_.push_back(std::move(header));
  entry.section = std::string(section);
  lines_.push_back(std::move(entry));
}

std::string IniFile::ToText() const {
  std::string out;
  for (const Line& line : lines_) {
    out += line.text;
    out += kCrLf;
  }
  return out;
}

std::string IniFile::ToBytes() const {
  const std::string text = ToText();
  std::string gbk;
  // GBK bytes that also form valid UTF-8 would be read back as other text
  // (DetectEncoding prefers UTF-8), so such text is kept as UTF-8 too.
  if (Convert(text, "GBK", "UTF-8", false, gbk) && (gbk == text || !IsValidUtf8(gbk))) return gbk;
  return std::string(kUtf8Bom) + text;
}

void IniFile::Save(const std::string& path) const {
  const records::FileWriteResult r = records::ReplaceFileContents(path, ToBytes());
  if (!r.Ok()) throw SettingsError("Cannot write settings file \"" + path + "\": " + r.Reason());
}

PortSettings ReadPortSettings(const std::string& path) {
  const IniFile ini = IniFile::Load(path);
  const PortSettings defaults;
  return {ini.Value(kPortSection, "com", defaults.com),
          ini.Value(kPortSection, "btl", defaults.btl)};
}

void WritePortSettings(const std::string& path, const PortSettings& settings) {
  std::string problem;
  IniFile ini = IniFile::Load(path, &problem);
  if (!problem.empty()) {
    throw SettingsError("Settings not saved: \"" + path + "\" " + problem +
                        "; it was left as it is");
  }
  ini.SetValue(kPortSection, "com", settings.com);
  ini.SetValue(kPortSection, "btl", settings.btl);
  ini.Save(path);
}

std::string ProgramDir() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec && exe.has_parent_path()) return WithSlash(exe.parent_path().string());
  const auto cwd = std::filesystem::current_path(ec);
  return ec ? std::string("./") : WithSlash(cwd.string());
}

bool IsWritableDir(const std::string& dir) {
  std::string probe = WithSlash(dir) + ".pulse3ch-probe-XXXXXX";
  const int fd = ::mkstemp(probe.data());
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

std::string SettingsDirFor(const std::string& exe_dir, bool exe_dir_writable,
                           const char* xdg_config_home, const char* home,
                           std::string_view program_name) {
  if (exe_dir_writable) return WithSlash(exe_dir);
  const std::string name(program_name);
  // The XDG rules ignore a relative XDG_CONFIG_HOME.
  if (xdg_config_home && xdg_config_home[0] == '/') return WithSlash(xdg_config_home) + name + "/";
  if (home && home[0] != '\0') return WithSlash(home) + ".config/" + name + "/";
  return WithSlash(exe_dir);  // nowhere better: reads work, a write reports its failure
}

bool IsSystemDir(const std::string& dir) {
  // An installed program's folder is shared by every user; root can write
  // there, but settings do not belong there.
  for (const char* prefix : {"/usr/", "/bin/", "/sbin/", "/lib", "/opt/", "/snap/"})
    if (WithSlash(dir).rfind(prefix, 0) == 0) return true;
  return false;
}

std::string SettingsDir(std::string_view program_name) {
  return SettingsDir(ProgramDir(), program_name);
}

std::string SettingsDir(const std::string& exe_dir, std::string_view program_name) {
  const std::string dir =
      SettingsDirFor(exe_dir, !IsSystemDir(exe_dir) && IsWritableDir(exe_dir),
                     std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"), program_name);
  if (dir != exe_dir) {
    std::error_code ec;  // a failure here surfaces as the write error later
    std::filesystem::create_directories(dir, ec);
  }
  return dir;
}

}  // namespace pulse::window
