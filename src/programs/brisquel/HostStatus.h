// SPDX-License-Identifier: MIT
#pragma once
// `brisquel status`: what the desktop host answers, what the session's
// environment says, and the verdict drawn from both.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace brisquel::cli {

struct HostAnswer {
  enum class Reach {
    NotBuiltIn,    // this brisquel has no desktop host
    NoBus,         // no D-Bus session bus to ask
    NotRunning,    // nobody owns fcitx5's name on the bus
    WithoutAddon,  // fcitx5 runs but has no Brisquel object
    NoAnswer,      // fcitx5 did not answer in time
    Running,
  };
  Reach reach = Reach::NotBuiltIn;
  std::string version;
  std::vector<std::string> layouts;  // fcitx5's keyboard input methods, in order
  std::string currentLayout;
  std::vector<std::string> frontends;  // what fcitx5 has had input contexts from: "dbus", "xim", "wayland"...
  std::string focusSource;  // who names the focused application besides fcitx5 ("" none)
};

// The input-method variables of the session (this command's own environment).
struct ImEnvironment {
  std::optional<std::string> gtkImModule, qtImModule, xmodifiers, waylandDisplay;
  std::optional<std::string> sessionType, currentDesktop;  // XDG_SESSION_TYPE, XDG_CURRENT_DESKTOP
};

struct StatusReport {
  std::vector<std::string> lines;
  bool allWell = false;
};

// Asks the host running in this session; never starts anything.
HostAnswer askHost(std::chrono::milliseconds timeout);
ImEnvironment currentImEnvironment();
StatusReport statusReport(const HostAnswer& host, const ImEnvironment& env);

// Problems with the person's files, told by the running program as they
// happened: damaged settings set aside (.corrupt-N beside the settings file),
// list text kept as .bak beside the lists, a list folder or file that cannot
// be written. Adds them to the report, which is then not all well.
void addFileProblems(StatusReport& report, const std::filesystem::path& settingsFile,
                     const std::filesystem::path& listFolder);

}  // namespace brisquel::cli
