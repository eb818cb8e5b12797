// SPDX-License-Identifier: MIT
#pragma once
// The Wayland connections fcitx5 holds as an input method. What it sends in
// answer to a Wayland event goes out when fcitx5 has handled that event, but a
// commit made from a timer or an idle callback (a conversion on a lone Alt)
// waits in the connection's buffer until fcitx5's next Wayland activity,
// seconds later or never: flush() sends it at once.

#include <fcitx-utils/handlertable.h>
#include <fcitx/instance.h>
#include <wayland-client.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <wayland_public.h>

namespace brisquel::fcitx5 {

class WaylandDisplays {
 public:
  explicit WaylandDisplays(fcitx::Instance& instance) : instance_(instance) {}

  // Sends what waits on every connection; nothing without Wayland.
  void flush();

 private:
  // Follows fcitx5's Wayland connections once its Wayland module is loaded.
  void watch();

  fcitx::Instance& instance_;
  std::vector<std::pair<std::string, wl_display*>> displays_;
  std::unique_ptr<fcitx::HandlerTableEntry<fcitx::WaylandConnectionCreated>> created_;
  std::unique_ptr<fcitx::HandlerTableEntry<fcitx::WaylandConnectionClosed>> closed_;
};

}  // namespace brisquel::fcitx5
