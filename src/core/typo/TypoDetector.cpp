#include "typo/TypoDetector.h"

#include <algorithm>

#include "base/Text.h"
#include "typo/WordTables.h"

namespace brisquel {
namespace {

std::shared_ptr<TypoDetector>& sharedSlot() {
  static std::shared_ptr<TypoDetector> detector;
  return detector;
}

int count(std::u16string_view s) {
  return static_cast<int>(text::characterCount(s));
}

bool isAmbiguous(std::u16string_view word) {
  return words::ambiguousContextWords().count(text::toLower(word)) > 0;
}

std::u16string withoutEmoji(std::u16string_view s) {
  std::u16string out;
  for (auto c : text::characters(s))
    if (!LayoutMaps::isEmojiOrSymbol(c)) out += c;
  return out;
}

}  // namespace

std::shared_ptr<TypoDetector> TypoDetector::create(const Platform& platform, LearnedWordsStore learnedWords) {
  return std::make_shared<TypoDetector>(platform, std::move(learnedWords));
}

std::shared_ptr<TypoDetector> TypoDetector::shared() {
  return sharedSlot();
}
void TypoDetector::setShared(std::shared_ptr<TypoDetector> detector) {
  sharedSlot() = std::move(detector);
}

TypoDetector::TypoDetector(const Platform& platform, LearnedWordsStore learnedWords)
    : platform_(platform), learnedWordsStore_(std::move(learnedWords)) {}

double TypoDetector::now() const {
  return platform_.clock ? platform_.clock->now() : 0.0;
}

std::shared_ptr<const StringMap> TypoDetector::learnedWords() const {
  static const auto none = std::make_shared<const StringMap>();
  auto words = learnedWordsStore_.get ? learnedWordsStore_.get() : nullptr;
  return words ? words : none;
}

LayoutAvailability TypoDetector::layoutAvailability() const {
  LayoutAvailability layouts;
  if (!platform_.inputSources) return layouts;
  layouts.known = true;
  for (const auto& source : platform_.inputSources->enabledInputSources()) {
    if (!source || source->category != kKeyboardInputSourceCategory || source->selectCapable != true) continue;
    if (source->languages)
      for (const auto& language : *source->languages) layouts.codes.insert(language);
  }
  return layouts;
}

std::u16string TypoDetector::transliterate(std::u16string_view text, bool forceSwap) const {
  if (forceSwap) return LayoutMaps::instance().transliterate(text, true, LayoutAvailability{});
  return LayoutMaps::instance().transliterate(text, false, layoutAvailability());
}

LanguagePair TypoDetector::guessLanguagePair(std::u16string_view word) const {
  return LayoutMaps::instance().guessLanguagePair(word, layoutAvailability());
}

std::string TypoDetector::layoutCodeFor(const LanguagePair& pair) const {
  return pair.source == lang::english ? LayoutMaps::layoutCode(pair.target) : "en";
}

void TypoDetector::clearBuffer() {
  buffer_.clear();
  lastCompletedWord_.clear();
  lastCompletedWordTrailingSpaces_ = 0;
  completedWordsHistory_.clear();
}

// ---- Key events ------------------------------------------------------------

bool TypoDetector::process(const KeyEvent& event, const ChangeLayoutAction& changeLayoutAction) {
  if (event.type == EventType::FlagsChanged) return processFlagsChanged(event, changeLayoutAction);
  if (event.type != EventType::KeyDown) return false;
  if (isSimulating_) return false;
  if (isWithin(now() - lastSimulationEndTime_, simulationCooldown)) return false;
  if (event.flags & Flags::Option) {
    optionPressedAlone_ = false;
    return false;
  }
  if (event.flags & (Flags::Command | Flags::Control | Flags::Fn)) {
    buffer_.clear();
    return false;
  }
  if (!event.characters || event.characters->empty()) return false;
  if (event.keyCode == backspaceKeyCode) {
    if (!buffer_.empty()) {
      auto chars = text::characters(buffer_);
      buffer_.resize(buffer_.size() - chars.back().size());
    } else if (!lastCompletedWord_.empty()) {
      // Keep the separator count true to the text, and when the last word
      // itself is erased into, it is the word being typed again.
      if (lastCompletedWordTrailingSpaces_ > 0) {
        --lastCompletedWordTrailingSpaces_;
        if (!completedWordsHistory_.empty() && completedWordsHistory_.back().spaces > 0)
          --completedWordsHistory_.back().spaces;
      } else {
        auto chars = text::characters(lastCompletedWord_);
        buffer_ = lastCompletedWord_.substr(0, lastCompletedWord_.size() - chars.back().size());
        lastCompletedWord_.clear();
        if (!completedWordsHistory_.empty()) completedWordsHistory_.pop_back();
      }
    }
    return false;
  }
  if (event.keyCode == leftArrowKeyCode || event.keyCode == rightArrowKeyCode || event.keyCode == upArrowKeyCode ||
      event.keyCode == downArrowKeyCode) {
    buffer_.clear();
    lastCompletedWord_.clear();
    lastCompletedWordTrailingSpaces_ = 0;
    return false;
  }
  const std::u16string& characters = *event.characters;
  if (!text::containsWhiteSpace(characters)) {
    std::u16string typed = withoutEmoji(characters);
    if (typed.empty()) return false;
    buffer_ += typed;
    auto tail = text::lastCharacters(buffer_, maxBufferSize);
    if (tail.size() != buffer_.size()) buffer_ = std::u16string(tail);
    const int pending = std::min(count(typed), count(buffer_));
    return checkMidWord(std::u16string(buffer_), changeLayoutAction, pending);
  }
  std::u16string word = std::move(buffer_);
  buffer_.clear();
  int spaces = count(characters);
  if (word.empty()) {
    // More white space after the last word: it still counts as the word's
    // separator, so that corrections reaching back over it delete exactly
    // what is in the text and the manual conversion still finds the word.
    if (!lastCompletedWord_.empty() && !completedWordsHistory_.empty()) {
      lastCompletedWordTrailingSpaces_ += spaces;
      completedWordsHistory_.back().spaces += spaces;
    } else {
      lastCompletedWord_.clear();
      lastCompletedWordTrailingSpaces_ = spaces;
    }
    return false;
  }
  completedWordsHistory_.push_back({word, spaces});
  if (completedWordsHistory_.size() > static_cast<std::size_t>(maxHistorySize))
    completedWordsHistory_.erase(completedWordsHistory_.begin());
  lastCompletedWord_ = word;
  lastCompletedWordTrailingSpaces_ = spaces;
  return checkWordOnSeparator(word, characters, changeLayoutAction);
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
      if (isWithin(held, lonePressMaxHold) && !isWithin(t - lastFixTime_, fixDebounceInterval)) {
        lastFixTime_ = t;
        scheduleOnMain(!isWithin(sinceLastUp, doublePressInterval) ? &TypoDetector::performManualToggle
                                                                   : &TypoDetector::performDoublePressFix,
                       changeLayoutAction);
      }
      lastOptionUpTime_ = t;
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
  if (!platform_.mainQueue) return;
  platform_.mainQueue->async([weak = weak_from_this(), action, changeLayoutAction = std::move(changeLayoutAction)] {
    if (auto self = weak.lock()) ((*self).*action)(changeLayoutAction);
  });
}

// ---- Spelling --------------------------------------------------------------

bool TypoDetector::isWordValid(std::u16string_view word, const std::string& language) {
  if (text::characterCount(word) < 2) return false;
  std::string key = language + ":" + text::toUtf8(word);
  if (auto it = validityCache_.find(key); it != validityCache_.end()) return it->second;
  if (!platform_.spelling) return false;
  bool valid = platform_.spelling->isWordCorrect(word, language);
  // A dictionary still loading answers false; that answer must not stick.
  if (!platform_.spelling->isReady(language)) return valid;
  if (validityCache_.size() > maxCacheSize) validityCache_.clear();
  validityCache_.emplace(std::move(key), valid);
  return valid;
}

bool TypoDetector::isPrefixValid(std::u16string_view prefix, const std::string& language) {
  if (text::characterCount(prefix) < 2) return false;
  std::string key = "pre:" + language + ":" + text::toUtf8(prefix);
  if (auto it = validityCache_.find(key); it != validityCache_.end()) return it->second;
  if (!platform_.spelling) return false;
  bool valid = platform_.spelling->hasCompletions(prefix, language) || isWordValid(prefix, language);
  if (!platform_.spelling->isReady(language)) return valid;
  validityCache_.emplace(std::move(key), valid);
  return valid;
}

// ---- Correction rules ------------------------------------------------------

bool TypoDetector::checkWordOnSeparator(const std::u16string& word, const std::u16string& separator,
                                        const ChangeLayoutAction& changeLayoutAction) {
  const LayoutAvailability layouts = layoutAvailability();
  const auto& maps = LayoutMaps::instance();
  const LanguagePair pair = maps.guessLanguagePair(word, layouts);
  const bool hasTarget = !pair.target.empty();
  const bool sourceValid = isWordValid(word, pair.source);
  const std::u16string converted = maps.transliterate(word, false, layouts);
  const bool targetValid = hasTarget && isWordValid(converted, pair.target);
  const std::u16string lower = text::toLower(word);
  const bool hasPrevious = completedWordsHistory_.size() >= 2;

  // English-layout text going anywhere but Russian: the word tables (made
  // for Russian) only count where the conversion is a word of the target.
  const bool russianRules = !(pair.source == lang::english && pair.target != lang::russian);
  auto tablesApply = [&] {
    if (russianRules) return true;
    if (text::characterCount(converted) == 1)
      return words::validSingleLetterWords(pair.target).count(text::toLower(converted)) > 0;
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
  if (!decided && words::aggressiveSwitchWords().count(lower) && tablesApply()) {
    correct = decided = true;
  }
  if (!decided && !sourceValid && targetValid) correct = decided = true;
  if (!decided && hasPrevious && words::ambiguousContextWords().count(lower) && tablesApply()) {
    const auto& previous = completedWordsHistory_[completedWordsHistory_.size() - 2];
    if (maps.guessLanguagePair(previous.word, layouts).source == pair.target) correct = decided = true;
  }
  if (correct && words::systemProtectedWords().count(lower)) correct = false;
  if (!hasTarget) correct = false;

  if (!correct) return repairPreviousWord(word, separator);

  if (word == lastAutoSwitchWord_ && isWithin(now() - lastAutoSwitchTime_, antiLoopInterval)) return false;

  isSimulating_ = true;
  lastAutoSwitchTime_ = now();
  lastAutoSwitchWord_ = word;
  lastAutoSwitchResult_ = converted;

  int deleteCount = count(word);
  std::u16string replacement = converted;
  if (russianRules) {
    // Fold preceding ambiguous words into the correction.
    for (std::size_t i = completedWordsHistory_.size() - 1; i-- > 0;) {
      const auto& entry = completedWordsHistory_[i];
      if (!isAmbiguous(entry.word)) break;
      std::u16string swapped = maps.transliterate(entry.word, true, layouts);
      if (swapped == entry.word) break;
      deleteCount += count(entry.word) + entry.spaces;
      replacement = swapped + std::u16string(static_cast<std::size_t>(entry.spaces), u' ') + replacement;
    }
    // A run of single letters typed on the wrong layout.
    if (count(word) == 1) {
      std::vector<std::u16string> typed{word};
      std::vector<std::u16string> convertedLetters{converted};
      int runDeleteCount = 1;
      std::u16string runText = converted;
      for (std::size_t i = completedWordsHistory_.size() - 1; i-- > 0 && typed.size() < 5;) {
        const auto& entry = completedWordsHistory_[i];
        if (count(entry.word) != 1) break;
        std::u16string letter = maps.transliterate(entry.word, false, layouts);
        typed.insert(typed.begin(), entry.word);
        convertedLetters.insert(convertedLetters.begin(), letter);
        runText = letter + std::u16string(static_cast<std::size_t>(entry.spaces), u' ') + runText;
        runDeleteCount += 1 + entry.spaces;
      }
      if (typed.size() > 2 && !LayoutMaps::isAlphabetSequence(typed) &&
          LayoutMaps::isAlphabetSequence(convertedLetters)) {
        deleteCount = runDeleteCount;
        replacement = runText;
      }
    }
  }
  const std::string code = layoutCodeFor(pair);
  const bool typedKeys = replaceBeforeCursor(deleteCount, replacement, &separator);
  if (changeLayoutAction) changeLayoutAction(code);
  finishSimulation();
  lastCompletedWord_ = converted;
  return typedKeys;
}

bool TypoDetector::repairPreviousWord(const std::u16string& word, const std::u16string& separator) {
  if (completedWordsHistory_.size() < 2) return false;
  const LayoutAvailability layouts = layoutAvailability();
  const auto& maps = LayoutMaps::instance();
  const CompletedWord previous = completedWordsHistory_[completedWordsHistory_.size() - 2];
  const std::string sourceOfWord = maps.guessLanguagePair(word, layouts).source;
  const std::string sourceOfPrevious = maps.guessLanguagePair(previous.word, layouts).source;
  const std::u16string lowerPrevious = text::toLower(previous.word);
  if (lowerPrevious == u"и" || lowerPrevious == u"b") return false;
  if (sourceOfWord == sourceOfPrevious) return false;
  if (!words::ambiguousContextWords().count(lowerPrevious)) return false;
  const std::u16string swapped = maps.transliterate(previous.word, true, layouts);
  if (swapped == previous.word) return false;
  // The forced swap gives Russian: no Cyrillic for someone who cannot type it.
  if (sourceOfPrevious == lang::english && !layouts.has("ru")) return false;
  if (maps.guessLanguagePair(swapped, layouts).source != sourceOfWord) return false;
  if (text::characterCount(swapped) == 1 && !words::validSingleLetterWords(sourceOfWord).count(text::toLower(swapped)))
    return false;

  isSimulating_ = true;
  const int deleteCount = count(word) + previous.spaces + count(previous.word);
  const std::u16string replacement = swapped + std::u16string(static_cast<std::size_t>(previous.spaces), u' ') + word;
  const bool typedKeys = replaceBeforeCursor(deleteCount, replacement, &separator);
  finishSimulation();
  return typedKeys;
}

bool TypoDetector::checkMidWord(const std::u16string& word, const ChangeLayoutAction& changeLayoutAction,
                                int pendingCharacters) {
  if (count(word) < 3) return false;
  const LayoutAvailability layouts = layoutAvailability();
  const auto& maps = LayoutMaps::instance();
  const LanguagePair pair = maps.guessLanguagePair(word, layouts);
  if (pair.target.empty()) return false;
  if (isPrefixValid(word, pair.source)) return false;
  const std::u16string converted = maps.transliterate(word, false, layouts);
  if (!isPrefixValid(converted, pair.target)) return false;
  if (learnedWordsStore_.get) {
    const auto learnedWordsNow = learnedWords();
    const StringMap& learned = *learnedWordsNow;
    const std::string key = text::toUtf8(word);
    if (auto it = learned.find(key); it != learned.end() && it->second == key) return false;
  }
  if (word == lastAutoSwitchWord_ && isWithin(now() - lastAutoSwitchTime_, antiLoopInterval)) return false;

  isSimulating_ = true;
  lastAutoSwitchTime_ = now();
  lastAutoSwitchWord_ = word;
  const std::string code = layoutCodeFor(pair);
  replaceBeforeCursor(count(word) - pendingCharacters, converted, nullptr);
  finishSimulation();
  buffer_ = converted;
  if (changeLayoutAction) changeLayoutAction(code);
  return true;
}

}  // namespace brisquel
