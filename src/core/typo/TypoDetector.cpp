// SPDX-License-Identifier: MIT
#include "typo/TypoDetector.h"

#include <unicode/uchar.h>
#include <unicode/uscript.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <utility>

#include "base/KeyCodes.h"
#include "base/Text.h"
#include "typo/PairWords.h"
#include "typo/WordTables.h"

namespace brisquel {
namespace {

int count(std::u16string_view s) {
  return static_cast<int>(text::characterCount(s));
}

std::u16string withoutEmoji(std::u16string_view s) {
  std::u16string out;
  for (auto c : text::characters(s))
    if (!LayoutMaps::isEmojiOrSymbol(c)) out += c;
  return out;
}

void dropLastCharacter(std::u16string& s) {
  if (s.empty()) return;
  s.resize(s.size() - text::characters(s).back().size());
}

bool allUnits(std::u16string_view s, bool (*test)(char16_t)) {
  return !s.empty() && std::all_of(s.begin(), s.end(), test);
}

// Keys that move the caret or delete after it (Forward Delete, Home, End)
// carry characters of the private-use block the system reserves for them.
bool isFunctionKeyText(std::u16string_view s) {
  return allUnits(s, [](char16_t c) { return c >= 0xF700 && c <= 0xF8FF; });
}

// Escape and other control characters that are not white space.
bool isControlText(std::u16string_view s) {
  return allUnits(s, [](char16_t c) { return (c < 0x20 || c == 0x7F) && !text::isWhiteSpace(c); });
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

int CompletedWord::spaces() const {
  return count(separator);
}

std::shared_ptr<TypoDetector> TypoDetector::create(TypoDetectorPorts ports, LearnedWordsStore learnedWords) {
  return std::make_shared<TypoDetector>(ports, std::move(learnedWords));
}

TypoDetector::TypoDetector(TypoDetectorPorts ports, LearnedWordsStore learnedWords)
    : ports_(ports), learnedWordsStore_(std::move(learnedWords)) {}

double TypoDetector::now() const {
  return ports_.clock.now();
}

std::shared_ptr<const StringMap> TypoDetector::learnedWords() const {
  static const auto none = std::make_shared<const StringMap>();
  auto words = learnedWordsStore_.get ? learnedWordsStore_.get() : nullptr;
  return words ? words : none;
}

std::u16string TypoDetector::transliterate(std::u16string_view text, bool forceSwap) const {
  return convert(text, forceSwap, layoutAvailability());
}

LanguagePair TypoDetector::guessLanguagePair(std::u16string_view word) const {
  return LayoutMaps::instance().guessLanguagePair(word, layoutAvailability());
}

std::string TypoDetector::layoutCodeFor(const LanguagePair& pair) const {
  return pair.source == lang::english ? LayoutMaps::layoutCode(pair.target) : "en";
}

void TypoDetector::clearBuffer() {
  leaveWordAsTyped_ = false;
  wordStartUnknown_ = false;
  buffer_.clear();
  lastCompletedWord_.clear();
  lastCompletedWordTrailingSpaces_ = 0;
  completedWordsHistory_.clear();
  historyLostWords_ = false;
}

// ---- Key events ------------------------------------------------------------

bool TypoDetector::process(const KeyEvent& event, const ChangeLayoutAction& changeLayoutAction) {
  if (event.type == EventType::FlagsChanged) return processFlagsChanged(event, changeLayoutAction);
  if (event.type != EventType::KeyDown) return false;
  if (isSimulating_) return false;
  // Too soon after our own keys to judge: kept, so that the buffer stays the
  // word in the field, but not checked.
  const bool tooSoon = isWithin(now() - lastSimulationEndTime_, simulationCooldown);
  if (event.flags & Flags::Option) {
    optionPressedAlone_ = false;
    return false;
  }
  if (event.flags & (Flags::Command | Flags::Control | Flags::Fn)) {
    // A shortcut may cut, paste or select all: the words before the caret are no longer known.
    clearBuffer();
    return false;
  }
  if (!event.characters || event.characters->empty()) return false;
  if (event.keyCode == KeyCode::Delete) {
    if (buffer_.empty() && lastCompletedWord_.empty() && !completedWordsHistory_.empty()) {
      // Back to the word before, which the history knows.
      lastCompletedWord_ = completedWordsHistory_.back().word;
      lastCompletedWordTrailingSpaces_ = completedWordsHistory_.back().spaces();
    }
    if (buffer_.empty() && lastCompletedWord_.empty()) {
      // Into text typed before anything known: where the field's text cannot
      // be read, the word the next keys join is unknown, so it stays as typed.
      // Read once per run of such keys: a held BackSpace repeats.
      if (!wordStartUnknown_ && !readField(false)) wordStartUnknown_ = true;
    } else if (!buffer_.empty()) {
      dropLastCharacter(buffer_);
    } else if (!lastCompletedWord_.empty()) {
      // Keep the separator true to the text, and when the last word itself
      // is erased into, it is the word being typed again.
      if (lastCompletedWordTrailingSpaces_ > 1) {
        --lastCompletedWordTrailingSpaces_;
        if (!completedWordsHistory_.empty()) dropLastCharacter(completedWordsHistory_.back().separator);
      } else if (lastCompletedWordTrailingSpaces_ == 1) {
        // The separator is gone: what is typed next goes on with the word.
        buffer_ = std::exchange(lastCompletedWord_, {});
        lastCompletedWordTrailingSpaces_ = 0;
        if (!completedWordsHistory_.empty()) completedWordsHistory_.pop_back();
      } else {
        buffer_ = lastCompletedWord_;
        dropLastCharacter(buffer_);
        lastCompletedWord_.clear();
        if (!completedWordsHistory_.empty()) completedWordsHistory_.pop_back();
      }
    }
    return false;
  }
  const std::u16string& characters = *event.characters;
  if (event.keyCode == KeyCode::ForwardDelete) {
    // The caret stays; the word may now run into what followed it.
    if (!buffer_.empty()) leaveWordAsTyped_ = true;
    return false;
  }
  if (event.keyCode == KeyCode::LeftArrow || event.keyCode == KeyCode::RightArrow || event.keyCode == KeyCode::UpArrow ||
      event.keyCode == KeyCode::DownArrow || isFunctionKeyText(characters)) {
    clearBuffer();  // the caret moved: the words before it are not the ones typed last
    return false;
  }
  if (isControlText(characters)) {
    // Escape types nothing but ends the word: it can still be converted by
    // hand, and what follows is a new word.
    leaveWordAsTyped_ = false;
    if (wordStartUnknown_) clearBuffer();
    finishWord({});
    return false;
  }
  if (!text::containsWhiteSpace(characters)) {
    std::u16string typed = withoutEmoji(characters);
    if (typed.empty()) return false;
    // Right after the last word with nothing between (Escape ended it, or it
    // was just converted by hand): the keys go on with it.
    if (buffer_.empty() && !lastCompletedWord_.empty() && lastCompletedWordTrailingSpaces_ == 0) {
      buffer_ = std::exchange(lastCompletedWord_, {});
      auto& history = completedWordsHistory_;
      if (!history.empty() && history.back().word == buffer_ && history.back().separator.empty()) history.pop_back();
    }
    // Caps Lock on for any key of the word: capitals that mean nothing by themselves.
    typedWithCapsLock_ = (!buffer_.empty() && typedWithCapsLock_) || (event.flags & Flags::CapsLock) != 0;
    buffer_ += typed;
    auto tail = text::lastCharacters(buffer_, maxBufferSize);
    if (tail.size() != buffer_.size()) buffer_ = std::u16string(tail);
    const int pending = std::min(count(typed), count(buffer_));
    return !tooSoon && checkMidWord(std::u16string(buffer_), changeLayoutAction, pending);
  }
  if (wordStartUnknown_) {  // nor is it a word the rules can reach back over
    clearBuffer();
    return false;
  }
  const bool leaveAsTyped = std::exchange(leaveWordAsTyped_, false);
  if (!finishWord(characters) || leaveAsTyped || tooSoon) return false;
  return checkWordOnSeparator(lastCompletedWord_, characters, changeLayoutAction);
}

bool TypoDetector::finishWord(const std::u16string& separator) {
  std::u16string word = std::move(buffer_);
  buffer_.clear();
  const int spaces = count(separator);
  if (word.empty()) {
    // More white space after the last word: it still counts as the word's
    // separator, so that corrections reaching back over it delete exactly
    // what is in the text and the manual conversion still finds the word.
    if (!lastCompletedWord_.empty() && !completedWordsHistory_.empty()) {
      lastCompletedWordTrailingSpaces_ += spaces;
      completedWordsHistory_.back().separator += separator;
    } else {
      lastCompletedWord_.clear();
      lastCompletedWordTrailingSpaces_ = spaces;
    }
    return false;
  }
  completedWordsHistory_.push_back({word, separator});
  if (completedWordsHistory_.size() > static_cast<std::size_t>(maxHistorySize)) {
    completedWordsHistory_.erase(completedWordsHistory_.begin());
    historyLostWords_ = true;
  }
  lastCompletedWord_ = std::move(word);
  lastCompletedWordTrailingSpaces_ = spaces;
  return true;
}

bool TypoDetector::processFlagsChanged(const KeyEvent& event, const ChangeLayoutAction& changeLayoutAction) {
  const bool wasDown = isOptionCurrentlyDown_;
  isOptionCurrentlyDown_ = (event.flags & Flags::Option) != 0;
  const bool otherModifier = (event.flags & (Flags::Shift | Flags::Control | Flags::Command)) != 0;
  if (wasDown && !isOptionCurrentlyDown_) {
    if (optionPressedAlone_ && !isSimulating_) {
      const double t = now();
      const double held = t - optionDownAt_;
      const double sinceLastUp = t - lastOptionUpTime_;
      bool acted = false;
      if (isWithin(held, lonePressMaxHold) && !isWithin(t - lastFixTime_, fixDebounceInterval)) {
        lastFixTime_ = t;
        scheduleOnMain(!isWithin(sinceLastUp, doublePressInterval) ? &TypoDetector::performManualToggle
                                                                   : &TypoDetector::performDoublePressFix,
                       changeLayoutAction);
        acted = true;
      }
      lastOptionUpTime_ = t;
      optionPressedAlone_ = false;
      // The application must not take the release for a lone press of its own
      // (menu bars take the focus on one).
      return acted;
    }
    optionPressedAlone_ = false;
  } else if (!wasDown && isOptionCurrentlyDown_) {
    if (otherModifier) {
      optionPressedAlone_ = false;
    } else {
      optionDownAt_ = now();
      optionPressedAlone_ = true;
    }
  } else if (isOptionCurrentlyDown_ && otherModifier) {
    optionPressedAlone_ = false;
  }
  return false;
}

void TypoDetector::scheduleOnMain(void (TypoDetector::*action)(const ChangeLayoutAction&),
                                  ChangeLayoutAction changeLayoutAction) {
  ports_.mainQueue.async([weak = weak_from_this(), action, changeLayoutAction = std::move(changeLayoutAction)] {
    if (auto self = weak.lock()) ((*self).*action)(changeLayoutAction);
  });
}

// ---- Spelling --------------------------------------------------------------

std::u16string TypoDetector::validityKey(char16_t kind, const std::string& language, std::u16string_view text) {
  // Two units before the text: short words fit the string's own buffer.
  auto tag = std::find(validityLanguages_.begin(), validityLanguages_.end(), language);
  if (tag == validityLanguages_.end()) tag = validityLanguages_.insert(tag, language);
  std::u16string key;
  key.reserve(text.size() + 2);
  key += kind;
  key += static_cast<char16_t>(tag - validityLanguages_.begin());
  key += text;
  return key;
}

bool TypoDetector::isWordValid(std::u16string_view word, const std::string& language) {
  // Two letters at least, not counting the punctuation the checker strips ("T/" is no word).
  if (text::characterCount(text::trimPunctuation(word)) < 2) return false;
  std::u16string key = validityKey(u'w', language, word);
  if (auto it = validityCache_.find(key); it != validityCache_.end()) return it->second;
  bool valid = ports_.spelling.isWordCorrect(word, language);
  // A dictionary still loading answers false; that answer must not stick.
  if (!ports_.spelling.isReady(language)) return valid;
  if (validityCache_.size() > maxCacheSize) validityCache_.clear();
  validityCache_.emplace(std::move(key), valid);
  return valid;
}

bool TypoDetector::isPrefixValid(std::u16string_view prefix, const std::string& language) {
  if (text::characterCount(text::trimPunctuation(prefix)) < 2) return false;
  std::u16string key = validityKey(u'p', language, prefix);
  if (auto it = validityCache_.find(key); it != validityCache_.end()) return it->second;
  bool valid = ports_.spelling.hasCompletions(prefix, language) || isWordValid(prefix, language);
  if (!ports_.spelling.isReady(language)) return valid;
  validityCache_.emplace(std::move(key), valid);
  return valid;
}

// ---- Correction rules ------------------------------------------------------

std::optional<std::string> TypoDetector::languageOf(std::u16string_view word, const LayoutAvailability& layouts) const {
  // Numbers, dashes and signs are written the same on every layout.
  if (!text::hasLetter(word)) return std::nullopt;
  std::string source = LayoutMaps::instance().guessLanguagePair(word, layouts).source;
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

bool TypoDetector::checkWordOnSeparator(const std::u16string& word, const std::u16string& separator,
                                        const ChangeLayoutAction& changeLayoutAction) {
  const LayoutAvailability& layouts = layoutAvailability();
  const auto& maps = LayoutMaps::instance();
  const LanguagePair pair = maps.guessLanguagePair(word, layouts);
  const bool hasTarget = !pair.target.empty();
  preparePairWords(pair);
  // Letters of the layout's script only: Shift on the Arabic layout types a
  // vowel mark first ("ٍاخص" for "Show"), which the dictionary overlooks.
  const bool sourceValid = isWordValid(word, pair.source) && pairwords::isWordOfScript(word, pair.source);
  const TargetConversion conversion = convertForTarget(word, layouts, pair, false);
  const std::u16string& converted = conversion.text;
  const bool targetValid = hasTarget && conversion.valid;
  const std::u16string lower = text::toLower(word);
  const bool hasPrevious = completedWordsHistory_.size() >= 2;
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
      isAbbreviation(word, pair, completedWordsHistory_.size() - 1, layouts) && !capitalsOnlyWord;

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
    const std::u16string& previous = completedWordsHistory_[completedWordsHistory_.size() - 2].word;
    return languageOf(previous, layouts) == pair.source && !targetReading(previous, pair, false);
  };
  if (!decided && !sourceValid && targetValid && !abbreviation && !shortAfterOwnLayout()) correct = decided = true;
  if (!decided && hasPrevious && !abbreviation && isAmbiguousFor(word, pair) && tablesApply()) {
    const auto& previous = completedWordsHistory_[completedWordsHistory_.size() - 2];
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

  if (!correct) return repairPreviousWord(word, separator);

  if (word == lastAutoSwitchWord_ && isWithin(now() - lastAutoSwitchTime_, antiLoopInterval)) return false;

  // The history entries the correction rewrites, with their new words.
  const std::size_t newest = completedWordsHistory_.size() - 1;
  Fold fold{count(word), converted, {{newest, converted}}, word};
  auto sameLayout = [&](const CompletedWord& entry) { return languageOf(entry.word, layouts) == pair.source; };
  // Everything it deletes must be the words typed, as the field shows them where it can.
  const auto field = readField(false);
  foldPreceding(fold, newest, pair, russianRules, layouts, field);
  int deleteCount = fold.deleteCount;
  std::u16string replacement = fold.text;
  std::u16string typed = fold.typed;
  auto rewritten = std::move(fold.rewritten);
  if (russianRules) {
    // A run of single letters typed on the wrong layout.
    if (count(word) == 1) {
      std::vector<std::u16string> letters{word};
      std::vector<std::u16string> convertedLetters{converted};
      std::vector<std::pair<std::size_t, std::u16string>> runRewritten{{newest, converted}};
      int runDeleteCount = 1;
      std::u16string runText = converted;
      std::u16string runTyped = word;
      for (std::size_t i = newest; i-- > 0 && letters.size() < 5;) {
        const auto& entry = completedWordsHistory_[i];
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
        deleteCount = runDeleteCount;
        replacement = runText;
        typed = std::move(runTyped);
        rewritten = std::move(runRewritten);
      }
    }
  }
  // Where the earlier words cannot be reached exactly, the word alone is corrected.
  if (!canReplace(deleteCount) && deleteCount != count(word)) {
    deleteCount = count(word);
    replacement = converted;
    typed = word;
    rewritten = {{newest, converted}};
  }
  if (!canReplace(deleteCount)) return false;
  if (!beginsAWordInField(field, deleteCount, typed)) return false;
  isSimulating_ = true;
  lastAutoSwitchTime_ = now();
  lastAutoSwitchWord_ = word;
  lastAutoSwitchResult_ = converted;
  lastAutoSwitchWasMidWord_ = false;
  const std::string code = layoutCodeFor(pair);
  const bool typedKeys = replaceBeforeCursor(field, deleteCount, replacement, &separator);
  if (changeLayoutAction) changeLayoutAction(code);
  finishSimulation();
  // The text now holds the corrected words; the rules that look back see them.
  for (auto& [index, corrected] : rewritten) completedWordsHistory_[index].word = std::move(corrected);
  lastCompletedWord_ = converted;
  return typedKeys;
}

bool TypoDetector::isAbbreviation(std::u16string_view word, const LanguagePair& pair, std::size_t before,
                                  const LayoutAvailability& layouts) const {
  // Capitals typed with Shift among words of the same layout (or with no
  // word before them) are an abbreviation such as TLS, meant as typed.
  // Typed with Caps Lock, or among words of the other layout, they are text
  // typed on the wrong layout.
  if (!hasInnerCapitals(word) || typedWithCapsLock_) return false;
  // Shift on a layout whose script has no capitals (Arabic) types other
  // letters, not capitals; but letters typed on the English layout that are
  // capitals every one are an acronym whatever they would convert to.
  if (!hasInnerCapitals(convert(word, false, layouts)) && !(pair.source == lang::english && allLettersCapital(word)))
    return false;
  for (std::size_t i = before; i-- > 0;) {
    if (auto language = languageOf(completedWordsHistory_[i].word, layouts)) return *language == pair.source;
  }
  return true;
}

void TypoDetector::foldPreceding(Fold& fold, std::size_t before, const LanguagePair& pair, bool ambiguousWords,
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
    const auto& entry = completedWordsHistory_[i];
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

bool TypoDetector::readsAsTarget(std::u16string_view typed, std::u16string_view swapped, const LanguagePair& pair) {
  if (isAmbiguousFor(typed, pair)) return true;
  if (!pairwords::isWordOfScript(swapped, pair.target)) return false;
  const std::u16string_view letters = text::trimPunctuation(swapped);
  if (text::characterCount(letters) == 1) return isSingleLetterWord(letters, pair.target);
  return isWordValid(swapped, pair.target);
}

std::optional<std::u16string> TypoDetector::targetReading(std::u16string_view typed, const LanguagePair& pair,
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

void TypoDetector::foldFreshText(Fold& fold, std::size_t before, const LanguagePair& pair,
                                 const LayoutAvailability& layouts, const std::optional<FieldText>& field) {
  // Earlier words that the same layout's keys typed and that read as words
  // of the target: the first words of a sentence, short and plausible both
  // ways, which nothing corrected for want of context. They are taken only
  // where nothing before them shows the person writing the source language
  // ("send it to" and a Hebrew word keeps "to").
  Fold taken = fold;
  std::size_t first = before;
  for (std::size_t i = before; i-- > 0;) {
    const auto& entry = completedWordsHistory_[i];
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

bool TypoDetector::repairPreviousWord(const std::u16string& word, const std::u16string& separator) {
  if (completedWordsHistory_.size() < 2) return false;
  const LayoutAvailability& layouts = layoutAvailability();
  const std::size_t previousIndex = completedWordsHistory_.size() - 2;
  const CompletedWord previous = completedWordsHistory_[previousIndex];
  const auto sourceOfWord = languageOf(word, layouts);
  const auto sourceOfPrevious = languageOf(previous.word, layouts);
  if (!sourceOfWord || !sourceOfPrevious) return false;
  const std::u16string lowerPrevious = text::toLower(previous.word);
  if (lowerPrevious == u"и" || lowerPrevious == u"b") return false;
  if (sourceOfWord == sourceOfPrevious) return false;
  const LanguagePair pair{*sourceOfPrevious, *sourceOfWord};
  const bool russianPair = usesRussianTables(pair);
  std::u16string swapped;
  std::optional<FieldText> field;
  const std::u16string typed = previous.word + previous.separator + word;
  if (russianPair) {
    if (!words::ambiguousContextWords().count(lowerPrevious)) return false;
    swapped = convert(previous.word, true, layouts);
    if (swapped == previous.word) return false;
    // The forced swap gives Russian: no Cyrillic for someone who cannot type it.
    if (*sourceOfPrevious == lang::english && !layouts.has("ru")) return false;
    if (languageOf(swapped, layouts) != sourceOfWord) return false;
    if (text::characterCount(swapped) == 1 && !isSingleLetterWord(swapped, *sourceOfWord)) return false;
    field = readField(false);
  } else {
    // The other pairs: the first word of a text, when the next one shows its language.
    if (*sourceOfPrevious != lang::english && *sourceOfWord != lang::english) return false;
    auto reading = targetReading(previous.word, pair, false);
    if (!reading) return false;
    swapped = std::move(*reading);
    field = readField(false);
    if (!startsFreshText(previousIndex, *sourceOfPrevious, field, typed.size(), layouts)) return false;
  }

  const int deleteCount = count(word) + previous.spaces() + count(previous.word);
  if (!canReplace(deleteCount)) return false;
  if (!beginsAWordInField(field, deleteCount, typed)) return false;
  isSimulating_ = true;
  const std::u16string replacement = swapped + previous.separator + word;
  const bool typedKeys = replaceBeforeCursor(field, deleteCount, replacement, &separator);
  finishSimulation();
  completedWordsHistory_[previousIndex].word = swapped;
  return typedKeys;
}

bool TypoDetector::checkMidWord(const std::u16string& word, const ChangeLayoutAction& changeLayoutAction,
                                int pendingCharacters) {
  // Three characters at least besides quotes, brackets and marks around them.
  const std::u16string_view core = text::trimPunctuation(text::trimOpeningMarks(word));
  if (count(core) < 3 || leaveWordAsTyped_ || wordStartUnknown_) return false;
  const LayoutAvailability& layouts = layoutAvailability();
  const auto& maps = LayoutMaps::instance();
  const LanguagePair pair = maps.guessLanguagePair(word, layouts);
  if (pair.target.empty()) return false;
  preparePairWords(pair);
  if (pair.source == lang::english && hasLetterOffTheEnglishLayout(word)) return false;
  if (isAbbreviation(word, pair, completedWordsHistory_.size(), layouts)) return false;
  // A dead key last waits for the next key, which decides the character.
  const TargetConversion conversion = convertForTarget(word, layouts, pair, true);
  if (conversion.waitsForKey) return false;
  const std::u16string& converted = conversion.text;
  // After a word of the same layout, as at the word's end, and three letters
  // are too few to tell a name ("std", "ged") from a word of the target.
  if (!usesRussianTables(pair) && std::max(letterCount(core), letterCount(converted)) <= 3 &&
      !completedWordsHistory_.empty() && languageOf(completedWordsHistory_.back().word, layouts) == pair.source)
    return false;
  // A hyphen, maqaf or apostrophe joins letters: such a word is judged whole, at its end.
  if (hasJoiner(core) || hasJoiner(text::trimPunctuation(converted))) return false;
  // An opening quote or bracket is no part of the word's beginning.
  if (isPrefixValid(text::trimOpeningMarks(word), pair.source)) return false;
  // Five letters or more that began a word of this layout, and one more
  // that does not: a typo or a word the dictionary lacks, not the wrong
  // layout. Not for Latin letters: Greek typed on English keys follows the
  // sounds, and Greek roots begin English words too.
  const std::u16string_view before =
      std::u16string_view(word).substr(0, word.size() - text::characters(word).back().size());
  if (pair.source != lang::english && count(text::trimPunctuation(text::trimOpeningMarks(before))) >= 5 &&
      isPrefixValid(text::trimOpeningMarks(before), pair.source))
    return false;
  if (losesLettersToPunctuation(word, converted) || !conversion.valid) return false;
  if (learnedWordsStore_.get) {
    const auto learnedWordsNow = learnedWords();
    const StringMap& learned = *learnedWordsNow;
    const std::string key = text::toUtf8(word);
    if (auto it = learned.find(key); it != learned.end() && it->second == key) return false;
  }
  if (word == lastAutoSwitchWord_ && isWithin(now() - lastAutoSwitchTime_, antiLoopInterval)) return false;
  const auto chars = text::characters(word);
  std::u16string typed;  // what the field has of it: all but the key being decided
  for (std::size_t i = 0; i + static_cast<std::size_t>(pendingCharacters) < chars.size(); ++i) typed += chars[i];
  Fold fold{count(word) - pendingCharacters, converted, {}, typed};
  const auto field = readField(false);
  foldPreceding(fold, completedWordsHistory_.size(), pair, false, layouts, field);
  if (!canReplace(fold.deleteCount)) fold = Fold{count(word) - pendingCharacters, converted, {}, typed};
  if (!canReplace(fold.deleteCount)) return false;
  if (!beginsAWordInField(field, fold.deleteCount, fold.typed)) return false;

  isSimulating_ = true;
  lastAutoSwitchTime_ = now();
  lastAutoSwitchWord_ = word;
  lastAutoSwitchResult_ = converted;  // so that Option right away undoes it
  lastAutoSwitchWasMidWord_ = true;
  const std::string code = layoutCodeFor(pair);
  replaceBeforeCursor(field, fold.deleteCount, fold.text, nullptr);
  finishSimulation();
  for (auto& [index, corrected] : fold.rewritten) completedWordsHistory_[index].word = std::move(corrected);
  buffer_ = converted;
  if (changeLayoutAction) changeLayoutAction(code);
  return true;
}

}  // namespace brisquel
