// SPDX-License-Identifier: MIT
#pragma once
// The workspace on the simulated desktop: the running applications as the
// program sees them, and a record of what it asked to open. A place of the
// desktop is recorded as what the macOS program opens for it: an address of
// System Settings among the addresses, Activity Monitor among the applications.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/Workspace.h"
#include "sim/SimContext.h"

namespace brisquel::sim {

// What the macOS program opens for a place: a System Settings address or an application's path.
std::string macOSTarget(DesktopPlace place);

class SimWorkspace final : public WorkspacePort {
 public:
  explicit SimWorkspace(SimContext& context) : context_(context) {}

  std::optional<RunningApplication> frontmostApplication() override;
  std::vector<RunningApplication> runningApplications() override;
  Registration observeActivation(std::function<void(const RunningApplication&)> handler) override;
  bool openURL(const std::string& url) override;
  bool openFile(const std::filesystem::path& path) override;
  bool open(DesktopPlace place) override;
  std::vector<std::string> preferredLanguages() override { return preferredLanguages_; }

  const std::vector<std::string>& openedURLs() const { return openedURLs_; }
  const std::vector<std::filesystem::path>& openedFiles() const { return openedFiles_; }
  const std::vector<std::filesystem::path>& openedApplications() const { return openedApplications_; }
  void setOpenFails(bool fails) { openFails_ = fails; }
  void setPreferredLanguages(std::vector<std::string> languages) { preferredLanguages_ = std::move(languages); }

 private:
  SimContext& context_;
  std::vector<std::string> openedURLs_;
  std::vector<std::filesystem::path> openedFiles_;
  std::vector<std::filesystem::path> openedApplications_;
  bool openFails_ = false;
  std::vector<std::string> preferredLanguages_{"en-US"};
};

}  // namespace brisquel::sim
