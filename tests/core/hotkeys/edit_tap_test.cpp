// SPDX-License-Identifier: MIT
// The edit tap of the program built by the composition root: trust,
// retries, its own events and the typo detector behind it. Shortcut
// scenarios run end to end in tests/core/app.
#include <functional>

#include "SimProgramTest.h"
#include "app/AppDelegate.h"
#include "hotkeys/HotkeysHelper.h"
#include "settings/SettingsHelper.h"
#include "typo/TypoDetector.h"

namespace brisquel::testing {
namespace {

constexpr const char* kTextEdit = kEditorID;
constexpr const char* kTerminal = "com.apple.Terminal";

class EditTapTest : public SimProgramTest {
 protected:
  EditTapTest() : SimProgramTest("hotkeys") {
    desktop.addApplication({kTerminal, "Terminal", "/System/Applications/Utilities/Terminal.app"});
    desktop.activate(kTextEdit);
  }

  HotkeysHelper& helper() { return delegate().hotkeys(); }
  SettingsHelper& settings() { return program->settings(); }
  std::u16string typed() { return program->typoDetector().buffer(); }
  void install() {
    helper().setEditKeysState(EditHotKeys(settings().winEditKeys()));
    helper().initWinEditEventMonitor();
  }
  void set(const char* key, DefaultsValue value) { settings().store().set(key, std::move(value)); }
};

TEST_F(EditTapTest, OwnEventsPassAndAKeyWithoutCharactersCountsAsQuit) {
  startProgram();
  auto& app = *desktop.application(kTextEdit);
  auto& keyboard = *desktop.platform().keyboard;

  KeyEvent marked{
      EventType::KeyDown, KeyCode::ANSI_C, Flags::Control, u"c", u"c", false, syntheticEventMarker};
  keyboard.post(marked);
  desktop.runUntilIdle();
  EXPECT_EQ(app.shortcutLog(), "ctrl+c");

  app.clearLog();
  KeyEvent silent{EventType::KeyDown, KeyCode::ANSI_Semicolon, Flags::Control, std::nullopt, std::nullopt, false, 0};
  keyboard.post(silent);
  desktop.runUntilIdle();
  EXPECT_EQ(app.shortcutLog(), "cmd+;");
}

TEST_F(EditTapTest, TapCreationIsRetriedWithThePrompt) {
  startProgram();
  helper().deinitEditEventMonitor();
  desktop.setTrusted(false);  // lost after the start-up check
  install();
  EXPECT_FALSE(helper().hasEventTap());
  EXPECT_TRUE(helper().hasCaretMonitor());
  EXPECT_EQ(desktop.tapCount(), 0u);

  desktop.advance(HotkeysHelper::tapRetryDelay);
  EXPECT_EQ(desktop.trustPromptCount(), 1);  // still untrusted: the retries end
  desktop.advance(3 * HotkeysHelper::tapRetryDelay);
  EXPECT_EQ(desktop.trustPromptCount(), 1);

  // A fresh attempt, and the user grants trust before the retry.
  install();
  desktop.setTrusted(true);
  desktop.advance(HotkeysHelper::tapRetryDelay);
  EXPECT_EQ(desktop.trustPromptCount(), 2);
  EXPECT_TRUE(helper().hasEventTap());
  EXPECT_EQ(desktop.tapCount(), 1u);
  EXPECT_EQ(pressIn(kTextEdit, "ctrl+c"), "cmd+c");

  helper().deinitEditEventMonitor();
  EXPECT_EQ(desktop.tapCount(), 0u);
  EXPECT_FALSE(helper().hasCaretMonitor());
}

// The releases follow the posted presses: with Control released first,
// across a reinstallation of the tap, and after the permission went while the
// key was held (the application must not keep a key down).
TEST_F(EditTapTest, ReleasesFollowThePostedPresses) {
  startProgram();
  auto& app = *desktop.application(kTextEdit);
  const auto lastKeyUp = [&](std::uint16_t keyCode) -> const KeyEvent* {
    const KeyEvent* found = nullptr;
    for (const auto& r : app.received()) {
      if (r.event.type == EventType::KeyUp && r.event.keyCode == keyCode) found = &r.event;
    }
    return found;
  };
  desktop.press("ctrl+y");
  ASSERT_NE(lastKeyUp(KeyCode::ANSI_Z), nullptr);
  EXPECT_EQ(lastKeyUp(KeyCode::ANSI_Z)->flags & Flags::ModifierMask, Flags::Shift | Flags::Command);
  EXPECT_EQ(lastKeyUp(KeyCode::ANSI_Y), nullptr);
  enum class Meanwhile { Nothing, Reinstalled, PermissionWent };
  for (Meanwhile meanwhile : {Meanwhile::Nothing, Meanwhile::Reinstalled, Meanwhile::PermissionWent}) {
    const int which = static_cast<int>(meanwhile);
    app.clearLog();
    desktop.keyDown(KeyCode::Control);
    desktop.keyDown(KeyCode::ANSI_C);
    if (meanwhile == Meanwhile::Reinstalled) {
      helper().deinitEditEventMonitor();
      install();
    }
    if (meanwhile == Meanwhile::PermissionWent) desktop.setTrusted(false);
    const bool controlFirst = meanwhile == Meanwhile::Nothing;
    desktop.keyUp(controlFirst ? KeyCode::Control : KeyCode::ANSI_C);
    desktop.keyUp(controlFirst ? KeyCode::ANSI_C : KeyCode::Control);
    EXPECT_EQ(app.shortcutLog(), "cmd+c") << which;
    ASSERT_NE(lastKeyUp(KeyCode::ANSI_C), nullptr);
    EXPECT_EQ(lastKeyUp(KeyCode::ANSI_C)->flags & (Flags::Command | Flags::Control), Flags::Command) << which;
    EXPECT_TRUE(helper().activeTranslatedKeycodes().empty()) << which;
  }
}

TEST_F(EditTapTest, AutoRepeatInATerminalIsTranslatedOnce) {
  startProgram();
  settings().setIgnoredShortcutsApps({});
  desktop.activate(kTerminal);
  auto& app = *desktop.application(kTerminal);
  app.clearLog();
  desktop.keyDown(KeyCode::Control);
  desktop.keyDown(KeyCode::ANSI_Z, true);
  desktop.keyUp(KeyCode::ANSI_Z);
  desktop.keyUp(KeyCode::Control);
  desktop.advance(1.0);
  EXPECT_EQ(app.shortcutLog(), "cmd+z");
  // Without the repeat flag the terminal gets both.
  EXPECT_EQ(pressIn(kTerminal, "ctrl+z"), "cmd+z ctrl+z@50ms");
}

// Whoever writes the lists (the menu, a list-file import, a direct write into
// the store), the next key sees them: nothing read earlier is kept stale. In
// an ignored application the keys still arrive, the detector is not fed and
// its word is dropped; switched off, it is neither fed nor cleared.
TEST_F(EditTapTest, ListsWrittenStraightIntoTheStoreApplyAtTheNextKey) {
  struct Writer {
    const char* name;
    std::function<void(const char* key, StringList)> write;
  };
  const Writer writers[] = {
      {"settings", [this](const char* key, StringList v) {
         key == std::string(SettingsHelper::ignoredAppsKey) ? settings().setIgnoredApps(v)
                                                             : settings().setIgnoredShortcutsApps(v);
       }},
      {"defaults port", [this](const char* key, StringList v) { set(key, std::move(v)); }},
      {"desktop values", [this](const char* key, StringList v) { desktop.defaultsValues()[key] = std::move(v); }},
  };
  for (const auto& w : writers) {
    SCOPED_TRACE(w.name);
    startProgram(storing(SettingsHelper::enableTypoDetector, true));
    desktop.application(kTextEdit)->setText(u"");
    w.write(SettingsHelper::ignoredShortcutsAppsKey, {});
    EXPECT_EQ(pressIn(kTextEdit, "ctrl+c"), "cmd+c");
    w.write(SettingsHelper::ignoredShortcutsAppsKey, {"TextEdit|c"});
    EXPECT_EQ(pressIn(kTextEdit, "ctrl+c"), "ctrl+c");
    EXPECT_EQ(pressIn(kTextEdit, "ctrl+v"), "cmd+v");

    desktop.typeText(std::string_view("ab"));
    EXPECT_EQ(typed(), u"ab");
    w.write(SettingsHelper::ignoredAppsKey, {"textedit"});
    desktop.typeText(std::string_view("c"));
    EXPECT_EQ(typed(), u"");
    EXPECT_EQ(desktop.application(kTextEdit)->textUtf8(), "abc");

    w.write(SettingsHelper::ignoredAppsKey, {});
    w.write(SettingsHelper::ignoredShortcutsAppsKey, {"other|c"});
    EXPECT_EQ(pressIn(kTextEdit, "ctrl+c"), "cmd+c");
    desktop.typeText(std::string_view("d"));
    EXPECT_EQ(typed(), u"d");
    set(SettingsHelper::enableTypoDetector, false);
    desktop.typeText(std::string_view("e"));
    EXPECT_EQ(typed(), u"d");
  }
}

}  // namespace
}  // namespace brisquel::testing
