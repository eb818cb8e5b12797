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

// Corrections go towards the layouts the person has. The first words of a
// sentence are short and plausible on both layouts; the word after them
// shows the language, and they follow it only where nothing before them
// shows the person writing the language of the keys. English typed right
// beside a layout without capitals or with a big dictionary stays: acronyms,
// short names, digits and compatibility letters are no words of the other script.
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
      // The first word of a text goes to the layout of the next one, towards Ukrainian too.
      {{"en", "uk"}, {{"dj ", "@uk", "дворі "}, "во дворі "}},
      {{"en", "ru", "uk"}, {{"dj ", "@ru", "дворе "}, "во дворе "}},
      // By hand too, towards the layout the person has.
      {{"en", "el"}, {{"Kal;a", "@opt"}, "Καλά", nullptr, "el"}},
      // The first words of a sentence.
      {{"en", "he"}, {{"kt akuo "}, "לא שלום ", nullptr, "he"}},
      {{"en", "he"}, {{"send it to akuo "}, "send it to שלום ", nullptr, "he"}},
      {{"en", "he"}, {{"Done. to akuo "}, "Done. אם שלום "}},  // a new sentence
      {{"en", "he"}, {{"to ", "@he", "שלום "}, "אם שלום "}},   // the next word typed on its own layout
      {{"en", "he"}, {{"send to ", "@he", "שלום "}, "send to שלום "}},
      {{"en", "he"}, {{"@he", "to be "}, "to be ", nullptr, "en"}},  // English typed on the Hebrew layout
      {{"en", "el"}, {{"H lista "}, "Η λιστα ", nullptr, "el"}},
      {{"en", "el"}, {{"see H lista "}, "see H λιστα "}},
      // After a word of the target, a word of both goes there too; not after a name in capitals.
      {{"en", "he"}, {{"@he", "akuo ", "@en", "kt "}, "שלום לא ", nullptr, "he"}},
      {{"en", "he"}, {{"@he", "akuo ", "@en", "XDS ", "@he", "kt "}, "שלום XDS לא "}},
      // English typed right stays.
      {{"en", "ar"}, {{"set RGB values "}, "set RGB values "}},  // Shift types vowel marks on the Arabic layout
      {{"en", "ar"}, {{"run stdbuf here "}, "run stdbuf here "}},  // its b key types a presentation form
      {{"en", "he"}, {{"the rc file "}, "the rc file "}},  // two letters after an English word
      {{"en", "he"}, {{"say X, then "}, "say X, then "}},  // the comma key types a Hebrew letter
      {{"en", "he"}, {{"open x2 now "}, "open x2 now "}},  // digits
      // Sentences come out as the layouts' own keys give them: Shift levels,
      // dead keys, keys the built-in maps do not know.
      {{"en", "el"}, {{"#Epil;ejte n;eew "}, "Επιλέξτε νέες ", nullptr, "el"}},
      {{"en", "el"}, {{"@el", "#When "}, "When ", nullptr, "en"}},  // Σ could be Shift+S: the word decides
      {{"en", "ar"}, {{"#hgYu]h]hj "}, "الإعدادات ", nullptr, "ar"}},
      {{"en", "ar"}, {{"@ar", "#Hello, World "}, "Hello, World ", nullptr, "en"}},
      {{"en", "uk"}, {{"#g`znm "}, "п'ять ", nullptr, "uk"}},
  };
  words("el", {"γεια", "λιστα", "Επιλέξτε", "νέες"});
  words("he", {"שלום", "לא", "אם", "ןא", "רב", "סת", "ס2"});
  words("ar", {"ٌﻷﻵ", "سفيﻻعب", "سفي", "ٌﻷ", "الإعدادات"});
  words("uk_UA", {"привіт", "не", "де", "ви", "дворі", "во", "п'ять"});
  words("ru_RU", {"привет", "ты", "где", "дворе", "во"});
  words("en_US", {"geiax", "akuox", "ghbdsnx", "ghbdtnx", "ns", "ultra", "db", "dj",  // only the word end decides
                  "to", "kt", "send", "it", "be", "see", "done", "XDS", "set", "values", "run", "here", "the",
                  "file", "say", "then", "open", "now", "Hello", "World", "When"});
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

}  // namespace
}  // namespace brisquel::testing
