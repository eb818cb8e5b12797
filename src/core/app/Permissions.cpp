// SPDX-License-Identifier: MIT
// The accessibility permission: the launch check, loss of trust, the one
// alert per process, the trust poll and the relaunch.
#include <utility>

#include "app/AppDelegate.h"
#include "app/Relaunch.h"
#include "l10n/L10n.h"

namespace brisquel {

ChildCommand relaunchCommand(const std::filesystem::path& bundlePath) {
  // "$0" names the script; the path is "$1".
  return ChildCommand{kRelaunchShell, {"-c", kRelaunchScript, "sh", bundlePath.string()}};
}

bool AppDelegate::checkAccessibilityAndPrompt() {
  const bool trusted = platform_.accessibility->isProcessTrusted(false);
  if (trusted) {
    isAccessibilityTrusted_ = true;
    if (!hasInitializedEventMonitors_) initializeEventMonitorsIfNeeded();
  } else {
    handleTapDisabled();
  }
  return trusted;
}

void AppDelegate::handleTapDisabled() {
  isAccessibilityTrusted_ = false;
  // The tap stays installed but receives nothing; it is never re-enabled in place.
  if (parts_.hotkeys->hasEventTap()) parts_.hotkeys->disableEventTap();
  if (hasPromptedForAccessibilityLoss_) return;
  hasPromptedForAccessibilityLoss_ = true;
  std::weak_ptr<AppDelegate> weak = weak_from_this();
  platform_.mainQueue->async([weak] {
    if (auto self = weak.lock()) self->showSecurityAlert();
  });
}

void AppDelegate::showSecurityAlert() {
  accessibilityCheckTimer_.reset();
  AlertSpec alert;
  alert.style = AlertStyle::Critical;
  alert.messageText = L("alert.security.title");
  alert.informativeText = L("alert.security.message");
  alert.buttons = {L("alert.security.btn_settings"), L("alert.security.btn_exit")};
  platform_.ui->showAlert(alert, [weak = weak_from_this()](AlertAnswer answer) {
    if (auto self = weak.lock()) self->securityAlertAnswered(answer);
  });
}

void AppDelegate::securityAlertAnswered(AlertAnswer answer) {
  if (answer && *answer != kAlertFirstButtonReturn) {
    platform_.application->exitNow(-1);
    return;
  }
  // Closed without a choice: nothing is opened and nothing ends, but the poll
  // still relaunches the program once the permission is granted some other way.
  if (answer) openPrivacySettings();
  std::weak_ptr<AppDelegate> weak = weak_from_this();
  accessibilityCheckTimer_ = platform_.mainQueue->scheduleRepeatingTimer(accessibilityPollInterval, [weak] {
    if (auto self = weak.lock()) self->accessibilityPollTick();
  });
}

void AppDelegate::accessibilityPollTick() {
  if (!platform_.accessibility->isProcessTrusted(false)) return;
  accessibilityCheckTimer_.reset();
  relaunchApp();
}

void AppDelegate::openPrivacySettings() {
  platform_.workspace->open(DesktopPlace::InputPermissionSettings);
}

void AppDelegate::relaunchApp() {
  const ChildCommand child = relaunchCommand(platform_.application->mainBundlePath());
  platform_.processes->launch(child.program, child.arguments);
  platform_.application->terminate();
}

void AppDelegate::verifyPermissionsAsync() {
  std::weak_ptr<AppDelegate> weak = weak_from_this();
  AccessibilityPort* accessibility = platform_.accessibility;
  MainQueuePort* mainQueue = platform_.mainQueue;
  // The background task reads no delegate state; it only asks the system.
  platform_.background->async(QualityOfService::Background, [weak, accessibility, mainQueue] {
    if (weak.expired()) return;
    if (accessibility->isProcessTrusted(false)) return;  // a transient false answer elsewhere is ignored
    mainQueue->async([weak] {
      auto self = weak.lock();
      if (self && self->isAccessibilityTrusted_) self->handleTapDisabled();
    });
  });
}

}  // namespace brisquel
