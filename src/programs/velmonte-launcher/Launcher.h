// SPDX-License-Identifier: MIT
#pragma once
// VelmonteLauncher: at login, starts the main program unless it already
// runs, then quits. It shares nothing with the main program but two facts:
// the main program's bundle identifier and where its bundle lies relative to
// the launcher's own (four path components up).

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmonte {

inline constexpr const char* kMainBundleIdentifier = "com.mebrun.velmonte";

struct RunningApp {
  std::optional<std::string> bundleIdentifier;
};

// What the launcher asks of the platform.
class LauncherWorkspace {
 public:
  virtual ~LauncherWorkspace() = default;
  virtual std::vector<RunningApp> runningApplications() = 0;
  virtual std::filesystem::path ownBundlePath() = 0;
  // Does not wait; completion may run on any thread, with or without success.
  virtual void openApplication(const std::filesystem::path& bundle, std::function<void(bool)> completion) = 0;
  // Runs the task on the main thread later.
  virtual void dispatchToMain(std::function<void()> task) = 0;
  virtual void terminate() = 0;
};

// The path without its last component, as bundles count components:
// "/a/b/c/" -> "/a/b", "/a" -> "/", "/" -> "/", "a" -> "".
std::filesystem::path deletingLastPathComponent(const std::filesystem::path& path);

class VelmonteLauncher {
 public:
  explicit VelmonteLauncher(LauncherWorkspace& workspace) : workspace_(workspace) {}
  void applicationDidFinishLaunching();

 private:
  LauncherWorkspace& workspace_;
};

}  // namespace velmonte
