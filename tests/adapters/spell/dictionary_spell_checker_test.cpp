// SPDX-License-Identifier: MIT
// The spelling port on small dictionaries written by the test: whole words,
// prefixes, loading, the cache of the prefix index and missing dictionaries.
#include <functional>
#include <optional>
#include <thread>

#include "DictionaryTestSupport.h"

namespace brisquel::spell::testing {
namespace {

using namespace std::chrono_literals;

struct Fixture {
  std::filesystem::path dictionaries;
  std::filesystem::path cache;
};

Fixture writeDictionaries() {
  Fixture f{freshFolder("dictionaries"), freshFolder("cache")};
  writeFile(f.dictionaries / "en_US.aff",
            "SET UTF-8\nICONV 1\nICONV ’ '\nSFX S Y 1\nSFX S 0 s .\nPFX U Y 1\nPFX U 0 un .\n");
  writeFile(f.dictionaries / "en_US.dic", "5\nhello\ndo/U\ncat/S\nLondon\ndon't\n");
  writeFile(f.dictionaries / "ru_RU.aff", "SET UTF-8\nSFX A Y 2\nSFX A 0 а .\nSFX A 0 ом .\n");
  writeFile(f.dictionaries / "ru_RU.dic", "2\nпривет\nдом/A\n");
  // Every Latin letter mapped to a digit, as the real Ukrainian dictionary does.
  std::string ukAff = "SET UTF-8\nICONV 26\n";
  for (char c = 'a'; c <= 'z'; ++c) ukAff += std::string("ICONV ") + c + " 0\n";
  writeFile(f.dictionaries / "uk_UA.aff", ukAff);
  writeFile(f.dictionaries / "uk_UA.dic", "3\nпривіт\n00000\nКиїв\n");
  writeFile(f.dictionaries / "he_IL.aff", "SET UTF-8\nPFX a Y 3\nPFX a 0 ו .\nPFX a 0 ה .\nPFX a 0 וה .\n");
  writeFile(f.dictionaries / "he_IL.dic", "2\nשלום/a\nספר/a\n");
  writeFile(f.dictionaries / "el_GR.aff", "SET ISO8859-7\nTRY αβ\n");
  writeFile(f.dictionaries / "el_GR.dic", encodeAs("3\nκαλημέρα\nκαλός\nκόσμος\n", "ISO-8859-7"));
  return f;
}

const Case kCases[] = {
    {"en_US", "hello", true, false},  // the prefix itself does not count as a completion
    {"en_US", "hel", false, true},
    {"en_US", "Hello", true, false},
    {"en_US", "HEL", false, true},
    {"en_US", "cats", true, false},
    {"en_US", "undo", true, false},
    {"en_US", "und", false, true},
    {"en_US", "london", false, false},  // Hunspell keeps proper names capitalised
    {"en_US", "London", true, false},
    {"en_US", "don’t", true, false},  // typographic apostrophe
    {"en_US", "lond", false, true},
    {"en_US", "ghbdtn", false, false},
    {"en_US", "привет", false, false},
    {"ru_RU", "привет", true, false},
    {"ru_RU", "Привет", true, false},
    {"ru_RU", "при", false, true},
    {"ru_RU", "домом", true, false},
    {"ru_RU", "домо", false, true},
    {"ru_RU", "ghb", false, false},
    {"uk_UA", "привіт", true, false},
    {"uk_UA", "hello", false, false},  // Latin letters would all read as "0"
    {"uk_UA", "hel", false, false},
    {"uk_UA", "Київ", true, false},
    {"uk_UA", "КИЇВ", true, false},
    {"uk_UA", "київ", false, false},  // only ever written with a capital
    {"uk_UA", "ки", false, true},
    {"uk_UA", "Привіт", true, false},
    {"uk_UA", "привіт-привіт", true, true},
    {"uk_UA", "привіт-", false, true},  // a compound may go on
    {"uk_UA", "привіт-пр", false, true},
    {"uk_UA", "привіт-пк", false, false},
    {"uk_UA", "при-пр", false, false},
    {"en_US", "hello.", true, false},  // punctuation around a word is no part of it
    {"en_US", "\"hello", true, false},
    {"en_US", "(hel", false, true},
    {"en_US", "hel)", false, false},
    {"en_US", "hel.lo", false, false},
    {"he", "שלום", true, false},
    {"he", "ושלום", true, false},  // clitic + word
    {"he", "והספר", true, false},
    {"he", "שָׁלוֹם", true, false},  // niqqud
    {"he", "וש", false, true},
    {"he", "וה", false, true},  // a clitic chain is followed by some word
    {"he", "ושפ", false, false},
    {"he", "hello", false, false},
    {"el", "καλημέρα", true, false},
    {"el", "Καλημέρα", true, false},
    {"el", "καλ", false, true},
    {"el", "καλημ", false, true},
    {"el", "kal", false, false},
    {"el", "ΚΑΛΗΜΕΡΑ", true, false},  // capitals drop the accent
    {"el", "ΚΑΛΗΜΕ", false, true},
    {"el", "ΚΑΛΟΣ", true, false},
    {"el", "ΚΑΛΟ", false, true},
    {"el", "ΚΟΣ", false, true},  // the inner σ of ΚΟΣΜΟΣ, not a final ς
    {"el", "ΚΟΣΜΟΣ", true, false},
    {"el", "καλημερα", false, false},  // in small letters the accent is wanted
    {"el", "ΚΑΛΗΜΕΡΑΣ", false, false},
    {"ar", "مرحبا", false, false},  // no Arabic dictionary in this folder
    {"xx", "hello", false, false},
};

void expectCases(DictionarySpellChecker& checker) {
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.language) + " \"" + c.text + "\"");
    EXPECT_EQ(checker.isWordCorrect(u16(c.text), c.language), c.word);
    EXPECT_EQ(checker.hasCompletions(u16(c.text), c.language), c.prefix);
  }
}

// The index answers alike however it came: built by a child process into the
// cache, read back from it, built again when the dictionary changed or the
// cache was damaged, built in memory where there is no cache or it cannot be
// written; also after a checker was destroyed while loading.
TEST(DictionarySpellCheckerLoading, IndexesAnswerAlikeWhereverBuilt) {
  auto files = writeDictionaries();
  using enum DictionarySpellChecker::IndexSource;
  const struct {
    const char* label;
    std::filesystem::path cache;
    std::optional<DictionarySpellChecker::IndexSource> source;  // of en_US; none: either
    std::function<void()> before = [] {};
  } setups[] = {
      {"built into the cache", files.cache, Built},
      {"read from the cache", files.cache, Cache},
      {"built again after the dictionary changed", files.cache, Built,
       [&] { writeFile(files.dictionaries / "en_US.dic", "6\nhello\ndo/U\ncat/S\nLondon\ndon't\nworld\n"); }},
      {"built again over a damaged cache", files.cache, Built,
       [&] {
         for (const auto& e : std::filesystem::directory_iterator(files.cache)) writeFile(e.path(), "not a trie");
       }},
      {"built without a cache", {}, Built},
      {"built where the cache cannot be written", files.cache / "blocked" / "inside", Built,
       [&] { writeFile(files.cache / "blocked", ""); }},
      {"after a checker destroyed while loading", files.cache / "other", std::nullopt,
       [&] {
         DictionarySpellChecker destroyed(files.dictionaries, files.cache / "other");
         for (const auto& language : DictionarySpellChecker::languages()) destroyed.prepare(language);
       }},  // its destructor joins the loaders; must not crash or hang
  };
  for (const auto& setup : setups) {
    SCOPED_TRACE(setup.label);
    setup.before();
    DictionarySpellChecker checker(files.dictionaries, setup.cache);
    ASSERT_TRUE(loadAll(checker));
    if (setup.source) {
      EXPECT_EQ(checker.indexSource("en_US"), *setup.source);
    }
    expectCases(checker);
  }
  int indexes = 0;
  for (const auto& e : std::filesystem::directory_iterator(files.cache))
    indexes += e.path().filename().string().starts_with("en_US-") && e.path().extension() == ".trie";
  EXPECT_EQ(indexes, 1) << "the index of the old dictionary is removed";
}

TEST(DictionarySpellCheckerLoading, MissingDictionaryLeavesTheLanguageWithoutWordsAndNamesItsPackage) {
  auto files = writeDictionaries();
  DictionarySpellChecker checker(files.dictionaries, files.cache);
  ASSERT_TRUE(loadAll(checker));
  EXPECT_TRUE(checker.isReady("ar"));
  EXPECT_EQ(checker.missingPackage("ar"), std::optional<std::string>("hunspell-ar"));
  EXPECT_EQ(checker.missingPackage("ru_RU"), std::nullopt);
  const auto warning = missingDictionariesWarning(checker, {"en_US", "ar", "ru_RU", "ar"});
  EXPECT_NE(warning.find("hunspell-ar"), std::string::npos) << warning;
  EXPECT_EQ(warning.find("hunspell-ar"), warning.rfind("hunspell-ar")) << warning;
  EXPECT_EQ(missingDictionariesWarning(checker, {"en_US", "ru_RU"}), "");
}

// A language not yet loaded answers as unknown. Its first question starts
// loading it in the program (the answer may come before a second question);
// tools can keep unprepared languages unloaded.
TEST(DictionarySpellCheckerLoading, UnpreparedLanguagesAnswerAsUnknown) {
  auto files = writeDictionaries();
  for (bool loadWhenAsked : {true, false}) {
    SCOPED_TRACE(loadWhenAsked ? "the program" : "a tool");
    DictionarySpellChecker checker(files.dictionaries, files.cache, loadWhenAsked);
    EXPECT_FALSE(checker.isReady("en_US"));
    EXPECT_FALSE(checker.hasCompletions(u"hel", "en_US"));
    checker.prepare("en_US");
    ASSERT_TRUE(checker.waitUntilReady("en_US", 1min));
    EXPECT_TRUE(checker.isWordCorrect(u"hello", "en_US"));
    EXPECT_FALSE(checker.isReady("ru_RU"));
    EXPECT_FALSE(checker.isWordCorrect(u"привет", "ru_RU"));
    if (loadWhenAsked) {
      // Ready with no one preparing it: the question started the loading.
      for (auto until = std::chrono::steady_clock::now() + 1min; !checker.isReady("ru_RU");) {
        ASSERT_LT(std::chrono::steady_clock::now(), until);
        std::this_thread::sleep_for(10ms);
      }
      EXPECT_TRUE(checker.isWordCorrect(u"привет", "ru_RU"));
    } else {
      EXPECT_FALSE(checker.isReady("ru_RU"));
      EXPECT_EQ(checker.indexSource("ru_RU"), DictionarySpellChecker::IndexSource::None);
    }
  }
}

}  // namespace
}  // namespace brisquel::spell::testing
