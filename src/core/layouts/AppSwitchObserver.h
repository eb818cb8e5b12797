// SPDX-License-Identifier: MIT
#pragma once
// Per-application layouts and the identity of the frontmost application.
// When the user leaves an application its layout is remembered (in memory
// only); when the user returns to it that layout is selected again. Spotlight,
// the Dock and Launchpad are passed over: a visit to them neither saves,
// restores nor clears the typo detector's word state.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/KeyPath.h"
#include "layouts/InputSources.h"
#include "platform/Registration.h"
#include "platform/Workspace.h"

namespace brisquel {

class AppSwitchObserver : public std::enable_shared_from_this<AppSwitchObserver> {
 public:
  static constexpr std::array<std::string_view, 4> excludedSystemApps = {
      "com.apple.Spotlight", "com.apple.SpotlightSearch", "com.apple.dock", "com.apple.launchpad.launcher"};
  static bool isExcludedSystemApp(std::string_view bundleID);

  // clearTypoWordState: empties the typo detector's word state (called on
  // every switch to an application that is not excluded).
  static std::shared_ptr<AppSwitchObserver> create(WorkspacePort& workspace, InputSources inputSources,
                                                   std::function<void()> clearTypoWordState);

  // Records the frontmost application and starts observing activations.
  void initAppSwitchObserver();
  void deinitAppSwitchObserver();
  bool hasAppSwitchObserver() const { return static_cast<bool>(appSwitchObserver_); }

  // Bundle identifier -> input source identifier current when the user last left it.
  const std::map<std::string, std::string>& perAppLayouts() const { return perAppLayouts_; }
  const std::optional<std::string>& lastActiveBundleID() const { return lastActiveBundleID_; }
  const std::optional<std::string>& lastActiveAppName() const { return lastActiveAppName_; }
  const std::optional<std::string>& lastActiveAppPath() const { return lastActiveAppPath_; }
  // Moves whenever the three above are set, so that a reader on every key
  // can tell a change without comparing them.
  std::uint64_t lastActiveChanges() const { return lastActiveChanges_; }

 private:
  AppSwitchObserver(WorkspacePort& workspace, InputSources inputSources, std::function<void()> clearTypoWordState);
  void applicationActivated(const RunningApplication& app);
  void setLastActive(const RunningApplication& app);

  WorkspacePort* workspace_;
  InputSources inputSources_;
  std::function<void()> clearTypoWordState_;
  Registration appSwitchObserver_;
  std::map<std::string, std::string> perAppLayouts_;
  std::optional<std::string> lastActiveBundleID_;
  std::optional<std::string> lastActiveAppName_;
  std::optional<std::string> lastActiveAppPath_;
  std::uint64_t lastActiveChanges_ = 0;
  keypath::KeptWarm keptWarm_{this, sizeof(*this)};  // read at every key
};

}  // namespace brisquel
