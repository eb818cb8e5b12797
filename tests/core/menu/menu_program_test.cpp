// SPDX-License-Identifier: MIT
// The status menu of the running program: what a user sees in it and what
// each click changes, on the simulated desktop.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "MenuFixture.h"
#include "layouts/MenuBarIndicator.h"
#include "settings/SettingsHelper.h"

namespace brisquel::testing {
namespace {

// The shortcut rows in menu order.
constexpr std::int64_t kShortcutTags[] = {1,  16384, 65536, 2,   32768, 8,   4,    16,  131072,
                                          32, 8192,  64,    128, 256,   512, 1024, 4096};

std::vector<std::string> shortcutTitles(const std::shared_ptr<Menu>& menu) {
  std::vector<std::string> out;
  for (auto tag : kShortcutTags) {
    auto item = menu->itemWithTag(tag);
    auto* row = item ? dynamic_cast<StayOpenContainerView*>(item->view().get()) : nullptr;
    out.push_back(row && row->associatedButton ? row->associatedButton->title() : "<missing>");
  }
  return out;
}

std::vector<std::string> hiddenRows(const Menu& menu) {
  std::vector<std::string> out;
  for (const auto& item : menu.items()) {
    if (item->isHidden()) out.push_back(std::to_string(item->tag()));
  }
  return out;
}

// A shortcut row changes the very next key press; with the default
// selection, one row off unticks Toggle All and on again ticks it.
TEST_F(MenuProgramTest, ToggleAllFollowsEveryShortcutIncludingTheSpareBit) {
  start();
  auto* editor = desktop.application(kEditorID);
  ASSERT_TRUE(editor);
  MenuTracker tracker(topMenu());
  MenuTracker edit = tracker.openSubmenu(topMenu()->items().at(1));
  const auto copy = [&] {
    editor->clearLog();
    EXPECT_TRUE(desktop.press("ctrl+c"));
    return editor->shortcutLog();
  };
  EXPECT_EQ(copy(), "cmd+c");
  edit.click(row(editMenu(), 2));  // Copy off
  EXPECT_EQ(copy(), "ctrl+c");
  EXPECT_FALSE(headerBox(kToggleAllTag).isOn());
  EXPECT_EQ(stored(SettingsHelper::winEditHotKeys), DefaultsValue(std::int64_t{0x3FFFF & ~2}));
  edit.click(row(editMenu(), 2));  // on again
  EXPECT_EQ(copy(), "cmd+c");
  EXPECT_TRUE(headerBox(kToggleAllTag).isOn());

  clickHeaderBox(edit, kToggleAllTag);  // off
  EXPECT_FALSE(headerBox(kToggleAllTag).isOn());
  for (auto tag : kShortcutTags) EXPECT_FALSE(box(row(editMenu(), tag)).isOn()) << tag;
  EXPECT_FALSE(box(row(editMenu(), 996)).isOn());
  EXPECT_TRUE(headerBox(kCtrlModifierTag).isOn()) << "modifiers keep their state";
  EXPECT_EQ(stored(SettingsHelper::winEditHotKeys), DefaultsValue(std::int64_t{0}));
  EXPECT_EQ(stored(SettingsHelper::quitClosesWindowsEnabled), DefaultsValue(false));

  for (auto tag : kShortcutTags) edit.click(row(editMenu(), tag));
  EXPECT_FALSE(headerBox(kToggleAllTag).isOn()) << "bit 11 is still clear";
  EXPECT_EQ(stored(SettingsHelper::winEditHotKeys), DefaultsValue(std::int64_t{0x3FFFF & ~2048}));

  clickHeaderBox(edit, kToggleAllTag);  // on
  EXPECT_TRUE(headerBox(kToggleAllTag).isOn());
  EXPECT_TRUE(box(row(editMenu(), 996)).isOn()) << "Toggle All also switches Close Finder windows";
  EXPECT_EQ(stored(SettingsHelper::winEditHotKeys), DefaultsValue(std::int64_t{0x3FFFF}));
  EXPECT_EQ(stored(SettingsHelper::quitClosesWindowsEnabled), DefaultsValue(true));
  EXPECT_TRUE(edit.isOpen());
}

TEST_F(MenuProgramTest, WithoutAModifierOnlyTheModifierBoxesTheWarningAndTheListRowsShow) {
  start();
  MenuTracker edit(editMenu());
  const auto english = shortcutTitles(editMenu());

  clickHeaderBox(edit, kCtrlModifierTag);  // neither modifier now
  EXPECT_EQ(stored(SettingsHelper::enableCtrlShortcut), DefaultsValue(false));
  std::vector<std::string> shown;
  for (const auto& item : edit.visibleItems()) shown.push_back(std::to_string(item->tag()));
  EXPECT_EQ(shown, (std::vector<std::string>{"100100", "100101", "888", "889"}));
  EXPECT_TRUE(headerBox(kToggleAllTag).isHidden());
  EXPECT_FALSE(headerBox(kCtrlModifierTag).isHidden());
  EXPECT_FALSE(headerBox(kFnModifierTag).isHidden());
  for (const auto& sub : row(editMenu(), kModifiersHeaderTag)->view()->subviews()) {
    if (sub->tag() == kToggleAllArrowTag) {
      EXPECT_TRUE(sub->isHidden()) << "the arrow above Toggle All";
    }
  }
  // The hidden Toggle All box does not react to a click where it was.
  clickHeaderBox(edit, kToggleAllTag);
  EXPECT_TRUE(headerBox(kToggleAllTag).isOn());

  clickHeaderBox(edit, kFnModifierTag);  // Fn only
  EXPECT_EQ(hiddenRows(*editMenu()), std::vector<std::string>{"100101"});
  EXPECT_FALSE(headerBox(kToggleAllTag).isHidden());
  EXPECT_EQ(box(row(editMenu(), 65536)).title(), "Cut: FN + X");

  clickHeaderBox(edit, kCtrlModifierTag);  // both
  EXPECT_EQ(box(row(editMenu(), 4096)).title(), "Activity Monitor: ^/FN + ⌥ + Del");
  clickHeaderBox(edit, kFnModifierTag);  // Control only again
  EXPECT_EQ(shortcutTitles(editMenu()), english);
  EXPECT_EQ(box(row(editMenu(), 996)).title(), "Close Finder windows: ^ + Q");
}

// A stored method outside the five leaves every radio row off until one is clicked.
TEST_F(MenuProgramTest, TheSwitchingMethodRowsActAsOneRadioGroup) {
  start(storing({{SettingsHelper::indexHotKey, std::int64_t{7}}}));
  for (std::int64_t tag = 0; tag < 5; ++tag) EXPECT_FALSE(box(row(layoutMenu(), tag)).isOn()) << tag;
  MenuTracker tracker(layoutMenu());
  tracker.click(row(layoutMenu(), 0));
  for (std::int64_t tag = 0; tag < 5; ++tag) EXPECT_EQ(box(row(layoutMenu(), tag)).isOn(), tag == 0) << tag;
  EXPECT_EQ(stored(SettingsHelper::indexHotKey), DefaultsValue(std::int64_t{0}));

  // The new method works at once: Shift + Fn switches, Shift + Control no longer does.
  const std::string before = desktop.currentLayoutCode();
  ASSERT_TRUE(desktop.press("shift+ctrl"));
  EXPECT_EQ(desktop.currentLayoutCode(), before);
  ASSERT_TRUE(desktop.press("shift+fn"));
  desktop.runUntilIdle();
  EXPECT_NE(desktop.currentLayoutCode(), before);

  tracker.click(row(layoutMenu(), 999));
  EXPECT_EQ(stored(SettingsHelper::enableTypoDetector), DefaultsValue(false));
  EXPECT_TRUE(tracker.isOpen());
}

TEST_F(MenuProgramTest, TheIndicatorDrawsTheLayoutCodeWhenAskedAndTheIconOtherwise) {
  start();
  ASSERT_TRUE(desktop.statusItemImage());
  EXPECT_EQ(desktop.statusItemImage()->namedResource, "MenuBarIcon");
  EXPECT_EQ(desktop.statusItemImage()->size, (Size{18, 18}));
  EXPECT_TRUE(desktop.statusItemImage()->isTemplate);
  ASSERT_TRUE(desktop.selectLayout("ru"));
  desktop.runUntilIdle();
  EXPECT_EQ(desktop.statusItemImage()->namedResource, "MenuBarIcon") << "the icon ignores layout changes";

  MenuTracker tracker(layoutMenu());
  tracker.click(row(layoutMenu(), 997));
  EXPECT_EQ(stored(SettingsHelper::enableShowLayoutInTray), DefaultsValue(true));
  EXPECT_EQ(desktop.statusItemImage()->size, (Size{24, 16}));
  EXPECT_TRUE(desktop.statusItemImage()->isTemplate);
  // 2 graphemes of bold 9 pt measure 10.8 high: (16 - 10.8) / 2 + 0.5 = 3.1.
  EXPECT_EQ(desktop.drawStatusItemImage(), (std::vector<std::string>{
                                               "roundedRect 1,1,22,14 r=3 w=1.2 Black",
                                               "text \"RU\" 0,3.1,24,10.8 size=9 Bold Black Center",
                                           }));
  ASSERT_TRUE(desktop.selectLayout("en"));
  desktop.runUntilIdle();
  EXPECT_EQ(desktop.drawStatusItemImage().at(1), "text \"EN\" 0,3.1,24,10.8 size=9 Bold Black Center");
  // By the hotkey as well.
  ASSERT_TRUE(desktop.press("shift+ctrl"));
  desktop.runUntilIdle();
  EXPECT_EQ(desktop.drawStatusItemImage().at(1), "text \"RU\" 0,3.1,24,10.8 size=9 Bold Black Center");

  tracker.click(row(layoutMenu(), 997));
  EXPECT_EQ(desktop.statusItemImage()->namedResource, "MenuBarIcon");
}

TEST(MenuBarIcon, TheShippedIconIsAnEighteenPointMonochromeImage) {
  const auto icon =
      std::filesystem::path(BRISQUEL_SOURCE_DIR) / "resources" / (std::string(MenuBarIndicator::kIconName) + ".svg");
  std::ifstream in(icon);
  ASSERT_TRUE(in) << icon;
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("width=\"18\" height=\"18\""), std::string::npos);
  EXPECT_EQ(text.str().find("fill=\"#"), std::string::npos) << "only strokes, no colour fills";
}

const Label& infoLabel(const std::shared_ptr<MenuItem>& info) {
  return dynamic_cast<const Label&>(*info->submenu()->items().at(0)->view()->subviews().at(0));
}

TEST_F(MenuProgramTest, TheAboutTextCarriesTheBundleVersionAndTheSiteLink) {
  desktop.setBundleVersion("2.3");
  start();
  auto about = topMenu()->items().at(4);
  ASSERT_TRUE(about->submenu());
  const auto& text = infoLabel(about).attributedStringValue();
  ASSERT_TRUE(text);
  EXPECT_NE(text->string().find("v2.3"), std::string::npos) << text->string();
  EXPECT_EQ(text->string().find("v1.01"), std::string::npos) << text->string();
  const auto host = text->string().find(kProductSiteHost);
  ASSERT_NE(host, std::string::npos);
  EXPECT_EQ(text->attributesAt(host).link, LinkTarget(std::string(kProductSiteURL)));
  EXPECT_EQ(text->attributesAt(host).color, ColorRole::SystemBlue);
  EXPECT_EQ(text->attributesAt(0).link, std::nullopt);
  EXPECT_EQ(text->attributesAt(0).color, ColorRole::Label);

  // The support entry below it shows the donation window at once and closes the menu.
  MenuTracker tracker(topMenu());
  MenuTracker sub = tracker.openSubmenu(about);
  const auto before = desktop.alerts().size();
  desktop.queueAlertResponse(1001);
  sub.click(about->submenu()->items().back());
  EXPECT_FALSE(tracker.isOpen());
  ASSERT_EQ(desktop.alerts().size(), before + 1);
  EXPECT_EQ(desktop.alerts().back().messageText, L("donation.title"));
}

TEST_F(MenuProgramTest, TheNeedMoreTextLinksTheKeyboardSettings) {
  start();
  const auto& text = infoLabel(row(editMenu(), kNeedMoreShortcutsTag)).attributedStringValue();
  ASSERT_TRUE(text);
  const std::string phrase = "System Settings -> Keyboard -> Keyboard Shortcuts -> Modifier Keys";
  const auto at = text->string().find(phrase);
  ASSERT_NE(at, std::string::npos);
  const auto linked = text->attributesAt(at + phrase.size() - 1);
  EXPECT_EQ(linked.link, LinkTarget(DesktopPlace::KeyboardSettings));
  EXPECT_TRUE(linked.underline);
  EXPECT_EQ(linked.color, ColorRole::SystemBlue);
  EXPECT_EQ(text->attributesAt(at + phrase.size()).link, std::nullopt) << "only the phrase is linked";
}

TEST_F(MenuProgramTest, ListItemsCloseTheMenuAndOpenTheirFile) {
  start();
  MenuTracker tracker(topMenu());
  MenuTracker layouts = tracker.openSubmenu(topMenu()->items().at(0));
  auto learned = layoutMenu()->items().at(10);
  EXPECT_EQ(learned->title(), "    " + L("menu.learned_words"));
  layouts.click(learned);
  EXPECT_FALSE(tracker.isOpen());
  ASSERT_FALSE(desktop.openedFiles().empty());
  EXPECT_EQ(desktop.openedFiles().back().filename(), "learned_words.txt");
}

// A refused change (by the login-item service, or the launch agent's folder
// that cannot be written) alerts at every attempt in the interface language
// and keeps the switch and the stored setting; one that goes through is stored.
TEST_F(MenuProgramTest, AFailedLaunchAtLoginChangeAlertsAndKeepsTheSwitch) {
  const struct {
    bool service;  // else the launch agent
    const char* language;
    const char* title;
  } refusals[] = {{true, "en", "Unable to Perform Operation"}, {false, "uk", "Не вдалося виконати операцію"}};
  start();
  MenuTracker tracker(topMenu());
  std::optional<DefaultsValue> storedBefore;  // never set: reads as on
  for (bool on : {true, false}) {
    for (const auto& r : refusals) {
      SCOPED_TRACE(std::string(r.language) + (on ? ", turning off" : ", turning on"));
      ASSERT_TRUE(L10n::setCurrentForTesting(r.language));
      desktop.setLoginServiceAvailable(r.service);
      desktop.setLoginRegistrationRefused(r.service);
      desktop.setFileWritesFail(!r.service);
      for (int attempt = 0; attempt < 2; ++attempt) {
        const auto before = desktop.alerts().size();
        tracker.click(row(topMenu(), 998));
        EXPECT_EQ(box(row(topMenu(), 998)).isOn(), on);
        EXPECT_EQ(stored(SettingsHelper::enableAutostart), storedBefore);
        ASSERT_EQ(desktop.alerts().size(), before + 1);
        const AlertSpec& alert = desktop.alerts().back();
        EXPECT_EQ(alert.style, AlertStyle::Warning);
        EXPECT_EQ(alert.messageText, r.title);
        EXPECT_EQ(alert.informativeText, L("alert.autostart.message"));
        EXPECT_EQ(alert.buttons, std::vector<std::string>{"OK"});
      }
    }
    desktop.setLoginRegistrationRefused(false);
    desktop.setFileWritesFail(false);
    tracker.click(row(topMenu(), 998));
    EXPECT_EQ(box(row(topMenu(), 998)).isOn(), !on);
    storedBefore = DefaultsValue(!on);
    EXPECT_EQ(stored(SettingsHelper::enableAutostart), storedBefore);
  }
}

}  // namespace
}  // namespace brisquel::testing
