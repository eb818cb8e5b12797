// SPDX-License-Identifier: MIT
#include "spell/WordText.h"

#include "base/Text.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

namespace brisquel::spell {
namespace {

std::u16string nfc(std::u16string_view text) {
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* n = unorm2_getNFCInstance(&status);
  if (U_FAILURE(status)) return std::u16string(text);
  const auto len = static_cast<int32_t>(text.size());
  if (unorm2_quickCheck(n, text.data(), len, &status) == UNORM_YES && U_SUCCESS(status)) return std::u16string(text);
  status = U_ZERO_ERROR;
  std::u16string out(text.size() * 2 + 4, u'\0');
  int32_t written = unorm2_normalize(n, text.data(), len, out.data(), static_cast<int32_t>(out.size()), &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    out.resize(static_cast<std::size_t>(written));
    status = U_ZERO_ERROR;
    written = unorm2_normalize(n, text.data(), len, out.data(), written, &status);
  }
  if (U_FAILURE(status)) return std::u16string(text);
  out.resize(static_cast<std::size_t>(written));
  return out;
}

}  // namespace

std::optional<std::u16string> cleanWord(std::u16string_view word, const WordTextRules& rules) {
  std::u16string text = nfc(word);
  std::u16string kept;
  kept.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    UChar32 c;
    U16_NEXT(text.data(), i, text.size(), c);
    if (rules.stripMarks && u_charType(c) == U_NON_SPACING_MARK) continue;
    if (c <= 0xFFFF && rules.conversion.ignored.find(static_cast<char16_t>(c)) != std::u16string::npos) continue;
    if (c <= 0xFFFF) {
      kept += static_cast<char16_t>(c);
    } else {
      kept += U16_LEAD(c);
      kept += U16_TRAIL(c);
    }
  }
  for (const auto& [from, to] : rules.conversion.replacements) {
    if (from.empty()) continue;
    for (std::size_t pos = kept.find(from); pos != std::u16string::npos; pos = kept.find(from, pos + to.size()))
      kept.replace(pos, from.size(), to);
  }
  for (std::size_t i = 0; i < kept.size();) {
    UChar32 c;
    U16_NEXT(kept.data(), i, kept.size(), c);
    UErrorCode status = U_ZERO_ERROR;
    UScriptCode script = uscript_getScript(c, &status);
    if (script == rules.script || script == USCRIPT_INHERITED) continue;
    if (c <= 0xFFFF && rules.extraCharacters.find(static_cast<char16_t>(c)) != std::u16string_view::npos) continue;
    return std::nullopt;
  }
  return kept;
}

WordKeys::WordKeys(WordTextRules rules) : rules_(std::move(rules)), table_(kTableSize) {
  std::u16string iconvSources;
  for (const auto& [from, to] : rules_.conversion.replacements) iconvSources += from;
  for (char32_t c = 0; c < kTableSize; ++c) {
    Entry& e = table_[c];
    const auto u = static_cast<UChar32>(c);
    const auto unit = static_cast<char16_t>(c);
    e.lower = static_cast<char16_t>(u_tolower(u));
    const bool mark = u_charType(u) == U_NON_SPACING_MARK;
    if (U16_IS_SURROGATE(unit) || iconvSources.find(unit) != std::u16string::npos) {
      e.kind = Complex;
      continue;
    }
    // A mark that may compose with the letter before it (hamza above) needs the full normalisation.
    if (u_getIntPropertyValue(u, UCHAR_NFC_QUICK_CHECK) != UNORM_YES) {
      e.kind = Complex;
      continue;
    }
    if (rules_.stripMarks && mark) {
      e.kind = Drop;
      continue;
    }
    if (u_getCombiningClass(u) != 0) {
      e.kind = Complex;
      continue;
    }
    if (rules_.conversion.ignored.find(unit) != std::u16string::npos) {
      e.kind = Drop;
      continue;
    }
    UErrorCode status = U_ZERO_ERROR;
    const UScriptCode script = uscript_getScript(u, &status);
    const bool ok = script == rules_.script || script == USCRIPT_INHERITED ||
                    rules_.extraCharacters.find(unit) != std::u16string_view::npos;
    if (!ok) {
      e.kind = Reject;
      continue;
    }
    // Characters whose lower case is not one simple code unit, or depends on context (final sigma).
    const char16_t one[1] = {unit};
    if (text::toLower(std::u16string_view(one, 1)) != std::u16string(1, e.lower) || c == 0x03A3) {
      e.kind = Complex;
      continue;
    }
    e.kind = Keep;
  }
}

std::optional<std::u16string> WordKeys::clean(std::u16string_view word) const {
  std::u16string out;
  out.reserve(word.size());
  for (char16_t c : word) {
    const Kind kind = c < kTableSize ? table_[c].kind : Complex;
    if (kind == Complex) return cleanWord(word, rules_);
    if (kind == Reject) return std::nullopt;
    if (kind == Keep) out += c;
  }
  return out;
}

std::ptrdiff_t WordKeys::encode(std::u16string_view word, char* out) const {
  // Written through a pointer: a lookup on every key, where appending byte
  // by byte cost more than the search.
  char* at = out;
  for (char16_t c : word) {
    const Kind kind = c < kTableSize ? table_[c].kind : Complex;
    if (kind == Complex) return kNeedsNormalising;
    if (kind == Reject) return 0;
    if (kind == Drop) continue;
    const char16_t l = table_[c].lower;  // below 0x2000: one to three UTF-8 bytes
    if (l < 0x80) {
      *at++ = static_cast<char>(l);
    } else if (l < 0x800) {
      *at++ = static_cast<char>(0xC0 | (l >> 6));
      *at++ = static_cast<char>(0x80 | (l & 0x3F));
    } else {
      *at++ = static_cast<char>(0xE0 | (l >> 12));
      *at++ = static_cast<char>(0x80 | ((l >> 6) & 0x3F));
      *at++ = static_cast<char>(0x80 | (l & 0x3F));
    }
  }
  return at - out;
}

std::optional<std::string> WordKeys::normalisedKey(std::u16string_view word) const {
  auto cleaned = cleanWord(word, rules_);
  if (!cleaned || cleaned->empty()) return std::nullopt;
  return text::toUtf8(text::toLower(*cleaned));
}

std::optional<std::string> WordKeys::key(std::u16string_view word) const {
  // On the stack for the words people type: the key allocates only when it
  // is longer than a string holds in place.
  char local[96];
  std::string spare;
  if (word.size() * 3 > sizeof local) spare.resize(word.size() * 3);
  char* const begin = spare.empty() ? local : spare.data();
  const std::ptrdiff_t length = encode(word, begin);
  if (length == kNeedsNormalising) return normalisedKey(word);
  if (length <= 0) return std::nullopt;
  return std::string(begin, static_cast<std::size_t>(length));
}

bool WordKeys::key(std::u16string_view word, std::string& out) const {
  out.resize(word.size() * 3);  // a string that held a longer key keeps its room
  const std::ptrdiff_t length = encode(word, out.data());
  if (length == kNeedsNormalising) {
    auto normalised = normalisedKey(word);
    if (!normalised) return false;
    out = std::move(*normalised);
    return true;
  }
  if (length <= 0) return false;
  out.resize(static_cast<std::size_t>(length));
  return true;
}

bool WordKeys::hasUpperCase(std::u16string_view word) const {
  for (char16_t c : word) {
    if (c < kTableSize ? table_[c].lower != c : u_tolower(c) != c) return true;
  }
  return false;
}

}  // namespace brisquel::spell
