// SPDX-License-Identifier: MIT
#include "posix/SaveWriter.h"

#include <pthread.h>

#include <chrono>

namespace brisquel::posix {

SaveWriter::SaveWriter(MainQueuePort& mainQueue) : mainQueue_(mainQueue), thread_([this] { run(); }) {}

SaveWriter::~SaveWriter() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void SaveWriter::save(Task work, Task done) {
  {
    std::lock_guard lock(mutex_);
    saves_.emplace_back(std::move(work), std::move(done));
  }
  wake_.notify_one();
}

bool SaveWriter::waitUntilSaved(double seconds) {
  std::unique_lock lock(mutex_);
  return idle_.wait_for(lock, std::chrono::duration<double>(seconds), [this] { return saves_.empty() && !busy_; });
}

void SaveWriter::run() {
  // Named, so that top -H and strace -p can tell it from the host's threads.
  pthread_setname_np(pthread_self(), "brisquel-save");
  for (;;) {
    std::pair<Task, Task> next;
    bool stopping = false;
    {
      std::unique_lock lock(mutex_);
      busy_ = false;
      if (saves_.empty()) idle_.notify_all();
      wake_.wait(lock, [this] { return stopping_ || !saves_.empty(); });
      if (saves_.empty()) return;
      next = std::move(saves_.front());
      saves_.pop_front();
      busy_ = true;
      stopping = stopping_;
    }
    if (next.first) next.first();
    if (next.second && !stopping) mainQueue_.async(std::move(next.second));
  }
}

}  // namespace brisquel::posix
