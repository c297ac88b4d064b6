// What replacing a file will do, decided before a byte is written: a symbolic
// link is followed to the file it names, a target the user may not write or
// that is no regular file is refused, and an existing file's mode and owner
// are noted so that its replacement keeps them. AtomicFile acts on the plan.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

namespace pulse::records {

// Where a replacement stopped, for the caller's error text.
enum class FileWriteStage {
  kDone,    // written
  kCreate,  // refused or no temporary file could be made: nothing was written
  kWrite,   // writing, flushing or renaming failed: the target is as it was
};

struct FileWriteResult {
  FileWriteStage stage = FileWriteStage::kDone;
  int error = 0;             // errno of the failure
  bool not_regular = false;  // the target is there but is no regular file

  [[nodiscard]] bool Ok() const { return stage == FileWriteStage::kDone; }
  // The reason as the operator reads it ("Permission denied", ...).
  [[nodiscard]] std::string Reason() const;
};

// 0 when the caller may write the existing file at path, else the errno.
using WriteAccessCheck = std::function<int(const std::string& path)>;
// The process's own permission (effective ids, as the kernel judges an open).
[[nodiscard]] int EffectiveWriteAccess(const std::string& path);

// What a replacement of `path` would do, decided before anything is written.
struct FileReplacePlan {
  std::string target;  // the file really replaced: `path` with symbolic links followed
  bool exists = false;
  mode_t mode = 0;  // permission bits to keep, when it exists
  uid_t owner = 0;
  gid_t group = 0;
  FileWriteResult refusal;  // not ok(): do not write
};

[[nodiscard]] FileReplacePlan PlanFileReplace(
    const std::string& path, const WriteAccessCheck& may_write = EffectiveWriteAccess);

}  // namespace pulse::records
