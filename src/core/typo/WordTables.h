// SPDX-License-Identifier: MIT
#pragma once
// Constant word tables of the typo detector. Lookups use lower-cased words.

#include <map>
#include <set>
#include <string>
#include <string_view>

namespace brisquel::words {

// Never corrected at word end.
const std::set<std::u16string, std::less<>>& systemProtectedWords();
// One-letter words per language identifier (none for Hebrew and Arabic).
const std::set<std::u16string, std::less<>>& validSingleLetterWords(std::string_view language);
// Short frequent words typed on the wrong layout -> the word meant.
const std::map<std::u16string, std::u16string, std::less<>>& aggressiveSwitchWords();
// Short strings plausible in both layouts; converted only with context.
const std::set<std::u16string, std::less<>>& ambiguousContextWords();
// Applications whose accessibility text is not used.
const std::set<std::string, std::less<>>& nonAXAppBundleIDs();

}  // namespace brisquel::words
