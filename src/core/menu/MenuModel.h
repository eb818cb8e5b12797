// SPDX-License-Identifier: MIT
#pragma once
// The menu model the status item shows: menus and their items, views hosted
// in items, labels and buttons, with target/action dispatch. An adapter
// renders it and forwards the user's pointer into it (see MenuTracker).
//
// Coordinates are in points with the origin at the lower left of the
// enclosing view (y grows upwards).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "menu/AttributedString.h"
#include "platform/UserInterface.h"

namespace brisquel {

class Menu;
class MenuItem;

// Anything that can send an action: menu items and controls.
class UIObject {
 public:
  virtual ~UIObject() = default;
};

// An action's name, as "applicationSetWinEditKey:"; empty means no action.
using Selector = std::string;

// A receiver of actions.
class ActionTarget {
 public:
  virtual ~ActionTarget() = default;
  // Answers false when the target does not know the action.
  virtual bool performAction(const Selector& action, UIObject& sender) = 0;
};

// Sends action to target with sender, as the application does for a control.
bool sendAction(const Selector& action, const std::weak_ptr<ActionTarget>& target, UIObject& sender);

struct MouseEvent {
  Point locationInWindow;  // the coordinate space of the row the view is hosted in
};

inline constexpr unsigned kTrackingMouseEnteredAndExited = 0x01;
inline constexpr unsigned kTrackingActiveAlways = 0x80;

struct TrackingArea {
  Rect rect;
  unsigned options = 0;
};

bool rectContains(const Rect& rect, Point point);
Rect insetRect(const Rect& rect, double dx, double dy);

class View : public UIObject, public std::enable_shared_from_this<View> {
 public:
  explicit View(Rect frame = {}) : frame_(frame) {}

  Rect frame() const { return frame_; }
  void setFrame(Rect frame) { frame_ = frame; }
  Rect bounds() const { return {0, 0, frame_.width, frame_.height}; }

  std::int64_t tag() const { return tag_; }
  void setTag(std::int64_t tag) { tag_ = tag; }
  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden) { hidden_ = hidden; }

  void addSubview(std::shared_ptr<View> view);
  const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
  std::shared_ptr<View> superview() const { return superview_.lock(); }
  // The menu item hosting this view or one of its ancestors.
  std::shared_ptr<MenuItem> enclosingMenuItem() const;

  // Redisplay requests since the view was last drawn.
  void setNeedsDisplay() { ++displayRequests_; }
  int displayRequests() const { return displayRequests_; }
  // Draws the view (not its subviews) and clears the redisplay requests.
  void display(Canvas& canvas);

  Point convertFromWindow(Point location) const;

  // point is in the superview's coordinates; answers the deepest visible
  // view containing it.
  virtual std::shared_ptr<View> hitTest(Point point);
  virtual bool acceptsFirstMouse() const { return false; }
  virtual void mouseDown(const MouseEvent&) {}
  virtual void mouseUp(const MouseEvent&) {}
  virtual void mouseEntered(const MouseEvent&) {}
  virtual void mouseExited(const MouseEvent&) {}
  virtual void updateTrackingAreas() {}
  const std::vector<TrackingArea>& trackingAreas() const { return trackingAreas_; }

 protected:
  virtual void draw(Canvas&) {}
  void addTrackingArea(const TrackingArea& area) { trackingAreas_.push_back(area); }
  void removeTrackingAreas() { trackingAreas_.clear(); }

 private:
  friend class MenuItem;
  Rect frame_;
  std::int64_t tag_ = 0;
  bool hidden_ = false;
  int displayRequests_ = 0;
  std::vector<std::shared_ptr<View>> subviews_;
  std::weak_ptr<View> superview_;
  std::weak_ptr<MenuItem> hostingItem_;
  std::vector<TrackingArea> trackingAreas_;
};

// A non-editable text field used as a label.
class Label : public View {
 public:
  explicit Label(std::string text = {}, Rect frame = {}) : View(frame), stringValue_(std::move(text)) {}

  const std::string& stringValue() const { return stringValue_; }
  void setStringValue(std::string text) {
    stringValue_ = std::move(text);
    attributedStringValue_.reset();
  }
  // The attributed value, or none when the plain value is shown.
  const std::optional<AttributedString>& attributedStringValue() const { return attributedStringValue_; }
  void setAttributedStringValue(AttributedString text) {
    stringValue_ = text.string();
    attributedStringValue_ = std::move(text);
  }

  Font font{13, FontWeight::Regular};
  ColorRole textColor = ColorRole::Label;
  TextAlignment alignment = TextAlignment::Left;
  bool editable = false;
  bool bordered = false;
  bool drawsBackground = false;
  bool wraps = false;
  bool selectable = false;
  bool allowsEditingTextAttributes = false;
  double preferredMaxLayoutWidth = 0;

  // The size the text needs within maxSize (wrapping when wraps is set).
  Size sizeThatFits(Size maxSize) const;

 protected:
  void draw(Canvas& canvas) override;

 private:
  std::string stringValue_;
  std::optional<AttributedString> attributedStringValue_;
};

enum class ButtonType { Push, Switch, Radio };  // Switch is a check box
enum class ControlState { Off = 0, On = 1, Mixed = -1 };

class Button : public View {
 public:
  Button(ButtonType type, std::string title, Rect frame = {}) : View(frame), type_(type), title_(std::move(title)) {}

  ButtonType type() const { return type_; }
  const std::string& title() const { return title_; }
  void setTitle(std::string title) {
    title_ = std::move(title);
    attributedTitle_.reset();
  }
  // The attributed title, or none when the plain title is shown.
  const std::optional<AttributedString>& attributedTitle() const { return attributedTitle_; }
  void setAttributedTitle(AttributedString title) {
    title_ = title.string();
    attributedTitle_ = std::move(title);
  }

  ControlState state() const { return state_; }
  void setState(ControlState state) { state_ = state; }
  bool isOn() const { return state_ == ControlState::On; }
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled) { enabled_ = enabled; }

  Font font{13, FontWeight::Regular};
  std::weak_ptr<ActionTarget> target;
  Selector action;

 protected:
  void draw(Canvas& canvas) override;

 private:
  ButtonType type_;
  std::string title_;
  std::optional<AttributedString> attributedTitle_;
  ControlState state_ = ControlState::Off;
  bool enabled_ = true;
};

class MenuItem : public UIObject, public std::enable_shared_from_this<MenuItem> {
 public:
  static std::shared_ptr<MenuItem> create(std::string title = {}, Selector action = {}, std::string keyEquivalent = {});
  static std::shared_ptr<MenuItem> separator();

  bool isSeparatorItem() const { return separator_; }
  const std::string& title() const { return title_; }
  void setTitle(std::string title) { title_ = std::move(title); }
  const std::optional<AttributedString>& attributedTitle() const { return attributedTitle_; }
  void setAttributedTitle(AttributedString title) { attributedTitle_ = std::move(title); }
  const std::string& keyEquivalent() const { return keyEquivalent_; }

  std::int64_t tag() const { return tag_; }
  void setTag(std::int64_t tag) { tag_ = tag; }
  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden) { hidden_ = hidden; }
  bool isHighlighted() const { return highlighted_; }
  void setHighlighted(bool highlighted) { highlighted_ = highlighted; }

  std::weak_ptr<ActionTarget> target;
  Selector action;

  std::shared_ptr<Menu> submenu() const { return submenu_; }
  void setSubmenu(std::shared_ptr<Menu> submenu);
  std::shared_ptr<View> view() const { return view_; }
  void setView(std::shared_ptr<View> view);
  // The menu holding this item.
  std::shared_ptr<Menu> menu() const { return menu_.lock(); }

  // Without a custom view, an item is enabled when it has a submenu or an action.
  bool isEnabled() const { return submenu_ || !action.empty(); }

 protected:
  MenuItem(std::string title, Selector selector, std::string keyEquivalent)
      : action(std::move(selector)), title_(std::move(title)), keyEquivalent_(std::move(keyEquivalent)) {}

 private:
  friend class Menu;
  bool separator_ = false;
  std::string title_;
  std::optional<AttributedString> attributedTitle_;
  std::string keyEquivalent_;
  std::int64_t tag_ = 0;
  bool hidden_ = false;
  bool highlighted_ = false;
  std::shared_ptr<Menu> submenu_;
  std::shared_ptr<View> view_;
  std::weak_ptr<Menu> menu_;
};

class Menu : public std::enable_shared_from_this<Menu> {
 public:
  static std::shared_ptr<Menu> create(std::string title = {});

  const std::string& title() const { return title_; }
  void addItem(std::shared_ptr<MenuItem> item);
  const std::vector<std::shared_ptr<MenuItem>>& items() const { return items_; }
  // The first item with the tag, or null.
  std::shared_ptr<MenuItem> itemWithTag(std::int64_t tag) const;
  std::shared_ptr<Menu> supermenu() const { return supermenu_.lock(); }

  Font font{13, FontWeight::Regular};

 private:
  friend class MenuItem;
  explicit Menu(std::string title) : title_(std::move(title)) {}
  std::string title_;
  std::vector<std::shared_ptr<MenuItem>> items_;
  std::weak_ptr<Menu> supermenu_;
};

}  // namespace brisquel
