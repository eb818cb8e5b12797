// SPDX-License-Identifier: MIT
// The key tables of the layouts the person has, as the platform gives them,
// for converting words to the other layout.
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <array>
#include <cctype>

#include "base/Languages.h"
#include "typo/TypoDetector.h"

namespace brisquel {
namespace {

// The layout code a source types ("ru" for "ru" or "ru_RU"), or empty.
std::string layoutCodeOf(const InputSource& source) {
  const auto& codes = kLanguageCodes;
  if (!source.languages) return {};
  for (const auto& language : *source.languages) {
    std::string code = language.substr(0, language.find_first_of("-_"));
    std::transform(code.begin(), code.end(), code.begin(), [](unsigned char c) { return std::tolower(c); });
    if (std::find(codes.begin(), codes.end(), code) != codes.end()) return code;
  }
  return {};
}

int letterCount(std::u16string_view s) {
  int letters = 0;
  for (std::size_t i = 0; i < s.size();) {
    char32_t c;
    U16_NEXT(s.data(), i, s.size(), c);
    letters += u_isalpha(static_cast<UChar32>(c)) ? 1 : 0;
  }
  return letters;
}

}  // namespace

std::shared_ptr<const KeyTables> TypoDetector::keyTables() const {
  std::vector<InputSourceRef> sources = ports_.inputSources.enabledInputSources();
  if (keyTables_ && sources == keyTableSources_) return keyTables_;
  auto tables = std::make_shared<KeyTables>();
  for (const auto& source : sources) {
    if (!source || source->category != kKeyboardInputSourceCategory || source->selectCapable != true) continue;
    const std::string code = layoutCodeOf(*source);
    if (code.empty() || tables->has(code)) continue;
    if (auto table = ports_.inputSources.keyboardTable(source)) tables->add(code, std::move(*table));
  }
  keyTableSources_ = std::move(sources);
  keyTables_ = std::move(tables);
  return keyTables_;
}

std::u16string TypoDetector::convert(std::u16string_view word, bool forceSwap, const LayoutAvailability& layouts) const {
  return convertWord(word, forceSwap, layouts, keyTables().get()).text;
}

TypoDetector::TargetConversion TypoDetector::convertForTarget(std::u16string_view word, const LayoutAvailability& layouts,
                                                              const std::string& target, bool prefix) {
  KeyTables::Conversion conversion = convertWord(word, false, layouts, keyTables().get());
  TargetConversion result{std::move(conversion.text), false, conversion.endsWithDeadKey};
  if (target.empty() || result.waitsForKey) return result;
  auto spells = [&](const std::u16string& s) {
    // Letters that became punctuation mostly leave the spelling checker a
    // shorter word to judge than the one typed ("جنو" -> "[k,").
    const int lost = letterCount(word) - letterCount(s);
    if (lost >= 2 && lost >= letterCount(s)) return false;
    return prefix ? isPrefixValid(s, target) : isWordValid(s, target);
  };
  result.valid = spells(result.text);
  if (conversion.otherReading.empty()) return result;
  const bool otherValid = spells(conversion.otherReading);
  if (prefix && result.valid && otherValid) {
    result.valid = false;  // both readings begin words: the next keys tell them apart
  } else if (!result.valid && otherValid) {
    result.text = std::move(conversion.otherReading);
    result.valid = true;
  }
  return result;
}

}  // namespace brisquel
