// SPDX-License-Identifier: MIT
#include "base/Text.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "base/KeyPath.h"

namespace brisquel::text {
namespace {

struct BreakIteratorCloser {
  void operator()(UBreakIterator* it) const { ubrk_close(it); }
};

UBreakIterator* characterIterator() {
  // One per thread: break iterators are not shareable between threads.
  thread_local std::unique_ptr<UBreakIterator, BreakIteratorCloser> it = [] {
    UErrorCode status = U_ZERO_ERROR;
    return std::unique_ptr<UBreakIterator, BreakIteratorCloser>(ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &status));
  }();
  return it.get();
}

// Text in which every code unit is a character on its own: no surrogates and
// nothing that joins a cluster (marks, joiners, Hangul jamo, CR LF).
bool unitStandsAlone(char16_t u) {
  if (u < 0x80) return u != u'\r';
  if (U16_IS_SURROGATE(u)) return false;
  auto gcb = u_getIntPropertyValue(u, UCHAR_GRAPHEME_CLUSTER_BREAK);
  return gcb == U_GCB_OTHER || gcb == U_GCB_CONTROL || gcb == U_GCB_LF;
}

// What ICU says of the code points below U+0800, the blocks of the layouts'
// scripts, taken from it once. Every key asks several of these questions;
// ICU answers each from tries spread over pages that the other programs of a
// desktop evict between two keys, this table from one line.
enum Class : std::uint8_t {
  kStandsAlone = 1 << 0,  // asked of UTF-16 code units
  kWhiteSpace = 1 << 1,
  kPunctuation = 1 << 2,
  kOpeningMark = 1 << 3,  // quotation marks, opening brackets, dashes
  kEmoji = 1 << 4,
};
constexpr Class kClasses[] = {kStandsAlone, kWhiteSpace, kPunctuation, kOpeningMark, kEmoji};
constexpr char32_t kClassesEnd = 0x800;

bool askIcu(UChar32 c, Class what) {
  switch (what) {
    case kStandsAlone:
      return unitStandsAlone(static_cast<char16_t>(c));
    case kWhiteSpace:
      return u_isUWhiteSpace(c);  // White_Space, read without the property dispatch
    case kPunctuation:
      return u_ispunct(c);
    case kOpeningMark: {
      const auto type = u_charType(c);
      return type == U_START_PUNCTUATION || type == U_DASH_PUNCTUATION || u_hasBinaryProperty(c, UCHAR_QUOTATION_MARK);
    }
    case kEmoji:
      return u_hasBinaryProperty(c, UCHAR_EMOJI);
  }
  return false;
}

// Bytes, not bits: a bit vector costs a shift and a mask per question.
const std::array<std::uint8_t, kClassesEnd>& classes() {
  static const std::array<std::uint8_t, kClassesEnd> table = [] {
    std::array<std::uint8_t, kClassesEnd> t{};
    for (char16_t u = 0; u < t.size(); ++u)
      for (const Class what : kClasses)
        if (askIcu(u, what)) t[u] |= what;
    return t;
  }();
  return table;
}

bool hasClass(UChar32 c, Class what) {
  return c >= 0 && static_cast<char32_t>(c) < kClassesEnd ? (classes()[static_cast<std::size_t>(c)] & what) != 0
                                                          : askIcu(c, what);
}

}  // namespace

void prepare() {
  classes();
  (void)characterCount(u"e\u0301\r\n");  // a mark and a CR LF: ICU's own code runs once
}

BRISQUEL_KEY_PATH bool isOneUnitPerCharacter(std::u16string_view s) {
  return std::all_of(s.begin(), s.end(), [](char16_t u) { return hasClass(u, kStandsAlone); });
}

BRISQUEL_KEY_PATH bool hasEmojiProperty(char32_t c) {
  return hasClass(static_cast<UChar32>(c), kEmoji);
}

namespace {

template <typename Fn>
void forEachCharacter(std::u16string_view s, Fn&& fn) {
  if (s.empty()) return;
  if (isOneUnitPerCharacter(s)) {
    for (std::size_t i = 0; i < s.size(); ++i) fn(s.substr(i, 1));
    return;
  }
  UBreakIterator* it = characterIterator();
  UErrorCode status = U_ZERO_ERROR;
  if (it) ubrk_setText(it, reinterpret_cast<const UChar*>(s.data()), static_cast<int32_t>(s.size()), &status);
  if (!it || U_FAILURE(status)) {
    // Without a break iterator fall back to code points.
    std::size_t i = 0;
    while (i < s.size()) {
      std::size_t start = i;
      char32_t c;
      U16_NEXT(s.data(), i, s.size(), c);
      (void)c;
      fn(s.substr(start, i - start));
    }
    return;
  }
  int32_t start = ubrk_first(it);
  for (int32_t end = ubrk_next(it); end != UBRK_DONE; start = end, end = ubrk_next(it))
    fn(s.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
  ubrk_setText(it, nullptr, 0, &status);
}

template <typename Convert>
std::u16string mapCase(std::u16string_view s, Convert convert) {
  std::u16string out(s.size(), u'\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t n = convert(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                      reinterpret_cast<const UChar*>(s.data()), static_cast<int32_t>(s.size()), "", &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    out.assign(static_cast<std::size_t>(n), u'\0');
    status = U_ZERO_ERROR;
    n = convert(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                reinterpret_cast<const UChar*>(s.data()), static_cast<int32_t>(s.size()), "", &status);
  }
  if (U_FAILURE(status)) return std::u16string(s);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

// Where the full case mapping of a code unit is its simple one, independent of
// the text around it: everywhere but surrogates, capital sigma (final form
// by context), dotted capital I (two code points in lower case) and the
// Greek letters with iota subscript (titlecase, two code points in upper case).
bool hasSimpleCase(char16_t u) {
  return !U16_IS_SURROGATE(u) && u != 0x03A3 && u != 0x0130 && !(u >= 0x1F80 && u <= 0x1FFF);
}

}  // namespace

std::vector<std::u16string_view> characters(std::u16string_view s) {
  std::vector<std::u16string_view> out;
  out.reserve(s.size());
  forEachCharacter(s, [&](std::u16string_view c) { out.push_back(c); });
  return out;
}

BRISQUEL_KEY_PATH std::size_t characterCount(std::u16string_view s) {
  if (isOneUnitPerCharacter(s)) return s.size();
  std::size_t n = 0;
  forEachCharacter(s, [&](std::u16string_view) { ++n; });
  return n;
}

std::u16string_view lastCharacters(std::u16string_view s, std::size_t n) {
  if (isOneUnitPerCharacter(s)) return s.size() <= n ? s : s.substr(s.size() - n);
  auto chars = characters(s);
  if (chars.size() <= n) return s;
  auto first = chars[chars.size() - n];
  return s.substr(static_cast<std::size_t>(first.data() - s.data()));
}

// Per code unit where that is exact: typing asks for one character at a time,
// and ICU's full case mapping costs an allocation and a context walk.
std::string toLower(std::string_view utf8) {
  // Identities and list entries are nearly always ASCII, and are matched on every key.
  if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    std::string out(utf8);
    for (auto& c : out)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
  }
  return toUtf8(toLower(fromUtf8(utf8)));
}

std::u16string toLower(std::u16string_view s) {
  std::u16string out(s);
  for (auto& u : out) {
    if (u < 0x80) {
      if (u >= u'A' && u <= u'Z') u = static_cast<char16_t>(u + 32);
    } else {
      const UChar32 lower = hasSimpleCase(u) ? u_tolower(u) : 0x10000;
      if (lower > 0xFFFF) return mapCase(s, u_strToLower);
      u = static_cast<char16_t>(lower);
    }
  }
  return out;
}

std::u16string toUpper(std::u16string_view s) {
  return mapCase(s, u_strToUpper);
}

bool isUpperCase(std::u16string_view c) {
  if (c.size() == 1 && c[0] < 0x80) return c[0] >= u'A' && c[0] <= u'Z';
  if (c.size() == 1 && hasSimpleCase(c[0]))
    return u_toupper(c[0]) == static_cast<UChar32>(c[0]) && u_tolower(c[0]) != static_cast<UChar32>(c[0]);
  return toUpper(c) == c && toLower(c) != c;
}

char32_t singleCodePoint(std::u16string_view c) {
  if (c.empty()) return 0xFFFFFFFF;
  std::size_t i = 0;
  char32_t cp;
  U16_NEXT(c.data(), i, c.size(), cp);
  return i == c.size() ? cp : 0xFFFFFFFF;
}

BRISQUEL_KEY_PATH bool isWhiteSpace(char32_t c) {
  return hasClass(static_cast<UChar32>(c), kWhiteSpace);
}

namespace {

template <typename Test>
bool anyCodePoint(std::u16string_view s, Test test) {
  std::size_t i = 0;
  while (i < s.size()) {
    UChar32 c;
    U16_NEXT(s.data(), i, s.size(), c);
    if (test(c)) return true;
  }
  return false;
}

template <typename Strip>
std::u16string_view trimFront(std::u16string_view s, Strip strip) {
  while (!s.empty()) {
    std::size_t i = 0;
    UChar32 c;
    U16_NEXT(s.data(), i, s.size(), c);
    if (!strip(c)) break;
    s.remove_prefix(i);
  }
  return s;
}

}  // namespace

bool hasLetter(std::u16string_view s) {
  return anyCodePoint(s, [](UChar32 c) { return u_isalpha(c) != 0; });
}

BRISQUEL_KEY_PATH std::u16string_view trimPunctuation(std::u16string_view s) {
  s = trimFront(s, [](UChar32 c) { return hasClass(c, kPunctuation); });
  while (!s.empty()) {
    std::size_t i = s.size();
    UChar32 c;
    U16_PREV(s.data(), 0, i, c);
    if (!hasClass(c, kPunctuation)) break;
    s.remove_suffix(s.size() - i);
  }
  return s;
}

BRISQUEL_KEY_PATH std::u16string_view trimOpeningMarks(std::u16string_view s) {
  return trimFront(s, [](UChar32 c) { return hasClass(c, kOpeningMark); });
}

BRISQUEL_KEY_PATH bool containsWhiteSpace(std::u16string_view s) {
  return anyCodePoint(s, [](UChar32 c) { return isWhiteSpace(static_cast<char32_t>(c)); });
}

std::u16string trimWhiteSpace(std::u16string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && !U16_IS_SURROGATE(s[b]) && isWhiteSpace(s[b])) ++b;
  while (e > b && !U16_IS_SURROGATE(s[e - 1]) && isWhiteSpace(s[e - 1])) --e;
  return std::u16string(s.substr(b, e - b));
}

std::u16string fromUtf8(std::string_view s) {
  std::u16string out(s.size(), u'\0');
  int32_t n = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &n, s.data(),
                       static_cast<int32_t>(s.size()), 0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<std::size_t>(n));
  return out;
}

std::string toUtf8(std::u16string_view s) {
  std::string out(s.size() * 3, '\0');
  int32_t n = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &n, reinterpret_cast<const UChar*>(s.data()),
                     static_cast<int32_t>(s.size()), 0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<std::size_t>(n));
  return out;
}


namespace {

icu::UnicodeString uview(std::u16string_view s) {
  return icu::UnicodeString(s.data(), static_cast<int32_t>(s.size()));
}

std::u16string owned(const icu::UnicodeString& s) {
  return std::u16string(s.getBuffer(), static_cast<std::size_t>(s.length()));
}

std::unique_ptr<icu::BreakIterator> breaks(const icu::UnicodeString& s) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  if (U_FAILURE(status)) return nullptr;
  it->setText(s);
  return it;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
  int32_t n = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8(nullptr, 0, &n, bytes.data(), static_cast<int32_t>(bytes.size()), &status);
  return status != U_INVALID_CHAR_FOUND && status != U_ILLEGAL_CHAR_FOUND;
}

std::u16string foldCase(std::u16string_view s) {
  return owned(uview(s).foldCase());
}

std::optional<std::u16string> composeOne(std::u16string_view base, std::u16string_view mark) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  if (U_FAILURE(status)) return std::nullopt;
  icu::UnicodeString joined = uview(base);
  joined.append(uview(mark));
  icu::UnicodeString composed = nfc->normalize(joined, status);
  if (U_FAILURE(status) || composed.countChar32() != 1) return std::nullopt;
  return owned(composed);
}

std::int64_t previousBoundary(std::u16string_view s, std::int64_t offset) {
  if (offset <= 0) return 0;
  icu::UnicodeString u = uview(s);
  auto it = breaks(u);
  if (!it) return offset - 1;
  int32_t b = it->preceding(static_cast<int32_t>(offset));
  return b == icu::BreakIterator::DONE ? 0 : b;
}

std::int64_t nextBoundary(std::u16string_view s, std::int64_t offset) {
  auto size = static_cast<std::int64_t>(s.size());
  if (offset >= size) return size;
  icu::UnicodeString u = uview(s);
  auto it = breaks(u);
  if (!it) return offset + 1;
  int32_t b = it->following(static_cast<int32_t>(offset));
  return b == icu::BreakIterator::DONE ? size : b;
}

}  // namespace brisquel::text
