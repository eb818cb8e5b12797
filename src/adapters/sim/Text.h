#pragma once
// Unicode helpers of the simulated desktop (ICU underneath).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brisquel::sim::text {

std::u16string fromUtf8(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);
std::u16string foldCase(std::u16string_view s);
std::u16string toLower(std::u16string_view s);
// Names and ids: ASCII letters only.
std::string asciiLower(std::string s);
// NFC of base + mark when that is one code point.
std::optional<std::u16string> composeOne(std::u16string_view base, std::u16string_view mark);
// Grapheme-cluster boundaries around a UTF-16 offset.
std::int64_t previousBoundary(std::u16string_view s, std::int64_t offset);
std::int64_t nextBoundary(std::u16string_view s, std::int64_t offset);
std::int64_t graphemeCount(std::u16string_view s);

}  // namespace brisquel::sim::text
