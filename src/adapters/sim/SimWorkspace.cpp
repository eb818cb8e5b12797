// SPDX-License-Identifier: MIT
#include "sim/SimWorkspace.h"

namespace brisquel::sim {

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

void SimWorkspace::openApplication(const std::filesystem::path& bundlePath, std::function<void(bool)> completion) {
  openedApplications_.push_back(bundlePath);
  bool ok = !openFails_;
  if (completion) context_.loop.async([completion = std::move(completion), ok] { completion(ok); });
}

}  // namespace brisquel::sim
