// SPDX-License-Identifier: MIT
#include "layouts/AppSwitchObserver.h"

#include <algorithm>
#include <utility>

namespace brisquel {

bool AppSwitchObserver::isExcludedSystemApp(std::string_view bundleID) {
  return std::find(excludedSystemApps.begin(), excludedSystemApps.end(), bundleID) != excludedSystemApps.end();
}

std::shared_ptr<AppSwitchObserver> AppSwitchObserver::create(WorkspacePort& workspace, InputSources inputSources,
                                                             std::function<void()> clearTypoWordState) {
  return std::shared_ptr<AppSwitchObserver>(
      new AppSwitchObserver(workspace, inputSources, std::move(clearTypoWordState)));
}

AppSwitchObserver::AppSwitchObserver(WorkspacePort& workspace, InputSources inputSources,
                                     std::function<void()> clearTypoWordState)
    : workspace_(&workspace), inputSources_(inputSources), clearTypoWordState_(std::move(clearTypoWordState)) {}

void AppSwitchObserver::initAppSwitchObserver() {
  if (auto front = workspace_->frontmostApplication()) {
    setLastActive(*front);
  } else {
    lastActiveBundleID_.reset();
    lastActiveAppName_.reset();
    lastActiveAppPath_.reset();
    ++lastActiveChanges_;
  }
  std::weak_ptr<AppSwitchObserver> weak = weak_from_this();
  appSwitchObserver_ = workspace_->observeActivation([weak](const RunningApplication& app) {
    if (auto self = weak.lock()) self->applicationActivated(app);
  });
}

void AppSwitchObserver::deinitAppSwitchObserver() {
  appSwitchObserver_.reset();
}

void AppSwitchObserver::setLastActive(const RunningApplication& app) {
  lastActiveBundleID_ = app.bundleIdentifier;
  lastActiveAppName_ = app.localizedName;
  lastActiveAppPath_ = app.bundlePath;
  ++lastActiveChanges_;
}

void AppSwitchObserver::applicationActivated(const RunningApplication& app) {
  if (!app.bundleIdentifier) return;
  const std::string& bundleID = *app.bundleIdentifier;
  const bool excluded = isExcludedSystemApp(bundleID);

  // Save the layout of the application being left, even when the new one is excluded.
  if (lastActiveBundleID_ && !isExcludedSystemApp(*lastActiveBundleID_)) {
    const std::optional<std::string> current = inputSources_.currentInputSourceID();
    if (current && !current->empty()) perAppLayouts_[*lastActiveBundleID_] = *current;
  }

  if (!excluded) {
    if (auto it = perAppLayouts_.find(bundleID); it != perAppLayouts_.end()) {
      inputSources_.switchToInputSourceByID(it->second);
    }
  }

  setLastActive(app);

  if (!excluded && clearTypoWordState_) clearTypoWordState_();
}

}  // namespace brisquel
