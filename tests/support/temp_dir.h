// Fresh folders and whole-file reads and writes for tests.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace pulse::test {

// A new, empty folder under the system's temporary folder, removed with its contents when the
// object goes. Every object gets its own folder (tests run in parallel and repeat).
class TempDir {
 public:
  explicit TempDir(std::string_view prefix = "pulse-test");
  ~TempDir();
  TempDir(TempDir&& other) noexcept;
  TempDir& operator=(TempDir&& other) noexcept;
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The folder with a trailing slash, for code that appends file names to it.
  std::string Slash() const { return path_.string() + "/"; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  void Remove();
  std::filesystem::path path_;
};

// The whole file, or "" when it cannot be read.
std::string ReadAll(const std::filesystem::path& path);
void WriteAll(const std::filesystem::path& path, const std::string& bytes);
// The file's lines without their line ends (\n or \r\n); none when it cannot be read.
std::vector<std::string> ReadLines(const std::filesystem::path& path);

}  // namespace pulse::test
