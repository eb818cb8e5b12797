// SPDX-License-Identifier: MIT
// The lone-Option conversion of the last word, its undo, and learning.
#include <algorithm>

#include "base/Text.h"
#include "typo/TypoDetector.h"
#include "typo/WordTables.h"

namespace brisquel {
namespace {

bool isAmbiguous(std::u16string_view word) {
  return words::ambiguousContextWords().count(text::toLower(word)) > 0;
}

bool hasLetters(std::u16string_view word) {
  for (auto c : text::characters(word))
    if (!LayoutMaps::isEmojiOrSymbol(c)) return true;
  return false;
}

}  // namespace

void TypoDetector::performManualToggle(const ChangeLayoutAction& changeLayoutAction) {
  auto state = readField(false);
  if (!state) {
    performManualToggleBufferFallback(changeLayoutAction);
    return;
  }
  if (state->selected > 0) {
    // The selection exactly, or nothing: never the word next to it.
    const auto start = std::clamp<std::int64_t>(state->caret, 0, static_cast<std::int64_t>(state->text.size()));
    const std::u16string selected = state->text.substr(static_cast<std::size_t>(start),
                                                       static_cast<std::size_t>(state->selected));
    if (hasLetters(selected))
      performFixForWord(selected, 0, static_cast<std::int64_t>(selected.size()), 0, 0, true, state,
                        changeLayoutAction);
    return;
  }
  if (auto word = getWordAtCursor(*state); word && hasLetters(word->word)) {
    performFixForWord(word->word, word->charsBeforeCursor, word->charsAfterCursor, 0, 0, false, state,
                      changeLayoutAction);
    return;
  }
  auto info = getWordBeforeCursor(*state);
  if (!info) {
    performManualToggleBufferFallback(changeLayoutAction);
    return;
  }
  convertWordBeforeCursor(*state, *info, changeLayoutAction);
}

void TypoDetector::performManualToggleBufferFallback(const ChangeLayoutAction& changeLayoutAction) {
  std::u16string word = text::trimWhiteSpace(words_.buffer());
  std::int64_t trailing = 0;
  int used = 0;
  const auto& history = words_.words();
  // A preceding ambiguous word one space away is converted with this one.
  auto joinable = [](const CompletedWord& entry) { return entry.separator == u" " && isAmbiguous(entry.word); };
  if (word.empty()) {
    word = words_.lastWord();
    if (word.empty()) return;
    trailing = words_.lastWordTrailingSpaces();
    if (history.size() >= 2 && joinable(history[history.size() - 2])) {
      word = history[history.size() - 2].word + u" " + word;
      used = 1;
    }
  } else if (!history.empty() && joinable(history.back())) {
    word = history.back().word + u" " + word;
    used = 1;
  }
  performFixForWord(word, 0, 0, trailing, used, false, std::nullopt, changeLayoutAction);
}

void TypoDetector::performDoublePressFix(const ChangeLayoutAction& changeLayoutAction) {
  auto state = readField(true);
  if (!state) return;
  if (auto word = getWordAtCursor(*state))
    performFixForWord(word->word, word->charsBeforeCursor, word->charsAfterCursor, 0, 0, false, state,
                      changeLayoutAction);
}

void TypoDetector::saveLearnedWords(bool revert, const std::u16string& word, const std::u16string& result) {
  if (!learnedWordsStore_.set) return;
  StringMap dict = *learnedWords();
  const std::string lowerWord = text::toUtf8(text::toLower(word));
  const std::string lowerResult = text::toUtf8(text::toLower(result));
  if (revert) {
    dict.erase(lowerWord);
    dict.erase(lowerResult);
    std::erase_if(dict, [&](const auto& entry) {
      const std::string value = text::toUtf8(text::toLower(text::fromUtf8(entry.second)));
      return value == lowerWord || value == lowerResult;
    });
  } else {
    // White space at an end (a selection taken with it) is no part of a word to learn.
    const auto length = text::characterCount(word);
    if (length < 31 && (length >= 3 || isAmbiguous(word)) && text::trimWhiteSpace(word) == word) {
      dict[text::toUtf8(word)] = text::toUtf8(result);
      dict[text::toUtf8(result)] = text::toUtf8(result);
    }
  }
  learnedWordsStore_.set(dict);
}

void TypoDetector::performFixForWord(const std::u16string& word, std::int64_t charsBefore, std::int64_t charsAfter,
                                     std::int64_t trailingSpaces, int usedHistoryCount, bool isSelection,
                                     const std::optional<FieldText>& field,
                                     const ChangeLayoutAction& changeLayoutAction) {
  const double t = now();
  const std::u16string lower = text::toLower(word);
  const std::u16string typing = text::trimWhiteSpace(words_.buffer());
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
  if (!isSelection && !editor_.canReplace(static_cast<int>(text::characterCount(word)), field ? 0 : spacesToSkip)) return;

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

  const std::string code = CorrectionRules::layoutCodeFor(guessLanguagePair(word));
  const auto switchLayout = [&] {
    if (changeLayoutAction) changeLayoutAction(code);
  };
  editor_.begin();
  if (isSelection) {
    editor_.replaceSelection(field, result, switchLayout);
    // Text chosen anywhere: no word of the typing history.
    words_.convertedInPlace({}, 0);
    editor_.end();
    return;
  }
  editor_.replaceWord(field, word, result, charsBefore + usedHistoryCount, charsAfter, spacesToSkip, switchLayout);
  // Undoing the correction of the word being typed: the person wants it as typed.
  if (revert && wasBeingTyped) words_.leaveWordAsTyped(true);
  words_.convertedByHand(word, result, usedHistoryCount, wasBeingTyped, static_cast<int>(spacesToSkip));
  editor_.end();
}

void TypoDetector::convertWordBeforeCursor(const FieldText& state, const WordInfo& info,
                                           const ChangeLayoutAction& changeLayoutAction) {
  std::u16string converted = transliterate(info.fullWord, false);
  if (converted == info.fullWord) converted = transliterate(info.fullWord, true);
  const std::string code = CorrectionRules::layoutCodeFor(guessLanguagePair(info.cleanWord));
  editor_.begin();
  editor_.replaceWordBeforeCaret(state, info.startLoc, info.endLoc, info.trailingSpaces, info.fullWord, converted, [&] {
    if (changeLayoutAction) changeLayoutAction(code);
  });
  words_.convertedInPlace(converted, static_cast<int>(info.trailingSpaces));
  editor_.end();
}

}  // namespace brisquel
