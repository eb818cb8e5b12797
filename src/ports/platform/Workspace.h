// SPDX-License-Identifier: MIT
#pragma once
// Running applications, activation, opening things, preferred languages.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/Registration.h"

namespace brisquel {

struct RunningApplication {
  std::optional<std::string> bundleIdentifier;
  std::optional<std::string> localizedName;
  std::optional<std::string> bundlePath;
  std::int64_t pid = 0;
  // It cannot be quit (macOS's Finder): a quit shortcut may close its window instead.
  bool keepsRunning = false;
};

// Places of the desktop the program sends the person to. Each adapter opens
// what its desktop has for them (on macOS: System Settings panes and
// Activity Monitor).
enum class DesktopPlace {
  InputPermissionSettings,  // where the person lets the program see the keys
  KeyboardSettings,         // the settings of the modifier keys
  TaskManager,
};

// Where a link leads: a web address or a place of the desktop.
using LinkTarget = std::variant<std::string, DesktopPlace>;

class WorkspacePort {
 public:
  virtual ~WorkspacePort() = default;
  virtual std::optional<RunningApplication> frontmostApplication() = 0;
  virtual std::vector<RunningApplication> runningApplications() = 0;
  // Called on the main thread after an application became active.
  virtual Registration observeActivation(std::function<void(const RunningApplication&)> handler) = 0;

  // A web address, in the user's browser.
  virtual bool openURL(const std::string& url) = 0;
  // Opens a document with the user's default application for it (text files: the default text editor).
  virtual bool openFile(const std::filesystem::path& path) = 0;
  // False when the desktop has nothing to show for it or could not start it.
  virtual bool open(DesktopPlace place) = 0;
  bool open(const LinkTarget& target) {
    if (const auto* place = std::get_if<DesktopPlace>(&target)) return open(*place);
    return openURL(std::get<std::string>(target));
  }

  // The user's preferred languages, most preferred first ("ru-RU", "en", ...).
  virtual std::vector<std::string> preferredLanguages() = 0;
};

}  // namespace brisquel
