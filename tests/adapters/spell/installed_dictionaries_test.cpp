// SPDX-License-Identifier: MIT
// A few answers of the real Debian dictionaries, where they are installed.
#include "base/Text.h"
#include "DictionaryTestSupport.h"

namespace brisquel::spell::testing {
namespace {

class InstalledDictionaries : public ::testing::Test {
 protected:
  static DictionarySpellChecker& checker() {
    // The cache lives in the build tree (XDG_CACHE_HOME under ctest), so only the first run builds.
    static DictionarySpellChecker instance;
    return instance;
  }
  static void SetUpTestSuite() { loadAll(checker()); }
};

TEST_F(InstalledDictionaries, KnownWordsPrefixesAndWrongLayoutStrings) {
  const Case cases[] = {
      {"en_US", "hello", true, true},
      {"en_US", "ghbdtn", false, false},
      {"en_US", "ghb", false, false},
      {"en_US", "nothing", true, true},
      {"ru_RU", "привет", true, true},
      {"ru_RU", "приветствовать", true, true},
      {"ru_RU", "руддщ", false, false},
      {"ru_RU", "hello", false, false},
      {"uk_UA", "привіт", true, true},
      {"uk_UA", "hello", false, false},  // the dictionary maps Latin letters onto digits
      {"uk_UA", "ghbdsn", false, false},
      {"he", "שלום", true, true},
      {"he", "ושלום", true, true},
      {"he", "שָׁלוֹם", true, true},
      {"he", "יקךךם", false, false},  // "hello" typed on the Hebrew layout
      {"ar", "مرحبا", true, true},
      {"ar", "والكتاب", true, true},
      {"ar", "اثممخ", false, false},  // "hello" on the Arabic layout
      {"el", "καλημέρα", true, true},
      {"el", "Καλημέρα", true, true},
      {"el", "ηελλο", false, false},
  };
  std::string missing;
  for (const auto& c : cases) {
    if (auto package = checker().missingPackage(c.language)) {
      if (missing.find(*package) == std::string::npos) missing += " " + *package;
      continue;
    }
    SCOPED_TRACE(std::string(c.language) + " \"" + c.text + "\"");
    EXPECT_EQ(checker().isWordCorrect(u16(c.text), c.language), c.word);
    if (c.prefix) {
      // Every beginning of a real word of two letters or more is a valid prefix.
      std::u16string word = u16(c.text);
      for (std::size_t n = 2; n < word.size(); ++n)
        EXPECT_TRUE(checker().hasCompletions(word.substr(0, n), c.language)) << text::toUtf8(word.substr(0, n));
    } else {
      EXPECT_FALSE(checker().hasCompletions(u16(c.text), c.language));
    }
  }
  if (!missing.empty()) GTEST_SKIP() << "dictionaries not installed, their languages not checked:" << missing;
}

}  // namespace
}  // namespace brisquel::spell::testing
