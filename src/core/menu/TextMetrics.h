// SPDX-License-Identifier: MIT
#pragma once
// Text measurement for laying out labels before anything is drawn: every
// grapheme cluster is 0.6 em wide and a line is 1.2 em high. Wrapping breaks
// at the line-break opportunities of the text.

#include <string>

#include "platform/UserInterface.h"

namespace brisquel {

inline constexpr double kGraphemeWidthEm = 0.6;
inline constexpr double kLineHeightEm = 1.2;

// The width of one line of text.
double textWidth(const std::string& text, const Font& font);

// The size of text laid out in lines no wider than maxWidth (line feeds
// always break); a word longer than a line takes a line of its own.
Size wrappedTextSize(const std::string& text, const Font& font, double maxWidth);

}  // namespace brisquel
