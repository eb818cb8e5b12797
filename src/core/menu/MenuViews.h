// SPDX-License-Identifier: MIT
#pragma once
// The custom rows of the status menu: a row whose check boxes act without
// closing the menu, a dashed separator, and the factories of the
// non-interactive rows.

#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "menu/MenuModel.h"

namespace brisquel {

inline constexpr double kMenuRowWidth = 320;
inline constexpr std::int64_t kWarningItemTag = 100101;

// A row hosting one check box (or several) that flips on a click while the
// menu stays open, with a hover highlight and styled titles.
class StayOpenContainerView : public View {
 public:
  // How far around a button a click still counts as on it.
  static constexpr double kClickMarginX = 10;
  static constexpr double kClickMarginY = 5;
  static constexpr double kHighlightAlpha = 0.1;

  explicit StayOpenContainerView(Rect frame) : View(frame) {}

  std::shared_ptr<Button> associatedButton;
  std::optional<std::vector<std::shared_ptr<Button>>> associatedButtons;
  std::weak_ptr<ActionTarget> actionTarget;
  std::optional<Selector> actionSelector;
  std::optional<TrackingArea> trackingArea;
  bool isHovered = false;

  void updateTrackingAreas() override;
  void mouseEntered(const MouseEvent& event) override;
  void mouseExited(const MouseEvent& event) override;
  // Keeps every click for the row itself, so its buttons never track the mouse.
  std::shared_ptr<View> hitTest(Point point) override;
  bool acceptsFirstMouse() const override { return true; }
  void mouseDown(const MouseEvent& event) override;
  void mouseUp(const MouseEvent& event) override;

  // Whether the row shows its hover highlight now.
  bool isHighlightShown() const;

 protected:
  void draw(Canvas& canvas) override;

 private:
  bool isEnabled() const;
  void flipAndSend(Button& button);
};

class DashedSeparatorView : public View {
 public:
  static constexpr double kInsetX = 20;
  explicit DashedSeparatorView(Rect frame) : View(frame) {}

 protected:
  void draw(Canvas& canvas) override;
};

// A centred note over a dashed line, 320 x 48, tagged 100101.
std::shared_ptr<MenuItem> makeWarningMenuItem(const std::string& title);
// A centred small heading, 320 x 22, without action or tag.
std::shared_ptr<MenuItem> makeSectionHeaderItem(const std::string& title);
// A standard item that highlights under the pointer and closes the menu when chosen.
std::shared_ptr<MenuItem> makeHoverMenuItem(const std::string& title, std::weak_ptr<ActionTarget> target,
                                            const Selector& action);

using InfoText = std::variant<std::monostate, std::string, AttributedString>;
// An item whose submenu shows a block of wrapped (and, when attributed, linked) text.
std::shared_ptr<MenuItem> makeInfoSubmenuItem(const std::string& title, const InfoText& infoText, double width,
                                              const std::vector<std::shared_ptr<MenuItem>>& extraItems);

// The system font at 13 pt, used by every standard row title.
AttributedString systemTitle(const std::string& title);

}  // namespace brisquel
