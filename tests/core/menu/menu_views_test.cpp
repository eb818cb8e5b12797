// The custom rows of the status menu, driven the way the menu tracking drives
// them: pointer entry and exit, clicks at points of a row, drawing.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "menu/EditMenuSection.h"
#include "menu/MenuTracker.h"
#include "menu/MenuViews.h"
#include "sim/SimDesktop.h"

namespace brisquel {
namespace {

// Records every action it receives with the sender's tag and state.
class ActionLog final : public ActionTarget {
 public:
  struct Entry {
    Selector action;
    std::int64_t tag = -1;
    bool on = false;
  };
  bool performAction(const Selector& action, UIObject& sender) override {
    Entry entry{action};
    if (auto* button = dynamic_cast<Button*>(&sender)) {
      entry.tag = button->tag();
      entry.on = button->isOn();
    } else if (auto* item = dynamic_cast<MenuItem*>(&sender)) {
      entry.tag = item->tag();
    }
    entries.push_back(entry);
    return true;
  }
  std::vector<Entry> entries;
};

std::vector<std::string> drawn(const MenuItem& item) {
  sim::RecordingCanvas canvas;
  MenuTracker::drawRow(item, canvas);
  return canvas.commands();
}

bool contains(const std::vector<std::string>& commands, const std::string& prefix) {
  for (const auto& c : commands) {
    if (c.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

std::string joined(const std::vector<std::string>& commands) {
  std::string out;
  for (const auto& c : commands) out += c + "\n";
  return out;
}

// A one-switch row as the menu builds it: the button has no target of its own.
std::shared_ptr<MenuItem> controlRow(const std::shared_ptr<ActionLog>& log, const std::string& title, std::int64_t tag,
                                     bool on) {
  auto view = std::make_shared<StayOpenContainerView>(Rect{0, 0, 320, 24});
  auto button = std::make_shared<Button>(ButtonType::Switch, title, Rect{20, 2, 290, 20});
  button->setTag(tag);
  button->setState(on ? ControlState::On : ControlState::Off);
  view->addSubview(button);
  view->associatedButton = button;
  view->actionTarget = log;
  view->actionSelector = "rowAction:";
  auto item = MenuItem::create();
  item->setView(view);
  item->setTag(tag);
  return item;
}

struct HeaderRig {
  HeaderRig() : log(std::make_shared<ActionLog>()), menu(Menu::create()) {
    header = makeModifiersHeaderItem(true, true, false, log, "toggleAll:", "modifier:");
    menu->addItem(header);
    row = controlRow(log, "Cut: ^ + X", 65536, true);
    menu->addItem(row);
  }
  StayOpenContainerView& container() { return static_cast<StayOpenContainerView&>(*header->view()); }
  Button& box(std::int64_t tag) {
    for (const auto& b : *container().associatedButtons) {
      if (b->tag() == tag) return *b;
    }
    throw std::logic_error("no box");
  }
  std::shared_ptr<ActionLog> log;
  std::shared_ptr<Menu> menu;
  std::shared_ptr<MenuItem> header;
  std::shared_ptr<MenuItem> row;
};

TEST(StayOpenRows, ClicksInTheHeaderFindTheFirstBoxWithinTheMargins) {
  struct Case {
    const char* what;
    Point point;
    std::optional<std::int64_t> flipped;  // tag of the box that flips, none: nothing happens
  };
  const Case cases[] = {
      {"on the Fn box", {200, 12}, 101},
      {"in the right margin of Fn", {254, 12}, 101},
      {"beyond the right margin of Fn", {256, 12}, std::nullopt},
      {"below Fn within 5 points", {200, 0}, 101},
      {"above Fn within 5 points", {200, 26.5}, 101},
      {"above Fn beyond 5 points", {200, 28}, std::nullopt},
      {"where the margins of Ctrl and Fn overlap: Ctrl comes first", {170, 12}, 100},
      {"on Ctrl", {120, 12}, 100},
      {"between Toggle All and Ctrl", {65, 12}, std::nullopt},
      {"in the left margin of Toggle All", {11, 12}, 999},
      {"on the heading", {160, 35}, std::nullopt},
  };
  for (const auto& c : cases) {
    HeaderRig rig;
    MenuTracker tracker(rig.menu);
    const bool before[] = {rig.box(999).isOn(), rig.box(100).isOn(), rig.box(101).isOn()};
    tracker.click(rig.header, c.point);
    const std::int64_t tags[] = {999, 100, 101};
    std::optional<std::int64_t> flipped;
    for (int i = 0; i < 3; ++i) {
      if (rig.box(tags[i]).isOn() != before[i]) {
        EXPECT_FALSE(flipped) << c.what << ": two boxes flipped";
        flipped = tags[i];
      }
    }
    EXPECT_EQ(flipped, c.flipped) << c.what;
    if (c.flipped) {
      ASSERT_EQ(rig.log->entries.size(), 1u) << c.what;
      EXPECT_EQ(rig.log->entries[0].tag, *c.flipped) << c.what;
      EXPECT_EQ(rig.log->entries[0].action, *c.flipped == 999 ? "toggleAll:" : "modifier:") << c.what;
      EXPECT_EQ(rig.log->entries[0].on, !before[*c.flipped == 999 ? 0 : *c.flipped == 100 ? 1 : 2]) << c.what;
    } else {
      EXPECT_TRUE(rig.log->entries.empty()) << c.what;
    }
    EXPECT_TRUE(tracker.isOpen()) << c.what;
  }
}

TEST(StayOpenRows, HoverHighlightsSingleSwitchRowsOnly) {
  HeaderRig rig;
  MenuTracker tracker(rig.menu);
  // The check box draws its own mark; the row's highlight spans the row.
  const std::string highlight = "fillRoundedRect 4,1,312,22 r=6 SystemBlue a=0.1";
  const std::string anyHighlight = "fillRoundedRect 4,1,312,";
  EXPECT_FALSE(contains(drawn(*rig.row), anyHighlight));

  tracker.hover(rig.row);
  EXPECT_TRUE(contains(drawn(*rig.row), highlight)) << joined(drawn(*rig.row));
  tracker.hover(rig.header);
  EXPECT_FALSE(contains(drawn(*rig.row), anyHighlight));
  EXPECT_FALSE(contains(drawn(*rig.header), anyHighlight));

  // The header is not highlighted by the keyboard either; the row is.
  tracker.highlightByKeyboard(rig.header);
  EXPECT_FALSE(contains(drawn(*rig.header), anyHighlight));
  tracker.highlightByKeyboard(rig.row);
  EXPECT_TRUE(contains(drawn(*rig.row), highlight));

  // A disabled row never highlights.
  static_cast<StayOpenContainerView&>(*rig.row->view()).associatedButton->setEnabled(false);
  tracker.hover(rig.row);
  EXPECT_FALSE(contains(drawn(*rig.row), anyHighlight));
}

TEST(StayOpenRows, TitlesAreStyledOnEveryDrawByStateAndTag) {
  struct Case {
    const char* title;
    std::int64_t tag;
    bool on;
    std::vector<AttributedString::Run> runs;
  };
  auto attrs = [](double size, FontWeight weight, ColorRole color) {
    return TextAttributes{}.withFont({size, weight}).withColor(color);
  };
  const Case cases[] = {
      {"Cut: ^ + X",
       65536,
       true,
       {{0, 3, attrs(13, FontWeight::Medium, ColorRole::SystemBlue)},
        {3, 7, attrs(11.5, FontWeight::Bold, ColorRole::SystemGray)}}},
      {"Cut: ^ + X",
       65536,
       false,
       {{0, 3, attrs(13, FontWeight::Regular, ColorRole::SecondaryLabel)},
        {3, 7, attrs(11.5, FontWeight::Bold, ColorRole::TertiaryLabel)}}},
      {"Launch at login", 998, true, {{0, 15, attrs(13, FontWeight::Medium, ColorRole::SystemGreen)}}},
      {"Launch at login", 998, false, {{0, 15, attrs(13, FontWeight::Regular, ColorRole::SecondaryLabel)}}},
      {"Mode: a: b",
       100,
       true,
       {{0, 4, attrs(13, FontWeight::Medium, ColorRole::SystemBlue)},
        {4, 6, attrs(11.5, FontWeight::Bold, ColorRole::ControlAccent)}}},
  };
  for (const auto& c : cases) {
    auto log = std::make_shared<ActionLog>();
    auto row = controlRow(log, c.title, c.tag, c.on);
    drawn(*row);
    const auto& title = static_cast<StayOpenContainerView&>(*row->view()).associatedButton->attributedTitle();
    ASSERT_TRUE(title) << c.title;
    EXPECT_EQ(title->string(), c.title);
    EXPECT_EQ(title->runs(), c.runs) << c.title << (c.on ? " on" : " off");
  }
}

TEST(MenuRows, InfoSubmenuFitsItsWrappedTextAndListsExtraItems) {
  auto log = std::make_shared<ActionLog>();
  const std::string text = "one two three four five six seven eight nine ten eleven twelve\n\nlast";
  auto extra = makeHoverMenuItem("Support", log, "support");
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

  // Choosing the extra item closes the menu and sends its action.
  MenuTracker tracker(info->submenu());
  tracker.click(items[0], {150, 20});
  EXPECT_TRUE(tracker.isOpen());
  tracker.click(extra);
  EXPECT_FALSE(tracker.isOpen());
  ASSERT_EQ(log->entries.size(), 1u);
  EXPECT_EQ(log->entries[0].action, "support");
}

}  // namespace
}  // namespace brisquel
