#include "records/session_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "records/atomic_file.h"

namespace pulse::records {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
// A second of three-channel frames at the device's top rate, so the
// buffers rarely grow while sampling.
constexpr size_t kBufferReserve = 256 * 64;

}  // namespace

SessionWriter::SessionWriter(Options options) : options_(std::move(options)) {
  if (!options_.write) {
    options_.write = [](int fd, const void* data, size_t size) { return ::write(fd, data, size); };
  }
}

SessionWriter::~SessionWriter() {
  if (running_) (void)Stop(std::nullopt);
}

std::string SessionWriter::Start(const std::string& path, const SessionMetadata& metadata) {
  if (running_) return "a session is already being recorded";
  // The metadata first: when it cannot be written, an older record of this
  // name has not been emptied yet.
  SessionMetadata md = metadata;
  md.complete = false;
  md.stop_time.clear();
  md.lines = 0;
  md.totals.reset();
  std::string err = WriteMetadataFile(MetadataPathFor(path), md);
  if (!err.empty()) return err;
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) return FileErrorText("create", path, errno);

  path_ = path;
  metadata_ = std::move(md);
  file_size_ = 0;
  lines_written_ = 0;
  {
    std::lock_guard lock(mutex_);
    pending_.clear();
    pending_.reserve(kBufferReserve);
    pending_lines_ = 0;
    stop_requested_ = false;
    failure_.reset();
  }
  running_ = true;
  thread_ = std::thread([this] { Run(); });
  return {};
}

void SessionWriter::Append(std::string_view line) {
  if (!running_) return;
  std::lock_guard lock(mutex_);
  if (failure_) return;
  pending_.append(line);
  pending_.append(kLineEnd);
  ++pending_lines_;
}

void SessionWriter::AddGap(const Gap& gap) {
  if (running_) metadata_.gaps.push_back(gap);
}

std::optional<std::string> SessionWriter::Failure() const {
  std::lock_guard lock(mutex_);
  return failure_;
}

void SessionWriter::Fail(const std::string& message) {
  {
    std::lock_guard lock(mutex_);
    failure_ = message;
    pending_.clear();
    pending_.shrink_to_fit();
  }
  if (options_.on_error) options_.on_error(message);
}

bool SessionWriter::WriteBatch(const std::string& batch, uint64_t lines) {
  size_t done = 0;
  int err = 0;
  while (done < batch.size()) {
    const ssize_t n = options_.write(fd_, batch.data() + done, batch.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      err = n < 0 ? errno : ENOSPC;  // a write that takes nothing is a full disk
      break;
    }
    done += static_cast<size_t>(n);
  }
  if (err == 0) {
    file_size_ += batch.size();
    lines_written_ += lines;
    return true;
  }
  // Keep the whole lines of a partial write and cut the rest, so the file
  // stays a valid record.
  const size_t last_end = std::string_view(batch.data(), done).rfind('\n');
  const size_t keep = last_end == std::string_view::npos ? 0 : last_end + 1;
  file_size_ += keep;
  lines_written_ += static_cast<uint64_t>(std::count(batch.begin(), batch.begin() + keep, '\n'));
  std::string message = FileErrorText("write", path_, err) + "; the recording stopped";
  if (::ftruncate(fd_, static_cast<off_t>(file_size_)) != 0) {
    message +=
        " (and the last line could not be cut off: " + FileErrorText("truncate", path_, errno) +
        ")";
  }
  Fail(message);
  return false;
}

void SessionWriter::Run() {
  using Clock = std::chrono::steady_clock;
  std::string batch;
  batch.reserve(kBufferReserve);
  Clock::time_point last_sync = Clock::now();
  bool unsynced = false;
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait_for(lock, options_.write_interval, [this] { return stop_requested_; });
    const bool stopping = stop_requested_;
    batch.swap(pending_);
    const uint64_t lines = pending_lines_;
    pending_lines_ = 0;
    const bool failed = failure_.has_value();
    lock.unlock();

    if (!batch.empty() && !failed) {
      if (WriteBatch(batch, lines)) unsynced = true;
    }
    batch.clear();
    const Clock::time_point now = Clock::now();
    if (unsynced && !failed && (stopping || now - last_sync >= options_.sync_interval)) {
      if (::fdatasync(fd_) != 0) {
        Fail(FileErrorText("write", path_, errno) + "; the recording stopped");
      }
      last_sync = now;
      unsynced = false;
    }
    if (stopping) return;
    lock.lock();
  }
}

std::string SessionWriter::Stop(const std::optional<SessionTotals>& totals) {
  if (!running_) return "no session is being recorded";
  {
    std::lock_guard lock(mutex_);
    stop_requested_ = true;
  }
  wake_.notify_one();
  thread_.join();
  running_ = false;

  std::string err;
  if (::close(fd_) != 0) err = FileErrorText("write", path_, errno);
  fd_ = -1;
  if (std::optional<std::string> failure = Failure()) err = *failure;

  metadata_.complete = true;
  metadata_.stop_time = FormatIsoTime(std::chrono::system_clock::now());
  metadata_.lines = lines_written_;
  metadata_.totals = totals;
  const std::string md_err = WriteMetadataFile(MetadataPathFor(path_), metadata_);
  return err.empty() ? md_err : err;
}

}  // namespace pulse::records
