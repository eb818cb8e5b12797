// SPDX-License-Identifier: MIT
// The status item's menu and indicator.
#include "app/AppDelegate.h"
#include "menu/MenuController.h"

namespace brisquel {

void AppDelegate::initMenu() {
  parts_.menu->initMenu();
}

void AppDelegate::updateMenuBarIcon(const std::string& code) {
  parts_.menu->updateMenuBarIcon(code);
}

}  // namespace brisquel
