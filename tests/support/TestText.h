// SPDX-License-Identifier: MIT
#pragma once
// UTF-8 in test tables, UTF-16 in the code under test.

#include <string>
#include <string_view>

#include "base/Text.h"

namespace brisquel::testing {

inline std::u16string u16(std::string_view s) { return text::fromUtf8(s); }
inline std::string u8(std::u16string_view s) { return text::toUtf8(s); }

}  // namespace brisquel::testing
