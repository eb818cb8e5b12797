#pragma once
// Text with key names in braces, as `brisquel fix --named-keys` reads it:
// "ghb{Option}", "ns{Return}ult", "say {Select 3}{Option}". "{{" is a brace.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisquel::cli {

struct KeyStep {
  enum class Kind { Text, Key, Option, Click, Select, Wait };
  Kind kind = Kind::Text;
  std::u16string text;  // Text: characters typed key by key
  std::string key;      // Key: the simulated keyboard's name ("backspace", "home", ...)
  int count = 0;        // Select: characters before the caret
  double seconds = 0;   // Wait: on the simulated clock
  friend bool operator==(const KeyStep&, const KeyStep&) = default;
};

struct ParsedKeys {
  std::optional<std::vector<KeyStep>> steps;
  std::string error;  // names the offending key name
};

ParsedKeys parseNamedKeys(std::u16string_view line);

}  // namespace brisquel::cli
