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
using ::testing::ElementsAreArray;
using fcitx5test::FcitxHarness;
using fcitx5test::FieldOptions;
using fcitx5test::Step;
using fcitx5test::TextField;

const FieldOptions terminal{.surroundingText = false, .terminal = true};
// Chromium and its kin offer no surrounding text and replay forwarded keys
// after later commits: the word being typed is composing text there, which
// is rewritten exactly; committed text is never reached by keys.
const FieldOptions chromium{.surroundingText = false, .replaysKeysLate = true, .frontend = "dbus"};

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
  // A new field of the program on the English layout, holding `before`, with the keys typed into it.
  TextField& typeInto(const std::string& program, const FieldOptions& options, const std::string& before,
                      const std::string& keys) {
    harness.instance().setCurrentInputMethod("keyboard-us");
    TextField& f = harness.field(program, options);
    f.setText(before);
    f.type(keys);
    return f;
  }
  std::string layoutOf(TextField& f) { return harness.instance().inputMethod(&f); }

  FcitxHarness harness{{"brisquel"}};
};

TEST_F(AddonTest, WrongLayoutWordsAreCorrectedAndTheLayoutSwitches) {
  struct Case {
    const char* program;
    FieldOptions options;
    const char* before;  // what the field holds already
    const char* typed;
    const char* shown;  // what the field shows, composing text included
    const char* layout;
    std::vector<std::string> forwarded = {};  // the keys the application got from the input method
  };
  const std::vector<Case> cases = {
      {"org.gnome.TextEditor", {}, "", "ghbdtn vbh ", "привет мир ", "keyboard-ru"},
      {"org.gnome.TextEditor", {}, "", "hello world ", "hello world ", "keyboard-us"},
      // The field's text is counted in UTF-16 units: the emoji is two of them.
      {"firefox", {}, "😀 ", "ghbdtn ", "😀 привет ", "keyboard-ru"},
      // A terminal gets the BackSpace keys as DEL characters among the text.
      {"xterm", terminal, "", "ghbdtn vbh ", "привет мир ", "keyboard-ru"},
      // Without the field's text the word is replaced by BackSpace keys with their real keycode.
      {"org.example.TkEditor", {.surroundingText = false}, "", "ghbdtn vbh ", "привет мир ", "keyboard-ru",
       {"+BackSpace@22", "-BackSpace@22", "+BackSpace@22", "-BackSpace@22", "+BackSpace@22", "-BackSpace@22"}},
      {"firefox", {.password = true}, "", "ghbdtn vbh ", "ghbdtn vbh ", "keyboard-us"},
      {"chromium", chromium, "", "ghbdtn vbh ", "привет мир ", "keyboard-ru"},
      {"chromium", chromium, "", "ntcn ", "тест ", "keyboard-ru"},
      // The single letter was committed before the next word showed the layout: it stays.
      {"chromium", chromium, "", "Z gjqle pfdnhf ", "Z пойду завтра ", "keyboard-ru"},
      {"chromium", chromium, "", "ghbdtn<BackSpace><BackSpace>n ", "привт ", "keyboard-ru"},
      // Return follows the composing text as a key of its own (Chromium takes
      // a key that brings a commit for the input method's and drops it).
      {"chromium", chromium, "", "ghbdtn<Return>", "привет", "keyboard-ru", {"+Return@36"}},
      // The word was committed with its space: no exact way back to it.
      {"chromium", chromium, "", "cat <alt>", "cat ", "keyboard-us"},
  };
  std::vector<std::string> shown, layouts;
  std::vector<TextField*> made;
  std::vector<Step> steps;
  for (const auto& c : cases) {
    steps.push_back(Step([&, c] { made.push_back(&typeInto(c.program, c.options, c.before, c.typed)); },
                         c.options.replaysKeysLate ? 0.6 : 0.1));
    steps.push_back(Step([&] {
      shown.push_back(made.back()->shown());
      layouts.push_back(layoutOf(*made.back()));
    }));
  }
  run(steps);
  ASSERT_EQ(shown.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(std::string(cases[i].program) + ": " + cases[i].typed);
    EXPECT_EQ(shown[i], cases[i].shown);
    EXPECT_EQ(layouts[i], cases[i].layout);
    EXPECT_THAT(made[i]->forwarded(), ElementsAreArray(cases[i].forwarded));
  }
}

TEST_F(AddonTest, EachProgramKeepsItsOwnLayout) {
  TextField* editor = nullptr;
  TextField* browser = nullptr;
  std::string editorLayout, browserLayout;
  run({
      Step([&] { editor = &typeInto("org.gnome.TextEditor", {}, "", "ghbdtn "); }, 0.1),  // Russian from now on
      // Typed on the Russian layout: corrected, English again.
      Step([&] { browser = &harness.field("firefox", {}); browser->type("hello "); }, 0.1),
      Step([&] { editor->focusIn(); }, 0.1),
      Step([&] {
        editorLayout = layoutOf(*editor);
        editor->type("vbh ");
        browser->focusIn();
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

// A lone Alt converts the word being typed and a second one undoes it; in
// Chromium the composing text is committed when the field loses the focus.
TEST_F(AddonTest, ALoneAltConvertsTheLastWordAndASecondOneUndoesIt) {
  const struct {
    const char* program;
    FieldOptions options;
    const char* word;
    const char* converted;
  } cases[] = {{"org.gnome.TextEditor", {}, "hello", "руддщ"}, {"chromium", chromium, "cat", "сфе"}};
  std::vector<std::string> converted, layouts, undone;
  std::vector<TextField*> made;
  std::vector<Step> steps;
  for (const auto& c : cases) {
    steps.push_back(Step([&, c] { made.push_back(&typeInto(c.program, c.options, "", "")); }, 0.1));
    steps.push_back(Step([&, c] { made.back()->type(c.word + std::string("<alt>")); }, 0.6));  // past the double press
    steps.push_back(Step([&] {
      converted.push_back(made.back()->shown());
      layouts.push_back(layoutOf(*made.back()));
      made.back()->type("<alt>");
    }, 0.3));
    steps.push_back(Step([&] {
      undone.push_back(made.back()->shown());
      made.back()->focusOut();
    }, 0.6));  // the next field's Alt is no double press
  }
  run(steps);
  ASSERT_EQ(undone.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].program);
    EXPECT_EQ(converted[i], cases[i].converted);
    EXPECT_EQ(layouts[i], "keyboard-ru");
    EXPECT_EQ(undone[i], cases[i].word);
    EXPECT_EQ(made[i]->text(), cases[i].word);
    EXPECT_TRUE(made[i]->forwarded().empty());
    // Both releases were the program's: the application saw no lone Alt of its own.
    EXPECT_THAT(made[i]->passed(), Contains("+Alt_L"));
    EXPECT_THAT(made[i]->passed(), ::testing::Not(Contains(::testing::StartsWith("-Alt"))));
  }
}

TEST_F(AddonTest, ControlShortcutsReachTheApplicationAsItsOwn) {
  const struct {
    const char* program;
    FieldOptions options;
    const char* keys;
    std::vector<std::string> shortcuts;
  } cases[] = {
      {"org.gnome.TextEditor", {}, "<ctrl+c><ctrl+v><ctrl+z>", {"ctrl+c", "ctrl+v", "ctrl+z"}},
      // The terminal's own paste; Control+C copies and still interrupts (kitty and
      // the other terminals that copy without interrupting get no Control+C).
      {"gnome-terminal-server", terminal, "<ctrl+v><ctrl+c>", {"ctrl+shift+v", "ctrl+shift+c", "ctrl+c"}},
      // Terminals on the first-start list keep their own Control+C, as on a Mac.
      {"konsole", terminal, "<ctrl+v><ctrl+c>", {"ctrl+shift+v", "ctrl+c"}},
  };
  std::vector<TextField*> made;
  std::vector<Step> steps;
  for (const auto& c : cases) {
    steps.push_back(Step([&, c] { made.push_back(&harness.field(c.program, c.options)); }, 0.1));
    steps.push_back(Step([&, c] { made.back()->type(c.keys); }, 0.2));
    // A loaded machine may need longer than the pause.
    steps.push_back(Step::waitUntil([&, c] { return made.back()->shortcuts().size() >= c.shortcuts.size(); }));
  }
  run(steps);
  ASSERT_EQ(made.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_THAT(made[i]->shortcuts(), ElementsAreArray(cases[i].shortcuts)) << cases[i].program;
}

}  // namespace
}  // namespace brisquel
