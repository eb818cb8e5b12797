// SPDX-License-Identifier: MIT
#pragma once
// Launch at login: registering the main program with the system's login-item
// service, or, where there is none, writing a per-user LaunchAgent file; and
// the menu switch's action with its failure alert.

#include <filesystem>
#include <optional>
#include <string>

#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/UserInterface.h"

namespace brisquel {

class SettingsHelper;

class LoginItem {
 public:
  // Used when the program's bundle has no identifier of its own.
  static constexpr const char* defaultBundleIdentifier = "com.mebrun.velmonte";

  // Everything passed in must outlive this object.
  LoginItem(LoginItemPort& loginItems, FilesPort& files, ApplicationPort& application, UserInterfacePort& ui,
            SettingsHelper& settings, std::optional<std::string> bundleIdentifier);

  // Registers (or unregisters) the program; true on success.
  bool launchAtLogin(bool enabled);

  // Writes (or removes) the LaunchAgent file; true on success.
  bool setLaunchAgentEnabled(bool enabled);

  // The launch-at-login switch was turned to `requested`: registers, stores
  // the setting on success, alerts on failure. Answers the state the switch
  // must show: `requested` on success, else the stored setting.
  bool applicationAutostart(bool requested);

  std::string bundleIdentifier() const;
  std::filesystem::path launchAgentsDirectory() const;  // <home>/Library/LaunchAgents
  std::filesystem::path launchAgentFile() const;        // <identifier>.plist inside it

 private:
  LoginItemPort& loginItems_;
  FilesPort& files_;
  ApplicationPort& application_;
  UserInterfacePort& ui_;
  SettingsHelper& settings_;
  std::optional<std::string> bundleIdentifier_;
};

}  // namespace brisquel
