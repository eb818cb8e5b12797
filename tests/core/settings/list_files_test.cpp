// SPDX-License-Identifier: MIT
// The text format of the list files, as a user editing them sees it.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "base/Text.h"
#include "settings/ListFiles.h"

namespace brisquel {
namespace {

std::string learnedFile(const std::string& body) { return std::string(learnedWordsHeader) + "\n\n" + body; }

TEST(ListFileFormat, WrittenFormOfApplicationLists) {
  const std::string header = ignoredAppsHeader;
  EXPECT_EQ(formatAppList(header, {}), header + "\n");
  EXPECT_EQ(formatAppList(header, {"a"}), header + "\n\na");
  // Entries are written as stored: no sorting, trimming or de-duplication.
  EXPECT_EQ(formatAppList(header, {"zed", " Spaced App ", "zed", "#x", ""}), header + "\n\nzed\n Spaced App \nzed\n#x\n");
}

struct LearnedCase {
  const char* name;
  std::string body;
  StringMap expected;
};

TEST(ListFileFormat, LearnedWordsLineGrammar) {
  const std::vector<LearnedCase> cases = {
      {"space form", "ghbdtn привет", {{"ghbdtn", "привет"}, {"привет", "привет"}}},
      {"tab form", "ghbdtn\tпривет", {{"ghbdtn", "привет"}, {"привет", "привет"}}},
      {"padded form with extra word", "  ghbdtn    привет  extra", {{"ghbdtn", "привет"}, {"привет", "привет"}}},
      {"tab fields trimmed, third ignored", "a \t b\tc", {{"a", "b"}, {"b", "b"}}},
      {"tab form keeps inner spaces", "a b\tc d", {{"a b", "c d"}, {"c d", "c d"}}},
      {"one word skipped", "lonely\nx y", {{"x", "y"}, {"y", "y"}}},
      {"word and tab skipped", "word\t\nx y", {{"x", "y"}, {"y", "y"}}},
      {"empty tab field skipped", "\t\tb\na\t\tb", {}},
      {"comments, also indented", "# a b\n   # c d\n\t#e f\nx y", {{"x", "y"}, {"y", "y"}}},
      {"later lines win", "x y\ny x", {{"x", "x"}, {"y", "x"}}},
      {"CR LF", "a b\r\nc d\r\n", {{"a", "b"}, {"b", "b"}, {"c", "d"}, {"d", "d"}}},
      {"lone CR", "a b\rc d", {{"a", "b"}, {"b", "b"}, {"c", "d"}, {"d", "d"}}},
      {"Unicode line separators", "a b\u2028c d\u2029e f\u0085g h",
       {{"a", "b"}, {"b", "b"}, {"c", "d"}, {"d", "d"}, {"e", "f"}, {"f", "f"}, {"g", "h"}, {"h", "h"}}},
      {"Unicode spaces trimmed", "\u00A0\u3000a b\u2003", {{"a", "b"}, {"b", "b"}}},
      {"no-break space does not separate words", "a\u00A0b", {}},
      // As in the tab form, so that the written file reads back the same.
      {"space form words trimmed of other spaces", "a \u00A0b\u2003 c", {{"a", "b"}, {"b", "b"}}},
      {"a line holding a NUL or another control character is skipped", std::string("a\0 b\nc\x01 d\ne f", 13),
       {{"e", "f"}, {"f", "f"}}},
  };
  for (const auto& c : cases) {
    auto words = parseLearnedWords(learnedFile(c.body));
    ASSERT_TRUE(words.has_value()) << c.name;
    EXPECT_EQ(*words, c.expected) << c.name;
  }
}

TEST(ListFileFormat, ApplicationEntries) {
  const std::string header = ignoredShortcutsAppsHeader;
  const struct {
    const char* name;
    std::string text;
    StringList expected;
  } cases[] = {
      {"kept exactly, blank lines and comments skipped",
       header + "\n\n  My App|c|X  \n/Applications/Some Thing.app\nmy app\nmy app\n\t\n#commented|c",
       {"My App|c|X", "/Applications/Some Thing.app", "my app", "my app"}},
      {"CR LF", header + "\r\n\r\nfoo\r\nbar baz\r\n", {"foo", "bar baz"}},
      {"byte order mark before the header", "\xEF\xBB\xBF" + header + "\n\nfoo", {"foo"}},
  };
  for (const auto& c : cases) EXPECT_EQ(parseAppList(c.text), c.expected) << c.name;
}

TEST(ListFileFormat, TextThatIsNotUtf8IsRefused) {
  for (const std::string& bad : {std::string("a b\n\xFF"), std::string("\xC0\xAF"), std::string("x\xED\xA0\x80y")}) {
    EXPECT_FALSE(parseLearnedWords(bad).has_value());
    EXPECT_FALSE(parseAppList(bad).has_value());
    EXPECT_FALSE(text::isValidUtf8(bad));
  }
  EXPECT_TRUE(text::isValidUtf8("привет \xF0\x9F\x98\x80"));
}

struct ExportCase {
  const char* name;
  StringMap words;
  std::string body;
};

TEST(ListFileFormat, LearnedWordsExport) {
  const std::vector<ExportCase> cases = {
      {"empty", {}, ""},
      {"a learned pair", {{"ghbdtn", "привет"}, {"привет", "привет"}}, "\nghbdtn\tпривет"},
      {"reverse item dropped", {{"x", "x"}, {"y", "x"}}, "\ny\tx"},
      {"reverse pair after its partner", {{"a", "b"}, {"b", "a"}}, "\na\tb"},
      // Scalar order, not UTF-16 order: U+FB00 before U+1F600.
      {"scalar order",
       {{"\U0001F600", "1"}, {"\uFB00", "2"}, {"z", "3"}, {"A", "4"}},
       "\nA\t4\nz\t3\n\uFB00\t2\n\U0001F600\t1"},
      // A decomposed key sorts as its composed form (U+00E9, after "z").
      {"composed order", {{"e\u0301", "1"}, {"z", "2"}, {"f", "3"}}, "\nf\t3\nz\t2\ne\u0301\t1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(formatLearnedWords(c.words), std::string(learnedWordsHeader) + "\n" + c.body) << c.name;
  }
}

// Whatever a user or a broken disk puts in a list file, reading it never
// crashes, and what is read writes back to text that reads again.
TEST(ListFileFormat, ArbitraryBytesNeverBreakTheReader) {
  std::mt19937 rng(20261206);
  const std::vector<std::string> pieces = {"a", "b", " ", "\t", "\n", "\r", "#", "\u2028", "\u00A0", "привет",
                                           "\xFF", "\xE2\x80", "\xEF\xBB\xBF", "|", std::string(1, '\0'), "\U0001F600"};
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int n = static_cast<int>(rng() % 40);
    for (int i = 0; i < n; ++i) {
      if (rng() % 4 == 0) {
        text += static_cast<char>(rng() % 256);
      } else {
        text += pieces[rng() % pieces.size()];
      }
    }
    if (auto words = parseLearnedWords(text)) {
      auto again = parseLearnedWords(formatLearnedWords(*words));
      ASSERT_TRUE(again.has_value());
      EXPECT_LE(again->size(), words->size() * 2);
    } else {
      EXPECT_FALSE(text::isValidUtf8(text));
    }
    if (auto apps = parseAppList(text)) {
      EXPECT_EQ(parseAppList(formatAppList(ignoredAppsHeader, *apps)), apps);
    }
  }
}

}  // namespace
}  // namespace brisquel
