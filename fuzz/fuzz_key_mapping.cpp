// SPDX-License-Identifier: MIT
// The desktop host's key conversion on any X keycode, keysym and modifier
// state: never a crash; Caps Lock alone gives no event; a modifier key gives
// flags-changed with its own bit set on press and clear on release; other
// keys carry well-formed text, flags of the four modifiers only, and a known
// keycode's virtual code leads back to a keycode of the same key.
#include <fcitx-utils/key.h>

#include <cstdint>
#include <cstring>

#include "FuzzSupport.h"
#include "base/KeyCodes.h"
#include "base/Text.h"
#include "fcitx5/KeyMapping.h"

using namespace brisquel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 11) return 0;
  std::uint32_t sym = 0, states = 0;
  std::memcpy(&sym, data, 4);
  std::memcpy(&states, data + 4, 4);
  const int code = data[8] | (data[9] << 8);
  const bool release = data[10] & 1;
  sym &= (data[10] & 2) ? 0xFFFF : 0x1FFFFFFF;  // X keysyms have 29 bits; mostly those of real keys
  const fcitx::Key raw(static_cast<fcitx::KeySym>(sym), fcitx::KeyStates(states), code);

  const auto event = fcitx5::keyEventOf(raw, release);
  if (!event) {
    FUZZ_CHECK(raw.sym() == FcitxKey_Caps_Lock);
    return 0;
  }
  FUZZ_CHECK((event->flags & ~(Flags::Shift | Flags::Control | Flags::Option | Flags::Command)) == 0);
  if (const std::uint64_t modifier = fcitx5::modifierFlag(raw.sym())) {
    FUZZ_CHECK(event->type == EventType::FlagsChanged);
    FUZZ_CHECK(((event->flags & modifier) != 0) == !release);
  } else {
    FUZZ_CHECK(event->type == (release ? EventType::KeyUp : EventType::KeyDown));
    if (event->characters) {
      FUZZ_CHECK(!event->characters->empty() && event->characters == event->charactersIgnoringModifiers);
      FUZZ_CHECK(text::fromUtf8(text::toUtf8(*event->characters)) == *event->characters);
    }
  }
  if (auto known = fcitx5::virtualKeyCode(code)) {
    FUZZ_CHECK(event->keyCode == *known);
    const auto key = fcitx5::physicalKey(*known);
    FUZZ_CHECK(key && fcitx5::virtualKeyCode(key->xkbKeycode) == known);
  }
  return 0;
}
