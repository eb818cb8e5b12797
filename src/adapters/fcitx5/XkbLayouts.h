// SPDX-License-Identifier: MIT
#pragma once
// What fcitx5's keyboard input methods are, read from xkb itself: the key
// table of "keyboard-<layout>[-<variant>]" compiled with libxkbcommon, and
// the languages the xkb registry gives a layout.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/InputSources.h"

namespace brisquel::fcitx5 {

// "keyboard-us-intl" -> {"us", "intl"}; none for other input methods.
struct XkbLayoutName {
  std::string layout;
  std::string variant;
};
std::optional<XkbLayoutName> xkbLayoutOf(std::string_view inputMethod);

// Levels 1 and 2 of the main-block keys and Space, with the dead keys'
// compositions from the locale's compose table; none when xkb does not
// know the layout.
std::optional<KeyboardTable> xkbKeyboardTable(const XkbLayoutName& name);

// Two-letter language codes of a layout (its variant's, else the layout's),
// most important first; empty when the registry names none.
std::vector<std::string> xkbRegistryLanguages(const XkbLayoutName& name);

// The languages of a keyboard input method: the six layouts the program
// knows by their own ("keyboard-us-intl" -> "en"), others from the registry.
std::vector<std::string> layoutLanguages(std::string_view inputMethod);

}  // namespace brisquel::fcitx5
