// SPDX-License-Identifier: MIT
#pragma once
// Locale-independent lower-casing for matching key names and application
// identities.

#include <string>

namespace brisquel {

std::string lowercased(const std::string& utf8);
std::string lowercased(const std::u16string& utf16);

}  // namespace brisquel
