// SPDX-License-Identifier: MIT
#include "sim/SimKeyboard.h"

#include <algorithm>
#include <string>
#include <utility>

#include "base/KeyCodes.h"
#include "base/Text.h"

namespace brisquel::sim {

namespace {

std::uint64_t modifierFlag(std::uint16_t code) {
  static constexpr struct {
    std::uint16_t code;
    std::uint64_t flag;
  } modifiers[] = {
      {KeyCode::Shift, Flags::Shift},     {KeyCode::RightShift, Flags::Shift},
      {KeyCode::Control, Flags::Control}, {KeyCode::RightControl, Flags::Control},
      {KeyCode::Option, Flags::Option},   {KeyCode::RightOption, Flags::Option},
      {KeyCode::Command, Flags::Command}, {KeyCode::RightCommand, Flags::Command},
      {KeyCode::Function, Flags::Fn},
  };
  for (const auto& modifier : modifiers) {
    if (modifier.code == code) return modifier.flag;
  }
  return 0;
}

// Characters of the keys outside the layout table, as the system gives them.
std::optional<std::u16string> functionKeyCharacters(std::uint16_t code) {
  static constexpr struct {
    std::uint16_t code;
    const char16_t* characters;
  } keys[] = {
      {KeyCode::Return, u"\r"},
      {KeyCode::Tab, u"\t"},
      {KeyCode::Delete, u"\x7f"},
      {KeyCode::Escape, u"\x1b"},
      {KeyCode::ForwardDelete, u"\uF728"},
      {KeyCode::Home, u"\uF729"},
      {KeyCode::End, u"\uF72B"},
      {KeyCode::UpArrow, u"\uF700"},
      {KeyCode::DownArrow, u"\uF701"},
      {KeyCode::LeftArrow, u"\uF702"},
      {KeyCode::RightArrow, u"\uF703"},
  };
  for (const auto& key : keys) {
    if (key.code == code) return std::u16string(key.characters);
  }
  return std::nullopt;
}

// Control turns the ASCII letters and @[\]^_ into control characters.
std::u16string withControl(const std::u16string& s) {
  if (s.size() == 1) {
    char16_t c = s[0];
    if (c >= u'a' && c <= u'z') return std::u16string(1, static_cast<char16_t>(c - u'a' + 1));
    if (c >= u'@' && c <= u'_') return std::u16string(1, static_cast<char16_t>(c - u'@'));
  }
  return s;
}

}  // namespace

// ---------------------------------------------------------------------------
// Taps and monitors

struct SimKeyboard::TapState {
  std::uint64_t mask = 0;
  TapCallback callback;
  bool enabled = true;
  bool alive = true;
};

class SimKeyboard::Tap final : public EventTap {
 public:
  Tap(std::weak_ptr<Taps> taps, std::shared_ptr<TapState> state) : taps_(std::move(taps)), state_(std::move(state)) {}
  ~Tap() override {
    state_->alive = false;
    if (auto taps = taps_.lock()) std::erase(*taps, state_);
  }
  void setEnabled(bool enabled) override { state_->enabled = enabled; }
  bool isEnabled() const override { return state_->enabled; }

 private:
  std::weak_ptr<Taps> taps_;
  std::shared_ptr<TapState> state_;
};

std::unique_ptr<EventTap> SimKeyboard::createEventTap(std::uint64_t eventMask, TapCallback callback) {
  if (!context_.trusted) return nullptr;
  auto state = std::make_shared<TapState>();
  state->mask = eventMask;
  state->callback = std::move(callback);
  taps_->insert(taps_->begin(), state);
  return std::make_unique<Tap>(taps_, state);
}

Registration SimKeyboard::observeModifiers(std::function<void(const KeyEvent&)> handler) {
  return flagsMonitors_->add(std::move(handler));
}

Registration SimKeyboard::observeCaretMoves(std::function<void(CaretMove)> handler) {
  return caretMonitors_->add(std::move(handler));
}

void SimKeyboard::disableTaps(EventType reason) {
  auto snapshot = *taps_;
  for (const auto& tap : snapshot) {
    if (!tap->alive || !tap->enabled) continue;
    tap->enabled = false;
    KeyEvent event;
    event.type = reason;
    if (auto callback = tap->callback) callback(reason, event);
  }
  context_.loop.advance(0);
}

void SimKeyboard::click(std::optional<std::int64_t> caretPosition) {
  SimApp* app = context_.apps.frontmost();
  if (caretPosition && app) app->setSelection({*caretPosition, 0});
  caretMonitors_->call(CaretMove::Click);
  context_.loop.advance(0);
}

// ---------------------------------------------------------------------------
// What a key types

bool SimKeyboard::isModifierKey(std::uint16_t code) {
  return code >= KeyCode::RightCommand && code <= KeyCode::Function;
}

std::uint64_t SimKeyboard::flags() const {
  std::uint64_t f = capsLock_ ? Flags::CapsLock : 0;
  for (auto code : heldModifiers_) f |= modifierFlag(code);
  return f;
}

// The key's characters on the current layout with the given flags, before dead-key handling.
struct SimKeyboard::KeyOutput {
  std::optional<std::u16string> characters;
  std::optional<std::u16string> ignoringModifiers;
  const DeadKey* dead = nullptr;
  bool fromTable = false;
};

SimKeyboard::KeyOutput SimKeyboard::keyOutput(std::uint16_t code, std::uint64_t f) const {
  KeyOutput out;
  if (auto chars = functionKeyCharacters(code)) {
    out.characters = out.ignoringModifiers = *chars;
    return out;
  }
  const LayoutKey* key = findKey(context_.current.keys(), code);
  if (!key) return out;
  bool shifted = (f & Flags::Shift) != 0;
  // Caps Lock inverts Shift on letter keys (whose Shift level is the plain level's upper case).
  const KeyLevel& plain = key->levels[0];
  if ((f & Flags::CapsLock) && !plain.isDead() && !key->levels[1].isDead() && plain.text != key->levels[1].text &&
      text::toLower(key->levels[1].text) == plain.text) {
    shifted = !shifted;
  }
  const KeyLevel& level = key->levels[shifted ? 1 : 0];
  out.fromTable = true;
  if (level.isDead()) {
    out.dead = findDeadKey(level.deadKey);
    std::u16string spacing = out.dead ? std::u16string(out.dead->spacing) : std::u16string();
    out.characters = out.ignoringModifiers = spacing;
    return out;
  }
  std::u16string s(level.text);
  out.ignoringModifiers = s;
  out.characters = (f & Flags::Control) ? withControl(s) : s;
  return out;
}

KeyEvent SimKeyboard::physicalKeyEvent(std::uint16_t code, bool down, bool autoRepeat) {
  std::uint64_t f = flags();
  KeyOutput out = keyOutput(code, f);
  KeyEvent event;
  event.type = down ? EventType::KeyDown : EventType::KeyUp;
  event.keyCode = code;
  event.flags = f;
  event.autoRepeat = autoRepeat;
  event.characters = out.characters;
  event.charactersIgnoringModifiers = out.ignoringModifiers;
  bool shortcut = (f & (Flags::Command | Flags::Control)) != 0;
  if (shortcut) return event;
  if (out.dead) {
    // A dead key gives nothing and waits; a second one replaces the first.
    event.characters = event.charactersIgnoringModifiers = u"";
    if (down) {
      pendingDead_ = out.dead;
      pendingDeadSource_ = context_.current.changes;
    }
    return event;
  }
  if (pendingDeadSource_ != context_.current.changes) pendingDead_ = nullptr;
  if (!down || !pendingDead_) return event;
  const DeadKey* dead = std::exchange(pendingDead_, nullptr);
  if (code == KeyCode::Space) {
    event.characters = std::u16string(dead->spacing);
  } else if (out.fromTable && out.characters) {
    if (auto composed = text::composeOne(*out.characters, dead->combining)) event.characters = *composed;
  }
  return event;
}

std::optional<KeyEvent> SimKeyboard::createKeyboardEvent(std::uint16_t keyCode, bool keyDown) {
  KeyOutput out = keyOutput(keyCode, 0);
  KeyEvent event;
  event.type = keyDown ? EventType::KeyDown : EventType::KeyUp;
  event.keyCode = keyCode;
  event.characters = out.dead ? std::optional<std::u16string>(u"") : out.characters;
  event.charactersIgnoringModifiers = out.dead ? std::optional<std::u16string>(u"") : out.ignoringModifiers;
  return event;
}

// ---------------------------------------------------------------------------
// Delivery

void SimKeyboard::post(const KeyEvent& event) {
  posted_.push_back({event, context_.loop.now()});
  inject(event);
}

void SimKeyboard::inject(const KeyEvent& event) {
  queue_.push_back(event);
  if (dispatching_) return;  // delivered after the current event, in order
  dispatching_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{dispatching_};
  while (!queue_.empty()) {
    KeyEvent next = std::move(queue_.front());
    queue_.pop_front();
    route(next);
  }
}

void SimKeyboard::replayLateKeys() {
  auto late = std::exchange(late_, {});
  for (auto& [pid, event] : late)
    if (SimApp* app = context_.apps.byPid(pid)) app->deliver(event);
}

void SimKeyboard::route(KeyEvent event) {
  auto snapshot = *taps_;
  for (const auto& tap : snapshot) {
    if (!tap->alive || !tap->enabled) continue;
    if (!(tap->mask & eventMaskBit(event.type))) continue;
    auto callback = tap->callback;
    std::optional<KeyEvent> result = callback ? callback(event.type, event) : std::optional<KeyEvent>(event);
    if (!result) return;
    event = std::move(*result);
  }
  if (event.type == EventType::FlagsChanged) flagsMonitors_->call(event);
  SimApp* app = context_.apps.frontmost();
  if (!app) return;
  if (app->replaysKeysLate() && event.userData == syntheticEventMarker &&
      (!event.characters || insertable(*event.characters).empty())) {
    // On the client's next pass: after the work running now, or before the next key.
    if (late_.empty()) {
      context_.loop.async([weak = std::weak_ptr<Taps>(taps_), this] {
        if (weak.lock()) replayLateKeys();
      });
    }
    late_.emplace_back(app->pid(), std::move(event));
    return;
  }
  app->deliver(event);
}

void SimKeyboard::modifierKey(std::uint16_t code) {
  KeyEvent event;
  event.type = EventType::FlagsChanged;
  event.keyCode = code;
  event.flags = flags();
  inject(event);
}

void SimKeyboard::keyDown(std::uint16_t code, bool autoRepeat) {
  replayLateKeys();
  if (isModifierKey(code)) {
    if (code == KeyCode::CapsLock) {
      capsLock_ = !capsLock_;
    } else {
      heldModifiers_.insert(code);
    }
    modifierKey(code);
  } else {
    inject(physicalKeyEvent(code, true, autoRepeat));
  }
  context_.loop.advance(0);
}

void SimKeyboard::keyUp(std::uint16_t code) {
  replayLateKeys();
  if (isModifierKey(code)) {
    if (code == KeyCode::CapsLock || !heldModifiers_.erase(code)) return;  // Caps Lock toggles on press
    modifierKey(code);
  } else {
    inject(physicalKeyEvent(code, false, false));
  }
  context_.loop.advance(0);
}

void SimKeyboard::typeUnmapped(std::u16string_view text) {
  replayLateKeys();
  KeyEvent event;
  event.type = EventType::KeyDown;
  event.flags = flags();
  event.characters = event.charactersIgnoringModifiers = std::u16string(text);
  inject(event);
  event.type = EventType::KeyUp;
  inject(event);
  context_.loop.advance(0);
}

}  // namespace brisquel::sim
