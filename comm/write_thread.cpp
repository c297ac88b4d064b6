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
    if (!Send(request->block.get(), request->size)) break;
  }
  // From here WriteData fails, and requests still queued are dropped unwritten.
  queue->Close();
  comm::CommsLog::Write("Write thread shutting down");
  comm::PurgeOutput(port_handle);
}

bool TWriteThread::Send(const uint8_t* data, uint32_t size) {
  uint32_t offset = 0;
  while (offset < size) {
    const ssize_t written = write(port_handle, data + offset, size - offset);
    if (written >= 0) {
      offset += static_cast<uint32_t>(written);
      continue;
    }
    if (errno == EINTR) continue;
    if (errno == EBADF) {
      comm::CommsLog::Write(comm::kInvalidHandleText);
      return false;
    }
    if (errno != EAGAIN) {
      comm::CommsLog::WriteError("Error to writing to CommFile", errno);
      comm::CommsLog::Write("Closing TAPI");
      PostHangup();
      return false;
    }
    // The output queue is full: wait for room, or for the stop signal, which wins.
    pollfd fds[2] = {{stop_event->Fd(), POLLIN, 0}, {port_handle, POLLOUT, 0}};
    if (ppoll(fds, 2, nullptr, nullptr) < 0) {
      if (errno == EINTR) continue;
      comm::CommsLog::WriteError("Write WAIT_FAILED: ", errno);
      PostHangup();
      return false;
    }
    if (fds[0].revents != 0) return false;
    if (fds[1].revents & POLLNVAL) {
      comm::CommsLog::Write(comm::kInvalidHandleText);
      return false;
    }
    if ((fds[1].revents & (POLLHUP | POLLERR)) && !(fds[1].revents & POLLOUT)) {
      comm::CommsLog::WriteError("Error writing to CommFile while waiting", EIO);
      comm::CommsLog::Write("Closing TAPI");
      PostHangup();
      return false;
    }
  }
  return true;
}

}  // namespace pulse::comm
