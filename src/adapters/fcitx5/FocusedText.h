// SPDX-License-Identifier: MIT
#pragma once
// The focused text field on fcitx5: the focused input context's surrounding
// text is what the field tells (UTF-16 units here, characters in fcitx5):
// the words around the caret that a correction or a conversion can reach,
// not the whole of a long paragraph.
// A rewrite there is one delete-surrounding and one commit, counted from the
// cursor, which every client with surrounding text applies in order. A
// client without surrounding text, and every password or sensitive field,
// has no readable text: the program types keys instead, which the keyboard
// delivers in an order the client keeps (in secure fields it sees no keys at
// all), and the keyboard also tells whether such keys can be exact.
//
// "Trusted" means the keys reach this host: fcitx5 is the session's input
// method. The environment pointing toolkits at another input method, with no
// input context seen yet, says it is not.

#include "base/KeyPath.h"
#include "fcitx5/Keyboard.h"
#include "fcitx5/Session.h"
#include "platform/Accessibility.h"
#include "platform/TextField.h"

namespace brisquel::fcitx5 {

class FocusedText final : public AccessibilityPort, public TextFieldPort {
 public:
  FocusedText(Session& session, Keyboard& keyboard) : session_(session), keyboard_(keyboard) {}

  bool isProcessTrusted(bool prompt) override;
  std::optional<std::int64_t> focusedProcess() override { return std::nullopt; }  // fcitx5 names the program only

  FieldReading read() override;
  bool canReplaceBeforeCaret(int characters, int stepOver) override;
  bool replaceBeforeCaret(int characters, std::u16string_view text, int stepOver) override;
  bool replaceSelection(std::u16string_view text) override;

 private:
  // The focused context when it offers its text.
  fcitx::InputContext* readable() const;
  // Deletes code points [from, to) of the surrounding text (counted from its
  // start, the cursor among them or at an end) and commits text where they were.
  void rewrite(fcitx::InputContext& ic, std::size_t from, std::size_t to, const std::string& text);

  Session& session_;
  Keyboard& keyboard_;
  keypath::KeptWarm keptWarm_{this, sizeof(*this)};  // read at every key
};

}  // namespace brisquel::fcitx5
