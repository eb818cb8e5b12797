// Control and Fn edit shortcuts end to end: the program started as a user
// starts it, keys pressed on the simulated keyboard, what the application
// receives.
#include "ProgramFixture.h"
#include "hotkeys/HotkeysHelper.h"

namespace brisquel::testing {
namespace {

constexpr const char* kTerminalID = "com.apple.Terminal";
constexpr const char* kFinderID = "com.apple.finder";
constexpr const char* kMyAppID = "com.example.MyApp";
constexpr const char* kWezTermID = "com.github.wez.wezterm";

const sim::ReceivedEvent* lastKeyUp(const sim::SimApp& app, std::uint16_t keyCode) {
  const sim::ReceivedEvent* found = nullptr;
  for (const auto& r : app.received()) {
    if (r.event.type == EventType::KeyUp && r.event.keyCode == keyCode) found = &r;
  }
  return found;
}

class EditShortcutsTest : public ProgramTest {
 protected:
  EditShortcutsTest() {
    desktop.addApplication({kTerminalID, "Terminal", "/System/Applications/Utilities/Terminal.app", 0});
    desktop.addApplication({kFinderID, "Finder", "/System/Library/CoreServices/Finder.app", 0});
    desktop.addApplication({kMyAppID, "MyApp", "/Applications/MyApp.app", 0});
    desktop.addApplication({kWezTermID, "WezTerm", "/Applications/WezTerm.app", 0});
  }
};

TEST_F(EditShortcutsTest, EditorGetsCommandShortcuts) {
  startProgram();
  struct Case {
    const char* chord;
    const char* expected;
  };
  const Case cases[] = {
      {"ctrl+c", "cmd+c"},  {"ctrl+shift+c", "shift+cmd+c"}, {"ctrl+y", "shift+cmd+z"}, {"ctrl+cmd+c", "ctrl+cmd+c"},
      {"ctrl+k", "ctrl+k"},
  };
  for (const auto& c : cases) EXPECT_EQ(pressIn(kEditorID, c.chord), c.expected) << c.chord;

  // The releases follow the posted presses.
  auto& editor = *desktop.application(kEditorID);
  editor.clearLog();
  desktop.press("ctrl+y");
  ASSERT_NE(lastKeyUp(editor, KeyCode::ANSI_Z), nullptr);
  EXPECT_EQ(lastKeyUp(editor, KeyCode::ANSI_Z)->event.flags & Flags::ModifierMask, Flags::Shift | Flags::Command);
  EXPECT_EQ(lastKeyUp(editor, KeyCode::ANSI_Y), nullptr);

  editor.clearLog();
  desktop.keyDown(KeyCode::Control);
  desktop.keyDown(KeyCode::ANSI_C);
  desktop.keyUp(KeyCode::Control);  // Control first
  desktop.keyUp(KeyCode::ANSI_C);
  EXPECT_EQ(editor.shortcutLog(), "cmd+c");
  ASSERT_NE(lastKeyUp(editor, KeyCode::ANSI_C), nullptr);
  EXPECT_EQ(lastKeyUp(editor, KeyCode::ANSI_C)->event.flags & (Flags::Command | Flags::Control), Flags::Command);
}

TEST_F(EditShortcutsTest, FnModes) {
  struct Case {
    bool ctrlMode;
    bool fnMode;
    const char* chord;
    const char* expected;
  };
  const Case cases[] = {
      {true, false, "fn+ctrl+c", "fn+cmd+c"},  // Control mode: Fn is just another modifier
      {false, true, "fn+c", "cmd+c"},          {false, true, "ctrl+c", "ctrl+c"},
      {true, true, "fn+ctrl+c", "ctrl+cmd+c"},  // both: only Fn stands for Command
      {true, true, "fn+cmd+c", "fn+cmd+c"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chord);
    program.reset();
    startProgram(
        storing({{SettingsHelper::enableCtrlShortcut, c.ctrlMode}, {SettingsHelper::enableFnShortcut, c.fnMode}}));
    EXPECT_EQ(pressIn(kEditorID, c.chord), c.expected);
  }
}

TEST_F(EditShortcutsTest, TerminalsWithTheDefaultRules) {
  startProgram();
  struct Case {
    const char* app;
    const char* chord;
    const char* expected;
  };
  const Case cases[] = {
      {kTerminalID, "ctrl+c", "ctrl+c"},
      {kTerminalID, "ctrl+v", "cmd+v"},
      {kTerminalID, "ctrl+f", "ctrl+f cmd+f@50ms"},
      {kTerminalID, "ctrl+t", "cmd+t ctrl+t@50ms"},
      {kWezTermID, "ctrl+c", "ctrl+c"},  // its default rule excludes c too
  };
  for (const auto& c : cases) EXPECT_EQ(pressIn(c.app, c.chord), c.expected) << c.app << " " << c.chord;

  // Without rules: a plain terminal copies and then interrupts, a smart one only copies.
  program->settings().setIgnoredShortcutsApps({});
  EXPECT_EQ(pressIn(kTerminalID, "ctrl+c"), "cmd+c ctrl+c@50ms");
  EXPECT_EQ(pressIn(kTerminalID, "ctrl+a"), "ctrl+a cmd+a@50ms");
  EXPECT_EQ(pressIn(kWezTermID, "ctrl+c"), "cmd+c");
}

TEST_F(EditShortcutsTest, FinderAndActivityMonitor) {
  // Quit switched off, the Close Finder windows switch on.
  startProgram(storing({{SettingsHelper::winEditHotKeys, EditHotKeys::all.subtracting(EditHotKeys::quit).rawValue},
                        {SettingsHelper::quitClosesWindowsEnabled, true}}));
  EXPECT_EQ(pressIn(kFinderID, "ctrl+q"), "cmd+w");
  EXPECT_EQ(pressIn(kEditorID, "ctrl+q"), "ctrl+q");

  EXPECT_EQ(pressIn(kEditorID, "ctrl+opt+backspace"), "");
  ASSERT_EQ(desktop.openedApplications().size(), 1u);
  EXPECT_EQ(desktop.openedApplications()[0], HotkeysHelper::activityMonitorPath);
  EXPECT_EQ(pressIn(kEditorID, "ctrl+backspace"), "ctrl+backspace");
  EXPECT_EQ(desktop.openedApplications().size(), 1u);
  // Before the rules: also where every shortcut is excluded, and with Command.
  program->settings().setIgnoredShortcutsApps({"textedit"});
  EXPECT_EQ(pressIn(kEditorID, "ctrl+cmd+delete"), "");
  EXPECT_EQ(desktop.openedApplications().size(), 2u);

  program.reset();
  startProgram(storing({{SettingsHelper::winEditHotKeys, EditHotKeys::all.rawValue},
                        {SettingsHelper::quitClosesWindowsEnabled, false}}));
  EXPECT_EQ(pressIn(kFinderID, "ctrl+q"), "cmd+q");
}

TEST_F(EditShortcutsTest, RulesWithTheRussianLayout) {
  startProgram(storing({{SettingsHelper::enableFnShortcut, true}}));
  ASSERT_TRUE(desktop.selectLayout("ru"));
  desktop.runUntilIdle();
  struct Case {
    std::vector<std::string> rules;
    const char* app;
    const char* chords;
    const char* expected;
  };
  const Case cases[] = {
      {{"myapp"}, kMyAppID, "ctrl+c ctrl+v", "ctrl+c ctrl+v@100ms"},
      {{"myapp|ctrl"}, kMyAppID, "ctrl+c fn+c", "ctrl+c cmd+c@100ms"},
      {{"myapp|fn+v"}, kMyAppID, "ctrl+v fn+v fn+c", "cmd+v cmd+c@200ms"},
      {{"com.apple.terminal|c|x|z|d|w|a|r"}, kTerminalID, "ctrl+c fn+c ctrl+v", "ctrl+c cmd+v@200ms"},
      {{"myapp|v", "myapp"}, kMyAppID, "ctrl+c ctrl+v", "cmd+c ctrl+v@100ms"},
      {{"other", "MyApp.app|c"}, kMyAppID, "ctrl+c ctrl+v", "ctrl+c cmd+v@100ms"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.rules));
    program->settings().setIgnoredShortcutsApps(c.rules);
    EXPECT_EQ(pressIn(c.app, c.chords), c.expected);
    EXPECT_EQ(desktop.currentLayoutCode(), "ru");
  }
}

TEST_F(EditShortcutsTest, FocusedApplicationDecidesOverTheLastActivated) {
  // A panel without a bundle identifier takes the keys; its activation does
  // not change the last-activated application.
  desktop.addApplication({"", "Panel", "/Applications/Panel.app", 0});
  startProgram();
  program->settings().setIgnoredShortcutsApps({"myapp"});
  EXPECT_EQ(pressIn(kMyAppID, "ctrl+c"), "ctrl+c");

  desktop.activate("");
  desktop.advance(0.5);
  auto* panel = desktop.frontmost();
  ASSERT_NE(panel, nullptr);
  ASSERT_EQ(delegate().appSwitchObserver().lastActiveBundleID(), std::optional<std::string>(kMyAppID));
  panel->clearLog();
  desktop.press("ctrl+c");
  EXPECT_EQ(panel->shortcutLog(), "cmd+c");

  // When the focused element cannot be asked, the last-activated rule stands.
  panel->axFaults().focusQueryFails = true;
  panel->clearLog();
  desktop.press("ctrl+c");
  EXPECT_EQ(panel->shortcutLog(), "ctrl+c");
}

}  // namespace
}  // namespace brisquel::testing
