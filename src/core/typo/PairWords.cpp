// SPDX-License-Identifier: MIT
#include "typo/PairWords.h"

#include <unicode/uchar.h>
#include <unicode/uscript.h>
#include <unicode/utf16.h>

#include "base/Text.h"

namespace brisquel::pairwords {
namespace {

UScriptCode scriptOf(std::string_view language) {
  if (language == "ru_RU" || language == "uk_UA") return USCRIPT_CYRILLIC;
  if (language == "he") return USCRIPT_HEBREW;
  if (language == "ar") return USCRIPT_ARABIC;
  if (language == "el") return USCRIPT_GREEK;
  return USCRIPT_LATIN;
}

// Inside a word: hyphens, the maqaf, apostrophes, and the quote marks of
// Hebrew abbreviations (geresh, gershayim, or the ASCII quotes typed for them).
bool isJoiner(UChar32 c) {
  switch (c) {
    case u'-':
    case 0x2010:
    case 0x05BE:
    case u'\'':
    case 0x2019:
    case u'"':
    case 0x05F3:
    case 0x05F4:
      return true;
    default:
      return false;
  }
}

struct Walk {
  const Dictionary& english;
  const Dictionary& other;
  const std::function<std::u16string(std::u16string_view)>& toOther;
  std::u16string_view letters;
  std::size_t maxLength;
  std::string_view otherLanguage;
  PairWords& out;

  void from(std::u16string& typed) {
    for (char16_t letter : letters) {
      typed.push_back(letter);
      const std::u16string converted = text::toLower(toOther(typed));
      // Letters only on both sides: "seq" gives Greek "σε;", a word and a question mark.
      if (typed.size() > 1 && text::trimPunctuation(converted) == converted && isWordOfScript(converted, otherLanguage) &&
          english.isWord(typed) && other.isWord(converted)) {
        out.ambiguous.insert(typed);
        out.ambiguous.insert(converted);
      }
      if (typed.size() < maxLength && english.beginsWord(typed) && other.beginsWord(converted)) from(typed);
      typed.pop_back();
    }
  }
};

}  // namespace

PairWords findPairWords(const Dictionary& english, const Dictionary& other, std::string_view otherLanguage,
                        const std::function<std::u16string(std::u16string_view)>& toOther, std::u16string_view letters,
                        const std::set<std::u16string, std::less<>>& englishSingles,
                        const std::set<std::u16string, std::less<>>& otherSingles, std::size_t maxLength) {
  PairWords out;
  std::u16string typed;
  Walk{english, other, toOther, letters, maxLength, otherLanguage, out}.from(typed);
  for (const auto& single : englishSingles) {
    const std::u16string converted = text::toLower(toOther(single));
    if (otherSingles.count(converted)) {
      out.ambiguous.insert(single);
      out.ambiguous.insert(converted);
    }
  }
  return out;
}

bool isWordOfScript(std::u16string_view word, std::string_view language) {
  const std::u16string_view core = text::trimPunctuation(word);
  if (core.empty()) return false;
  const UScriptCode script = scriptOf(language);
  bool letter = false;
  for (std::size_t i = 0; i < core.size();) {
    UChar32 c;
    U16_NEXT(core.data(), i, core.size(), c);
    const std::int32_t category = U_GET_GC_MASK(c);
    if (category & (U_GC_L_MASK | U_GC_M_MASK)) {
      const auto decomposition = u_getIntPropertyValue(c, UCHAR_DECOMPOSITION_TYPE);
      if (decomposition != U_DT_NONE && decomposition != U_DT_CANONICAL) return false;
      UErrorCode status = U_ZERO_ERROR;
      const UScriptCode own = uscript_getScript(c, &status);
      const bool mark = (category & U_GC_M_MASK) != 0;
      if (own != script && !(mark && own == USCRIPT_INHERITED)) return false;
      if (mark && !letter) return false;  // a vowel or accent mark belongs after a letter
      letter = letter || !mark;
    } else if (!isJoiner(c)) {
      return false;
    }
  }
  return letter;
}

}  // namespace brisquel::pairwords
