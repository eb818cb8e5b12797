// SPDX-License-Identifier: MIT
// People who type English with a layout other than Russian: corrections go
// towards the layouts they have, and never produce Cyrillic they cannot type.
#include "TypoFixture.h"

namespace brisquel::testing {
namespace {

class OtherLayouts : public TypoScenario {
 protected:
  void use(const std::vector<std::string>& layouts) {
    desktop_.enableLayouts(layouts);
    startDetector();
  }
};

TEST_F(OtherLayouts, CorrectionsGoToTheEnabledLayouts) {
  struct Case {
    std::vector<std::string> layouts;
    Steps steps;
  };
  const Case cases[] = {
      {{"en", "el"}, {{"geia "}, "γεια ", nullptr, "el"}},
      {{"en", "he"}, {{"akuo "}, "שלום ", nullptr, "he"}},
      {{"en", "uk"}, {{"ghbdsn "}, "привіт ", nullptr, "uk"}},
      {{"en", "ru", "el"}, {{"ghbdtn "}, "привет ", nullptr, "ru"}},  // Russian enabled: as before
      {{"en"}, {{"ghbdtn ghb"}, "ghbdtn ghb", nullptr, "en"}},          // no other layout: no correction
      // Word tables count only where the target has the word.
      {{"en", "el"}, {{"b "}, "b "}},          // β is no Greek word
      {{"en", "uk"}, {{"b "}, "и "}},          // и is a Ukrainian word
      {{"en", "uk"}, {{"yt "}, "не "}},        // in the Ukrainian word list
      {{"en", "uk"}, {{"lf "}, "lf "}},        // "да" is not
      {{"en", "ru"}, {{"lf "}, "да "}},        // for Russian the table decides alone
      {{"en", "uk"}, {{"; p b "}, "; p и "}},  // no run of single letters
      // "где" is no Ukrainian word, and "ns" would give Russian "ты".
      {{"en", "uk"}, {{"ns ult "}, "ns ult "}},
      // A Ukrainian word is checked as Ukrainian; with Russian enabled too it is taken as Russian.
      {{"en", "uk"}, {{"@uk", "ви "}, "ви "}},
      {{"en", "ru", "uk"}, {{"@uk", "ви "}, "db "}},
      // The previous word is not turned into Cyrillic without a Russian layout.
      {{"en", "uk"}, {{"dj ", "@uk", "дворі "}, "dj дворі "}},
      {{"en", "ru", "uk"}, {{"dj ", "@ru", "дворе "}, "во дворе "}},
      // By hand too, towards the layout the person has.
      {{"en", "el"}, {{"Kal;a", "@opt"}, "Καλά", nullptr, "el"}},
  };
  words("el", {"γεια"});
  words("he", {"שלום"});
  words("uk_UA", {"привіт", "не", "де", "ви", "дворі", "во"});
  words("ru_RU", {"привет", "ты", "где", "дворе", "во"});
  words("en_US", {"geiax", "akuox", "ghbdsnx", "ghbdtnx", "ns", "ultra", "db", "dj"});  // only the word end decides
  for (const auto& c : cases) {
    use(c.layouts);
    expectSteps(c.steps);
    EXPECT_TRUE(c.layouts.size() > 1 || layoutRequests().empty()) << "no layout to switch to";
  }
}

// Quotes, commas and question marks sit on keys the Russian map knows and the
// Ukrainian one does not; only the letters say which language a word is.
TEST_F(OtherLayouts, PunctuationDoesNotMakeAUkrainianWordRussian) {
  struct Case {
    std::vector<std::string> layouts;
    const char* word;
    const char* source;
    const char* converted;
  };
  const Case cases[] = {
      // The punctuation goes back to the keys that typed it on the Ukrainian layout.
      {{"en", "uk"}, "\"Пе", "uk_UA", "@Gt"},
      {{"en", "uk"}, "ви,", "uk_UA", "db?"},
      {{"en", "uk"}, "це?", "uk_UA", "wt&"},
      {{"en", "uk"}, "«я»,", "uk_UA", "«z»?"},
      {{"en", "uk"}, "объём", "ru_RU", "j,]`v"},           // letters only Russian has
      {{"en", "ru", "uk"}, "\"Пе", "ru_RU", "@Gt"},         // Russian enabled: as before
      {{"en", "ru", "uk"}, "ви,", "ru_RU", "db?"},
  };
  for (const auto& c : cases) {
    use(c.layouts);
    const LanguagePair pair = detector_->guessLanguagePair(u16(c.word));
    EXPECT_EQ(pair.source, c.source) << c.word << " with " << c.layouts.size() << " layouts";
    EXPECT_EQ(pair.target, "en_US") << c.word;
    EXPECT_EQ(u8(detector_->transliterate(u16(c.word), false)), c.converted) << c.word;
  }
}

// Whole sentences typed with the other layout active come out as the
// layouts' own keys give them: Shift levels, dead keys, keys the built-in
// maps do not know.
TEST_F(OtherLayouts, SentencesComeOutAsTheLayoutsTypeThem) {
  struct Case {
    std::vector<std::string> layouts;
    const char* active;  // the layout on when typing starts
    const char* keys;    // the US keys pressed
    const char* expected;
    const char* layout;  // the layout on afterwards
  };
  const Case cases[] = {
      {{"en", "el"}, "en", "Epil;ejte n;eew ", "Επιλέξτε νέες ", "el"},
      {{"en", "el"}, "el", "When ", "When ", "en"},  // Σ could be Shift+S: the word decides
      {{"en", "ar"}, "en", "hgYu]h]hj ", "الإعدادات ", "ar"},
      {{"en", "ar"}, "ar", "Hello, World ", "Hello, World ", "en"},
      {{"en", "uk"}, "en", "g`znm ", "п'ять ", "uk"},
  };
  words("el", {"Επιλέξτε", "νέες"});
  words("ar", {"الإعدادات"});
  words("uk_UA", {"п'ять"});
  words("en_US", {"Hello", "World", "When"});
  for (const auto& c : cases) {
    use(c.layouts);
    desktop_.selectLayout(c.active);
    app().setText(u"");
    desktop_.advance(2);
    desktop_.typeText(std::string_view(c.keys), "us");
    EXPECT_EQ(text(), c.expected) << c.keys << " on " << c.active;
    EXPECT_EQ(desktop_.currentLayoutCode(), c.layout) << c.keys;
  }
}

}  // namespace
}  // namespace brisquel::testing
