#pragma once
// A small writer of XML property lists (version 1.0), enough for a
// LaunchAgent: strings, Booleans, arrays and dictionaries.

#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace brisquel::plist {

struct Value;
using Array = std::vector<Value>;
// Written with keys in sorted order, as the system's serialiser does.
using Dictionary = std::vector<std::pair<std::string, Value>>;

struct Value {
  std::variant<std::string, bool, Array, Dictionary> content;

  Value(std::string s) : content(std::move(s)) {}
  Value(const char* s) : content(std::string(s)) {}
  Value(bool b) : content(b) {}
  Value(Array a) : content(std::move(a)) {}
  Value(Dictionary d) : content(std::move(d)) {}
};

// The XML document, or none when a string or key is not valid UTF-8, holds a
// character XML cannot carry (control characters, U+FFFE, U+FFFF), or a
// dictionary repeats a key.
std::optional<std::string> toXML(const Value& root);

}  // namespace brisquel::plist
