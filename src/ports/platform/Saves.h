// SPDX-License-Identifier: MIT
#pragma once
// Where the program's own saves (the settings file, the list files) run.

#include "platform/MainQueue.h"

namespace brisquel {

// Saves run one after another, in the order they were asked for. A host
// whose main thread must never wait on a disk or a lock (fcitx5's loop,
// which every application's typing waits on) runs them on one writer thread
// and brings each `done` back to the main queue; a command runs them at once.
// So `work` touches no main-thread state: it reports through what it
// captured, which `done` reads on the main queue.
class SaveQueuePort {
 public:
  virtual ~SaveQueuePort() = default;
  virtual void save(Task work, Task done) = 0;
  // Waits up to `seconds` for every save asked for so far (when the program
  // ends); false when some were still running.
  virtual bool waitUntilSaved(double seconds) = 0;
};

// Saves at once, on the calling thread.
class ImmediateSaves final : public SaveQueuePort {
 public:
  void save(Task work, Task done) override {
    if (work) work();
    if (done) done();
  }
  bool waitUntilSaved(double) override { return true; }
};

}  // namespace brisquel
