// SPDX-License-Identifier: MIT
// The settings file's reader on any bytes: it never crashes, and what it
// accepts writes back to text that reads the same values (dates in whole
// seconds) and writes the same text again. The bytes are also taken as strings of a settings file
// the program writes: that file always reads, and gives back exactly what
// was written when it is UTF-8.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "base/PropertyList.h"

using namespace brisquel;
using namespace brisquel::plist;

namespace {

// Dates are written in whole seconds.
DefaultsDomain inWholeSeconds(DefaultsDomain values) {
  for (auto& [key, value] : values)
    if (auto* date = std::get_if<DefaultsDate>(&value)) date->secondsSince1970 = std::floor(date->secondsSince1970);
  return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (auto decoded = decodePropertyList(bytes)) {
    const std::string once = encodePropertyList(*decoded);
    const auto again = decodePropertyList(once);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(*again == inWholeSeconds(*decoded));
    FUZZ_CHECK(encodePropertyList(*again) == once);
  }

  // Strings separated by NUL-NUL pairs: a key, a string, a list and a dictionary.
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (std::size_t at; (at = bytes.find(std::string_view("\0\0", 2), start)) != std::string_view::npos;
       start = at + 2) {
    pieces.emplace_back(bytes.substr(start, at - start));
  }
  pieces.emplace_back(bytes.substr(start));
  while (pieces.size() < 4) pieces.emplace_back();
  DefaultsDomain values = {{pieces[0], pieces[1]},
                           {pieces[0] + "L", StringList{pieces[1], pieces[2], pieces[3]}},
                           {pieces[0] + "M", StringMap{{pieces[2], pieces[3]}}}};
  const std::string written = encodePropertyList(values);
  const auto read = decodePropertyList(written);
  FUZZ_CHECK(read.has_value());
  FUZZ_CHECK(decodePropertyList(encodePropertyList(*read)) == read);
  const DefaultsDomain probe = {{pieces[1], pieces[1]}};
  // Well-formed UTF-8 comes back byte for byte.
  if (decodePropertyList(encodePropertyList(probe)) != probe) {
    // Only text that is not UTF-8 may change (into replacement characters).
    FUZZ_CHECK(encodePropertyList(probe).find("\xEF\xBF\xBD") != std::string::npos);
  }
  return 0;
}
