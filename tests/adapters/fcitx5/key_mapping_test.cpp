// SPDX-License-Identifier: MIT
// Keys as fcitx5 reports them become the program's key events, and the keys
// the program posts go back to the application with the right modifiers.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/KeyCodes.h"
#include "fcitx5/KeyMapping.h"

namespace brisquel::fcitx5 {
namespace {

constexpr std::uint16_t kNoPosition = 0xFF;
using S = fcitx::KeyState;
const fcitx::KeyStates none{};

TEST(KeyMapping, KeysBecomeEvents) {
  struct Row {
    const char* what;
    fcitx::Key key;
    bool release;
    std::optional<EventType> type;  // none: no event
    std::uint16_t keyCode;
    std::uint64_t flags;
    std::u16string characters;  // empty: none
  };
  const Row rows[] = {
      {"a letter", fcitx::Key(FcitxKey_a, none, 38), false, EventType::KeyDown, KeyCode::ANSI_A, 0, u"a"},
      {"its release", fcitx::Key(FcitxKey_a, none, 38), true, EventType::KeyUp, KeyCode::ANSI_A, 0, u"a"},
      {"a Russian letter on the same key", fcitx::Key(FcitxKey_Cyrillic_ef, none, 38), false, EventType::KeyDown,
       KeyCode::ANSI_A, 0, u"ф"},
      {"Shift+a", fcitx::Key(FcitxKey_A, S::Shift, 38), false, EventType::KeyDown, KeyCode::ANSI_A, Flags::Shift, u"A"},
      {"Control, Alt and Super", fcitx::Key(FcitxKey_c, fcitx::KeyStates{S::Ctrl, S::Alt, S::Super}, 54), false,
       EventType::KeyDown, KeyCode::ANSI_C, Flags::Control | Flags::Option | Flags::Command, u"c"},
      {"the keypad's Enter", fcitx::Key(FcitxKey_KP_Enter, none, 104), false, EventType::KeyDown, KeyCode::Return, 0,
       u"\r"},
      {"a function key types nothing", fcitx::Key(FcitxKey_F5, none, 71), false, EventType::KeyDown, kNoPosition, 0,
       u""},
      {"a spare keycode found by its symbol", fcitx::Key(FcitxKey_Q, S::Shift, 200), false, EventType::KeyDown,
       KeyCode::ANSI_Q, Flags::Shift, u"Q"},
      {"a character beyond the BMP, as two UTF-16 units", fcitx::Key(static_cast<fcitx::KeySym>(0x101F600), none, 38),
       false, EventType::KeyDown, KeyCode::ANSI_A, 0, u"\U0001F600"},
      {"a keycode beyond X's range (Wayland)", fcitx::Key(FcitxKey_F20, none, 400), false, EventType::KeyDown,
       kNoPosition, 0, u""},
      {"a keysym naming a surrogate", fcitx::Key(static_cast<fcitx::KeySym>(0x100d800), none, 38), false,
       EventType::KeyDown, KeyCode::ANSI_A, 0, u""},
      {"Shift down", fcitx::Key(FcitxKey_Shift_L, none, 50), false, EventType::FlagsChanged, KeyCode::Shift,
       Flags::Shift, u""},
      {"Shift up, Control still held", fcitx::Key(FcitxKey_Shift_L, fcitx::KeyStates{S::Shift, S::Ctrl}, 50), true,
       EventType::FlagsChanged, KeyCode::Shift, Flags::Control, u""},
      {"AltGr is Option", fcitx::Key(FcitxKey_ISO_Level3_Shift, none, 108), false, EventType::FlagsChanged,
       KeyCode::RightOption, Flags::Option, u""},
      {"Caps Lock shows only in the flags", fcitx::Key(FcitxKey_Caps_Lock, none, 66), false, std::nullopt, 0, 0, u""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const auto event = keyEventOf(row.key, row.release);
    ASSERT_EQ(event.has_value(), row.type.has_value());
    if (!event) continue;
    EXPECT_EQ(event->type, *row.type);
    EXPECT_EQ(event->keyCode, row.keyCode);
    EXPECT_EQ(event->flags, row.flags);
    EXPECT_EQ(event->characters.value_or(u""), row.characters);
    EXPECT_EQ(event->charactersIgnoringModifiers, event->characters);
    EXPECT_FALSE(event->autoRepeat) << "fcitx5 reports no repeat";
  }
}

// Command stands for Control on Linux, and for Control+Shift in terminals.
TEST(KeyMapping, PostedFlagsBecomeStates) {
  struct Row {
    std::uint64_t flags;
    bool terminal;
    fcitx::KeyStates states;
  };
  const Row rows[] = {
      {0, false, none},
      {Flags::Shift | Flags::Option, false, fcitx::KeyStates{S::Shift, S::Alt}},
      {Flags::Control, true, S::Ctrl},
      {Flags::Command, false, S::Ctrl},
      {Flags::Command, true, fcitx::KeyStates{S::Ctrl, S::Shift}},
      {Flags::Command | Flags::Shift, false, fcitx::KeyStates{S::Ctrl, S::Shift}},
      {Flags::Fn | Flags::CapsLock, false, none},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(statesFor(row.flags, row.terminal), row.states) << std::hex << row.flags << " terminal " << row.terminal;
  }
}

// Every key the program can post is a key fcitx5 reports back as the same code.
TEST(KeyMapping, PostedKeysComeBackAsThemselves) {
  for (const auto& [xkbKeycode, keyCode] : typingKeys()) {
    SCOPED_TRACE(keyCode);
    const auto key = physicalKey(keyCode);
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(key->xkbKeycode, xkbKeycode);
    EXPECT_EQ(virtualKeyCode(key->xkbKeycode), keyCode);
    const auto event = keyEventOf(fcitx::Key(key->sym, none, key->xkbKeycode), false);
    ASSERT_TRUE(event.has_value());
    EXPECT_EQ(event->keyCode, keyCode);
  }
  EXPECT_EQ(physicalKey(KeyCode::Return)->xkbKeycode, 36) << "the main Return, not the keypad's Enter";
  EXPECT_FALSE(physicalKey(kNoPosition).has_value());
}

}  // namespace
}  // namespace brisquel::fcitx5
