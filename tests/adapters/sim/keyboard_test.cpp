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

// Each key's own characters are held against the reference layouts in
// layout_table_test.cpp; here what lies between keys: Shift held over several,
// Tab and Return, dead keys and Caps Lock, and the editing keys of the field.
TEST_F(KeyboardTest, KeysTypeTheCurrentLayoutsCharactersAndEditAsInARealField) {
  struct Case {
    const char* layout;
    std::u16string text;
    TextRange selection;
    const char* keys;
    std::u16string expectedText;
    TextRange expectedSelection;
  };
  const Case cases[] = {
      {"en", u"", {0, 0}, "shift+h i shift+1 tab", u"Hi!\t", {4, 0}},
      {"ar", u"", {0, 0}, "tab", u"\t", {1, 0}},
      {"el", u"", {0, 0}, "; a", u"ά", {1, 0}},
      {"el", u"", {0, 0}, "shift+; shift+i", u"Ϊ", {1, 0}},
      {"el", u"", {0, 0}, "; space", u"´", {1, 0}},
      {"el", u"", {0, 0}, "shift+; space", u"¨", {1, 0}},
      {"el", u"", {0, 0}, "; t", u"τ", {1, 0}},           // no composition: the accent is dropped
      {"el", u"", {0, 0}, "shift+; ; o", u"ό", {1, 0}},   // a second dead key replaces the first
      {"el", u"", {0, 0}, "; return a", u"\nα", {2, 0}},  // Return drops a waiting accent
      {"ru", u"", {0, 0}, "capslock a shift+a 1 ; capslock a", u"Фф1Жф", {5, 0}},  // Caps Lock: letters only
      {"en", u"hello", {5, 0}, "backspace", u"hell", {4, 0}},
      {"en", u"hello", {1, 3}, "a", u"hao", {2, 0}},
      {"en", u"hello", {1, 3}, "backspace", u"ho", {1, 0}},
      {"en", u"hello", {5, 0}, "left left backspace", u"helo", {2, 0}},
      {"en", u"hello", {0, 0}, "delete", u"ello", {0, 0}},
      {"en", u"hello", {1, 3}, "delete", u"ho", {1, 0}},
      {"en", u"hello", {5, 0}, "delete", u"hello", {5, 0}},
      {"en", u"", {0, 0}, "backspace", u"", {0, 0}},
      {"en", u"a😀", {3, 0}, "backspace", u"a", {1, 0}},  // a surrogate pair goes whole
      {"en", u"a😀b", {3, 0}, "left", u"a😀b", {1, 0}},
      {"en", u"a😀b", {1, 0}, "delete", u"ab", {1, 0}},
      {"en", u"e\u0301x", {2, 0}, "backspace", u"x", {0, 0}},  // a grapheme with its mark
      {"en", u"👍🏽", {4, 0}, "backspace", u"", {0, 0}},
      {"en", u"abc", {1, 1}, "right", u"abc", {2, 0}},  // collapses the selection
      {"en", u"abc", {1, 1}, "left", u"abc", {1, 0}},
      {"en", u"abc", {3, 0}, "shift+left shift+left", u"abc", {1, 2}},
      {"en", u"abc", {3, 0}, "shift+left shift+left x", u"ax", {2, 0}},
      {"en", u"abc", {1, 0}, "up", u"abc", {0, 0}},
      {"en", u"abc", {1, 0}, "down", u"abc", {3, 0}},
      {"en", u"ab", {1, 0}, "return", u"a\nb", {2, 0}},
      {"el", u"ab", {1, 0}, "tab", u"a\tb", {2, 0}},
      {"en", u"ab", {1, 0}, "esc", u"ab", {1, 0}},
      {"en", u"hello", {5, 0}, "cmd+a x", u"x", {1, 0}},
      {"en", u"hello", {0, 5}, "cmd+c right cmd+v", u"hellohello", {10, 0}},
      {"en", u"hello", {0, 2}, "cmd+x cmd+v cmd+v", u"hehello", {4, 0}},
      {"en", u"hello", {5, 0}, "ctrl+a", u"hello", {5, 0}},  // recorded, not typed
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.layout) + ": " + c.keys);
    ASSERT_TRUE(desktop.selectLayout(c.layout));
    editor.setText(c.text, c.selection);
    ASSERT_TRUE(desktop.press(c.keys));
    EXPECT_EQ(editor.text(), c.expectedText);
    EXPECT_EQ(editor.selection(), c.expectedSelection)
        << "got " << editor.selection().location << ',' << editor.selection().length;
  }
}

}  // namespace
}  // namespace brisquel::sim
