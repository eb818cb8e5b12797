// SPDX-License-Identifier: MIT
#pragma once
// The launcher's workspace on the fcitx5 host, where the main program is
// fcitx5 with the Brisquel addon (fcitx5 finds the addon in its own addon
// folders, so the main bundle's path is not needed to start it).
// It runs for this session when fcitx5's name has an owner on the session
// bus; without a session bus, when a process of this user is named fcitx5.

#include <chrono>
#include <memory>

#include "velmonte-launcher/ProcWorkspace.h"

namespace fcitx::dbus {
class Bus;
}

namespace velmonte {

class FcitxWorkspace final : public ProcWorkspace {
 public:
  static constexpr const char* kProgram = "fcitx5";
  static constexpr const char* kBusName = "org.fcitx.Fcitx5";
  // How long opening waits for the started fcitx5 to take its name.
  static constexpr std::chrono::seconds kStartTimeout{10};

  FcitxWorkspace();
  ~FcitxWorkspace() override;

  std::vector<RunningApp> runningApplications() override;
  // Starts `fcitx5 -d --enable=brisquel` and completes once fcitx5 runs, or
  // when it gave up or kStartTimeout passed.
  void openApplication(const std::filesystem::path& bundle, std::function<void(bool)> completion) override;

 private:
  bool mainProgramRuns();

  std::unique_ptr<fcitx::dbus::Bus> bus_;  // null without a session bus
};

}  // namespace velmonte
