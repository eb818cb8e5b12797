// SPDX-License-Identifier: MIT
// The delegate's layout-switch hotkey and per-application layouts, held in
// two small components.
#include "app/AppDelegate.h"
#include "layouts/AppSwitchObserver.h"
#include "layouts/LayoutHotkey.h"

namespace brisquel {

void AppDelegate::initLanSwitchEventMonitor() {
  layoutHotkey_->initLanSwitchEventMonitor();
}

void AppDelegate::deinitLangEventMonitor() {
  layoutHotkey_->deinitLangEventMonitor();
}

void AppDelegate::applicationChangeHotkey(int tag) {
  layoutHotkey_->applicationChangeHotkey(tag);
}

void AppDelegate::initAppSwitchObserver() {
  appSwitchObserver_->initAppSwitchObserver();
}

}  // namespace brisquel
