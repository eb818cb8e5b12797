// The focused text field of a simulated application reacts to delivered keys
// as a real one does.

#include <gtest/gtest.h>

#include "sim/SimDesktop.h"

namespace brisquel::sim {
namespace {

class TextFieldTest : public ::testing::Test {
 protected:
  TextFieldTest() {
    desktop.enableLayouts({"en"});
    desktop.setTypingInterval(0);
  }
  Desktop desktop;
  SimApp& editor = desktop.addApplication({"com.example.editor", "Editor", "/Applications/Editor.app", 0});
};

TEST_F(TextFieldTest, EditingKeys) {
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
