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

namespace {
// The running delegate; weak so that it is none once the delegate is gone.
std::weak_ptr<AppDelegate>& sharedDelegate() {
  static std::weak_ptr<AppDelegate> delegate;
  return delegate;
}
}  // namespace

std::shared_ptr<AppDelegate> AppDelegate::create(const Platform& platform, AppServices services) {
  std::shared_ptr<AppDelegate> delegate(new AppDelegate(platform, std::move(services)));
  delegate->makeComponents();
  return delegate;
}

AppDelegate::AppDelegate(const Platform& platform, AppServices services)
    : platform_(platform), services_(std::move(services)), inputSources_(*platform.inputSources) {}

AppDelegate::~AppDelegate() = default;

std::shared_ptr<AppDelegate> AppDelegate::shared() {
  return sharedDelegate().lock();
}

void AppDelegate::makeComponents() {
  std::weak_ptr<AppDelegate> weak = weak_from_this();
  auto trusted = [weak] {
    auto self = weak.lock();
    return self && self->isAccessibilityTrusted_;
  };
  layoutHotkey_ = LayoutHotkey::create(*platform_.keyboard, inputSources_, *services_.settings, trusted);

  std::weak_ptr<TypoDetector> typo = services_.typoDetector;
  appSwitchObserver_ = AppSwitchObserver::create(*platform_.workspace, inputSources_, [typo] {
    if (auto detector = typo.lock()) detector->clearBuffer();
  });

  // The bundle identifier is not asked of the platform: the login item uses the program's own.
  loginItem_ = std::make_unique<LoginItem>(*platform_.loginItems, *platform_.files, *platform_.application,
                                           *platform_.ui, *services_.settings, std::nullopt);

  TapPermission permission;
  permission.isTrusted = trusted;
  permission.tapDisabled = [weak] {
    if (auto self = weak.lock()) self->handleTapDisabled();
  };
  permission.recheck = [weak] {
    if (auto self = weak.lock()) self->verifyPermissionsAsync();
  };
  hotkeys_ = HotkeysHelper::create({*platform_.keyboard, *platform_.accessibility, *platform_.workspace,
                                    *platform_.mainQueue},
                                   *services_.settings, services_.typoDetector, inputSources_, *layoutHotkey_,
                                   *appSwitchObserver_, std::move(permission));

  menu_ = MenuController::create(*services_.settings, *platform_.ui, *platform_.application, inputSources_, menuHost());

  if (services_.typoDetector) {
    // A failed read of the focused element usually means the permission was withdrawn.
    services_.typoDetector->setPermissionRecheck([weak] {
      if (auto self = weak.lock()) self->verifyPermissionsAsync();
    });
  }
}

void AppDelegate::applicationDidFinishLaunching() {
  sharedDelegate() = weak_from_this();

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
  (void)loginItem_->launchAtLogin(services_.settings->isAutostartEnable());

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
  appSwitchObserver_->deinitAppSwitchObserver();
  inputSourceObserver_.reset();
}

void AppDelegate::initWinEditEventMonitor() {
  hotkeys_->initWinEditEventMonitor();
}

void AppDelegate::deinitEditEventMonitor() {
  hotkeys_->deinitEditEventMonitor();
}

void AppDelegate::applicationQuit() {
  platform_.application->exitNow(0);
}

}  // namespace brisquel
