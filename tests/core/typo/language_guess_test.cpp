// SPDX-License-Identifier: MIT
// The language pair of a word typed a key at a time, as the detector keeps
// it from key to key: the same as guessed from the whole word at once.
#include <gtest/gtest.h>

#include "TypoFixture.h"

namespace brisquel::testing {
namespace {

class LanguageGuess : public TypoScenario {};

TEST_F(LanguageGuess, KeptAcrossKeysAsFromTheWholeWord) {
  struct Case {
    std::vector<std::string> layouts;
    std::vector<const char*> steps;  // each the word as it stands after a key
  };
  const Case cases[] = {
      {{"en", "ru"}, {"g", "gh", "ghb", "ghbd", "ghbdt", "ghbdtn", "ghbdtn,"}},
      // BackSpace, then other keys: the word is no longer the old one plus letters.
      {{"en", "ru"}, {"ghbd", "ghb", "ghbq", "привет", "приве", "привеn"}},
      // A mark joins the letter before it: that letter no longer counts on its own.
      {{"en", "el"}, {"α", "α\u0301", "α\u0301ν", "a", "a\u0301", "a\u0301b"}},
      {{"en", "he"}, {"ש", "ש\u05B8", "ש\u05B8ל", "שלום"}},
      {{"en", "uk"}, {"в", "ви", "вин", "\"в", "\"ви"}},
      {{"en", "ar"}, {"😀", "😀ه", "😀هل", "ه", "ه\u0651"}},
  };
  for (const auto& c : cases) {
    desktop_.enableLayouts(c.layouts);
    startDetector();
    for (const char* step : c.steps) {
      const LanguagePair kept = detector_->guessLanguagePair(u16(step));
      detector_->guessLanguagePair(u"123");  // another word: the next guess starts afresh
      const LanguagePair fresh = detector_->guessLanguagePair(u16(step));
      EXPECT_EQ(kept.source + " " + kept.target, fresh.source + " " + fresh.target)
          << step << " with " << c.layouts[1];
    }
  }
}

}  // namespace
}  // namespace brisquel::testing
