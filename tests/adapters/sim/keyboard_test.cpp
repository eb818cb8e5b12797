// SPDX-License-Identifier: MIT
// The simulated keyboard and text field the end-to-end tests type into: what
// each layout's keys produce, dead keys, Caps Lock, and the editing keys.

#include <gtest/gtest.h>

#include "sim/SimDesktop.h"

namespace brisquel::sim {
namespace {

class KeyboardTest : public ::testing::Test {
 protected:
  KeyboardTest() {
    desktop.enableLayouts({"en", "ru", "uk", "he", "ar", "el"});
    desktop.setTypingInterval(0);
  }
  Desktop desktop;
  SimApp& editor = desktop.addApplication({"com.example.editor", "Editor", "/Applications/Editor.app", 0});
};

struct TypingCase {
  const char* layout;
  const char* keys;
  const char* expected;
};

// Each key's own characters are held against the reference layouts in
// layout_table_test.cpp; here what lies between keys: Shift held over several,
// Tab and Return, dead keys and Caps Lock.
TEST_F(KeyboardTest, KeysProduceTheCurrentLayoutsCharacters) {
  const TypingCase cases[] = {
      {"en", "shift+h i shift+1 tab", "Hi!\t"},
      {"ar", "tab", "\t"},
      {"el", "; a", "ά"},
      {"el", "shift+; shift+i", "Ϊ"},
      {"el", "; space", "´"},
      {"el", "shift+; space", "¨"},
      {"el", "; t", "τ"},           // no composition: the accent is dropped
      {"el", "shift+; ; o", "ό"},   // a second dead key replaces the first
      {"el", "; return a", "\nα"},  // Return drops a waiting accent
      {"el", "tab", "\t"},
      {"ru", "capslock a shift+a 1 ; capslock a", "Фф1Жф"},  // Caps Lock: letters only
  };
  for (const auto& c : cases) {
    editor.setText(u"");
    ASSERT_TRUE(desktop.selectLayout(c.layout)) << c.layout;
    ASSERT_TRUE(desktop.press(c.keys)) << c.keys;
    EXPECT_EQ(editor.textUtf8(), c.expected) << c.layout << ": " << c.keys;
  }
}

TEST_F(KeyboardTest, TheFocusedFieldEditsAsARealOne) {
  struct Case {
    std::u16string text;
    TextRange selection;
    const char* keys;
    std::u16string expectedText;
    TextRange expectedSelection;
  };
  const Case cases[] = {
      {u"hello", {5, 0}, "backspace", u"hell", {4, 0}},
      {u"hello", {1, 3}, "a", u"hao", {2, 0}},
      {u"hello", {1, 3}, "backspace", u"ho", {1, 0}},
      {u"hello", {5, 0}, "left left backspace", u"helo", {2, 0}},
      {u"hello", {0, 0}, "delete", u"ello", {0, 0}},
      {u"hello", {1, 3}, "delete", u"ho", {1, 0}},
      {u"hello", {5, 0}, "delete", u"hello", {5, 0}},
      {u"", {0, 0}, "backspace", u"", {0, 0}},
      {u"a😀", {3, 0}, "backspace", u"a", {1, 0}},  // a surrogate pair goes whole
      {u"a😀b", {3, 0}, "left", u"a😀b", {1, 0}},
      {u"a😀b", {1, 0}, "delete", u"ab", {1, 0}},
      {u"e\u0301x", {2, 0}, "backspace", u"x", {0, 0}},  // a grapheme with its mark
      {u"👍🏽", {4, 0}, "backspace", u"", {0, 0}},
      {u"abc", {1, 1}, "right", u"abc", {2, 0}},  // collapses the selection
      {u"abc", {1, 1}, "left", u"abc", {1, 0}},
      {u"abc", {3, 0}, "shift+left shift+left", u"abc", {1, 2}},
      {u"abc", {3, 0}, "shift+left shift+left x", u"ax", {2, 0}},
      {u"abc", {1, 0}, "up", u"abc", {0, 0}},
      {u"abc", {1, 0}, "down", u"abc", {3, 0}},
      {u"ab", {1, 0}, "return", u"a\nb", {2, 0}},
      {u"ab", {1, 0}, "tab", u"a\tb", {2, 0}},
      {u"ab", {1, 0}, "esc", u"ab", {1, 0}},
      {u"hello", {5, 0}, "cmd+a x", u"x", {1, 0}},
      {u"hello", {0, 5}, "cmd+c right cmd+v", u"hellohello", {10, 0}},
      {u"hello", {0, 2}, "cmd+x cmd+v cmd+v", u"hehello", {4, 0}},
      {u"hello", {5, 0}, "ctrl+a", u"hello", {5, 0}},  // recorded, not typed
  };
  for (const auto& c : cases) {
    editor.setText(c.text, c.selection);
    ASSERT_TRUE(desktop.press(c.keys)) << c.keys;
    EXPECT_EQ(editor.text(), c.expectedText) << c.keys;
    EXPECT_EQ(editor.selection(), c.expectedSelection)
        << c.keys << ": got " << editor.selection().location << ',' << editor.selection().length;
  }
}

}  // namespace
}  // namespace brisquel::sim
