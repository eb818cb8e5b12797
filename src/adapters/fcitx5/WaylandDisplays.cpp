// SPDX-License-Identifier: MIT
#include "fcitx5/WaylandDisplays.h"

#include <fcitx/addonmanager.h>

#include <algorithm>

namespace brisquel::fcitx5 {

void WaylandDisplays::watch() {
  if (created_) return;
  fcitx::AddonInstance* wayland = instance_.addonManager().addon("wayland");
  if (!wayland) return;
  // Called at once for the connections already open.
  created_ = wayland->call<fcitx::IWaylandModule::addConnectionCreatedCallback>(
      [this](const std::string& name, wl_display* display, fcitx::FocusGroup*) {
        displays_.emplace_back(name, display);
      });
  closed_ = wayland->call<fcitx::IWaylandModule::addConnectionClosedCallback>(
      [this](const std::string& name, wl_display*) {
        std::erase_if(displays_, [&](const auto& entry) { return entry.first == name; });
      });
}

void WaylandDisplays::flush() {
  watch();
  for (const auto& [name, display] : displays_) wl_display_flush(display);
}

}  // namespace brisquel::fcitx5
