// SPDX-License-Identifier: MIT
#pragma once
// The main queue, timers, a background queue and the clock.
// All core work runs on the main queue; time comes only from ClockPort.

#include <atomic>
#include <functional>
#include <memory>

#include "platform/Registration.h"

namespace brisquel {

using Task = std::function<void()>;

// A cancellable unit of delayed work.
class WorkItem {
 public:
  explicit WorkItem(Task task) : task_(std::move(task)) {}
  void cancel() { cancelled_ = true; }
  bool isCancelled() const { return cancelled_; }
  void perform() {
    if (!cancelled_ && task_) task_();
  }

 private:
  Task task_;
  std::atomic<bool> cancelled_{false};
};

class MainQueuePort {
 public:
  virtual ~MainQueuePort() = default;
  virtual void async(Task task) = 0;
  virtual void asyncAfter(double seconds, std::shared_ptr<WorkItem> item) = 0;
  void asyncAfter(double seconds, Task task) { asyncAfter(seconds, std::make_shared<WorkItem>(std::move(task))); }
  // Repeats every interval until the registration is reset or destroyed.
  virtual Registration scheduleRepeatingTimer(double intervalSeconds, Task tick) = 0;
};

enum class QualityOfService { UserInteractive, Background };

// Work that leaves the main thread; it must touch no main-thread state and
// return to the main queue before it does.
class BackgroundQueuePort {
 public:
  virtual ~BackgroundQueuePort() = default;
  virtual void async(QualityOfService qos, Task task) = 0;
};

class ClockPort {
 public:
  virtual ~ClockPort() = default;
  // Monotonic seconds, for intervals.
  virtual double now() const = 0;
  // Wall-clock seconds since 1970, for stored dates.
  virtual double wallTime() const = 0;
  // Blocks the calling thread.
  virtual void sleep(double seconds) = 0;
};

}  // namespace brisquel
