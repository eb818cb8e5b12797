// SPDX-License-Identifier: MIT
#include "fcitx5/FocusedText.h"

#include <fcitx/surroundingtext.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "base/KeyPath.h"
#include "base/Text.h"
#include "fcitx5/Composing.h"

namespace brisquel::fcitx5 {
namespace {

// An environment variable naming an input method other than fcitx.
bool namesAnotherInputMethod(const char* variable, std::string_view ours) {
  const char* value = std::getenv(variable);
  if (!value || !*value) return false;
  return std::string_view(value).find(ours) == std::string_view::npos;
}

bool isContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The byte offset of code point `n` of s (its end when s has fewer).
std::size_t byteOffset(std::string_view s, std::size_t n) {
  std::size_t i = 0;
  for (; n > 0 && i < s.size(); --n) {
    ++i;
    while (i < s.size() && isContinuation(s[i])) ++i;
  }
  return i;
}

bool isSpaceAt(UChar32 c) {
  return c >= 0 && text::isWhiteSpace(static_cast<char32_t>(c));
}

// The words before the caret that the program reads: more than a correction
// reaches back over (the words it remembers and the one being typed), and the
// one before those, whose end tells whether the text starts afresh. A field's
// text may be a long paragraph, and it is read at every correction.
constexpr int kWordsBefore = 16;

// The byte where the stretch read begins: the start of the kWordsBefore-th
// word that begins before byte `at`, else the text's start. Never inside a word.
std::size_t stretchStart(std::string_view s, std::size_t at) {
  int words = 0;
  auto i = static_cast<std::int32_t>(at);
  bool wordFollows = false;  // the character at i is no white space (a word starting at `at` is not before it)
  while (i > 0) {
    std::int32_t previous = i;
    UChar32 c = 0;
    U8_PREV(s.data(), 0, previous, c);
    const bool space = isSpaceAt(c);
    if (space && wordFollows && ++words == kWordsBefore) return static_cast<std::size_t>(i);
    wordFollows = !space;
    i = previous;
  }
  return 0;
}

// The byte where it ends: after the white space that ends the word at `at`
// (or the text's end), so that a word at the caret is read whole.
std::size_t stretchEnd(std::string_view s, std::size_t at) {
  const auto n = static_cast<std::int32_t>(s.size());
  for (auto i = static_cast<std::int32_t>(at); i < n;) {
    UChar32 c = 0;
    U8_NEXT(s.data(), i, n, c);
    if (isSpaceAt(c)) return static_cast<std::size_t>(i);
  }
  return s.size();
}

std::size_t codePointsOf(std::u16string_view s) {
  return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), [](char16_t u) { return !U16_IS_TRAIL(u); }));
}

// The last `n` characters of s, as code points, decoding only as much of its
// end as they need: a field's text may be long, and a rewrite is per key.
std::optional<std::size_t> lastCharactersAsCodePoints(std::string_view s, std::size_t n, std::u16string* shown) {
  if (n == 0) return 0;
  for (std::size_t window = 8 * n + 16;; window *= 2) {
    std::size_t from = s.size();
    for (std::size_t k = 0; k < window && from > 0; ++k) {
      --from;
      while (from > 0 && isContinuation(s[from])) --from;
    }
    const std::u16string units = text::fromUtf8(s.substr(from));
    // The window's first character may be cut: it must not be one of them.
    const std::u16string_view tail = text::lastCharacters(units, n);
    if (tail.size() < units.size() || (from == 0 && text::characterCount(units) == n)) {
      if (shown) *shown = std::u16string(tail);
      return codePointsOf(tail);
    }
    if (from == 0) return std::nullopt;
  }
}

// The first `n` characters of s, as code points.
std::optional<std::size_t> firstCharactersAsCodePoints(std::string_view s, std::size_t n) {
  if (n == 0) return 0;
  for (std::size_t window = 8 * n + 16;; window *= 2) {
    const std::size_t to = byteOffset(s, window);
    const std::u16string units = text::fromUtf8(s.substr(0, to));
    const auto chars = text::characters(units);
    if (chars.size() > n || (to == s.size() && chars.size() == n)) {
      return codePointsOf(std::u16string_view(units).substr(0, static_cast<std::size_t>(chars[n - 1].data() + chars[n - 1].size() - units.data())));
    }
    if (to == s.size()) return std::nullopt;
  }
}

}  // namespace

BRISQUEL_KEY_PATH bool FocusedText::isProcessTrusted(bool) {
  if (session_.sawInputContext) return true;
  return !namesAnotherInputMethod("GTK_IM_MODULE", "fcitx") && !namesAnotherInputMethod("QT_IM_MODULE", "fcitx") &&
         !namesAnotherInputMethod("XMODIFIERS", "fcitx");
}

fcitx::InputContext* FocusedText::readable() const {
  fcitx::InputContext* ic = session_.focused();
  if (!ic || Session::isSecure(*ic) || !ic->capabilityFlags().test(fcitx::CapabilityFlag::SurroundingText) ||
      !ic->surroundingText().isValid() || Composing::batchesKeys(*ic, session_.client(*ic))) {
    return nullptr;
  }
  return ic;
}

FieldReading FocusedText::read() {
  fcitx::InputContext* focused = session_.focused();
  if (!focused || Session::isSecure(*focused)) return {std::nullopt, true};
  fcitx::InputContext* ic = readable();
  if (!ic) return {};
  const auto& surrounding = ic->surroundingText();
  const std::string_view utf8(surrounding.text());
  const std::size_t from = std::min(surrounding.cursor(), surrounding.anchor());
  const std::size_t to = std::max(surrounding.cursor(), surrounding.anchor());
  const std::size_t fromByte = byteOffset(utf8, from);
  const std::size_t toByte = fromByte + byteOffset(utf8.substr(fromByte), to - from);
  const std::size_t start = stretchStart(utf8, fromByte);
  const auto end = static_cast<std::int32_t>(stretchEnd(utf8, toByte));
  // One pass: the stretch in UTF-16, and where the selection's ends fall in it.
  FieldText field;
  field.text.reserve(static_cast<std::size_t>(end) - start);
  std::int64_t selectionEnd = -1;
  field.caret = -1;
  for (auto i = static_cast<std::int32_t>(start); i < end;) {
    const auto at = static_cast<std::size_t>(i);
    if (field.caret < 0 && at >= fromByte) field.caret = static_cast<std::int64_t>(field.text.size());
    if (selectionEnd < 0 && at >= toByte) selectionEnd = static_cast<std::int64_t>(field.text.size());
    UChar32 c = 0;
    U8_NEXT(utf8.data(), i, end, c);
    if (c < 0) c = 0xFFFD;
    if (U_IS_BMP(c)) {
      field.text += static_cast<char16_t>(c);
    } else {
      field.text += static_cast<char16_t>(U16_LEAD(c));
      field.text += static_cast<char16_t>(U16_TRAIL(c));
    }
  }
  const auto size = static_cast<std::int64_t>(field.text.size());
  if (field.caret < 0) field.caret = size;
  if (selectionEnd < 0) selectionEnd = size;
  field.selected = selectionEnd - field.caret;
  return {std::move(field), false};
}

bool FocusedText::canReplaceBeforeCaret(int characters, int stepOver) {
  return keyboard_.canRetype(characters, stepOver);
}

bool FocusedText::replaceBeforeCaret(int characters, std::u16string_view replacement, int stepOver) {
  fcitx::InputContext* ic = readable();
  if (!ic || characters < 0) return false;
  const auto& surrounding = ic->surroundingText();
  // A selection: keys remove it first.
  if (surrounding.anchor() != surrounding.cursor()) return false;
  const std::string_view all(surrounding.text());
  const std::size_t cursor = surrounding.cursor();
  const std::size_t cursorByte = byteOffset(all, cursor);
  const int back = characters + stepOver;  // before the caret
  const int ahead = stepOver < 0 ? -stepOver : 0;
  if (back < 0) return false;
  std::u16string before;
  const auto backPoints =
      lastCharactersAsCodePoints(all.substr(0, cursorByte), static_cast<std::size_t>(back), &before);
  const auto aheadPoints = firstCharactersAsCodePoints(all.substr(cursorByte), static_cast<std::size_t>(ahead));
  if (!backPoints || !aheadPoints) return false;
  // What the caret stepped over goes back after the new text.
  std::u16string written(replacement);
  if (stepOver > 0) written += text::lastCharacters(before, static_cast<std::size_t>(stepOver));
  rewrite(*ic, cursor - *backPoints, cursor + *aheadPoints, text::toUtf8(written));
  return true;
}

bool FocusedText::replaceSelection(std::u16string_view replacement) {
  fcitx::InputContext* ic = readable();
  if (!ic) return false;
  const auto& surrounding = ic->surroundingText();
  const std::size_t from = std::min(surrounding.cursor(), surrounding.anchor());
  const std::size_t to = std::max(surrounding.cursor(), surrounding.anchor());
  if (from == to) return false;
  rewrite(*ic, from, to, text::toUtf8(replacement));
  return true;
}

void FocusedText::rewrite(fcitx::InputContext& ic, std::size_t from, std::size_t to, const std::string& text) {
  auto& surrounding = ic.surroundingText();
  const auto cursor = static_cast<int>(surrounding.cursor());
  if (to > from) {
    keyboard_.commitPending();  // the offsets count the text that waits as already there
    const Session::HostWork host(session_);
    ic.deleteSurroundingText(static_cast<int>(from) - cursor, static_cast<unsigned int>(to - from));
  }
  if (!text.empty()) keyboard_.commit(ic, text);
  // What the client will report once it has applied both.
  const std::string_view all(surrounding.text());
  std::string after(all.substr(0, byteOffset(all, from)));
  after += text;
  after += all.substr(byteOffset(all, to));
  const auto inserted = static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) { return !isContinuation(c); }));
  const auto newCursor = static_cast<unsigned int>(from + inserted);
  surrounding.setText(after, newCursor, newCursor);
  session_.editedDuringKey = true;
}

}  // namespace brisquel::fcitx5
