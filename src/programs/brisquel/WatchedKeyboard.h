// SPDX-License-Identifier: MIT
#pragma once
// The desktop's keyboard as the program sees it, watched: every event on its
// way into the program's tap is seen first, to tell what the person's own
// keys inserted and to time the program's handling of them. `brisquel fix`
// and the benchmark wrap the simulated desktop's keyboard with it.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/KeyEvents.h"

namespace brisquel::cli {

class WatchedKeyboard final : public KeyboardPort {
 public:
  explicit WatchedKeyboard(KeyboardPort& base) : base_(base) {}

  std::unique_ptr<EventTap> createEventTap(std::uint64_t eventMask, TapCallback callback) override;
  Registration observeModifiers(std::function<void(const KeyEvent&)> handler) override {
    return base_.observeModifiers(std::move(handler));
  }
  Registration observeCaretMoves(std::function<void(CaretMove)> handler) override {
    return base_.observeCaretMoves(std::move(handler));
  }
  std::optional<KeyEvent> createKeyboardEvent(std::uint16_t keyCode, bool keyDown) override {
    return base_.createKeyboardEvent(keyCode, keyDown);
  }
  void post(const KeyEvent& event) override { base_.post(event); }

  // What the person's own keys inserted since it was last cleared (line breaks as "\n").
  std::u16string typedByUser;
  // How many of the person's key events reached the tap.
  std::size_t userEvents = 0;
  // While set, told the seconds the program spent on each of the person's
  // key-down and flags-changed events.
  std::function<void(double seconds)> onTimed;
  // While set, run before each of those events, outside its time.
  std::function<void()> beforeTimed;

 private:
  KeyboardPort& base_;
};

}  // namespace brisquel::cli
