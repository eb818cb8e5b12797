// SPDX-License-Identifier: MIT
// Words that only their neighbours decide, per pair of layouts, and where a
// text starts afresh (nothing before it shows which language the person writes).
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>

#include "base/Text.h"
#include "typo/CorrectionRules.h"
#include "typo/WordTables.h"

namespace brisquel {
namespace {

// The language of the pair that is not English.
const std::string& otherLanguage(const LanguagePair& pair) {
  return pair.source == lang::english ? pair.target : pair.source;
}

// A full stop, question or exclamation mark (Greek and Arabic ones too), or
// an ellipsis, before any closing quotes or brackets.
bool endsWithSentenceMark(std::u16string_view s) {
  while (!s.empty()) {
    std::size_t i = s.size();
    UChar32 c;
    U16_PREV(s.data(), 0, i, c);
    const auto type = u_charType(c);
    if (type == U_END_PUNCTUATION || type == U_FINAL_PUNCTUATION || u_hasBinaryProperty(c, UCHAR_QUOTATION_MARK)) {
      s.remove_suffix(s.size() - i);
      continue;
    }
    return c == u'.' || c == u'!' || c == u'?' || c == 0x2026 || c == 0x037E || c == 0x061F;
  }
  return false;
}

// The English layout's letters, which English words are typed with.
constexpr std::u16string_view kEnglishLetters = u"abcdefghijklmnopqrstuvwxyz";
// Longest words looked for in both dictionaries.
constexpr std::size_t kPairWordLength = 3;

}  // namespace

bool CorrectionRules::usesRussianTables(const LanguagePair& pair) {
  return otherLanguage(pair) == lang::russian;
}

const pairwords::PairWords* CorrectionRules::pairWords(const std::string& language) {
  // Asked on every key: compared in place, copied (an atomic count) only when the layouts change.
  if (const auto& enabled = layoutSnapshot().tables; enabled != pairWordsTables_) {
    // Other layouts: the words are found again, and work still queued for the old ones is dropped.
    pairWordsTables_ = enabled;
    pairWords_.clear();
    ++pairWordsGeneration_;
  }
  if (auto it = pairWords_.find(language); it != pairWords_.end()) return it->second.get();
  SpellCheckerPort& spelling = ports_.spelling;
  if (!spelling.isReady(lang::english) || !spelling.isReady(language)) return nullptr;
  // Found once the key being handled is done with, not while it waits, and
  // off the main thread where there is a worker: the search takes milliseconds.
  pairWords_.emplace(language, nullptr);
  const std::string code = LayoutMaps::layoutCode(language);
  auto find = [&spelling, language, code, tables = pairWordsTables_] {
    auto dictionary = [&spelling](const std::string& lang) {
      return pairwords::Dictionary{
          [&spelling, lang](std::u16string_view w) { return spelling.isWordCorrect(w, lang); },
          [&spelling, lang](std::u16string_view w) { return spelling.hasCompletions(w, lang); }};
    };
    auto toOther = [&](std::u16string_view typed) {
      if (tables) {
        if (auto converted = tables->convert(typed, "en", code)) return std::move(converted->text);
      }
      return LayoutMaps::instance().transliterate(typed, false, LayoutAvailability{true, {"en", code}});
    };
    return std::make_shared<const pairwords::PairWords>(
        pairwords::findPairWords(dictionary(lang::english), dictionary(language), language, toOther, kEnglishLetters,
                                 words::validSingleLetterWords(lang::english), words::validSingleLetterWords(language),
                                 kPairWordLength));
  };
  // Kept only by the detector that asked, for the layouts it asked for.
  auto current = [weak = weak_from_this(), generation = pairWordsGeneration_] {
    auto self = weak.lock();
    return self && self->pairWordsGeneration_ == generation ? self : nullptr;
  };
  if (ports_.background) {
    // The ports outlive the detector: while it is there, so is the spelling port.
    ports_.background->async(QualityOfService::UserInteractive, [find, current, language, asker = weak_from_this(),
                                                                 &main = ports_.mainQueue] {
      if (asker.expired()) return;
      main.async([current, language, found = find()] {
        if (auto self = current()) self->pairWords_[language] = found;
      });
    });
  } else {
    ports_.mainQueue.async([find, current, language] {
      if (auto self = current()) self->pairWords_[language] = find();
    });
  }
  return nullptr;
}

void CorrectionRules::preparePairWords(const LanguagePair& pair) {
  if (!pair.target.empty() && !usesRussianTables(pair)) pairWords(otherLanguage(pair));
}

bool CorrectionRules::isAmbiguousFor(std::u16string_view word, const LanguagePair& pair) {
  if (pair.target.empty()) return false;
  const std::u16string lower = text::toLower(word);
  if (usesRussianTables(pair)) return words::ambiguousContextWords().count(lower) > 0;
  const auto* found = pairWords(otherLanguage(pair));
  return found && found->ambiguous.count(lower) > 0;
}

bool CorrectionRules::isSingleLetterWord(std::u16string_view letter, const std::string& language) {
  return words::validSingleLetterWords(language).count(text::toLower(letter)) > 0;
}

bool CorrectionRules::startsFreshText(std::size_t first, const std::string& language,
                                   const std::optional<FieldText>& field, std::size_t unitsToCaret,
                                   const LayoutAvailability& layouts) const {
  for (std::size_t i = first; i-- > 0;) {
    const CompletedWord& entry = history_.words()[i];
    if (entry.separator.find_first_of(u"\r\n") != std::u16string::npos || endsWithSentenceMark(entry.word))
      return true;
    // Numbers and dashes say nothing; a word of another layout is no sign of this one.
    if (auto entryLanguage = languageOf(entry.word, layouts)) return *entryLanguage != language;
  }
  if (!field) return !history_.lostWords();  // keys only: the history is all there is to go by
  const auto caret = std::clamp<std::int64_t>(field->caret, 0, static_cast<std::int64_t>(field->text.size()));
  auto start = static_cast<std::size_t>(std::max<std::int64_t>(0, caret - static_cast<std::int64_t>(unitsToCaret)));
  // White space back to the text before; a line break in it starts afresh.
  while (start > 0 && text::isWhiteSpace(field->text[start - 1])) {
    if (field->text[start - 1] == u'\n' || field->text[start - 1] == u'\r') return true;
    --start;
  }
  return start == 0 || endsWithSentenceMark(std::u16string_view(field->text).substr(0, start));
}

KeyTables::Conversion CorrectionRules::convertBetween(std::u16string_view word, const std::string& from,
                                                  const std::string& to) const {
  if (const KeyTables* tables = layoutSnapshot().tables.get()) {
    if (auto converted = tables->convert(word, from, to)) return std::move(*converted);
  }
  const std::string& other = from == "en" ? to : from;
  return {LayoutMaps::instance().transliterate(word, false, LayoutAvailability{true, {"en", other}}), {}, false};
}

}  // namespace brisquel
