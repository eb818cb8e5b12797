// SPDX-License-Identifier: MIT
#include "menu/MenuModel.h"

#include <limits>

#include "menu/TextMetrics.h"

namespace brisquel {

bool sendAction(const Selector& action, const std::weak_ptr<ActionTarget>& target, UIObject& sender) {
  if (action.empty()) return false;
  auto receiver = target.lock();
  return receiver && receiver->performAction(action, sender);
}

bool rectContains(const Rect& rect, Point point) {
  return point.x >= rect.x && point.x < rect.x + rect.width && point.y >= rect.y && point.y < rect.y + rect.height;
}

Rect insetRect(const Rect& rect, double dx, double dy) {
  return {rect.x + dx, rect.y + dy, rect.width - 2 * dx, rect.height - 2 * dy};
}

// View

void View::addSubview(std::shared_ptr<View> view) {
  view->superview_ = weak_from_this();
  subviews_.push_back(std::move(view));
}

std::shared_ptr<MenuItem> View::enclosingMenuItem() const {
  for (const View* v = this; v != nullptr;) {
    if (auto item = v->hostingItem_.lock()) return item;
    auto parent = v->superview_.lock();
    v = parent.get();
  }
  return nullptr;
}

void View::display(Canvas& canvas) {
  draw(canvas);
  displayRequests_ = 0;
}

Point View::convertFromWindow(Point location) const {
  Point p = location;
  for (const View* v = this; v != nullptr;) {
    p.x -= v->frame_.x;
    p.y -= v->frame_.y;
    auto parent = v->superview_.lock();
    v = parent.get();
  }
  return p;
}

std::shared_ptr<View> View::hitTest(Point point) {
  if (hidden_ || !rectContains(frame_, point)) return nullptr;
  const Point local{point.x - frame_.x, point.y - frame_.y};
  for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
    if (auto hit = (*it)->hitTest(local)) return hit;
  }
  return shared_from_this();
}

// Label

Size Label::sizeThatFits(Size maxSize) const {
  Font shown = font;
  if (attributedStringValue_ && !attributedStringValue_->runs().empty()) {
    if (auto f = attributedStringValue_->runs().front().attributes.font) shown = *f;
  }
  const double maxWidth = wraps ? maxSize.width : std::numeric_limits<double>::max();
  return wrappedTextSize(stringValue_, shown, maxWidth);
}

void Label::draw(Canvas& canvas) {
  if (attributedStringValue_) {
    for (const auto& run : attributedStringValue_->runs()) {
      canvas.drawText(std::string(attributedStringValue_->text(run)), bounds(), run.attributes.font.value_or(font),
                      run.attributes.color.value_or(textColor), run.attributes.alignment.value_or(alignment));
    }
    return;
  }
  canvas.drawText(stringValue_, bounds(), font, textColor, alignment);
}

// Button

void Button::draw(Canvas& canvas) {
  const Rect box{0, (frame().height - 14) / 2, 14, 14};
  canvas.strokeRoundedRect(box, type_ == ButtonType::Radio ? 7 : 3, 1, ColorRole::SecondaryLabel);
  if (isOn())
    canvas.fillRoundedRect(insetRect(box, 3, 3), type_ == ButtonType::Radio ? 4 : 1, ColorRole::ControlAccent, 1);
  const Rect titleRect{20, 0, frame().width - 20, frame().height};
  if (attributedTitle_) {
    for (const auto& run : attributedTitle_->runs()) {
      canvas.drawText(std::string(attributedTitle_->text(run)), titleRect, run.attributes.font.value_or(font),
                      run.attributes.color.value_or(ColorRole::Label), TextAlignment::Left);
    }
    return;
  }
  if (!title_.empty()) canvas.drawText(title_, titleRect, font, ColorRole::Label, TextAlignment::Left);
}

// MenuItem

std::shared_ptr<MenuItem> MenuItem::create(std::string title, Selector action, std::string keyEquivalent) {
  return std::shared_ptr<MenuItem>(new MenuItem(std::move(title), std::move(action), std::move(keyEquivalent)));
}

std::shared_ptr<MenuItem> MenuItem::separator() {
  auto item = create();
  item->separator_ = true;
  return item;
}

void MenuItem::setSubmenu(std::shared_ptr<Menu> submenu) {
  if (submenu_) submenu_->supermenu_.reset();
  submenu_ = std::move(submenu);
  if (submenu_) {
    if (auto parent = menu_.lock()) submenu_->supermenu_ = parent;
  }
}

void MenuItem::setView(std::shared_ptr<View> view) {
  if (view_) view_->hostingItem_.reset();
  view_ = std::move(view);
  if (view_) view_->hostingItem_ = weak_from_this();
}

// Menu

std::shared_ptr<Menu> Menu::create(std::string title) {
  return std::shared_ptr<Menu>(new Menu(std::move(title)));
}

void Menu::addItem(std::shared_ptr<MenuItem> item) {
  item->menu_ = weak_from_this();
  if (item->submenu_) item->submenu_->supermenu_ = weak_from_this();
  items_.push_back(std::move(item));
}

std::shared_ptr<MenuItem> Menu::itemWithTag(std::int64_t tag) const {
  for (const auto& item : items_) {
    if (item->tag() == tag) return item;
  }
  return nullptr;
}

}  // namespace brisquel
