// SPDX-License-Identifier: MIT
#include "sim/SimEventLoop.h"

#include <algorithm>

namespace brisquel::sim {

namespace {

constexpr double kStartWallTime = 1767225600.0;  // 2026-01-01T00:00:00Z
constexpr double kTimeEpsilon = 1e-9;            // sums of decimal seconds are inexact
constexpr double kMinTimerInterval = 1e-3;
constexpr std::size_t kMaxTasksPerRun = 1'000'000;  // a runaway loop stops here instead of hanging the test

}  // namespace

struct SimEventLoop::TimerState {
  double interval = 1;
  Task tick;
  std::optional<QueueKey> pending;
  bool alive = true;
};

SimEventLoop::SimEventLoop() : wallOffset_(kStartWallTime) {}

SimEventLoop::QueueKey SimEventLoop::schedule(double at, Entry entry) {
  QueueKey key{std::max(at, now_), sequence_++};
  queue_.emplace(key, std::move(entry));
  return key;
}

void SimEventLoop::runDue(double target) {
  for (std::size_t count = 0; count < kMaxTasksPerRun && !queue_.empty(); ++count) {
    auto it = queue_.begin();
    if (it->first.first > target + kTimeEpsilon) break;
    double at = it->first.first;
    Entry entry = std::move(it->second);
    queue_.erase(it);
    now_ = std::max(now_, at);
    if (entry.item) {
      entry.item->perform();
    } else if (entry.run) {
      entry.run();
    }
  }
}

void SimEventLoop::advance(double seconds) {
  double target = now_ + std::max(0.0, seconds);
  runDue(target);
  now_ = std::max(now_, target);
}

std::size_t SimEventLoop::pendingTaskCount() const {
  return static_cast<std::size_t>(std::count_if(queue_.begin(), queue_.end(), [](const auto& entry) {
    return !entry.second.item || !entry.second.item->isCancelled();
  }));
}

void SimEventLoop::async(Task task) {
  schedule(now_, Entry{std::move(task), nullptr});
}

void SimEventLoop::asyncAfter(double seconds, std::shared_ptr<WorkItem> item) {
  schedule(now_ + std::max(0.0, seconds), Entry{nullptr, std::move(item)});
}

void SimEventLoop::async(QualityOfService, Task task) {
  schedule(now_, Entry{std::move(task), nullptr});
}

void SimEventLoop::sleep(double seconds) {
  sleeps_.push_back(seconds);
  if (seconds > 0) now_ += seconds;
}

void SimEventLoop::scheduleTick(const std::shared_ptr<TimerState>& timer, double at) {
  std::weak_ptr<SimEventLoop> weakSelf = weak_from_this();
  std::weak_ptr<TimerState> weakTimer = timer;
  timer->pending = schedule(at, Entry{[weakSelf, weakTimer, at] {
                                        auto self = weakSelf.lock();
                                        auto state = weakTimer.lock();
                                        if (!self || !state || !state->alive) return;
                                        state->pending.reset();
                                        auto tick = state->tick;  // the tick may cancel the timer
                                        if (tick) tick();
                                        if (state->alive) self->scheduleTick(state, at + state->interval);
                                      },
                                      nullptr});
}

Registration SimEventLoop::scheduleRepeatingTimer(double intervalSeconds, Task tick) {
  auto timer = std::make_shared<TimerState>();
  timer->interval = std::max(kMinTimerInterval, intervalSeconds);
  timer->tick = std::move(tick);
  timers_.push_back(timer);
  scheduleTick(timer, now_ + timer->interval);
  std::weak_ptr<SimEventLoop> weakSelf = weak_from_this();
  return Registration([weakSelf, timer] {
    timer->alive = false;
    if (auto self = weakSelf.lock()) {
      if (timer->pending) self->queue_.erase(*timer->pending);
      std::erase(self->timers_, timer);
    }
  });
}

}  // namespace brisquel::sim
