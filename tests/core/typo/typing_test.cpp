// SPDX-License-Identifier: MIT
// The word being typed: what the detector keeps, and corrections made while
// the word is still being typed.
#include "TypoFixture.h"

namespace brisquel::testing {
namespace {

class Typing : public TypoScenario {};

TEST_F(Typing, BufferAndHistoryKeepTheLatest) {
  std::string run;
  for (int i = 0; i < 60; ++i) run += static_cast<char>('0' + i % 10);
  type(run);
  EXPECT_EQ(u8(detector_->buffer()), run.substr(10));
  for (int i = 0; i < 12; ++i) type(" " + std::to_string(i));
  type(" ");
  const auto& history = detector_->completedWordsHistory();
  ASSERT_EQ(history.size(), 10u);
  EXPECT_EQ(history.front().word, u"2");
  EXPECT_EQ(history.back().word, u"11");
}

// The word being typed and the words before it, as the keys leave them. A
// step is typed, except "@K" (the named keys K pressed) and "^T" (T pasted).
// An emoji is typed into the field but is no part of the word; Backspace
// into a word makes it the word being typed again, with no word ended
// before the caret; a moved caret, a cut or a paste forgets the words.
TEST_F(Typing, TheWordBeingTypedAndTheWordsBefore) {
  struct Row {
    std::vector<std::string> steps;
    const char* text;
    const char* buffer;
    std::vector<CompletedWord> history;
    int trailingSpaces;
  };
  const Row rows[] = {
      {{"he😀llo"}, "he😀llo", "hello", {}, 0},
      {{"he😀llo "}, "he😀llo ", "", {{u"hello", u" "}}, 1},
      {{"@backspace"}, "", "", {}, 0},  // nothing to erase
      {{"abc", "@backspace"}, "ab", "ab", {}, 0},
      {{"one two  ", "@backspace"}, "one two ", "", {{u"one", u" "}, {u"two", u" "}}, 1},
      {{"one two  ", "@backspace backspace backspace"}, "one tw", "tw", {{u"one", u" "}}, 0},
      {{"one two  ", "@backspace backspace backspace", "o "}, "one two ", "", {{u"one", u" "}, {u"two", u" "}}, 1},
      {{"one tw", "@left"}, "one tw", "", {}, 0},
      {{"one tw", "@home"}, "one tw", "", {}, 0},
      {{"one tw", "@ctrl+a"}, "one tw", "", {}, 0},
      {{"ab", "^x  y"}, "abx  y", "", {{u"ab", u"x  y"}}, 4},  // a paste with a space ends the word
  };
  words("en_US", {"hello"});
  for (const auto& r : rows) {
    const std::string row = ::testing::PrintToString(r.steps);
    freshField();
    for (const auto& step : r.steps) {
      if (step.starts_with('@')) {
        desktop_.press(step.substr(1));
      } else if (step.starts_with('^')) {
        paste(u16(step.substr(1)));
      } else {
        type(step);
      }
    }
    EXPECT_EQ(text(), r.text) << row;
    EXPECT_EQ(u8(detector_->buffer()), r.buffer) << row;
    EXPECT_EQ(detector_->completedWordsHistory(), r.history) << row;
    const bool wordEnded = !*r.buffer && !r.history.empty();  // the last word, ended by what follows it
    EXPECT_EQ(detector_->lastCompletedWord(), wordEnded ? r.history.back().word : u"") << row;
    EXPECT_EQ(detector_->lastCompletedWordTrailingSpaces(), r.trailingSpaces) << row;
  }
}

TEST_F(Typing, KeysRightAfterACorrectionAreKeptButNotChecked) {
  desktop_.setTypingInterval(0);
  type("ghbdtn ");
  EXPECT_EQ(text(), "привет ");
  type("ghb");  // the same instant as the correction's end, on the Russian layout now
  EXPECT_EQ(detector_->buffer(), u"при");
  EXPECT_EQ(text(), "привет при");
}

TEST_F(Typing, MidWordCorrection) {
  words("ru_RU", {"привет"});
  const Steps accessibility[] = {
      {{"gh", "b", "dtn "}, "привет ", "", "ru"},  // the same keys, now on the Russian layout
      {{"ghb"}, "ghb", nullptr, nullptr, {{"ghb", "ghb"}}},         // learned as typed: left alone
      {{"ghb", "d"}, "прив", nullptr, nullptr, {{"ghb", "ghb"}}},  // "ghbd" is not learned
      {{"gh", "b"}, "при", "", "ru"},
  };
  for (const auto& s : accessibility) expectSteps(s);
  EXPECT_EQ(u8(detector_->buffer()), "при");
  EXPECT_EQ(layoutRequests(), std::vector<std::string>{"ru"});
  // Several characters in one event: the event itself, then the correction.
  expectSteps({{"ok gh", "^bd"}, "ok прив", "bd bs bs прив"}, kTerminal);
  words("en_US", {"ghbdxx"});  // keeps "ghb" and "ghbd" plausible English
  const Steps typedKeys[] = {
      {{"ghbd"}, "ghbd"},
      {{"ghbd", "t"}, "приве", "bs bs bs bs приве"},
      {{"ghbd", "t", "n "}, "привет "},
  };
  for (const auto& s : typedKeys) expectSteps(s, kTerminal);
}

}  // namespace
}  // namespace brisquel::testing
