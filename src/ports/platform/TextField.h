// SPDX-License-Identifier: MIT
#pragma once
// The focused text field as the program rewrites it: "replace the N
// characters before the caret with this text", after the caret has stepped
// back over what follows them. Each platform has its own ways of doing that
// (the field's own text interface, the text still being composed, keys) and
// must use one that is exact in the field in front. Some fields have none: a
// client that applies committed text at once but replays forwarded keys later
// turns "BackSpace ×6, then the new word" into a scramble. The field says so
// before the program decides, and the program then leaves the text as typed.

namespace brisquel {

class TextFieldPort {
 public:
  virtual ~TextFieldPort() = default;

  // Whether the `characters` characters before the caret can be replaced by
  // any text exactly, the caret first stepping over `stepOver` characters
  // towards them and afterwards back.
  virtual bool canReplaceBeforeCaret(int characters, int stepOver = 0) = 0;
};

}  // namespace brisquel
