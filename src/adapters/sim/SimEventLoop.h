// SPDX-License-Identifier: MIT
#pragma once
// The simulated desktop's virtual clock and its queues: main-queue work,
// repeating timers and background tasks all run from one time-ordered queue,
// and only when the test advances the clock.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/MainQueue.h"

namespace brisquel::sim {

class SimEventLoop final : public MainQueuePort,
                           public BackgroundQueuePort,
                           public ClockPort,
                           public std::enable_shared_from_this<SimEventLoop> {
 public:
  SimEventLoop();

  // MainQueuePort
  void async(Task task) override;
  void asyncAfter(double seconds, std::shared_ptr<WorkItem> item) override;
  using MainQueuePort::asyncAfter;
  // The registration holds the loop weakly: it may outlive the desktop.
  Registration scheduleRepeatingTimer(double intervalSeconds, Task tick) override;
  // BackgroundQueuePort: runs on the main queue, in order.
  void async(QualityOfService qos, Task task) override;
  // ClockPort
  double now() const override { return now_; }
  double wallTime() const override { return wallOffset_ + now_; }
  void sleep(double seconds) override;

  // Runs the work due up to now + seconds, in time order, then moves the clock there.
  void advance(double seconds);
  void setWallTime(double secondsSince1970) { wallOffset_ = secondsSince1970 - now_; }
  const std::vector<double>& sleeps() const { return sleeps_; }
  void clearSleeps() { sleeps_.clear(); }
  std::size_t pendingTaskCount() const;  // live timers included

 private:
  using QueueKey = std::pair<double, std::uint64_t>;
  struct Entry {
    Task run;
    std::shared_ptr<WorkItem> item;
  };
  struct TimerState;

  QueueKey schedule(double at, Entry entry);
  void runDue(double target);
  void scheduleTick(const std::shared_ptr<TimerState>& timer, double at);

  double now_ = 0;
  double wallOffset_;
  std::vector<double> sleeps_;
  std::map<QueueKey, Entry> queue_;
  std::uint64_t sequence_ = 0;
  std::vector<std::shared_ptr<TimerState>> timers_;
};

}  // namespace brisquel::sim
