// SPDX-License-Identifier: MIT
#pragma once
// The simulated keyboard: physical keys through the current input source's
// table (Shift, Caps Lock, Control, dead keys), event taps, global monitors,
// and the queue that delivers keys and the program's posted events, in order,
// to the frontmost application.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <string_view>
#include <vector>

#include "platform/KeyEvents.h"
#include "sim/HandlerList.h"
#include "sim/SimContext.h"

namespace brisquel::sim {

class SimKeyboard final : public KeyboardPort {
 public:
  explicit SimKeyboard(SimContext& context) : context_(context) {}

  // Event taps need trust; the tap holds the keyboard weakly.
  std::unique_ptr<EventTap> createEventTap(std::uint64_t eventMask, TapCallback callback) override;
  Registration observeModifiers(std::function<void(const KeyEvent&)> handler) override;
  Registration observeCaretMoves(std::function<void(CaretMove)> handler) override;
  std::optional<KeyEvent> createKeyboardEvent(std::uint16_t keyCode, bool keyDown) override;
  void post(const KeyEvent& event) override;

  // The user's side; see Desktop. Each key runs the work due right after it.
  void keyDown(std::uint16_t keyCode, bool autoRepeat);
  void keyUp(std::uint16_t keyCode);
  // A character no key produces, as a paste or an input method would deliver
  // it: one key-down and key-up carrying it as text.
  void typeUnmapped(std::u16string_view text);
  void click(std::optional<std::int64_t> caretPosition);
  void disableTaps(EventType reason);
  std::uint64_t flags() const;
  const std::vector<ReceivedEvent>& posted() const { return posted_; }
  void clearPosted() { posted_.clear(); }
  std::size_t tapCount() const { return taps_->size(); }

  static bool isModifierKey(std::uint16_t code);

 private:
  struct TapState;
  class Tap;
  using Taps = std::vector<std::shared_ptr<TapState>>;  // newest first
  using MonitorList = HandlerList<std::function<void(const KeyEvent&)>>;
  struct KeyOutput;

  KeyOutput keyOutput(std::uint16_t code, std::uint64_t flags) const;
  KeyEvent physicalKeyEvent(std::uint16_t code, bool down, bool autoRepeat);
  void modifierKey(std::uint16_t code);
  void inject(const KeyEvent& event);
  void route(KeyEvent event);
  // Delivers the program's keys a client replays late (SimApp::replaysKeysLate).
  void replayLateKeys();

  SimContext& context_;
  std::shared_ptr<Taps> taps_ = std::make_shared<Taps>();
  std::shared_ptr<MonitorList> flagsMonitors_ = std::make_shared<MonitorList>();
  std::shared_ptr<HandlerList<std::function<void(CaretMove)>>> caretMonitors_ =
      std::make_shared<HandlerList<std::function<void(CaretMove)>>>();
  std::set<std::uint16_t> heldModifiers_;
  bool capsLock_ = false;
  // A dead key waiting for its base, while the source it was typed on stays current.
  const DeadKey* pendingDead_ = nullptr;
  std::uint64_t pendingDeadSource_ = 0;
  std::deque<KeyEvent> queue_;
  bool dispatching_ = false;
  std::vector<ReceivedEvent> posted_;
  std::vector<std::pair<std::int64_t, KeyEvent>> late_;  // by the pid of the client
};

}  // namespace brisquel::sim
