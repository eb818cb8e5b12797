// SPDX-License-Identifier: MIT
#pragma once
// Unicode text helpers over ICU, shared by every layer: characters are
// extended grapheme clusters, case mapping is the full root-locale mapping,
// invalid input is replaced by U+FFFD.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisquel::text {

// Builds the table behind the character classes below and has ICU read its
// rules for character boundaries (for the calling thread), which would
// otherwise cost the first key that needs them milliseconds (a Return, an
// accent). A program calls it at start on its main thread, before any key.
void prepare();

// The extended grapheme clusters of s, as views into s.
std::vector<std::u16string_view> characters(std::u16string_view s);
std::size_t characterCount(std::u16string_view s);
// Whether every code unit of s is a character of its own (no surrogates,
// marks or joiners): then its characters can be walked unit by unit.
bool isOneUnitPerCharacter(std::u16string_view s);
// The last n characters of s.
std::u16string_view lastCharacters(std::u16string_view s, std::size_t n);

std::u16string toLower(std::u16string_view s);
// The same for UTF-8 text (application identities, list entries, key names).
std::string toLower(std::string_view utf8);
std::u16string toUpper(std::u16string_view s);
// Upper-casing gives c itself and lower-casing changes it.
bool isUpperCase(std::u16string_view c);

// The single code point of c, or U+FFFFFFFF when c is not exactly one code point.
char32_t singleCodePoint(std::u16string_view c);

bool isWhiteSpace(char32_t c);  // white space or newline
// Unicode's Emoji property (which digits, # and * also have).
bool hasEmojiProperty(char32_t c);
// Whether any code point of s is a letter (digits, dashes and signs are not).
bool hasLetter(std::u16string_view s);
// s without the punctuation characters at its ends (as a spelling checker strips them).
std::u16string_view trimPunctuation(std::u16string_view s);
// s without the quotation marks, opening brackets and dashes at its start.
std::u16string_view trimOpeningMarks(std::u16string_view s);
bool containsWhiteSpace(std::u16string_view s);
std::u16string trimWhiteSpace(std::u16string_view s);

std::u16string fromUtf8(std::string_view s);
std::string toUtf8(std::u16string_view s);
// Whether the bytes are well-formed UTF-8.
bool isValidUtf8(std::string_view bytes);

std::u16string foldCase(std::u16string_view s);
// NFC of base + mark when that is one code point.
std::optional<std::u16string> composeOne(std::u16string_view base, std::u16string_view mark);
// Grapheme-cluster boundaries around a UTF-16 offset.
std::int64_t previousBoundary(std::u16string_view s, std::int64_t offset);
std::int64_t nextBoundary(std::u16string_view s, std::int64_t offset);

}  // namespace brisquel::text
