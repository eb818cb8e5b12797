// SPDX-License-Identifier: MIT
#include "hotkeys/TextCase.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>

namespace brisquel {
namespace {

std::string lowerToUtf8(icu::UnicodeString text) {
  std::string out;
  text.toLower(icu::Locale::getRoot()).toUTF8String(out);
  return out;
}

template <typename Char>
bool isAscii(const std::basic_string<Char>& s) {
  return std::all_of(s.begin(), s.end(), [](Char c) { return static_cast<std::uint32_t>(c) < 0x80; });
}

// Application identities and list entries are nearly always ASCII, and the
// lists are matched on every key event.
template <typename Char>
std::string lowerAscii(const std::basic_string<Char>& s) {
  std::string out(s.size(), '\0');
  std::transform(s.begin(), s.end(), out.begin(),
                 [](Char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
  return out;
}

}  // namespace

std::string lowercased(const std::string& utf8) {
  if (isAscii(utf8)) return lowerAscii(utf8);
  return lowerToUtf8(icu::UnicodeString::fromUTF8(utf8));
}

std::string lowercased(const std::u16string& utf16) {
  if (isAscii(utf16)) return lowerAscii(utf16);
  return lowerToUtf8(icu::UnicodeString(utf16.data(), static_cast<int32_t>(utf16.size())));
}

}  // namespace brisquel
