// SPDX-License-Identifier: MIT
#pragma once
// The program started on a simulated desktop as a user starts it, with a few
// more applications to move between.

#include "SimProgramTest.h"
#include "app/AppDelegate.h"
#include "layouts/AppSwitchObserver.h"
#include "layouts/LayoutHotkey.h"
#include "settings/SettingsHelper.h"
#include "typo/TypoDetector.h"

namespace brisquel::testing {

inline constexpr const char* kNotesID = "com.apple.Notes";
inline constexpr const char* kSpotlightID = "com.apple.Spotlight";
inline constexpr const char* kDockID = "com.apple.dock";

class ProgramTest : public SimProgramTest {
 protected:
  ProgramTest() : SimProgramTest("app") {
    desktop.addApplication({kNotesID, "Notes", "/System/Applications/Notes.app", 0});
    desktop.addApplication({kSpotlightID, "Spotlight", "/System/Library/CoreServices/Spotlight.app", 0});
    desktop.addApplication({kDockID, "Dock", "/System/Library/CoreServices/Dock.app", 0});
    desktop.activate(kEditorID);
  }
};

}  // namespace brisquel::testing
