// SPDX-License-Identifier: MIT
#pragma once
// The --set KEY=VALUE options of the commands that run the program on
// settings of the person's choosing. Every command takes the same keys and
// values: true or false for a switch, an integer for a number (the
// switching method 0 to 4), one entry per --set for an application list
// (the first replaces the stored list; an empty value empties it).

#include <string>
#include <utility>
#include <vector>

#include "platform/Defaults.h"

namespace brisquel::cli {

class SettingArguments {
 public:
  // False with a one-line reason when the key is no setting or the value is
  // not of its type.
  bool add(const std::string& assignment, std::string& error);
  // The values, in the order of their first --set.
  const std::vector<std::pair<std::string, DefaultsValue>>& values() const { return values_; }
  // The keys, for the usage text.
  static std::string describeKeys();

 private:
  std::vector<std::pair<std::string, DefaultsValue>> values_;
};

}  // namespace brisquel::cli
