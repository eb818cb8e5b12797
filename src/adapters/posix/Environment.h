// SPDX-License-Identifier: MIT
#pragma once
// What the process environment says about the user.

#include <string>
#include <vector>

namespace brisquel::posix {

// The preferred languages, most preferred first, as "ru-RU" or "en": the
// LANGUAGE list, then the first of LC_ALL, LC_MESSAGES and LANG that is set.
// "C" and "POSIX" name no language.
std::vector<std::string> preferredLanguages();

}  // namespace brisquel::posix
