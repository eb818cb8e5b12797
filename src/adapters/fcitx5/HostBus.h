// SPDX-License-Identifier: MIT
#pragma once
// The host on fcitx5's session bus (see HostInterface.h): the program's
// version, the layouts it sees and the frontends fcitx5 has had input
// contexts from. Inert when fcitx5 runs without its D-Bus module.

#include <fcitx-utils/handlertable.h>
#include <fcitx/event.h>
#include <fcitx/instance.h>

#include <memory>
#include <set>
#include <string>

#include "platform/InputSources.h"

namespace brisquel::fcitx5 {

class HostBus {
 public:
  HostBus(fcitx::Instance& instance, InputSourcePort& layouts, std::string version);
  ~HostBus();
  HostBus(const HostBus&) = delete;
  HostBus& operator=(const HostBus&) = delete;

 private:
  class Object;

  std::set<std::string> frontends_;
  std::unique_ptr<Object> object_;
  std::unique_ptr<fcitx::HandlerTableEntry<fcitx::EventHandler>> watcher_;
};

}  // namespace brisquel::fcitx5
