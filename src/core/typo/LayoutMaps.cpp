// SPDX-License-Identifier: MIT
#include "typo/LayoutMaps.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>

#include "base/KeyPath.h"
#include "base/Text.h"

namespace brisquel {
namespace {

// Each table: the US-English key characters and, position for position, what
// the same keys produce on the other layout.
constexpr std::u16string_view kRusKeys = u"qwertyuiop[]asdfghjkl;'zxcvbnm,./`QWERTYUIOP{}ASDFGHJKL:\"ZXCVBNM<>?~@#$^&";
constexpr std::u16string_view kRusValues =
    u"йцукенгшщзхъфывапролджэячсмитьбю.ёЙЦУКЕНГШЩЗХЪФЫВАПРОЛДЖЭЯЧСМИТЬБЮ,Ё\"№;:?";

constexpr std::u16string_view kUkrKeys = u"qwertyuiop[]asdfghjkl;'zxcvbnm,./`QWERTYUIOP{}ASDFGHJKL:\"ZXCVBNM<>";
constexpr std::u16string_view kUkrValues = u"йцукенгшщзхїфівапролджєячсмитьбю.ёЙЦУКЕНГШЩЗХЇФІВАПРОЛДЖЄЯЧСМИТЬБЮ";

constexpr std::u16string_view kHebKeys = u"abcdefghijklmnopqrstuvwxyz;',.ABCDEFGHIJKLMNOPRSTUVXYZ";
constexpr std::u16string_view kHebValues = u"שנבגקכעיןחלךצמםפ/רדאוה'סטזף,תץ";  // upper-case keys: see the constructor

constexpr std::u16string_view kAraKeys = u"qwertyuiopasdfghjklzxcvnm,.QWERTYUIOPASDFGHJKLZXCVNM";
constexpr std::u16string_view kAraValues = u"ضصثقفغعهخحشسيبلاتنمئءؤرىةوزضصثقفغعهخحشسيبلاتنمئءؤرىة";

constexpr std::u16string_view kGreKeys = u"abcdefghijklmnopqrstuvwxyz;ABCDEFGHIJKLMNOPRSTUVXYZ";
constexpr std::u16string_view kGreValues = u"αβψδεφγηιξκλμνοπ;ρστθωςχυζ·ΑΒΨΔΕΦΓΗΙΞΚΛΜΝΟΠΡΣΤΘΩΧΥΖ";

constexpr char32_t kNone = 0xFFFFFFFF;

LayoutMaps::Map zip(std::u16string_view keys, std::u16string_view values) {
  LayoutMaps::Map map;
  for (std::size_t i = 0; i < keys.size() && i < values.size(); ++i) map.emplace(keys[i], values[i]);
  return map;
}

bool isLowerAscii(char32_t c) {
  return c < 0x80 && !(c >= U'A' && c <= U'Z');
}

// Value -> key; where two keys (a letter in both cases) share a value, the
// lower-case key wins whatever the iteration order.
LayoutMaps::Map invert(const LayoutMaps::Map& forward) {
  LayoutMaps::Map reverse;
  for (const auto& [key, value] : forward) {
    auto [it, inserted] = reverse.emplace(value, key);
    if (!inserted && !isLowerAscii(it->second) && isLowerAscii(key)) it->second = key;
  }
  return reverse;
}

char32_t lookup(const LayoutMaps::Map& map, char32_t c) {
  auto it = map.find(c);
  return it == map.end() ? kNone : it->second;
}

void appendCodePoint(std::u16string& out, char32_t c) {
  if (c <= 0xFFFF) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    out.push_back(static_cast<char16_t>(U16_LEAD(c)));
    out.push_back(static_cast<char16_t>(U16_TRAIL(c)));
  }
}

// The lower-cased character as one code point, or kNone.
char32_t lowerCodePoint(std::u16string_view c) {
  if (c.size() == 1 && c[0] < 0x80) {
    char16_t u = c[0];
    return (u >= u'A' && u <= u'Z') ? static_cast<char32_t>(u + 32) : u;
  }
  return text::singleCodePoint(text::toLower(c));
}

void emit(std::u16string& out, std::u16string_view original, char32_t mapped) {
  if (text::isUpperCase(original)) {
    std::u16string one;
    appendCodePoint(one, mapped);
    out += text::toUpper(one);
  } else {
    appendCodePoint(out, mapped);
  }
}

}  // namespace

LayoutMaps::LayoutMaps() {
  smallLower_.resize(0x800);
  for (char16_t u = 0; u < smallLower_.size(); ++u) smallLower_[u] = lowerCodePoint(std::u16string_view(&u, 1));
  engToRusMap = zip(kRusKeys, kRusValues);
  engToUkrMap = zip(kUkrKeys, kUkrValues);
  // Hebrew has no case: the 24 upper-case keys produce what their lower-case keys do.
  engToHebMap = zip(kHebKeys.substr(0, 30), kHebValues);
  for (char16_t k : kHebKeys.substr(30)) engToHebMap.emplace(k, engToHebMap.at(static_cast<char16_t>(k + 32)));
  engToAraMap = zip(kAraKeys, kAraValues);
  engToGreMap = zip(kGreKeys, kGreValues);
  rusToEngMap = invert(engToRusMap);
  ukrToEngMap = invert(engToUkrMap);
  hebToEngMap = invert(engToHebMap);
  araToEngMap = invert(engToAraMap);
  greToEngMap = invert(engToGreMap);
  const std::array<const Map*, 10> all = {&rusToEngMap, &ukrToEngMap, &hebToEngMap, &araToEngMap, &greToEngMap,
                                          &engToRusMap, &engToUkrMap, &engToHebMap, &engToAraMap, &engToGreMap};
  smallMembership_.assign(smallLower_.size(), 0);
  for (std::size_t i = 0; i < all.size(); ++i) {
    for (const auto& entry : *all[i]) {
      const auto bit = static_cast<std::uint16_t>(1u << i);
      if (entry.first < smallMembership_.size()) {
        smallMembership_[entry.first] |= bit;
        continue;
      }
      auto other = std::find_if(otherMembership_.begin(), otherMembership_.end(),
                                [&](const auto& o) { return o.first == entry.first; });
      if (other == otherMembership_.end()) otherMembership_.emplace_back(entry.first, bit);
      else other->second |= bit;
    }
  }
}

char32_t LayoutMaps::lowerOf(std::u16string_view character) const {
  if (character.size() == 1 && character[0] < smallLower_.size()) return smallLower_[character[0]];
  return lowerCodePoint(character);
}

std::uint16_t LayoutMaps::keyMembership(char32_t c) const {
  if (c < smallMembership_.size()) return smallMembership_[c];
  for (const auto& [key, maps] : otherMembership_)
    if (key == c) return maps;
  return 0;
}

const LayoutMaps& LayoutMaps::instance() {
  static const LayoutMaps maps;
  return maps;
}

const LayoutMaps::Map* LayoutMaps::mapToEnglish(std::string_view source) const {
  for (const auto& [language, toEnglish, fromEnglish] : mapsByLanguage()) {
    if (source == language) return toEnglish;
  }
  return nullptr;
}

const LayoutMaps::Map* LayoutMaps::mapFromEnglish(std::string_view target) const {
  for (const auto& [language, toEnglish, fromEnglish] : mapsByLanguage()) {
    if (target == language) return fromEnglish;
  }
  return &engToRusMap;
}

std::u16string LayoutMaps::transliterate(std::u16string_view textIn, bool forceSwap,
                                         const LayoutAvailability& layouts) const {
  std::u16string out;
  out.reserve(textIn.size());
  if (forceSwap) {
    // English-layout characters go to Russian, or for a person without a
    // Russian layout to the layout the word's own guess picks.
    const Map* fromEnglish = &engToRusMap;
    if (!layouts.has("ru")) {
      const LanguagePair pair = guessLanguagePair(textIn, layouts);
      const std::string& other = pair.source == lang::english ? pair.target : pair.source;
      fromEnglish = other.empty() ? nullptr : mapFromEnglish(other);
    }
    const std::array<const Map*, 6> order = {fromEnglish,  &rusToEngMap, &ukrToEngMap,
                                             &hebToEngMap, &araToEngMap, &greToEngMap};
    for (auto c : text::characters(textIn)) {
      char32_t lower = lowerOf(c);
      char32_t mapped = kNone;
      for (const Map* map : order) {
        if (lower == kNone || mapped != kNone) break;
        if (map) mapped = lookup(*map, lower);
      }
      if (mapped == kNone)
        out += c;
      else
        emit(out, c, mapped);
    }
    return out;
  }
  LanguagePair pair = guessLanguagePair(textIn, layouts);
  const Map* map = mapToEnglish(pair.source);
  if (!map) map = mapFromEnglish(pair.target);
  for (auto c : text::characters(textIn)) {
    char32_t lower = lowerOf(c);
    char32_t mapped = lower == kNone ? kNone : lookup(*map, lower);
    if (mapped == kNone)
      out += c;
    else
      emit(out, c, mapped);
  }
  return out;
}

void LayoutMaps::countCharacter(Tally& tally, std::u16string_view character) const {
  const char32_t lower = lowerOf(character);
  if (lower == kNone) return;
  const std::uint16_t m = keyMembership(lower);
  for (std::size_t i = 0; i < tally.counts.size(); ++i) tally.counts[i] += (m >> i) & 1;
  for (std::size_t i = 0; i < tally.targets.size(); ++i) tally.targets[i] += (m >> (5 + i)) & 1;
  if ((m & 3) != 0 && u_isalpha(static_cast<UChar32>(lower))) {
    tally.russianLetters += m & 1;
    tally.ukrainianLetters += (m >> 1) & 1;
  }
}

void LayoutMaps::count(Tally& tally, std::u16string_view added) const {
  if (text::isOneUnitPerCharacter(added)) {
    for (std::size_t i = 0; i < added.size(); ++i) countCharacter(tally, added.substr(i, 1));
  } else {
    for (auto c : text::characters(added)) countCharacter(tally, c);
  }
}

LayoutMaps::Tally LayoutMaps::tally(std::u16string_view word) const {
  Tally t;
  count(t, word);
  return t;
}

LanguagePair LayoutMaps::guessLanguagePair(std::u16string_view word, const LayoutAvailability& layouts) const {
  return guessLanguagePair(tally(word), layouts);
}

LanguagePair LayoutMaps::guessLanguagePair(const Tally& tally, const LayoutAvailability& layouts) const {
  static constexpr std::array<const char*, 5> foreign = {lang::russian, lang::ukrainian, lang::hebrew, lang::arabic,
                                                         lang::greek};
  static constexpr std::array<const char*, 5> foreignCodes = {"ru", "uk", "he", "ar", "el"};
  const std::array<int, 5>& counts = tally.counts;
  const std::array<int, 5>& targets = tally.targets;
  const int english = targets[0];  // keys of the English-to-Russian map
  const int russianLetters = tally.russianLetters;
  const int ukrainianLetters = tally.ukrainianLetters;
  std::size_t best = 0;
  for (std::size_t i = 1; i < counts.size(); ++i)
    if (counts[i] > counts[best]) best = i;
  // Cyrillic whose letters read as Russian and Ukrainian alike is Ukrainian
  // for someone who types Ukrainian and no Russian. Only letters decide: the
  // Russian map also holds punctuation (" , ? ; :) that a Ukrainian word
  // typed with quotes or a comma would otherwise count for Russian.
  if (english < counts[best]) {
    if (best == 0 && russianLetters == ukrainianLetters && layouts.known && layouts.has("uk") && !layouts.has("ru"))
      return {lang::ukrainian, lang::english};
    return {foreign[best], lang::english};
  }
  if (english == 0) return {lang::english, lang::russian};

  std::size_t target = 0;
  if (!(targets[0] >= 1 && targets[0] >= targets[2])) {
    for (std::size_t i = 1; i < targets.size(); ++i)
      if (targets[i] > targets[target]) target = i;
  }
  if (target == 0 && !layouts.has("ru")) {
    // No Russian layout: convert towards an enabled one, or not at all.
    std::optional<std::size_t> chosen;
    for (std::size_t i = 1; i < targets.size(); ++i)
      if (layouts.has(foreignCodes[i]) && (!chosen || targets[i] > targets[*chosen])) chosen = i;
    if (!chosen) return {lang::english, ""};
    target = *chosen;
  }
  return {lang::english, foreign[target]};
}

std::string LayoutMaps::layoutCode(std::string_view language) {
  if (language == lang::russian) return "ru";
  if (language == lang::ukrainian) return "uk";
  if (language == lang::hebrew) return "he";
  if (language == lang::arabic) return "ar";
  if (language == lang::greek) return "el";
  return "en";
}

bool LayoutMaps::isAlphabetSequence(const std::vector<std::u16string>& letters) {
  if (letters.size() < 3) return false;
  std::vector<char32_t> firsts;
  for (const auto& letter : letters) {
    std::u16string lower = text::toLower(letter);
    if (lower.empty()) return false;
    std::size_t i = 0;
    char32_t c;
    U16_NEXT(lower.data(), i, lower.size(), c);
    firsts.push_back(c);
  }
  for (std::size_t i = 1; i < firsts.size(); ++i) {
    auto diff = std::abs(static_cast<long>(firsts[i]) - static_cast<long>(firsts[i - 1]));
    if (diff < 1 || diff > 3) return false;
  }
  return true;
}

BRISQUEL_KEY_PATH bool LayoutMaps::isEmojiOrSymbol(std::u16string_view character) {
  std::size_t i = 0;
  while (i < character.size()) {
    char32_t c;
    U16_NEXT(character.data(), i, character.size(), c);
    if (c <= 0x7F) continue;
    if (text::hasEmojiProperty(c)) return true;
    if ((c >= 0x1F300 && c <= 0x1F9FF) || (c >= 0x2600 && c <= 0x26FF) || (c >= 0x2700 && c <= 0x27BF)) return true;
  }
  return false;
}

std::u16string transliterate(std::u16string_view text, bool forceSwap) {
  return LayoutMaps::instance().transliterate(text, forceSwap, LayoutAvailability{});
}

}  // namespace brisquel
