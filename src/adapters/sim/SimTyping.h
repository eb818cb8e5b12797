// SPDX-License-Identifier: MIT
#pragma once
// The user's hands on the simulated keyboard: chords by name and text typed
// with the keys that produce it, at a steady typing interval.

#include <cstdint>
#include <string_view>

#include "sim/SimContext.h"
#include "sim/SimKeyboard.h"

namespace brisquel::sim {

class SimTyping {
 public:
  SimTyping(SimContext& context, SimKeyboard& keyboard) : context_(context), keyboard_(keyboard) {}

  // See Desktop::press, Desktop::typeText and Desktop::setTypingInterval.
  bool press(std::string_view chords);
  void typeText(std::u16string_view text, std::string_view keysLayout);
  void setTypingInterval(double seconds);

 private:
  void stroke(std::uint16_t keyCode, bool shift);
  void typeCharacter(std::u16string_view ch, std::string_view keysLayout);

  SimContext& context_;
  SimKeyboard& keyboard_;
  double typingInterval_ = 0.1;
};

}  // namespace brisquel::sim
