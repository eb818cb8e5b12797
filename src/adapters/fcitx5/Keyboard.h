// SPDX-License-Identifier: MIT
#pragma once
// Key events and taps on fcitx5. A watcher ahead of the input method sees
// every key of the focused input context before the application does, so a
// tap's decision is real: a passed key goes on to the input method and the
// application, a dropped key is filtered, a replaced key is filtered and its
// replacement forwarded. Posted events are queued and pass through the taps
// after the current decision, never in the middle of it; then text is
// committed as text (the text of one batch in one piece) and other keys are
// forwarded with their real keycodes.
// Keys of password and sensitive fields reach no tap.
//
// Rewrites reach each kind of client by a way it keeps in order: a client
// that offers surrounding text has it rewritten (FocusedText, without keys); a terminal
// gets BackSpace as the DEL character among the committed text; a D-Bus or
// ibus client without surrounding text (Chromium and its kin, which replay
// forwarded keys after later commits) types through composing text, and only
// the composing text can be rewritten there; XIM and Wayland clients take
// forwarded keys and commits in order.

#include <fcitx-utils/trackableobject.h>
#include <fcitx/event.h>

#include <bitset>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/KeyPath.h"
#include "fcitx5/Composing.h"
#include "fcitx5/Session.h"
#include "fcitx5/WaylandDisplays.h"
#include "platform/KeyEvents.h"
#include "platform/MainQueue.h"

namespace brisquel::fcitx5 {

class Keyboard final : public KeyboardPort, public fcitx::TrackableObject<Keyboard> {
 public:
  Keyboard(Session& session, MainQueuePort& mainQueue, WaylandDisplays& wayland);
  ~Keyboard() override;

  std::unique_ptr<EventTap> createEventTap(std::uint64_t eventMask, TapCallback callback) override;
  Registration observeModifiers(std::function<void(const KeyEvent&)> handler) override;
  Registration observeCaretMoves(std::function<void(CaretMove)> handler) override;
  std::optional<KeyEvent> createKeyboardEvent(std::uint16_t keyCode, bool keyDown) override;
  void post(const KeyEvent& event) override;

  // Commits text to the focused context. While a key is being decided the
  // text waits for the end of the decision, so that the key's own text goes
  // in the same commit: the client applies one change, not two.
  void commit(fcitx::InputContext& ic, const std::string& text);
  // Commits the text that waits, before an edit that must come after it.
  void commitPending();

  // Whether keys replace the `characters` characters before the caret
  // exactly in the focused field, the caret first stepping over `stepOver`.
  bool canRetype(int characters, int stepOver);

  // The host's watchers call these.
  void handle(fcitx::KeyEvent& event);
  // A new field or a reset: what was typed before is no longer before the cursor.
  void caretMoved(CaretMove why);
  // The client reset its input method or lost the focus: it keeps what it
  // shows, and nothing is composed any more.
  void composingEnded() { composing_.forget(); }
  // fcitx5 commits the composing text shown in the field of a context that
  // loses the focus; text composed in fcitx5's own panel is committed here.
  void focusLost(fcitx::InputContext& ic);
  // The input method changed (fcitx5 clears the composing text then).
  void inputMethodChanged(fcitx::InputContext& ic) { composing_.show(ic); }
  // Text was committed to the context, or a key forwarded to its client.
  void textCommitted(fcitx::InputContext& ic) { committedIn_ = ic.watch(); }
  void keyForwarded() { committedIn_.unwatch(); }
  // A key the input method let through to the client. A Space after text the
  // input method committed (a layout whose letters it types as text) goes as
  // text too: toolkits apply commits at once and keys later, so after a stall
  // the next word's letters would land before the Space.
  void passedOn(fcitx::KeyEvent& event);

  // How long deciding each key took, in microseconds: count, median, p99,
  // max; in all, and without the host's own work the key set off.
  struct Timings {
    std::size_t keys = 0;
    double median = 0, p99 = 0, max = 0;
    double ownMedian = 0, ownP99 = 0, ownMax = 0;
  };
  Timings timings() const;

 private:
  struct Tap;
  class TapHandle;
  struct Monitor {  // one of the two is set
    std::function<void(const KeyEvent&)> onModifiers;
    std::function<void(CaretMove)> onCaretMove;
  };

  std::optional<KeyEvent> translate(const fcitx::KeyEvent& event);
  std::optional<KeyEvent> runTaps(const KeyEvent& event);
  Registration addMonitor(Monitor monitor);
  void notifyModifiers(const KeyEvent& event);
  void deliver(const KeyEvent& event);
  void flushPosted();
  // A key passed on in a client that composes: typed text is composed,
  // BackSpace takes from the composing text, other keys commit it first.
  enum class Composed { Passed, Taken, Committed };
  Composed compose(fcitx::InputContext& ic, const KeyEvent& event, fcitx::KeySym sym);
  // Whether the key posted while deciding is the source key itself, as a
  // Control shortcut comes back.
  bool postedAsItself(const fcitx::KeyEvent& source, const KeyEvent& event) const;
  bool composes(const fcitx::InputContext& ic) const {
    return Composing::isUsedIn(ic, session_.client(ic), isTerminal(ic));
  }
  // A terminal (fcitx5's Terminal capability, or a program on the list) takes
  // Control+Shift where Command stands.
  bool isTerminal(const fcitx::InputContext& ic) const;

  Session& session_;
  MainQueuePort& mainQueue_;
  WaylandDisplays& wayland_;
  // Replaced as a whole, never changed in place: a key takes the list as it
  // is without copying it, and a callback may add or remove entries meanwhile.
  using Taps = std::vector<std::shared_ptr<Tap>>;
  using Monitors = std::vector<std::shared_ptr<Monitor>>;
  std::shared_ptr<const Taps> taps_ = std::make_shared<const Taps>();  // newest first
  std::shared_ptr<const Monitors> monitors_ = std::make_shared<const Monitors>();
  std::deque<KeyEvent> posted_;
  std::string pendingText_;  // posted text, committed in one piece
  Composing composing_;
  bool deadKeyPassed_ = false;  // the input method composes the next key with it
  bool deciding_ = false;
  bool flushScheduled_ = false;
  fcitx::TrackableObjectReference<fcitx::InputContext> committedIn_;  // the last thing it got was text
  int spaceTaken_ = 0;  // keycode of a Space press sent as text: its release goes no further
  std::bitset<1024> keysDown_;  // X keycodes (evdev codes + 8) held down
  std::vector<float> durations_;
  std::vector<float> ownDurations_;
  keypath::KeptWarm keptWarm_{this, sizeof(*this)};  // read at every key
};

}  // namespace brisquel::fcitx5
