// SPDX-License-Identifier: MIT
#pragma once
// The values a property list holds, as the program reads them: the vocabulary
// of the user defaults and of the property-list files.

#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace brisquel {

struct DefaultsDate {
  double secondsSince1970 = 0;
  friend bool operator==(const DefaultsDate&, const DefaultsDate&) = default;
};

// A value of a type the program does not read (a number with a fraction, data, ...).
struct DefaultsOther {
  std::string description;
  friend bool operator==(const DefaultsOther&, const DefaultsOther&) = default;
};

using StringMap = std::map<std::string, std::string>;
using StringList = std::vector<std::string>;

using DefaultsValue = std::variant<bool, std::int64_t, std::string, DefaultsDate, StringMap, StringList, DefaultsOther>;

}  // namespace brisquel
