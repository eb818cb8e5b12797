// SPDX-License-Identifier: MIT
#pragma once
// The key-position maps between the US-English layout and the Russian,
// Ukrainian, Hebrew, Arabic and Greek layouts, and conversion by them.
// Pure computation over constant tables.

#include <algorithm>
#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace brisquel {

// Language identifiers and layout codes.
namespace lang {
inline constexpr const char* english = "en_US";
inline constexpr const char* russian = "ru_RU";
inline constexpr const char* ukrainian = "uk_UA";
inline constexpr const char* hebrew = "he";
inline constexpr const char* arabic = "ar";
inline constexpr const char* greek = "el";
}  // namespace lang

// The layout codes of the enabled layouts. When unknown, every layout counts
// as enabled (text typed on the English layout then goes towards Russian).
struct LayoutAvailability {
  bool known = false;
  std::set<std::string, std::less<>> codes;
  bool has(std::string_view code) const {
    // A few codes, asked for on every key: a scan, shorter than the tree's walk.
    return !known || std::any_of(codes.begin(), codes.end(), [code](const std::string& c) { return c == code; });
  }
};

struct LanguagePair {
  std::string source;
  std::string target;  // empty: no enabled layout to convert towards
  friend bool operator==(const LanguagePair&, const LanguagePair&) = default;
};

class LayoutMaps {
 public:
  using Map = std::unordered_map<char32_t, char32_t>;

  static const LayoutMaps& instance();

  std::u16string transliterate(std::u16string_view text, bool forceSwap, const LayoutAvailability& layouts) const;
  LanguagePair guessLanguagePair(std::u16string_view word, const LayoutAvailability& layouts) const;

  // What the guess counts, character by character: a word typed a key at a
  // time is counted by adding the new characters (see LanguageGuess).
  struct Tally {
    std::array<int, 5> counts{};   // characters of each map to English
    std::array<int, 5> targets{};  // characters of each map from English
    int russianLetters = 0;
    int ukrainianLetters = 0;
  };
  // Adds the characters of `added` to the tally.
  void count(Tally& tally, std::u16string_view added) const;
  Tally tally(std::u16string_view word) const;
  LanguagePair guessLanguagePair(const Tally& tally, const LayoutAvailability& layouts) const;

  static std::string layoutCode(std::string_view language);
  static bool isAlphabetSequence(const std::vector<std::u16string>& letters);
  static bool isEmojiOrSymbol(std::u16string_view character);

  Map engToRusMap, engToUkrMap, engToHebMap, engToAraMap, engToGreMap;
  Map rusToEngMap, ukrToEngMap, hebToEngMap, araToEngMap, greToEngMap;

 private:
  LayoutMaps();
  const Map* mapFromEnglish(std::string_view target) const;
  const Map* mapToEnglish(std::string_view source) const;
  struct LanguageMaps {
    std::string_view language;
    const Map* toEnglish;
    const Map* fromEnglish;
  };
  std::array<LanguageMaps, 5> mapsByLanguage() const {
    return {{{lang::russian, &rusToEngMap, &engToRusMap},
             {lang::ukrainian, &ukrToEngMap, &engToUkrMap},
             {lang::hebrew, &hebToEngMap, &engToHebMap},
             {lang::arabic, &araToEngMap, &engToAraMap},
             {lang::greek, &greToEngMap, &engToGreMap}}};
  }

  // For each character of any map, which maps hold it as a key: bits 0-4 the
  // maps to English (Russian, Ukrainian, Hebrew, Arabic, Greek), bits 5-9 the
  // maps from English in the same order. One lookup instead of ten per
  // character when guessing a word's languages: an array for the scripts'
  // blocks (below U+0800), the few others (№) in a short list.
  std::vector<std::uint16_t> smallMembership_;
  std::vector<std::pair<char32_t, std::uint16_t>> otherMembership_;
  std::uint16_t keyMembership(char32_t c) const;
  void countCharacter(Tally& tally, std::u16string_view character) const;
  // The lower-cased character as one code point, or none; a table for the
  // scripts' blocks (below U+0800), looked up on every key.
  std::vector<char32_t> smallLower_;
  char32_t lowerOf(std::u16string_view character) const;
};

// Conversion with every layout counted as enabled (the command line).
std::u16string transliterate(std::u16string_view text, bool forceSwap);

}  // namespace brisquel
