// SPDX-License-Identifier: MIT
// The word being typed: what the detector keeps, and corrections made while
// the word is still being typed.
#include "TypoFixture.h"

namespace brisquel::testing {
namespace {

class Typing : public TypoScenario {
 protected:
  void paste(const std::u16string& characters) {
    KeyEvent event;
    event.keyCode = KeyCode::ANSI_V;
    event.characters = characters;
    desktop_.platform().keyboard->post(event);
  }
};

// An emoji is typed into the field but is no part of the word.
TEST_F(Typing, SpaceEndsTheWordIntoHistory) {
  words("en_US", {"hello"});
  type("he😀llo");
  EXPECT_EQ(u8(detector_->buffer()), "hello");
  EXPECT_EQ(text(), "he😀llo");
  type(" ");
  EXPECT_EQ(detector_->buffer(), u"");
  ASSERT_EQ(detector_->completedWordsHistory().size(), 1u);
  EXPECT_EQ(detector_->completedWordsHistory()[0], (CompletedWord{u"hello", u" "}));
  EXPECT_EQ(detector_->lastCompletedWord(), u"hello");
  EXPECT_EQ(detector_->lastCompletedWordTrailingSpaces(), 1);
}

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

TEST_F(Typing, BackspaceFollowsTheText) {
  desktop_.press("backspace");  // empty buffer: nothing changes, the key still arrives
  EXPECT_EQ(detector_->buffer(), u"");
  type("abc");
  desktop_.press("backspace");
  EXPECT_EQ(detector_->buffer(), u"ab");
  EXPECT_EQ(text(), "ab");

  freshField();
  type("one two  ");
  desktop_.press("backspace");
  EXPECT_EQ(detector_->completedWordsHistory().back(), (CompletedWord{u"two", u" "}));
  EXPECT_EQ(detector_->lastCompletedWordTrailingSpaces(), 1);
  desktop_.press("backspace backspace");  // into the word: it is being typed again
  EXPECT_EQ(text(), "one tw");
  EXPECT_EQ(detector_->buffer(), u"tw");
  EXPECT_EQ(detector_->completedWordsHistory().size(), 1u);
  type("o ");
  EXPECT_EQ(detector_->completedWordsHistory().back(), (CompletedWord{u"two", u" "}));
}

TEST_F(Typing, ShortcutsAndArrowsForgetTheWords) {
  for (const char* keys : {"left", "home", "ctrl+a"}) {  // the caret moved, or text was cut or pasted
    freshField();
    type("one tw");
    desktop_.press(keys);
    EXPECT_EQ(detector_->buffer(), u"") << keys;
    EXPECT_EQ(detector_->lastCompletedWord(), u"") << keys;
    EXPECT_TRUE(detector_->completedWordsHistory().empty()) << keys;
  }
}

TEST_F(Typing, PastedTextWithSpaceEndsTheWord) {
  type("ab");
  paste(u"x  y");
  ASSERT_EQ(detector_->completedWordsHistory().size(), 1u);
  EXPECT_EQ(detector_->completedWordsHistory()[0], (CompletedWord{u"ab", u"x  y"}));
  EXPECT_EQ(detector_->lastCompletedWordTrailingSpaces(), 4);
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
  words("en_US", {"ghbdxx"});  // keeps "ghb" and "ghbd" plausible English
  const Steps typedKeys[] = {
      {{"ghbd"}, "ghbd"},
      {{"ghbd", "t"}, "приве", "bs bs bs bs приве"},
      {{"ghbd", "t", "n "}, "привет "},
  };
  for (const auto& s : typedKeys) expectSteps(s, kTerminal);
}

TEST_F(Typing, MidWordCorrectionAfterSeveralCharactersInOneEvent) {
  words("ru_RU", {"привет"});
  focus(kTerminal);
  type("ok gh");
  auto from = mark();
  paste(u"bd");
  EXPECT_EQ(postedSince(from), "bd bs bs прив");  // the pasted event itself, then the correction
  EXPECT_EQ(text(), "ok прив");
}

}  // namespace
}  // namespace brisquel::testing
