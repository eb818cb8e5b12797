// SPDX-License-Identifier: MIT
#include "menu/MenuViews.h"

#include <limits>

namespace brisquel {
namespace {

constexpr std::int64_t kLaunchAtLoginTag = 998;
constexpr std::int64_t kCtrlTag = 100;
constexpr std::int64_t kFnTag = 101;

void flip(Button& button) {
  button.setState(button.isOn() ? ControlState::Off : ControlState::On);
}

}  // namespace

AttributedString systemTitle(const std::string& title) {
  return AttributedString(title, TextAttributes{}.withFont({13, FontWeight::Regular}));
}

// StayOpenContainerView

void StayOpenContainerView::updateTrackingAreas() {
  View::updateTrackingAreas();
  if (trackingArea) {
    removeTrackingAreas();
    trackingArea.reset();
  }
  trackingArea = TrackingArea{bounds(), kTrackingMouseEnteredAndExited | kTrackingActiveAlways};
  addTrackingArea(*trackingArea);
}

void StayOpenContainerView::mouseEntered(const MouseEvent&) {
  isHovered = true;
  setNeedsDisplay();
}

void StayOpenContainerView::mouseExited(const MouseEvent&) {
  isHovered = false;
  setNeedsDisplay();
}

std::shared_ptr<View> StayOpenContainerView::hitTest(Point) {
  return shared_from_this();
}

void StayOpenContainerView::mouseDown(const MouseEvent&) {}

void StayOpenContainerView::flipAndSend(Button& button) {
  flip(button);
  if (auto target = button.target.lock(); target && !button.action.empty()) {
    sendAction(button.action, button.target, button);
  } else if (actionSelector && !actionTarget.expired()) {
    sendAction(*actionSelector, actionTarget, button);
  }
}

void StayOpenContainerView::mouseUp(const MouseEvent& event) {
  const Point point = convertFromWindow(event.locationInWindow);
  if (!rectContains(bounds(), point)) return;
  if (associatedButtons) {
    std::shared_ptr<Button> clicked;
    for (const auto& button : *associatedButtons) {
      // A hidden box (Toggle All while no modifier is selected) must not act unseen.
      if (button->isHidden()) continue;
      if (rectContains(insetRect(button->frame(), -kClickMarginX, -kClickMarginY), point)) {
        clicked = button;
        break;
      }
    }
    if (!clicked || !clicked->isEnabled()) return;
    flipAndSend(*clicked);
    setNeedsDisplay();
    return;
  }
  if (associatedButton && associatedButton->isEnabled()) {
    // Keep the button alive even if the action rebuilds the row.
    auto button = associatedButton;
    flipAndSend(*button);
    setNeedsDisplay();
  }
}

bool StayOpenContainerView::isEnabled() const {
  if (associatedButton) return associatedButton->isEnabled();
  if (associatedButtons) {
    for (const auto& button : *associatedButtons) {
      if (button->isEnabled()) return true;
    }
    return false;
  }
  return true;
}

bool StayOpenContainerView::isHighlightShown() const {
  if (associatedButtons || !isEnabled()) return false;
  auto item = enclosingMenuItem();
  return (item && item->isHighlighted()) || isHovered;
}

void StayOpenContainerView::draw(Canvas& canvas) {
  if (isHighlightShown()) {
    canvas.fillRoundedRect(insetRect(bounds(), 4, 1), 6, ColorRole::SystemBlue, kHighlightAlpha);
  }
  if (!associatedButton) return;
  Button& button = *associatedButton;
  const bool isOn = button.isOn();
  const std::string title = button.title();
  ColorRole color = ColorRole::SecondaryLabel;
  if (isOn) color = button.tag() == kLaunchAtLoginTag ? ColorRole::SystemGreen : ColorRole::SystemBlue;
  AttributedString styled(
      title, TextAttributes{}.withFont({13, isOn ? FontWeight::Medium : FontWeight::Regular}).withColor(color));
  if (auto colon = title.find(": "); colon != std::string::npos) {
    ColorRole detail = ColorRole::TertiaryLabel;
    if (isOn)
      detail = button.tag() == kCtrlTag || button.tag() == kFnTag ? ColorRole::ControlAccent : ColorRole::SystemGray;
    styled.addAttributes(colon, title.size() - colon,
                         TextAttributes{}.withFont({11.5, FontWeight::Bold}).withColor(detail));
  }
  button.setAttributedTitle(std::move(styled));
}

// DashedSeparatorView

void DashedSeparatorView::draw(Canvas& canvas) {
  const Rect b = bounds();
  const double y = b.height / 2;
  canvas.strokeLine({kInsetX, y}, {b.width - kInsetX, y}, 1, ColorRole::Separator, {3, 3}, 0);
}

// Factories

namespace {

std::shared_ptr<Label> centredLabel(const std::string& title, Rect frame, FontWeight weight, ColorRole color) {
  auto label = std::make_shared<Label>(title, frame);
  label->font = Font{11, weight};
  label->textColor = color;
  label->alignment = TextAlignment::Center;
  return label;
}

}  // namespace

std::shared_ptr<MenuItem> makeWarningMenuItem(const std::string& title) {
  auto item = MenuItem::create();
  auto view = std::make_shared<View>(Rect{0, 0, kMenuRowWidth, 48});
  auto label = centredLabel(title, Rect{10, 11, 300, 26}, FontWeight::Medium, ColorRole::Label);
  label->wraps = true;
  view->addSubview(label);
  view->addSubview(std::make_shared<DashedSeparatorView>(Rect{0, 0, kMenuRowWidth, 11}));
  item->setView(view);
  item->setTag(kWarningItemTag);
  return item;
}

std::shared_ptr<MenuItem> makeSectionHeaderItem(const std::string& title) {
  auto item = MenuItem::create();
  auto view = std::make_shared<View>(Rect{0, 0, kMenuRowWidth, 22});
  view->addSubview(centredLabel(title, Rect{70, 3, 180, 16}, FontWeight::Semibold, ColorRole::SecondaryLabel));
  item->setView(view);
  return item;
}

std::shared_ptr<MenuItem> makeHoverMenuItem(const std::string& title, std::weak_ptr<ActionTarget> target,
                                            const Selector& action) {
  auto item = MenuItem::create(title, action, "");
  item->target = std::move(target);
  item->setAttributedTitle(systemTitle(title));
  return item;
}

std::shared_ptr<MenuItem> makeInfoSubmenuItem(const std::string& title, const InfoText& infoText, double width,
                                              const std::vector<std::shared_ptr<MenuItem>>& extraItems) {
  auto item = MenuItem::create(title, "", "");
  item->setAttributedTitle(systemTitle(title));

  auto submenu = Menu::create();
  auto textItem = MenuItem::create();
  auto label = std::make_shared<Label>("");
  if (const auto* attributed = std::get_if<AttributedString>(&infoText)) {
    label->setAttributedStringValue(*attributed);
  } else if (const auto* plain = std::get_if<std::string>(&infoText)) {
    label->setStringValue(*plain);
    label->font = Font{13, FontWeight::Regular};
    label->textColor = ColorRole::Label;
  }
  label->editable = false;
  label->bordered = false;
  label->drawsBackground = false;
  label->wraps = true;
  label->selectable = true;
  label->allowsEditingTextAttributes = true;

  const double textWidth = width - 40;
  label->preferredMaxLayoutWidth = textWidth;
  const Size fitted = label->sizeThatFits({textWidth, std::numeric_limits<double>::max()});
  auto view = std::make_shared<View>(Rect{0, 0, width, fitted.height + 20});
  label->setFrame({20, 10, textWidth, fitted.height});
  view->addSubview(label);
  textItem->setView(view);
  submenu->addItem(textItem);

  if (!extraItems.empty()) {
    submenu->addItem(MenuItem::separator());
    for (const auto& extra : extraItems) submenu->addItem(extra);
  }
  item->setSubmenu(submenu);
  return item;
}

}  // namespace brisquel
