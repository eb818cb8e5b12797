#include "hotkeys/TextCase.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace brisquel {
namespace {

std::string lowerToUtf8(icu::UnicodeString text) {
  std::string out;
  text.toLower(icu::Locale::getRoot()).toUTF8String(out);
  return out;
}

}  // namespace

std::string lowercased(const std::string& utf8) { return lowerToUtf8(icu::UnicodeString::fromUTF8(utf8)); }

std::string lowercased(const std::u16string& utf16) {
  return lowerToUtf8(icu::UnicodeString(utf16.data(), static_cast<int32_t>(utf16.size())));
}

}  // namespace brisquel
