// SPDX-License-Identifier: MIT
// Start-up, termination and the one-shot installation of the monitors.
#include "app/AppDelegate.h"

#include <utility>

#include "donation/DonationHelper.h"
#include "layouts/AppSwitchObserver.h"
#include "layouts/LayoutHotkey.h"
#include "login/LoginItem.h"
#include "menu/MenuController.h"
#include "settings/SettingsHelper.h"
#include "typo/TypoDetector.h"

namespace brisquel {

std::shared_ptr<AppDelegate> AppDelegate::create(const Platform& platform, AppServices services,
                                                 const AppComponentsFactory& makeComponents) {
  std::shared_ptr<AppDelegate> delegate(new AppDelegate(platform, std::move(services)));
  delegate->parts_ = makeComponents(delegate);
  return delegate;
}

AppDelegate::AppDelegate(const Platform& platform, AppServices services)
    : platform_(platform), services_(std::move(services)), inputSources_(*platform.inputSources) {}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching() {
  // The settings object already watches its list files; read the learned words.
  services_.settings->importLearnedWordsFromFile();

  initMenu();
  std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
  // Settings another process stored (a second session, a command) show at once.
  services_.settings->setChangedElsewhereHandler([weakSelf] {
    if (auto self = weakSelf.lock()) {
      self->initMenu();
      self->updateMenuBarIcon(self->getCurrentLanguageCode());
    }
  });

  // Bring the login-item registration in line with the stored wish; a failure here is silent.
  (void)parts_.loginItem->launchAtLogin(services_.settings->isAutostartEnable());

  std::weak_ptr<AppDelegate> weak = weak_from_this();
  inputSourceObserver_ = platform_.inputSources->observeSelectedSourceChanged([weak] {
    if (auto self = weak.lock()) self->inputSourceChanged();
  });

  updateMenuBarIcon(getCurrentLanguageCode());

  platform_.mainQueue->asyncAfter(permissionCheckDelay, [weak] {
    auto self = weak.lock();
    if (!self) return;
    self->checkAccessibilityAndPrompt();
    self->platform_.mainQueue->asyncAfter(donationCheckDelay, [weak] {
      auto again = weak.lock();
      if (again && again->services_.donation) again->services_.donation->checkAndShowPromptIfNeeded();
    });
  });
}

void AppDelegate::inputSourceChanged() {
  updateMenuBarIcon(getCurrentLanguageCode());
}

void AppDelegate::initializeEventMonitorsIfNeeded() {
  if (hasInitializedEventMonitors_) return;
  // Set first, so that a re-entrant call installs nothing.
  hasInitializedEventMonitors_ = true;
  initLanSwitchEventMonitor();
  initWinEditEventMonitor();
  initAppSwitchObserver();
  warmUpSpelling();
}

void AppDelegate::warmUpSpelling() {
  SpellCheckerPort* spelling = platform_.spelling;
  if (!spelling || !platform_.background) return;
  // Has the spelling service load English and Russian before the first word is checked.
  platform_.background->async(QualityOfService::UserInteractive, [spelling] {
    spelling->prepare("en_US");
    spelling->prepare("ru_RU");
    (void)spelling->isWordCorrect(u"hello", "en_US");
    (void)spelling->isWordCorrect(u"привет", "ru_RU");
    (void)spelling->hasCompletions(u"he", "en_US");
    (void)spelling->hasCompletions(u"пр", "ru_RU");
  });
}

void AppDelegate::applicationWillTerminate() {
  deinitLangEventMonitor();
  deinitEditEventMonitor();
  parts_.appSwitchObserver->deinitAppSwitchObserver();
  inputSourceObserver_.reset();
}

void AppDelegate::initWinEditEventMonitor() {
  parts_.hotkeys->initWinEditEventMonitor();
}

void AppDelegate::deinitEditEventMonitor() {
  parts_.hotkeys->deinitEditEventMonitor();
}

void AppDelegate::applicationQuit() {
  platform_.application->exitNow(0);
}

}  // namespace brisquel
