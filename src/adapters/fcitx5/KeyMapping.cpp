// SPDX-License-Identifier: MIT
#include "fcitx5/KeyMapping.h"

#include <unicode/utf.h>
#include <unicode/utf16.h>

#include <array>
#include <atomic>
#include <utility>

#include "base/KeyCodes.h"
#include "base/KeyPath.h"

namespace brisquel::fcitx5 {
namespace {

struct KeyRow {
  int xkbKeycode;
  std::uint16_t keyCode;
  fcitx::KeySym sym;
};

// X keycodes of the evdev keymap (the kernel's key numbers + 8), which every
// X server, Wayland compositor and fcitx5 frontend uses.
constexpr KeyRow kKeys[] = {
    {38, KeyCode::ANSI_A, FcitxKey_a},          {39, KeyCode::ANSI_S, FcitxKey_s},
    {40, KeyCode::ANSI_D, FcitxKey_d},          {41, KeyCode::ANSI_F, FcitxKey_f},
    {43, KeyCode::ANSI_H, FcitxKey_h},          {42, KeyCode::ANSI_G, FcitxKey_g},
    {52, KeyCode::ANSI_Z, FcitxKey_z},          {53, KeyCode::ANSI_X, FcitxKey_x},
    {54, KeyCode::ANSI_C, FcitxKey_c},          {55, KeyCode::ANSI_V, FcitxKey_v},
    {56, KeyCode::ANSI_B, FcitxKey_b},          {24, KeyCode::ANSI_Q, FcitxKey_q},
    {25, KeyCode::ANSI_W, FcitxKey_w},          {26, KeyCode::ANSI_E, FcitxKey_e},
    {27, KeyCode::ANSI_R, FcitxKey_r},          {29, KeyCode::ANSI_Y, FcitxKey_y},
    {28, KeyCode::ANSI_T, FcitxKey_t},          {10, KeyCode::ANSI_1, FcitxKey_1},
    {11, KeyCode::ANSI_2, FcitxKey_2},          {12, KeyCode::ANSI_3, FcitxKey_3},
    {13, KeyCode::ANSI_4, FcitxKey_4},          {15, KeyCode::ANSI_6, FcitxKey_6},
    {14, KeyCode::ANSI_5, FcitxKey_5},          {21, KeyCode::ANSI_Equal, FcitxKey_equal},
    {18, KeyCode::ANSI_9, FcitxKey_9},          {16, KeyCode::ANSI_7, FcitxKey_7},
    {20, KeyCode::ANSI_Minus, FcitxKey_minus},  {17, KeyCode::ANSI_8, FcitxKey_8},
    {19, KeyCode::ANSI_0, FcitxKey_0},          {35, KeyCode::ANSI_RightBracket, FcitxKey_bracketright},
    {32, KeyCode::ANSI_O, FcitxKey_o},          {30, KeyCode::ANSI_U, FcitxKey_u},
    {34, KeyCode::ANSI_LeftBracket, FcitxKey_bracketleft},
    {31, KeyCode::ANSI_I, FcitxKey_i},          {33, KeyCode::ANSI_P, FcitxKey_p},
    {36, KeyCode::Return, FcitxKey_Return},     {46, KeyCode::ANSI_L, FcitxKey_l},
    {44, KeyCode::ANSI_J, FcitxKey_j},          {48, KeyCode::ANSI_Quote, FcitxKey_apostrophe},
    {45, KeyCode::ANSI_K, FcitxKey_k},          {47, KeyCode::ANSI_Semicolon, FcitxKey_semicolon},
    {51, KeyCode::ANSI_Backslash, FcitxKey_backslash},
    {59, KeyCode::ANSI_Comma, FcitxKey_comma},  {61, KeyCode::ANSI_Slash, FcitxKey_slash},
    {57, KeyCode::ANSI_N, FcitxKey_n},          {58, KeyCode::ANSI_M, FcitxKey_m},
    {60, KeyCode::ANSI_Period, FcitxKey_period},
    {23, KeyCode::Tab, FcitxKey_Tab},           {65, KeyCode::Space, FcitxKey_space},
    {49, KeyCode::ANSI_Grave, FcitxKey_grave},  {22, KeyCode::Delete, FcitxKey_BackSpace},
    {9, KeyCode::Escape, FcitxKey_Escape},      {134, KeyCode::RightCommand, FcitxKey_Super_R},
    {133, KeyCode::Command, FcitxKey_Super_L},  {50, KeyCode::Shift, FcitxKey_Shift_L},
    {66, KeyCode::CapsLock, FcitxKey_Caps_Lock},
    {64, KeyCode::Option, FcitxKey_Alt_L},      {37, KeyCode::Control, FcitxKey_Control_L},
    {62, KeyCode::RightShift, FcitxKey_Shift_R},
    {108, KeyCode::RightOption, FcitxKey_Alt_R},
    {105, KeyCode::RightControl, FcitxKey_Control_R},
    {119, KeyCode::ForwardDelete, FcitxKey_Delete},
    {113, KeyCode::LeftArrow, FcitxKey_Left},   {114, KeyCode::RightArrow, FcitxKey_Right},
    {116, KeyCode::DownArrow, FcitxKey_Down},   {111, KeyCode::UpArrow, FcitxKey_Up},
    // The keypad's Enter and the ISO key's Return types what the main ones type.
    {104, KeyCode::Return, FcitxKey_KP_Enter},
};

// Keys with no place on a US keyboard (keypad, media keys, keys remapped by
// a test tool) still reach the taps, under a code no key uses.
constexpr std::uint16_t kNoPosition = 0xFF;

// Latin letter keysyms are their ASCII codes.
fcitx::KeySym latinLower(fcitx::KeySym sym) {
  return sym >= FcitxKey_A && sym <= FcitxKey_Z ? static_cast<fcitx::KeySym>(sym + 0x20) : sym;
}

// fcitx5 finds most keysyms' characters by a binary search in a table of
// some 800 rows, whose pages are cold again by the next key: the answers for
// the keysyms typed last are kept, one line of memory for each key. The
// layouts' read-ahead thread asks too: an answer is its keysym and its
// character in one word, never seen half written.
BRISQUEL_KEY_PATH std::uint32_t unicodeOf(fcitx::KeySym sym) {
  static std::array<std::atomic<std::uint64_t>, 64> answers{};  // NoSymbol (0) has no character
  const auto key = static_cast<std::uint32_t>(sym);
  std::atomic<std::uint64_t>& slot = answers[key % answers.size()];
  const std::uint64_t answer = slot.load(std::memory_order_relaxed);
  if (static_cast<std::uint32_t>(answer >> 32) == key) return static_cast<std::uint32_t>(answer);
  const std::uint32_t code = fcitx::Key::keySymToUnicode(sym);
  slot.store((std::uint64_t{key} << 32) | code, std::memory_order_relaxed);
  return code;
}

}  // namespace

BRISQUEL_KEY_PATH std::optional<std::uint16_t> virtualKeyCode(int xkbKeycode) {
  // Asked for every key: a table by X keycode, the first row of a code winning.
  static constexpr std::uint16_t kNone = 0xFFFF;
  static constexpr auto kByXkbKeycode = [] {
    std::array<std::uint16_t, 256> table{};
    table.fill(kNone);
    for (const auto& row : kKeys)
      if (table[static_cast<std::size_t>(row.xkbKeycode)] == kNone)
        table[static_cast<std::size_t>(row.xkbKeycode)] = row.keyCode;
    return table;
  }();
  if (xkbKeycode < 0 || static_cast<std::size_t>(xkbKeycode) >= kByXkbKeycode.size()) return std::nullopt;
  const std::uint16_t keyCode = kByXkbKeycode[static_cast<std::size_t>(xkbKeycode)];
  if (keyCode == kNone) return std::nullopt;
  return keyCode;
}

std::optional<PhysicalKey> physicalKey(std::uint16_t keyCode) {
  for (const auto& row : kKeys)
    if (row.keyCode == keyCode) return PhysicalKey{row.xkbKeycode, row.sym};
  return std::nullopt;
}

std::vector<std::pair<int, std::uint16_t>> typingKeys() {
  std::vector<std::pair<int, std::uint16_t>> keys;
  for (const auto& row : kKeys)
    if (row.sym >= FcitxKey_space && row.sym <= FcitxKey_asciitilde) keys.emplace_back(row.xkbKeycode, row.keyCode);
  return keys;
}

BRISQUEL_KEY_PATH std::uint64_t modifierFlag(fcitx::KeySym sym) {
  switch (sym) {
    case FcitxKey_Shift_L:
    case FcitxKey_Shift_R:
      return Flags::Shift;
    case FcitxKey_Control_L:
    case FcitxKey_Control_R:
      return Flags::Control;
    case FcitxKey_Alt_L:
    case FcitxKey_Alt_R:
    case FcitxKey_Meta_L:
    case FcitxKey_Meta_R:
    case FcitxKey_ISO_Level3_Shift:
      return Flags::Option;
    case FcitxKey_Super_L:
    case FcitxKey_Super_R:
      return Flags::Command;
    default:
      return 0;
  }
}

BRISQUEL_KEY_PATH std::uint64_t flagsOf(fcitx::KeyStates states) {
  std::uint64_t flags = 0;
  if (states.test(fcitx::KeyState::Shift)) flags |= Flags::Shift;
  if (states.test(fcitx::KeyState::Ctrl)) flags |= Flags::Control;
  if (states.test(fcitx::KeyState::Alt)) flags |= Flags::Option;
  if (states.test(fcitx::KeyState::Super) || states.test(fcitx::KeyState::Super2)) flags |= Flags::Command;
  return flags;
}

fcitx::KeyStates statesFor(std::uint64_t flags, bool terminal) {
  fcitx::KeyStates states;
  if (flags & Flags::Shift) states |= fcitx::KeyState::Shift;
  if (flags & Flags::Control) states |= fcitx::KeyState::Ctrl;
  if (flags & Flags::Option) states |= fcitx::KeyState::Alt;
  if (flags & Flags::Command) {
    states |= fcitx::KeyState::Ctrl;
    if (terminal) states |= fcitx::KeyState::Shift;
  }
  return states;
}

BRISQUEL_KEY_PATH std::u16string charactersOf(fcitx::KeySym sym) {
  // What a Mac keyboard gives for the keys that type no text: the core
  // recognises BackSpace and the arrows by code but needs characters.
  switch (sym) {
    case FcitxKey_BackSpace:
      return u"\x7f";
    case FcitxKey_Return:
    case FcitxKey_KP_Enter:
      return u"\r";
    case FcitxKey_Tab:
      return u"\t";
    case FcitxKey_Escape:
      return u"\x1b";
    case FcitxKey_Up:
      return u"\uF700";
    case FcitxKey_Down:
      return u"\uF701";
    case FcitxKey_Left:
      return u"\uF702";
    case FcitxKey_Right:
      return u"\uF703";
    case FcitxKey_Delete:
      return u"\uF728";
    default:
      break;
  }
  const std::uint32_t code = unicodeOf(sym);
  // A keysym may name a surrogate (0x100d800...) or no code point at all: no text.
  if (code < 0x20 || code == 0x7f || U_IS_SURROGATE(code) || code > 0x10FFFF) return {};
  std::u16string text;
  if (U_IS_BMP(code)) {
    text += static_cast<char16_t>(code);
  } else {
    text += static_cast<char16_t>(U16_LEAD(code));
    text += static_cast<char16_t>(U16_TRAIL(code));
  }
  return text;
}

BRISQUEL_KEY_PATH std::optional<KeyEvent> keyEventOf(const fcitx::Key& raw, bool release) {
  KeyEvent event;
  event.flags = flagsOf(raw.states());
  if (const std::uint64_t modifier = modifierFlag(raw.sym())) {
    event.type = EventType::FlagsChanged;
    event.flags = release ? event.flags & ~modifier : event.flags | modifier;
  } else if (raw.sym() == FcitxKey_Caps_Lock) {
    return std::nullopt;
  } else {
    event.type = release ? EventType::KeyUp : EventType::KeyDown;
    const std::u16string characters = charactersOf(raw.sym());
    if (!characters.empty()) {
      event.characters = characters;
      event.charactersIgnoringModifiers = characters;
    }
  }
  if (auto keyCode = virtualKeyCode(raw.code())) {
    event.keyCode = *keyCode;
  } else {
    // Keys typed by tools that remap spare keycodes: find the key by its US symbol.
    // The key of that symbol is the first row of its code (the keypad's Enter is not Return's).
    const fcitx::KeySym lower = latinLower(raw.sym());
    event.keyCode = kNoPosition;
    for (const auto& row : kKeys) {
      if (row.sym == lower && physicalKey(row.keyCode)->sym == lower) {
        event.keyCode = row.keyCode;
        break;
      }
    }
  }
  return event;
}

}  // namespace brisquel::fcitx5
