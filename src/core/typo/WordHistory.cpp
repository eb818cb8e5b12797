// SPDX-License-Identifier: MIT
#include "typo/WordHistory.h"

#include <optional>
#include <utility>

#include "base/KeyPath.h"
#include "base/Text.h"

namespace brisquel {
namespace {

int count(std::u16string_view s) {
  return static_cast<int>(text::characterCount(s));
}

void dropLastCharacter(std::u16string& s) {
  if (s.empty()) return;
  s.resize(s.size() - text::characters(s).back().size());
}

}  // namespace

int CompletedWord::spaces() const {
  return count(separator);
}

void WordHistory::clear() {
  leaveWordAsTyped_ = false;
  wordStartUnknown_ = false;
  buffer_.clear();
  lastWord_.clear();
  lastWordTrailingSpaces_ = 0;
  words_.clear();
  lostWords_ = false;
}

bool WordHistory::eraseBack() {
  if (buffer_.empty() && lastWord_.empty() && !words_.empty()) {
    // Back to the word before, which the history knows.
    lastWord_ = words_.back().word;
    lastWordTrailingSpaces_ = words_.back().spaces();
  }
  if (buffer_.empty() && lastWord_.empty()) return false;
  if (!buffer_.empty()) {
    dropLastCharacter(buffer_);
  } else if (lastWordTrailingSpaces_ > 1) {
    // Keep the separator true to the text.
    --lastWordTrailingSpaces_;
    if (!words_.empty()) dropLastCharacter(words_.back().separator);
  } else if (lastWordTrailingSpaces_ == 1) {
    // The separator is gone: what is typed next goes on with the word.
    buffer_ = std::exchange(lastWord_, {});
    lastWordTrailingSpaces_ = 0;
    if (!words_.empty()) words_.pop_back();
  } else {
    // The last word itself is erased into: it is the word being typed again.
    buffer_ = lastWord_;
    dropLastCharacter(buffer_);
    lastWord_.clear();
    if (!words_.empty()) words_.pop_back();
  }
  return true;
}

BRISQUEL_KEY_PATH void WordHistory::type(std::u16string_view letters, bool capsLock) {
  // Right after the last word with nothing between (Escape ended it, or it
  // was just converted by hand): the keys go on with it.
  if (buffer_.empty() && !lastWord_.empty() && lastWordTrailingSpaces_ == 0) {
    buffer_ = std::exchange(lastWord_, {});
    if (!words_.empty() && words_.back().word == buffer_ && words_.back().separator.empty()) words_.pop_back();
  }
  // Caps Lock on for any key of the word: capitals that mean nothing by themselves.
  typedWithCapsLock_ = (!buffer_.empty() && typedWithCapsLock_) || capsLock;
  buffer_ += letters;
  auto tail = text::lastCharacters(buffer_, maxBufferSize);
  if (tail.size() != buffer_.size()) buffer_ = std::u16string(tail);
}

BRISQUEL_KEY_PATH bool WordHistory::finishWord(const std::u16string& separator) {
  std::u16string word = std::move(buffer_);
  buffer_.clear();
  const int spaces = count(separator);
  if (word.empty()) {
    // More white space after the last word: it still counts as the word's
    // separator, so that corrections reaching back over it delete exactly
    // what is in the text and the manual conversion still finds the word.
    if (!lastWord_.empty() && !words_.empty()) {
      lastWordTrailingSpaces_ += spaces;
      words_.back().separator += separator;
    } else {
      lastWord_.clear();
      lastWordTrailingSpaces_ = spaces;
    }
    return false;
  }
  words_.push_back({word, separator});
  if (words_.size() > static_cast<std::size_t>(maxHistorySize)) {
    words_.erase(words_.begin());
    lostWords_ = true;
  }
  lastWord_ = std::move(word);
  lastWordTrailingSpaces_ = spaces;
  return true;
}

void WordHistory::convertedInPlace(std::u16string word, int trailingSpaces) {
  buffer_.clear();
  lastWord_ = std::move(word);
  lastWordTrailingSpaces_ = trailingSpaces;
}

void WordHistory::convertedByHand(const std::u16string& word, const std::u16string& result, int usedWords,
                                  bool wasBeingTyped, int trailingSpaces) {
  buffer_.clear();
  lastWord_ = result;
  lastWordTrailingSpaces_ = trailingSpaces;
  std::optional<std::u16string> trailing;  // the separator after the words taken in, now after the result
  for (int i = 0; i < usedWords && !words_.empty(); ++i) {
    if (!trailing) trailing = words_.back().separator;
    words_.pop_back();
  }
  if (wasBeingTyped) {
    // The word had not ended yet: it becomes the newest entry, not a
    // replacement of the word before it.
    words_.push_back({result, {}});
    if (words_.size() > static_cast<std::size_t>(maxHistorySize)) words_.erase(words_.begin());
  } else if (!words_.empty()) {
    if (usedWords > 0 || words_.back().word == word) {
      words_.back().word = result;
      if (trailing) words_.back().separator = *trailing;
    } else {
      // Another word than the last one typed (a double press takes the word
      // at the caret): the history no longer tells what stands before it.
      words_.clear();
    }
  }
}

}  // namespace brisquel
