// SPDX-License-Identifier: MIT
#include "l10n/L10n.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace brisquel {
namespace {

std::size_t countOf(const std::string& text, const std::string& needle) {
  std::size_t count = 0;
  for (auto pos = text.find(needle); pos != std::string::npos; pos = text.find(needle, pos + needle.size())) ++count;
  return count;
}

bool lacksGreek(std::string_view key) {
  return key == "menu.ctrl.close_window" || key == "menu.ctrl.quit_closes_windows";
}

// Every key once, with a text of its own in every language (Greek lacks two).
// Key names, modifier symbols, the product name, its version and site and
// the settings path are the same in every language, as often as the English
// text has them; shortcut entries end with the English keys.
TEST(L10nTable, HoldsEveryKeyInEveryLanguageKeepingNotationAndNames) {
  const std::vector<std::string> markers = {"^ +",      "^",     "⌥",    "⇧",      "⌘",   "🌐",      "❤️",
                                            "💔",        "Fn",    "Ctrl", "Option", "Del", "Finder", "/Applications",
                                            "Brisquel", "v1.01", "\n",     std::string(kProductSiteURL),
                                            "System Settings -> Keyboard -> Keyboard Shortcuts -> Modifier Keys"};
  const auto keys = L10n::keys();
  EXPECT_EQ(std::set<std::string_view>(keys.begin(), keys.end()).size(), keys.size()) << "a key appears twice";
  for (std::string_view key : keys) {
    const std::string english = L10n::text(key, "en");
    const auto colon = english.find(": ");
    const bool shortcut = key.starts_with("menu.ctrl.") && colon != std::string::npos;
    for (std::string_view language : L10n::kLanguages) {
      const bool own = !(language == "el" && lacksGreek(key));
      EXPECT_EQ(L10n::hasOwnText(key, language), own) << key << " in " << language;
      if (!own) continue;
      const std::string translated = L10n::text(key, language);
      EXPECT_FALSE(translated.empty()) << key << " in " << language;
      for (const std::string& marker : markers) {
        EXPECT_EQ(countOf(translated, marker), countOf(english, marker))
            << "marker \"" << marker << "\" in " << key << " [" << language << "]: " << translated;
      }
      if (shortcut) {
        EXPECT_TRUE(translated.ends_with(english.substr(colon))) << key << " [" << language << "]";
      }
    }
  }
}

TEST(L10nLookup, FallsBackToEnglishThenToTheKey) {
  struct Case {
    std::string_view key, language, expected;
  };
  const Case cases[] = {
      {"menu.quit", "de", "Quit"},
      {"no.such.key", "ru", "no.such.key"},
      {"", "en", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(L10n::text(c.key, c.language), c.expected) << c.key << " in " << c.language;
  }
}

TEST(L10nLanguage, ChosenFromPreferredLanguages) {
  struct Case {
    std::vector<std::string> preferred;
    std::string expected;
  };
  const Case cases[] = {
      {{"he-IL"}, "he"},      {{"EN-us"}, "en"},    {{"de-DE", "uk-UA"}, "uk"},
      {{"zh-Hans-CN"}, "en"}, {{"ru"}, "ru"},       {{"ru_RU.UTF-8"}, "ru"},
      {{"ar", "el"}, "ar"},   {{"EL"}, "el"},       {{"u", "e"}, "en"},  // one character never matches
      {{"r", "ru"}, "ru"},    {{"fr", "uk"}, "uk"}, {{}, "en"},
  };
  for (const Case& c : cases) {
    std::string list;
    for (const auto& entry : c.preferred) list += entry + " ";
    EXPECT_EQ(L10n::chooseLanguage(c.preferred), c.expected) << "preferred: " << list;
  }
}

TEST(L10nLanguage, CurrentLanguageDrivesL) {
  EXPECT_FALSE(L10n::setCurrentForTesting("de"));
  ASSERT_TRUE(L10n::setCurrentForTesting("he"));
  EXPECT_EQ(L10n::current(), "he");
  EXPECT_EQ(L("alert.ok"), "אישור");
  ASSERT_TRUE(L10n::setCurrentForTesting("el"));
  EXPECT_EQ(L("menu.quit"), "Τερματισμός");
  // Once fixed, the language stays for the life of the process.
  L10n::initialize({"ru-RU"});
  EXPECT_EQ(L10n::current(), "el");
  ASSERT_TRUE(L10n::setCurrentForTesting("en"));
  EXPECT_EQ(L("menu.quit"), "Quit");
}

}  // namespace
}  // namespace brisquel
