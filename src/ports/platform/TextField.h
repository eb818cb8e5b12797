// SPDX-License-Identifier: MIT
#pragma once
// The focused text field as the program reads and rewrites it. Reading gives
// the text around the caret when the field can tell it. Rewriting is "replace
// the N characters before the caret with this text", the caret first stepping
// over what follows them; each platform chooses a way that is exact in the
// field in front (the field's own text interface, the text still being
// composed). Where the field has none of those, the program types keys, which
// the platform's keyboard delivers in an order the client keeps. Some fields
// keep no order at all: a client that applies committed text at once but
// replays forwarded keys later turns "BackSpace ×6, then the new word" into a
// scramble. The field says so before the program decides, and the program
// then leaves the text as typed.
//
// Characters are what a BackSpace removes: grapheme clusters.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brisquel {

// A range in UTF-16 units.
struct TextRange {
  std::int64_t location = 0;
  std::int64_t length = 0;
  friend bool operator==(const TextRange&, const TextRange&) = default;
};

// What a field tells of its text. UTF-16 units.
struct FieldText {
  std::u16string text;        // the field's text, or the stretch of it around the caret it reports
  std::int64_t caret = 0;     // where the caret is in text (the selection's start when there is one)
  std::int64_t selected = 0;  // units selected from the caret on
  std::optional<std::int64_t> ownerPid;  // the process of the field, when the platform names it
};

struct FieldReading {
  std::optional<FieldText> field;  // none when the field's text cannot be read
  // The system could not say which field has the focus (on macOS often a
  // withdrawn permission, worth checking again).
  bool focusUnknown = false;
};

class TextFieldPort {
 public:
  virtual ~TextFieldPort() = default;

  virtual FieldReading read() = 0;

  // Whether the `characters` characters before the caret can be replaced by
  // any text exactly, by the field or by keys, the caret first stepping over
  // `stepOver` characters towards them and afterwards back.
  virtual bool canReplaceBeforeCaret(int characters, int stepOver = 0) = 0;

  // Replaces through the field's own text the `characters` characters that
  // end `stepOver` characters before the caret; the caret stays after what it
  // stepped over. A negative `stepOver` has the characters end that many
  // after the caret (the caret inside a word), and the caret ends after the
  // new text. False when the field takes no such rewrite: nothing changed.
  virtual bool replaceBeforeCaret(int characters, std::u16string_view text, int stepOver = 0) = 0;

  // Replaces the selected text; where the field can, the new text stays
  // selected. False when the field takes no such rewrite: nothing changed.
  virtual bool replaceSelection(std::u16string_view text) = 0;
};

}  // namespace brisquel
