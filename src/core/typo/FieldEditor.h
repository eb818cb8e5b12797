// SPDX-License-Identifier: MIT
#pragma once
// Putting a correction into the focused field: through the field itself
// where it takes the rewrite, otherwise by typing keys (BackSpace for each
// character, then the text). The layout switch comes between the keys that
// delete and those that type, so that the new text is typed on it.

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "platform/KeyEvents.h"
#include "platform/MainQueue.h"
#include "platform/TextField.h"

namespace brisquel {

struct FieldEditorPorts {
  KeyboardPort& keyboard;
  ClockPort& clock;
  TextFieldPort& textField;
};

class FieldEditor {
 public:
  explicit FieldEditor(FieldEditorPorts ports) : ports_(ports) {}

  // Whether the field can take the replacement of the `characters` before
  // the caret exactly; where it cannot, the text stays as typed.
  bool canReplace(int characters, std::int64_t stepOver = 0) const;
  // Whether the field, where its text was read, has white space (or its
  // start) right before the last `characters` before the caret: otherwise the
  // caret was put into a word, or keys went by unseen, and what the detector
  // holds is not the whole word there; with typed, also that those are its characters.
  static bool beginsAWord(const std::optional<FieldText>& field, int characters, std::u16string_view typed = {});

  // The program's own keys and rewrites are under way (the keys it posts come back through the taps).
  bool isWriting() const { return writing_; }
  void begin() { writing_ = true; }
  void end();
  // When the last rewrite ended (virtual seconds), or -infinity.
  double lastEnd() const { return lastEnd_; }

  // Replaces the `characters` characters before the caret by text. True when
  // typed keys were used (the separator, when given, has then been typed too).
  bool replaceBeforeCaret(const std::optional<FieldText>& field, int characters, const std::u16string& text,
                          const std::u16string* separator);
  // Replaces `word`, which ends `spacesToSkip` characters before the caret
  // where the field was not read; in a read field it stands `before` units
  // before the caret and `after` after it (negative: it ends before the caret).
  void replaceWord(const std::optional<FieldText>& field, const std::u16string& word, const std::u16string& result,
                   std::int64_t before, std::int64_t after, std::int64_t spacesToSkip,
                   const std::function<void()>& switchLayout);
  // Replaces the field's selected text.
  void replaceSelection(const std::optional<FieldText>& field, const std::u16string& result,
                        const std::function<void()>& switchLayout);
  // Replaces the word of the field's text from `start` to `end` (UTF-16),
  // which `trailing` units of white space (and emoji) follow up to the caret.
  void replaceWordBeforeCaret(const FieldText& field, std::int64_t start, std::int64_t end, std::int64_t trailing,
                              const std::u16string& word, const std::u16string& result,
                              const std::function<void()>& switchLayout);

 private:
  void typeText(const std::u16string& text, double delay);
  void pressKey(std::uint16_t keyCode, int times, double delay = 0.001);
  void postKey(std::uint16_t keyCode, bool keyDown, const std::u16string* text);

  FieldEditorPorts ports_;
  bool writing_ = false;
  double lastEnd_ = -std::numeric_limits<double>::infinity();
};

}  // namespace brisquel
