// Conversion between layouts and language guessing, without a desktop.
#include <gtest/gtest.h>

#include "typo/LayoutMaps.h"
#include "base/Text.h"

namespace brisquel {
namespace {

std::string u8(std::u16string_view s) {
  return text::toUtf8(s);
}
std::u16string u16(std::string_view s) {
  return text::fromUtf8(s);
}

}  // namespace

void PrintTo(const LanguagePair& pair, std::ostream* os) {
  *os << "(" << pair.source << ", " << pair.target << ")";
}

namespace {

LayoutAvailability enabled(std::set<std::string, std::less<>> codes) {
  return {true, std::move(codes)};
}

TEST(LayoutMaps, TablesHoldEveryKey) {
  const auto& m = LayoutMaps::instance();
  EXPECT_EQ(m.engToRusMap.size(), 73u);
  EXPECT_EQ(m.engToUkrMap.size(), 66u);
  EXPECT_EQ(m.engToHebMap.size(), 54u);
  EXPECT_EQ(m.engToAraMap.size(), 52u);
  EXPECT_EQ(m.engToGreMap.size(), 51u);
  // Hebrew and Arabic share one letter between both cases of a key.
  EXPECT_EQ(m.rusToEngMap.size(), 73u);
  EXPECT_EQ(m.ukrToEngMap.size(), 66u);
  EXPECT_EQ(m.hebToEngMap.size(), 30u);
  EXPECT_EQ(m.araToEngMap.size(), 27u);
  EXPECT_EQ(m.greToEngMap.size(), 51u);
  struct Entry {
    const LayoutMaps::Map& map;
    char32_t key;
    char32_t value;
  };
  const Entry entries[] = {
      {m.engToRusMap, U'#', U'№'}, {m.engToRusMap, U'&', U'?'}, {m.engToRusMap, U'/', U'.'},
      {m.engToRusMap, U'~', U'Ё'}, {m.engToUkrMap, U'`', U'ё'}, {m.engToUkrMap, U']', U'ї'},
      {m.engToUkrMap, U'"', U'Є'}, {m.engToHebMap, U'q', U'/'}, {m.engToHebMap, U';', U'ף'},
      {m.engToHebMap, U'Z', U'ז'}, {m.engToAraMap, U'.', U'ز'}, {m.engToAraMap, U'M', U'ة'},
      {m.engToGreMap, U'q', U';'}, {m.engToGreMap, U';', U'·'}, {m.engToGreMap, U'w', U'ς'},
      {m.hebToEngMap, U'ש', U'a'}, {m.araToEngMap, U'ض', U'q'},
  };
  for (const auto& e : entries) {
    auto it = e.map.find(e.key);
    ASSERT_NE(it, e.map.end()) << "missing key U+" << std::hex << static_cast<unsigned>(e.key);
    EXPECT_EQ(it->second, e.value) << "key U+" << std::hex << static_cast<unsigned>(e.key);
  }
  for (char32_t absent : {U'%', U'*', U'(', U'1'}) EXPECT_FALSE(m.engToRusMap.count(absent));
  for (char32_t absent : {U'~', U'?', U'@', U'&'}) EXPECT_FALSE(m.engToUkrMap.count(absent));
  for (char32_t absent : {U'Q', U'W'}) EXPECT_FALSE(m.engToHebMap.count(absent) || m.engToGreMap.count(absent));
  for (char32_t absent : {U'b', U'[', U';', U'\'', U'/', U'`'}) EXPECT_FALSE(m.engToAraMap.count(absent));
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
