#include "ui/common/ui_call_queue.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QThread>

namespace quarvex::ui {

namespace {
// One turn of the event loop runs calls for at most this long, so that painting and input
// are never held up behind a long queue.
constexpr qint64 kTurnMilliseconds = 8;
}  // namespace

void UiCallQueue::Post(std::function<void()> call, int coalescingKey) {
  const bool ownerThread = QThread::currentThread() == owner_->thread();
  {
    std::lock_guard lock(mutex_);
    if (ownerThread && !draining_ && waiting_.empty()) {
      // Nothing is ahead of it: run now, outside the lock.
    } else {
      if (coalescingKey != kNoCoalescing && !waiting_.empty() && waiting_.back().key == coalescingKey)
        waiting_.back().run = std::move(call);
      else
        waiting_.push_back({std::move(call), coalescingKey});
      if (!drainScheduled_) {
        drainScheduled_ = true;
        QMetaObject::invokeMethod(
            owner_, [this] { Drain(); }, Qt::QueuedConnection);
      }
      return;
    }
  }
  call();
}

void UiCallQueue::Drain() {
  QElapsedTimer turn;
  turn.start();
  draining_ = true;
  for (;;) {
    Call next;
    {
      std::lock_guard lock(mutex_);
      if (waiting_.empty()) {
        drainScheduled_ = false;
        break;
      }
      if (turn.elapsed() >= kTurnMilliseconds) {
        // Let the event loop breathe; the rest runs on its next turn.
        QMetaObject::invokeMethod(
            owner_, [this] { Drain(); }, Qt::QueuedConnection);
        break;
      }
      next = std::move(waiting_.front());
      waiting_.pop_front();
    }
    next.run();
  }
  draining_ = false;
}

}  // namespace quarvex::ui
