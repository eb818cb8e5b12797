// SPDX-License-Identifier: MIT
#include "menu/EditMenuSection.h"

#include "l10n/L10n.h"
#include "menu/MenuViews.h"

namespace brisquel {
namespace {

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (auto pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size())) {
    text.replace(pos, from.size(), to);
  }
  return text;
}

std::shared_ptr<Label> makeHeaderLabel(const std::string& text, Rect frame, Font font) {
  auto label = std::make_shared<Label>(text, frame);
  label->font = font;
  label->textColor = ColorRole::SecondaryLabel;
  label->alignment = TextAlignment::Center;
  return label;
}

std::shared_ptr<Button> makeCheckBox(const std::string& title, Rect frame, std::int64_t tag, bool on,
                                     const std::weak_ptr<ActionTarget>& target, const Selector& action) {
  auto box = std::make_shared<Button>(ButtonType::Switch, title, frame);
  box->setTag(tag);
  box->setState(on ? ControlState::On : ControlState::Off);
  box->target = target;
  box->action = action;
  return box;
}

}  // namespace

std::string modifierNotation(bool isCtrl, bool isFn) {
  if (isCtrl && isFn) return "^/FN +";
  if (isFn) return "FN +";
  return "^ +";
}

std::shared_ptr<MenuItem> makeModifiersHeaderItem(bool isAllSelected, bool isCtrl, bool isFn,
                                                  std::weak_ptr<ActionTarget> target, const Selector& toggleAction,
                                                  const Selector& modifierAction) {
  auto view = std::make_shared<StayOpenContainerView>(Rect{0, 0, kMenuRowWidth, 44});
  view->addSubview(makeHeaderLabel(L("menu.ctrl.mode_header"), {70, 24, 180, 16}, {11, FontWeight::Semibold}));
  auto arrow = makeHeaderLabel("↓", {20, 20, 14, 16}, {10, FontWeight::Bold});
  arrow->setTag(kToggleAllArrowTag);
  view->addSubview(arrow);

  auto toggleAll = makeCheckBox("", {20, 2, 20, 20}, kToggleAllTag, isAllSelected, target, toggleAction);
  auto ctrl = makeCheckBox("Ctrl ^", {95, 2, 70, 20}, kCtrlModifierTag, isCtrl, target, modifierAction);
  ctrl->font = {14, FontWeight::Medium};
  auto fn = makeCheckBox("Fn 🌐", {175, 2, 70, 20}, kFnModifierTag, isFn, target, modifierAction);
  fn->font = {14, FontWeight::Medium};
  for (const auto& box : {toggleAll, ctrl, fn}) view->addSubview(box);
  view->associatedButtons = std::vector<std::shared_ptr<Button>>{toggleAll, ctrl, fn};

  auto item = MenuItem::create();
  item->setView(view);
  item->setTag(kModifiersHeaderTag);
  return item;
}

void updateEditMenuTitles(Menu& menu, bool isCtrl, bool isFn) {
  const std::string notation = modifierNotation(isCtrl, isFn);
  for (const auto& item : menu.items()) {
    auto container = std::dynamic_pointer_cast<StayOpenContainerView>(item->view());
    if (!container || !container->associatedButton) continue;
    Button& button = *container->associatedButton;
    const auto tag = button.tag();
    if (tag == kCtrlModifierTag || tag == kFnModifierTag || tag == kToggleAllTag) continue;
    std::string title = replaceAll(button.title(), "^/FN +", "^ +");
    title = replaceAll(title, "FN +", "^ +");
    if (notation != "^ +") title = replaceAll(title, "^ +", notation);
    button.setTitle(title);
    container->setNeedsDisplay();
  }
}

void updateEditMenuVisibility(bool shouldEnableOthers, Menu& menu) {
  for (const auto& item : menu.items()) {
    const auto tag = item->tag();
    if (tag == kModifiersHeaderTag) {
      if (auto view = item->view()) {
        for (const auto& sub : view->subviews()) {
          if (sub->tag() == kToggleAllTag || sub->tag() == kToggleAllArrowTag) sub->setHidden(!shouldEnableOthers);
        }
      }
    } else if (tag == kWarningItemTag) {
      item->setHidden(shouldEnableOthers);
    } else if (tag == kIgnoredShortcutsAppsTag || tag == kNeedMoreShortcutsTag ||
               item->action == kOpenIgnoredShortcutsAppsList) {
      continue;
    } else {
      item->setHidden(!shouldEnableOthers);
    }
  }
}

}  // namespace brisquel
