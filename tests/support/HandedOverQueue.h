// SPDX-License-Identifier: MIT
#pragma once
// A main queue that takes work from any thread (as fcitx5's loop does from
// the save writer) and runs it only when the test turns it.

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/MainQueue.h"

namespace brisquel::testing {

class HandedOverQueue final : public MainQueuePort {
 public:
  void async(Task task) override {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  void asyncAfter(double, std::shared_ptr<WorkItem> item) override {
    async([item] { item->perform(); });
  }
  Registration scheduleRepeatingTimer(double, Task) override { return {}; }

  // Runs what was handed over until `done` holds or `seconds` passed; whether it holds.
  bool turnUntil(const std::function<bool()>& done, double seconds = 10) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
      turn();
      if (done()) return true;
      if (std::chrono::steady_clock::now() >= until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  void turn() {
    std::deque<Task> tasks;
    {
      std::lock_guard lock(mutex_);
      tasks.swap(tasks_);
    }
    for (auto& task : tasks)
      if (task) task();
  }

 private:
  std::mutex mutex_;
  std::deque<Task> tasks_;
};

}  // namespace brisquel::testing
