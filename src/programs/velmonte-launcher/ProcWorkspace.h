// SPDX-License-Identifier: MIT
#pragma once
// The launcher's workspace on a Linux desktop. The main program's bundle is
// its installation folder (see the README's install layout):
//   <bundle>/Contents/MacOS/brisquel
// Running applications are the user's processes from /proc; a process whose
// executable is named like the main program's is the main program.

#include <sys/types.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "velmonte-launcher/Launcher.h"

namespace velmonte {

class ProcWorkspace : public LauncherWorkspace {
 public:
  static constexpr const char* kMainExecutableName = "brisquel";

  // `procRoot` and the executable name are the test's to choose.
  explicit ProcWorkspace(std::string mainExecutableName = kMainExecutableName,
                         std::filesystem::path procRoot = "/proc");

  std::vector<RunningApp> runningApplications() override;
  // The folder "<name>.app" when the executable lies in "<name>.app/Contents/MacOS/",
  // else the executable itself.
  std::filesystem::path ownBundlePath() override;
  // Starts <bundle>/Contents/MacOS/<main executable> in its own session, detached.
  void openApplication(const std::filesystem::path& bundle, std::function<void(bool)> completion) override;
  void dispatchToMain(std::function<void()> task) override;
  void terminate() override;

  // Runs dispatched tasks until terminate(); answers the exit status.
  int run();

  // The bundle that holds an executable, by the rule of ownBundlePath().
  static std::filesystem::path bundleOfExecutable(const std::filesystem::path& executable);

  // Starts a program (a name is looked up in PATH) with standard input from
  // /dev/null, in its own session when asked; answers its pid, or none.
  static std::optional<pid_t> spawn(const std::vector<std::string>& argv, bool ownSession);

 private:
  std::string mainExecutableName_;
  std::filesystem::path procRoot_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> tasks_;
  bool terminated_ = false;
};

// Blocks until no other launcher of this user is starting the main program,
// and holds that until this process ends: two launchers started together
// start one main program. Answers the lock's descriptor (-1 when no lock
// file can be made; then nothing is held).
int holdLaunchLock();

}  // namespace velmonte
