// SPDX-License-Identifier: MIT
// The focused text field on fcitx5, used as the program uses it: read the
// text, replace the characters before the caret through the field where it
// offers its text, else by keys where those are exact; in each kind of
// client, what the field then holds.
#include <gtest/gtest.h>

#include <optional>

#include "FcitxHarness.h"
#include "base/KeyCodes.h"
#include "base/Text.h"
#include "fcitx5/Desktop.h"

namespace brisquel {
namespace {

using fcitx5test::FcitxHarness;
using fcitx5test::FieldOptions;
using fcitx5test::Step;
using fcitx5test::TextField;

const FieldOptions gtk{};
const FieldOptions terminal{.surroundingText = false, .terminal = true};
const FieldOptions xim{.surroundingText = false};
const FieldOptions chromium{.surroundingText = false, .replaysKeysLate = true, .frontend = "dbus"};

// The program's fallback: BackSpace for each character, then the text.
void retype(KeyboardPort& keyboard, int characters, const std::u16string& text) {
  for (int i = 0; i < characters; ++i) {
    for (bool down : {true, false}) keyboard.post(*keyboard.createKeyboardEvent(KeyCode::Delete, down));
  }
  for (bool down : {true, false}) {
    auto event = keyboard.createKeyboardEvent(0, down);
    event->characters = text;
    keyboard.post(*event);
  }
}

TEST(FcitxTextField, EachClientGetsTheReplacementExactlyOrNotAtAll) {
  struct Case {
    const char* program;
    FieldOptions options;
    const char* before;  // the field's text, the caret at its end
    const char* typed;   // then typed
    std::optional<std::u16string> read;  // the text the field tells, UTF-16
    std::int64_t caret;
    int characters;
    const char* replacement;
    int stepOver;
    const char* then;   // typed after the rewrite: shows where the caret is
    bool possible;      // the field says the rewrite can be exact
    bool byField;       // done through the field's own text
    const char* shown;  // what the field shows at the end
  };
  // A long paragraph: the words a correction can reach and the one before them are read, not all of it.
  std::string words;
  for (int i = 1; i <= 20; ++i) words += (i < 10 ? "w0" : "w") + std::to_string(i) + " ";
  const std::u16string lastWordsRead = text::fromUtf8(words.substr(words.find("w06"))) + u"ghbdtn";
  const std::string corrected = words + "привет1";
  const std::string beforeTheRest = words + "ghbdtn w21 w22";
  const std::string correctedBeforeTheRest = words + "привет1 w21 w22";
  const std::vector<Case> cases = {
      {"gedit", gtk, "", "ghbdtn", u"ghbdtn", 6, 6, "привет", 0, "", true, true, "привет"},
      // fcitx5 counts code points: the emoji is one, two UTF-16 units here.
      {"gedit", gtk, "😀 ", "ghbdtn", u"😀 ghbdtn", 9, 6, "привет", 0, "1", true, true, "😀 привет1"},
      // Over the white space typed after the word, and back.
      {"gedit", gtk, "ghbdtn  ", "", u"ghbdtn  ", 8, 6, "привет", 2, "1", true, true, "привет  1"},
      // The caret inside the word: it ends after the new one.
      {"gedit", gtk, "ghbdtn", "<Left><Left>", u"ghbdtn", 4, 6, "привет", -2, "1", true, true, "привет1"},
      // A letter with a combining accent is one character of two code points.
      {"gedit", gtk, "cafe\u0301", "", u"cafe\u0301", 5, 1, "x", 0, "", true, true, "cafx"},
      {"gedit", gtk, words.c_str(), "ghbdtn", lastWordsRead, 4 * 15 + 6, 6, "привет", 0, "1", true, true,
       corrected.c_str()},
      // The word at the caret and the white space after it, no more.
      {"gedit", gtk, beforeTheRest.c_str(), "<Left><Left><Left><Left><Left><Left><Left><Left>", lastWordsRead + u" ",
       4 * 15 + 6, 6, "привет", 0, "1", true, true, correctedBeforeTheRest.c_str()},
      {"xterm", terminal, "", "ghbdtn", std::nullopt, 0, 6, "привет", 0, "1", true, false, "привет1"},
      {"org.example.TkEditor", xim, "", "ghbdtn", std::nullopt, 0, 6, "привет", 0, "1", true, false, "привет1"},
      // The word being typed is composing text there, rewritten in order.
      {"chromium", chromium, "", "ghbdtn", std::nullopt, 0, 6, "привет", 0, "1", true, false, "привет1"},
      // Committed with its space: keys would overtake the text; it stays.
      {"chromium", chromium, "", "ghbdtn ", std::nullopt, 0, 7, "привет ", 0, "", false, false, "ghbdtn "},
      {"chromium", chromium, "", "ghbdtn", std::nullopt, 0, 6, "привет", 1, "", false, false, "ghbdtn"},
  };
  FcitxHarness harness;
  fcitx5::Desktop desktop(harness.instance(), {"/nonexistent", "test"});
  Platform platform = desktop.platform();
  std::vector<TextField*> fields;
  std::vector<FieldReading> readings;
  std::vector<bool> possible, byField;
  std::vector<Step> steps{Step([&] { harness.setLayouts({"keyboard-us"}); })};
  for (const auto& c : cases) {
    steps.push_back(Step([&, c] {
      fields.push_back(&harness.field(c.program, c.options));
      fields.back()->setText(c.before);
      fields.back()->type(c.typed);
    }));
    steps.push_back(Step([&, c] {
      readings.push_back(platform.textField->read());
      const auto replacement = text::fromUtf8(c.replacement);
      possible.push_back(platform.textField->canReplaceBeforeCaret(c.characters, c.stepOver));
      byField.push_back(possible.back() &&
                        platform.textField->replaceBeforeCaret(c.characters, replacement, c.stepOver));
      if (possible.back() && !byField.back()) retype(*platform.keyboard, c.characters, replacement);
    }));
    steps.push_back(Step([&, c] { fields.back()->type(c.then); }));
  }
  // A password field tells nothing, not even that it has the focus.
  std::optional<FieldReading> secret;
  steps.push_back(Step([&] { harness.field("gedit", {.password = true}).setText("secret"); }));
  steps.push_back(Step([&] { secret = platform.textField->read(); }));
  harness.run(steps);
  ASSERT_EQ(fields.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(std::string(c.program) + " " + c.before + c.typed);
    EXPECT_FALSE(readings[i].focusUnknown);
    ASSERT_EQ(readings[i].field.has_value(), c.read.has_value());
    if (c.read) {
      EXPECT_EQ(readings[i].field->text, *c.read);
      EXPECT_EQ(readings[i].field->caret, c.caret);
      EXPECT_EQ(readings[i].field->selected, 0);
    }
    EXPECT_EQ(possible[i], c.possible);
    EXPECT_EQ(byField[i], c.byField);
    EXPECT_EQ(fields[i]->shown(), c.shown);
    // Keys are forwarded only where the client keeps them in order with the text.
    if (c.options.terminal || c.options.replaysKeysLate || c.byField) {
      EXPECT_TRUE(fields[i]->forwarded().empty());
    }
  }
  ASSERT_TRUE(secret.has_value());
  EXPECT_FALSE(secret->field.has_value());
  EXPECT_TRUE(secret->focusUnknown);
}

}  // namespace
}  // namespace brisquel
