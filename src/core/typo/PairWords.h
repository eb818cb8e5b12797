// SPDX-License-Identifier: MIT
#pragma once
// What the dictionaries say about a pair of layouts (English and one other):
// the words plausible in both, which only the neighbouring words can decide,
// and whether a text is a word of a language's script at all.
// Pure functions: the spelling and the conversion are handed in.

#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <string_view>

namespace brisquel::pairwords {

struct Dictionary {
  std::function<bool(std::u16string_view)> isWord;
  // Whether a longer word begins with the text.
  std::function<bool(std::u16string_view)> beginsWord;
};

struct PairWords {
  // Lower-cased, in both forms: as the English layout types them and as the
  // other layout types the same keys.
  std::set<std::u16string, std::less<>> ambiguous;
};

// Words of `maxLength` letters or fewer that are words of English typed on
// `letters` (the English layout's lower-case letters) and whose keys type a
// word of the other language (`toOther`) in its letters alone; one-letter
// words from the languages' own lists (the dictionaries take every letter).
// Prefixes that begin no word on either side are not followed.
PairWords findPairWords(const Dictionary& english, const Dictionary& other, std::string_view otherLanguage,
                        const std::function<std::u16string(std::u16string_view)>& toOther, std::u16string_view letters,
                        const std::set<std::u16string, std::less<>>& englishSingles,
                        const std::set<std::u16string, std::less<>>& otherSingles, std::size_t maxLength);

// Whether the text, without the punctuation around it, is written in the
// language's script alone: its letters and the marks after them, joined
// inside by hyphens or apostrophes. Digits, brackets, symbols, other scripts
// and compatibility forms (Arabic presentation forms) make it no word of it.
bool isWordOfScript(std::u16string_view word, std::string_view language);

}  // namespace brisquel::pairwords
