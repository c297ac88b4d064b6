#include "comm/write_thread.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "comm/comms_log.h"
#include "comm/line_settings.h"

namespace pulse::comm {

void TWriteThread::Execute() {
  for (;;) {
    std::optional<comm::WriteRequest> request = queue->TryTake();
    if (!request) {
      pollfd fds[2] = {{stop_event->Fd(), POLLIN, 0}, {queue->Fd(), POLLIN, 0}};
      if (ppoll(fds, 2, nullptr, nullptr) < 0) {
        if (errno == EINTR) continue;
        comm::CommsLog::WriteError("Write WAIT_FAILED: ", errno);
        PostHangup();
        break;
      }
      if (fds[0].revents != 0) break;
      queue->ClearArrival();
      continue;
    }
    if (stop_event->IsSignalled()) break;
    comm::CommsLog::Write("Writing to comm port");
    // Already logged by Send, with a hang-up requested where the link is lost.
    if (const std::error_code failed = Send(request->block.get(), request->size)) break;
  }
  // From here WriteData fails, and requests still queued are dropped unwritten.
  queue->Close();
  comm::CommsLog::Write("Write thread shutting down");
  // A port that went away has no output left to drop.
  (void)comm::PurgeOutput(port_handle);
}

std::error_code TWriteThread::Send(const uint8_t* data, uint32_t size) {
  uint32_t offset = 0;
  while (offset < size) {
    const ssize_t written = write(port_handle, data + offset, size - offset);
    if (written >= 0) {
      offset += static_cast<uint32_t>(written);
      continue;
    }
    const std::error_code error = comm::LastOsError();
    if (error.value() == EINTR) continue;
    if (error.value() == EBADF) {
      comm::CommsLog::Write(comm::kInvalidHandleText);
      return error;
    }
    if (error.value() != EAGAIN) {
      comm::CommsLog::WriteError("Error to writing to CommFile", error.value());
      comm::CommsLog::Write("Closing TAPI");
      PostHangup();
      return error;
    }
    // The output queue is full: wait for room, or for the stop signal, which wins.
    pollfd fds[2] = {{stop_event->Fd(), POLLIN, 0}, {port_handle, POLLOUT, 0}};
    if (ppoll(fds, 2, nullptr, nullptr) < 0) {
      const std::error_code wait_error = comm::LastOsError();
      if (wait_error.value() == EINTR) continue;
      comm::CommsLog::WriteError("Write WAIT_FAILED: ", wait_error.value());
      PostHangup();
      return wait_error;
    }
    if (fds[0].revents != 0) return comm::OsError(ECANCELED);
    if (fds[1].revents & POLLNVAL) {
      comm::CommsLog::Write(comm::kInvalidHandleText);
      return comm::OsError(EBADF);
    }
    if ((fds[1].revents & (POLLHUP | POLLERR)) && !(fds[1].revents & POLLOUT)) {
      comm::CommsLog::WriteError("Error writing to CommFile while waiting", EIO);
      comm::CommsLog::Write("Closing TAPI");
      PostHangup();
      return comm::OsError(EIO);
    }
  }
  return {};
}

}  // namespace pulse::comm
