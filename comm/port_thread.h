// What the reader and the writer have in common: the three values they are given before they
// start (port, stop signal, where to post), and a join that can wait with a time limit.
#pragma once

#include <chrono>
#include <future>
#include <thread>

#include "comm/main_thread_queue.h"
#include "comm/stop_signal.h"

namespace pulse::comm {

class PortThread {
 public:
  PortThread() : finished_future_(finished_.get_future()) {}
  virtual ~PortThread();
  PortThread(const PortThread&) = delete;
  PortThread& operator=(const PortThread&) = delete;

  // Filled in before the thread starts; the thread touches nothing else of the component.
  int port_handle = -1;
  const StopSignal* stop_event = nullptr;
  NotifyTarget notify;
  // How much above normal the thread asks to run (the reader above the writer); granted only
  // where the process may raise priorities, ignored otherwise.
  int priority_boost = 0;

  // The thread's entry: runs the body and marks the thread finished.
  void Run();
  void Attach(std::thread thread) { thread_ = std::move(thread); }
  [[nodiscard]] bool Started() const { return thread_.joinable(); }
  // True when the body ended within `timeout`.
  [[nodiscard]] bool WaitFor(std::chrono::milliseconds timeout) const;
  [[nodiscard]] bool Finished() const { return WaitFor(std::chrono::milliseconds(0)); }
  // Waits without limit until the thread has ended.
  void Join();

 protected:
  virtual void Execute() = 0;
  void PostHangup() const;

 private:
  std::promise<void> finished_;
  std::shared_future<void> finished_future_;
  std::thread thread_;
};

}  // namespace pulse::comm
