// SPDX-License-Identifier: MIT
// A lone Option press converts the last word by hand, a second one undoes it,
// and the conversion is learned.
#include "TypoFixture.h"

namespace brisquel::testing {
namespace {

class ManualToggle : public TypoScenario {};

TEST_F(ManualToggle, ConvertedWordJoinsTheHistory) {
  for (const char* app : {kTextEdit, kTerminal}) {
    freshField(app);
    type("hello ghbdtn");
    option();
    desktop_.advance(0.1);
    type(" ");
    const std::vector<CompletedWord> expected{{u"hello", u" "}, {u"привет", u" "}};
    EXPECT_EQ(detector_->completedWordsHistory(), expected) << app;
  }
}

TEST_F(ManualToggle, QuickSeriesIsSavedOnce) {
  focus(kTerminal);
  type("ghbdtn");
  option();
  desktop_.advance(1.0);
  option();  // undo, 1 s later: the first save is cancelled
  desktop_.advance(5);
  EXPECT_EQ(learnedWrites(), 1);
  EXPECT_TRUE(learned().empty());
  EXPECT_EQ(text(), "ghbdtn");
}

// A conversion by hand is learned with its reverse, each of a quick series
// of words; a second press within 5 s undoes it, before or after the save, and
// forgets both words; an automatic correction undone is not learned; only
// words of two letters if ambiguous, up to 30 characters, never a selection
// taken with the space after it.
TEST_F(ManualToggle, ConversionsByHandAreLearned) {
  struct Row {
    const char* app;
    Steps steps;
    StringMap learnedAfter;
  };
  const auto times = [](int n, const std::string& s) {
    std::string out;
    while (n-- > 0) out += s;
    return out;
  };
  const std::string g30(30, 'g'), p30 = times(30, "п"), g31(31, 'g'), p31 = times(31, "п");
  const Row rows[] = {
      {kTerminal,
       {{"ghbdtn", "@opt"}, "привет", "bs bs bs bs bs bs привет", "ru"},
       {{"ghbdtn", "привет"}, {"привет", "привет"}}},
      {kTerminal,
       {{"ghbdtn", "@opt", "@+1.5", "@opt"}, "ghbdtn", nullptr, "en", {{"other", "ghbdtn"}, {"keep", "this"}}},
       {{"keep", "this"}}},
      {kTextEdit, {{"rfr ", "@opt"}, "rfr ", nullptr, "en", {{"rfr", "как"}, {"как", "как"}}}, {}},
      {kTerminal,
       {{"zgpa", "@opt", "@+0.2", "@en", " zgpb", "@opt"}, "япзф япзи"},
       {{"zgpa", "япзф"}, {"япзф", "япзф"}, {"zgpb", "япзи"}, {"япзи", "япзи"}}},
      {kTerminal,
       {{"zgpa", "@opt", "@+0.5", "@en", " zgpb", "@opt"}, "япзф япзи"},
       {{"zgpa", "япзф"}, {"япзф", "япзф"}, {"zgpb", "япзи"}, {"япзи", "япзи"}}},
      {kTerminal, {{"gh", "@opt"}, "пр"}, {}},
      {kTerminal, {{"ns", "@opt"}, "ты"}, {{"ns", "ты"}, {"ты", "ты"}}},
      {kTerminal, {{"ghb", "@opt"}, "при"}, {{"ghb", "при"}, {"при", "при"}}},
      {kTerminal, {{g30, "@opt"}, p30.c_str()}, {{g30, p30}, {p30, p30}}},
      {kTerminal, {{g31, "@opt"}, p31.c_str()}, {}},
      {kTextEdit, {{"vbh ", "@keys shift+left shift+left shift+left shift+left", "@opt"}, "мир "}, {}},
      // The word typed where the field cannot be read: an erased letter is left out, spaces after it are kept.
      {kTerminal, {{"word ", "@bs", "@bs", "@opt"}, "цщк"}, {{"wor", "цщк"}, {"цщк", "цщк"}}},
      {kTerminal,
       {{"word   ", "@opt"}, "цщкв   ", "left left left bs bs bs bs цщкв right right right"},
       {{"word", "цщкв"}, {"цщкв", "цщкв"}}},
      // With its ambiguous neighbour, as one word.
      {kTerminal,
       {{"ns ult ", "@opt"}, "ты где ", "left bs bs bs bs bs bs ты где right"},
       {{"ns ult", "ты где"}, {"ты где", "ты где"}}},
  };
  words("ru_RU", {"как"});
  words("en_US", {"rfrx"});  // no mid-word correction
  for (const auto& r : rows) {
    expectSteps(r.steps, r.app);
    desktop_.advance(1.5);
    EXPECT_EQ(learned(), r.learnedAfter) << ::testing::PrintToString(r.steps.steps);
  }
  ASSERT_EQ(detector_->completedWordsHistory().size(), 1u);
  EXPECT_EQ(u8(detector_->completedWordsHistory()[0].word), "ты где");
}

// The word before the caret, passing over spaces and emoji: written back
// through accessibility, or retyped by keys where the field refuses writes.
TEST_F(ManualToggle, WordAtTheCaretInTheField) {
  struct Case {
    const char* before;
    std::int64_t caret;  // -1: at the end
    bool writable;
    const char* posted;
    const char* after;
    std::int64_t caretAfter;
    int trailing;  // spaces and emoji after the word
  };
  const Case cases[] = {
      {"word   ", -1, true, "", "цщкв   ", 7, 3},
      {"word   ", -1, false, "left left left bs bs bs bs цщкв right right right", "цщкв   ", 7, 3},
      {"say ghbdtn now", 6, false, "right right right right bs bs bs bs bs bs привет", "say привет now", 10, 0},
      // Arrows count characters, not units.
      {"say gh😀dtn now", 6, false, "right right right right bs bs bs bs bs bs пр😀вет", "say пр😀вет now", 11, 0},
      {"ok ghbdtn 😀", -1, true, "", "ok привет 😀", 12, 3},
      {"ok ghbdtn 😀", -1, false, "bs bs bs bs bs bs bs bs привет 😀", "ok привет 😀", 12, 3},
  };
  for (const auto& c : cases) {
    const std::string row = std::string(c.before) + (c.writable ? "" : " (typed keys)");
    if (c.caret < 0) {
      app().setText(u16(c.before));
    } else {
      app().setText(u16(c.before), TextRange{c.caret, 0});
    }
    app().axFaults().writeRefused = !c.writable;
    desktop_.selectLayout("en");
    desktop_.advance(6);
    auto from = mark();
    option();
    EXPECT_EQ(text(), c.after) << row;
    EXPECT_EQ(postedSince(from), c.posted) << row;
    EXPECT_EQ(caret(), c.caretAfter) << row;
    EXPECT_EQ(detector_->lastCompletedWordTrailingSpaces(), c.trailing) << row;
    EXPECT_EQ(desktop_.currentLayoutCode(), "ru") << row;
  }
}

class OptionPresses : public TypoScenario {
 protected:
  void SetUp() override {
    TypoScenario::SetUp();
    desktop_.setTypingInterval(0);
  }
};

TEST_F(OptionPresses, OnlyALoneShortPressConverts) {
  struct Case {
    double held;          // seconds between the Option key's press and release
    const char* between;  // a key pressed meanwhile
    bool converts;
  };
  const Case cases[] = {{0, nullptr, true}, {0.69, nullptr, true}, {0.7, nullptr, false},
                        {0, "shift", false}, {0, "a", false}};
  for (const auto& c : cases) {
    freshField(kTerminal);
    type("ghbdtn");
    app().clearLog();
    desktop_.keyDown(KeyCode::Option);
    desktop_.advance(c.held);
    if (c.between) desktop_.press(c.between);
    desktop_.keyUp(KeyCode::Option);
    // Option+letter types its own character after the word.
    const std::string expected = c.converts ? "привет" : "ghbdtn";
    EXPECT_EQ(text().substr(0, expected.size()), expected) << c.held << " s, " << (c.between ? c.between : "alone");
    // The release that converts goes no further: the application sees no lone
    // press of its own (a menu bar would take the focus).
    int optionReleases = 0;
    for (const auto& r : app().received())
      if (r.event.type == EventType::FlagsChanged && r.event.keyCode == KeyCode::Option && !(r.event.flags & Flags::Option))
        ++optionReleases;
    EXPECT_EQ(optionReleases, c.converts ? 0 : 1) << c.held << " s, " << (c.between ? c.between : "alone");
  }
}

// A second lone press 0.37 s after the first converts the word at the cursor
// back through accessibility, even in a listed application; 0.3 s is too
// soon; 0.5 s is a second manual conversion, which undoes the first by keys.
TEST_F(OptionPresses, SecondPressTiming) {
  const std::tuple<double, const char*, std::size_t> cases[] = {
      {0.37, "ghbdtn", 1}, {0.3, "привет", 0}, {0.5, "ghbdtn", 0}};  // seconds, text, accessibility writes
  for (const auto& [after, expected, axWrites] : cases) {
    freshField(kTerminal);
    type("ghbdtn");
    desktop_.advance(6);
    const auto writes = app().axValueWrites().size();
    const double first = desktop_.now();  // the typed correction moves the clock on
    option();
    EXPECT_EQ(text(), "привет") << after;
    desktop_.advance(first + after - desktop_.now());
    option();
    EXPECT_EQ(text(), expected) << after;
    EXPECT_EQ(app().axValueWrites().size(), writes + axWrites) << after;
  }
}

}  // namespace
}  // namespace brisquel::testing
