#include "comm/port_thread.h"

#include <sys/resource.h>
#include <unistd.h>

namespace pulse::comm {

PortThread::~PortThread() {
  Join();
}

void PortThread::Run() {
  // A lower nice value for this thread alone; failure (no privilege) leaves it as it was.
  if (priority_boost > 0) setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -priority_boost);
  Execute();
  finished_.set_value();
}

bool PortThread::WaitFor(std::chrono::milliseconds timeout) const {
  return finished_future_.wait_for(timeout) == std::future_status::ready;
}

void PortThread::Join() {
  if (thread_.joinable()) thread_.join();
}

void PortThread::PostHangup() const {
  // A queue that refuses it has no main thread left to hear it.
  (void)notify.Post(kMsgRequestHangup, 0, nullptr);
}

}  // namespace pulse::comm
