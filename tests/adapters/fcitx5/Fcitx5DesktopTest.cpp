// The fcitx5 adapters on a real fcitx5 Instance with fake text fields: taps
// decide for real, posted text and keys reach the field, the focused text is
// read and rewritten in UTF-16 terms, layouts and applications follow fcitx5.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FcitxHarness.h"
#include "fcitx5/Desktop.h"
#include "base/KeyCodes.h"

namespace brisquel {
namespace {

using ::testing::ElementsAre;
using brisquel::fcitx5test::FcitxHarness;
using brisquel::fcitx5test::FieldOptions;
using brisquel::fcitx5test::TextField;

class Fcitx5DesktopTest : public ::testing::Test {
 protected:
  // Runs the steps with a desktop on the layouts, and fields made in the first step.
  void run(const std::vector<fcitx5test::Step>& steps) {
    std::vector<fcitx5test::Step> all{[this] {
      harness.setLayouts({"keyboard-us", "keyboard-ru"});
      desktop = std::make_unique<fcitx5::Desktop>(harness.instance(), fcitx5::DesktopOptions{"/opt/brisquel", "1.0"});
    }};
    all.insert(all.end(), steps.begin(), steps.end());
    harness.run(all);
  }
  TextField& field(const std::string& program, FieldOptions options = {}) { return harness.field(program, options); }
  Platform platform() { return desktop->platform(); }

  FcitxHarness harness;
  std::unique_ptr<fcitx5::Desktop> desktop;
  std::vector<std::string> seen;
};

std::string describe(EventType type, const KeyEvent& e) {
  std::string s = type == EventType::KeyDown ? "down" : type == EventType::KeyUp ? "up" : "flags";
  s += " " + std::to_string(e.keyCode);
  if (e.flags & Flags::Shift) s += " shift";
  if (e.flags & Flags::Control) s += " ctrl";
  if (e.flags & Flags::Option) s += " opt";
  if (e.flags & Flags::Command) s += " cmd";
  if (e.characters) {
    std::string chars;
    for (char16_t c : *e.characters) chars += c < 0x80 ? static_cast<char>(c) : '#';
    s += " '" + chars + "'";
  }
  return s;
}

TEST_F(Fcitx5DesktopTest, TapsSeeEveryKeyAsARecordAndDecideForReal) {
  std::unique_ptr<EventTap> tap;
  TextField* editor = nullptr;
  TextField* terminal = nullptr;
  run({[&] {
         tap = platform().keyboard->createEventTap(kKeyEventsMask, [&](EventType type, const KeyEvent& e)
                                                                      -> std::optional<KeyEvent> {
           seen.push_back(describe(type, e));
           if (type == EventType::KeyDown && e.keyCode == KeyCode::ANSI_X) return std::nullopt;  // drop
           if (e.keyCode == KeyCode::ANSI_Y) {  // replace by Command+A
             KeyEvent replaced;
             replaced.type = type;
             replaced.keyCode = KeyCode::ANSI_A;
             replaced.flags = Flags::Command;
             return replaced;
           }
           return e;
         });
         tap->setEnabled(true);
         editor = &field("org.gnome.TextEditor");
         editor->type("axyB<alt>");
       },
       [&] {
         terminal = &field("kitty");
         terminal->type("y");
       }});
  EXPECT_EQ(editor->text(), "aB");
  EXPECT_THAT(editor->shortcuts(), ElementsAre("ctrl+a"));
  EXPECT_THAT(terminal->shortcuts(), ElementsAre("ctrl+shift+a"));
  EXPECT_THAT(std::vector<std::string>(seen.begin(), seen.begin() + 12),
              ElementsAre("down 0 'a'", "up 0 'a'", "down 7 'x'", "up 7 'x'", "down 16 'y'", "up 16 'y'",
                          "flags 56 shift", "down 11 shift 'B'", "up 11 shift 'B'", "flags 56", "flags 58 opt",
                          "flags 58"));
}

TEST_F(Fcitx5DesktopTest, PostedTextIsCommittedAndKeysAreForwardedWithTheirKeycodes) {
  std::unique_ptr<EventTap> tap;
  TextField* editor = nullptr;
  TextField* terminal = nullptr;
  run({[&] {
    tap = platform().keyboard->createEventTap(kKeyEventsMask, [&](EventType type, const KeyEvent& e)
                                                                 -> std::optional<KeyEvent> {
      if (e.userData == 7) {
        seen.push_back(describe(type, e));  // posted events pass through the tap again
        return e;
      }
      if (type != EventType::KeyDown || e.keyCode != KeyCode::Space) return e;
      for (int i = 0; i < 2; ++i) {
        for (bool down : {true, false}) {
          auto bs = platform().keyboard->createKeyboardEvent(KeyCode::Delete, down);
          bs->userData = 7;
          platform().keyboard->post(*bs);
        }
      }
      auto typed = platform().keyboard->createKeyboardEvent(0, true);
      typed->characters = u"ок ";
      typed->userData = 7;
      platform().keyboard->post(*typed);
      return std::nullopt;
    });
    tap->setEnabled(true);
  },
  [&] {
    editor = &field("org.example.TkEditor", {.surroundingText = false});
    editor->type("ab ");
  },
  [&] {
    terminal = &field("xterm", {.surroundingText = false, .terminal = true});
    terminal->type("ab ");
  }});
  EXPECT_EQ(editor->text(), "ок ");
  EXPECT_THAT(editor->forwarded(), ElementsAre("+BackSpace@22", "-BackSpace@22", "+BackSpace@22", "-BackSpace@22"));
  EXPECT_EQ(seen.size(), 10u);
  // A terminal gets the BackSpaces as DEL characters in the same commit as the text.
  EXPECT_EQ(terminal->text(), "ок ");
  EXPECT_TRUE(terminal->forwarded().empty());
}

TEST_F(Fcitx5DesktopTest, TheFocusedTextIsTheSurroundingTextInUtf16Units) {
  TextField* editor = nullptr;
  TextField* password = nullptr;
  std::optional<std::u16string> value;
  std::optional<TextRange> range;
  AXError passwordError = AXError::Success;
  run({[&] {
         editor = &field("firefox");
         editor->setText("😀 ghbdtn");
         auto& ax = *platform().accessibility;
         auto element = ax.focusedElement(ax.systemWideElement());
         ASSERT_TRUE(element.ok());
         value = ax.value(*element.value).value->string;
         range = ax.selectedRange(*element.value).value;
         // Replace the word and put the cursor after it, as a correction does.
         EXPECT_EQ(ax.setValue(*element.value, u"😀 привет"), AXError::Success);
         EXPECT_EQ(ax.setSelectedRange(*element.value, TextRange{9, 0}), AXError::Success);
         editor->type(" ");
       },
       [&] {
         password = &field("firefox", {.password = true});
         auto& ax = *platform().accessibility;
         passwordError = ax.focusedElement(ax.systemWideElement()).error;
       }});
  EXPECT_EQ(value, u"😀 ghbdtn");
  EXPECT_EQ(range, (TextRange{9, 0}));
  EXPECT_EQ(editor->text(), "😀 привет ");
  EXPECT_TRUE(editor->forwarded().empty());
  EXPECT_NE(passwordError, AXError::Success);
}

TEST_F(Fcitx5DesktopTest, PasswordFieldsReachNoTap) {
  std::unique_ptr<EventTap> tap;
  TextField* password = nullptr;
  run({[&] {
    tap = platform().keyboard->createEventTap(kKeyEventsMask, [&](EventType type, const KeyEvent& e) {
      seen.push_back(describe(type, e));
      return std::optional<KeyEvent>{};
    });
    tap->setEnabled(true);
    password = &field("firefox", {.password = true});
    password->type("secret<alt>");
  }});
  EXPECT_EQ(password->text(), "secret");
  EXPECT_TRUE(seen.empty());
}

TEST_F(Fcitx5DesktopTest, LayoutsAreTheKeyboardInputMethodsOfTheGroup) {
  std::vector<std::string> ids;
  std::vector<std::string> languages;
  std::string before, after;
  int changes = 0;
  Registration observer;
  TextField* editor = nullptr;
  run({[&] {
         auto& sources = *platform().inputSources;
         observer = sources.observeSelectedSourceChanged([&] { ++changes; });
         editor = &field("org.gnome.TextEditor");
         for (const auto& s : sources.enabledInputSources()) {
           ids.push_back(*s->id);
           languages.push_back(s->languages->front());
         }
         before = *sources.currentKeyboardInputSource()->id;
         sources.select(sources.enabledInputSources()[1]);
         after = *sources.currentKeyboardInputSource()->id;
       },
       [&] { editor->type("ghbdtn"); }});
  EXPECT_THAT(ids, ElementsAre("keyboard-us", "keyboard-ru"));
  EXPECT_THAT(languages, ElementsAre("en", "ru"));
  EXPECT_EQ(before, "keyboard-us");
  EXPECT_EQ(after, "keyboard-ru");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(editor->text(), "привет");  // the field now types Russian
}

TEST_F(Fcitx5DesktopTest, TheFrontmostApplicationIsTheFocusedProgram) {
  std::vector<std::string> activations;
  std::optional<RunningApplication> front;
  Registration observer;
  run({[&] {
         observer = platform().workspace->observeActivation(
             [&](const RunningApplication& app) { activations.push_back(*app.bundleIdentifier); });
         field("org.gnome.TextEditor");
       },
       [&] {
         field("kitty");
         field("kitty");  // a second field of the same program is no activation
       },
       [&] { front = platform().workspace->frontmostApplication(); }});
  EXPECT_THAT(activations, ElementsAre("org.gnome.TextEditor", "kitty"));
  ASSERT_TRUE(front);
  EXPECT_EQ(front->bundleIdentifier, "kitty");
}

}  // namespace
}  // namespace brisquel
