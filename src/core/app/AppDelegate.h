// SPDX-License-Identifier: MIT
#pragma once
// The application delegate: the one long-lived object of the program. It
// brings the parts of the system to life in order at launch, decides
// whether the process may observe the keyboard (and recovers by relaunching
// when that permission is lost), and owns the keyboard monitors, the
// activation observer and the per-application layout table through small
// components.
//
// Main thread only. Created through create(): delayed and repeated work holds
// it weakly and does nothing once it is gone.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/KeyPath.h"
#include "hotkeys/HotkeysHelper.h"
#include "layouts/InputSources.h"
#include "platform/Platform.h"
#include "platform/Registration.h"

namespace brisquel {

class AppSwitchObserver;
class DonationHelper;
class LayoutHotkey;
class LoginItem;
class MenuController;

// The process-wide objects the delegate works with; the composition root
// creates them.
struct AppServices {
  std::shared_ptr<SettingsHelper> settings;
  std::shared_ptr<TypoDetector> typoDetector;
  std::shared_ptr<DonationHelper> donation;
};

// The components the delegate owns; the composition root makes them.
struct AppComponents {
  std::shared_ptr<LayoutHotkey> layoutHotkey;
  std::shared_ptr<AppSwitchObserver> appSwitchObserver;
  std::shared_ptr<HotkeysHelper> hotkeys;
  std::unique_ptr<LoginItem> loginItem;
  std::shared_ptr<MenuController> menu;
};

class AppDelegate;
// Makes the components of a delegate being created; they hold it weakly.
using AppComponentsFactory = std::function<AppComponents(const std::weak_ptr<AppDelegate>&)>;

class AppDelegate final : public std::enable_shared_from_this<AppDelegate> {
 public:
  // Delays of the start-up work, after launch.
  static constexpr double permissionCheckDelay = 1.0;
  static constexpr double donationCheckDelay = 2.0;  // after the permission check
  // Interval of the trust poll while the user is in the privacy settings.
  static constexpr double accessibilityPollInterval = 1.0;

  // The ports must outlive the delegate.
  static std::shared_ptr<AppDelegate> create(const Platform& platform, AppServices services,
                                             const AppComponentsFactory& makeComponents);
  ~AppDelegate();
  AppDelegate(const AppDelegate&) = delete;
  AppDelegate& operator=(const AppDelegate&) = delete;

  // --- Lifecycle (AppDelegate.cpp) ---
  void applicationDidFinishLaunching();
  // Orderly shutdown: removes the monitors, the tap and the observers.
  void applicationWillTerminate();
  // The menu's quit item: ends the process at once with status 0, no termination hook.
  void applicationQuit();
  // The selected input source changed: redraw the indicator.
  void inputSourceChanged();
  // Installs the keyboard and mouse monitors and the activation observer, once per process.
  void initializeEventMonitorsIfNeeded();

  // --- Permission and recovery (Permissions.cpp) ---
  bool checkAccessibilityAndPrompt();
  // Makes every keyboard handler inert; shows the alert the first time in this process.
  void handleTapDisabled();
  // Re-checks trust off the main thread and handles a confirmed loss on the main queue.
  void verifyPermissionsAsync();
  void openPrivacySettings();
  // Starts a fresh instance through a child shell and terminates this one.
  void relaunchApp();

  // --- The status item: its menu and the layout indicator (MenuController) ---
  void initMenu();
  void updateMenuBarIcon(const std::string& code);

  // --- Input sources ---
  std::vector<InputSourceRef> getActiveLayouts() const { return inputSources_.getActiveLayouts(); }
  std::string getCurrentLanguageCode() const { return inputSources_.getCurrentLanguageCode(); }
  void switchToInputSourceByID(const std::string& id) const { inputSources_.switchToInputSourceByID(id); }
  void switchToNextLayout() const { inputSources_.switchToNextLayout(); }
  void switchToLayout(const std::string& language) const { inputSources_.switchToLayout(language); }

  // --- Layout-switch hotkey and per-application layouts (LayoutSwitching.cpp) ---
  void initLanSwitchEventMonitor();
  void deinitLangEventMonitor();
  // The switching-method radio buttons: stores the method, reinstalls the monitor.
  void applicationChangeHotkey(int tag);
  void initAppSwitchObserver();

  // --- The edit tap (HotkeysHelper) ---
  void initWinEditEventMonitor();
  void deinitEditEventMonitor();

  // --- State ---
  bool isAccessibilityTrusted() const { return isAccessibilityTrusted_; }
  bool hasPromptedForAccessibilityLoss() const { return hasPromptedForAccessibilityLoss_; }
  bool hasInitializedEventMonitors() const { return hasInitializedEventMonitors_; }
  bool hasAccessibilityCheckTimer() const { return static_cast<bool>(accessibilityCheckTimer_); }
  bool observesInputSourceChanges() const { return static_cast<bool>(inputSourceObserver_); }

  LayoutHotkey& layoutHotkey() { return *parts_.layoutHotkey; }
  AppSwitchObserver& appSwitchObserver() { return *parts_.appSwitchObserver; }
  HotkeysHelper& hotkeys() { return *parts_.hotkeys; }
  LoginItem& loginItem() { return *parts_.loginItem; }
  MenuController& menu() { return *parts_.menu; }
  const Platform& platform() const { return platform_; }

 private:
  AppDelegate(const Platform& platform, AppServices services);
  void showSecurityAlert();
  void securityAlertAnswered(AlertAnswer answer);
  void accessibilityPollTick();
  void warmUpSpelling();

  Platform platform_;
  AppServices services_;
  InputSources inputSources_;

  AppComponents parts_;

  Registration inputSourceObserver_;
  Registration accessibilityCheckTimer_;
  bool hasPromptedForAccessibilityLoss_ = false;
  bool isAccessibilityTrusted_ = false;
  bool hasInitializedEventMonitors_ = false;
  keypath::KeptWarm keptWarm_{this, sizeof(*this)};  // read at every key
};

}  // namespace brisquel
