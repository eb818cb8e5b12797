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
  std::u16string word = text::trimWhiteSpace(buffer_);
  std::int64_t trailing = 0;
  int used = 0;
  const auto& history = completedWordsHistory_;
  // A preceding ambiguous word one space away is converted with this one.
  auto joinable = [](const CompletedWord& entry) { return entry.separator == u" " && isAmbiguous(entry.word); };
  if (word.empty()) {
    word = lastCompletedWord_;
    if (word.empty()) return;
    trailing = lastCompletedWordTrailingSpaces_;
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

}  // namespace brisquel
