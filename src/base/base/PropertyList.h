// SPDX-License-Identifier: MIT
#pragma once
// The XML property-list form of a dictionary (a defaults domain, a launch
// agent), written and read by our own small code. Values of types the program does not read (real numbers,
// data, nested containers) are kept as their XML text and written back as is.

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "base/PropertyValue.h"

namespace brisquel::plist {

using DefaultsDomain = std::map<std::string, DefaultsValue>;

std::string encodePropertyList(const DefaultsDomain& values);

// None when the text is not a property list holding one dictionary.
std::optional<DefaultsDomain> decodePropertyList(std::string_view xml);

}  // namespace brisquel::plist
