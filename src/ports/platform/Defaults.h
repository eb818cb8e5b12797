#pragma once
// Typed user defaults of the application's domain.

#include <cstdint>
#include <map>
#include <optional>
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

class DefaultsPort {
 public:
  virtual ~DefaultsPort() = default;
  virtual std::optional<DefaultsValue> object(const std::string& key) const = 0;
  virtual void set(const std::string& key, const DefaultsValue& value) = 0;
  virtual void remove(const std::string& key) = 0;
  // Grows with every set and remove, so readers can keep what they parsed
  // from the values until it moves.
  virtual std::uint64_t changeCount() const = 0;
};

}  // namespace brisquel
