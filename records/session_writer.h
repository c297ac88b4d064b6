// Records every frame line of a session, with no length limit, into a
// record file, plus its metadata file. A writer thread owned here takes the
// lines from an in-memory buffer a few times a second, so the caller (the
// GUI thread, the serial path) never waits for the disk. After kill -9 the
// file holds every line up to a fraction of a second before; after a power
// loss, up to about the last second (fdatasync once a second). Every line in
// the file is whole.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "records/session_metadata.h"

namespace pulse::records {

class SessionWriter {
 public:
  // write(2) by default; tests inject failures here.
  using WriteFn = std::function<ssize_t(int fd, const void* data, size_t size)>;
  // Called on the writer thread when writing fails and the session stops;
  // the owner posts it to its own thread.
  using ErrorFn = std::function<void(const std::string& message)>;

  struct Options {
    WriteFn write;
    ErrorFn on_error;
    // How long lines may wait in memory before they are written.
    std::chrono::milliseconds write_interval{200};
    // How often written lines are forced to the disk.
    std::chrono::milliseconds sync_interval{1000};
  };

  SessionWriter() : SessionWriter(Options{}) {}
  explicit SessionWriter(Options options);
  // Stops a running session (without totals).
  ~SessionWriter();
  SessionWriter(const SessionWriter&) = delete;
  SessionWriter& operator=(const SessionWriter&) = delete;

  // Writes the metadata file (marked incomplete), then creates or empties
  // the record file and starts the writer thread. A target that cannot be
  // written is refused here, before any sampling starts. Returns an error
  // text, empty on success.
  [[nodiscard]] std::string Start(const std::string& path, const SessionMetadata& metadata);

  // Queues one frame line (without line end). Cheap: a short lock and an
  // append to a buffer. Ignored when no session runs or writing failed.
  void Append(std::string_view line);

  // Notes a stretch without frames, for the metadata written at Stop().
  void AddGap(const Gap& gap);

  // Writes what is queued, syncs, closes and rewrites the metadata as
  // complete with `totals`. Returns the session's write error, if any, or
  // the error of this last step; empty when all went well.
  [[nodiscard]] std::string Stop(const std::optional<SessionTotals>& totals);

  [[nodiscard]] bool Running() const { return running_; }
  // The error that stopped the session, for the owner to poll.
  [[nodiscard]] std::optional<std::string> Failure() const;
  // Lines whole on disk so far.
  [[nodiscard]] uint64_t LinesWritten() const { return lines_written_.load(); }

 private:
  void Run();
  // Writes one batch; on an error, keeps only its whole lines and records
  // the failure. Returns whether writing may go on.
  [[nodiscard]] bool WriteBatch(const std::string& batch, uint64_t lines);
  void Fail(const std::string& message);

  Options options_;
  std::string path_;
  SessionMetadata metadata_;
  int fd_ = -1;
  bool running_ = false;
  std::thread thread_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::string pending_;                 // guarded by mutex_
  uint64_t pending_lines_ = 0;          // guarded by mutex_
  bool stop_requested_ = false;         // guarded by mutex_
  std::optional<std::string> failure_;  // guarded by mutex_

  // Writer thread only (and Stop() after the join).
  uint64_t file_size_ = 0;
  std::atomic<uint64_t> lines_written_{0};
};

}  // namespace pulse::records
