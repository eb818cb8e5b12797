// SPDX-License-Identifier: MIT
#include "sim/SimWorkspace.h"

#include <utility>

namespace brisquel::sim {

namespace {
constexpr std::pair<DesktopPlace, const char*> kMacOSTargets[] = {
    {DesktopPlace::InputPermissionSettings,
     "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"},
    {DesktopPlace::KeyboardSettings, "x-apple.systempreferences:com.apple.preference.keyboard"},
    {DesktopPlace::TaskManager, "/System/Applications/Utilities/Activity Monitor.app"},
};
}  // namespace

std::string macOSTarget(DesktopPlace place) {
  for (const auto& [known, target] : kMacOSTargets)
    if (known == place) return target;
  return {};
}

std::optional<RunningApplication> SimWorkspace::frontmostApplication() {
  SimApp* app = context_.apps.frontmost();
  if (!app) return std::nullopt;
  return app->runningApplication();
}

std::vector<RunningApplication> SimWorkspace::runningApplications() {
  std::vector<RunningApplication> out;
  for (const auto& app : context_.apps.all()) out.push_back(app->runningApplication());
  return out;
}

Registration SimWorkspace::observeActivation(std::function<void(const RunningApplication&)> handler) {
  return context_.apps.observeActivation(std::move(handler));
}

bool SimWorkspace::openURL(const std::string& url) {
  openedURLs_.push_back(url);
  return !openFails_;
}

bool SimWorkspace::openFile(const std::filesystem::path& path) {
  openedFiles_.push_back(path);
  return !openFails_;
}

bool SimWorkspace::open(DesktopPlace place) {
  if (place == DesktopPlace::TaskManager) {
    openedApplications_.emplace_back(macOSTarget(place));
  } else {
    openedURLs_.push_back(macOSTarget(place));
  }
  return !openFails_;
}

}  // namespace brisquel::sim
