#include "records/file_replace_plan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

namespace pulse::records {
namespace {

// As many links as the kernel follows in one path before it gives up.
constexpr int kMaxLinks = 40;

FileWriteResult Failed(FileWriteStage stage, int error) {
  FileWriteResult r;
  r.stage = stage;
  r.error = error;
  return r;
}

// The text of the symbolic link at path, or the errno.
int ReadLink(const std::string& path, std::string& out) {
  std::vector<char> buf(256);
  for (;;) {
    const ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
    if (n < 0) return errno;
    if (static_cast<std::size_t>(n) < buf.size()) {
      out.assign(buf.data(), static_cast<std::size_t>(n));
      return 0;
    }
    buf.resize(buf.size() * 2);  // may have been cut: try again with more room
  }
}

// A relative link is relative to the folder that holds the link.
std::string Resolve(const std::string& link_path, const std::string& link_text) {
  if (!link_text.empty() && link_text.front() == '/') return link_text;
  const auto slash = link_path.rfind('/');
  if (slash == std::string::npos) return link_text;
  return link_path.substr(0, slash + 1) + link_text;
}

}  // namespace

std::string FileWriteResult::Reason() const {
  if (not_regular) return "not a regular file";
  return std::generic_category().message(error);
}

int EffectiveWriteAccess(const std::string& path) {
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
}

FileReplacePlan PlanFileReplace(const std::string& path, const WriteAccessCheck& may_write) {
  FileReplacePlan plan;
  std::string current = path;
  for (int links = 0;; ++links) {
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0) {
      // A new file (also one a dangling link names); a missing folder shows
      // when the temporary file cannot be made there.
      if (errno != ENOENT) plan.refusal = Failed(FileWriteStage::kCreate, errno);
      plan.target = current;
      return plan;
    }
    if (S_ISLNK(st.st_mode)) {
      std::string text;
      const int err = links >= kMaxLinks ? ELOOP : ReadLink(current, text);
      if (err != 0) {
        plan.refusal = Failed(FileWriteStage::kCreate, err);
        return plan;
      }
      current = Resolve(current, text);
      continue;
    }
    plan.target = current;
    if (S_ISDIR(st.st_mode)) {
      plan.refusal = Failed(FileWriteStage::kCreate, EISDIR);
    } else if (!S_ISREG(st.st_mode)) {
      // A device or pipe is not ours to replace with a file.
      plan.refusal = Failed(FileWriteStage::kCreate, 0);
      plan.refusal.not_regular = true;
    } else if (const int err = may_write(current); err != 0) {
      // The folder may let us rename over it, but the file says hands off.
      plan.refusal = Failed(FileWriteStage::kCreate, err);
    }
    plan.exists = true;
    plan.mode = st.st_mode & 07777;
    plan.owner = st.st_uid;
    plan.group = st.st_gid;
    return plan;
  }
}

}  // namespace pulse::records
