// Replacing a file's contents safely: the new bytes go to a temporary file
// beside the target, which is then renamed over it, so a failed write never
// leaves half a file. A target the user may not write is refused, a symbolic
// link is written through to the file it names, and an existing file keeps
// its mode (and, where allowed, its owner).
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>

namespace pulse::window {

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

  bool Ok() const { return stage == FileWriteStage::kDone; }
  // The reason as the operator reads it ("Permission denied", ...).
  std::string Reason() const;
};

// 0 when the caller may write the existing file at path, else the errno.
using WriteAccessCheck = std::function<int(const std::string& path)>;
// The process's own permission (effective ids, as the kernel judges an open).
int EffectiveWriteAccess(const std::string& path);

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

// Writes `data` as the new contents of `path` through a temporary file and a
// rename, following PlanFileReplace. Never throws.
[[nodiscard]] FileWriteResult ReplaceFileContents(
    const std::string& path, std::string_view data,
    const WriteAccessCheck& may_write = EffectiveWriteAccess);

}  // namespace pulse::window
