// SPDX-License-Identifier: MIT
#include "menu/TextMetrics.h"

#include "base/Text.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace brisquel {
namespace {

double widthOf(const icu::UnicodeString& text, const Font& font) {
  const std::u16string_view units(text.getBuffer(), static_cast<std::size_t>(text.length()));
  return static_cast<double>(text::characterCount(units)) * kGraphemeWidthEm * font.size;
}

// Splits at hard line breaks (copies: the pieces outlive text).
std::vector<icu::UnicodeString> paragraphs(const icu::UnicodeString& text) {
  std::vector<icu::UnicodeString> out;
  int32_t start = 0;
  while (true) {
    const int32_t nl = text.indexOf(u'\n', start);
    if (nl < 0) {
      out.emplace_back(text, start);
      return out;
    }
    out.emplace_back(text, start, nl - start);
    start = nl + 1;
  }
}

}  // namespace

double textWidth(const std::string& text, const Font& font) {
  return widthOf(icu::UnicodeString::fromUTF8(text), font);
}

Size wrappedTextSize(const std::string& text, const Font& font, double maxWidth) {
  const double lineHeight = kLineHeightEm * font.size;
  double widest = 0;
  std::size_t lines = 0;
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> breaks(icu::BreakIterator::createLineInstance(icu::Locale::getRoot(), status));
  const icu::UnicodeString whole = icu::UnicodeString::fromUTF8(text);
  for (const auto& para : paragraphs(whole)) {
    if (U_FAILURE(status) || para.isEmpty()) {
      widest = std::max(widest, widthOf(para, font));
      ++lines;
      continue;
    }
    breaks->setText(para);
    int32_t lineStart = 0;
    int32_t lastFit = 0;
    for (int32_t pos = breaks->next(); pos != icu::BreakIterator::DONE; pos = breaks->next()) {
      icu::UnicodeString candidate(para, lineStart, pos - lineStart);
      candidate.trim();
      if (widthOf(candidate, font) <= maxWidth || lastFit == lineStart) {
        lastFit = pos;
        continue;
      }
      icu::UnicodeString line(para, lineStart, lastFit - lineStart);
      line.trim();
      widest = std::max(widest, widthOf(line, font));
      ++lines;
      lineStart = lastFit;
      lastFit = pos;
    }
    icu::UnicodeString line(para, lineStart);
    line.trim();
    widest = std::max(widest, widthOf(line, font));
    ++lines;
  }
  return {widest, static_cast<double>(lines) * lineHeight};
}

}  // namespace brisquel
