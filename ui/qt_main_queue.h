// The main-thread queue of the program: the serial threads post messages,
// and a queued call dispatches them on the Qt main thread in order. Many
// posts between two event-loop turns cost one wake-up.
#pragma once

#include <QObject>
#include <atomic>
#include <functional>

#include "comm/main_thread_queue.h"

namespace pulse::ui {

class QtMainQueue : public QObject, public comm::PostedQueue {
  Q_OBJECT

 public:
  explicit QtMainQueue(QObject* parent = nullptr) : QObject(parent) {}
  // Runs after each batch of dispatched messages (the window syncs its widgets then).
  void SetAfterBatch(std::function<void()> f) { after_batch_ = std::move(f); }

 protected:
  void Wake() override;

 private:
  void DrainOnMainThread();

  std::function<void()> after_batch_;
};

}  // namespace pulse::ui
