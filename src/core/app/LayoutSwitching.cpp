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

bool AppDelegate::modifiersPressed() const {
  return layoutHotkey_->modifiersPressed();
}

void AppDelegate::setModifiersPressed(bool pressed) {
  layoutHotkey_->setModifiersPressed(pressed);
}

const std::map<std::string, std::string>& AppDelegate::perAppLayouts() const {
  return appSwitchObserver_->perAppLayouts();
}

std::optional<std::string> AppDelegate::lastActiveBundleID() const {
  return appSwitchObserver_->lastActiveBundleID();
}

std::optional<std::string> AppDelegate::lastActiveAppName() const {
  return appSwitchObserver_->lastActiveAppName();
}

std::optional<std::string> AppDelegate::lastActiveAppPath() const {
  return appSwitchObserver_->lastActiveAppPath();
}

}  // namespace brisquel
