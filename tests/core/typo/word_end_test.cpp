// SPDX-License-Identifier: MIT
// Words typed with the wrong layout, corrected when the word ends.
#include "TypoFixture.h"

namespace brisquel::testing {
namespace {

class WordEnd : public TypoScenario {};

TEST_F(WordEnd, KnownWrongLayoutWordThroughAccessibility) {
  type("ghbdtn ");
  EXPECT_EQ(text(), "привет ");
  EXPECT_EQ(caret(), 7);
  EXPECT_EQ(app().axValueWrites().size(), 1u);
  EXPECT_EQ(desktop_.currentLayoutCode(), "ru");
  EXPECT_EQ(layoutRequests(), std::vector<std::string>{"ru"});
  EXPECT_EQ(u8(detector_->lastCompletedWord()), "привет");
  EXPECT_EQ(postedSince(0), "");
}

TEST_F(WordEnd, KnownWrongLayoutWordByTypedKeys) {
  focus(kTerminal);
  type("hello ghbdtn");
  auto from = mark();
  type(" ");
  EXPECT_EQ(text(), "hello привет ");
  EXPECT_EQ(postedSince(from), "bs bs bs bs bs bs привет ");
  EXPECT_TRUE(app().axValueWrites().empty());
  EXPECT_EQ(desktop_.currentLayoutCode(), "ru");
  // The space the user typed was dropped: the detector typed it after the word.
  std::size_t spaces = 0;
  for (const auto& r : app().received())
    if (r.event.type == EventType::KeyDown && r.event.characters == u" ") ++spaces;
  EXPECT_EQ(spaces, 2u);
}

// A field that refuses writes gets typed keys; a selection costs one more Backspace.
TEST_F(WordEnd, FieldsThatCannotBeWrittenGetTypedKeys) {
  app().axFaults().writeRefused = true;
  auto from = mark();
  type("ghbdtn ");
  EXPECT_EQ(text(), "привет ");
  EXPECT_EQ(postedSince(from), "bs bs bs bs bs bs привет ");
  app().axFaults() = {};
  app().axFaults().notSettable = true;
  freshField();
  type("ghbdtn");
  app().setText(u"ghbdtnXY", TextRange{6, 2});
  from = mark();
  type(" ");
  EXPECT_EQ(postedSince(from), "bs bs bs bs bs bs bs привет ");
  EXPECT_EQ(text(), "привет ");
}

// The spelling of the word and of its neighbours decides.
TEST_F(WordEnd, WordsAreJudgedWithTheirNeighbours) {
  words("en_US", {"hello", "ultra", "vs", "ns"});
  words("ru_RU", {"где", "руль", "привет", "мы", "ты", "пойдем", "один"});
  const Steps inTextEdit[] = {
      {{"ult "}, "где "},  // "ult" is a valid English beginning, so only the word end can fix it
      {{"hello "}, "hello "},
      {{"ultra "}, "ultra "},
      {{"hekm "}, "руль "},
      {{"vs "}, "vs "},  // ambiguous, and nothing says it is Russian
      {{"@ru", "привет ", "@en", "vs "}, "привет мы ", nullptr, "ru"},
      // A run of single letters is retyped whole, unless it runs along the alphabet.
      {{"; p b "}, "ж з и "},
      {{"h i j "}, "h i о "},
      // Capitals left as typed follow where the text starts, not after
      // English words, and never into something that is no Russian word.
      {{"JLBY ult "}, "ОДИН где "},
      {{"hello JLBY ult "}, "hello JLBY где "},
      {{"OS/2 ult "}, "OS/2 где "},
      {{"68HC11 ult "}, "68HC11 где "},
      // Only where the field holds the run as typed: emoji in it shift what a count would delete.
      {{"; p😀😀 b "}, "; p😀😀 b "},
      {{"; p b😀😀 "}, "; p b😀😀 "},
      // The previous word is repaired without switching the layout.
      {{"vs ", "@ru", "пойдем "}, "мы пойдем ", nullptr, "ru"},
  };
  for (const auto& s : inTextEdit) expectSteps(s);
  EXPECT_TRUE(layoutRequests().empty()) << "the last one switched nothing";
  const Steps inTerminal[] = {
      // A preceding ambiguous word is folded in, the spaces kept.
      {{"ns ult", " "}, "ты где ", "bs bs bs bs bs bs ты где "},
      {{"ns  ult", " "}, "ты  где ", "bs bs bs bs bs bs bs ты  где "},
      {{"ns ", "@bs", " ult", " "}, "ты где "},  // after a retyped space it deletes exactly
      {{"vs ", "@ru", "пойдем", " "}, "мы пойдем ", "bs bs bs bs bs bs bs bs bs мы пойдем "},
  };
  for (const auto& s : inTerminal) expectSteps(s, kTerminal);
}

TEST_F(WordEnd, ProtectedWordsStay) {
  words("en_US", {"ctrls", "cmds", "alts"});  // keeps the mid-word rule out
  for (const char* word : {"ctrl", "cmd", "alt", "CTRL"}) {
    std::u16string converted = detector_->transliterate(u16(word), false);
    learn({{word, u8(converted)}});
    words("ru_RU", {u8(converted)});
    app().setText(u"");
    detector_->clearBuffer();
    type(std::string(word) + " ");
    EXPECT_EQ(text(), std::string(word) + " ") << word;
  }
  EXPECT_TRUE(layoutRequests().empty());
}

TEST_F(WordEnd, LearnedWordsSteerTheRules) {
  words("ru_RU", {"как"});
  learn({{"rfr", "rfr"}});
  type("rfr ");
  EXPECT_EQ(text(), "rfr ");
  // Learned as the conversion: corrected although the checker rejects it.
  words("ru_RU", {});
  learn({{"yjdjt", "новое"}});
  type("yjdjt ");
  EXPECT_EQ(text(), "rfr новое ");
  // A learned result that is not the conversion is ignored.
  desktop_.selectLayout("en");
  learn({{"ghbdtn", "hi"}});
  type("ghbdtn ");
  EXPECT_EQ(text(), "rfr новое привет ");
}

TEST_F(WordEnd, SameCorrectionIsNotRepeatedWithinAntiLoopInterval) {
  type("ghbdtn ");
  EXPECT_EQ(text(), "привет ");
  desktop_.selectLayout("en");
  type("ghbdtn ");  // typed again at once: left alone
  EXPECT_EQ(text(), "привет ghbdtn ");
  desktop_.advance(1.5);
  type("ghbdtn ");
  EXPECT_EQ(text(), "привет ghbdtn привет ");
}

TEST_F(WordEnd, LetterBIsNeverRepaired) {
  words("ru_RU", {"пойдем"});
  learn({{"b", "b"}});
  type("b ");
  desktop_.selectLayout("ru");
  type("пойдем ");
  EXPECT_EQ(text(), "b пойдем ");
}

}  // namespace
}  // namespace brisquel::testing
