#include "ui/qt_main_queue.h"

#include <QMetaObject>

namespace pulse::ui {

void QtMainQueue::Wake() {
  // Called from a worker thread when the queue went from empty to non-empty.
  QMetaObject::invokeMethod(this, [this] { DrainOnMainThread(); }, Qt::QueuedConnection);
}

void QtMainQueue::DrainOnMainThread() {
  if (DispatchPending() > 0 && after_batch_) after_batch_();
}

}  // namespace pulse::ui
