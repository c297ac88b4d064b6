#include "records/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace pulse::records {
namespace {

// Big enough that a long export costs few syscalls.
constexpr size_t kFlushBytes = 1 << 20;
// The permissions a new file gets from open(0644) under the usual umask.
constexpr mode_t kFileMode = 0644;

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

std::string AtomicFile::Open(const std::string& target) {
  target_ = target;
  std::string pattern = target + ".XXXXXX";
  fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd_ < 0) return FileErrorText("create", target, errno);
  temp_ = pattern;
  // mkostemp makes the file private; an output file is as readable as any other.
  (void)::fchmod(fd_, kFileMode);
  return {};
}

std::string AtomicFile::Flush() {
  if (buffer_.empty()) return {};
  const int err = WriteAll(fd_, buffer_.data(), buffer_.size());
  buffer_.clear();
  return err == 0 ? std::string() : FileErrorText("write", target_, err);
}

std::string AtomicFile::Write(std::string_view data) {
  buffer_.append(data);
  return buffer_.size() >= kFlushBytes ? Flush() : std::string();
}

std::string AtomicFile::CloseForPathWriter() {
  if (fd_ < 0) return {};
  std::string err = Flush();
  if (::close(fd_) != 0 && err.empty()) err = FileErrorText("write", target_, errno);
  fd_ = -1;
  return err;
}

std::string AtomicFile::Commit() {
  if (temp_.empty()) return FileErrorText("create", target_, EBADF);
  if (fd_ < 0) {
    // Written by path: sync what the other writer closed.
    fd_ = ::open(temp_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return FileErrorText("write", target_, errno);
  }
  std::string err = Flush();
  if (err.empty() && ::fsync(fd_) != 0) err = FileErrorText("write", target_, errno);
  if (::close(fd_) != 0 && err.empty()) err = FileErrorText("write", target_, errno);
  fd_ = -1;
  if (!err.empty()) return err;
  if (::rename(temp_.c_str(), target_.c_str()) != 0) return FileErrorText("write", target_, errno);
  committed_ = true;
  return {};
}

}  // namespace pulse::records
