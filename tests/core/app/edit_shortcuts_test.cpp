// SPDX-License-Identifier: MIT
// Control and Fn edit shortcuts end to end: the program started as a user
// starts it, keys pressed on the simulated keyboard, what the application
// receives.
#include <sstream>

#include "ProgramFixture.h"
#include "hotkeys/HotkeysHelper.h"

namespace brisquel::testing {
namespace {

constexpr const char* kTerminalID = "com.apple.Terminal";
constexpr const char* kFinderID = "com.apple.finder";
constexpr const char* kMyAppID = "com.example.MyApp";
constexpr const char* kWezTermID = "com.github.wez.wezterm";

class EditShortcutsTest : public ProgramTest {
 protected:
  EditShortcutsTest() {
    desktop.addApplication({kTerminalID, "Terminal", "/System/Applications/Utilities/Terminal.app", 0});
    desktop.addApplication({kFinderID, "Finder", "/System/Library/CoreServices/Finder.app", 0});
    desktop.addApplication({kMyAppID, "MyApp", "/Applications/MyApp.app", 0});
    desktop.addApplication({kWezTermID, "WezTerm", "/Applications/WezTerm.app", 0});
    desktop.enableLayouts({"en", "ru", "uk", "el", "he"});
    desktop.activate(kEditorID);
  }
};

// Each row starts the program with its modifier modes, exclusion rules
// (nullptr: the defaults; words split at spaces) and layout, presses the chords
// in the application and reads what it received.
TEST_F(EditShortcutsTest, ChordsBecomeWhatTheApplicationReceives) {
  struct Row {
    bool ctrlMode, fnMode;
    const char* rules;
    const char* layout;
    const char* app;
    const char* chords;
    const char* expected;
  };
  const Row rows[] = {
      {true, false, nullptr, "en", kEditorID, "ctrl+c", "cmd+c"},
      {true, false, nullptr, "en", kEditorID, "ctrl+shift+c", "shift+cmd+c"},
      {true, false, nullptr, "en", kEditorID, "ctrl+y", "shift+cmd+z"},
      {true, false, nullptr, "en", kEditorID, "ctrl+cmd+c", "ctrl+cmd+c"},
      {true, false, nullptr, "en", kEditorID, "ctrl+k", "ctrl+k"},
      // Keys of other layouts stand for the shortcut's letter.
      {true, false, nullptr, "uk", kEditorID, "ctrl+s", "cmd+s"},
      {true, false, nullptr, "el", kEditorID, "ctrl+w", "cmd+w"},
      {true, false, nullptr, "he", kEditorID, "ctrl+q", "cmd+q"},
      // Control mode: Fn is just another modifier; both: only Fn stands for Command.
      {true, false, nullptr, "en", kEditorID, "fn+ctrl+c", "fn+cmd+c"},
      {false, true, nullptr, "en", kEditorID, "fn+c", "cmd+c"},
      {false, true, nullptr, "en", kEditorID, "ctrl+c", "ctrl+c"},
      {true, true, nullptr, "en", kEditorID, "fn+ctrl+c", "ctrl+cmd+c"},
      {true, true, nullptr, "en", kEditorID, "fn+cmd+c", "fn+cmd+c"},
      // Terminals with the default rules.
      {true, false, nullptr, "en", kTerminalID, "ctrl+c", "ctrl+c"},
      {true, false, nullptr, "en", kTerminalID, "ctrl+v", "cmd+v"},
      {true, false, nullptr, "en", kTerminalID, "ctrl+f", "ctrl+f cmd+f@50ms"},
      {true, false, nullptr, "en", kTerminalID, "ctrl+t", "cmd+t ctrl+t@50ms"},
      {true, false, nullptr, "en", kWezTermID, "ctrl+c", "ctrl+c"},  // its default rule excludes c too
      // Without rules: a plain terminal copies and then interrupts, a smart one only copies.
      {true, false, "", "en", kTerminalID, "ctrl+c", "cmd+c ctrl+c@50ms"},
      {true, false, "", "en", kTerminalID, "ctrl+a", "ctrl+a cmd+a@50ms"},
      {true, false, "", "en", kWezTermID, "ctrl+c", "cmd+c"},
      // Rules with the Russian layout.
      {true, true, "myapp", "ru", kMyAppID, "ctrl+c ctrl+v", "ctrl+c ctrl+v@100ms"},
      {true, true, "myapp|ctrl", "ru", kMyAppID, "ctrl+c fn+c", "ctrl+c cmd+c@100ms"},
      {true, true, "myapp|fn+v", "ru", kMyAppID, "ctrl+v fn+v fn+c", "cmd+v cmd+c@200ms"},
      {true, true, "com.apple.terminal|c|x|z|d|w|a|r", "ru", kTerminalID, "ctrl+c fn+c ctrl+v", "ctrl+c cmd+v@200ms"},
      {true, true, "myapp|v myapp", "ru", kMyAppID, "ctrl+c ctrl+v", "cmd+c ctrl+v@100ms"},
      {true, true, "other MyApp.app|c", "ru", kMyAppID, "ctrl+c ctrl+v", "ctrl+c cmd+v@100ms"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << r.layout << " " << r.app << " \"" << r.chords << "\" ctrl mode " << r.ctrlMode
                                      << " fn mode " << r.fnMode << " rules " << (r.rules ? r.rules : "<default>"));
    startProgram(
        storing({{SettingsHelper::enableCtrlShortcut, r.ctrlMode}, {SettingsHelper::enableFnShortcut, r.fnMode}}));
    if (r.rules) {
      std::vector<std::string> rules;
      std::istringstream words(r.rules);
      for (std::string rule; words >> rule;) rules.push_back(rule);
      program->settings().setIgnoredShortcutsApps(rules);
    }
    ASSERT_TRUE(desktop.selectLayout(r.layout));
    desktop.runUntilIdle();
    EXPECT_EQ(pressIn(r.app, r.chords), r.expected);
    EXPECT_EQ(desktop.currentLayoutCode(), r.layout);
  }
}

TEST_F(EditShortcutsTest, FinderAndActivityMonitor) {
  // Quit switched off, the Close Finder windows switch on.
  startProgram(storing({{SettingsHelper::winEditHotKeys, EditHotKeys::all.subtracting(EditHotKeys::quit).rawValue},
                        {SettingsHelper::quitClosesWindowsEnabled, true}}));
  EXPECT_EQ(pressIn(kFinderID, "ctrl+q"), "cmd+w");
  EXPECT_EQ(pressIn(kEditorID, "ctrl+q"), "ctrl+q");

  EXPECT_EQ(pressIn(kEditorID, "ctrl+opt+backspace"), "");
  ASSERT_EQ(desktop.openedApplications().size(), 1u);
  EXPECT_EQ(desktop.openedApplications()[0], sim::macOSTarget(DesktopPlace::TaskManager));
  EXPECT_EQ(pressIn(kEditorID, "ctrl+backspace"), "ctrl+backspace");
  EXPECT_EQ(desktop.openedApplications().size(), 1u);
  // Before the rules: also where every shortcut is excluded, and with Command.
  program->settings().setIgnoredShortcutsApps({"textedit"});
  EXPECT_EQ(pressIn(kEditorID, "ctrl+cmd+delete"), "");
  EXPECT_EQ(desktop.openedApplications().size(), 2u);
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
