// SPDX-License-Identifier: MIT
#pragma once
// The text side of a dictionary lookup: which characters a language's words
// may hold, and the form a word is looked up in.

#include <unicode/uscript.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>
#include <string>
#include <string_view>

#include "spell/AffixExpander.h"

namespace brisquel::spell {

struct WordTextRules {
  UScriptCode script = USCRIPT_LATIN;
  std::u16string_view extraCharacters;  // besides the script's own letters and marks
  bool stripMarks = false;              // niqqud, harakat: written or not, the word is the same
  InputConversion conversion;
};

// NFC, marks dropped where the rules say so, the dictionary's IGNORE and
// ICONV applied; nullopt when the word holds a character of another script
// (a dictionary may map foreign letters onto its own and accept them).
std::optional<std::u16string> cleanWord(std::u16string_view word, const WordTextRules& rules);

// cleanWord and the lower-cased UTF-8 lookup key, with a per-character table
// for the common case so that neither the key path nor an index build pays
// for a full normalisation of every word.
class WordKeys {
 public:
  explicit WordKeys(WordTextRules rules);
  const WordTextRules& rules() const { return rules_; }
  std::optional<std::u16string> clean(std::u16string_view word) const;
  // The form the index holds: cleaned, lower-cased, UTF-8; nullopt for a foreign or empty word.
  std::optional<std::string> key(std::u16string_view word) const;
  // The same into `out`, whose room is used again: an index build makes a
  // key for each of a million forms. False where key() gives none.
  bool key(std::u16string_view word, std::string& out) const;
  bool hasUpperCase(std::u16string_view word) const;

 private:
  enum Kind : std::uint8_t { Keep, Drop, Reject, Complex };
  // The key's bytes from `out` (room for three a unit): how many, 0 for a
  // foreign word, or kNeedsNormalising where a character needs the full path.
  static constexpr std::ptrdiff_t kNeedsNormalising = -1;
  std::ptrdiff_t encode(std::u16string_view word, char* out) const;
  std::optional<std::string> normalisedKey(std::u16string_view word) const;
  struct Entry {
    char16_t lower;
    Kind kind;
  };
  static constexpr char32_t kTableSize = 0x2000;
  WordTextRules rules_;
  std::vector<Entry> table_;
};

}  // namespace brisquel::spell
