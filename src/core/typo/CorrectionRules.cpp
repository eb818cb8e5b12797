// SPDX-License-Identifier: MIT
#include "typo/CorrectionRules.h"

#include <unicode/uchar.h>
#include <unicode/uscript.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <utility>

#include "base/KeyPath.h"
#include "base/Text.h"
#include "typo/PairWords.h"
#include "typo/WordTables.h"

namespace brisquel {
namespace {

int count(std::u16string_view s) {
  return static_cast<int>(text::characterCount(s));
}

// Capitals where words have none: an abbreviation (TLS, CSV, B) or a name
// in code (GtkWindow, GFlare): a capital after the first letter, or a lone
// capital letter.
bool hasInnerCapitals(std::u16string_view word) {
  int letters = 0;
  bool capitalFirst = false;
  std::size_t i = 0;
  while (i < word.size()) {
    UChar32 c;
    U16_NEXT(word.data(), i, word.size(), c);
    if (!u_isalpha(c)) continue;
    const bool capital = u_hasBinaryProperty(c, UCHAR_UPPERCASE);
    if (capital && letters > 0) return true;
    if (letters == 0) capitalFirst = capital;
    ++letters;
  }
  return letters == 1 && capitalFirst;
}

// Letters, every one a capital: an acronym (RGB, X), whatever the layout
// it would convert to does with Shift.
bool allLettersCapital(std::u16string_view word) {
  int letters = 0;
  for (std::size_t i = 0; i < word.size();) {
    UChar32 c;
    U16_NEXT(word.data(), i, word.size(), c);
    if (!u_isalpha(c)) continue;
    if (!u_hasBinaryProperty(c, UCHAR_UPPERCASE)) return false;
    ++letters;
  }
  return letters > 0;
}

int letterCount(std::u16string_view word) {
  int letters = 0;
  for (std::size_t i = 0; i < word.size();) {
    UChar32 c;
    U16_NEXT(word.data(), i, word.size(), c);
    letters += u_isalpha(c) ? 1 : 0;
  }
  return letters;
}

// A letter that no key of the English layout types.
bool hasLetterOffTheEnglishLayout(std::u16string_view word) {
  return std::any_of(word.begin(), word.end(), [](char16_t c) { return c >= 0x80 && u_isalpha(c); });
}

bool hasJoiner(std::u16string_view word) {
  static constexpr std::u16string_view joiners = u"-\u2010\u05BE'\u2019";
  return word.find_first_of(joiners) != std::u16string_view::npos;
}

// The spelling check strips punctuation at a word's ends. Where the
// conversion has punctuation there for letters of the typed word ("видж"
// gives "dbl;"), what the check sees is no longer the word typed.
bool losesLettersToPunctuation(std::u16string_view typed, std::u16string_view converted) {
  const auto typedCharacters = text::characters(typed);
  const auto convertedCharacters = text::characters(converted);
  if (typedCharacters.size() != convertedCharacters.size()) return false;
  const std::u16string_view kept = text::trimPunctuation(converted);
  const char16_t* keptBegin = kept.data();
  const char16_t* keptEnd = kept.data() + kept.size();
  for (std::size_t i = 0; i < convertedCharacters.size(); ++i) {
    const char16_t* at = convertedCharacters[i].data();
    const bool stripped = kept.empty() || at < keptBegin || at >= keptEnd;
    if (stripped && text::hasLetter(typedCharacters[i])) return true;
  }
  return false;
}

}  // namespace

CorrectionRules::CorrectionRules(CorrectionRulesPorts ports, const WordHistory& history,
                                 std::function<std::shared_ptr<const StringMap>()> learnedWords)
    : ports_(ports), history_(history), learnedWords_(std::move(learnedWords)) {}

std::shared_ptr<const StringMap> CorrectionRules::learnedWords() const {
  static const auto none = std::make_shared<const StringMap>();
  auto words = learnedWords_ ? learnedWords_() : nullptr;
  return words ? words : none;
}

std::u16string CorrectionRules::transliterate(std::u16string_view text, bool forceSwap) const {
  return convert(text, forceSwap, layoutAvailability());
}

LanguagePair CorrectionRules::guessLanguagePair(std::u16string_view word) const {
  return guessPair(word, layoutAvailability());
}

LanguagePair CorrectionRules::guessPair(std::u16string_view word, const LayoutAvailability& layouts) const {
  const auto& maps = LayoutMaps::instance();
  LanguageGuess& guess = guess_;
  // Characters are counted one by one, so the word's counts are the old
  // word's plus the new characters', unless a new unit joins the old last
  // character (a mark, a joiner): then all are counted afresh.
  const bool extends = word.size() >= guess.word.size() && word.starts_with(guess.word);
  const std::u16string_view added = word.substr(extends ? guess.word.size() : 0);
  const bool unitwise = (!extends || guess.unitwise) && text::isOneUnitPerCharacter(added);
  if (extends && unitwise) {
    maps.count(guess.tally, added);
  } else {
    if (!extends) std::swap(guess, lastGuess_);  // another word: the old one is looked back at
    guess.tally = maps.tally(word);
  }
  guess.word.assign(word);
  guess.unitwise = unitwise;
  return maps.guessLanguagePair(guess.tally, layouts);
}

std::string CorrectionRules::layoutCodeFor(const LanguagePair& pair) {
  return pair.source == lang::english ? LayoutMaps::layoutCode(pair.target) : "en";
}

// ---- Spelling --------------------------------------------------------------

void CorrectionRules::validityKey(std::u16string& key, char16_t kind, const std::string& language,
                                  std::u16string_view text) {
  // Two units before the text. The buffer is the caller's and kept: asked on
  // every key, a fresh string would allocate for most words.
  auto tag = std::find(validityLanguages_.begin(), validityLanguages_.end(), language);
  if (tag == validityLanguages_.end()) tag = validityLanguages_.insert(tag, language);
  key.clear();
  key += kind;
  key += static_cast<char16_t>(tag - validityLanguages_.begin());
  key += text;
}

bool CorrectionRules::isWordValid(std::u16string_view word, const std::string& language) {
  // Two letters at least, not counting the punctuation the checker strips ("T/" is no word).
  if (text::characterCount(text::trimPunctuation(word)) < 2) return false;
  validityKey(wordKey_, u'w', language, word);
  if (auto known = validityCache_.find(wordKey_)) return *known;
  bool valid = ports_.spelling.isWordCorrect(word, language);
  // A dictionary still loading answers false; that answer must not stick.
  if (!ports_.spelling.isReady(language)) return valid;
  if (validityCache_.size() > maxCacheSize) validityCache_.clear();
  validityCache_.insert(wordKey_, valid);
  return valid;
}

bool CorrectionRules::isPrefixValid(std::u16string_view prefix, const std::string& language) {
  if (text::characterCount(text::trimPunctuation(prefix)) < 2) return false;
  validityKey(prefixKey_, u'p', language, prefix);
  if (auto known = validityCache_.find(prefixKey_)) return *known;
  bool valid = ports_.spelling.hasCompletions(prefix, language) || isWordValid(prefix, language);
  if (!ports_.spelling.isReady(language)) return valid;
  validityCache_.insert(prefixKey_, valid);
  return valid;
}

// ---- The rules -------------------------------------------------------------

std::optional<std::string> CorrectionRules::languageOf(std::u16string_view word, const LayoutAvailability& layouts) const {
  // Numbers, dashes and signs are written the same on every layout.
  if (!text::hasLetter(word)) return std::nullopt;
  // Mostly the word just finished or the one before it, whose counts are kept.
  const auto& maps = LayoutMaps::instance();
  const LayoutMaps::Tally* known = word == guess_.word       ? &guess_.tally
                                   : word == lastGuess_.word ? &lastGuess_.tally
                                                             : nullptr;
  std::string source = (known ? maps.guessLanguagePair(*known, layouts) : maps.guessLanguagePair(word, layouts)).source;
  if (source != lang::english) return source;
  // Letters the maps do not hold (Greek with an accent, "ή") still say their script.
  for (std::size_t i = 0; i < word.size();) {
    UChar32 c;
    U16_NEXT(word.data(), i, word.size(), c);
    if (c < 0x80 || !u_isalpha(c)) continue;
    UErrorCode status = U_ZERO_ERROR;
    switch (uscript_getScript(c, &status)) {
      case USCRIPT_GREEK: return lang::greek;
      case USCRIPT_HEBREW: return lang::hebrew;
      case USCRIPT_ARABIC: return lang::arabic;
      case USCRIPT_CYRILLIC: return layouts.has("ru") || !layouts.has("uk") ? lang::russian : lang::ukrainian;
      default: break;
    }
  }
  return source;
}

std::optional<CorrectionRules::Verdict> CorrectionRules::atWordEnd(const std::u16string& word) {
  const LayoutAvailability& layouts = layoutAvailability();
  const LanguagePair pair = guessPair(word, layouts);
  const bool hasTarget = !pair.target.empty();
  preparePairWords(pair);
  // Letters of the layout's script only: Shift on the Arabic layout types a
  // vowel mark first ("ٍاخص" for "Show"), which the dictionary overlooks.
  const bool sourceValid = isWordValid(word, pair.source) && pairwords::isWordOfScript(word, pair.source);
  const TargetConversion conversion = convertForTarget(word, layouts, pair, false);
  const std::u16string& converted = conversion.text;
  const bool targetValid = hasTarget && conversion.valid;
  const std::u16string lower = text::toLower(word);
  const bool hasPrevious = history_.words().size() >= 2;
  // Capitals meant as typed, unless they convert to an abbreviation the
  // target's dictionary knows in capitals only ("ЗВА" typed for "PDF"; "TLS"
  // gives "ЕДЫ", an ordinary word in capitals, and stays; "R," gives "Кб",
  // whose comma became a small letter, and stays).
  // Not for English capitals going to the other pairs: Greek writes its
  // capitals without accents, so "ΙΣΑ" is a word where "ισα" is not.
  const bool capitalsOnlyWord = targetValid && allLettersCapital(converted) &&
                                !isWordValid(text::toLower(converted), pair.target) &&
                                (usesRussianTables(pair) || pair.source != lang::english);
  const bool abbreviation =
      isAbbreviation(word, pair, history_.words().size() - 1, layouts) && !capitalsOnlyWord;

  // English-layout text going anywhere but Russian: the word tables (made
  // for Russian) only count where the conversion is a word of the target.
  const bool russianRules = !(pair.source == lang::english && pair.target != lang::russian);
  auto tablesApply = [&] {
    if (russianRules) return true;
    if (text::characterCount(converted) == 1)
      return isSingleLetterWord(converted, pair.target);
    return targetValid;
  };

  bool correct = false;
  bool decided = false;
  const auto learnedWordsNow = learnedWords();
  const StringMap& learned = *learnedWordsNow;
  if (auto it = learned.find(text::toUtf8(word)); it != learned.end()) {
    if (it->second == text::toUtf8(converted)) {
      correct = decided = true;
    } else if (it->second == text::toUtf8(word)) {
      decided = true;
    }
  }
  if (!decided && !abbreviation && words::aggressiveSwitchWords().count(lower) && tablesApply()) {
    correct = decided = true;
  }
  // The pairs without tables of their own: two letters or fewer right
  // after a word of the same layout are as likely a name or an abbreviation
  // there ("rc", "tao", "فى") as a word of the target; the next words decide
  // (where the text starts afresh they fold it in).
  auto shortAfterOwnLayout = [&] {
    if (usesRussianTables(pair) || !hasPrevious || std::max(letterCount(word), letterCount(converted)) > 2)
      return false;
    // Unless that word reads as the target too ("to be" typed on the Hebrew layout).
    const std::u16string& previous = history_.words()[history_.words().size() - 2].word;
    return languageOf(previous, layouts) == pair.source && !targetReading(previous, pair, false);
  };
  if (!decided && !sourceValid && targetValid && !abbreviation && !shortAfterOwnLayout()) correct = decided = true;
  if (!decided && hasPrevious && !abbreviation && isAmbiguousFor(word, pair) && tablesApply()) {
    const auto& previous = history_.words()[history_.words().size() - 2];
    // For the pairs without tables of their own, only a word of the target
    // shows its language; names in capitals (PDF, XDS) stand in any text.
    const bool showsTarget = usesRussianTables(pair) ||
                             (!allLettersCapital(previous.word) && isWordValid(previous.word, pair.target) &&
                              pairwords::isWordOfScript(previous.word, pair.target));
    if (showsTarget && languageOf(previous.word, layouts) == pair.target) correct = decided = true;
  }
  if (correct && words::systemProtectedWords().count(lower)) correct = false;
  if (!hasTarget) correct = false;
  // A word with letters the English layout cannot type was not typed on it.
  if (pair.source == lang::english && hasLetterOffTheEnglishLayout(word)) correct = false;

  if (!correct) return std::nullopt;
  return Verdict{pair, converted, russianRules};
}

CorrectionRules::Folds CorrectionRules::wordEndFolds(const std::u16string& word, const Verdict& verdict,
                                                   const std::optional<FieldText>& field) {
  const LayoutAvailability& layouts = layoutAvailability();
  const LanguagePair& pair = verdict.pair;
  const std::u16string& converted = verdict.converted;
  // The history entries the correction rewrites, with their new words.
  const std::size_t newest = history_.words().size() - 1;
  Fold fold{count(word), converted, {{newest, converted}}, word};
  auto sameLayout = [&](const CompletedWord& entry) { return languageOf(entry.word, layouts) == pair.source; };
  foldPreceding(fold, newest, pair, verdict.russianRules, layouts, field);
  if (verdict.russianRules) {
    // A run of single letters typed on the wrong layout.
    if (count(word) == 1) {
      std::vector<std::u16string> letters{word};
      std::vector<std::u16string> convertedLetters{converted};
      std::vector<std::pair<std::size_t, std::u16string>> runRewritten{{newest, converted}};
      int runDeleteCount = 1;
      std::u16string runText = converted;
      std::u16string runTyped = word;
      for (std::size_t i = newest; i-- > 0 && letters.size() < 5;) {
        const auto& entry = history_.words()[i];
        if (count(entry.word) != 1 || (text::hasLetter(entry.word) && !sameLayout(entry))) break;
        std::u16string letter = convert(entry.word, false, layouts);
        letters.insert(letters.begin(), entry.word);
        convertedLetters.insert(convertedLetters.begin(), letter);
        runText = letter + entry.separator + runText;
        runTyped = entry.word + entry.separator + runTyped;
        runDeleteCount += 1 + entry.spaces();
        runRewritten.emplace_back(i, std::move(letter));
      }
      if (letters.size() > 2 && !LayoutMaps::isAlphabetSequence(letters) &&
          LayoutMaps::isAlphabetSequence(convertedLetters)) {
        fold = Fold{runDeleteCount, std::move(runText), std::move(runRewritten), std::move(runTyped)};
      }
    }
  }
  return {std::move(fold), Fold{count(word), converted, {{newest, converted}}, word}};
}

BRISQUEL_KEY_PATH std::optional<CorrectionRules::Verdict> CorrectionRules::midWord(const std::u16string& word) {
  // Three characters at least besides quotes, brackets and marks around them.
  const std::u16string_view core = text::trimPunctuation(text::trimOpeningMarks(word));
  if (count(core) < 3 || history_.leavesWordAsTyped() || history_.wordStartUnknown()) return std::nullopt;
  const LayoutAvailability& layouts = layoutAvailability();
  const LanguagePair pair = guessPair(word, layouts);
  if (pair.target.empty()) return std::nullopt;
  preparePairWords(pair);
  if (pair.source == lang::english && hasLetterOffTheEnglishLayout(word)) return std::nullopt;
  // The beginning of a word of the layout it was typed on: most keys end
  // here, before the costlier conversion. An opening quote or bracket is no
  // part of the word's beginning.
  if (isPrefixValid(text::trimOpeningMarks(word), pair.source)) return std::nullopt;
  if (isAbbreviation(word, pair, history_.words().size(), layouts)) return std::nullopt;
  // A dead key last waits for the next key, which decides the character.
  const TargetConversion conversion = convertForTarget(word, layouts, pair, true);
  if (conversion.waitsForKey) return std::nullopt;
  const std::u16string& converted = conversion.text;
  // After a word of the same layout, as at the word's end, and three letters
  // are too few to tell a name ("std", "ged") from a word of the target.
  if (!usesRussianTables(pair) && std::max(letterCount(core), letterCount(converted)) <= 3 &&
      !history_.words().empty() && languageOf(history_.words().back().word, layouts) == pair.source)
    return std::nullopt;
  // A hyphen, maqaf or apostrophe joins letters: such a word is judged whole, at its end.
  if (hasJoiner(core) || hasJoiner(text::trimPunctuation(converted))) return std::nullopt;
  // Five letters or more that began a word of this layout, and one more
  // that does not: a typo or a word the dictionary lacks, not the wrong
  // layout. Not for Latin letters: Greek typed on English keys follows the
  // sounds, and Greek roots begin English words too.
  const std::u16string_view before =
      std::u16string_view(word).substr(0, word.size() - text::characters(word).back().size());
  if (pair.source != lang::english && count(text::trimPunctuation(text::trimOpeningMarks(before))) >= 5 &&
      isPrefixValid(text::trimOpeningMarks(before), pair.source))
    return std::nullopt;
  if (losesLettersToPunctuation(word, converted) || !conversion.valid) return std::nullopt;
  if (learnedWords_) {
    const auto learnedWordsNow = learnedWords();
    const StringMap& learned = *learnedWordsNow;
    const std::string key = text::toUtf8(word);
    if (auto it = learned.find(key); it != learned.end() && it->second == key) return std::nullopt;
  }
  return Verdict{pair, converted, false};
}

CorrectionRules::Folds CorrectionRules::midWordFolds(const std::u16string& word, const Verdict& verdict,
                                                   int pendingCharacters, const std::optional<FieldText>& field) {
  const auto chars = text::characters(word);
  std::u16string typed;  // what the field has of it: all but the key being decided
  for (std::size_t i = 0; i + static_cast<std::size_t>(pendingCharacters) < chars.size(); ++i) typed += chars[i];
  Fold alone{count(word) - pendingCharacters, verdict.converted, {}, typed};
  Fold fold = alone;
  foldPreceding(fold, history_.words().size(), verdict.pair, false, layoutAvailability(), field);
  return {std::move(fold), std::move(alone)};
}

std::optional<CorrectionRules::Repair> CorrectionRules::previousWord(
    const std::u16string& word, const std::function<std::optional<FieldText>()>& readField) {
  if (history_.words().size() < 2) return std::nullopt;
  const LayoutAvailability& layouts = layoutAvailability();
  const std::size_t previousIndex = history_.words().size() - 2;
  const CompletedWord previous = history_.words()[previousIndex];
  const auto sourceOfWord = languageOf(word, layouts);
  const auto sourceOfPrevious = languageOf(previous.word, layouts);
  if (!sourceOfWord || !sourceOfPrevious) return std::nullopt;
  const std::u16string lowerPrevious = text::toLower(previous.word);
  if (lowerPrevious == u"и" || lowerPrevious == u"b") return std::nullopt;
  if (sourceOfWord == sourceOfPrevious) return std::nullopt;
  const LanguagePair pair{*sourceOfPrevious, *sourceOfWord};
  const bool russianPair = usesRussianTables(pair);
  std::u16string swapped;
  std::optional<FieldText> field;
  const std::u16string typed = previous.word + previous.separator + word;
  if (russianPair) {
    if (!words::ambiguousContextWords().count(lowerPrevious)) return std::nullopt;
    swapped = convert(previous.word, true, layouts);
    if (swapped == previous.word) return std::nullopt;
    // The forced swap gives Russian: no Cyrillic for someone who cannot type it.
    if (*sourceOfPrevious == lang::english && !layouts.has("ru")) return std::nullopt;
    if (languageOf(swapped, layouts) != sourceOfWord) return std::nullopt;
    if (text::characterCount(swapped) == 1 && !isSingleLetterWord(swapped, *sourceOfWord)) return std::nullopt;
    field = readField();
  } else {
    // The other pairs: the first word of a text, when the next one shows its language.
    if (*sourceOfPrevious != lang::english && *sourceOfWord != lang::english) return std::nullopt;
    auto reading = targetReading(previous.word, pair, false);
    if (!reading) return std::nullopt;
    swapped = std::move(*reading);
    field = readField();
    if (!startsFreshText(previousIndex, *sourceOfPrevious, field, typed.size(), layouts)) return std::nullopt;
  }

  const int deleteCount = count(word) + previous.spaces() + count(previous.word);
  std::u16string replacement = swapped + previous.separator + word;
  return Repair{previousIndex, swapped, Fold{deleteCount, std::move(replacement), {}, typed}, std::move(field)};
}

bool CorrectionRules::isAbbreviation(std::u16string_view word, const LanguagePair& pair, std::size_t before,
                                  const LayoutAvailability& layouts) const {
  // Capitals typed with Shift among words of the same layout (or with no
  // word before them) are an abbreviation such as TLS, meant as typed.
  // Typed with Caps Lock, or among words of the other layout, they are text
  // typed on the wrong layout.
  if (!hasInnerCapitals(word) || history_.typedWithCapsLock()) return false;
  // Shift on a layout whose script has no capitals (Arabic) types other
  // letters, not capitals; but letters typed on the English layout that are
  // capitals every one are an acronym whatever they would convert to.
  if (!hasInnerCapitals(convert(word, false, layouts)) && !(pair.source == lang::english && allLettersCapital(word)))
    return false;
  for (std::size_t i = before; i-- > 0;) {
    if (auto language = languageOf(history_.words()[i].word, layouts)) return *language == pair.source;
  }
  return true;
}

void CorrectionRules::foldPreceding(Fold& fold, std::size_t before, const LanguagePair& pair, bool ambiguousWords,
                                 const LayoutAvailability& layouts, const std::optional<FieldText>& field) {
  if (!usesRussianTables(pair)) return foldFreshText(fold, before, pair, layouts, field);
  // Earlier words typed on the same layout as the corrected one, newest
  // first: ambiguous words (word end only) and abbreviations left as typed
  // for want of context, which this correction now gives. A word already in
  // the right layout (or corrected before) ends the walk. Abbreviations only
  // where the text starts afresh: after words of the source layout they are
  // names meant as typed ("Extension E", "FileZilla.").
  std::optional<Fold> beforeCapitals;
  std::size_t first = before;
  for (std::size_t i = before; i-- > 0;) {
    const auto& entry = history_.words()[i];
    if (languageOf(entry.word, layouts) != pair.source) break;
    std::u16string swapped;
    if (ambiguousWords && isAmbiguousFor(entry.word, pair)) {
      swapped = convert(entry.word, true, layouts);
    } else if (hasInnerCapitals(entry.word)) {
      swapped = convert(entry.word, false, layouts);
      if (text::characterCount(entry.word) == 1) {
        if (!isSingleLetterWord(swapped, pair.target)) break;
      } else if ((pair.source == lang::english && !pairwords::isWordOfScript(swapped, pair.target)) ||
                 (isWordValid(entry.word, pair.source) && !isWordValid(swapped, pair.target))) {
        // Names typed right in English that give no word of Russian letters
        // (OS/2, 68HC11) stay, as does a word meant as typed.
        break;
      }
      if (!beforeCapitals && swapped != entry.word) beforeCapitals = fold;
    }
    if (swapped.empty() || swapped == entry.word) break;
    fold.deleteCount += count(entry.word) + entry.spaces();
    fold.text = swapped + entry.separator + fold.text;
    fold.typed = entry.word + entry.separator + fold.typed;
    fold.rewritten.emplace_back(i, std::move(swapped));
    first = i;
  }
  if (beforeCapitals && !startsFreshText(first, pair.source, field, fold.typed.size(), layouts))
    fold = std::move(*beforeCapitals);
}

bool CorrectionRules::readsAsTarget(std::u16string_view typed, std::u16string_view swapped, const LanguagePair& pair) {
  if (isAmbiguousFor(typed, pair)) return true;
  if (!pairwords::isWordOfScript(swapped, pair.target)) return false;
  const std::u16string_view letters = text::trimPunctuation(swapped);
  if (text::characterCount(letters) == 1) return isSingleLetterWord(letters, pair.target);
  return isWordValid(swapped, pair.target);
}

std::optional<std::u16string> CorrectionRules::targetReading(std::u16string_view typed, const LanguagePair& pair,
                                                          bool capitals) {
  KeyTables::Conversion conversion =
      convertBetween(typed, LayoutMaps::layoutCode(pair.source), LayoutMaps::layoutCode(pair.target));
  // Of two readings (Greek Σ: Shift+S or Shift+W) the ordinary word wins ("We", not "Se").
  if (!conversion.otherReading.empty() && !isWordValid(text::toLower(conversion.text), pair.target) &&
      isWordValid(text::toLower(conversion.otherReading), pair.target))
    std::swap(conversion.text, conversion.otherReading);
  for (std::u16string* reading : {&conversion.text, &conversion.otherReading}) {
    if (reading->empty() || *reading == typed) continue;
    if (readsAsTarget(typed, *reading, pair)) return std::move(*reading);
    // Capitals left as typed for want of context, as the tables of English
    // and Russian take them: unless they are a word meant as typed.
    if (capitals && hasInnerCapitals(typed) && pairwords::isWordOfScript(*reading, pair.target) &&
        !isWordValid(typed, pair.source))
      return std::move(*reading);
  }
  return std::nullopt;
}

void CorrectionRules::foldFreshText(Fold& fold, std::size_t before, const LanguagePair& pair,
                                 const LayoutAvailability& layouts, const std::optional<FieldText>& field) {
  // Earlier words that the same layout's keys typed and that read as words
  // of the target: the first words of a sentence, short and plausible both
  // ways, which nothing corrected for want of context. They are taken only
  // where nothing before them shows the person writing the source language
  // ("send it to" and a Hebrew word keeps "to").
  Fold taken = fold;
  std::size_t first = before;
  for (std::size_t i = before; i-- > 0;) {
    const auto& entry = history_.words()[i];
    auto swapped = targetReading(entry.word, pair, true);
    if (!swapped) break;
    taken.deleteCount += count(entry.word) + entry.spaces();
    taken.text = *swapped + entry.separator + taken.text;
    taken.typed = entry.word + entry.separator + taken.typed;
    taken.rewritten.emplace_back(i, std::move(*swapped));
    first = i;
  }
  if (first == before || !startsFreshText(first, pair.source, field, taken.typed.size(), layouts)) return;
  fold = std::move(taken);
}

}  // namespace brisquel
