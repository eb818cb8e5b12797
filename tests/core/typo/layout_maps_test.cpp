// SPDX-License-Identifier: MIT
// Conversion between layouts and language guessing, without a desktop.
#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include "TestText.h"
#include "base/Text.h"
#include "sim/KeyboardLayouts.h"
#include "typo/KeyTables.h"
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

// Towards the layouts a person has; with nothing known, as if Russian were one.
TEST(LayoutMaps, GuessLanguagePair) {
  const auto& m = LayoutMaps::instance();
  struct Case {
    const char* word;
    std::set<std::string, std::less<>> layouts;  // empty: not known
    LanguagePair expected;
  };
  const Case cases[] = {
      {"ghbdtn", {}, {"en_US", "ru_RU"}}, {"привет", {}, {"ru_RU", "en_US"}}, {"ї", {}, {"uk_UA", "en_US"}},
      {"ви", {}, {"ru_RU", "en_US"}},     {"שלום", {}, {"he", "en_US"}},      {"مرحبا", {}, {"ar", "en_US"}},
      {"γεια", {}, {"el", "en_US"}},      {"123", {}, {"en_US", "ru_RU"}},    {"", {}, {"en_US", "ru_RU"}},
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
    const LayoutAvailability available = c.layouts.empty() ? LayoutAvailability{} : enabled(c.layouts);
    EXPECT_EQ(m.guessLanguagePair(u16(c.word), available), c.expected) << c.word << " with " << layouts;
  }
  EXPECT_EQ(u8(m.transliterate(u"ghbdtn", false, enabled({"en", "el"}))), "γηβδτν");
  EXPECT_EQ(u8(m.transliterate(u"ghbdtn", false, enabled({"en", "uk"}))), "привет");
  // The forced swap too, for a person without Russian.
  EXPECT_EQ(u8(m.transliterate(u"geia", true, enabled({"en", "el"}))), "γεια");
  EXPECT_EQ(u8(m.transliterate(u"geia", true, enabled({"en"}))), "geia");
}

KeyTables simulatedKeyTables() {
  KeyTables tables;
  for (const auto& layout : sim::keyboardLayouts()) tables.add(std::string(layout.code), sim::keyboardTable(layout));
  return tables;
}

// What the same keys give on another layout, both ways: Shift levels, dead
// keys and the keys that differ from the built-in maps.
TEST(KeyTables, SameKeysOnTheOtherLayout) {
  const KeyTables tables = simulatedKeyTables();
  struct Case {
    const char* from;
    const char* to;
    const char* typed;
    const char* expected;
    bool bothWays;
  };
  const Case cases[] = {
      {"en", "ru", "Ghbdtn", "Привет", true},
      {"en", "ru", "&?/", "?,.", true},
      {"en", "uk", "g`znm", "п'ять", true},      // the apostrophe is on the backtick key
      {"en", "uk", "?/", ",.", true},            // comma is Shift+/
      {"en", "he", "akuo,.", "שלוםתץ", true},
      {"en", "he", "[]Hi", "][Hן", true},        // mirrored brackets; Shift gives Latin capitals
      {"en", "ar", "hgYu]h]hj", "الإعدادات", true},  // hamza forms on Shift, letters on ] and friends
      {"en", "ar", "Hello", "أثممخ", true},
      {"en", "ar", "b", "\uFEFB", true},         // lam-alef stays the form the key gives
      {"en", "ar", "Qd", "\u064E\u064A", true},  // a Shift-level mark
      {"en", "el", "Epil;ejte", "Επιλέξτε", true},  // dead acute, then the vowel
      {"en", "el", ":iI:I", "ϊΙΪ", true},          // dead diaeresis on both levels
      {"en", "el", "lesw", "λεσς", true},           // final sigma where the layout puts it
      {"en", "el", "a; b", "α´β", true},            // dead key then Space: the spacing accent
      {"en", "el", ";;e", "έ", false},              // a second dead key replaces the first
      {"el", "en", "Σ", "S", false},                // Shift+S, the key whose plain level is σ
      {"el", "en", "e\u0301", "e\u0301", false},  // outside the table: kept
  };
  for (const auto& c : cases) {
    auto converted = tables.convert(u16(c.typed), c.from, c.to);
    ASSERT_TRUE(converted) << c.typed;
    EXPECT_EQ(u8(converted->text), c.expected) << c.typed << " " << c.from << " -> " << c.to;
    EXPECT_FALSE(converted->endsWithDeadKey) << c.typed;
    if (!c.bothWays) continue;
    auto back = tables.convert(u16(c.expected), c.to, c.from);
    ASSERT_TRUE(back) << c.expected;
    EXPECT_EQ(u8(back->text), c.typed) << c.expected << " " << c.to << " -> " << c.from;
  }

  auto waiting = tables.convert(u"Epil;", "en", "el");
  ASSERT_TRUE(waiting);
  EXPECT_EQ(u8(waiting->text), "Επιλ");
  EXPECT_TRUE(waiting->endsWithDeadKey);
  // A forced swap sends the other layout's characters back.
  EXPECT_EQ(u8(tables.convert(u16("ghbвет"), "en", "ru", true)->text), "приdtn");
  EXPECT_FALSE(tables.convert(u"abc", "en", "fr"));
  EXPECT_FALSE(KeyTables().convert(u"abc", "en", "ru"));
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

// The classes asked of every typed character come from a table for the
// layouts' scripts: they say what ICU says, on both sides of its end.
TEST(Text, CharacterClassesAreIcus) {
  for (UChar32 c = 0; c < 0x900; ++c) {
    if (U_IS_SURROGATE(c)) continue;
    SCOPED_TRACE(c);
    const std::u16string s(1, static_cast<char16_t>(c));
    const auto type = u_charType(c);
    EXPECT_EQ(text::isWhiteSpace(static_cast<char32_t>(c)), u_isUWhiteSpace(c) != 0);
    EXPECT_EQ(text::hasEmojiProperty(static_cast<char32_t>(c)), u_hasBinaryProperty(c, UCHAR_EMOJI) != 0);
    EXPECT_EQ(text::trimPunctuation(s).empty(), u_ispunct(c) != 0);
    EXPECT_EQ(text::trimOpeningMarks(s).empty(), type == U_START_PUNCTUATION || type == U_DASH_PUNCTUATION ||
                                                     u_hasBinaryProperty(c, UCHAR_QUOTATION_MARK));
  }
}

}  // namespace
}  // namespace brisquel
