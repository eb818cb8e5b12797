// The edit tap on the simulated desktop: keys pressed on the keyboard, what
// the frontmost application receives.
#include <gtest/gtest.h>

#include "hotkeys/HotkeysHelper.h"
#include "layouts/InputSources.h"
#include "platform/sim/SimDesktop.h"
#include "settings/SettingsHelper.h"
#include "typo/TypoDetector.h"

namespace brisquel {
namespace {

constexpr const char* kTextEdit = "com.apple.TextEdit";
constexpr const char* kTerminal = "com.apple.Terminal";
constexpr const char* kFinder = "com.apple.finder";
constexpr const char* kMyApp = "com.example.MyApp";
constexpr const char* kWezTerm = "com.github.wez.wezterm";

class FakeHost final : public HotkeysHost {
 public:
  explicit FakeHost(sim::Desktop& desktop) : desktop_(desktop), inputSources_(*desktop.platform().inputSources) {}

  bool isAccessibilityTrusted() const override { return trusted; }
  void handleTapDisabled() override { ++tapDisabledCalls; }
  void verifyPermissionsAsync() override { ++verifyCalls; }
  std::optional<std::string> lastActiveBundleID() const override { return lastActive().bundleIdentifier; }
  std::optional<std::string> lastActiveAppName() const override { return lastActive().localizedName; }
  std::optional<std::string> lastActiveAppPath() const override { return lastActive().bundlePath; }
  void setModifiersPressed(bool pressed) override { modifiersPressed = pressed; }
  void switchToLayout(const std::string& language) override { inputSources_.switchToLayout(language); }
  void switchToNextLayout() override { inputSources_.switchToNextLayout(); }

  // What the activation observer would have recorded; the frontmost
  // application unless a test says otherwise.
  RunningApplication lastActive() const {
    if (lastActiveOverride) return *lastActiveOverride;
    auto* front = desktop_.frontmost();
    return front ? front->runningApplication() : RunningApplication{};
  }

  bool trusted = true;
  int tapDisabledCalls = 0;
  int verifyCalls = 0;
  bool modifiersPressed = true;
  std::optional<RunningApplication> lastActiveOverride;

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
    desktop.addApplication({kFinder, "Finder", "/System/Library/CoreServices/Finder.app"});
    desktop.addApplication({kMyApp, "MyApp", "/Applications/MyApp.app"});
    desktop.addApplication({kWezTerm, "WezTerm", "/Applications/WezTerm.app"});
    desktop.activate(kTextEdit);
    const Platform p = desktop.platform();
    // A first start: the default lists are stored.
    settings = SettingsHelper::create(*p.defaults, *p.files, *p.mainQueue, *p.workspace);
    if (withTypoDetector) {
      typo = TypoDetector::create(p, LearnedWordsStore{[] { return StringMap{}; }, [](const StringMap&) {}});
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

struct Scenario {
  const char* name;
  std::vector<std::pair<const char*, DefaultsValue>> defaults;
  std::vector<std::string> shortcutRules;  // replaces the stored rules when not empty
  std::string layout;                       // layout code active while pressing
  const char* app;
  const char* chords;
  const char* expected;  // the application's shortcut log
};

TEST(EditTap, ChordsBecomeWhatTheApplicationReceives) {
  const std::vector<Scenario> scenarios = {
      {"copy", {}, {}, "en", kTextEdit, "ctrl+c", "cmd+c"},
      {"shift is kept", {}, {}, "en", kTextEdit, "ctrl+shift+c", "shift+cmd+c"},
      {"redo", {}, {}, "en", kTextEdit, "ctrl+y", "shift+cmd+z"},
      {"command already held", {}, {}, "en", kTextEdit, "ctrl+cmd+c", "ctrl+cmd+c"},
      {"russian layout copy", {}, {}, "ru", kTextEdit, "ctrl+c", "cmd+c"},
      {"not a shortcut", {}, {}, "en", kTextEdit, "ctrl+k", "ctrl+k"},
      {"shortcut switched off", {{"WIN_EDIT_HOTKEYS_V2", std::int64_t{0x3FFFF & ~2}}}, {}, "en", kTextEdit, "ctrl+c",
       "ctrl+c"},
      {"nothing enabled", {{"WIN_EDIT_HOTKEYS_V2", std::int64_t{0}}}, {}, "en", kTextEdit, "ctrl+c ctrl+opt+backspace",
       "ctrl+c ctrl+opt+backspace@100ms"},
      {"control mode off", {{"ENABLE_CTRL_SHORTCUT", false}}, {}, "en", kTextEdit, "ctrl+c", "ctrl+c"},
      {"fn mode", {{"ENABLE_FN_SHORTCUT", true}, {"ENABLE_CTRL_SHORTCUT", false}}, {}, "en", kTextEdit, "fn+c",
       "cmd+c"},
      {"fn and control both held", {{"ENABLE_FN_SHORTCUT", true}}, {}, "en", kTextEdit, "fn+ctrl+c", "ctrl+cmd+c"},
      {"finder closes windows", {{"QUIT_CLOSES_WINDOWS_ENABLED", true}, {"WIN_EDIT_HOTKEYS_V2", std::int64_t{2}}},
       {}, "en", kFinder, "ctrl+q", "cmd+w"},
      {"finder quit", {}, {}, "en", kFinder, "ctrl+q", "cmd+q"},
      {"control delete alone", {}, {}, "en", kTextEdit, "ctrl+backspace", "ctrl+backspace"},
      // The default rule excludes c, x, z, d, w, a, r in Terminal.
      {"terminal interrupt", {}, {}, "en", kTerminal, "ctrl+c", "ctrl+c"},
      {"terminal interrupt in russian", {}, {}, "ru", kTerminal, "ctrl+c", "ctrl+c"},
      {"terminal paste", {}, {}, "en", kTerminal, "ctrl+v", "cmd+v"},
      {"terminal find", {}, {}, "en", kTerminal, "ctrl+f", "ctrl+f cmd+f@50ms"},
      {"terminal without rules copies then interrupts", {}, {"unrelated"}, "en", kTerminal, "ctrl+c",
       "cmd+c ctrl+c@50ms"},
      {"terminal line start first", {}, {"unrelated"}, "en", kTerminal, "ctrl+a", "ctrl+a cmd+a@50ms"},
      {"smart terminal copies only", {}, {"unrelated"}, "en", kWezTerm, "ctrl+c", "cmd+c"},
      {"smart terminal undo", {}, {"unrelated"}, "en", kWezTerm, "ctrl+z", "cmd+z ctrl+z@50ms"},
      {"terminal-smart rule copies only", {}, {"apple.terminal|terminal-smart"}, "en", kTerminal, "ctrl+c", "cmd+c"},
      {"terminal-smart rule sends both", {}, {"apple.terminal|terminal-smart"}, "en", kTerminal, "ctrl+z",
       "cmd+z ctrl+z@50ms"},
      {"everything excluded", {}, {"myapp"}, "ru", kMyApp, "ctrl+c ctrl+v", "ctrl+c ctrl+v@100ms"},
      {"control excluded", {{"ENABLE_FN_SHORTCUT", true}}, {"myapp|ctrl"}, "ru", kMyApp, "ctrl+c fn+c",
       "ctrl+c cmd+c@100ms"},
      {"fn+v excluded", {{"ENABLE_FN_SHORTCUT", true}}, {"myapp|fn+v"}, "ru", kMyApp, "ctrl+v fn+v", "cmd+v"},
      {"first matching rule wins", {}, {"myapp|v", "myapp"}, "ru", kMyApp, "ctrl+c ctrl+v", "cmd+c ctrl+v@100ms"},
      {"terminal rule in russian", {}, {"com.apple.terminal|c|x|z|d|w|a|r"}, "ru", kTerminal, "ctrl+c ctrl+v",
       "ctrl+c cmd+v@100ms"},
  };
  for (const auto& s : scenarios) {
    SCOPED_TRACE(s.name);
    Rig rig;
    for (const auto& [key, value] : s.defaults) rig.set(key, value);
    if (!s.shortcutRules.empty()) rig.settings->setIgnoredShortcutsApps(s.shortcutRules);
    rig.install();
    ASSERT_TRUE(rig.desktop.selectLayout(s.layout));
    rig.desktop.runUntilIdle();
    EXPECT_EQ(rig.pressIn(s.app, s.chords), s.expected);
  }
}

const sim::ReceivedEvent* lastKeyUp(const sim::SimApp& app, std::uint16_t keyCode) {
  const sim::ReceivedEvent* found = nullptr;
  for (const auto& r : app.received()) {
    if (r.event.type == EventType::KeyUp && r.event.keyCode == keyCode) found = &r;
  }
  return found;
}

TEST_F(EditTapTest, KeyUpsFollowTheTranslatedKeyDown) {
  install();
  auto& app = *desktop.application(kTextEdit);

  // Control released before C: the C release still carries Command.
  desktop.keyDown(KeyCode::Control);
  desktop.keyDown(KeyCode::ANSI_C);
  desktop.keyUp(KeyCode::Control);
  desktop.keyUp(KeyCode::ANSI_C);
  const auto* up = lastKeyUp(app, KeyCode::ANSI_C);
  ASSERT_NE(up, nullptr);
  EXPECT_EQ(up->event.flags & (Flags::Command | Flags::Control), Flags::Command);
  EXPECT_TRUE(helper->activeTranslatedKeycodes().empty());

  // Redo's release is a Z release with the posted flags; the Y release never arrives.
  app.clearLog();
  desktop.press("ctrl+y");
  const auto* z = lastKeyUp(app, KeyCode::ANSI_Z);
  ASSERT_NE(z, nullptr);
  EXPECT_EQ(z->event.flags & Flags::ModifierMask, Flags::Command | Flags::Shift);
  EXPECT_EQ(lastKeyUp(app, KeyCode::ANSI_Y), nullptr);

  // A release whose press was not translated passes unchanged.
  app.clearLog();
  desktop.keyUp(KeyCode::ANSI_K);
  ASSERT_NE(lastKeyUp(app, KeyCode::ANSI_K), nullptr);

  // An entry made before a reinstallation is still consumed after it.
  desktop.keyDown(KeyCode::Control);
  desktop.keyDown(KeyCode::ANSI_V);
  helper->deinitEditEventMonitor();
  install();
  desktop.keyUp(KeyCode::ANSI_V);
  desktop.keyUp(KeyCode::Control);
  const auto* v = lastKeyUp(app, KeyCode::ANSI_V);
  ASSERT_NE(v, nullptr);
  EXPECT_TRUE(v->event.flags & Flags::Command);
}

TEST_F(EditTapTest, ActivityMonitorOpensAndTheKeysDisappear) {
  install();
  auto& app = *desktop.application(kMyApp);
  settings->setIgnoredShortcutsApps({"myapp"});  // every shortcut excluded there
  for (const char* chord : {"ctrl+opt+backspace", "ctrl+cmd+delete"}) {
    SCOPED_TRACE(chord);
    const auto opened = desktop.openedApplications().size();
    EXPECT_EQ(pressIn(kMyApp, chord), "");
    ASSERT_EQ(desktop.openedApplications().size(), opened + 1);
    EXPECT_EQ(desktop.openedApplications().back(), HotkeysHelper::activityMonitorPath);
  }
  for (const auto& r : app.received()) EXPECT_NE(r.event.type, EventType::KeyDown) << r.event.keyCode;
}

TEST_F(EditTapTest, OwnEventsPassAndAKeyWithoutCharactersCountsAsQuit) {
  install();
  auto& app = *desktop.application(kTextEdit);
  auto& keyboard = *desktop.platform().keyboard;

  KeyEvent marked{EventType::KeyDown, KeyCode::ANSI_C, Flags::Control, u"c", u"c", false,
                  HotkeysHelper::syntheticEventMarker};
  keyboard.post(marked);
  desktop.runUntilIdle();
  EXPECT_EQ(app.shortcutLog(), "ctrl+c");

  app.clearLog();
  KeyEvent silent{EventType::KeyDown, KeyCode::ANSI_Semicolon, Flags::Control, std::nullopt, std::nullopt, false, 0};
  keyboard.post(silent);
  desktop.runUntilIdle();
  EXPECT_EQ(app.shortcutLog(), "cmd+;");
}

TEST_F(EditTapTest, KeyDownsDisarmTheLayoutHotkey) {
  install();
  desktop.press("shift+ctrl");
  EXPECT_TRUE(host.modifiersPressed);  // modifier changes alone leave it armed
  desktop.press("a");
  EXPECT_FALSE(host.modifiersPressed);
  EXPECT_FALSE(helper->isCtrlHoldWithoutOtherKeys());
}

TEST_F(EditTapTest, FocusedApplicationOverridesTheLastActiveOne) {
  install();
  settings->setIgnoredShortcutsApps({"myapp"});
  // MyApp was activated last, but the keys go to TextEdit's field.
  host.lastActiveOverride = desktop.application(kMyApp)->runningApplication();
  EXPECT_EQ(pressIn(kTextEdit, "ctrl+c"), "cmd+c");

  // Without a focused element to confirm it, the last-active rule stands.
  desktop.application(kTextEdit)->axFaults().noFocusedElement = true;
  EXPECT_EQ(pressIn(kTextEdit, "ctrl+c"), "ctrl+c");
}

TEST_F(EditTapTest, WithoutTrustEventsPass) {
  install();
  host.trusted = false;
  EXPECT_EQ(pressIn(kTextEdit, "ctrl+c"), "ctrl+c");
  EXPECT_EQ(host.verifyCalls, 0);

  // Believed trusted, but the system says otherwise: re-check and pass.
  host.trusted = true;
  desktop.setTrusted(false);
  EXPECT_EQ(pressIn(kTextEdit, "ctrl+c"), "ctrl+c");
  EXPECT_GT(host.verifyCalls, 0);
}

TEST_F(EditTapTest, DisabledTapIsReportedToTheOwner) {
  install();
  desktop.disableTaps(EventType::TapDisabledByTimeout);
  EXPECT_EQ(host.tapDisabledCalls, 1);

  // A callback that outlives its helper reports nothing and passes.
  helper.reset();
  desktop.disableTaps(EventType::TapDisabledByUserInput);
  EXPECT_EQ(host.tapDisabledCalls, 1);
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
  rig.desktop.addApplication({"com.apple.Spotlight", "Spotlight", "/System/Library/CoreServices/Spotlight.app"});
  rig.install();
  rig.desktop.typeText(std::string_view("abc"));
  EXPECT_EQ(rig.typo->buffer(), u"abc");

  // A click moves the caret: the word is forgotten, except over Spotlight.
  rig.desktop.activate("com.apple.Spotlight");
  rig.desktop.typeText(std::string_view("de"));
  rig.desktop.click();
  EXPECT_EQ(rig.typo->buffer(), u"abcde");
  rig.desktop.activate(kTextEdit);
  rig.desktop.click();
  EXPECT_EQ(rig.typo->buffer(), u"");

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

}  // namespace
}  // namespace brisquel
