// SPDX-License-Identifier: MIT
#include "velmonte-launcher/Launcher.h"

namespace velmonte {

std::filesystem::path deletingLastPathComponent(const std::filesystem::path& path) {
  std::string s = path.string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  const auto slash = s.rfind('/');
  if (slash == std::string::npos) return {};
  if (slash == 0) return "/";
  return s.substr(0, slash);
}

void VelmonteLauncher::applicationDidFinishLaunching() {
  for (const RunningApp& app : workspace_.runningApplications()) {
    if (app.bundleIdentifier == kMainBundleIdentifier) {
      workspace_.terminate();
      return;
    }
  }
  // The launcher's bundle sits three folders deep inside the main bundle.
  std::filesystem::path mainBundle = workspace_.ownBundlePath();
  for (int i = 0; i < 4; ++i) mainBundle = deletingLastPathComponent(mainBundle);
  LauncherWorkspace* workspace = &workspace_;
  workspace_.openApplication(
      mainBundle, [workspace](bool /*opened*/) { workspace->dispatchToMain([workspace] { workspace->terminate(); }); });
}

}  // namespace velmonte
