// SPDX-License-Identifier: MIT
#include "typo/TypoDetector.h"

#include <algorithm>
#include <utility>

#include "base/KeyCodes.h"
#include "base/KeyPath.h"
#include "base/Text.h"

namespace brisquel {
namespace {

int count(std::u16string_view s) {
  return static_cast<int>(text::characterCount(s));
}

std::u16string withoutEmoji(std::u16string_view s) {
  // Nearly every key: nothing to take out, and no list of characters to make.
  if (!LayoutMaps::isEmojiOrSymbol(s)) return std::u16string(s);
  std::u16string out;
  for (auto c : text::characters(s))
    if (!LayoutMaps::isEmojiOrSymbol(c)) out += c;
  return out;
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

}  // namespace

std::shared_ptr<TypoDetector> TypoDetector::create(TypoDetectorPorts ports, LearnedWordsStore learnedWords) {
  return std::make_shared<TypoDetector>(ports, std::move(learnedWords));
}

TypoDetector::TypoDetector(TypoDetectorPorts ports, LearnedWordsStore learnedWords)
    : ports_(ports),
      learnedWordsStore_(std::move(learnedWords)),
      rules_(std::make_shared<CorrectionRules>(
          CorrectionRulesPorts{ports.inputSources, ports.spelling, ports.mainQueue, ports.background}, words_,
          learnedWordsStore_.get)),
      editor_(FieldEditorPorts{ports.keyboard, ports.clock, ports.textField}) {
  // Built now rather than by the first word typed, which would wait for it.
  (void)LayoutMaps::instance();
}

BRISQUEL_KEY_PATH double TypoDetector::now() const {
  return ports_.clock.now();
}

std::shared_ptr<const StringMap> TypoDetector::learnedWords() const {
  static const auto none = std::make_shared<const StringMap>();
  auto words = learnedWordsStore_.get ? learnedWordsStore_.get() : nullptr;
  return words ? words : none;
}

// ---- Key events ------------------------------------------------------------

BRISQUEL_KEY_PATH bool TypoDetector::process(const KeyEvent& event, const ChangeLayoutAction& changeLayoutAction) {
  if (event.type == EventType::FlagsChanged) return processFlagsChanged(event, changeLayoutAction);
  if (event.type != EventType::KeyDown) return false;
  if (editor_.isWriting()) return false;
  // Too soon after our own keys to judge: kept, so that the buffer stays the
  // word in the field, but not checked.
  const bool tooSoon = isWithin(now() - editor_.lastEnd(), simulationCooldown);
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
    // Into text typed before anything known: where the field's text cannot
    // be read, the word the next keys join is unknown, so it stays as typed.
    // Read once per run of such keys: a held BackSpace repeats.
    if (!words_.eraseBack() && !words_.wordStartUnknown() && !readField(false)) words_.markWordStartUnknown();
    return false;
  }
  const std::u16string& characters = *event.characters;
  if (event.keyCode == KeyCode::ForwardDelete) {
    // The caret stays; the word may now run into what followed it.
    if (!words_.buffer().empty()) words_.leaveWordAsTyped(true);
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
    words_.leaveWordAsTyped(false);
    if (words_.wordStartUnknown()) clearBuffer();
    words_.finishWord({});
    return false;
  }
  if (!text::containsWhiteSpace(characters)) {
    std::u16string typed = withoutEmoji(characters);
    if (typed.empty()) return false;
    words_.type(typed, (event.flags & Flags::CapsLock) != 0);
    const int pending = std::min(count(typed), count(words_.buffer()));
    // The buffer itself: the check reads it before any correction replaces it.
    return !tooSoon && checkMidWord(words_.buffer(), changeLayoutAction, pending);
  }
  if (words_.wordStartUnknown()) {  // nor is it a word the rules can reach back over
    clearBuffer();
    return false;
  }
  const bool leaveAsTyped = words_.leavesWordAsTyped();
  words_.leaveWordAsTyped(false);
  if (!words_.finishWord(characters) || leaveAsTyped || tooSoon) return false;
  return checkWordOnSeparator(words_.lastWord(), characters, changeLayoutAction);
}

bool TypoDetector::processFlagsChanged(const KeyEvent& event, const ChangeLayoutAction& changeLayoutAction) {
  const bool wasDown = isOptionCurrentlyDown_;
  isOptionCurrentlyDown_ = (event.flags & Flags::Option) != 0;
  const bool otherModifier = (event.flags & (Flags::Shift | Flags::Control | Flags::Command)) != 0;
  if (wasDown && !isOptionCurrentlyDown_) {
    if (optionPressedAlone_ && !editor_.isWriting()) {
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

// ---- Corrections -----------------------------------------------------------

bool TypoDetector::justCorrected(const std::u16string& word) const {
  return word == lastAutoSwitchWord_ && isWithin(now() - lastAutoSwitchTime_, antiLoopInterval);
}

bool TypoDetector::checkWordOnSeparator(const std::u16string& word, const std::u16string& separator,
                                        const ChangeLayoutAction& changeLayoutAction) {
  const auto verdict = rules_->atWordEnd(word);
  if (!verdict) return repairPreviousWord(word, separator);
  if (justCorrected(word)) return false;
  // Everything it deletes must be the words typed, as the field shows them where it can.
  const auto field = readField(false);
  auto folds = rules_->wordEndFolds(word, *verdict, field);
  // Where the earlier words cannot be reached exactly, the word alone is corrected.
  CorrectionRules::Fold& fold =
      !editor_.canReplace(folds.withEarlier.deleteCount) && folds.withEarlier.deleteCount != folds.alone.deleteCount
          ? folds.alone
          : folds.withEarlier;
  if (!editor_.canReplace(fold.deleteCount)) return false;
  if (!FieldEditor::beginsAWord(field, fold.deleteCount, fold.typed)) return false;
  editor_.begin();
  lastAutoSwitchTime_ = now();
  lastAutoSwitchWord_ = word;
  lastAutoSwitchResult_ = verdict->converted;
  lastAutoSwitchWasMidWord_ = false;
  const std::string code = CorrectionRules::layoutCodeFor(verdict->pair);
  const bool typedKeys = editor_.replaceBeforeCaret(field, fold.deleteCount, fold.text, &separator);
  if (changeLayoutAction) changeLayoutAction(code);
  editor_.end();
  // The text now holds the corrected words; the rules that look back see them.
  for (auto& [index, corrected] : fold.rewritten) words_.rewrite(index, std::move(corrected));
  words_.replaceLastWord(verdict->converted);
  return typedKeys;
}

bool TypoDetector::repairPreviousWord(const std::u16string& word, const std::u16string& separator) {
  auto repair = rules_->previousWord(word, [this] { return readField(false); });
  if (!repair) return false;
  const CorrectionRules::Fold& fold = repair->fold;
  if (!editor_.canReplace(fold.deleteCount)) return false;
  if (!FieldEditor::beginsAWord(repair->field, fold.deleteCount, fold.typed)) return false;
  editor_.begin();
  const bool typedKeys = editor_.replaceBeforeCaret(repair->field, fold.deleteCount, fold.text, &separator);
  editor_.end();
  words_.rewrite(repair->index, std::move(repair->swapped));
  return typedKeys;
}

BRISQUEL_KEY_PATH bool TypoDetector::checkMidWord(const std::u16string& word,
                                                  const ChangeLayoutAction& changeLayoutAction, int pendingCharacters) {
  const auto verdict = rules_->midWord(word);
  if (!verdict || justCorrected(word)) return false;
  const auto field = readField(false);
  auto folds = rules_->midWordFolds(word, *verdict, pendingCharacters, field);
  CorrectionRules::Fold& fold = editor_.canReplace(folds.withEarlier.deleteCount) ? folds.withEarlier : folds.alone;
  if (!editor_.canReplace(fold.deleteCount)) return false;
  if (!FieldEditor::beginsAWord(field, fold.deleteCount, fold.typed)) return false;

  editor_.begin();
  lastAutoSwitchTime_ = now();
  lastAutoSwitchWord_ = word;
  lastAutoSwitchResult_ = verdict->converted;  // so that Option right away undoes it
  lastAutoSwitchWasMidWord_ = true;
  const std::string code = CorrectionRules::layoutCodeFor(verdict->pair);
  editor_.replaceBeforeCaret(field, fold.deleteCount, fold.text, nullptr);
  editor_.end();
  for (auto& [index, corrected] : fold.rewritten) words_.rewrite(index, std::move(corrected));
  words_.replaceBuffer(verdict->converted);
  if (changeLayoutAction) changeLayoutAction(code);
  return true;
}

}  // namespace brisquel
