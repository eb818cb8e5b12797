// SPDX-License-Identifier: MIT
#include "menu/MenuController.h"

#include <array>
#include <map>
#include <utility>

#include "l10n/L10n.h"
#include "menu/EditMenuSection.h"
#include "settings/SettingsHelper.h"

namespace brisquel {
namespace {

constexpr std::int64_t kRadioTagLimit = 5;  // the switching-method rows are tagged 0-4
constexpr double kControlRowHeight = 24;
constexpr double kDashedRowHeight = 11;
constexpr const char* kIndent = "    ";

// Localisation keys of the shortcut rows, by bit value.
const std::map<std::int64_t, std::string_view>& shortcutTitleKeys() {
  static const std::map<std::int64_t, std::string_view> keys = {
      {EditHotKeys::undo.rawValue, L10n::kUndoKey},
      {EditHotKeys::redo.rawValue, "menu.ctrl.redo"},
      {EditHotKeys::cut.rawValue, "menu.ctrl.cut"},
      {EditHotKeys::copy.rawValue, "menu.ctrl.copy"},
      {EditHotKeys::paste.rawValue, "menu.ctrl.paste"},
      {EditHotKeys::selectAll.rawValue, "menu.ctrl.select_all"},
      {EditHotKeys::find.rawValue, "menu.ctrl.find"},
      {EditHotKeys::open.rawValue, "menu.ctrl.open"},
      {EditHotKeys::save.rawValue, "menu.ctrl.save"},
      {EditHotKeys::print.rawValue, "menu.ctrl.print"},
      {EditHotKeys::closeWindow.rawValue, "menu.ctrl.close_window"},
      {EditHotKeys::quit.rawValue, "menu.ctrl.quit"},
      {EditHotKeys::zoom.rawValue, "menu.ctrl.zoom"},
      {EditHotKeys::tabs.rawValue, "menu.ctrl.tabs"},
      {EditHotKeys::windows.rawValue, "menu.ctrl.windows"},
      {EditHotKeys::refresh.rawValue, "menu.ctrl.refresh"},
      {EditHotKeys::activityMonitor.rawValue, "menu.ctrl.activity_monitor"},
  };
  return keys;
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  for (auto pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size())) {
    text.replace(pos, from.size(), to);
  }
  return text;
}

std::shared_ptr<MenuItem> makeDashedSeparatorItem() {
  auto item = MenuItem::create();
  item->setView(std::make_shared<DashedSeparatorView>(Rect{0, 0, kMenuRowWidth, kDashedRowHeight}));
  return item;
}

StayOpenContainerView* containerOf(const MenuItem& item) {
  return dynamic_cast<StayOpenContainerView*>(item.view().get());
}

void setState(Button& button, bool on) {
  button.setState(on ? ControlState::On : ControlState::Off);
}

void writeBool(SettingsHelper& settings, const char* key, bool value) {
  settings.store().set(key, value);
}

}  // namespace

std::shared_ptr<Menu> menuOfSender(UIObject& sender) {
  auto* view = dynamic_cast<View*>(&sender);
  if (!view) return nullptr;
  auto container = std::dynamic_pointer_cast<StayOpenContainerView>(view->superview());
  if (!container) return nullptr;
  auto item = container->enclosingMenuItem();
  return item ? item->menu() : nullptr;
}

std::shared_ptr<MenuController> MenuController::create(SettingsHelper& settings, UserInterfacePort& ui,
                                                       ApplicationPort& application, InputSources inputSources,
                                                       MenuHost host) {
  return std::shared_ptr<MenuController>(
      new MenuController(settings, ui, application, std::move(inputSources), std::move(host)));
}

MenuController::MenuController(SettingsHelper& settings, UserInterfacePort& ui, ApplicationPort& application,
                               InputSources inputSources, MenuHost host)
    : settings_(settings),
      ui_(ui),
      application_(application),
      inputSources_(std::move(inputSources)),
      host_(std::move(host)),
      indicator_(settings, ui) {}

// Building

std::shared_ptr<MenuItem> MenuController::makeControlRow(ButtonType type, const std::string& title,
                                                         const Selector& action, std::int64_t tag, bool on) {
  auto view = std::make_shared<StayOpenContainerView>(Rect{0, 0, kMenuRowWidth, kControlRowHeight});
  auto button = std::make_shared<Button>(type, title, Rect{20, 2, 290, 20});
  button->font = Font{13, FontWeight::Regular};
  button->setTag(tag);
  setState(*button, on);
  view->addSubview(button);
  view->actionTarget = weak_from_this();
  view->actionSelector = action;
  view->associatedButton = button;
  auto item = MenuItem::create();
  item->setView(view);
  item->setTag(tag);
  return item;
}

std::shared_ptr<MenuItem> MenuController::makeListItem(const std::string& title, const Selector& action) {
  const std::string text = kIndent + title;
  auto item = MenuItem::create(text, action, "");
  item->target = weak_from_this();
  item->setAttributedTitle(systemTitle(text));
  return item;
}

std::shared_ptr<Menu> MenuController::buildLayoutMenu() {
  auto menu = Menu::create(L("menu.language_switcher"));
  menu->addItem(makeSectionHeaderItem(L("menu.switching_method")));
  const std::int64_t method = settings_.checkedHotKeyIndex();
  static constexpr std::array<const char*, 5> methodKeys = {"menu.hotkey.shift_fn", "menu.hotkey.shift_option",
                                                            "menu.hotkey.shift_control", "menu.hotkey.shift_command",
                                                            "menu.hotkey.all"};
  for (std::int64_t tag = 0; tag < kRadioTagLimit; ++tag) {
    menu->addItem(makeControlRow(ButtonType::Radio, L(methodKeys[static_cast<std::size_t>(tag)]),
                                 "applicationChangeHotkey:", tag, method == tag));
  }
  menu->addItem(MenuItem::separator());
  menu->addItem(makeControlRow(ButtonType::Switch, L("menu.show_layout_in_tray"), "applicationToggleShowLayoutInTray:",
                               kShowLayoutInTrayTag, settings_.isShowLayoutInTrayEnabled()));
  menu->addItem(MenuItem::separator());
  menu->addItem(makeControlRow(ButtonType::Switch, L("menu.typo_detector"),
                               "applicationToggleTypoDetector:", kTypoDetectorTag, settings_.isTypoDetectorEnabled()));
  menu->addItem(makeListItem(L("menu.learned_words"), "openLearnedWordsList"));
  menu->addItem(makeListItem(L("menu.ignored_apps"), "openIgnoredAppsList"));
  const std::string howTitle = kIndent + L("menu.how_it_works");
  auto how = makeInfoSubmenuItem(howTitle, L("menu.how_it_works.text"), kInfoWidth, {});
  how->setAttributedTitle(systemTitle(howTitle));
  menu->addItem(how);
  return menu;
}

std::shared_ptr<Menu> MenuController::buildEditMenu() {
  auto menu = Menu::create(L("menu.control_shortcuts"));
  const bool isCtrl = settings_.isCtrlShortcutEnabled();
  const bool isFn = settings_.isFnShortcutEnabled();
  menu->addItem(makeModifiersHeaderItem(editKeysState_ == EditHotKeys::all, isCtrl, isFn, weak_from_this(),
                                        "applicationToggleAllWinEditKeys:", "applicationToggleModifier:"));
  menu->addItem(makeWarningMenuItem(L("menu.ctrl.warning_no_modifier")));

  auto shortcutRow = [&](EditHotKeys member) {
    const auto key = shortcutTitleKeys().at(member.rawValue);
    return makeControlRow(ButtonType::Switch, L(key), "applicationSetWinEditKey:", member.rawValue,
                          editKeysState_.contains(member));
  };
  const std::array<std::vector<EditHotKeys>, 5> groups = {{
      {EditHotKeys::undo, EditHotKeys::redo},
      {EditHotKeys::cut, EditHotKeys::copy, EditHotKeys::paste},
      {EditHotKeys::selectAll, EditHotKeys::find},
      {EditHotKeys::open, EditHotKeys::save, EditHotKeys::print, EditHotKeys::closeWindow, EditHotKeys::quit},
      {EditHotKeys::zoom, EditHotKeys::tabs, EditHotKeys::windows, EditHotKeys::refresh},
  }};
  for (std::size_t g = 0; g < groups.size(); ++g) {
    menu->addItem(makeDashedSeparatorItem());
    for (const auto& member : groups[g]) menu->addItem(shortcutRow(member));
    if (g == 3) {  // Close Finder windows follows Quit
      menu->addItem(makeControlRow(ButtonType::Switch, L("menu.ctrl.quit_closes_windows"),
                                   "applicationToggleQuitClosesWindows:", kQuitClosesWindowsTag,
                                   settings_.isQuitClosesWindowsEnabled()));
    }
  }
  menu->addItem(makeDashedSeparatorItem());
  menu->addItem(shortcutRow(EditHotKeys::activityMonitor));
  menu->addItem(makeDashedSeparatorItem());
  auto exclusions = makeListItem(L("menu.ignored_apps"), kOpenIgnoredShortcutsAppsList);
  exclusions->setTag(kIgnoredShortcutsAppsTag);
  menu->addItem(exclusions);
  menu->addItem(MenuItem::separator());
  auto needMore = makeInfoSubmenuItem(L("menu.ctrl.need_more"), needMoreShortcutsText(), kInfoWidth, {});
  needMore->setTag(kNeedMoreShortcutsTag);
  menu->addItem(needMore);
  return menu;
}

AttributedString MenuController::needMoreShortcutsText() {
  const std::string text = L("menu.ctrl.need_more.text");
  AttributedString out(text, TextAttributes{}.withFont({13, FontWeight::Regular}).withColor(ColorRole::Label));
  const std::string phrase = kKeyboardSettingsPhrase;
  if (auto pos = text.find(phrase); pos != std::string::npos) {
    out.addAttributes(
        pos, phrase.size(),
        TextAttributes{}.withColor(ColorRole::SystemBlue).withLink(DesktopPlace::KeyboardSettings).withUnderline());
  }
  return out;
}

AttributedString MenuController::aboutText() const {
  std::string version = application_.bundleVersion();
  if (version.empty()) version = "1.0";
  const std::string text = replaceAll(L("menu.about.text"), "v1.01", "v" + version);
  AttributedString out(text, TextAttributes{}.withFont({13, FontWeight::Regular}).withColor(ColorRole::Label));
  const std::string host(kProductSiteHost);
  if (auto pos = text.find(host); pos != std::string::npos) {
    out.addAttributes(pos, host.size(),
                      TextAttributes{}.withColor(ColorRole::SystemBlue).withLink(std::string(kProductSiteURL)));
  }
  return out;
}

void MenuController::initMenu() {
  Image globe;
  globe.systemSymbol = "globe";
  globe.accessibilityDescription = L("menu.language_switcher");
  globe.size = MenuBarIndicator::kIconSize;
  globe.isTemplate = true;
  ui_.setStatusItemImage(globe);

  auto top = Menu::create();
  auto layoutItem = makeHoverMenuItem(L("menu.language_switcher"), {}, "");
  layoutItem->setSubmenu(buildLayoutMenu());
  top->addItem(layoutItem);

  editKeysState_ = EditHotKeys(settings_.winEditKeys());
  if (host_.setEditKeysState) host_.setEditKeysState(editKeysState_);
  auto editMenu = buildEditMenu();
  auto editItem = makeHoverMenuItem(L("menu.control_shortcuts"), {}, "");
  editItem->setSubmenu(editMenu);
  top->addItem(editItem);
  updateEditMenuTitles(*editMenu, settings_.isCtrlShortcutEnabled(), settings_.isFnShortcutEnabled());
  updateEditMenuVisibility(settings_.isCtrlShortcutEnabled() || settings_.isFnShortcutEnabled(), *editMenu);

  top->addItem(makeControlRow(ButtonType::Switch, L("menu.launch_at_login"), "applicationAutostart:", kLaunchAtLoginTag,
                              settings_.isAutostartEnable()));
  top->addItem(MenuItem::separator());
  top->addItem(makeInfoSubmenuItem(
      L("menu.about"), aboutText(), kInfoWidth,
      {makeHoverMenuItem(L("menu.about.support_author"), weak_from_this(), "openSupportAuthorWindow")}));
  top->addItem(makeHoverMenuItem(L("menu.quit"), weak_from_this(), "applicationQuit"));

  menu_ = top;
  ui_.setStatusItemMenu(top);
}

// Actions

bool MenuController::performAction(const Selector& action, UIObject& sender) {
  using Handler = void (MenuController::*)(UIObject&);
  static const std::map<std::string, Handler, std::less<>> senderActions = {
      {"applicationChangeHotkey:", &MenuController::applicationChangeHotkey},
      {"applicationToggleShowLayoutInTray:", &MenuController::applicationToggleShowLayoutInTray},
      {"applicationToggleTypoDetector:", &MenuController::applicationToggleTypoDetector},
      {"applicationSetWinEditKey:", &MenuController::applicationSetWinEditKey},
      {"applicationToggleAllWinEditKeys:", &MenuController::applicationToggleAllWinEditKeys},
      {"applicationToggleModifier:", &MenuController::applicationToggleModifier},
      {"applicationToggleQuitClosesWindows:", &MenuController::applicationToggleQuitClosesWindows},
      {"applicationAutostart:", &MenuController::applicationAutostart},
  };
  using Plain = void (MenuController::*)();
  static const std::map<std::string, Plain, std::less<>> plainActions = {
      {"openLearnedWordsList", &MenuController::openLearnedWordsList},
      {"openIgnoredAppsList", &MenuController::openIgnoredAppsList},
      {kOpenIgnoredShortcutsAppsList, &MenuController::openIgnoredShortcutsAppsList},
      {"openSupportAuthorWindow", &MenuController::openSupportAuthorWindow},
      {"applicationQuit", &MenuController::applicationQuit},
  };
  // Hold ourselves: an action may end in the owner releasing the menu.
  auto self = shared_from_this();
  if (auto it = senderActions.find(action); it != senderActions.end()) {
    (this->*(it->second))(sender);
    return true;
  }
  if (auto it = plainActions.find(action); it != plainActions.end()) {
    (this->*(it->second))();
    return true;
  }
  return false;
}

void MenuController::applicationChangeHotkey(UIObject& sender) {
  auto* button = dynamic_cast<Button*>(&sender);
  if (!button) return;
  const std::int64_t index = button->tag();
  settings_.store().set(SettingsHelper::indexHotKey, index);
  if (auto menu = menuOfSender(sender)) {
    for (const auto& item : menu->items()) {
      auto* container = containerOf(*item);
      if (!container || !container->associatedButton || container->associatedButton->tag() >= kRadioTagLimit) continue;
      setState(*container->associatedButton, container->associatedButton->tag() == index);
      container->setNeedsDisplay();
    }
  }
  if (host_.changeHotkey) host_.changeHotkey(static_cast<int>(index));
}

void MenuController::applicationToggleShowLayoutInTray(UIObject& sender) {
  auto* button = dynamic_cast<Button*>(&sender);
  if (!button) return;
  writeBool(settings_, SettingsHelper::enableShowLayoutInTray, button->isOn());
  updateMenuBarIcon(inputSources_.getCurrentLanguageCode());
}

void MenuController::applicationToggleTypoDetector(UIObject& sender) {
  auto* button = dynamic_cast<Button*>(&sender);
  if (!button) return;
  writeBool(settings_, SettingsHelper::enableTypoDetector, button->isOn());
}

void MenuController::storeEditKeysState(EditHotKeys state) {
  editKeysState_ = state;
  settings_.store().set(SettingsHelper::winEditHotKeys, state.rawValue);
  if (host_.setEditKeysState) host_.setEditKeysState(state);
}

void MenuController::reinstallEditTap() {
  if (host_.reinstallEditTap) host_.reinstallEditTap();
}

void MenuController::applicationSetWinEditKey(UIObject& sender) {
  auto* button = dynamic_cast<Button*>(&sender);
  if (!button) return;
  EditHotKeys state = editKeysState_;
  if (button->isOn()) {
    state.insert(EditHotKeys(button->tag()));
  } else {
    state.remove(EditHotKeys(button->tag()));
  }
  storeEditKeysState(state);
  reinstallEditTap();
  if (auto menu = menuOfSender(sender)) {
    for (const auto& item : menu->items()) {
      auto* container = containerOf(*item);
      if (!container || !container->associatedButtons) continue;
      for (const auto& box : *container->associatedButtons) {
        if (box->tag() != kToggleAllTag) continue;
        setState(*box, editKeysState_ == EditHotKeys::all);
        box->setNeedsDisplay();
      }
    }
  }
}

void MenuController::applicationToggleAllWinEditKeys(UIObject& sender) {
  auto* button = dynamic_cast<Button*>(&sender);
  if (!button) return;
  const bool on = button->isOn();
  writeBool(settings_, SettingsHelper::quitClosesWindowsEnabled, on);
  storeEditKeysState(on ? EditHotKeys::all : EditHotKeys());
  reinstallEditTap();
  auto menu = menuOfSender(sender);
  if (!menu) return;
  auto follows = [](const Button& b) {
    const auto tag = b.tag();
    return tag != kToggleAllTag && tag != kCtrlModifierTag && tag != kFnModifierTag;
  };
  for (const auto& item : menu->items()) {
    auto* container = containerOf(*item);
    if (!container) continue;
    if (container->associatedButton && follows(*container->associatedButton)) {
      setState(*container->associatedButton, on);
      container->associatedButton->setNeedsDisplay();
    }
    if (container->associatedButtons) {
      for (const auto& box : *container->associatedButtons) {
        if (!follows(*box)) continue;
        setState(*box, on);
        box->setNeedsDisplay();
      }
    }
    container->setNeedsDisplay();
  }
}

void MenuController::applicationToggleModifier(UIObject& sender) {
  auto* button = dynamic_cast<Button*>(&sender);
  if (!button) return;
  if (button->tag() == kCtrlModifierTag) writeBool(settings_, SettingsHelper::enableCtrlShortcut, button->isOn());
  if (button->tag() == kFnModifierTag) writeBool(settings_, SettingsHelper::enableFnShortcut, button->isOn());
  const bool isCtrl = settings_.isCtrlShortcutEnabled();
  const bool isFn = settings_.isFnShortcutEnabled();
  if (auto menu = menuOfSender(sender)) {
    updateEditMenuVisibility(isCtrl || isFn, *menu);
    updateEditMenuTitles(*menu, isCtrl, isFn);
  }
  reinstallEditTap();
}

void MenuController::applicationToggleQuitClosesWindows(UIObject& sender) {
  auto* button = dynamic_cast<Button*>(&sender);
  if (!button) return;
  writeBool(settings_, SettingsHelper::quitClosesWindowsEnabled, button->isOn());
}

void MenuController::applicationAutostart(UIObject& sender) {
  auto* button = dynamic_cast<Button*>(&sender);
  if (!button) return;
  // Without a registration service the switch cannot change what happens at login.
  const bool shown =
      host_.applicationAutostart ? host_.applicationAutostart(button->isOn()) : settings_.isAutostartEnable();
  setState(*button, shown);
}

void MenuController::openLearnedWordsList() {
  settings_.openLearnedWordsList();
}
void MenuController::openIgnoredAppsList() {
  settings_.openIgnoredAppsList();
}
void MenuController::openIgnoredShortcutsAppsList() {
  settings_.openIgnoredShortcutsAppsList();
}

void MenuController::openSupportAuthorWindow() {
  if (host_.openSupportAuthorWindow) host_.openSupportAuthorWindow();
}

void MenuController::applicationQuit() {
  if (host_.applicationQuit) host_.applicationQuit();
}

}  // namespace brisquel
