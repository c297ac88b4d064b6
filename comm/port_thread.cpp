#include "comm/port_thread.h"

namespace comm {

PortThread::~PortThread() {
  Join();
}

void PortThread::Run() {
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
  Notify.Post(kMsgRequestHangup, 0, nullptr);
}

}  // namespace comm
