// SPDX-License-Identifier: MIT
#include "fcitx5/EventLoop.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "base/KeyPath.h"

namespace brisquel::fcitx5 {
namespace {

std::uint64_t monotonicMicroseconds() {
  return fcitx::now(CLOCK_MONOTONIC);
}

// How late a timer may fire. sd-event, under fcitx5's loop, reads 0 as its
// default of 250 ms: a 50 ms delay would come up to 300 ms late.
constexpr std::uint64_t kTimerAccuracy = 1000;

std::uint64_t microseconds(double seconds) {
  return seconds > 0 ? static_cast<std::uint64_t>(seconds * 1e6) : 0;
}

}  // namespace

LoopQueue::LoopQueue(fcitx::EventLoop& loop) : loop_(loop) {
  dispatcher_.attach(&loop_);
  try {
    runQueued_ = loop_.addDeferEvent([this](fcitx::EventSource*) {
      runQueued();
      return true;
    });
    runQueued_->setEnabled(false);
  } catch (const fcitx::EventLoopException&) {
    // Without the source every task goes through the dispatcher.
  }
}

LoopQueue::~LoopQueue() {
  runQueued_.reset();
  dispatcher_.detach();
}

void LoopQueue::async(Task task) {
  if (runQueued_ && std::this_thread::get_id() == loopThread_) {
    // sd-event runs a deferred source on the loop's next pass.
    queued_.push_back(std::move(task));
    runQueued_->setOneShot();
    return;
  }
  auto alive = watch();
  dispatcher_.schedule([this, alive, task = std::move(task)] {
    if (!alive.isValid() || !task) return;
    task();
    if (alive.isValid()) finished();
  });
}

void LoopQueue::runQueued() {
  // In the order queued; what these queue runs on the next pass.
  std::vector<Task> tasks;
  tasks.swap(queued_);
  auto alive = watch();
  for (auto& task : tasks) {
    if (task) task();
    if (!alive.isValid()) return;  // a task took the queue with it
    finished();
  }
  if (queued_.empty()) {
    tasks.clear();
    queued_.swap(tasks);  // keeps the capacity
  }
}

std::uint64_t LoopQueue::addTimer(double seconds, std::function<bool()> fire) {
  const std::uint64_t id = nextTimer_++;
  // A timer is removed after it fired for the last time, outside its own callback.
  timers_[id] = loop_.addTimeEvent(
      CLOCK_MONOTONIC, monotonicMicroseconds() + microseconds(seconds), kTimerAccuracy,
      [this, id, fire = std::move(fire)](fcitx::EventSourceTime*, std::uint64_t) {
        const bool again = fire();
        finished();
        if (!again) {
          auto alive = watch();
          dispatcher_.schedule([this, alive, id] {
            if (alive.isValid()) timers_.erase(id);
          });
        }
        return true;
      });
  return id;
}

void LoopQueue::asyncAfter(double seconds, std::shared_ptr<WorkItem> item) {
  addTimer(seconds, [item = std::move(item)] {
    item->perform();
    return false;
  });
}

Registration LoopQueue::scheduleRepeatingTimer(double intervalSeconds, Task tick) {
  const std::uint64_t id = nextTimer_++;
  const std::uint64_t interval = std::max<std::uint64_t>(microseconds(intervalSeconds), 1000);
  // The source re-arms itself after each tick, fcitx5's way of repeating.
  timers_[id] =
      loop_.addTimeEvent(CLOCK_MONOTONIC, monotonicMicroseconds() + interval, kTimerAccuracy,
                         [this, interval, tick = std::move(tick)](fcitx::EventSourceTime* self, std::uint64_t) {
                           self->setNextInterval(interval);
                           self->setOneShot();
                           if (tick) tick();
                           finished();
                           return true;
                         });
  auto alive = watch();
  return Registration([this, alive, id] {
    if (!alive.isValid()) return;
    // Cancelled from its own tick, maybe: stop it now, free it outside the callback.
    if (auto it = timers_.find(id); it != timers_.end()) it->second->setEnabled(false);
    dispatcher_.schedule([this, alive, id] {
      if (alive.isValid()) timers_.erase(id);
    });
  });
}

WorkerQueue::WorkerQueue() : thread_([this] { run(); }) {}

WorkerQueue::~WorkerQueue() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void WorkerQueue::async(QualityOfService, Task task) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  wake_.notify_one();
}

void WorkerQueue::run() {
  for (;;) {
    Task task;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
      if (tasks_.empty()) return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    if (task) task();
  }
}

BRISQUEL_KEY_PATH double SystemClock::now() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double SystemClock::wallTime() const {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

void SystemClock::sleep(double seconds) {
  if (seconds <= 0 || std::this_thread::get_id() == loop_) return;
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

}  // namespace brisquel::fcitx5
