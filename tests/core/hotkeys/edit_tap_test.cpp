// The edit tap on its own on the simulated desktop: trust, retries, its own
// events and the typo detector behind it. Shortcut scenarios run end to end
// in tests/app.
#include <gtest/gtest.h>

#include <functional>

#include "hotkeys/HotkeysHelper.h"
#include "layouts/InputSources.h"
#include "sim/SimDesktop.h"
#include "settings/SettingsHelper.h"
#include "typo/TypoDetector.h"

namespace brisquel {
namespace {

constexpr const char* kTextEdit = "com.apple.TextEdit";
constexpr const char* kTerminal = "com.apple.Terminal";

class FakeHost final : public HotkeysHost {
 public:
  explicit FakeHost(sim::Desktop& desktop) : desktop_(desktop), inputSources_(*desktop.platform().inputSources) {}

  bool isAccessibilityTrusted() const override { return true; }
  void handleTapDisabled() override {}
  void verifyPermissionsAsync() override {}
  std::optional<std::string> lastActiveBundleID() const override { return lastActive().bundleIdentifier; }
  std::optional<std::string> lastActiveAppName() const override { return lastActive().localizedName; }
  std::optional<std::string> lastActiveAppPath() const override { return lastActive().bundlePath; }
  void setModifiersPressed(bool) override {}
  void switchToLayout(const std::string& language) override { inputSources_.switchToLayout(language); }
  void switchToNextLayout() override { inputSources_.switchToNextLayout(); }

  // What the activation observer would have recorded.
  RunningApplication lastActive() const {
    auto* front = desktop_.frontmost();
    return front ? front->runningApplication() : RunningApplication{};
  }

 private:
  sim::Desktop& desktop_;
  InputSources inputSources_;
};

// A desktop with a few applications and the helper on a first start's settings.
struct Rig {
  explicit Rig(bool withTypoDetector = false) : host(desktop) {
    desktop.setTrusted(true);
    desktop.enableLayouts({"en", "ru"});
    desktop.addApplication({kTextEdit, "TextEdit", "/System/Applications/TextEdit.app"});
    desktop.addApplication({kTerminal, "Terminal", "/System/Applications/Utilities/Terminal.app"});
    desktop.activate(kTextEdit);
    const Platform p = desktop.platform();
    // A first start: the default lists are stored.
    settings = SettingsHelper::create(*p.defaults, *p.files, *p.mainQueue, *p.workspace);
    if (withTypoDetector) {
      typo = TypoDetector::create(
          p, LearnedWordsStore{[] { return std::make_shared<const StringMap>(); }, [](const StringMap&) {}});
    }
    helper = HotkeysHelper::create(p, *settings, typo, host);
  }

  void install() {
    helper->setEditKeysState(EditHotKeys(settings->winEditKeys()));
    helper->initWinEditEventMonitor();
  }

  void set(const char* key, DefaultsValue value) { settings->store().set(key, std::move(value)); }

  // The shortcut log of the application after pressing the chords in it.
  std::string pressIn(const std::string& bundleId, const std::string& chords) {
    desktop.activate(bundleId);
    auto* app = desktop.application(bundleId);
    app->clearLog();
    EXPECT_TRUE(desktop.press(chords)) << chords;
    desktop.advance(1.0);
    return app->shortcutLog();
  }

  sim::Desktop desktop;
  FakeHost host;
  std::shared_ptr<SettingsHelper> settings;
  std::shared_ptr<TypoDetector> typo;
  std::shared_ptr<HotkeysHelper> helper;
};

class EditTapTest : public ::testing::Test, protected Rig {};

TEST_F(EditTapTest, OwnEventsPassAndAKeyWithoutCharactersCountsAsQuit) {
  install();
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
  desktop.setTrusted(false);
  install();
  EXPECT_FALSE(helper->hasEventTap());
  EXPECT_TRUE(helper->hasMouseEventMonitor());
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
  EXPECT_TRUE(helper->hasEventTap());
  EXPECT_EQ(desktop.tapCount(), 1u);
  EXPECT_EQ(pressIn(kTextEdit, "ctrl+c"), "cmd+c");

  helper->deinitEditEventMonitor();
  EXPECT_EQ(desktop.tapCount(), 0u);
  EXPECT_FALSE(helper->hasMouseEventMonitor());
}

TEST_F(EditTapTest, TranslatedKeyUpSurvivesReinstallation) {
  install();
  auto& app = *desktop.application(kTextEdit);
  desktop.keyDown(KeyCode::Control);
  desktop.keyDown(KeyCode::ANSI_V);
  helper->deinitEditEventMonitor();
  install();
  desktop.keyUp(KeyCode::ANSI_V);
  desktop.keyUp(KeyCode::Control);
  ASSERT_FALSE(app.received().empty());
  const auto& up = app.received()[app.received().size() - 2].event;  // before Control's release
  EXPECT_EQ(up.type, EventType::KeyUp);
  EXPECT_EQ(up.flags & (Flags::Command | Flags::Control), Flags::Command);
  EXPECT_TRUE(helper->activeTranslatedKeycodes().empty());
}

TEST_F(EditTapTest, AutoRepeatInATerminalIsTranslatedOnce) {
  settings->setIgnoredShortcutsApps({});
  install();
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

TEST(EditTapTyping, DetectorSeesTypingUnlessTheApplicationIsIgnored) {
  Rig rig(true);
  rig.install();
  rig.desktop.typeText(std::string_view("abc"));
  EXPECT_EQ(rig.typo->buffer(), u"abc");

  // An ignored application: the detector is not fed and its word is dropped.
  rig.desktop.typeText(std::string_view("ab"));
  rig.settings->setIgnoredApps({"textedit"});
  rig.desktop.typeText(std::string_view("cd"));
  EXPECT_EQ(rig.typo->buffer(), u"");
  EXPECT_EQ(rig.desktop.application(kTextEdit)->textUtf8(), "abcabcd");

  // Switched off: the detector is neither fed nor cleared.
  rig.settings->setIgnoredApps({});
  rig.desktop.typeText(std::string_view("xy"));
  rig.set(SettingsHelper::enableTypoDetector, false);
  rig.desktop.typeText(std::string_view("z"));
  EXPECT_EQ(rig.typo->buffer(), u"xy");
}

// Whoever writes the lists into the store (the menu, a list-file import, a
// direct write), the next key sees them: nothing read earlier is kept stale.
TEST(EditTapTyping, ListsWrittenStraightIntoTheStoreApplyAtTheNextKey) {
  struct Writer {
    const char* name;
    std::function<void(Rig&, const char* key, StringList)> write;
  };
  const Writer writers[] = {
      {"defaults port", [](Rig& r, const char* key, StringList v) { r.set(key, std::move(v)); }},
      {"desktop values", [](Rig& r, const char* key, StringList v) { r.desktop.defaultsValues()[key] = std::move(v); }},
  };
  for (const auto& w : writers) {
    SCOPED_TRACE(w.name);
    Rig rig(true);
    rig.install();
    w.write(rig, SettingsHelper::ignoredShortcutsAppsKey, {});
    EXPECT_EQ(rig.pressIn(kTextEdit, "ctrl+c"), "cmd+c");
    rig.desktop.typeText(std::string_view("ab"));
    EXPECT_EQ(rig.typo->buffer(), u"ab");

    w.write(rig, SettingsHelper::ignoredShortcutsAppsKey, {"TextEdit|c"});
    EXPECT_EQ(rig.pressIn(kTextEdit, "ctrl+c"), "ctrl+c");
    EXPECT_EQ(rig.pressIn(kTextEdit, "ctrl+v"), "cmd+v");
    w.write(rig, SettingsHelper::ignoredAppsKey, {"textedit"});
    rig.desktop.typeText(std::string_view("c"));
    EXPECT_EQ(rig.typo->buffer(), u"");

    w.write(rig, SettingsHelper::ignoredAppsKey, {});
    rig.desktop.typeText(std::string_view("d"));
    EXPECT_EQ(rig.typo->buffer(), u"d");
    w.write(rig, SettingsHelper::ignoredShortcutsAppsKey, {"other|c"});
    EXPECT_EQ(rig.pressIn(kTextEdit, "ctrl+c"), "cmd+c");
  }
}

}  // namespace
}  // namespace brisquel
