// Typing on the simulated keyboard: what each layout produces, dead keys,
// modifiers, and the typeText helper's choice of keys.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/SimDesktop.h"

namespace brisquel::sim {
namespace {

class KeyboardTest : public ::testing::Test {
 protected:
  KeyboardTest() {
    desktop.enableLayouts({"en", "ru", "uk", "he", "ar", "el"});
    desktop.setTypingInterval(0);
  }
  std::vector<KeyEvent> keyDowns() const {
    std::vector<KeyEvent> out;
    for (const auto& r : editor.received()) {
      if (r.event.type == EventType::KeyDown) out.push_back(r.event);
    }
    return out;
  }
  Desktop desktop;
  SimApp& editor = desktop.addApplication({"com.example.editor", "Editor", "/Applications/Editor.app", 0});
};

struct TypingCase {
  const char* layout;
  const char* keys;
  const char* expected;
};

TEST_F(KeyboardTest, KeysProduceTheCurrentLayoutsCharacters) {
  const TypingCase cases[] = {
      {"en", "h e l l o", "hello"},
      {"en", "shift+h i shift+1 tab", "Hi!\t"},
      {"ru", "g h b d t n", "привет"},
      {"ru", "shift+g ` shift+` / shift+/", "ПёЁ.,"},
      {"uk", "s b ] ' ` shift+`", "іиїє'\u02BC"},
      {"uk", "/ shift+/", ".,"},
      {"he", "a b [ ]", "שנ]["},
      {"he", "shift+a shift+b", "AB"},
      {"ar", "a b", "ش\uFEFB"},
      {"ar", "tab", "\t"},
      {"el", "a s w shift+w shift+s", "ασςΣΣ"},
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

TEST_F(KeyboardTest, TextEventsLeaveADeadKeyWaiting) {
  desktop.selectLayout("el");
  desktop.press(";");
  desktop.typeText(u"😀");
  desktop.press("a");
  EXPECT_EQ(editor.textUtf8(), "😀ά");
}

TEST_F(KeyboardTest, TypeTextChoosesKeysAsAUserWould) {
  struct Case {
    const char* layout;
    const char* text;
    const char* keysLayout;
    std::vector<std::uint16_t> keyCodes;  // key-downs other than modifiers
    const char* expected;
  };
  const Case cases[] = {
      // Shift+S, not Shift+W: the key whose plain character is the lower case wins.
      {"el", "Σ", "", {KeyCode::ANSI_S}, "Σ"},
      {"el", "ά", "", {KeyCode::ANSI_Semicolon, KeyCode::ANSI_A}, "ά"},
      {"el", "Ϊ", "", {KeyCode::ANSI_Semicolon, KeyCode::ANSI_I}, "Ϊ"},
      {"el", "´", "", {KeyCode::ANSI_Semicolon, KeyCode::Space}, "´"},
      // Keys named in the US layout, pressed while Russian is active.
      {"ru", "ghbdtn", "us", {5, 4, 11, 2, 17, 45}, "привет"},
      // A character Russian lacks is pressed as the US key for it.
      {"ru", "q", "", {KeyCode::ANSI_Q}, "й"},
      // Neither layout has it: one key event carrying the text.
      {"en", "ж😀", "", {0, 0}, "ж😀"},
  };
  for (const auto& c : cases) {
    desktop.selectLayout(c.layout);
    editor.setText(u"");
    editor.clearLog();
    desktop.typeText(std::string_view(c.text), c.keysLayout);
    EXPECT_EQ(editor.textUtf8(), c.expected) << c.text;
    auto downs = keyDowns();
    std::vector<std::uint16_t> codes;
    for (const auto& e : downs) codes.push_back(e.keyCode);
    ASSERT_FALSE(codes.empty()) << c.text;
    EXPECT_EQ(codes, c.keyCodes) << c.text;
  }
}

}  // namespace
}  // namespace brisquel::sim
