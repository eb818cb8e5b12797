// SPDX-License-Identifier: MIT
// Words typed with the wrong layout, corrected when the word ends.
#include "TypoFixture.h"

namespace brisquel::testing {
namespace {

class WordEnd : public TypoScenario {};

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

// The spelling of the word and of its neighbours decides, and the words
// learned. A field read through accessibility is rewritten there (nothing
// posted), a terminal gets Backspaces and the word typed, with the person's
// space held back.
TEST_F(WordEnd, WordsAreJudgedWithTheirNeighbours) {
  const Steps beforeAnyWordList[] = {
      {{"ghbdtn "}, "привет ", "", "ru"},
      // The same correction again at once is left alone, 1.5 s later it is made.
      {{"ghbdtn ", "@en", "ghbdtn "}, "привет ghbdtn "},
      {{"ghbdtn ", "@en", "ghbdtn ", "@+1.5", "ghbdtn "}, "привет ghbdtn привет "},
  };
  for (const auto& s : beforeAnyWordList) expectSteps(s);
  expectSteps({{"hello ghbdtn", " "}, "hello привет ", "bs bs bs bs bs bs привет ", "ru"}, kTerminal);
  words("en_US", {"hello", "ultra", "vs", "ns", "ctrls", "cmds", "alts"});  // the last keep the mid-word rule out
  words("ru_RU", {"где", "руль", "привет", "мы", "ты", "пойдем", "один", "как", "секд", "сьв", "фде", "СЕКД"});
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
      // Learned as typed: left alone, the letter b too; learned as the conversion:
      // corrected although the checker rejects it; a learned result that is
      // not the conversion is ignored.
      {{"rfr "}, "rfr ", nullptr, nullptr, {{"rfr", "rfr"}}},
      {{"b ", "@ru", "пойдем "}, "b пойдем ", nullptr, nullptr, {{"b", "b"}}},
      {{"yjdjt "}, "новое ", nullptr, nullptr, {{"yjdjt", "новое"}}},
      {{"ghbdtn "}, "привет ", nullptr, nullptr, {{"ghbdtn", "hi"}}},
      // Key names stay, even learned as their conversion.
      {{"ctrl "}, "ctrl ", nullptr, nullptr, {{"ctrl", "секд"}}},
      {{"cmd "}, "cmd ", nullptr, nullptr, {{"cmd", "сьв"}}},
      {{"alt "}, "alt ", nullptr, nullptr, {{"alt", "фде"}}},
      {{"CTRL "}, "CTRL ", nullptr, nullptr, {{"CTRL", "СЕКД"}}},
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

}  // namespace
}  // namespace brisquel::testing
