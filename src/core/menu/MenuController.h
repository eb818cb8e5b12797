// SPDX-License-Identifier: MIT
#pragma once
// The status item's menu: builds the whole tree once from the settings and
// carries out every action of its rows, updating the rows in place.
//
// What the actions must reinstall or open elsewhere (the edit tap, the
// layout-switch monitor, launch at login, the donation window, quitting) is
// reached through MenuHost, wired by the application delegate.

#include <functional>
#include <memory>
#include <string>

#include "hotkeys/EditHotKeys.h"
#include "layouts/InputSources.h"
#include "layouts/MenuBarIndicator.h"
#include "menu/MenuModel.h"
#include "menu/MenuViews.h"
#include "platform/Process.h"
#include "platform/UserInterface.h"

namespace brisquel {

class SettingsHelper;

struct MenuHost {
  // The edit tap's copy of the enabled shortcuts.
  std::function<void(EditHotKeys)> setEditKeysState;
  // deinitEditEventMonitor() then initWinEditEventMonitor().
  std::function<void()> reinstallEditTap;
  // Stores the switching method and reinstalls the layout-switch monitor.
  std::function<void(int)> changeHotkey;
  // Registers or unregisters launch at login (alerting on failure); answers
  // the state the switch shows afterwards.
  std::function<bool(bool requested)> applicationAutostart;
  // Shows the donation window at once.
  std::function<void()> openSupportAuthorWindow;
  std::function<void()> applicationQuit;
};

class MenuController final : public ActionTarget, public std::enable_shared_from_this<MenuController> {
 public:
  static constexpr const char* kKeyboardSettingsPhrase =
      "System Settings -> Keyboard -> Keyboard Shortcuts -> Modifier Keys";
  static constexpr double kInfoWidth = 300;
  static constexpr std::int64_t kShowLayoutInTrayTag = 997;
  static constexpr std::int64_t kTypoDetectorTag = 999;
  static constexpr std::int64_t kLaunchAtLoginTag = 998;

  // The settings, ports and input sources must outlive the controller.
  static std::shared_ptr<MenuController> create(SettingsHelper& settings, UserInterfacePort& ui,
                                                ApplicationPort& application, InputSources inputSources, MenuHost host);

  // Gives the status item its first image, builds the menu tree and attaches it.
  void initMenu();
  std::shared_ptr<Menu> menu() const { return menu_; }
  EditHotKeys editKeysState() const { return editKeysState_; }

  // The indicator (called at launch and on every input-source change).
  void updateMenuBarIcon(const std::string& code) { indicator_.updateMenuBarIcon(code); }

  bool performAction(const Selector& action, UIObject& sender) override;

  // Actions; sender is the control (or item) that was clicked.
  void applicationChangeHotkey(UIObject& sender);
  void applicationToggleShowLayoutInTray(UIObject& sender);
  void applicationToggleTypoDetector(UIObject& sender);
  void applicationSetWinEditKey(UIObject& sender);
  void applicationToggleAllWinEditKeys(UIObject& sender);
  void applicationToggleModifier(UIObject& sender);
  void applicationToggleQuitClosesWindows(UIObject& sender);
  void applicationAutostart(UIObject& sender);
  void openLearnedWordsList();
  void openIgnoredAppsList();
  void openIgnoredShortcutsAppsList();
  void openSupportAuthorWindow();
  void applicationQuit();

  // The about text with the bundle version and the site link.
  AttributedString aboutText() const;
  // The "Need more shortcuts?" text with the keyboard-settings link.
  static AttributedString needMoreShortcutsText();

 private:
  MenuController(SettingsHelper& settings, UserInterfacePort& ui, ApplicationPort& application,
                 InputSources inputSources, MenuHost host);

  std::shared_ptr<MenuItem> makeControlRow(ButtonType type, const std::string& title, const Selector& action,
                                           std::int64_t tag, bool on);
  std::shared_ptr<MenuItem> makeListItem(const std::string& title, const Selector& action);
  std::shared_ptr<Menu> buildLayoutMenu();
  std::shared_ptr<Menu> buildEditMenu();
  void storeEditKeysState(EditHotKeys state);
  void reinstallEditTap();

  SettingsHelper& settings_;
  UserInterfacePort& ui_;
  ApplicationPort& application_;
  InputSources inputSources_;
  MenuHost host_;
  MenuBarIndicator indicator_;
  EditHotKeys editKeysState_;
  std::shared_ptr<Menu> menu_;
};

// The menu containing sender's row: sender → its container → menu item → menu.
std::shared_ptr<Menu> menuOfSender(UIObject& sender);

}  // namespace brisquel
