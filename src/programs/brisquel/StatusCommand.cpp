// SPDX-License-Identifier: MIT
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>

#include "posix/PosixFiles.h"
#include "posix/XdgDefaultsStore.h"
#include "settings/SettingsHelper.h"

#include "brisquel/Commands.h"
#include "brisquel/HostStatus.h"

namespace brisquel::cli {
namespace {

using Reach = HostAnswer::Reach;

std::string joined(const std::vector<std::string>& items) {
  std::string s;
  for (const auto& item : items) s += (s.empty() ? "" : ", ") + item;
  return s;
}

bool has(const std::vector<std::string>& items, std::string_view prefix) {
  return std::any_of(items.begin(), items.end(), [&](const std::string& s) { return s.starts_with(prefix); });
}

// The host's own line and what to do when it is not running.
void describeHost(const HostAnswer& host, StatusReport& report) {
  static constexpr struct {
    Reach reach;
    const char* said;
    const char* fix;
  } kNotRunning[] = {
      {Reach::NoBus, "Brisquel is not running in this session: there is no D-Bus session bus to ask.",
       "run brisquel status in a terminal of your desktop session."},
      {Reach::NotRunning, "Brisquel is not running in this session: fcitx5 is not running.",
       "run brisquel setup and log in again, or start it now with fcitx5 -d (Brisquel runs inside fcitx5)."},
      {Reach::WithoutAddon, "Brisquel is not running in this session: fcitx5 runs without the Brisquel addon.",
       "install Brisquel, enable its addon in fcitx5-configtool, then restart fcitx5 with fcitx5 -r."},
      {Reach::NoAnswer, "Brisquel is not answering: fcitx5 did not reply in time.", "restart fcitx5 with fcitx5 -r."},
  };
  if (host.reach == Reach::Running) {
    report.lines.push_back("Brisquel " + host.version + " is running inside fcitx5 in this session.");
    std::string layouts = "Layouts: " + (host.layouts.empty() ? "none" : joined(host.layouts));
    if (!host.currentLayout.empty()) layouts += " (current: " + host.currentLayout + ")";
    report.lines.push_back(layouts);
    if (host.layouts.size() < 2) {
      report.allWell = false;
      report.lines.push_back(
          "  To fix: run brisquel setup, which puts your desktop's layouts into fcitx5, or put the layouts you "
          "type in into one group in fcitx5-configtool (for example Keyboard - English (US) and Keyboard - Russian).");
    }
    return;
  }
  report.allWell = false;
  for (const auto& row : kNotRunning) {
    if (row.reach != host.reach) continue;
    report.lines.push_back(row.said);
    report.lines.push_back(std::string("  To fix: ") + row.fix);
  }
}

bool isOurs(const std::optional<std::string>& value, std::initializer_list<const char*> ours) {
  return value && std::any_of(ours.begin(), ours.end(), [&](const char* o) { return *value == o; });
}

// Whether GTK, Qt and X11 applications reach fcitx5, judged by the session
// type and how each toolkit really behaves there: on Wayland GTK needs no
// module (its Wayland text-input reaches fcitx5 through the compositor), Qt 5
// does everywhere but under KWin, and X11 applications (XWayland too) need XIM.
void describeToolkits(const HostAnswer& host, const ImEnvironment& env, StatusReport& report) {
  const bool running = host.reach == Reach::Running;
  const bool wayland = env.sessionType ? *env.sessionType == "wayland" : env.waylandDisplay.has_value();
  const std::string desktop = env.currentDesktop.value_or("");
  const bool kde = desktop.find("KDE") != std::string::npos;
  const bool throughCompositor = has(host.frontends, "wayland") || has(host.frontends, "ibus");
  const auto seen = [&](bool had) {
    if (!running) return std::string();
    return had ? std::string("; fcitx5 has had their input") : std::string("; none has typed yet");
  };
  const auto line = [&](const std::string& who, bool covered, const std::string& how, const std::string& why = {}) {
    report.lines.push_back(who + " applications: " + (covered ? "fcitx5 (" + how + ")" : "not fcitx5 (" + how + ")"));
    if (covered) return;
    report.allWell = false;
    report.lines.push_back("  To fix: " + (why.empty() ? std::string() : why + "; ") +
                           "run brisquel setup and log in again.");
  };
  const auto setting = [](const char* variable, const std::optional<std::string>& value) {
    return value ? std::string(variable) + "=" + *value : std::string(variable) + " is not set";
  };

  if (isOurs(env.gtkImModule, {"fcitx", "fcitx5"})) {
    line("GTK", true, setting("GTK_IM_MODULE", env.gtkImModule) + seen(has(host.frontends, "dbus")));
  } else if (wayland && (!env.gtkImModule || *env.gtkImModule == "wayland")) {
    line("GTK", true, "through Wayland's input-method protocol, " + setting("GTK_IM_MODULE", env.gtkImModule) +
                          seen(throughCompositor));
  } else {
    line("GTK", false, setting("GTK_IM_MODULE", env.gtkImModule));
  }

  if (isOurs(env.qtImModule, {"fcitx", "fcitx5"})) {
    line("Qt", true, setting("QT_IM_MODULE", env.qtImModule) + seen(has(host.frontends, "dbus")));
  } else if (wayland && kde && !env.qtImModule) {
    line("Qt", true, "through KWin's input-method protocol, QT_IM_MODULE is not set" + seen(throughCompositor));
  } else {
    line("Qt", false, setting("QT_IM_MODULE", env.qtImModule),
         wayland ? "Qt 5 reaches fcitx5 on this Wayland desktop only with QT_IM_MODULE=fcitx" : "");
  }

  line(wayland ? "X11 (XWayland)" : "X11", isOurs(env.xmodifiers, {"@im=fcitx", "@im=fcitx5"}),
       setting("XMODIFIERS", env.xmodifiers) +
           (isOurs(env.xmodifiers, {"@im=fcitx", "@im=fcitx5"}) ? seen(has(host.frontends, "xim")) : ""));
}

// Who names the application that has the focus, which per-application
// layouts, the ignored applications and the terminal rules go by.
void describeFocusSource(const HostAnswer& host, const ImEnvironment& env, StatusReport& report) {
  const bool wayland = env.sessionType ? *env.sessionType == "wayland" : env.waylandDisplay.has_value();
  std::string line = "Focused application: ";
  if (!wayland) {
    line += "named by fcitx5 (X11 names every program)";
  } else if (!host.focusSource.empty()) {
    line += "named by fcitx5 where it can, else by the compositor (" + host.focusSource + ")";
  } else if (isOurs(env.gtkImModule, {"fcitx", "fcitx5"}) && isOurs(env.qtImModule, {"fcitx", "fcitx5"})) {
    line += "named by fcitx5 for GTK and Qt applications (their modules); none for applications on Wayland's "
            "input-method protocol, which count as one application";
  } else {
    line += "none for applications on Wayland's input-method protocol: they count as one application "
            "for per-application layouts and the lists";
  }
  report.lines.push_back(line);
}

}  // namespace

StatusReport statusReport(const HostAnswer& host, const ImEnvironment& env) {
  StatusReport report;
  report.allWell = true;
  if (host.reach == Reach::NotBuiltIn) {
    return {{"The desktop host is not built in: this brisquel was built without fcitx5 (BRISQUEL_FCITX5=OFF)."}, false};
  }
  describeHost(host, report);
  describeToolkits(host, env, report);
  if (host.reach == Reach::Running) describeFocusSource(host, env, report);
  return report;
}

void addFileProblems(StatusReport& report, const std::filesystem::path& settingsFile,
                     const std::filesystem::path& listFolder) {
  namespace fs = std::filesystem;
  std::vector<std::string> lines;
  const auto matching = [](const fs::path& dir, auto&& wanted) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec))
      if (wanted(entry.path().filename().string())) found.push_back(entry.path());
    std::sort(found.begin(), found.end());
    return found;
  };
  const std::string settingsName = settingsFile.filename().string() + ".corrupt-";
  for (const auto& aside : matching(settingsFile.parent_path(),
                                    [&](const std::string& name) { return name.starts_with(settingsName); })) {
    lines.push_back("Damaged settings were set aside as " + aside.string() + "; the settings started from their defaults.");
  }
  for (const auto& backup :
       matching(listFolder, [](const std::string& name) { return name.size() > 4 && name.ends_with(".bak"); })) {
    lines.push_back("Text of a list file that was not read in was kept as " + backup.string() + ".");
  }
  std::error_code ec;
  if (fs::exists(listFolder, ec) && ::access(listFolder.c_str(), W_OK) != 0) {
    lines.push_back("The list folder " + listFolder.string() + " cannot be written: learned words stay in the settings only.");
  }
  for (const char* name : {SettingsHelper::learnedWordsFileName, SettingsHelper::ignoredAppsFileName,
                           SettingsHelper::ignoredShortcutsAppsFileName}) {
    const auto file = listFolder / name;
    if (fs::exists(file, ec) && ::access(file.c_str(), W_OK) != 0)
      lines.push_back("The list file " + file.string() + " cannot be written.");
  }
  if (lines.empty()) return;
  report.allWell = false;
  report.lines.push_back("File problems:");
  for (auto& line : lines) report.lines.push_back("  " + line);
  report.lines.push_back("  To fix: look through the files named, take back what you need, then delete them; "
                         "make the folders writable again.");
}

ImEnvironment currentImEnvironment() {
  const auto get = [](const char* name) -> std::optional<std::string> {
    const char* value = std::getenv(name);
    if (!value || !*value) return std::nullopt;
    return std::string(value);
  };
  return {get("GTK_IM_MODULE"), get("QT_IM_MODULE"),        get("XMODIFIERS"),
          get("WAYLAND_DISPLAY"), get("XDG_SESSION_TYPE"), get("XDG_CURRENT_DESKTOP")};
}

int statusCommand(const std::vector<std::string>& args, Streams io) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    io.out << "usage: brisquel status\n"
              "  Says whether Brisquel runs inside fcitx5 in this desktop session (asking it over\n"
              "  D-Bus), which layouts it sees, whether fcitx5 is the input method of GTK, Qt and\n"
              "  X11 applications in this session type (X11 or Wayland), who names the focused\n"
              "  application, and what to do if not. Exits 0 when all is well, else 1.\n";
    return kExitOk;
  }
  if (!args.empty()) {
    io.err << "brisquel status: takes no arguments\n";
    return kExitUsage;
  }
  StatusReport report = statusReport(askHost(std::chrono::seconds(2)), currentImEnvironment());
  // The paths only: opening the store would move a damaged file aside.
  addFileProblems(report,
                  posix::xdgConfigHome() / (std::string(posix::XdgDefaultsStore::applicationDomain) + ".plist"),
                  posix::xdgDataHome() / SettingsHelper::appSupportFolderName);
  for (const auto& line : report.lines) io.out << line << "\n";
  return report.allWell ? kExitOk : kExitFailure;
}

}  // namespace brisquel::cli
