// SPDX-License-Identifier: MIT
#pragma once
// One writer thread for the program's saves, so that the main thread never
// waits on fsync, a rename or another process's lock on the settings.

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/Saves.h"

namespace brisquel::posix {

class SaveWriter final : public SaveQueuePort {
 public:
  // Each save's `done` is handed to mainQueue.async from the writer thread:
  // that queue must take work from any thread.
  explicit SaveWriter(MainQueuePort& mainQueue);
  // Runs the saves still queued (the settings store gave up its lock wait
  // by then), then joins the thread; their `done` is not delivered.
  ~SaveWriter() override;
  SaveWriter(const SaveWriter&) = delete;
  SaveWriter& operator=(const SaveWriter&) = delete;

  void save(Task work, Task done) override;
  bool waitUntilSaved(double seconds) override;

 private:
  void run();

  MainQueuePort& mainQueue_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<std::pair<Task, Task>> saves_;
  bool busy_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace brisquel::posix
