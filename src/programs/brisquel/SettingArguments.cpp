// SPDX-License-Identifier: MIT
#include "brisquel/SettingArguments.h"

#include <algorithm>
#include <charconv>

#include "settings/SettingsHelper.h"

namespace brisquel::cli {
namespace {

enum class Kind { Switch, Number, Method, ListEntry };

struct Key {
  const char* name;
  Kind kind;
};

constexpr Key kKeys[] = {
    {SettingsHelper::indexHotKey, Kind::Method},
    {SettingsHelper::enableAutostart, Kind::Switch},
    {SettingsHelper::enableTypoDetector, Kind::Switch},
    {SettingsHelper::winEditHotKeys, Kind::Number},
    {SettingsHelper::enableShowLayoutInTray, Kind::Switch},
    {SettingsHelper::enableFnShortcut, Kind::Switch},
    {SettingsHelper::quitClosesWindowsEnabled, Kind::Switch},
    {SettingsHelper::enableCtrlShortcut, Kind::Switch},
    {SettingsHelper::ignoredAppsKey, Kind::ListEntry},
    {SettingsHelper::ignoredShortcutsAppsKey, Kind::ListEntry},
};

// Decimal, or hexadecimal after 0x.
std::optional<std::int64_t> integer(const std::string& text) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* first = text.data() + (hex ? 2 : 0);
  const char* last = text.data() + text.size();
  std::int64_t number = 0;
  auto [ptr, ec] = std::from_chars(first, last, number, hex ? 16 : 10);
  if (first == last || ec != std::errc() || ptr != last) return std::nullopt;
  return number;
}

}  // namespace

bool SettingArguments::add(const std::string& assignment, std::string& error) {
  const auto eq = assignment.find('=');
  const std::string name = assignment.substr(0, eq);
  const Key* key = nullptr;
  for (const auto& k : kKeys) {
    if (name == k.name) key = &k;
  }
  if (key == nullptr || eq == std::string::npos) {
    error = eq == std::string::npos ? "--set wants KEY=VALUE, got '" + assignment + "'"
                                    : "unknown setting '" + name + "' (settings: " + describeKeys() + ")";
    return false;
  }
  const std::string text = assignment.substr(eq + 1);
  const auto number = integer(text);
  switch (key->kind) {
    case Kind::Switch:
      if (text != "true" && text != "false") break;
      values_.emplace_back(name, text == "true");
      return true;
    case Kind::Number:
      if (!number) break;
      values_.emplace_back(name, *number);
      return true;
    case Kind::Method:
      if (!number || *number < 0 || *number > 4) break;
      values_.emplace_back(name, *number);
      return true;
    case Kind::ListEntry: {
      auto it = std::find_if(values_.begin(), values_.end(), [&](const auto& v) { return v.first == name; });
      if (it == values_.end()) it = values_.insert(values_.end(), {name, StringList{}});
      if (!text.empty()) std::get<StringList>(it->second).push_back(text);
      return true;
    }
  }
  const char* wanted = key->kind == Kind::Switch   ? "true or false"
                       : key->kind == Kind::Method ? "a switching method from 0 to 4"
                                                   : "an integer";
  error = name + " takes " + wanted + ", not '" + text + "'";
  return false;
}


std::string SettingArguments::describeKeys() {
  std::string out;
  for (const auto& k : kKeys) out += std::string(out.empty() ? "" : ", ") + k.name;
  return out;
}

}  // namespace brisquel::cli
