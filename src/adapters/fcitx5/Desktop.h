// SPDX-License-Identifier: MIT
#pragma once
// The fcitx5 desktop: every port fcitx5 can serve, on one instance, with the
// watchers that feed them. The settings, files and spelling ports are not
// fcitx5's: the program supplies them (posix, spell) in the Platform it builds
// from platform().

#include <fcitx-utils/handlertable.h>
#include <fcitx/event.h>
#include <fcitx/instance.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "fcitx5/Applications.h"
#include "fcitx5/EventLoop.h"
#include "fcitx5/FocusSourceBus.h"
#include "fcitx5/FocusedText.h"
#include "fcitx5/HostBus.h"
#include "fcitx5/Keyboard.h"
#include "fcitx5/Layouts.h"
#include "fcitx5/Session.h"
#include "fcitx5/WaylandFocus.h"
#include "fcitx5/WaylandDisplays.h"
#include "platform/Platform.h"
#include "posix/XdgAutostart.h"

namespace brisquel::fcitx5 {

struct DesktopOptions {
  std::filesystem::path installation;  // where the program is installed
  std::string version;
};

class Desktop {
 public:
  Desktop(fcitx::Instance& instance, DesktopOptions options);
  ~Desktop();
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  // The ports served here; defaults, files and spelling are left empty.
  Platform platform();
  // The program ended its work (it quit, or asked to be started again): keys
  // pass untouched until resume().
  bool stopped() const { return session_.stopped; }
  void resume() { session_.stopped = false; }

 private:
  Session session_;
  LoopQueue mainQueue_;
  WaylandDisplays wayland_;
  WorkerQueue background_;
  SystemClock clock_;
  Keyboard keyboard_;
  FocusedText text_;
  Layouts layouts_;
  Applications applications_;
  HostedApplication application_;
  Processes processes_;
  // Launch at login: the launcher, which starts fcitx5 unless it runs.
  posix::XdgAutostart loginItems_;
  Notifications notifications_;
  LoggedInterface ui_;
  StatusItem statusItem_;
  HostBus hostBus_;
  // The focused application where fcitx5 names none (native Wayland clients).
  WaylandFocus waylandFocus_;
  std::string toldBy_;  // the desktop helper that told the focused application, if one did
  FocusSourceBus focusSourceBus_;
  static constexpr double kKeyResetWindow = 0.2;
  double lastKeyAt_ = -1e9;
  std::vector<std::unique_ptr<fcitx::HandlerTableEntry<fcitx::EventHandler>>> watchers_;
};

}  // namespace brisquel::fcitx5
