// A file that appears under its name only when it is complete: written to a
// temporary beside the target and renamed over it at the end. Dropping it
// without Commit() removes the temporary and leaves any old file as it was.
// The target is planned first (file_replace_plan.h): a symbolic link is
// written through to the file it names, a file the user may not write or
// that is no regular file is refused, and an existing file keeps its mode
// and, where allowed, its owner. A new file gets the mode any new file gets.
#pragma once

#include <string>
#include <string_view>

#include "records/file_replace_plan.h"

namespace pulse::records {

class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Plans the target and creates the temporary. Returns an error text naming
  // the target, empty on success.
  [[nodiscard]] std::string Open(const std::string& target,
                                 const WriteAccessCheck& may_write = EffectiveWriteAccess);
  // Appends through a buffer; errors show at the next flush or at Commit().
  [[nodiscard]] std::string Write(std::string_view data);
  // For a library that writes by path: the temporary, closed by this object.
  [[nodiscard]] const std::string& TempPath() const { return temp_; }
  [[nodiscard]] std::string CloseForPathWriter();
  // Flushes, syncs and renames onto the target.
  [[nodiscard]] std::string Commit();
  // Stage and errno of the last failure, for callers that word their own error.
  [[nodiscard]] const FileWriteResult& Failure() const { return failure_; }

 private:
  [[nodiscard]] std::string Flush();
  [[nodiscard]] std::string Fail(FileWriteStage stage, int err);
  [[nodiscard]] std::string FailureText() const;

  std::string target_;  // as the caller named it, for the error texts
  std::string real_;    // the file renamed over: target_ with links followed
  std::string temp_;
  std::string buffer_;
  FileWriteResult failure_;
  int fd_ = -1;
  bool committed_ = false;
};

// Writes `data` as the new contents of `path` through an AtomicFile. Never throws.
[[nodiscard]] FileWriteResult ReplaceFileContents(
    const std::string& path, std::string_view data,
    const WriteAccessCheck& may_write = EffectiveWriteAccess);

// "Cannot <what> file "PATH": <strerror(err)>", the house form of file errors.
[[nodiscard]] std::string FileErrorText(std::string_view what, const std::string& path, int err);

// write() until done, retrying on EINTR. Returns 0 or the errno.
[[nodiscard]] int WriteAll(int fd, const char* data, size_t size);

}  // namespace pulse::records
