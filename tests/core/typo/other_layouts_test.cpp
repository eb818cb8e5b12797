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

TEST_F(OtherLayouts, EnglishLayoutTextGoesToTheEnabledLayout) {
  struct Case {
    std::vector<std::string> layouts;
    const char* typed;
    const char* expected;
    const char* layout;
  };
  const Case cases[] = {
      {{"en", "el"}, "geia ", "γεια ", "el"},
      {{"en", "he"}, "akuo ", "שלום ", "he"},
      {{"en", "uk"}, "ghbdsn ", "привіт ", "uk"},
      {{"en", "ru", "el"}, "ghbdtn ", "привет ", "ru"},  // Russian enabled: as before
  };
  words("el", {"γεια"});
  words("he", {"שלום"});
  words("uk_UA", {"привіт"});
  words("ru_RU", {"привет"});
  words("en_US", {"geiax", "akuox", "ghbdsnx", "ghbdtnx"});  // only the word end decides
  for (const auto& c : cases) {
    use(c.layouts);
    app().setText(u"");
    type(c.typed);
    EXPECT_EQ(text(), c.expected) << c.typed;
    EXPECT_EQ(desktop_.currentLayoutCode(), c.layout) << c.typed;
  }
}

TEST_F(OtherLayouts, NoOtherLayoutMeansNoCorrection) {
  use({"en"});
  words("ru_RU", {"привет"});
  type("ghbdtn ghb");
  EXPECT_EQ(text(), "ghbdtn ghb");
  EXPECT_TRUE(layoutRequests().empty());
}

TEST_F(OtherLayouts, WordTablesCountOnlyWhereTheTargetHasTheWord) {
  struct Case {
    std::vector<std::string> layouts;
    const char* typed;
    const char* expected;
  };
  const Case cases[] = {
      {{"en", "el"}, "b ", "b "},          // β is no Greek word
      {{"en", "uk"}, "b ", "и "},          // и is a Ukrainian word
      {{"en", "uk"}, "yt ", "не "},        // in the Ukrainian word list
      {{"en", "uk"}, "lf ", "lf "},        // "да" is not
      {{"en", "ru"}, "lf ", "да "},        // for Russian the table decides alone
      {{"en", "uk"}, "; p b ", "; p и "},  // no run of single letters
  };
  words("uk_UA", {"не"});
  for (const auto& c : cases) {
    use(c.layouts);
    app().setText(u"");
    desktop_.advance(2);
    type(c.typed);
    EXPECT_EQ(text(), c.expected) << c.typed << " with " << c.layouts[1];
  }
}

TEST_F(OtherLayouts, AmbiguousWordsAreNotFoldedTowardsOtherLayouts) {
  use({"en", "uk"});
  words("en_US", {"ns", "ultra"});
  words("uk_UA", {"де"});
  words("ru_RU", {"ты", "где"});
  type("ns ult ");
  EXPECT_EQ(text(), "ns ult ");  // "где" is no Ukrainian word, and "ns" would give Russian "ты"
}

TEST_F(OtherLayouts, UkrainianWordIsCheckedAsUkrainian) {
  words("en_US", {"db"});
  words("uk_UA", {"ви"});
  use({"en", "uk"});
  desktop_.selectLayout("uk");
  type("ви ");
  EXPECT_EQ(text(), "ви ");
  // With Russian enabled too, such a word is still taken as Russian.
  use({"en", "ru", "uk"});
  desktop_.selectLayout("uk");
  app().setText(u"");
  type("ви ");
  EXPECT_EQ(text(), "db ");
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
      {{"en", "uk"}, "\"Пе", "uk_UA", "\"Gt"},
      {{"en", "uk"}, "ви,", "uk_UA", "db,"},
      {{"en", "uk"}, "це?", "uk_UA", "wt?"},
      {{"en", "uk"}, "«я»,", "uk_UA", "«z»,"},
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

TEST_F(OtherLayouts, PreviousWordIsNotTurnedIntoCyrillicWithoutRussian) {
  words("en_US", {"dj"});
  words("uk_UA", {"дворі", "во"});
  words("ru_RU", {"дворе", "во"});
  use({"en", "uk"});
  type("dj ");
  desktop_.selectLayout("uk");
  type("дворі ");
  EXPECT_EQ(text(), "dj дворі ");
  // With a Russian layout the repair goes ahead.
  use({"en", "ru", "uk"});
  app().setText(u"");
  type("dj ");
  desktop_.selectLayout("ru");
  type("дворе ");
  EXPECT_EQ(text(), "во дворе ");
}

}  // namespace
}  // namespace brisquel::testing
