// SPDX-License-Identifier: MIT
#pragma once
// The word being typed, held as the field's composing text (preedit) in
// clients that apply committed text as soon as it arrives but replay the keys
// an input method forwards, and the keys it lets through, later from their own
// event queue: GTK's fcitx5 and ibus modules, hence Chromium and every
// Electron application, which also offer no surrounding text. Composing text
// and commits travel in one ordered stream, so the word is rewritten there
// exactly; what has been committed is out of reach.
//
// The composing text ends where white space is typed (the word and the white
// space are then committed in one piece), before any other key goes to the
// client, and when the client resets or loses the focus (the client, or
// fcitx5 for it, then keeps what is shown).

#include <fcitx-utils/trackableobject.h>
#include <fcitx/inputcontext.h>

#include <string>

#include "fcitx5/Session.h"

namespace brisquel::fcitx5 {

class Composing {
 public:
  // Whether typing in the context goes through composing text.
  static bool isUsedIn(const fcitx::InputContext& ic, const Session::Client& client, bool terminal);
  // fcitx5's GTK 4 module takes the commits made during a key in the key's
  // answer and applies them before the delete-surrounding fcitx5 sent earlier
  // as a signal, so its surrounding text cannot be rewritten in order. Such
  // clients (on D-Bus, without KeyEventOrderFix) compose instead.
  static bool batchesKeys(const fcitx::InputContext& ic, const Session::Client& client);

  // Characters composed in the context (none for another context).
  int size(const fcitx::InputContext& ic) const;
  // Adds typed text; text up to its last white space is committed with what was composed.
  void add(fcitx::InputContext& ic, std::u16string_view text);
  // Removes the last character; false when nothing is composed there.
  bool removeLast(fcitx::InputContext& ic);
  // Commits what is composed.
  void commit(fcitx::InputContext& ic);
  // The client keeps (or dropped) what it showed: nothing is composed any more.
  void forget();
  // Shows the composing text again (an input method's reset may have cleared it).
  void show(fcitx::InputContext& ic);

 private:
  // Starts composing in ic, forgetting another context's text.
  void use(fcitx::InputContext& ic);

  fcitx::TrackableObjectReference<fcitx::InputContext> owner_;
  std::u16string text_;
};

}  // namespace brisquel::fcitx5
