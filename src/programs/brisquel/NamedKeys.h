// SPDX-License-Identifier: MIT
#pragma once
// Text with key names in braces, as `brisquel fix --named-keys` reads it:
// "ghb{Option}", "ns{Return}ult", "say {Select 3}{Option}". "{{" is a brace.
// Besides keys: "{Option 0.8}" (held that long), "{Click 4}" (the caret put
// at 4), "{Ctrl+V}" (a chord), "{Layout ru}" (picked from the system menu),
// "{App com.apple.Terminal}" (that application's field comes to the front).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisquel::cli {

struct KeyStep {
  enum class Kind { Text, Key, Option, Click, Select, Wait, Layout, App, Chord };
  Kind kind = Kind::Text;
  std::u16string text;  // Text: characters typed key by key
  // Key, Chord: the simulated keyboard's name ("backspace", "ctrl+v"); Layout:
  // its code; App: the bundle identifier.
  std::string key;
  int count = 0;       // Select: characters before the caret; Click: the caret's place, -1 where it is
  double seconds = 0;  // Wait: on the simulated clock; Option: how long it is held
  friend bool operator==(const KeyStep&, const KeyStep&) = default;
};

struct ParsedKeys {
  std::optional<std::vector<KeyStep>> steps;
  std::string error;  // names the offending key name
};

ParsedKeys parseNamedKeys(std::u16string_view line);
// The steps written back as parseNamedKeys reads them.
std::string formatNamedKeys(const std::vector<KeyStep>& steps);

}  // namespace brisquel::cli
