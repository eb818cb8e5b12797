// SPDX-License-Identifier: MIT
// Putting a correction into the focused field: through the field itself
// where it takes the rewrite, otherwise by typing keys.
#include <unicode/utf16.h>

#include <algorithm>
#include <optional>

#include "base/KeyCodes.h"
#include "base/Text.h"
#include "typo/TypoDetector.h"

namespace brisquel {
namespace {

// A range of whole code points inside s.
bool isValidRange(const std::u16string& s, std::int64_t start, std::int64_t end) {
  const auto n = static_cast<std::int64_t>(s.size());
  if (start < 0 || end > n || start > end) return false;
  auto splitsPair = [&](std::int64_t i) {
    return i > 0 && i < n && U16_IS_LEAD(s[static_cast<std::size_t>(i - 1)]) &&
           U16_IS_TRAIL(s[static_cast<std::size_t>(i)]);
  };
  return !splitsPair(start) && !splitsPair(end);
}

// Characters of s from `from` to `to` (UTF-16 offsets, clamped): what arrow keys and BackSpace count.
int charactersBetween(const std::u16string& s, std::int64_t from, std::int64_t to) {
  const auto n = static_cast<std::int64_t>(s.size());
  from = std::clamp<std::int64_t>(from, 0, n);
  to = std::clamp<std::int64_t>(to, from, n);
  return static_cast<int>(text::characterCount(
      std::u16string_view(s).substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from))));
}

// A Return key carries "\r"; the text it left holds a line break.
std::u16string asFieldText(std::u16string s) {
  std::replace(s.begin(), s.end(), u'\r', u'\n');
  return s;
}

// Line breaks and tabs are retyped with their own keys, as they were typed.
std::uint16_t keyCodeFor(std::u16string_view character) {
  if (character == u"\r" || character == u"\n") return KeyCode::Return;
  if (character == u"\t") return KeyCode::Tab;
  return 0;
}

}  // namespace

bool TypoDetector::beginsAWordInField(const std::optional<FieldText>& state, int characters,
                                      std::u16string_view typed) {
  if (!state) return true;  // keys typed only: nothing to compare with
  const auto cursor = std::clamp<std::int64_t>(state->caret, 0, static_cast<std::int64_t>(state->text.size()));
  const auto before = std::u16string_view(state->text).substr(0, static_cast<std::size_t>(cursor));
  if (!typed.empty() && !before.ends_with(asFieldText(std::u16string(typed)))) return false;
  const auto chars = text::characters(before);
  if (chars.size() < static_cast<std::size_t>(characters)) return false;
  for (std::size_t i = chars.size() - static_cast<std::size_t>(characters); i-- > 0;) {
    if (!LayoutMaps::isEmojiOrSymbol(chars[i])) return text::containsWhiteSpace(chars[i]);  // emoji never enter the buffer
  }
  return true;
}

bool TypoDetector::canReplace(int deleteCount, std::int64_t stepOver) const {
  return ports_.textField.canReplaceBeforeCaret(deleteCount, static_cast<int>(stepOver));
}

bool TypoDetector::replaceBeforeCursor(const std::optional<FieldText>& state, int deleteCount,
                                       const std::u16string& replacement, const std::u16string* separator) {
  if (state && isValidRange(state->text, state->caret, state->caret) &&
      ports_.textField.replaceBeforeCaret(deleteCount, asFieldText(replacement)))
    return false;
  const int extra = state && state->selected > 0 ? 1 : 0;
  pressKey(KeyCode::Delete, deleteCount + extra);
  simulateTyping(separator ? replacement + *separator : replacement, 0.001);
  return true;
}

void TypoDetector::simulateTyping(const std::u16string& typed, double delay) {
  for (auto c : text::characters(typed)) {
    std::u16string character(c);
    postKey(keyCodeFor(c), true, &character);
    ports_.clock.sleep(delay);
    postKey(keyCodeFor(c), false, &character);
    ports_.clock.sleep(delay);
  }
}

void TypoDetector::pressKey(std::uint16_t keyCode, int times, double delay) {
  for (int i = 0; i < times; ++i) {
    postKey(keyCode, true, nullptr);
    ports_.clock.sleep(delay);
    postKey(keyCode, false, nullptr);
    ports_.clock.sleep(delay);
  }
}

void TypoDetector::postKey(std::uint16_t keyCode, bool keyDown, const std::u16string* characters) {
  auto event = ports_.keyboard.createKeyboardEvent(keyCode, keyDown);
  if (!event) return;  // the press is skipped
  event->flags = 0;
  event->userData = syntheticEventMarker;
  if (characters) {
    event->characters = *characters;
    event->charactersIgnoringModifiers = *characters;
  }
  ports_.keyboard.post(*event);
}

void TypoDetector::finishSimulation() {
  isSimulating_ = false;
  lastSimulationEndTime_ = now();
}

// ---- Manual conversion -----------------------------------------------------

void TypoDetector::performFixForWord(const std::u16string& word, std::int64_t charsBefore, std::int64_t charsAfter,
                                     std::int64_t trailingSpaces, int usedHistoryCount, bool isSelection,
                                     const std::optional<FieldText>& field,
                                     const ChangeLayoutAction& changeLayoutAction) {
  const double t = now();
  const std::u16string lower = text::toLower(word);
  const std::u16string typing = text::trimWhiteSpace(buffer_);
  const bool wasBeingTyped =
      !typing.empty() && word.ends_with(typing) && (word.size() == typing.size() || (usedHistoryCount > 0 && !field));
  bool revert = false;
  bool undoesManualToggle = false;
  std::u16string result;
  // An undo is of the very text converted: the same word typed again, or in other capitals, is converted afresh.
  if (word == lastManualToggleResult_ && isWithin(t - lastManualToggleTime_, undoWindow)) {
    result = lastManualToggleWord_;
    revert = true;
    undoesManualToggle = true;
  } else if (word == lastAutoSwitchResult_ && isWithin(t - lastAutoSwitchTime_, undoWindow)) {
    result = lastAutoSwitchWord_;
    revert = true;
  } else if (wasBeingTyped && lastAutoSwitchWasMidWord_ && !lastAutoSwitchResult_.empty() &&
             lower.starts_with(text::toLower(lastAutoSwitchResult_)) && isWithin(t - lastAutoSwitchTime_, undoWindow)) {
    // Typed on after a correction made while the word was being typed: all
    // of it goes back to the layout it was typed on.
    result = transliterate(word, false);
    revert = true;
  } else if (isSelection) {
    result = transliterate(word, true);
  } else {
    result = transliterate(word, false);
    if (result == word) result = transliterate(word, true);
  }
  // Nothing to convert (white space, digits): no edit, no layout switch, nothing learned.
  if (result == word) return;
  const std::int64_t spacesToSkip = trailingSpaces + (charsAfter < 0 ? -charsAfter : 0);
  // No exact way into this field: the text stays as it is, nothing is learned.
  if (!isSelection && !canReplace(static_cast<int>(text::characterCount(word)), field ? 0 : spacesToSkip)) return;

  // Only the undo a pending save exists for drops it; another conversion
  // saves it now, so that quick conversions of different words are all learned.
  if (auto earlier = std::move(pendingSaveItem_)) {
    if (!undoesManualToggle) earlier->perform();
    earlier->cancel();
  }
  pendingSaveItem_ = std::make_shared<WorkItem>([weak = weak_from_this(), revert, word, result] {
    auto self = weak.lock();
    if (!self) return;
    self->pendingSaveItem_.reset();  // done: nothing left to save early or to drop
    self->saveLearnedWords(revert, word, result);
  });
  ports_.mainQueue.asyncAfter(learnDelay, pendingSaveItem_);

  lastManualToggleWord_ = word;
  lastManualToggleResult_ = result;
  lastManualToggleTime_ = t;

  const std::string code = layoutCodeFor(guessLanguagePair(word));
  isSimulating_ = true;
  const auto wordLength = static_cast<std::int64_t>(word.size());

  bool written = false;
  if (isSelection) {
    replaceSelection(result, field, code, changeLayoutAction);
    written = true;
  } else if (field) {
    const std::int64_t caret = field->caret;
    const std::int64_t start = caret - charsBefore - usedHistoryCount;
    const std::int64_t end = caret + charsAfter;
    // The word reaches past the caret, or ends before it.
    const int stepOver =
        charsAfter > 0 ? -charactersBetween(field->text, caret, end) : charactersBetween(field->text, end, caret);
    const int characters = charactersBetween(field->text, start, std::min(caret, end)) + std::max(0, -stepOver);
    if (isValidRange(field->text, start, end) && ports_.textField.replaceBeforeCaret(characters, result, stepOver)) {
      if (changeLayoutAction) changeLayoutAction(code);
      written = true;
    }
  }
  if (!written) {
    ports_.clock.sleep(0.002);
    std::int64_t lefts = 0;
    if (!field) {
      lefts = spacesToSkip;
    } else {
      const std::int64_t wordEnd = field->caret - charsBefore - usedHistoryCount + wordLength;
      const std::int64_t move = field->caret - wordEnd;
      // Arrow keys move by characters, not UTF-16 units.
      if (move > 0) lefts = charactersBetween(field->text, wordEnd, field->caret);
      if (move < 0) pressKey(KeyCode::RightArrow, charactersBetween(field->text, field->caret, wordEnd));
    }
    pressKey(KeyCode::LeftArrow, static_cast<int>(lefts));
    ports_.clock.sleep(0.002);
    pressKey(KeyCode::Delete, static_cast<int>(text::characterCount(word)));
    ports_.clock.sleep(0.002);
    if (changeLayoutAction) changeLayoutAction(code);
    ports_.clock.sleep(0.01);
    simulateTyping(result, 0.001);
    ports_.clock.sleep(0.002);
    pressKey(KeyCode::RightArrow, static_cast<int>(lefts));
  }

  buffer_.clear();
  if (isSelection) {
    // Text chosen anywhere: no word of the typing history.
    lastCompletedWord_.clear();
    lastCompletedWordTrailingSpaces_ = 0;
    finishSimulation();
    return;
  }
  // Undoing the correction of the word being typed: the person wants it as typed.
  if (revert && wasBeingTyped) leaveWordAsTyped_ = true;
  lastCompletedWord_ = result;
  lastCompletedWordTrailingSpaces_ = static_cast<int>(spacesToSkip);
  std::optional<std::u16string> trailing;  // the separator after the words taken in, now after the result
  for (int i = 0; i < usedHistoryCount && !completedWordsHistory_.empty(); ++i) {
    if (!trailing) trailing = completedWordsHistory_.back().separator;
    completedWordsHistory_.pop_back();
  }
  if (wasBeingTyped) {
    // The word had not ended yet: it becomes the newest entry, not a
    // replacement of the word before it.
    completedWordsHistory_.push_back({result, {}});
    if (completedWordsHistory_.size() > static_cast<std::size_t>(maxHistorySize))
      completedWordsHistory_.erase(completedWordsHistory_.begin());
  } else if (!completedWordsHistory_.empty()) {
    if (usedHistoryCount > 0 || completedWordsHistory_.back().word == word) {
      completedWordsHistory_.back().word = result;
      if (trailing) completedWordsHistory_.back().separator = *trailing;
    } else {
      // Another word than the last one typed (a double press takes the word
      // at the caret): the history no longer tells what stands before it.
      completedWordsHistory_.clear();
    }
  }
  finishSimulation();
}

void TypoDetector::replaceSelection(const std::u16string& result, const std::optional<FieldText>& field,
                                    const std::string& code, const ChangeLayoutAction& changeLayoutAction) {
  // The field keeps the new text selected where it can: another press converts it back.
  if (field && isValidRange(field->text, field->caret, field->caret + field->selected) &&
      ports_.textField.replaceSelection(result)) {
    if (changeLayoutAction) changeLayoutAction(code);
    return;
  }
  // Typing replaces the selection; the first Backspace removes it.
  pressKey(KeyCode::Delete, 1);
  if (changeLayoutAction) changeLayoutAction(code);
  ports_.clock.sleep(0.01);
  simulateTyping(result, 0.001);
}

void TypoDetector::convertWordBeforeCursor(const FieldText& state, const WordInfo& info,
                                           const ChangeLayoutAction& changeLayoutAction) {
  std::u16string converted = transliterate(info.fullWord, false);
  if (converted == info.fullWord) converted = transliterate(info.fullWord, true);
  const std::string code = layoutCodeFor(guessLanguagePair(info.cleanWord));
  isSimulating_ = true;

  if (isValidRange(state.text, info.startLoc, info.endLoc) &&
      ports_.textField.replaceBeforeCaret(charactersBetween(state.text, info.startLoc, info.endLoc), converted,
                                          charactersBetween(state.text, info.endLoc, state.caret))) {
    if (changeLayoutAction) changeLayoutAction(code);
  } else {
    // What lies between the word and the cursor may hold emoji passed over:
    // remove it character by character and type it back as it was.
    const std::u16string trailing =
        state.text.substr(static_cast<std::size_t>(info.endLoc), static_cast<std::size_t>(info.trailingSpaces));
    ports_.clock.sleep(0.01);
    pressKey(KeyCode::Delete, static_cast<int>(text::characterCount(trailing)), 0.002);
    ports_.clock.sleep(0.01);
    pressKey(KeyCode::Delete, static_cast<int>(text::characterCount(info.fullWord)), 0.002);
    ports_.clock.sleep(0.01);
    if (changeLayoutAction) changeLayoutAction(code);
    ports_.clock.sleep(0.02);
    simulateTyping(converted, 0.002);
    simulateTyping(trailing, 0.002);
    ports_.clock.sleep(0.01);
  }
  buffer_.clear();
  lastCompletedWord_ = converted;
  lastCompletedWordTrailingSpaces_ = static_cast<int>(info.trailingSpaces);
  finishSimulation();
}

}  // namespace brisquel
