#pragma once
// The text side of a dictionary lookup: which characters a language's words
// may hold, and the form a word is looked up in.

#include <unicode/uscript.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/spell/AffixExpander.h"

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

std::u16string lowerCase(std::u16string_view text);
std::string toUtf8(std::u16string_view text);
std::u16string fromUtf8(std::string_view text);
// Whether the bytes are well-formed UTF-8.
bool isValidUtf8(std::string_view bytes);

}  // namespace brisquel::spell
