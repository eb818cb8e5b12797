// SPDX-License-Identifier: MIT
#include "posix/Environment.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <sstream>

namespace brisquel::posix {
namespace {

// "ru_RU.UTF-8" -> "ru-RU".
std::optional<std::string> languageOfLocale(std::string locale) {
  locale = locale.substr(0, locale.find_first_of(".@"));
  if (locale.empty() || locale == "C" || locale == "POSIX") return std::nullopt;
  std::replace(locale.begin(), locale.end(), '_', '-');
  return locale;
}

}  // namespace

std::vector<std::string> preferredLanguages() {
  std::vector<std::string> languages;
  if (const char* list = std::getenv("LANGUAGE"); list && *list) {
    std::stringstream entries(list);
    for (std::string entry; std::getline(entries, entry, ':');)
      if (auto language = languageOfLocale(entry)) languages.push_back(*language);
  }
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    if (const char* value = std::getenv(variable); value && *value) {
      if (auto language = languageOfLocale(value);
          language && std::find(languages.begin(), languages.end(), *language) == languages.end()) {
        languages.push_back(*language);
      }
      break;
    }
  }
  return languages;
}

}  // namespace brisquel::posix
