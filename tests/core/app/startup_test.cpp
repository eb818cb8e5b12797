// SPDX-License-Identifier: MIT
// Start-up and termination of the program on the simulated desktop.
#include "ProgramFixture.h"
#include "donation/DonationHelper.h"
#include "layouts/AppSwitchObserver.h"
#include "layouts/LayoutHotkey.h"
#include "menu/MenuTracker.h"

namespace brisquel::testing {
namespace {

// What is installed, as a user would find out: taps, the hotkey monitor, the activation observer.
struct Installed {
  std::size_t taps;
  bool hotkeyMonitor;
  bool activationObserver;
  bool mouseMonitor;
  friend bool operator==(const Installed&, const Installed&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Installed& i) {
    return os << "{taps " << i.taps << ", hotkey " << i.hotkeyMonitor << ", activation " << i.activationObserver
              << ", mouse " << i.mouseMonitor << "}";
  }
};

// The code the menu-bar indicator draws, or "" when it shows something else.
std::string indicatorCode(const sim::Desktop& desktop) {
  for (const std::string& command : desktop.drawStatusItemImage()) {
    const auto open = command.find("text \"");
    if (open != 0) continue;
    const auto close = command.find('"', 6);
    return command.substr(6, close - 6);
  }
  return "";
}

class StartupTest : public ProgramTest {
 protected:
  Installed installed() {
    return {desktop.tapCount(), delegate().layoutHotkey().hasLangEventMonitor(),
            delegate().appSwitchObserver().hasAppSwitchObserver(), delegate().hotkeys().hasCaretMonitor()};
  }
  static constexpr Installed kNothing{0, false, false, false};
  static constexpr Installed kEverything{1, true, true, true};
};

// Launch builds the menu, registers at login and draws the layout at once;
// the monitors come one second later.
TEST_F(StartupTest, LaunchShowsTheMenuAndInstallsTheMonitorsOneSecondLater) {
  makeProgram(storing(SettingsHelper::enableShowLayoutInTray, true));
  EXPECT_EQ(desktop.statusItemMenu(), nullptr);

  program->launch();
  EXPECT_NE(desktop.statusItemMenu(), nullptr);
  EXPECT_EQ(desktop.loginStatus(), LoginItemStatus::Enabled) << "launch at login is on unless the user said otherwise";
  EXPECT_EQ(indicatorCode(desktop), "EN");
  EXPECT_TRUE(delegate().observesInputSourceChanges());
  EXPECT_EQ(installed(), kNothing);
  EXPECT_FALSE(delegate().isAccessibilityTrusted()) << "trust is only believed after the check";

  desktop.advance(0.99);
  EXPECT_EQ(installed(), kNothing);
  EXPECT_EQ(desktop.trustQueryCount(), 0);

  desktop.advance(0.02);
  EXPECT_EQ(installed(), kEverything);
  EXPECT_TRUE(delegate().isAccessibilityTrusted());
  EXPECT_TRUE(delegate().hasInitializedEventMonitors());
  EXPECT_EQ(delegate().appSwitchObserver().lastActiveBundleID(), kEditorID)
      << "the frontmost application at installation";
  EXPECT_GE(desktop.spelling().prepareCount("en_US"), 1) << "English spelling warmed up";
  EXPECT_GE(desktop.spelling().prepareCount("ru_RU"), 1) << "Russian spelling warmed up";
  EXPECT_EQ(desktop.trustPromptCount(), 0) << "the launch check never makes the system prompt";

  desktop.advance(5);
  EXPECT_TRUE(desktop.alerts().empty());
}

// Without trust the donation check still runs three seconds after launch and
// the indicator still follows the layout.
TEST_F(StartupTest, WithoutTrustTheDonationCheckAndTheIndicatorStillWork) {
  const double thirtyOneDaysAgo = desktop.wallTime() - 31 * 86400.0;
  SimProgramOptions options = untrusted();
  options.storedDefaults.emplace_back(DonationHelper::lastPromptDateKey, DefaultsDate{thirtyOneDaysAgo});
  options.storedDefaults.emplace_back(SettingsHelper::enableShowLayoutInTray, true);
  makeProgram(options).launch();

  desktop.advance(2.9);
  ASSERT_EQ(desktop.alerts().size(), 1u) << "only the permission alert so far";
  desktop.advance(0.2);
  ASSERT_EQ(desktop.alerts().size(), 2u);
  EXPECT_EQ(desktop.alerts()[1].messageText, "Enjoying Brisquel?");
  ASSERT_FALSE(delegate().isAccessibilityTrusted());

  ASSERT_TRUE(desktop.selectLayout("ru"));  // the system's own layout menu
  desktop.runUntilIdle();
  EXPECT_EQ(indicatorCode(desktop), "RU");
  ASSERT_TRUE(desktop.selectLayout("en"));
  desktop.runUntilIdle();
  EXPECT_EQ(indicatorCode(desktop), "EN");
}

// Monitors are installed once per process; the Quit item ends at once
// without the termination hook, which removes them all.
TEST_F(StartupTest, MonitorsAreInstalledOnceAndTerminationRemovesThem) {
  startProgram();
  delegate().initializeEventMonitorsIfNeeded();
  delegate().checkAccessibilityAndPrompt();
  EXPECT_EQ(installed(), kEverything);
  play("+shift +ctrl -ctrl -shift");
  EXPECT_EQ(desktop.selectLog().size(), 1u) << "one hotkey press switches once";

  MenuTracker tracker(desktop.statusItemMenu());
  std::shared_ptr<MenuItem> quit;
  for (const auto& item : desktop.statusItemMenu()->items()) {
    if (item->title() == "Quit") quit = item;
  }
  ASSERT_NE(quit, nullptr) << "no quit item in the status menu";
  ASSERT_TRUE(tracker.click(quit));
  EXPECT_FALSE(tracker.isOpen());
  EXPECT_EQ(desktop.exitStatuses(), std::vector<int>{0});
  EXPECT_EQ(desktop.terminateCount(), 0);
  EXPECT_EQ(installed(), kEverything) << "monitors are not removed first";

  desktop.platform().application->terminate();
  EXPECT_EQ(desktop.terminateCount(), 1);
  EXPECT_EQ(installed(), kNothing);
  EXPECT_FALSE(delegate().observesInputSourceChanges());

  play("+shift +ctrl -ctrl -shift");
  EXPECT_EQ(desktop.selectLog().size(), 1u) << "the hotkey still switches after termination";
  desktop.activate(kNotesID);
  EXPECT_EQ(delegate().appSwitchObserver().lastActiveBundleID(), kEditorID) << "activations still observed";
}

TEST_F(StartupTest, DelayedWorkDoesNothingOnceTheDelegateIsGone) {
  makeProgram().launch();
  program.reset();
  desktop.advance(5);
  EXPECT_EQ(desktop.tapCount(), 0u);
  EXPECT_EQ(desktop.trustQueryCount(), 0);
  EXPECT_TRUE(desktop.alerts().empty());
}

}  // namespace
}  // namespace brisquel::testing
