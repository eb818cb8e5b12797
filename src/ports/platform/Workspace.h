// SPDX-License-Identifier: MIT
#pragma once
// Running applications, activation, opening things, preferred languages.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Registration.h"

namespace brisquel {

struct RunningApplication {
  std::optional<std::string> bundleIdentifier;
  std::optional<std::string> localizedName;
  std::optional<std::string> bundlePath;
  std::int64_t pid = 0;
};

class WorkspacePort {
 public:
  virtual ~WorkspacePort() = default;
  virtual std::optional<RunningApplication> frontmostApplication() = 0;
  virtual std::vector<RunningApplication> runningApplications() = 0;
  // Called on the main thread after an application became active.
  virtual Registration observeActivation(std::function<void(const RunningApplication&)> handler) = 0;

  virtual bool openURL(const std::string& url) = 0;
  // Opens a document with the user's default application for it (text files: the default text editor).
  virtual bool openFile(const std::filesystem::path& path) = 0;
  // Opens an application bundle; completion is called (maybe later, on the main queue) with success.
  virtual void openApplication(const std::filesystem::path& bundlePath, std::function<void(bool)> completion) = 0;

  // The user's preferred languages, most preferred first ("ru-RU", "en", ...).
  virtual std::vector<std::string> preferredLanguages() = 0;
};

}  // namespace brisquel
