// SPDX-License-Identifier: MIT
#pragma once
// The pointer in an open menu, as the system's menu tracking delivers it:
// rows entered and left, clicks inside rows (hosted views get mouse-down and
// mouse-up and the menu stays open; a standard item is chosen and the menu
// closes), and the keyboard highlight. Desktop adapters and tests drive the
// model through it.

#include <memory>
#include <vector>

#include "menu/MenuModel.h"

namespace brisquel {

class MenuTracker {
 public:
  // Opens menu: hosted views update their tracking areas.
  explicit MenuTracker(std::shared_ptr<Menu> menu);
  // Opens a submenu of an open menu; choosing an item in it closes both.
  MenuTracker openSubmenu(const std::shared_ptr<MenuItem>& item) const;

  bool isOpen() const { return *open_; }
  const std::shared_ptr<Menu>& menu() const { return menu_; }
  // The rows shown, top to bottom.
  std::vector<std::shared_ptr<MenuItem>> visibleItems() const;

  // The pointer moves to point (row coordinates, origin at the lower left) in item's row.
  void hover(const std::shared_ptr<MenuItem>& item, Point pointInRow);
  void hover(const std::shared_ptr<MenuItem>& item);  // at the row's centre
  // The pointer leaves the menu.
  void moveOff();
  // The keyboard selects item (arrow keys): it alone is highlighted.
  void highlightByKeyboard(const std::shared_ptr<MenuItem>& item);

  // A click at point in item's row; false when nothing received it.
  bool click(const std::shared_ptr<MenuItem>& item, Point pointInRow);
  // A click at the row's centre (choosing a standard item).
  bool click(const std::shared_ptr<MenuItem>& item);

  // The row's size as laid out.
  static Size rowSize(const MenuItem& item);
  // Draws the row's hosted views, parents before children.
  static void drawRow(const MenuItem& item, Canvas& canvas);

 private:
  MenuTracker(std::shared_ptr<Menu> menu, std::shared_ptr<bool> open);
  bool isShown(const std::shared_ptr<MenuItem>& item) const;
  void leaveCurrent();
  void close();

  std::shared_ptr<Menu> menu_;
  std::shared_ptr<bool> open_;
  std::shared_ptr<MenuItem> hovered_;
  Point hoveredPoint_;
};

}  // namespace brisquel
