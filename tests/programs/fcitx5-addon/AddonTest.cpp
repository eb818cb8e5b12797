// SPDX-License-Identifier: MIT
// The whole program inside fcitx5: the Brisquel addon loaded by a real fcitx5
// Instance, text fields of several programs, keys pressed by position; what
// the fields hold and which layout is active is what a user would see.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FcitxHarness.h"

namespace brisquel {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using fcitx5test::FcitxHarness;
using fcitx5test::FieldOptions;
using fcitx5test::Step;
using fcitx5test::TextField;

class AddonTest : public ::testing::Test {
 protected:
  // Runs the steps once the program has started and its dictionaries are loaded.
  void run(const std::vector<Step>& steps) {
    std::vector<Step> all{
        Step([this] { harness.setLayouts({"keyboard-us", "keyboard-ru"}); }),
        Step::waitUntil([this] { return harness.log().find("Brisquel is ready") != std::string::npos; }),
        Step([] {}, 1.1),  // the keyboard monitors start a second after launch
    };
    all.insert(all.end(), steps.begin(), steps.end());
    harness.run(all);
  }
  TextField& field(const std::string& program, FieldOptions options = {}) { return harness.field(program, options); }
  std::string layoutOf(TextField& f) { return harness.instance().inputMethod(&f); }

  FcitxHarness harness{{"brisquel"}};
};

TEST_F(AddonTest, WrongLayoutWordsAreCorrectedAndTheLayoutSwitches) {
  struct Case {
    const char* program;
    FieldOptions options;
    const char* before;  // what the field holds already
    const char* typed;
    const char* held;
    const char* layout;
  };
  const std::vector<Case> cases = {
      {"org.gnome.TextEditor", {}, "", "ghbdtn vbh ", "привет мир ", "keyboard-ru"},
      {"org.gnome.TextEditor", {}, "", "hello world ", "hello world ", "keyboard-us"},
      // The field's text is counted in UTF-16 units: the emoji is two of them.
      {"firefox", {}, "😀 ", "ghbdtn ", "😀 привет ", "keyboard-ru"},
      {"xterm", {.surroundingText = false, .terminal = true}, "", "ghbdtn vbh ", "привет мир ", "keyboard-ru"},
      {"org.example.TkEditor", {.surroundingText = false}, "", "ghbdtn vbh ", "привет мир ", "keyboard-ru"},
      {"firefox", {.password = true}, "", "ghbdtn vbh ", "ghbdtn vbh ", "keyboard-us"},
  };
  std::vector<std::string> held, layouts;
  std::vector<TextField*> made;
  std::vector<Step> steps;
  for (const auto& c : cases) {
    steps.push_back(Step([&, c] {
      harness.instance().setCurrentInputMethod("keyboard-us");
      made.push_back(&field(c.program, c.options));
      made.back()->setText(c.before);
      made.back()->type(c.typed);
    }, 0.1));
    steps.push_back(Step([&] {
      held.push_back(made.back()->text());
      layouts.push_back(layoutOf(*made.back()));
    }));
  }
  run(steps);
  ASSERT_EQ(held.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(held[i], cases[i].held) << cases[i].program << ": " << cases[i].typed;
    EXPECT_EQ(layouts[i], cases[i].layout) << cases[i].program << ": " << cases[i].typed;
  }
  // Without the field's text the word is replaced by BackSpace keys with their
  // real keycode, which a terminal gets as DEL characters among the text.
  EXPECT_THAT(made[4]->forwarded(), Contains("+BackSpace@22"));
  EXPECT_TRUE(made[3]->forwarded().empty());
  EXPECT_TRUE(made[0]->forwarded().empty());
  EXPECT_TRUE(made[2]->forwarded().empty());
}

// Chromium and its kin offer no surrounding text and replay forwarded keys
// after later commits: the word being typed is composing text there, which
// is rewritten exactly; committed text is never reached by keys.
TEST_F(AddonTest, InAClientThatReplaysKeysLateOnlyComposingTextIsRewritten) {
  const FieldOptions chromium{.surroundingText = false, .replaysKeysLate = true, .frontend = "dbus"};
  struct Case {
    const char* typed;
    const char* shown;  // what the field shows, composing text included
    const char* layout;
  };
  const std::vector<Case> cases = {
      {"ghbdtn vbh ", "привет мир ", "keyboard-ru"},
      {"ntcn ", "тест ", "keyboard-ru"},
      // The single letter was committed before the next word showed the layout: it stays.
      {"Z gjqle pfdnhf ", "Z пойду завтра ", "keyboard-ru"},
      {"ghbdtn<BackSpace><BackSpace>n ", "привт ", "keyboard-ru"},
      // Return follows the composing text as a key of its own (Chromium takes
      // a key that brings a commit for the input method's and drops it).
      {"ghbdtn<Return>", "привет", "keyboard-ru"},
      // The word was committed with its space: no exact way back to it.
      {"cat <alt>", "cat ", "keyboard-us"},
  };
  std::vector<std::string> shown, layouts;
  std::vector<TextField*> made;
  std::vector<Step> steps;
  for (const auto& c : cases) {
    steps.push_back(Step([&, c] {
      harness.instance().setCurrentInputMethod("keyboard-us");
      made.push_back(&field("chromium", chromium));
      made.back()->type(c.typed);
    }, 0.6));
    steps.push_back(Step([&] {
      shown.push_back(made.back()->shown());
      layouts.push_back(layoutOf(*made.back()));
    }));
  }
  // A lone Alt converts the word being typed and a second one undoes it; the
  // composing text is committed when the field loses the focus.
  TextField* browser = nullptr;
  std::string converted, convertedLayout, undone;
  steps.push_back(Step([&] {
    harness.instance().setCurrentInputMethod("keyboard-us");
    browser = &field("chromium", chromium);
    browser->type("cat<alt>");
  }, 0.6));
  steps.push_back(Step([&] {
    converted = browser->shown();
    convertedLayout = layoutOf(*browser);
    browser->type("<alt>");
  }, 0.3));
  steps.push_back(Step([&] {
    undone = browser->shown();
    browser->focusOut();
  }));
  run(steps);
  ASSERT_EQ(shown.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(shown[i], cases[i].shown) << cases[i].typed;
    EXPECT_EQ(layouts[i], cases[i].layout) << cases[i].typed;
  }
  EXPECT_EQ(converted, "сфе");
  EXPECT_EQ(convertedLayout, "keyboard-ru");
  EXPECT_EQ(undone, "cat");
  EXPECT_EQ(browser->text(), "cat");
  EXPECT_THAT(made[4]->forwarded(), ElementsAre("+Return@36"));
  made[4] = browser;
  for (auto* f : made) EXPECT_TRUE(f->forwarded().empty()) << f->text();
}

TEST_F(AddonTest, EachProgramKeepsItsOwnLayout) {
  TextField* editor = nullptr;
  TextField* browser = nullptr;
  std::string editorLayout, browserLayout;
  run({
      Step([&] {
        editor = &field("org.gnome.TextEditor");
        editor->type("ghbdtn ");  // Russian from now on
      }, 0.1),
      Step([&] {
        browser = &field("firefox");
        browser->type("hello ");  // typed on the Russian layout: corrected, English again
      }, 0.1),
      Step([&] { editor->focus(); }, 0.1),
      Step([&] {
        editorLayout = layoutOf(*editor);
        editor->type("vbh ");
        browser->focus();
      }, 0.1),
      Step([&] {
        browserLayout = layoutOf(*browser);
        browser->type("world ");
      }),
  });
  EXPECT_EQ(editorLayout, "keyboard-ru");
  EXPECT_EQ(browserLayout, "keyboard-us");
  EXPECT_EQ(editor->text(), "привет мир ");
  EXPECT_EQ(browser->text(), "hello world ");
}

TEST_F(AddonTest, ALoneAltConvertsTheLastWordAndASecondOneUndoesIt) {
  TextField* editor = nullptr;
  std::string converted, layout;
  run({
      Step([&] {
        editor = &field("org.gnome.TextEditor");
        editor->type("hello<alt>");
      }, 0.6),  // past the double-press interval
      Step([&] {
        converted = editor->text();
        layout = layoutOf(*editor);
        editor->type("<alt>");
      }, 0.3),
  });
  EXPECT_EQ(converted, "руддщ");
  EXPECT_EQ(layout, "keyboard-ru");
  EXPECT_EQ(editor->text(), "hello");
  // Both releases were the program's: the application saw no lone Alt of its own.
  EXPECT_THAT(editor->passed(), Contains("+Alt_L"));
  EXPECT_THAT(editor->passed(), ::testing::Not(Contains(::testing::StartsWith("-Alt"))));
}

TEST_F(AddonTest, ControlShortcutsReachTheApplicationAsItsOwn) {
  TextField* editor = nullptr;
  TextField* terminal = nullptr;
  TextField* konsole = nullptr;
  run({
      Step([&] {
        editor = &field("org.gnome.TextEditor");
        editor->type("<ctrl+c><ctrl+v><ctrl+z>");
      }, 0.2),
      // A loaded machine may need longer than the pause.
      Step::waitUntil([&] { return editor->shortcuts().size() >= 3; }),
      Step([&] {
        terminal = &field("gnome-terminal-server", {.surroundingText = false, .terminal = true});
        terminal->type("<ctrl+v><ctrl+c>");
      }, 0.2),
      Step::waitUntil([&] { return terminal->shortcuts().size() >= 3; }),
      Step([&] { konsole = &field("konsole", {.surroundingText = false, .terminal = true}); }, 0.1),
      Step([&] { konsole->type("<ctrl+v><ctrl+c>"); }, 0.2),
      Step::waitUntil([&] { return konsole->shortcuts().size() >= 2; }),
  });
  EXPECT_THAT(editor->shortcuts(), ElementsAre("ctrl+c", "ctrl+v", "ctrl+z"));
  // The terminal's own paste; Control+C copies and still interrupts (kitty and
  // the other terminals that copy without interrupting get no Control+C).
  EXPECT_THAT(terminal->shortcuts(), ElementsAre("ctrl+shift+v", "ctrl+shift+c", "ctrl+c"));
  // Terminals on the first-start list keep their own Control+C, as on a Mac.
  EXPECT_THAT(konsole->shortcuts(), ElementsAre("ctrl+shift+v", "ctrl+c"));
}

}  // namespace
}  // namespace brisquel
