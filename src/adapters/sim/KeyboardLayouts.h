// SPDX-License-Identifier: MIT
#pragma once
// The simulated keyboard's layouts: the basic X11 layouts "us", "ru", "ua",
// "il", "ara" and "gr", plain and Shift levels of the ANSI main-block keys and
// Space, keyed by US-position virtual key codes. The table is generated from
// the X11 keyboard data (scripts/gen_layouts.py); it says what a key
// produces, independently of anything the program believes about layouts.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "platform/InputSources.h"

namespace brisquel::sim {

struct KeyLevel {
  std::u16string_view text;  // empty for a dead key
  std::string_view deadKey;  // the dead key's keysym name ("dead_acute"), else empty
  bool isDead() const { return !deadKey.empty(); }
};

struct LayoutKey {
  std::uint16_t keyCode = 0;
  std::string_view xkbName;  // "AC01", ...
  KeyLevel levels[2];        // plain, Shift
};

struct KeyboardLayout {
  std::string_view name;  // "us", "ru", "ua", "il", "ara", "gr"
  std::string_view code;  // "en", "ru", "uk", "he", "ar", "el"
  std::span<const LayoutKey> keys;
};

struct DeadKey {
  std::string_view name;
  std::u16string_view combining;  // the combining mark it adds
  std::u16string_view spacing;    // what it gives before Space
};

std::span<const KeyboardLayout> keyboardLayouts();
std::span<const DeadKey> deadKeys();

// By X11 name ("gr") or layout code ("el").
const KeyboardLayout* findKeyboardLayout(std::string_view nameOrCode);
const LayoutKey* findKey(const KeyboardLayout& layout, std::uint16_t keyCode);
const DeadKey* findDeadKey(std::string_view name);

// The layout as the input-source port describes it: both levels of every key
// and what each of its dead keys composes with the layout's own keys.
KeyboardTable keyboardTable(const KeyboardLayout& layout);

// The US name of a key for chords and logs: "a", "1", "[", "space", "return",
// "tab", "backspace", "delete", "esc", "left", "right", "up", "down", or
// modifier names "cmd", "shift", "opt", "ctrl", "fn", "capslock".
std::optional<std::string_view> keyName(std::uint16_t keyCode);
std::optional<std::uint16_t> keyCodeForName(std::string_view name);

}  // namespace brisquel::sim
