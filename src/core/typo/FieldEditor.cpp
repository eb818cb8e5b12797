// SPDX-License-Identifier: MIT
#include "typo/FieldEditor.h"

#include <unicode/utf16.h>

#include <algorithm>

#include "base/KeyCodes.h"
#include "base/Text.h"
#include "typo/LayoutMaps.h"

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

bool FieldEditor::canReplace(int characters, std::int64_t stepOver) const {
  return ports_.textField.canReplaceBeforeCaret(characters, static_cast<int>(stepOver));
}

bool FieldEditor::beginsAWord(const std::optional<FieldText>& field, int characters, std::u16string_view typed) {
  if (!field) return true;  // keys typed only: nothing to compare with
  const auto caret = std::clamp<std::int64_t>(field->caret, 0, static_cast<std::int64_t>(field->text.size()));
  const auto before = std::u16string_view(field->text).substr(0, static_cast<std::size_t>(caret));
  if (!typed.empty() && !before.ends_with(asFieldText(std::u16string(typed)))) return false;
  const auto chars = text::characters(before);
  if (chars.size() < static_cast<std::size_t>(characters)) return false;
  for (std::size_t i = chars.size() - static_cast<std::size_t>(characters); i-- > 0;) {
    if (!LayoutMaps::isEmojiOrSymbol(chars[i])) return text::containsWhiteSpace(chars[i]);  // emoji never enter the buffer
  }
  return true;
}

void FieldEditor::end() {
  writing_ = false;
  lastEnd_ = ports_.clock.now();
}

bool FieldEditor::replaceBeforeCaret(const std::optional<FieldText>& field, int characters,
                                     const std::u16string& replacement, const std::u16string* separator) {
  if (field && isValidRange(field->text, field->caret, field->caret) &&
      ports_.textField.replaceBeforeCaret(characters, asFieldText(replacement)))
    return false;
  const int extra = field && field->selected > 0 ? 1 : 0;
  pressKey(KeyCode::Delete, characters + extra);
  typeText(separator ? replacement + *separator : replacement, 0.001);
  return true;
}

void FieldEditor::replaceWord(const std::optional<FieldText>& field, const std::u16string& word,
                              const std::u16string& result, std::int64_t before, std::int64_t after,
                              std::int64_t spacesToSkip, const std::function<void()>& switchLayout) {
  if (field) {
    const std::int64_t caret = field->caret;
    const std::int64_t start = caret - before;
    const std::int64_t end = caret + after;
    // The word reaches past the caret, or ends before it.
    const int stepOver =
        after > 0 ? -charactersBetween(field->text, caret, end) : charactersBetween(field->text, end, caret);
    const int characters = charactersBetween(field->text, start, std::min(caret, end)) + std::max(0, -stepOver);
    if (isValidRange(field->text, start, end) && ports_.textField.replaceBeforeCaret(characters, result, stepOver)) {
      switchLayout();
      return;
    }
  }
  ports_.clock.sleep(0.002);
  std::int64_t lefts = 0;
  if (!field) {
    lefts = spacesToSkip;
  } else {
    const std::int64_t wordEnd = field->caret - before + static_cast<std::int64_t>(word.size());
    const std::int64_t move = field->caret - wordEnd;
    // Arrow keys move by characters, not UTF-16 units.
    if (move > 0) lefts = charactersBetween(field->text, wordEnd, field->caret);
    if (move < 0) pressKey(KeyCode::RightArrow, charactersBetween(field->text, field->caret, wordEnd));
  }
  pressKey(KeyCode::LeftArrow, static_cast<int>(lefts));
  ports_.clock.sleep(0.002);
  pressKey(KeyCode::Delete, static_cast<int>(text::characterCount(word)));
  ports_.clock.sleep(0.002);
  switchLayout();
  ports_.clock.sleep(0.01);
  typeText(result, 0.001);
  ports_.clock.sleep(0.002);
  pressKey(KeyCode::RightArrow, static_cast<int>(lefts));
}

void FieldEditor::replaceSelection(const std::optional<FieldText>& field, const std::u16string& result,
                                   const std::function<void()>& switchLayout) {
  // The field keeps the new text selected where it can: another press converts it back.
  if (field && isValidRange(field->text, field->caret, field->caret + field->selected) &&
      ports_.textField.replaceSelection(result)) {
    switchLayout();
    return;
  }
  // Typing replaces the selection; the first Backspace removes it.
  pressKey(KeyCode::Delete, 1);
  switchLayout();
  ports_.clock.sleep(0.01);
  typeText(result, 0.001);
}

void FieldEditor::replaceWordBeforeCaret(const FieldText& field, std::int64_t start, std::int64_t end,
                                         std::int64_t trailing, const std::u16string& word,
                                         const std::u16string& result, const std::function<void()>& switchLayout) {
  if (isValidRange(field.text, start, end) &&
      ports_.textField.replaceBeforeCaret(charactersBetween(field.text, start, end), result,
                                          charactersBetween(field.text, end, end + trailing))) {
    switchLayout();
    return;
  }
  // What lies between the word and the caret may hold emoji passed over:
  // remove it character by character and type it back as it was.
  const std::u16string between =
      field.text.substr(static_cast<std::size_t>(end), static_cast<std::size_t>(trailing));
  ports_.clock.sleep(0.01);
  pressKey(KeyCode::Delete, static_cast<int>(text::characterCount(between)), 0.002);
  ports_.clock.sleep(0.01);
  pressKey(KeyCode::Delete, static_cast<int>(text::characterCount(word)), 0.002);
  ports_.clock.sleep(0.01);
  switchLayout();
  ports_.clock.sleep(0.02);
  typeText(result, 0.002);
  typeText(between, 0.002);
  ports_.clock.sleep(0.01);
}

void FieldEditor::typeText(const std::u16string& typed, double delay) {
  for (auto c : text::characters(typed)) {
    std::u16string character(c);
    postKey(keyCodeFor(c), true, &character);
    ports_.clock.sleep(delay);
    postKey(keyCodeFor(c), false, &character);
    ports_.clock.sleep(delay);
  }
}

void FieldEditor::pressKey(std::uint16_t keyCode, int times, double delay) {
  for (int i = 0; i < times; ++i) {
    postKey(keyCode, true, nullptr);
    ports_.clock.sleep(delay);
    postKey(keyCode, false, nullptr);
    ports_.clock.sleep(delay);
  }
}

void FieldEditor::postKey(std::uint16_t keyCode, bool keyDown, const std::u16string* characters) {
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

}  // namespace brisquel
