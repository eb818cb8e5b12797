// SPDX-License-Identifier: MIT
// The status item's menu and indicator.
#include "app/AppDelegate.h"
#include "menu/MenuController.h"

namespace brisquel {

void AppDelegate::initMenu() {
  menu_->initMenu();
}

void AppDelegate::updateMenuBarIcon(const std::string& code) {
  menu_->updateMenuBarIcon(code);
}

}  // namespace brisquel
