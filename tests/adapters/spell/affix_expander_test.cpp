// SPDX-License-Identifier: MIT
// The word forms our own affix expansion produces from .aff/.dic pairs.
#include <set>

#include "base/Text.h"
#include "DictionaryTestSupport.h"
#include "spell/AffixExpander.h"

namespace brisquel::spell::testing {
namespace {

using Forms = std::set<std::string>;

Forms formsOf(const std::string& aff, const std::string& dic, bool withPrefixes) {
  auto dir = freshFolder("dict");
  writeFile(dir / "x.aff", aff);
  writeFile(dir / "x.dic", dic);
  auto expander = AffixExpander::load(dir / "x.aff");
  EXPECT_TRUE(expander.has_value());
  Forms forms;
  if (!expander) return forms;
  EXPECT_TRUE(expander->expand(dir / "x.dic", withPrefixes, [&](std::u16string_view f) { forms.insert(text::toUtf8(f)); }));
  return forms;
}

TEST(AffixExpansion, StemsAndTheirAffixedForms) {
  struct Case {
    const char* what;
    std::string aff, dic;
    bool withPrefixes;
    Forms expected;
  };
  const Case cases[] = {
      {"suffixes with strip and conditions",
       "SET UTF-8\n"
       "SFX S Y 3\n"
       "SFX S y ies [^aeiou]y\n"
       "SFX S 0 s [aeiou]y\n"
       "SFX S 0 s [^y]\n",
       "3\nfly/S\nday/S\ncat/S\n", true, Forms{"fly", "flies", "day", "days", "cat", "cats"}},
      {"prefixes cross with suffixes only when both allow it",
       "PFX U Y 1\nPFX U 0 un .\nPFX R N 1\nPFX R 0 re .\nSFX D Y 1\nSFX D 0 ed .\n", "2\ndo/UD\nwrap/RD\n", true,
       Forms{"do", "undo", "doed", "undoed", "wrap", "rewrap", "wraped"}},
      // Without prefixes (clitic languages) only stems and suffixes remain.
      {"without prefixes", "PFX U Y 1\nPFX U 0 un .\nSFX D Y 1\nSFX D 0 ed .\n", "1\ndo/UD\n", false,
       Forms{"do", "doed"}},
      // Aa gives "домер" and, one level further, "домеры"; Bb's "дома" needs a further affix and is not a form.
      {"long flags, aliases, two-level suffixes and NEEDAFFIX",
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
       "SFX Cc 0 ы .\n",
       "2\nдом/1\nкот/nnCc\n", true, Forms{"дом", "домер", "домеры", "коты"}},
      {"numeric flags and forbidden stems", "FLAG num\nFORBIDDENWORD 99\nSFX 12 Y 1\nSFX 12 0 en .\n",
       "2\nox/12\nbad/12,99\n", true, Forms{"ox", "oxen"}},
      {"a legacy charset", "SET ISO8859-7\n", encodeAs("2\nκαλημέρα\nΑθήνα\n", "ISO-8859-7"), true,
       Forms{"καλημέρα", "Αθήνα"}},
  };
  for (const Case& c : cases) EXPECT_EQ(formsOf(c.aff, c.dic, c.withPrefixes), c.expected) << c.what;
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
