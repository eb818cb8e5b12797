// SPDX-License-Identifier: MIT
#pragma once
// Alerts on the fcitx5 desktop: a desktop notification
// (org.freedesktop.Notifications on fcitx5's session bus) whose actions are
// the alert's buttons. Nothing waits for the user: the chosen action
// (ActionInvoked) answers the alert with its button's response code; a
// notification closed without one (NotificationClosed) answers none. Where no
// notification server answers, the alert goes to fcitx5's log and is
// answered none; so are the alerts a server that goes away leaves open.

#include <fcitx-utils/dbus/bus.h>
#include <fcitx-utils/dbus/servicewatcher.h>
#include <fcitx/instance.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "platform/MainQueue.h"
#include "platform/UserInterface.h"

namespace brisquel::fcitx5 {

class Notifications {
 public:
  Notifications(fcitx::Instance& instance, MainQueuePort& mainQueue);
  ~Notifications();
  Notifications(const Notifications&) = delete;
  Notifications& operator=(const Notifications&) = delete;

  void show(const AlertSpec& alert, std::function<void(AlertAnswer)> onAnswer);

 private:
  using Answer = std::function<void(AlertAnswer)>;
  // fcitx5's bus (its D-Bus module), watched from the first alert on; null without one.
  fcitx::dbus::Bus* bus();
  void answer(Answer onAnswer, AlertAnswer value);
  void answerShown(std::uint32_t id, AlertAnswer value);
  void unshown(const AlertSpec& alert, Answer onAnswer, const std::string& why);

  fcitx::Instance& instance_;
  MainQueuePort& mainQueue_;
  fcitx::dbus::Bus* bus_ = nullptr;
  std::unique_ptr<fcitx::dbus::Slot> actionInvoked_, closed_;
  std::unique_ptr<fcitx::dbus::ServiceWatcher> watcher_;
  std::unique_ptr<fcitx::dbus::ServiceWatcherEntry> serverChange_;
  std::map<std::uint64_t, std::unique_ptr<fcitx::dbus::Slot>> calls_;  // Notify calls awaiting their reply
  std::uint64_t nextCall_ = 0;
  std::map<std::uint32_t, Answer> shown_;  // by the server's notification id
};

}  // namespace brisquel::fcitx5
