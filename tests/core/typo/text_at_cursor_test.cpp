// SPDX-License-Identifier: MIT
// Reading the focused text field and finding the word at the cursor; the
// spelling cache.
#include <tuple>

#include "TypoFixture.h"

namespace brisquel::testing {
namespace {

FieldText state(std::string_view text, std::int64_t cursor, std::int64_t selection = 0) {
  return FieldText{u16(text), cursor, selection, std::nullopt};
}

TEST(WordFinders, WordAtCursor) {
  struct Case {
    const char* text;
    std::int64_t cursor;
    std::int64_t selection;
    std::optional<WordAtCursor> expected;
  };
  const Case cases[] = {
      {"hello world", 5, 0, WordAtCursor{u"hello", 5, 0, false}},
      {"hello world", 6, 0, WordAtCursor{u"world", 0, 5, false}},
      {"hello world", 2, 0, WordAtCursor{u"hello", 2, 3, false}},
      {"hello world", 0, 0, WordAtCursor{u"hello", 0, 5, false}},
      {"word   ", 7, 0, WordAtCursor{u"word", 7, -3, false}},
      {"word   ", 99, 0, WordAtCursor{u"word", 7, -3, false}},  // clamped
      {"a  b", 2, 0, WordAtCursor{u"a", 2, -1, false}},         // white space around: the word before
      {"   ", 2, 0, std::nullopt},
      {"", 0, 0, std::nullopt},
      {"hello", 1, 2, std::nullopt},  // a selection
  };
  const auto seen = [](const std::optional<WordAtCursor>& w) {
    return w ? std::optional(std::tuple(u8(w->word), w->charsBeforeCursor, w->charsAfterCursor)) : std::nullopt;
  };
  for (const auto& c : cases) {
    EXPECT_EQ(seen(TypoDetector::getWordAtCursor(state(c.text, c.cursor, c.selection))), seen(c.expected))
        << c.text << " @" << c.cursor;
  }
}

TEST(WordFinders, WordBeforeCursor) {
  using Seen = std::tuple<std::string, std::string, std::int64_t, std::int64_t, std::int64_t>;  // word, clean, ...
  const std::pair<FieldText, std::optional<Seen>> cases[] = {
      {state("hello   ", 8), Seen{"hello", "hello", 0, 5, 3}},
      {state("hi 😀", 5), Seen{"hi", "hi", 0, 2, 3}},  // the emoji run is passed over
      {state("say hi😀 ", 8), Seen{"hi😀", "hi", 4, 8, 0}},
      {state("   ", 3), std::nullopt}, {state("😀", 2), std::nullopt}, {state("", 0), std::nullopt},
  };
  for (const auto& [field, expected] : cases) {
    auto got = TypoDetector::getWordBeforeCursor(field);
    std::optional<Seen> seen;
    if (got) seen = Seen{u8(got->fullWord), u8(got->cleanWord), got->startLoc, got->endLoc, got->trailingSpaces};
    EXPECT_EQ(seen, expected) << u8(field.text);
  }
}

class FocusedText : public TypoScenario {};

// Listed applications are read only when bypassing; unreadable fields give no snapshot.
TEST_F(FocusedText, WhichFieldsAreRead) {
  app().setText(u"text");
  for (bool sim::AXFaults::*fault : {&sim::AXFaults::valueNotString, &sim::AXFaults::readFails,
                                      &sim::AXFaults::noFocusedElement}) {
    app().axFaults() = {};
    app().axFaults().*fault = true;
    EXPECT_FALSE(detector_->readField(true));
  }
  app().axFaults() = {};
  focus(kTerminal);
  app().setText(u"ls");
  EXPECT_FALSE(detector_->readField(false));
  EXPECT_TRUE(detector_->readField(true));
}

TEST_F(FocusedText, FailedFocusReadAsksForAPermissionCheck) {
  int rechecks = 0;
  detector_->setPermissionRecheck([&] { ++rechecks; });
  app().axFaults().focusQueryFails = true;
  EXPECT_FALSE(detector_->readField(false));
  desktop_.runUntilIdle();
  EXPECT_EQ(rechecks, 1);
  app().axFaults() = {};
  EXPECT_TRUE(detector_->readField(false));
  desktop_.runUntilIdle();
  EXPECT_EQ(rechecks, 1);
}

class Spelling : public TypoScenario {};

TEST_F(Spelling, ValidityCacheIsEmptiedWhenFull) {
  std::vector<std::string> list{"hello"};
  for (int i = 0; i < 1200; ++i) list.push_back("pre" + std::to_string(i) + "xyz");
  words("en_US", list);
  EXPECT_TRUE(detector_->isWordValid(u"hello", "en_US"));
  EXPECT_FALSE(detector_->isWordValid(u"h", "en_US"));  // too short, not cached
  EXPECT_EQ(detector_->validityCacheSize(), 1u);
  // A cached answer stands even when the checker changes its mind.
  desktop_.spelling().setWords("en_US", std::vector<std::string>(list.begin() + 1, list.end()));
  EXPECT_TRUE(detector_->isWordValid(u"hello", "en_US"));
  for (int i = 0; i < 1200; ++i) EXPECT_TRUE(detector_->isPrefixValid(u"pre" + u16(std::to_string(i)), "en_US"));
  EXPECT_GT(detector_->validityCacheSize(), 1000u);  // prefixes alone never empty it
  detector_->isWordValid(u"world", "en_US");
  EXPECT_EQ(detector_->validityCacheSize(), 1u);
  EXPECT_FALSE(detector_->isWordValid(u"hello", "en_US"));
}

// A prefix is a word's beginning or the whole word; a language still loading is not cached.
TEST_F(Spelling, PrefixesAndLoadingLanguages) {
  words("ru_RU", {"где", "привет"});
  EXPECT_TRUE(detector_->isPrefixValid(u"при", "ru_RU"));
  EXPECT_TRUE(detector_->isPrefixValid(u"где", "ru_RU"));
  EXPECT_FALSE(detector_->isPrefixValid(u"гдк", "ru_RU"));
  EXPECT_FALSE(detector_->isPrefixValid(u"п", "ru_RU"));
  desktop_.spelling().setReady("ru_RU", false);
  EXPECT_FALSE(detector_->isWordValid(u"привет", "ru_RU"));
  desktop_.spelling().setReady("ru_RU", true);
  EXPECT_TRUE(detector_->isWordValid(u"привет", "ru_RU"));
}

}  // namespace
}  // namespace brisquel::testing
