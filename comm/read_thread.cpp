#include "comm/read_thread.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "comm/comms_log.h"
#include "comm/line_settings.h"

namespace pulse::comm {

namespace {

// Interval value that asks for whatever is there, without waiting.
constexpr uint32_t kReturnAtOnce = std::numeric_limits<uint32_t>::max();
constexpr long kNanosPerMilli = 1'000'000;

enum class ReadResult { kMore, kWouldBlock, kGone };

}  // namespace

std::error_code TReadThread::Deliver(const uint8_t* bytes, size_t count) {
  if (count == 0) return {};
  comm::CommsLog::Write("Got something from Comm port!!!");
  std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[count + 1]());
  if (!block) {
    // Losing one chunk beats ending the link.
    comm::CommsLog::WriteError("LocalAlloc: ", ENOMEM);
    return {};
  }
  std::memcpy(block.get(), bytes, count);
  if (!notify.Post(comm::kMsgReceiveData, static_cast<uint32_t>(count), std::move(block)))
    return comm::OsError(EPIPE);
  return {};
}

std::error_code TReadThread::PostReport(uint32_t flags) {
  const std::string report = comm::CommEventReport(flags);
  std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[kReportBlockSize]());
  if (!block) {
    comm::CommsLog::WriteError("LocalAlloc: ", ENOMEM);
    return comm::OsError(ENOMEM);
  }
  const size_t length = std::min(report.size(), kReportBlockSize - 1);
  std::memcpy(block.get(), report.data(), length);
  // A queue that refuses it refuses the next chunk too, and that ends the reader.
  (void)notify.Post(comm::kMsgReceiveData, static_cast<uint32_t>(length), std::move(block));
  return {};
}

void TReadThread::Execute() {
  if (read_counts) {
    const comm::OsResult<comm::LineErrorCounts> first = read_counts(port_handle);
    counts_known_ = first.Ok();
    counts_ = first.value;
  }
  // Bytes already waiting are fetched many chunks at a time, then cut into chunks exactly as
  // reads of 24 would have cut them; `have` (< 24 between reads) is the chunk being built.
  uint8_t buffer[kDrainBuffer];
  size_t have = 0;
  int gone_error = 0;

  comm::CommsLog::Write("Waiting for data from comm connection.");
  for (;;) {
    // The stop signal comes first in the list and is tested first: it wins over data.
    pollfd fds[2] = {{stop_event->Fd(), POLLIN, 0}, {port_handle, POLLIN, 0}};
    timespec quiet{};
    timespec* timeout = nullptr;
    if (have > 0) {
      const uint32_t interval = ReadIntervalTimeout->load(std::memory_order_relaxed);
      if (interval == kReturnAtOnce) {
        timeout = &quiet;
      } else if (interval > 0) {
        quiet.tv_sec = interval / 1000;
        quiet.tv_nsec = static_cast<long>(interval % 1000) * kNanosPerMilli;
        timeout = &quiet;
      }
    }
    const int ready = ppoll(fds, 2, timeout, nullptr);
    if (ready < 0) {
      if (errno == EINTR) continue;
      comm::CommsLog::WriteError("Read WAIT_FAILED: ", errno);
      PostHangup();
      break;
    }
    if (fds[0].revents != 0) {
      comm::DebugOutput("Time to Exit");
      break;
    }
    if (ready == 0) {
      // The line was quiet for the interval: the read completes with what it has.
      if (const std::error_code lost = Deliver(buffer, have)) {
        PostHangup();
        comm::CommsLog::WriteError("Unable to HandleReadEvent: ", lost.value());
        break;
      }
      have = 0;
      continue;
    }
    if (fds[1].revents & POLLNVAL) {
      comm::CommsLog::Write(comm::kInvalidHandleText);
      PostHangup();
      break;
    }

    // A line error is reported where it was seen: after the bytes that came before it.
    if (counts_known_) {
      const comm::OsResult<comm::LineErrorCounts> now = read_counts(port_handle);
      if (now.Ok() && comm::CommErrorFlags(counts_, now.value) != 0) {
        const uint32_t flags = comm::CommErrorFlags(counts_, now.value);
        counts_ = now.value;
        if (const std::error_code lost = Deliver(buffer, have)) {
          PostHangup();
          break;
        }
        have = 0;
        // A report without a block is left out; the bytes around it still flow.
        (void)PostReport(flags);
      }
    }

    // Drain what is waiting, chunk by chunk.
    ReadResult result = ReadResult::kMore;
    bool post_failed = false;
    while (result == ReadResult::kMore) {
      const ssize_t got = read(port_handle, buffer + have, sizeof buffer - have);
      if (got > 0) {
        have += static_cast<size_t>(got);
        size_t taken = 0;
        while (have - taken >= kReadChunk && !post_failed) {
          comm::CommsLog::Write("Data waiting for ReadFile: ");
          const std::error_code lost = Deliver(buffer + taken, kReadChunk);
          post_failed = static_cast<bool>(lost);
          taken += kReadChunk;
        }
        if (post_failed) break;
        std::memmove(buffer, buffer + taken, have - taken);
        have -= taken;
      } else if (got == 0) {
        // VMIN=1 on a non-blocking descriptor: zero bytes means the device has gone.
        gone_error = EIO;
        result = ReadResult::kGone;
      } else if (errno == EAGAIN) {
        result = ReadResult::kWouldBlock;
      } else if (errno != EINTR) {
        gone_error = errno;
        result = ReadResult::kGone;
      }
    }
    if (post_failed) {
      PostHangup();
      comm::CommsLog::WriteError("Unable to HandleReadEvent: ", EPIPE);
      break;
    }
    if (result == ReadResult::kWouldBlock && (fds[1].revents & (POLLHUP | POLLERR))) {
      gone_error = EIO;
      result = ReadResult::kGone;
    }
    if (result == ReadResult::kGone) {
      // Whatever arrived before the device went is still handed over, if the queue takes it;
      // the hang-up follows either way.
      (void)Deliver(buffer, have);
      have = 0;
      PostHangup();
      if (gone_error == EBADF) {
        comm::CommsLog::Write(comm::kInvalidHandleText);
      } else {
        comm::CommsLog::WriteError("Unable to HandleReadEvent: ", gone_error);
      }
      break;
    }
  }

  comm::CommsLog::Write("Read thread shutting down");
  // A port that went away has no input left to drop.
  (void)comm::PurgeInput(port_handle);
}

}  // namespace pulse::comm
