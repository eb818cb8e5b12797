// SPDX-License-Identifier: MIT
#pragma once
// The status item on a Linux desktop: a freedesktop StatusNotifierItem on the
// session bus, attached to fcitx5's event loop, with the menu exported as
// DBusMenu. Its icon is the program's own image drawn to pixmaps in the sizes
// panels use, with a themed icon name for when there is none. Without a
// StatusNotifierWatcher (no panel shows status items) it says so once in
// fcitx5's log and registers as soon as one appears. Nothing here waits for
// the bus: every call is asynchronous; and the pixmaps are drawn on the
// background queue (the first text drawn loads the fonts, tens of
// milliseconds), the newest image replacing the icon when it is ready.
// A connection the bus drops (a caller made it send a reply too large for
// the bus) is made again, and the item registered again, within seconds.

#include <fcitx-utils/dbus/bus.h>
#include <fcitx-utils/dbus/servicewatcher.h>
#include <fcitx-utils/event.h>
#include <fcitx-utils/trackableobject.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/MainQueue.h"
#include "platform/Registration.h"
#include "platform/UserInterface.h"
#include "platform/Workspace.h"

namespace brisquel::fcitx5 {

class DBusMenu;
class NotifierItem;

class StatusItem final : public fcitx::TrackableObject<StatusItem> {
 public:
  static constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";
  // The square pixmap sizes sent to panels.
  static constexpr int kPixmapSizes[] = {16, 22, 24, 32, 48};
  // How often the item's connection is checked.
  static constexpr double kConnectionCheckInterval = 2.0;

  StatusItem(fcitx::EventLoop& loop, MainQueuePort& mainQueue, BackgroundQueuePort& background,
             WorkspacePort& workspace);
  ~StatusItem();
  StatusItem(const StatusItem&) = delete;
  StatusItem& operator=(const StatusItem&) = delete;

  void setImage(const Image& image);
  void setMenu(std::shared_ptr<Menu> menu);

 private:
  void watcherChanged(const std::string& owner);
  // Opens the item's own connection and exports the item and its menu; false without a bus.
  bool connect();
  void reconnectIfLost();

  MainQueuePort& mainQueue_;
  BackgroundQueuePort& background_;
  std::uint64_t imageGeneration_ = 0;
  std::string requestedResource_;  // the shipped image last asked for, or empty
  std::unique_ptr<fcitx::dbus::Bus> bus_;
  std::unique_ptr<NotifierItem> item_;
  std::unique_ptr<DBusMenu> menu_;
  std::unique_ptr<fcitx::dbus::ServiceWatcher> watcher_;
  std::unique_ptr<fcitx::dbus::ServiceWatcherEntry> watcherEntry_;
  std::unique_ptr<fcitx::dbus::Slot> pendingRegistration_;
  bool toldNoWatcher_ = false;
  fcitx::EventLoop& loop_;
  Registration connectionCheck_;
};

}  // namespace brisquel::fcitx5
