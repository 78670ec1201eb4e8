// Calls carried over to one QObject's thread in the order they were made, from any thread.
//
// The job's worker reports every change it makes to the window through here. Calls wait in
// one queue and run on the owner's thread in posting order; a call posted on the owner's
// thread while nothing waits runs at once. Progress texts come once per key node and record,
// far faster than a screen can show them: a call posted with a coalescing key replaces the
// last waiting call when that one has the same key, so only the latest of a run of progress
// texts is shown and the order of everything else is kept.
#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <mutex>

namespace quarvex::ui {

class UiCallQueue {
 public:
  explicit UiCallQueue(QObject* owner) : owner_(owner) {}
  UiCallQueue(const UiCallQueue&) = delete;
  UiCallQueue& operator=(const UiCallQueue&) = delete;

  static constexpr int kNoCoalescing = 0;
  void Post(std::function<void()> call, int coalescingKey = kNoCoalescing);

 private:
  struct Call {
    std::function<void()> run;
    int key;
  };
  void Drain();

  QObject* owner_;
  std::mutex mutex_;
  std::deque<Call> waiting_;
  bool drainScheduled_ = false;
  bool draining_ = false;  // owner's thread only
};

}  // namespace quarvex::ui
