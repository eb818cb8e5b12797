// SPDX-License-Identifier: MIT
// The key tables of the layouts the person has, as the platform gives them,
// for converting words to the other layout.
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <array>
#include <utility>

#include "base/Languages.h"
#include "base/Text.h"
#include "typo/PairWords.h"
#include "typo/CorrectionRules.h"

namespace brisquel {
namespace {

// The layout code a source types ("ru" for "ru" or "ru_RU"), or empty.
std::string layoutCodeOf(const InputSource& source) {
  const auto& codes = kLanguageCodes;
  if (!source.languages) return {};
  for (const auto& language : *source.languages) {
    const std::string code = text::toLower(std::string_view(language).substr(0, language.find_first_of("-_")));
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

bool sameSource(const InputSourceRef& a, const InputSourceRef& b) {
  if (a == b) return true;
  return a && b && a->category == b->category && a->selectCapable == b->selectCapable && a->id == b->id &&
         a->languages == b->languages;
}

}  // namespace

const CorrectionRules::LayoutSnapshot& CorrectionRules::layoutSnapshot() const {
  // Asked several times per key: the port says when the layouts may have changed.
  const std::uint64_t version = ports_.inputSources.enabledSourcesVersion();
  if (layouts_ && version != 0 && layouts_->version == version) return *layouts_;
  std::vector<InputSourceRef> sources = ports_.inputSources.enabledInputSources();
  if (layouts_ && std::equal(sources.begin(), sources.end(), layouts_->sources.begin(), layouts_->sources.end(),
                             sameSource)) {
    if (layouts_->version != version) {  // the same layouts: the same tables, so the pairs' words stay
      auto same = std::make_shared<LayoutSnapshot>(*layouts_);
      same->version = version;
      previousLayouts_ = std::exchange(layouts_, std::move(same));
    }
    return *layouts_;
  }
  auto snapshot = std::make_shared<LayoutSnapshot>();
  snapshot->version = version;
  snapshot->availability.known = true;
  auto tables = std::make_shared<KeyTables>();
  for (const auto& source : sources) {
    if (!source || source->category != kKeyboardInputSourceCategory || source->selectCapable != true) continue;
    if (source->languages)
      for (const auto& language : *source->languages) snapshot->availability.codes.insert(language);
    const std::string code = layoutCodeOf(*source);
    if (code.empty() || tables->has(code)) continue;
    if (auto table = ports_.inputSources.keyboardTable(source)) tables->add(code, std::move(*table));
  }
  snapshot->sources = std::move(sources);
  snapshot->tables = std::move(tables);
  previousLayouts_ = std::exchange(layouts_, std::move(snapshot));
  return *layouts_;
}

std::u16string CorrectionRules::convert(std::u16string_view word, bool forceSwap, const LayoutAvailability& layouts) const {
  return convertWord(word, forceSwap, layouts, layoutSnapshot().tables.get()).text;
}

CorrectionRules::TargetConversion CorrectionRules::convertForTarget(std::u16string_view word, const LayoutAvailability& layouts,
                                                              const LanguagePair& pair, bool prefix) {
  const std::string& target = pair.target;
  KeyTables::Conversion conversion = convertWord(word, false, layouts, layoutSnapshot().tables.get(), pair);
  TargetConversion result{std::move(conversion.text), false, conversion.endsWithDeadKey};
  if (target.empty() || result.waitsForKey) return result;
  auto spells = [&](const std::u16string& s) {
    // Letters that became punctuation mostly leave the spelling checker a
    // shorter word to judge than the one typed ("جنو" -> "[k,").
    const int lost = letterCount(word) - letterCount(s);
    if (lost >= 2 && lost >= letterCount(s)) return false;
    // Digits, brackets, other scripts or compatibility letters inside: no word of the target.
    if (!pairwords::isWordOfScript(s, target)) return false;
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
