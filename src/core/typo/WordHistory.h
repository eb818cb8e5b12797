// SPDX-License-Identifier: MIT
#pragma once
// The words typed last, as the keys tell them: the word being typed, the
// finished words each with the white space typed after it, and what is known
// of where the word being typed began. It takes keys and the corrections made
// of them, and asks nothing of the system.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brisquel {

// A finished word as it stands in the text (after any correction of it) and
// the white space typed after it, kept as typed so that a correction reaching
// back over it puts back a Return or a Tab, not a space.
struct CompletedWord {
  std::u16string word;
  std::u16string separator;
  int spaces() const;  // characters of the separator
  friend bool operator==(const CompletedWord&, const CompletedWord&) = default;
};

class WordHistory {
 public:
  static constexpr int maxBufferSize = 50;
  static constexpr int maxHistorySize = 10;

  // The word being typed.
  const std::u16string& buffer() const { return buffer_; }
  // The finished words, oldest first.
  const std::vector<CompletedWord>& words() const { return words_; }
  // The last finished word and the white space after it (none after a word converted in place).
  const std::u16string& lastWord() const { return lastWord_; }
  int lastWordTrailingSpaces() const { return lastWordTrailingSpaces_; }
  // The oldest words were dropped for newer ones.
  bool lostWords() const { return lostWords_; }
  // Some key of the word being typed came with Caps Lock on.
  bool typedWithCapsLock() const { return typedWithCapsLock_; }
  // An automatic correction of the word being typed was undone: the rest of
  // the word is left as the person types it.
  bool leavesWordAsTyped() const { return leaveWordAsTyped_; }
  // BackSpace went into text typed before anything known, in a field that
  // cannot be read: the word typed there began somewhere unknown.
  bool wordStartUnknown() const { return wordStartUnknown_; }

  // Forgets everything.
  void clear();
  // BackSpace. False when it went into text typed before anything known.
  bool eraseBack();
  // Letters typed (emoji already left out); capsLock: the key came with Caps Lock on.
  void type(std::u16string_view letters, bool capsLock);
  // Ends the word being typed with the separator; false when there was none.
  bool finishWord(const std::u16string& separator);

  void leaveWordAsTyped(bool leave) { leaveWordAsTyped_ = leave; }
  void markWordStartUnknown() { wordStartUnknown_ = true; }

  // A correction put `word` where history entry `index` stood.
  void rewrite(std::size_t index, std::u16string word) { words_[index].word = std::move(word); }
  // The word being typed was corrected while being typed.
  void replaceBuffer(std::u16string word) { buffer_ = std::move(word); }
  // The last finished word was corrected at its end.
  void replaceLastWord(std::u16string word) { lastWord_ = std::move(word); }
  // A word in the field was converted in place, with `trailingSpaces` before
  // the caret; inside a selection (no word of the typing history) the word is empty.
  void convertedInPlace(std::u16string word, int trailingSpaces);
  // `word`, the word being typed or the last one with `usedWords` finished
  // words before it, was converted by hand to `result`.
  void convertedByHand(const std::u16string& word, const std::u16string& result, int usedWords, bool wasBeingTyped,
                       int trailingSpaces);

 private:
  std::u16string buffer_;
  std::vector<CompletedWord> words_;
  std::u16string lastWord_;
  int lastWordTrailingSpaces_ = 0;
  bool lostWords_ = false;
  bool typedWithCapsLock_ = false;
  bool leaveWordAsTyped_ = false;
  bool wordStartUnknown_ = false;
};

}  // namespace brisquel
