#include "window/safe_file_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

namespace pulse::window {
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

int WriteAll(int fd, std::string_view data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<std::size_t>(n);
  }
  return 0;
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

FileWriteResult ReplaceFileContents(const std::string& path, std::string_view data,
                                    const WriteAccessCheck& may_write) {
  const FileReplacePlan plan = PlanFileReplace(path, may_write);
  if (!plan.refusal.Ok()) return plan.refusal;

  // Beside the real file, so the rename stays within one file system.
  const std::string tmp = plan.target + ".tmp" + std::to_string(::getpid());
  ::unlink(tmp.c_str());  // a leftover of an earlier run of this process id
  // An existing file's contents stay private until its own mode is set.
  const mode_t create_mode = plan.exists ? 0600 : 0666;
  const int fd =
      ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, create_mode);
  if (fd < 0) return Failed(FileWriteStage::kCreate, errno);

  int err = 0;
  if (plan.exists) {
    // Root saving someone's file leaves it theirs; others keep at least the
    // group when they belong to it. Failing that, the file becomes ours.
    if ((plan.owner != ::geteuid() || plan.group != ::getegid()) &&
        ::fchown(fd, plan.owner, plan.group) != 0) {
      (void)::fchown(fd, static_cast<uid_t>(-1), plan.group);
    }
    if (::fchmod(fd, plan.mode) != 0) err = errno;
  }
  if (err == 0) err = WriteAll(fd, data);
  if (err == 0 && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && ::rename(tmp.c_str(), plan.target.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(tmp.c_str());
    return Failed(FileWriteStage::kWrite, err);
  }
  return {};
}

}  // namespace pulse::window
