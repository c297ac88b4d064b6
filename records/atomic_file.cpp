#include "records/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace pulse::records {
namespace {

// Big enough that a long export costs few syscalls.
constexpr size_t kFlushBytes = 1 << 20;
// A new file: what open() gives any new file under the user's umask.
constexpr mode_t kNewFileMode = 0666;
// A replacement stays private until the old file's mode is set on it.
constexpr mode_t kPrivateMode = 0600;
// Temporary names taken by someone else before we give up.
constexpr int kTempAttempts = 100;

std::atomic<unsigned> temp_counter{0};

}  // namespace

std::string FileErrorText(std::string_view what, const std::string& path, int err) {
  return "Cannot " + std::string(what) + " file \"" + path + "\": " + std::strerror(err);
}

int WriteAll(int fd, const char* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<size_t>(n);
  }
  return 0;
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

std::string AtomicFile::Fail(FileWriteStage stage, int err) {
  failure_ = {};
  failure_.stage = stage;
  failure_.error = err;
  return FailureText();
}

std::string AtomicFile::FailureText() const {
  const char* what = failure_.stage == FileWriteStage::kCreate ? "create" : "write";
  return "Cannot " + std::string(what) + " file \"" + target_ + "\": " + failure_.Reason();
}

std::string AtomicFile::Open(const std::string& target, const WriteAccessCheck& may_write) {
  target_ = target;
  const FileReplacePlan plan = PlanFileReplace(target, may_write);
  if (!plan.refusal.Ok()) {
    failure_ = plan.refusal;
    return FailureText();
  }
  real_ = plan.target;
  // Beside the real file, so the rename stays within one file system.
  const std::string stem = real_ + ".tmp" + std::to_string(::getpid()) + ".";
  for (int attempt = 0; fd_ < 0; ++attempt) {
    std::string name = stem + std::to_string(temp_counter.fetch_add(1));
    fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                 plan.exists ? kPrivateMode : kNewFileMode);
    if (fd_ >= 0) {
      temp_ = std::move(name);
    } else if (errno != EEXIST || attempt + 1 >= kTempAttempts) {
      return Fail(FileWriteStage::kCreate, errno);
    }
  }
  if (plan.exists) {
    // Root saving someone's file leaves it theirs; others keep at least the
    // group when they belong to it. Failing that, the file becomes ours.
    if ((plan.owner != ::geteuid() || plan.group != ::getegid()) &&
        ::fchown(fd_, plan.owner, plan.group) != 0) {
      (void)::fchown(fd_, static_cast<uid_t>(-1), plan.group);
    }
    if (::fchmod(fd_, plan.mode) != 0) return Fail(FileWriteStage::kWrite, errno);
  }
  return {};
}

std::string AtomicFile::Flush() {
  if (buffer_.empty()) return {};
  const int err = WriteAll(fd_, buffer_.data(), buffer_.size());
  buffer_.clear();
  return err == 0 ? std::string() : Fail(FileWriteStage::kWrite, err);
}

std::string AtomicFile::Write(std::string_view data) {
  buffer_.append(data);
  return buffer_.size() >= kFlushBytes ? Flush() : std::string();
}

std::string AtomicFile::CloseForPathWriter() {
  if (fd_ < 0) return {};
  std::string err = Flush();
  if (::close(fd_) != 0 && err.empty()) err = Fail(FileWriteStage::kWrite, errno);
  fd_ = -1;
  return err;
}

std::string AtomicFile::Commit() {
  if (temp_.empty()) return Fail(FileWriteStage::kCreate, EBADF);
  if (fd_ < 0) {
    // Written by path: sync what the other writer closed.
    fd_ = ::open(temp_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return Fail(FileWriteStage::kWrite, errno);
  }
  std::string err = Flush();
  if (err.empty() && ::fsync(fd_) != 0) err = Fail(FileWriteStage::kWrite, errno);
  if (::close(fd_) != 0 && err.empty()) err = Fail(FileWriteStage::kWrite, errno);
  fd_ = -1;
  if (!err.empty()) return err;
  if (::rename(temp_.c_str(), real_.c_str()) != 0) return Fail(FileWriteStage::kWrite, errno);
  committed_ = true;
  return {};
}

FileWriteResult ReplaceFileContents(const std::string& path, std::string_view data,
                                    const WriteAccessCheck& may_write) {
  AtomicFile file;
  if (!file.Open(path, may_write).empty()) return file.Failure();
  if (!file.Write(data).empty() || !file.Commit().empty()) return file.Failure();
  return {};
}

}  // namespace pulse::records
