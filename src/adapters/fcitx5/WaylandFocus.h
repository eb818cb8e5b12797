// SPDX-License-Identifier: MIT
#pragma once
// The focused application as a wlroots compositor (sway, Hyprland, labwc,
// river) tells it, for the clients fcitx5 names no program for (every native
// Wayland client on the input-method protocol): the activated toplevel of the
// wlr-foreign-toplevel-management protocol and its app_id, on a Wayland
// connection of our own, read on fcitx5's event loop and never waited for.
// Without a Wayland display, or where the compositor does not offer the
// protocol (GNOME, KWin), it stays silent.

#include <fcitx-utils/event.h>

#include <functional>
#include <memory>
#include <string>

namespace brisquel::fcitx5 {

class WaylandFocus {
 public:
  // `onActivated` runs on the loop with the app_id of each newly activated toplevel.
  WaylandFocus(fcitx::EventLoop& loop, std::function<void(const std::string& appId)> onActivated);
  ~WaylandFocus();
  WaylandFocus(const WaylandFocus&) = delete;
  WaylandFocus& operator=(const WaylandFocus&) = delete;

  // The protocol's name once the compositor has offered it, else "".
  std::string source() const;

  struct Connection;

 private:
  std::unique_ptr<Connection> connection_;
};

}  // namespace brisquel::fcitx5
