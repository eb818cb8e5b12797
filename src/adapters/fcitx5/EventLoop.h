// SPDX-License-Identifier: MIT
#pragma once
// The main queue, timers, background work and the clock on fcitx5's event
// loop. fcitx5's loop is the program's main thread: nothing here blocks it
// except ClockPort::sleep, which the core uses for a few milliseconds between
// the keys it types.

#include <fcitx-utils/event.h>
#include <fcitx-utils/eventdispatcher.h>
#include <fcitx-utils/trackableobject.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/MainQueue.h"

namespace brisquel::fcitx5 {

class LoopQueue final : public MainQueuePort, public fcitx::TrackableObject<LoopQueue> {
 public:
  explicit LoopQueue(fcitx::EventLoop& loop);
  ~LoopQueue() override;
  LoopQueue(const LoopQueue&) = delete;
  LoopQueue& operator=(const LoopQueue&) = delete;

  // Thread-safe: the background queue returns to the main queue through it.
  // From the loop's own thread a task takes no lock and no system call.
  void async(Task task) override;
  void asyncAfter(double seconds, std::shared_ptr<WorkItem> item) override;
  Registration scheduleRepeatingTimer(double intervalSeconds, Task tick) override;
  // Runs after every task and timer: what they sent a client goes out at once.
  void setAfterEach(std::function<void()> after) { afterEach_ = std::move(after); }

 private:
  void finished() const {
    if (afterEach_) afterEach_();
  }

  std::uint64_t addTimer(double seconds, std::function<bool()> fire);
  void runQueued();

  fcitx::EventLoop& loop_;
  const std::thread::id loopThread_ = std::this_thread::get_id();
  // Tasks from other threads wake the loop through the dispatcher's pipe;
  // the loop's own wait in `queued_` for a deferred source.
  fcitx::EventDispatcher dispatcher_;
  std::vector<Task> queued_;
  std::unique_ptr<fcitx::EventSource> runQueued_;
  std::uint64_t nextTimer_ = 1;
  std::map<std::uint64_t, std::unique_ptr<fcitx::EventSourceTime>> timers_;
  std::function<void()> afterEach_;
};

// One worker thread, joined when the queue goes.
class WorkerQueue final : public BackgroundQueuePort {
 public:
  WorkerQueue();
  ~WorkerQueue() override;
  WorkerQueue(const WorkerQueue&) = delete;
  WorkerQueue& operator=(const WorkerQueue&) = delete;
  void async(QualityOfService qos, Task task) override;

 private:
  void run();
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Task> tasks_;
  bool stopping_ = false;
  std::thread thread_;
};

// Made on the loop's thread.
class SystemClock final : public ClockPort {
 public:
  double now() const override;
  double wallTime() const override;
  // Does nothing on the loop's thread: keys posted there are delivered by
  // this same loop after the current work, so a pause between them paces
  // nothing and only holds up every application's typing.
  void sleep(double seconds) override;

 private:
  std::thread::id loop_ = std::this_thread::get_id();
};

}  // namespace brisquel::fcitx5
