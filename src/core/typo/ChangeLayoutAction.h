// SPDX-License-Identifier: MIT
#pragma once
// The closure the keyboard path hands the typo detector with every event:
// given a layout code ("en", "ru", "uk", "he", "ar", "el") it selects the first
// enabled layout declaring that language; given none, the next layout.

#include <functional>
#include <optional>
#include <string>

namespace brisquel {

using ChangeLayoutAction = std::function<void(const std::optional<std::string>&)>;

}  // namespace brisquel
