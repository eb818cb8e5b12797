#include "sim/Text.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <cctype>
#include <memory>

namespace brisquel::sim::text {

namespace {

icu::UnicodeString view(std::u16string_view s) {
  return icu::UnicodeString(s.data(), static_cast<int32_t>(s.size()));
}

std::u16string own(const icu::UnicodeString& s) {
  return std::u16string(s.getBuffer(), static_cast<std::size_t>(s.length()));
}

std::unique_ptr<icu::BreakIterator> characters(const icu::UnicodeString& s) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  if (U_FAILURE(status)) return nullptr;
  it->setText(s);
  return it;
}

}  // namespace

std::u16string fromUtf8(std::string_view utf8) {
  return own(icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size()))));
}

std::string toUtf8(std::u16string_view utf16) {
  std::string out;
  view(utf16).toUTF8String(out);
  return out;
}

std::u16string foldCase(std::u16string_view s) {
  return own(view(s).foldCase());
}

std::u16string toLower(std::u16string_view s) {
  return own(view(s).toLower(icu::Locale::getRoot()));
}

std::string asciiLower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::optional<std::u16string> composeOne(std::u16string_view base, std::u16string_view mark) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  if (U_FAILURE(status)) return std::nullopt;
  icu::UnicodeString joined = view(base);
  joined.append(view(mark));
  icu::UnicodeString composed = nfc->normalize(joined, status);
  if (U_FAILURE(status) || composed.countChar32() != 1) return std::nullopt;
  return own(composed);
}

std::int64_t previousBoundary(std::u16string_view s, std::int64_t offset) {
  if (offset <= 0) return 0;
  icu::UnicodeString u = view(s);
  auto it = characters(u);
  if (!it) return offset - 1;
  int32_t b = it->preceding(static_cast<int32_t>(offset));
  return b == icu::BreakIterator::DONE ? 0 : b;
}

std::int64_t nextBoundary(std::u16string_view s, std::int64_t offset) {
  auto size = static_cast<std::int64_t>(s.size());
  if (offset >= size) return size;
  icu::UnicodeString u = view(s);
  auto it = characters(u);
  if (!it) return offset + 1;
  int32_t b = it->following(static_cast<int32_t>(offset));
  return b == icu::BreakIterator::DONE ? size : b;
}

std::int64_t graphemeCount(std::u16string_view s) {
  icu::UnicodeString u = view(s);
  auto it = characters(u);
  if (!it) return u.countChar32();
  std::int64_t n = 0;
  it->first();
  while (it->next() != icu::BreakIterator::DONE) ++n;
  return n;
}

}  // namespace brisquel::sim::text
