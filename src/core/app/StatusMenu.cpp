// SPDX-License-Identifier: MIT
// The status item's menu and indicator, and what the menu's actions reach
// back into the delegate for.
#include "app/AppDelegate.h"
#include "donation/DonationHelper.h"
#include "layouts/LayoutHotkey.h"
#include "login/LoginItem.h"
#include "menu/MenuController.h"

namespace brisquel {

void AppDelegate::initMenu() {
  menu_->initMenu();
}

void AppDelegate::updateMenuBarIcon(const std::string& code) {
  menu_->updateMenuBarIcon(code);
}

MenuHost AppDelegate::menuHost() {
  std::weak_ptr<AppDelegate> weak = weak_from_this();
  MenuHost host;
  host.setEditKeysState = [weak](EditHotKeys state) {
    if (auto self = weak.lock()) self->hotkeys_->setEditKeysState(state);
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
    return self ? self->loginItem_->applicationAutostart(requested) : !requested;
  };
  host.openSupportAuthorWindow = [weak] {
    if (auto self = weak.lock(); self && self->services_.donation) self->services_.donation->showSupportWindow(true);
  };
  host.applicationQuit = [weak] {
    if (auto self = weak.lock()) self->applicationQuit();
  };
  return host;
}

}  // namespace brisquel
