// SPDX-License-Identifier: MIT
// The layout-switch hotkey and per-application layouts, end to end: keys in,
// layout out, with the program started as a user starts it.
#include "ProgramFixture.h"
#include "layouts/AppSwitchObserver.h"
#include "layouts/LayoutHotkey.h"

namespace brisquel::testing {
namespace {

struct HotkeyCase {
  const char* what;
  std::int64_t method;
  const char* script;
  int switches;
};

std::ostream& operator<<(std::ostream& os, const HotkeyCase& c) {
  return os << c.what;
}

class HotkeyTest : public ProgramTest, public ::testing::WithParamInterface<HotkeyCase> {};

TEST_P(HotkeyTest, SwitchesOnReleaseOfTheChosenCombination) {
  const HotkeyCase& c = GetParam();
  startProgram(storing(SettingsHelper::indexHotKey, c.method));
  ASSERT_TRUE(delegate().isAccessibilityTrusted());
  const std::size_t before = desktop.selectLog().size();

  play(c.script);

  EXPECT_EQ(static_cast<int>(desktop.selectLog().size() - before), c.switches)
      << "method " << c.method << ", keys \"" << c.script << "\"";
  EXPECT_EQ(desktop.currentLayoutCode(), c.switches % 2 == 1 ? "ru" : "en");
  EXPECT_FALSE(delegate().layoutHotkey().modifiersPressed()) << "armed after every key was released";
}

INSTANTIATE_TEST_SUITE_P(
    Methods, HotkeyTest,
    ::testing::Values(HotkeyCase{"shift+fn", 0, "+shift +fn -fn -shift", 1},
                      HotkeyCase{"shift+option", 1, "+shift +opt -opt -shift", 1},
                      HotkeyCase{"shift+control, control released first", 2, "+shift +ctrl -ctrl -shift", 1},
                      HotkeyCase{"shift+control, shift released first", 2, "+shift +ctrl -shift -ctrl", 1},
                      HotkeyCase{"control pressed before shift", 2, "+ctrl +shift -shift -ctrl", 1},
                      HotkeyCase{"shift+command", 3, "+shift +cmd -cmd -shift", 1},
                      HotkeyCase{"any: shift+command+option together", 4, "+shift +cmd +opt -opt -cmd -shift", 1},
                      HotkeyCase{"any: fn+shift", 4, "+fn +shift -shift -fn", 1},
                      HotkeyCase{"any: shift+control", 4, "+shift +ctrl -ctrl -shift", 1},
                      HotkeyCase{"control again while shift stays held", 2, "+shift +ctrl -ctrl +ctrl -ctrl -shift", 2},
                      HotkeyCase{"option is not the chosen control", 2, "+shift +opt -opt -shift", 0},
                      HotkeyCase{"control is not the chosen option", 1, "+shift +ctrl -ctrl -shift", 0},
                      HotkeyCase{"shift alone", 4, "+shift -shift", 0},
                      HotkeyCase{"second modifier alone", 3, "+cmd -cmd", 0},
                      HotkeyCase{"a typed letter cancels", 2, "+shift +ctrl a -ctrl -shift", 0},
                      HotkeyCase{"a typed letter cancels method 4", 4, "+shift +opt c -opt -shift", 0},
                      HotkeyCase{"stored index naming no method", 7, "+shift +ctrl -ctrl -shift", 0},
                      HotkeyCase{"stored index 2^32 + 2, no method 2", 4294967298, "+shift +ctrl -ctrl -shift", 0},
                      HotkeyCase{"stored index -2^32 + 4, no method 4", -4294967292, "+shift +opt -opt -shift", 0}));

// --- per-application layouts ---

TEST_F(ProgramTest, EachApplicationGetsBackTheLayoutItWasLeftIn) {
  startProgram();
  ASSERT_TRUE(desktop.selectLayout("ru"));  // the user picks Russian in the editor
  desktop.runUntilIdle();

  desktop.activate(kNotesID);
  EXPECT_EQ(desktop.currentLayoutCode(), "ru") << "an application without an entry keeps the current layout";
  ASSERT_TRUE(desktop.selectLayout("en"));
  desktop.runUntilIdle();

  desktop.activate(kEditorID);
  EXPECT_EQ(desktop.currentLayoutCode(), "ru");
  desktop.activate(kNotesID);
  EXPECT_EQ(desktop.currentLayoutCode(), "en");

  const std::map<std::string, std::string> expected = {{kEditorID, "com.apple.keylayout.Russian"},
                                                       {kNotesID, "com.apple.keylayout.US"}};
  EXPECT_EQ(delegate().appSwitchObserver().perAppLayouts(), expected);
  EXPECT_EQ(delegate().appSwitchObserver().lastActiveBundleID(), kNotesID);
}

TEST_F(ProgramTest, AVisitToSpotlightNeitherSavesNorRestoresNorForgetsTheWord) {
  startProgram();
  ASSERT_TRUE(desktop.selectLayout("ru"));
  desktop.runUntilIdle();
  desktop.typeText(std::string_view("ку"));
  const std::u16string typed = program->typoDetector().buffer();
  ASSERT_FALSE(typed.empty());

  desktop.activate(kSpotlightID);
  ASSERT_TRUE(desktop.selectLayout("en"));  // changed while Spotlight is in front
  desktop.runUntilIdle();
  EXPECT_EQ(delegate().appSwitchObserver().lastActiveBundleID(), kSpotlightID);
  EXPECT_EQ(program->typoDetector().buffer(), typed);

  desktop.activate(kDockID);
  EXPECT_EQ(program->typoDetector().buffer(), typed);

  desktop.activate(kEditorID);
  EXPECT_EQ(desktop.currentLayoutCode(), "ru") << "the editor's layout comes back after Spotlight";
  EXPECT_EQ(delegate().appSwitchObserver().perAppLayouts().count(kSpotlightID), 0u);
  EXPECT_EQ(delegate().appSwitchObserver().perAppLayouts().count(kDockID), 0u);
  EXPECT_TRUE(program->typoDetector().buffer().empty()) << "activating a real application forgets the word";
}

// A click forgets the word being typed; Option held through it converts nothing.
TEST_F(ProgramTest, OptionHeldThroughAClickConvertsNothing) {
  startProgram();
  desktop.typeText(std::string_view("say ns"));
  ASSERT_FALSE(program->typoDetector().buffer().empty());
  desktop.keyDown(KeyCode::Option);
  desktop.click(6);  // on the word: a lone Option press would convert it
  desktop.keyUp(KeyCode::Option);
  EXPECT_TRUE(program->typoDetector().buffer().empty());
  EXPECT_EQ(desktop.frontmost()->textUtf8(), "say ns");
  desktop.advance(1);
  play("opt");
  EXPECT_EQ(desktop.frontmost()->textUtf8(), "say ты");
}

TEST_F(ProgramTest, FirstActivationWithNoFrontmostApplicationSavesNothing) {
  desktop.removeApplication(kEditorID);
  desktop.removeApplication(kNotesID);
  desktop.removeApplication(kSpotlightID);
  desktop.removeApplication(kDockID);
  ASSERT_EQ(desktop.frontmost(), nullptr);
  startProgram();
  EXPECT_EQ(delegate().appSwitchObserver().lastActiveBundleID(), std::nullopt);

  // The first application added comes to the front without an activation; activate another.
  desktop.addApplication({kNotesID, "Notes", "/System/Applications/Notes.app", 0});
  desktop.addApplication({kEditorID, "TextEdit", "/System/Applications/TextEdit.app", 0});
  desktop.activate(kEditorID);
  EXPECT_TRUE(delegate().appSwitchObserver().perAppLayouts().empty());
  EXPECT_EQ(delegate().appSwitchObserver().lastActiveBundleID(), kEditorID);
}

}  // namespace
}  // namespace brisquel::testing
