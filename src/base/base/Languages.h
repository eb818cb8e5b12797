// SPDX-License-Identifier: MIT
#pragma once
// The six languages the program knows, by two-letter code: the layouts it
// converts between and the languages of its interface, in its tables' order.

#include <array>
#include <string_view>

namespace brisquel {

inline constexpr std::array<std::string_view, 6> kLanguageCodes = {"en", "ru", "uk", "he", "ar", "el"};

}  // namespace brisquel
