// SPDX-License-Identifier: MIT
// The delegate's layout-switch hotkey and per-application layouts, held in
// two small components.
#include "app/AppDelegate.h"
#include "layouts/AppSwitchObserver.h"
#include "layouts/LayoutHotkey.h"

namespace brisquel {

void AppDelegate::initLanSwitchEventMonitor() {
  parts_.layoutHotkey->initLanSwitchEventMonitor();
}

void AppDelegate::deinitLangEventMonitor() {
  parts_.layoutHotkey->deinitLangEventMonitor();
}

void AppDelegate::applicationChangeHotkey(int tag) {
  parts_.layoutHotkey->applicationChangeHotkey(tag);
}

void AppDelegate::initAppSwitchObserver() {
  parts_.appSwitchObserver->initAppSwitchObserver();
}

}  // namespace brisquel
