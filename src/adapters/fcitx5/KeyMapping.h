// SPDX-License-Identifier: MIT
#pragma once
// Conversions between fcitx5's key events and the program's key event
// record: X keycodes (evdev + 8, the same on every layout) to the US-position
// virtual key codes, modifier states to flags, and back for the keys the
// program forwards.

#include <fcitx-utils/key.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/KeyEvents.h"

namespace brisquel::fcitx5 {

// The virtual key code of an X keycode, or none for keys the program has no code for.
std::optional<std::uint16_t> virtualKeyCode(int xkbKeycode);

// The X keycode and the US-layout keysym of a virtual key code, or none.
struct PhysicalKey {
  int xkbKeycode = 0;
  fcitx::KeySym sym = FcitxKey_None;
};
std::optional<PhysicalKey> physicalKey(std::uint16_t keyCode);

// The keys of the main block that type characters, and Space, as
// {X keycode, virtual key code}.
std::vector<std::pair<int, std::uint16_t>> typingKeys();

// The modifier flag a modifier key stands for (Shift, Control, Alt as Option,
// Super as Command); 0 for any other key. A PC keyboard has no Fn key.
std::uint64_t modifierFlag(fcitx::KeySym sym);
std::uint64_t flagsOf(fcitx::KeyStates states);

// Modifier states for a key the program posts. Linux applications take
// Control where macOS takes Command, and terminals Control+Shift.
fcitx::KeyStates statesFor(std::uint64_t flags, bool terminal);

// What the key types, as the event's characters: printable text, or the
// control characters and function-key characters of Return, Tab, Escape,
// BackSpace, Delete and the arrows. Empty for keys that type nothing.
std::u16string charactersOf(fcitx::KeySym sym);

// The event record of a key as fcitx5 reports it (X keycode, keysym and
// modifier states), without the repeat flag, which needs the keys held
// before; none for Caps Lock, which shows only in the flags.
std::optional<KeyEvent> keyEventOf(const fcitx::Key& raw, bool release);


}  // namespace brisquel::fcitx5
