// SPDX-License-Identifier: MIT
// The accessibility permission on the simulated desktop: launch without
// trust, loss of trust while running, the alert's two buttons, the poll and
// the relaunch.
#include "ProgramFixture.h"
#include "app/Relaunch.h"
#include "layouts/AppSwitchObserver.h"
#include "layouts/LayoutHotkey.h"

namespace brisquel::testing {
namespace {

constexpr int kSettingsButton = kAlertFirstButtonReturn;
constexpr int kQuitButton = kAlertFirstButtonReturn + 1;

class PermissionTest : public ProgramTest {
 protected:
  bool anythingInstalled() {
    return desktop.tapCount() > 0 || delegate().layoutHotkey().hasLangEventMonitor() ||
           delegate().appSwitchObserver().hasAppSwitchObserver() || delegate().hotkeys().hasCaretMonitor();
  }
  std::size_t hotkeySwitches() {
    const std::size_t before = desktop.selectLog().size();
    play("+shift +ctrl -ctrl -shift");
    return desktop.selectLog().size() - before;
  }
};

TEST_F(PermissionTest, LaunchWithoutTrustShowsOneAlertAndInstallsNothing) {
  startProgram(untrusted());

  ASSERT_EQ(desktop.alerts().size(), 1u);
  const AlertSpec& alert = desktop.alerts()[0];
  EXPECT_EQ(alert.style, AlertStyle::Critical);
  EXPECT_EQ(alert.messageText, "Permissions Required");
  EXPECT_EQ(alert.informativeText,
            "Please grant permissions for the app and relaunch it.\n"
            "This is required for global layout switching hotkeys monitoring.");
  EXPECT_EQ(alert.buttons, (std::vector<std::string>{"Settings", "Quit"}));

  EXPECT_FALSE(anythingInstalled());
  EXPECT_FALSE(delegate().hasInitializedEventMonitors());
  EXPECT_EQ(hotkeySwitches(), 0u);
  delegate().applicationChangeHotkey(2);
  EXPECT_TRUE(delegate().layoutHotkey().hasLangEventMonitor()) << "the monitor is reinstalled at a method change";
  EXPECT_EQ(hotkeySwitches(), 0u) << "and stays inert without trust";
  EXPECT_EQ(desktop.currentLayoutCode(), "en");
  EXPECT_EQ(desktop.openedURLs(), std::vector<std::string>{sim::macOSTarget(DesktopPlace::InputPermissionSettings)});

  desktop.advance(10);
  EXPECT_EQ(desktop.alerts().size(), 1u) << "the alert is shown once per process";
  EXPECT_TRUE(delegate().hasAccessibilityCheckTimer()) << "polling while the user is in the settings";
  EXPECT_TRUE(desktop.launches().empty());
}

// Quit ends the program with status 255 and no termination hook; closing the
// alert, or answering once the program is gone, ends nothing.
TEST_F(PermissionTest, OnlyQuitWhileTheProgramRunsEndsIt) {
  struct Case {
    const char* name;
    AlertAnswer answer;
    bool programGone;
  };
  const Case cases[] = {
      {"Quit", kQuitButton, false},
      {"Settings after the program is gone", kSettingsButton, true},
      {"Quit after the program is gone", kQuitButton, true},
      {"closed without a choice", std::nullopt, false},
  };
  desktop.holdAlertAnswers(true);
  for (const Case& c : cases) {
    desktop.queueAlertResponse(c.answer);
    startProgram(untrusted());
    if (c.programGone) program.reset();
    desktop.answerHeldAlerts();
    desktop.advance(2);
    ASSERT_EQ(desktop.exitStatuses().size(), 1u) << c.name << ": the first Quit's alone";
    EXPECT_EQ(desktop.exitStatuses()[0] & 0xFF, 255) << "as a parent process sees it";
    EXPECT_EQ(desktop.terminateCount(), 0) << "no termination hook";
    EXPECT_TRUE(desktop.openedURLs().empty()) << c.name;
    EXPECT_TRUE(desktop.launches().empty()) << c.name;
    if (!c.programGone) {
      EXPECT_EQ(delegate().hasAccessibilityCheckTimer(), !c.answer) << c.name << ": polls only while open";
    }
  }
  // Closed without a choice, the program still polls: granting trust later relaunches it.
  desktop.setTrusted(true);
  desktop.advance(1.0);
  EXPECT_EQ(desktop.launches().size(), 1u);
}

TEST_F(PermissionTest, GrantingTrustFromTheSettingsRelaunchesWithTheLiteralPath) {
  const std::string bundle = "/Users/o'neil/Apps \"dev\"/$HOME `id` \\ Brisquel.app";
  desktop.setMainBundlePath(bundle);
  desktop.queueAlertResponse(kSettingsButton);
  startProgram(untrusted());
  desktop.advance(3);
  EXPECT_TRUE(desktop.launches().empty()) << "relaunched before trust was granted";

  desktop.setTrusted(true);
  desktop.advance(1.0);
  ASSERT_EQ(desktop.launches().size(), 1u);
  EXPECT_EQ(desktop.launches()[0].program, "/bin/sh");
  EXPECT_EQ(desktop.launches()[0].arguments, (std::vector<std::string>{"-c", "sleep 0.5; open \"$1\"", "sh", bundle}));
  EXPECT_EQ(desktop.terminateCount(), 1);
  EXPECT_FALSE(delegate().observesInputSourceChanges()) << "the termination hook ran";
  EXPECT_FALSE(delegate().hasAccessibilityCheckTimer());

  desktop.advance(5);
  EXPECT_EQ(desktop.launches().size(), 1u) << "the poll stopped";

  // The fresh instance the child opens comes up trusted, with everything installed.
  program.reset();
  SimProgramOptions asFound;
  asFound.trusted = std::nullopt;
  startProgram(std::move(asFound));
  EXPECT_TRUE(delegate().isAccessibilityTrusted());
  EXPECT_TRUE(anythingInstalled());
  EXPECT_EQ(desktop.alerts().size(), 1u) << "no alert in the new process";
  EXPECT_EQ(hotkeySwitches(), 1u);
}

TEST_F(PermissionTest, TrustRevokedWhileRunningMakesTheProgramInertAfterTheNextKey) {
  startProgram();
  ASSERT_EQ(hotkeySwitches(), 1u);

  desktop.setTrusted(false);
  desktop.activate(kEditorID);
  desktop.press("a");
  desktop.advance(0.1);
  EXPECT_FALSE(delegate().isAccessibilityTrusted());
  EXPECT_EQ(desktop.alerts().size(), 1u);

  EXPECT_EQ(hotkeySwitches(), 0u) << "the hotkey still works without trust";
  desktop.application(kEditorID)->clearLog();
  desktop.press("ctrl+c");
  EXPECT_EQ(desktop.application(kEditorID)->shortcutLog(), "ctrl+c") << "a shortcut was translated without trust";

  // Later losses and tap time-outs in the same process show no second alert.
  desktop.disableTaps(EventType::TapDisabledByTimeout);
  desktop.press("b");
  desktop.advance(2);
  EXPECT_EQ(desktop.alerts().size(), 1u);
}

TEST_F(PermissionTest, ATapTimeoutWhileStillTrustedRelaunchesAtTheFirstPoll) {
  startProgram();
  desktop.disableTaps(EventType::TapDisabledByTimeout);
  desktop.runUntilIdle();
  EXPECT_FALSE(delegate().isAccessibilityTrusted());
  ASSERT_EQ(desktop.alerts().size(), 1u);
  EXPECT_EQ(hotkeySwitches(), 0u);

  desktop.advance(1.0);
  EXPECT_EQ(desktop.launches().size(), 1u);
  EXPECT_EQ(desktop.terminateCount(), 1);
}

TEST_F(PermissionTest, ATransientNegativeAnswerIsIgnoredWhenTheRecheckConfirmsTrust) {
  startProgram();
  delegate().verifyPermissionsAsync();
  desktop.advance(0.5);
  EXPECT_TRUE(delegate().isAccessibilityTrusted());
  EXPECT_TRUE(desktop.alerts().empty());
  EXPECT_EQ(hotkeySwitches(), 1u);
}

}  // namespace
}  // namespace brisquel::testing
