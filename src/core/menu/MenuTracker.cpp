// SPDX-License-Identifier: MIT
#include "menu/MenuTracker.h"

#include <algorithm>
#include <functional>

namespace brisquel {
namespace {

constexpr double kStandardRowHeight = 22;
constexpr double kSeparatorRowHeight = 12;
constexpr double kStandardRowWidth = 320;

void forEachView(View& view, const std::function<void(View&)>& visit) {
  visit(view);
  for (const auto& sub : view.subviews()) forEachView(*sub, visit);
}

bool inTrackingArea(const View& view, Point pointInRow) {
  const Point local = view.convertFromWindow(pointInRow);
  return std::any_of(view.trackingAreas().begin(), view.trackingAreas().end(),
                     [&](const TrackingArea& area) { return rectContains(area.rect, local); });
}

}  // namespace

MenuTracker::MenuTracker(std::shared_ptr<Menu> menu) : MenuTracker(std::move(menu), std::make_shared<bool>(true)) {}

MenuTracker::MenuTracker(std::shared_ptr<Menu> menu, std::shared_ptr<bool> open)
    : menu_(std::move(menu)), open_(std::move(open)) {
  for (const auto& item : menu_->items()) {
    item->setHighlighted(false);
    if (auto view = item->view()) forEachView(*view, [](View& v) { v.updateTrackingAreas(); });
  }
}

MenuTracker MenuTracker::openSubmenu(const std::shared_ptr<MenuItem>& item) const {
  return MenuTracker(item->submenu(), open_);
}

bool MenuTracker::isShown(const std::shared_ptr<MenuItem>& item) const {
  return *open_ && item && !item->isHidden() && item->menu() == menu_;
}

std::vector<std::shared_ptr<MenuItem>> MenuTracker::visibleItems() const {
  std::vector<std::shared_ptr<MenuItem>> out;
  for (const auto& item : menu_->items()) {
    if (!item->isHidden()) out.push_back(item);
  }
  return out;
}

Size MenuTracker::rowSize(const MenuItem& item) {
  if (auto view = item.view()) return {view->frame().width, view->frame().height};
  return {kStandardRowWidth, item.isSeparatorItem() ? kSeparatorRowHeight : kStandardRowHeight};
}

void MenuTracker::leaveCurrent() {
  if (!hovered_) return;
  hovered_->setHighlighted(false);
  if (auto view = hovered_->view()) {
    forEachView(*view, [&](View& v) {
      if (inTrackingArea(v, hoveredPoint_)) v.mouseExited(MouseEvent{hoveredPoint_});
    });
  }
  hovered_.reset();
}

void MenuTracker::hover(const std::shared_ptr<MenuItem>& item, Point pointInRow) {
  if (!isShown(item)) return;
  if (hovered_ != item) leaveCurrent();
  for (const auto& other : menu_->items()) other->setHighlighted(false);
  hovered_ = item;
  hoveredPoint_ = pointInRow;
  if (auto view = item->view()) {
    forEachView(*view, [&](View& v) {
      if (inTrackingArea(v, pointInRow)) v.mouseEntered(MouseEvent{pointInRow});
    });
  } else if (item->isEnabled() && !item->isSeparatorItem()) {
    item->setHighlighted(true);
  }
}

void MenuTracker::hover(const std::shared_ptr<MenuItem>& item) {
  const Size size = rowSize(*item);
  hover(item, {size.width / 2, size.height / 2});
}

void MenuTracker::moveOff() {
  leaveCurrent();
}

void MenuTracker::highlightByKeyboard(const std::shared_ptr<MenuItem>& item) {
  for (const auto& other : menu_->items()) other->setHighlighted(other == item && isShown(item));
}

void MenuTracker::close() {
  leaveCurrent();
  for (const auto& item : menu_->items()) item->setHighlighted(false);
  *open_ = false;
}

bool MenuTracker::click(const std::shared_ptr<MenuItem>& item, Point pointInRow) {
  if (!isShown(item)) return false;
  hover(item, pointInRow);
  if (auto view = item->view()) {
    auto hit = view->hitTest(pointInRow);
    if (!hit) return false;
    const MouseEvent event{pointInRow};
    hit->mouseDown(event);
    hit->mouseUp(event);
    return true;
  }
  if (item->isSeparatorItem() || item->submenu() || item->action.empty()) return false;
  // The menu closes before the action runs, as a chosen item does.
  close();
  sendAction(item->action, item->target, *item);
  return true;
}

bool MenuTracker::click(const std::shared_ptr<MenuItem>& item) {
  const Size size = rowSize(*item);
  return click(item, {size.width / 2, size.height / 2});
}

void MenuTracker::drawRow(const MenuItem& item, Canvas& canvas) {
  if (auto view = item.view()) {
    forEachView(*view, [&](View& v) {
      if (!v.isHidden()) v.display(canvas);
    });
  }
}

}  // namespace brisquel
