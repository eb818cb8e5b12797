// SPDX-License-Identifier: MIT
// The custom rows of the running program's shortcut menu, driven the way the
// menu tracking drives them: clicks at points of a row, hover, drawing.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "MenuFixture.h"

namespace brisquel::testing {
namespace {

std::vector<std::string> drawn(const MenuItem& item) {
  sim::RecordingCanvas canvas;
  MenuTracker::drawRow(item, canvas);
  return canvas.commands();
}

// The row's highlight as drawn, or "" when there is none.
std::string highlight(const MenuItem& item) {
  for (const auto& c : drawn(item)) {
    if (c.rfind("fillRoundedRect 4,1,312,", 0) == 0) return c;
  }
  return "";
}

TEST_F(MenuProgramTest, ClicksInTheHeaderFindTheFirstBoxWithinTheMargins) {
  struct Case {
    const char* what;
    Point point;
    std::optional<std::int64_t> flipped;  // tag of the box that flips, none: nothing happens
  };
  const Case cases[] = {
      {"on the Fn box", {200, 12}, kFnModifierTag},
      {"in the right margin of Fn", {254, 12}, kFnModifierTag},
      {"beyond the right margin of Fn", {256, 12}, std::nullopt},
      {"below Fn within 5 points", {200, 0}, kFnModifierTag},
      {"above Fn within 5 points", {200, 26.5}, kFnModifierTag},
      {"above Fn beyond 5 points", {200, 28}, std::nullopt},
      {"where the margins of Ctrl and Fn overlap: Ctrl comes first", {170, 12}, kCtrlModifierTag},
      {"on Ctrl", {120, 12}, kCtrlModifierTag},
      {"between Toggle All and Ctrl", {65, 12}, std::nullopt},
      {"in the left margin of Toggle All", {11, 12}, kToggleAllTag},
      {"on the heading", {160, 35}, std::nullopt},
  };
  start();
  MenuTracker edit(editMenu());
  const std::int64_t tags[] = {kToggleAllTag, kCtrlModifierTag, kFnModifierTag};
  for (const auto& c : cases) {
    bool before[3];
    for (int i = 0; i < 3; ++i) before[i] = headerBox(tags[i]).isOn();
    edit.click(row(editMenu(), kModifiersHeaderTag), c.point);
    std::optional<std::int64_t> flipped;
    for (int i = 0; i < 3; ++i) {
      if (headerBox(tags[i]).isOn() != before[i]) {
        EXPECT_FALSE(flipped) << c.what << ": two boxes flipped";
        flipped = tags[i];
      }
    }
    EXPECT_EQ(flipped, c.flipped) << c.what;
    EXPECT_TRUE(edit.isOpen()) << c.what;
    // A second click at the same point flips the box back for the next case.
    if (flipped) edit.click(row(editMenu(), kModifiersHeaderTag), c.point);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(headerBox(tags[i]).isOn(), before[i]) << c.what;
  }
}

TEST_F(MenuProgramTest, HoverHighlightsSingleSwitchRowsOnly) {
  start();
  MenuTracker edit(editMenu());
  const auto cut = row(editMenu(), 65536);
  const auto header = row(editMenu(), kModifiersHeaderTag);
  const std::string lit = "fillRoundedRect 4,1,312,22 r=6 SystemBlue a=0.1";
  EXPECT_EQ(highlight(*cut), "");
  edit.hover(cut);
  EXPECT_EQ(highlight(*cut), lit);
  edit.hover(header);
  EXPECT_EQ(highlight(*cut), "");
  EXPECT_EQ(highlight(*header), "");
  // The header is not highlighted by the keyboard either; the row is.
  edit.highlightByKeyboard(header);
  EXPECT_EQ(highlight(*header), "");
  edit.highlightByKeyboard(cut);
  EXPECT_EQ(highlight(*cut), lit);
}

TEST(MenuRows, InfoSubmenuFitsItsWrappedTextAndListsExtraItems) {
  const std::string text = "one two three four five six seven eight nine ten eleven twelve\n\nlast";
  auto extra = makeHoverMenuItem("Support", {}, "support");
  auto info = makeInfoSubmenuItem("About", text, 300, {extra});
  ASSERT_TRUE(info->submenu());
  const auto& items = info->submenu()->items();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_TRUE(items[1]->isSeparatorItem());
  EXPECT_EQ(items[2], extra);

  auto view = items[0]->view();
  auto* label = dynamic_cast<Label*>(view->subviews().at(0).get());
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->stringValue(), text);
  EXPECT_TRUE(label->wraps);
  EXPECT_TRUE(label->selectable);
  EXPECT_TRUE(label->allowsEditingTextAttributes);
  // 260 points hold 33 graphemes of 13 pt: the first paragraph takes two lines, then an empty one and "last".
  const double lineHeight = 1.2 * 13;
  EXPECT_EQ(label->frame(), (Rect{20, 10, 260, 4 * lineHeight}));
  EXPECT_EQ(view->frame(), (Rect{0, 0, 300, 4 * lineHeight + 20}));
  // A click on the text keeps the menu open.
  MenuTracker tracker(info->submenu());
  tracker.click(items[0], {150, 20});
  EXPECT_TRUE(tracker.isOpen());
}

}  // namespace
}  // namespace brisquel::testing
