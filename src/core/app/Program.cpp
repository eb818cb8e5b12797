// SPDX-License-Identifier: MIT
#include "app/Program.h"

#include "app/AppDelegate.h"
#include "base/Text.h"
#include "donation/DonationHelper.h"
#include "l10n/L10n.h"
#include "layouts/AppSwitchObserver.h"
#include "layouts/LayoutHotkey.h"
#include "login/LoginItem.h"
#include "menu/MenuController.h"
#include "settings/SettingsHelper.h"
#include "typo/TypoDetector.h"

namespace brisquel {
namespace {

// What the menu's actions reach into the rest of the program for.
MenuHost menuHost(const std::weak_ptr<AppDelegate>& weak, const std::weak_ptr<DonationHelper>& donation) {
  MenuHost host;
  host.setEditKeysState = [weak](EditHotKeys state) {
    if (auto self = weak.lock()) self->hotkeys().setEditKeysState(state);
  };
  host.reinstallEditTap = [weak] {
    if (auto self = weak.lock()) {
      self->deinitEditEventMonitor();
      self->initWinEditEventMonitor();
    }
  };
  host.changeHotkey = [weak](int tag) {
    if (auto self = weak.lock()) self->applicationChangeHotkey(tag);
  };
  host.applicationAutostart = [weak](bool requested) {
    auto self = weak.lock();
    return self ? self->loginItem().applicationAutostart(requested) : !requested;
  };
  host.openSupportAuthorWindow = [donation] {
    if (auto helper = donation.lock()) helper->showSupportWindow(true);
  };
  host.applicationQuit = [weak] {
    if (auto self = weak.lock()) self->applicationQuit();
  };
  return host;
}

// The delegate's components, wired to it and to the services.
AppComponents makeComponents(const Platform& platform, const AppServices& services,
                             const std::weak_ptr<AppDelegate>& weak) {
  const InputSources inputSources(*platform.inputSources);
  auto trusted = [weak] {
    auto self = weak.lock();
    return self && self->isAccessibilityTrusted();
  };
  auto recheck = [weak] {
    if (auto self = weak.lock()) self->verifyPermissionsAsync();
  };

  AppComponents c;
  c.layoutHotkey = LayoutHotkey::create(*platform.keyboard, inputSources, *services.settings, trusted);

  std::weak_ptr<TypoDetector> typo = services.typoDetector;
  c.appSwitchObserver = AppSwitchObserver::create(*platform.workspace, inputSources, [typo] {
    if (auto detector = typo.lock()) detector->clearBuffer();
  });

  // The bundle identifier is not asked of the platform: the login item uses the program's own.
  c.loginItem = std::make_unique<LoginItem>(*platform.loginItems, *platform.files, *platform.application, *platform.ui,
                                            *services.settings, std::nullopt);

  TapPermission permission;
  permission.isTrusted = trusted;
  permission.tapDisabled = [weak] {
    if (auto self = weak.lock()) self->handleTapDisabled();
  };
  permission.recheck = recheck;
  c.hotkeys = HotkeysHelper::create({*platform.keyboard, *platform.accessibility, *platform.workspace,
                                     *platform.mainQueue},
                                    *services.settings, services.typoDetector, inputSources, *c.layoutHotkey,
                                    *c.appSwitchObserver, std::move(permission));

  c.menu = MenuController::create(*services.settings, *platform.ui, *platform.application, inputSources,
                                  menuHost(weak, services.donation));

  // A failed read of the focused element usually means the permission was withdrawn.
  if (services.typoDetector) services.typoDetector->setPermissionRecheck(recheck);
  return c;
}

}  // namespace

std::unique_ptr<Program> Program::build(const Platform& platform, ProgramOptions options) {
  std::unique_ptr<Program> program(new Program(platform));
  Program& p = *program;

  L10n::initialize(platform.workspace->preferredLanguages());
  text::prepare();

  p.settings_ = SettingsHelper::create(*platform.defaults, *platform.files, *platform.mainQueue, *platform.workspace,
                                       std::move(options.settingsNotices), platform.saves);

  p.typoDetector_ = TypoDetector::create({*platform.keyboard, *platform.workspace,
                                          *platform.inputSources, *platform.spelling, *platform.mainQueue,
                                          *platform.clock, *platform.textField, platform.background},
                                         LearnedWordsStore::of(*p.settings_));

  if (options.donationReminder) {
    p.donation_ =
        DonationHelper::create(*platform.defaults, *platform.clock, *platform.mainQueue, *platform.ui, *platform.workspace);
  }

  AppServices services{p.settings_, p.typoDetector_, p.donation_};
  p.delegate_ = AppDelegate::create(platform, services, [&](const std::weak_ptr<AppDelegate>& weak) {
    return makeComponents(platform, services, weak);
  });
  std::weak_ptr<AppDelegate> delegate = p.delegate_;
  platform.application->setTerminationHandler([delegate] {
    if (auto d = delegate.lock()) d->applicationWillTerminate();
  });
  return program;
}

Program::~Program() {
  platform_.application->setTerminationHandler(nullptr);
  // In reverse order of creation.
  delegate_.reset();
  donation_.reset();
  typoDetector_.reset();
  settings_.reset();
}

void Program::launch() {
  delegate_->applicationDidFinishLaunching();
}

}  // namespace brisquel
