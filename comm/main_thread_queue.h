// Hand-over of messages from the serial worker threads to the main thread. The threads never
// call user code: they post messages, and the main thread dispatches them, one at a time, in
// the order they were posted. A message's block travels with it and has one owner at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace pulse::comm {

// Message numbers: the user message base plus an offset, as the components have always used.
inline constexpr uint32_t kUserMessageBase = 1024;
inline constexpr uint32_t kMsgWriteRequest = kUserMessageBase + 1;
inline constexpr uint32_t kMsgReceiveData = kUserMessageBase + 11;
inline constexpr uint32_t kMsgRequestHangup = kUserMessageBase + 21;

struct Notification;

// The main-thread end of a component (its notification window). Shared with the messages
// addressed to it, so it outlives the component while such messages are still queued; a
// detached window drops them.
class NotifyWindow {
 public:
  using Procedure = std::function<void(Notification&)>;
  explicit NotifyWindow(Procedure procedure) : procedure_(std::move(procedure)) {}

  // Main thread only.
  void Dispatch(Notification& message) {
    if (procedure_) procedure_(message);
  }
  void Detach() { procedure_ = nullptr; }

 private:
  Procedure procedure_;
};

struct Notification {
  std::shared_ptr<NotifyWindow> window;
  uint32_t msg = 0;
  uint32_t count = 0;                // first parameter: a byte count
  std::unique_ptr<uint8_t[]> block;  // second parameter; freed with the message
  uint32_t value = 0;                // second parameter when it is a number, not a block
};

// Dispatches one message on the calling (main) thread.
inline void DispatchNotification(Notification& message) {
  if (message.window) message.window->Dispatch(message);
}

// Implemented by the program as a queued call into its main thread, and by tests as a queue
// they drain. Post() is called from worker threads and must not wait for the main thread.
class IMainThreadQueue {
 public:
  virtual ~IMainThreadQueue() = default;
  // False when the message could not be queued (it is then dropped with its block).
  [[nodiscard]] virtual bool Post(Notification message) = 0;
};

// A first-in first-out queue of messages; subclasses decide how the main thread is woken.
// The Qt program overrides Wake() with a queued call into its main thread that runs
// DispatchPending(); tests use ManualQueue.
class PostedQueue : public IMainThreadQueue {
 public:
  [[nodiscard]] bool Post(Notification message) override;
  // Main thread: dispatches the messages queued so far, in order; returns how many.
  size_t DispatchPending();
  [[nodiscard]] size_t PendingCount();

 protected:
  // Called by Post() after the queue went from empty to non-empty; from any thread.
  virtual void Wake() {}

  std::mutex mutex_;
  std::deque<Notification> pending_;
};

// Where a worker thread posts to: the queue into the main thread and the window addressed.
struct NotifyTarget {
  IMainThreadQueue* queue = nullptr;
  std::shared_ptr<NotifyWindow> window;

  [[nodiscard]] bool Post(uint32_t msg, uint32_t count, std::unique_ptr<uint8_t[]> block) const {
    return queue != nullptr && queue->Post(Notification{window, msg, count, std::move(block)});
  }
};

}  // namespace pulse::comm
