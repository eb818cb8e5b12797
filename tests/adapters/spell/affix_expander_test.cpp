// The word forms our own affix expansion produces from .aff/.dic pairs.
#include <set>

#include "base/Text.h"
#include "DictionaryTestSupport.h"
#include "spell/AffixExpander.h"

namespace brisquel::spell::testing {
namespace {

std::set<std::string> formsOf(const std::string& aff, const std::string& dic, bool withPrefixes = true) {
  auto dir = freshFolder("dict");
  writeFile(dir / "x.aff", aff);
  writeFile(dir / "x.dic", dic);
  auto expander = AffixExpander::load(dir / "x.aff");
  EXPECT_TRUE(expander.has_value());
  std::set<std::string> forms;
  if (!expander) return forms;
  EXPECT_TRUE(expander->expand(dir / "x.dic", withPrefixes, [&](std::u16string_view f) { forms.insert(text::toUtf8(f)); }));
  return forms;
}

using Forms = std::set<std::string>;

TEST(AffixExpansion, SuffixesWithStripAndConditions) {
  const std::string aff =
      "SET UTF-8\n"
      "SFX S Y 3\n"
      "SFX S y ies [^aeiou]y\n"
      "SFX S 0 s [aeiou]y\n"
      "SFX S 0 s [^y]\n";
  EXPECT_EQ(formsOf(aff, "3\nfly/S\nday/S\ncat/S\n"),
            (Forms{"fly", "flies", "day", "days", "cat", "cats"}));
}

TEST(AffixExpansion, PrefixesCrossWithSuffixesOnlyWhenBothAllowIt) {
  const std::string aff =
      "PFX U Y 1\n"
      "PFX U 0 un .\n"
      "PFX R N 1\n"
      "PFX R 0 re .\n"
      "SFX D Y 1\n"
      "SFX D 0 ed .\n";
  EXPECT_EQ(formsOf(aff, "2\ndo/UD\nwrap/RD\n"),
            (Forms{"do", "undo", "doed", "undoed", "wrap", "rewrap", "wraped"}));
  // Without prefixes (clitic languages) only stems and suffixes remain.
  EXPECT_EQ(formsOf(aff, "1\ndo/UD\n", false), (Forms{"do", "doed"}));
}

TEST(AffixExpansion, LongFlagsAliasesTwoLevelSuffixesAndNeedAffix) {
  const std::string aff =
      "FLAG long\n"
      "NEEDAFFIX nn\n"
      "AF 2\n"
      "AF AaBb # 1\n"
      "AF Cc # 2\n"
      "SFX Aa Y 1\n"
      "SFX Aa 0 ер/Cc .\n"
      "SFX Bb Y 1\n"
      "SFX Bb 0 а/nn .\n"
      "SFX Cc Y 1\n"
      "SFX Cc 0 ы .\n";
  // Aa gives "домер" and, one level further, "домеры"; Bb's "дома" needs a further affix and is not a form.
  EXPECT_EQ(formsOf(aff, "2\nдом/1\nкот/nnCc\n"), (Forms{"дом", "домер", "домеры", "коты"}));
}

TEST(AffixExpansion, NumericFlagsAndForbiddenStems) {
  const std::string aff =
      "FLAG num\n"
      "FORBIDDENWORD 99\n"
      "SFX 12 Y 1\n"
      "SFX 12 0 en .\n";
  EXPECT_EQ(formsOf(aff, "2\nox/12\nbad/12,99\n"), (Forms{"ox", "oxen"}));
}

TEST(AffixExpansion, LegacyCharsetIsDecoded) {
  auto dir = freshFolder("dict");
  writeFile(dir / "el.aff", "SET ISO8859-7\n");
  writeFile(dir / "el.dic", encodeAs("2\nκαλημέρα\nΑθήνα\n", "ISO-8859-7"));
  auto expander = AffixExpander::load(dir / "el.aff");
  ASSERT_TRUE(expander);
  Forms forms;
  ASSERT_TRUE(expander->expand(dir / "el.dic", true, [&](std::u16string_view f) { forms.insert(text::toUtf8(f)); }));
  EXPECT_EQ(forms, (Forms{"καλημέρα", "Αθήνα"}));
}

TEST(AffixExpansion, PrefixStringsAreTheCliticsToTry) {
  auto dir = freshFolder("dict");
  writeFile(dir / "he.aff",
            "PFX a Y 3\n"
            "PFX a 0 ו .\n"
            "PFX a 0 וה .\n"
            "PFX b Y 1\n"
            "PFX b 0 ו .\n");
  auto expander = AffixExpander::load(dir / "he.aff");
  ASSERT_TRUE(expander);
  std::vector<std::string> clitics;
  for (const auto& s : expander->prefixStrings()) clitics.push_back(text::toUtf8(s));
  EXPECT_EQ(clitics, (std::vector<std::string>{"ו", "וה"}));
}

TEST(AffixExpansion, MissingFileIsReportedNotThrown) {
  auto dir = freshFolder("dict");
  EXPECT_FALSE(AffixExpander::load(dir / "none.aff").has_value());
  writeFile(dir / "x.aff", "SET UTF-8\n");
  auto expander = AffixExpander::load(dir / "x.aff");
  ASSERT_TRUE(expander);
  EXPECT_FALSE(expander->expand(dir / "none.dic", true, [](std::u16string_view) {}));
}

}  // namespace
}  // namespace brisquel::spell::testing
