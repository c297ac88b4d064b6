// A file that appears under its name only when it is complete: written to a
// temporary beside the target and renamed over it at the end. Dropping it
// without Commit() removes the temporary and leaves any old file as it was.
#pragma once

#include <string>
#include <string_view>

namespace pulse::records {

class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates the temporary. Returns an error text naming the target, empty on success.
  [[nodiscard]] std::string Open(const std::string& target);
  // Appends through a buffer; errors show at the next flush or at Commit().
  [[nodiscard]] std::string Write(std::string_view data);
  // For a library that writes by path: the temporary, closed by this object.
  const std::string& TempPath() const { return temp_; }
  [[nodiscard]] std::string CloseForPathWriter();
  // Flushes, syncs and renames onto the target.
  [[nodiscard]] std::string Commit();

 private:
  [[nodiscard]] std::string Flush();

  std::string target_;
  std::string temp_;
  std::string buffer_;
  int fd_ = -1;
  bool committed_ = false;
};

// "Cannot <what> file "PATH": <strerror(err)>", the house form of file errors.
std::string FileErrorText(std::string_view what, const std::string& path, int err);

// write() until done, retrying on EINTR. Returns 0 or the errno.
int WriteAll(int fd, const char* data, size_t size);

}  // namespace pulse::records
