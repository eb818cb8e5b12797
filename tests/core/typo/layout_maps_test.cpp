// Conversion between layouts and language guessing, without a desktop.
#include <gtest/gtest.h>

#include "TestText.h"
#include "typo/LayoutMaps.h"

namespace brisquel {

void PrintTo(const LanguagePair& pair, std::ostream* os) {
  *os << "(" << pair.source << ", " << pair.target << ")";
}

namespace {

using testing::u16;
using testing::u8;

LayoutAvailability enabled(std::set<std::string, std::less<>> codes) {
  return {true, std::move(codes)};
}

TEST(LayoutMaps, Transliterate) {
  struct Case {
    const char* input;
    bool force;
    const char* expected;
  };
  const Case cases[] = {
      {"ghbdtn", false, "привет"},
      {"Ghbdtn", false, "Привет"},
      {"Hello", true, "Руддщ"},
      {"руддщ", false, "hello"},
      {"Руддщ", false, "Hello"},
      {"שלום", false, "akuo"},
      {"abc1 😀", true, "фис1 😀"},
      {"її", true, "]]"},
      {"αβ", true, "ab"},
      {"ΑΒ", false, "AB"},
      {",.", true, "бю"},
      {"і", true, "s"},
      {"?", true, ","},
      {"123", false, "123"},
      {"#&/~%*(", true, "№?.Ё%*("},  // keys Russian maps to other symbols, and keys it leaves alone
      {"", false, ""},
      // A letter with a combining mark is one character outside every map.
      {"e\u0301f", true, "e\u0301а"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(u8(transliterate(u16(c.input), c.force)), c.expected) << c.input << (c.force ? " forced" : "");
}

TEST(LayoutMaps, GuessLanguagePair) {
  const auto& m = LayoutMaps::instance();
  struct Case {
    const char* word;
    LanguagePair expected;
  };
  const Case cases[] = {
      {"ghbdtn", {"en_US", "ru_RU"}}, {"привет", {"ru_RU", "en_US"}}, {"ї", {"uk_UA", "en_US"}},
      {"ви", {"ru_RU", "en_US"}},     {"שלום", {"he", "en_US"}},      {"مرحبا", {"ar", "en_US"}},
      {"γεια", {"el", "en_US"}},      {"123", {"en_US", "ru_RU"}},    {"", {"en_US", "ru_RU"}},
  };
  for (const auto& c : cases) EXPECT_EQ(m.guessLanguagePair(u16(c.word), {}), c.expected) << c.word;
}

TEST(LayoutMaps, GuessTowardsTheLayoutsAPersonHas) {
  const auto& m = LayoutMaps::instance();
  struct Case {
    const char* word;
    std::set<std::string, std::less<>> layouts;
    LanguagePair expected;
  };
  const Case cases[] = {
      // With Russian enabled nothing changes.
      {"ghbdtn", {"en", "ru", "el"}, {"en_US", "ru_RU"}},
      {"ви", {"en", "ru", "uk"}, {"ru_RU", "en_US"}},
      // Without it: the enabled target with most mapped keys, earlier on ties.
      {"ghbdtn", {"en", "el"}, {"en_US", "el"}},
      {"ghbdtn", {"en", "uk", "el"}, {"en_US", "uk_UA"}},
      {"b", {"en", "el", "ar"}, {"en_US", "el"}},  // Arabic has no key b
      {"f", {"en", "he", "ar"}, {"en_US", "he"}},
      {"ghbdtn", {"en"}, {"en_US", ""}},
      // Cyrillic that is as Ukrainian as Russian.
      {"ви", {"en", "uk"}, {"uk_UA", "en_US"}},
      {"ёж", {"en", "uk"}, {"uk_UA", "en_US"}},  // both maps hold ё
      {"эй", {"en", "uk"}, {"ru_RU", "en_US"}},
  };
  for (const auto& c : cases) {
    std::string layouts;
    for (const auto& l : c.layouts) layouts += l + " ";
    EXPECT_EQ(m.guessLanguagePair(u16(c.word), enabled(c.layouts)), c.expected) << c.word << " with " << layouts;
  }
  EXPECT_EQ(u8(m.transliterate(u"ghbdtn", false, enabled({"en", "el"}))), "γηβδτν");
  EXPECT_EQ(u8(m.transliterate(u"ghbdtn", false, enabled({"en", "uk"}))), "привет");
}

TEST(LayoutMaps, LayoutCode) {
  const std::pair<const char*, const char*> cases[] = {{"ru_RU", "ru"}, {"uk_UA", "uk"}, {"he", "he"}, {"ar", "ar"},
                                                       {"el", "el"},    {"en_US", "en"}, {"", "en"},   {"ru", "en"}};
  for (const auto& [language, code] : cases) EXPECT_EQ(LayoutMaps::layoutCode(language), code) << language;
}

TEST(LayoutMaps, AlphabetSequence) {
  struct Case {
    std::vector<std::u16string> letters;
    bool expected;
  };
  const Case cases[] = {
      {{u"a", u"b", u"c"}, true}, {{u"a", u"b", u"d"}, true}, {{u"a", u"c", u"e"}, true},  {{u"c", u"b", u"a"}, true},
      {{u"A", u"b", u"C"}, true}, {{u"ж", u"з", u"и"}, true}, {{u"a", u"a", u"b"}, false}, {{u"a", u"b", u"f"}, false},
      {{u"a", u"b"}, false},      {{u"a", u"", u"c"}, false}, {{u";", u"p", u"b"}, false},
  };
  for (const auto& c : cases) {
    std::string shown;
    for (const auto& l : c.letters) shown += u8(l) + ",";
    EXPECT_EQ(LayoutMaps::isAlphabetSequence(c.letters), c.expected) << shown;
  }
}

TEST(LayoutMaps, EmojiOrSymbol) {
  for (const char* yes : {"☀", "✂", "😀", "👍🏽", "©"}) EXPECT_TRUE(LayoutMaps::isEmojiOrSymbol(u16(yes))) << yes;
  for (const char* no : {"#", "*", "1", "a", "ж", "ї", "ש", "ب", "λ", "·", "№"})
    EXPECT_FALSE(LayoutMaps::isEmojiOrSymbol(u16(no))) << no;
}

}  // namespace
}  // namespace brisquel
