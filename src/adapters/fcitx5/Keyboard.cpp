// SPDX-License-Identifier: MIT
#include "fcitx5/Keyboard.h"

#include <algorithm>
#include <chrono>

#include "base/KeyCodes.h"
#include "base/KeyPath.h"
#include "base/Text.h"
#include "fcitx5/KeyMapping.h"

namespace brisquel::fcitx5 {
namespace {

constexpr std::size_t kMaxTimings = 100000;

bool sameEvent(const KeyEvent& a, const KeyEvent& b) {
  return a.type == b.type && a.keyCode == b.keyCode && a.flags == b.flags && a.characters == b.characters &&
         a.userData == b.userData;
}

// Text a key types into a field, as opposed to the control and function-key
// characters that stand for Return, BackSpace and the arrows.
bool isTypedText(const std::u16string& s) {
  return !s.empty() && std::none_of(s.begin(), s.end(), [](char16_t c) {
    return c < 0x20 || c == 0x7f || (c >= 0xF700 && c <= 0xF8FF);
  });
}

// Latin letter keysyms are their ASCII codes.
fcitx::KeySym latinUpper(fcitx::KeySym sym) {
  return sym >= FcitxKey_a && sym <= FcitxKey_z ? static_cast<fcitx::KeySym>(sym - 0x20) : sym;
}

// Notes how long deciding a key took, however the decision ends: in all,
// and without the host's work it set off.
class DecisionTimer {
 public:
  DecisionTimer(const Session& session, std::vector<float>& durations, std::vector<float>& ownDurations)
      : session_(session), durations_(durations), ownDurations_(ownDurations) {}
  ~DecisionTimer() {
    if (durations_.size() >= kMaxTimings) return;
    using Microseconds = std::chrono::duration<float, std::micro>;
    const auto all = std::chrono::steady_clock::now() - start_;
    durations_.push_back(Microseconds(all).count());
    ownDurations_.push_back(Microseconds(all - (session_.hostTime - hostTimeBefore_)).count());
  }
  DecisionTimer(const DecisionTimer&) = delete;
  DecisionTimer& operator=(const DecisionTimer&) = delete;

 private:
  const Session& session_;
  std::vector<float>& durations_;
  std::vector<float>& ownDurations_;
  const std::chrono::steady_clock::duration hostTimeBefore_ = session_.hostTime;
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// The list without one entry, as a new list: the old one may be in use.
template <typename T>
std::shared_ptr<const std::vector<std::shared_ptr<T>>> without(const std::vector<std::shared_ptr<T>>& list,
                                                               const std::shared_ptr<T>& entry) {
  auto rest = std::make_shared<std::vector<std::shared_ptr<T>>>();
  rest->reserve(list.size());
  for (const auto& item : list)
    if (item != entry) rest->push_back(item);
  return rest;
}

}  // namespace

struct Keyboard::Tap {
  Tap(std::uint64_t eventMask, TapCallback tapCallback) : mask(eventMask), callback(std::move(tapCallback)) {}
  std::uint64_t mask = 0;
  TapCallback callback;
  bool enabled = false;
  keypath::KeptWarm keptWarm{this, sizeof(*this)};
};

class Keyboard::TapHandle final : public EventTap {
 public:
  TapHandle(std::shared_ptr<Tap> tap, std::function<void()> remove) : tap_(std::move(tap)), remove_(std::move(remove)) {}
  ~TapHandle() override = default;
  void setEnabled(bool enabled) override { tap_->enabled = enabled; }
  bool isEnabled() const override { return tap_->enabled; }

 private:
  std::shared_ptr<Tap> tap_;
  Registration remove_;
};

Keyboard::Keyboard(Session& session, MainQueuePort& mainQueue, WaylandDisplays& wayland)
    : session_(session), mainQueue_(mainQueue), wayland_(wayland) {}

Keyboard::~Keyboard() = default;

std::unique_ptr<EventTap> Keyboard::createEventTap(std::uint64_t eventMask, TapCallback callback) {
  auto tap = std::make_shared<Tap>(eventMask, std::move(callback));
  auto taps = std::make_shared<Taps>();
  taps->push_back(tap);
  taps->insert(taps->end(), taps_->begin(), taps_->end());
  taps_ = std::move(taps);
  auto alive = watch();
  return std::make_unique<TapHandle>(tap, [this, alive, tap] {
    if (alive.isValid()) taps_ = without(*taps_, tap);
  });
}

Registration Keyboard::observeModifiers(std::function<void(const KeyEvent&)> handler) {
  return addMonitor({std::move(handler), nullptr});
}

Registration Keyboard::observeCaretMoves(std::function<void(CaretMove)> handler) {
  return addMonitor({nullptr, std::move(handler)});
}

Registration Keyboard::addMonitor(Monitor added) {
  auto monitor = std::make_shared<Monitor>(std::move(added));
  auto monitors = std::make_shared<Monitors>(*monitors_);
  monitors->push_back(monitor);
  monitors_ = std::move(monitors);
  auto alive = watch();
  return Registration([this, alive, monitor] {
    if (alive.isValid()) monitors_ = without(*monitors_, monitor);
  });
}

std::optional<KeyEvent> Keyboard::createKeyboardEvent(std::uint16_t keyCode, bool keyDown) {
  if (!physicalKey(keyCode)) return std::nullopt;
  KeyEvent event;
  event.type = keyDown ? EventType::KeyDown : EventType::KeyUp;
  event.keyCode = keyCode;
  return event;
}

void Keyboard::post(const KeyEvent& event) {
  posted_.push_back(event);
  if (deciding_ || flushScheduled_) return;
  flushScheduled_ = true;
  auto alive = watch();
  mainQueue_.async([this, alive] {
    if (!alive.isValid()) return;
    flushScheduled_ = false;
    flushPosted();
    // Made outside a key event: on Wayland it would wait for fcitx5's next activity.
    wayland_.flush();
  });
}

BRISQUEL_KEY_PATH bool Keyboard::isTerminal(const fcitx::InputContext& ic) const {
  return ic.capabilityFlags().test(fcitx::CapabilityFlag::Terminal) || session_.client(ic).listedTerminal;
}

BRISQUEL_KEY_PATH std::optional<KeyEvent> Keyboard::translate(const fcitx::KeyEvent& source) {
  const fcitx::Key raw = source.rawKey();
  auto event = keyEventOf(raw, source.isRelease());
  if (!event || event->type == EventType::FlagsChanged) return event;
  // fcitx5 sends no repeat flag: a second press without a release is one.
  const int code = raw.code();
  if (code <= 0 || static_cast<std::size_t>(code) >= keysDown_.size()) return event;
  if (source.isRelease()) {
    keysDown_.reset(static_cast<std::size_t>(code));
  } else {
    event->autoRepeat = keysDown_.test(static_cast<std::size_t>(code));
    keysDown_.set(static_cast<std::size_t>(code));
  }
  return event;
}

BRISQUEL_KEY_PATH std::optional<KeyEvent> Keyboard::runTaps(const KeyEvent& event) {
  std::optional<KeyEvent> current = event;
  const auto taps = taps_;  // a callback may add or remove taps: this list stays as it is
  const bool wasDeciding = std::exchange(deciding_, true);
  for (const auto& tap : *taps) {
    if (!tap->enabled || !(tap->mask & eventMaskBit(current->type))) continue;
    current = tap->callback(current->type, *current);
    if (!current) break;
  }
  deciding_ = wasDeciding;
  return current;
}

void Keyboard::notifyModifiers(const KeyEvent& event) {
  const auto monitors = monitors_;
  for (const auto& monitor : *monitors)
    if (monitor->onModifiers) monitor->onModifiers(event);
}

void Keyboard::caretMoved(CaretMove why) {
  composing_.forget();
  const auto monitors = monitors_;
  for (const auto& monitor : *monitors)
    if (monitor->onCaretMove) monitor->onCaretMove(why);
}

Keyboard::Timings Keyboard::timings() const {
  Timings t;
  if (durations_.empty()) return t;
  auto figures = [](std::vector<float> sorted, double& median, double& p99, double& max) {
    std::sort(sorted.begin(), sorted.end());
    median = sorted[(sorted.size() - 1) / 2];
    p99 = sorted[(sorted.size() - 1) * 99 / 100];
    max = sorted.back();
  };
  t.keys = durations_.size();
  figures(durations_, t.median, t.p99, t.max);
  figures(ownDurations_, t.ownMedian, t.ownP99, t.ownMax);
  return t;
}

BRISQUEL_KEY_PATH void Keyboard::handle(fcitx::KeyEvent& source) {
  const DecisionTimer timer(session_, durations_, ownDurations_);
  keypath::warm();
  fcitx::InputContext* ic = source.inputContext();
  session_.setFocus(ic);
  if (session_.stopped || Session::isSecure(*ic)) return;
  const auto event = translate(source);
  if (!event) return;

  session_.editedDuringKey = false;
  const auto decision = runTaps(*event);
  const bool edited = std::exchange(session_.editedDuringKey, false);
  if (event->type == EventType::FlagsChanged) notifyModifiers(*event);

  if (!decision && Composing::batchesKeys(*ic, session_.client(*ic)) && postedAsItself(source, *event)) {
    // fcitx5's GTK 4 module makes no shortcut of a forwarded key: a
    // shortcut that comes back as the same key goes on as it came.
    posted_.clear();
    composing_.commit(*ic);
    return;
  }
  if (!decision) {
    source.filterAndAccept();
  } else if (!sameEvent(*decision, *event)) {
    source.filterAndAccept();
    deliver(*decision);
  } else if (edited && event->type == EventType::KeyDown && event->characters && isTypedText(*event->characters) &&
             !(event->flags & (Flags::Control | Flags::Option | Flags::Command))) {
    // The text before the cursor was just rewritten. Frontends that talk
    // D-Bus deliver a passed key and a commit in no fixed order, so the key's
    // own text is committed after the rewrite instead.
    source.filterAndAccept();
    pendingText_ += text::toUtf8(*event->characters);
    commitPending();
  } else if (composes(*ic)) {
    // After the program's own edits, which come first in the text.
    flushPosted();
    switch (compose(*ic, *event, source.rawKey().sym())) {
      case Composed::Passed:
        break;
      case Composed::Taken:
        source.filterAndAccept();
        break;
      case Composed::Committed:
        // Clients that batch apply the commit from the key's answer, then
        // the key (and drop forwarded ones).
        if (Composing::batchesKeys(*ic, session_.client(*ic))) break;
        // A key that comes with a commit is taken for the input method's own
        // (Chromium then never gives Return to the page): it follows the
        // commit as a key of its own.
        source.filterAndAccept();
        const Session::HostWork host(session_);
        ic->forwardKey(source.rawKey(), false);
        break;
    }
    return;
  }
  flushPosted();
}

bool Keyboard::postedAsItself(const fcitx::KeyEvent& source, const KeyEvent& event) const {
  if (posted_.size() != 1 || posted_.front().type != event.type || posted_.front().keyCode != event.keyCode)
    return false;
  const fcitx::KeyStates mask{fcitx::KeyState::Shift, fcitx::KeyState::Ctrl, fcitx::KeyState::Alt};
  const fcitx::InputContext& ic = *source.inputContext();
  return (statesFor(posted_.front().flags, isTerminal(ic)) & mask) == (source.rawKey().states() & mask);
}

void Keyboard::focusLost(fcitx::InputContext& ic) {
  if (!ic.capabilityFlags().test(fcitx::CapabilityFlag::Preedit)) composing_.commit(ic);
  composing_.forget();
}

BRISQUEL_KEY_PATH void Keyboard::passedOn(fcitx::KeyEvent& source) {
  fcitx::InputContext& ic = *source.inputContext();
  const fcitx::Key key = source.rawKey();
  if (source.isRelease()) {
    if (spaceTaken_ != 0 && key.code() == spaceTaken_) {
      spaceTaken_ = 0;
      source.filterAndAccept();
    }
    return;
  }
  const bool afterText = committedIn_.get() == &ic;
  committedIn_.unwatch();
  // Terminals take a Space key as their own input and keep XIM's order.
  if (!afterText || key.sym() != FcitxKey_space || (key.states() & fcitx::KeyState::SimpleMask) ||
      session_.stopped || Session::isSecure(ic) || isTerminal(ic))
    return;
  source.filterAndAccept();
  spaceTaken_ = key.code();
  ic.commitString(" ");
}

bool Keyboard::canRetype(int characters, int stepOver) {
  fcitx::InputContext* ic = session_.focused();
  if (!ic || !composes(*ic)) return true;
  return stepOver == 0 && characters <= composing_.size(*ic);
}

BRISQUEL_KEY_PATH Keyboard::Composed Keyboard::compose(fcitx::InputContext& ic, const KeyEvent& event,
                                                       fcitx::KeySym sym) {
  if (event.type == EventType::FlagsChanged) return Composed::Passed;
  const bool release = event.type == EventType::KeyUp;
  const bool plain = !(event.flags & (Flags::Control | Flags::Option | Flags::Command));
  const bool afterDeadKey = std::exchange(deadKeyPassed_, false);
  if (plain && !afterDeadKey && event.characters && isTypedText(*event.characters)) {
    if (release) return Composed::Passed;
    composing_.add(ic, *event.characters);
    return Composed::Taken;
  }
  if (plain && event.keyCode == KeyCode::Delete && !release && composing_.removeLast(ic)) return Composed::Taken;
  if (release) return Composed::Passed;
  if (sym >= FcitxKey_dead_grave && sym <= FcitxKey_dead_greek) {
    // The input method composes the next key with it, and takes the dead key itself.
    deadKeyPassed_ = true;
    composing_.commit(ic);
    return Composed::Passed;
  }
  if (composing_.size(ic) == 0) return Composed::Passed;
  composing_.commit(ic);
  return Composed::Committed;
}

BRISQUEL_KEY_PATH void Keyboard::flushPosted() {
  if (deciding_) return;
  while (!posted_.empty()) {
    const KeyEvent event = posted_.front();
    posted_.pop_front();
    if (auto passed = runTaps(event)) deliver(*passed);
  }
  commitPending();
}

void Keyboard::commit(fcitx::InputContext& ic, const std::string& text) {
  if (deciding_ && &ic == session_.focused()) {
    pendingText_ += text;
    return;
  }
  commitPending();
  const Session::HostWork host(session_);
  ic.commitString(text);
}

BRISQUEL_KEY_PATH void Keyboard::commitPending() {
  if (pendingText_.empty()) return;
  if (fcitx::InputContext* ic = session_.focused()) {
    if (composes(*ic)) {
      composing_.add(*ic, text::fromUtf8(pendingText_));
    } else {
      const Session::HostWork host(session_);
      ic->commitString(pendingText_);
    }
  }
  pendingText_.clear();
}

void Keyboard::deliver(const KeyEvent& event) {
  fcitx::InputContext* ic = session_.focused();
  if (!ic || event.type == EventType::FlagsChanged) return;
  const bool release = event.type == EventType::KeyUp;
  const bool plain = !(event.flags & (Flags::Control | Flags::Option | Flags::Command));
  if (event.characters && isTypedText(*event.characters) && plain) {
    if (!release) pendingText_ += text::toUtf8(*event.characters);
    return;
  }
  // XIM terminals (xterm) take forwarded keys and committed text in no fixed
  // order; a BackSpace committed as the DEL character it types goes in order
  // with the text around it.
  if (event.keyCode == KeyCode::Delete && plain && isTerminal(*ic) &&
      !ic->capabilityFlags().test(fcitx::CapabilityFlag::SurroundingText)) {
    if (!release) pendingText_ += '\x7f';
    return;
  }
  commitPending();
  if (composes(*ic)) {
    // The program's BackSpace takes from the composing text; any other key
    // commits it first, since the client replays forwarded keys late.
    if (event.keyCode == KeyCode::Delete && plain) {
      if (!release) composing_.removeLast(*ic);
      return;
    }
    composing_.commit(*ic);
  }
  const auto key = physicalKey(event.keyCode);
  if (!key) return;
  const fcitx::KeyStates states = statesFor(event.flags, isTerminal(*ic));
  // With Shift a letter key gives the capital, as the X server would report it.
  const fcitx::KeySym sym = states.test(fcitx::KeyState::Shift) ? latinUpper(key->sym) : key->sym;
  const Session::HostWork host(session_);
  ic->forwardKey(fcitx::Key(sym, states, key->xkbKeycode), release);
}

}  // namespace brisquel::fcitx5
