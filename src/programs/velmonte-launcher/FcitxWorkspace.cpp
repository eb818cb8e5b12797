// SPDX-License-Identifier: MIT
#include "velmonte-launcher/FcitxWorkspace.h"

#if BRISQUEL_LAUNCHER_FCITX5
#include <fcitx-utils/dbus/bus.h>
#include <sys/wait.h>

#include <stdexcept>
#include <thread>

namespace velmonte {

FcitxWorkspace::FcitxWorkspace() : ProcWorkspace(kProgram) {
  try {
    bus_ = std::make_unique<fcitx::dbus::Bus>(fcitx::dbus::BusType::Session);
  } catch (const std::exception&) {
  }
  if (bus_ && !bus_->isOpen()) bus_.reset();
}

FcitxWorkspace::~FcitxWorkspace() = default;

bool FcitxWorkspace::mainProgramRuns() {
  if (bus_) return !bus_->serviceOwner(kBusName, 1'000'000).empty();
  for (const auto& app : ProcWorkspace::runningApplications())
    if (app.bundleIdentifier) return true;
  return false;
}

std::vector<RunningApp> FcitxWorkspace::runningApplications() {
  if (mainProgramRuns()) return {RunningApp{kMainBundleIdentifier}};
  return {};
}

void FcitxWorkspace::openApplication(const std::filesystem::path&, std::function<void(bool)> completion) {
  // The addon is on by default; --enable keeps it on where the user's fcitx5
  // configuration turned it off, since the user asked for Brisquel at login.
  // fcitx5 -d returns once its daemon is forked, before that takes its name.
  const auto child = spawn({kProgram, "-d", "--enable=brisquel"}, false);
  int status = 0;
  if (!child || ::waitpid(*child, &status, 0) != *child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    completion(false);
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  bool runs = mainProgramRuns();
  while (!runs && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    runs = mainProgramRuns();
  }
  completion(runs);
}

}  // namespace velmonte
#endif
