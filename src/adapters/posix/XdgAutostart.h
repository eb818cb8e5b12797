// SPDX-License-Identifier: MIT
#pragma once
// The desktop's login-item service: an XDG autostart entry
// ($XDG_CONFIG_HOME/autostart/<id>.desktop, Desktop Application Autostart
// Specification) that starts the main program when the user logs in.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/Process.h"

namespace brisquel::posix {

struct AutostartEntry {
  std::string id = "com.mebrun.velmonte";  // the file's name without ".desktop"
  std::string name = "Brisquel";
  std::filesystem::path executable;  // absolute
  std::vector<std::string> arguments;
};

// The entry that starts the main program installed in `mainBundle` (see the
// README's install layout: <bundle>/Contents/MacOS/brisquel).
AutostartEntry mainProgramEntry(const std::filesystem::path& mainBundle);

// The entry that starts the launcher installed in the program's folder
// (<installation>/velmonte-launcher), for hosts whose main program the
// launcher starts (fcitx5).
AutostartEntry launcherEntry(const std::filesystem::path& installation);

// The text of the entry, or none when a value cannot be written in one
// (control characters, a relative executable, an empty name).
std::optional<std::string> desktopEntryText(const AutostartEntry& entry);

class XdgAutostart final : public LoginItemPort {
 public:
  // `autostartDirectory` empty: $XDG_CONFIG_HOME/autostart (else ~/.config/autostart).
  explicit XdgAutostart(AutostartEntry entry, std::filesystem::path autostartDirectory = {});

  std::filesystem::path entryFile() const;

  bool isServiceAvailable() override { return true; }
  LoginItemStatus status() override;
  // Writes the entry atomically; false when it cannot be written.
  bool registerMainApp() override;
  // Removes the entry; true when there is none afterwards.
  bool unregisterMainApp() override;

 private:
  AutostartEntry entry_;
  std::filesystem::path directory_;
};

}  // namespace brisquel::posix
