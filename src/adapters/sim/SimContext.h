// SPDX-License-Identifier: MIT
#pragma once
// What the simulated desktop's fakes share. Each fake keeps its own state and
// sees the others' only through this: the clock and queues, the running
// applications, the keyboard table of the current input source, and trust.

#include <cstdint>
#include <memory>

#include "platform/InputSources.h"
#include "sim/KeyboardLayouts.h"
#include "sim/SimApplications.h"
#include "sim/SimEventLoop.h"

namespace brisquel::sim {

// Written by the input sources, read by the keyboard.
struct CurrentSource {
  InputSourceRef source;
  const KeyboardLayout* layout = nullptr;  // the table its keys type with
  std::uint64_t changes = 0;               // a dead key waiting for its base does not survive a change

  const KeyboardLayout& keys() const { return layout ? *layout : keyboardLayouts().front(); }
};

struct SimContext {
  // Shared so that timers and application clocks can hold it weakly.
  std::shared_ptr<SimEventLoop> loopOwner = std::make_shared<SimEventLoop>();
  SimEventLoop& loop = *loopOwner;
  SimApplications apps{loop};
  CurrentSource current;
  bool trusted = true;  // accessibility trust; event taps need it too
};

}  // namespace brisquel::sim
