// SPDX-License-Identifier: MIT
#include "sim/SimSpellChecker.h"

#include <set>

#include "base/Text.h"

namespace brisquel::sim {

// Words are kept case-folded: a real checker accepts "Привет" and "ПРИВЕТ"
// for "привет".
struct SimSpellChecker::Language {
  std::set<std::u16string> words;
  bool ready = true;
};

void SimSpellChecker::setWords(const std::string& language, const std::vector<std::string>& words) {
  auto& entry = languages_[language];
  bool ready = entry ? entry->ready : true;
  entry = std::make_shared<Language>();
  entry->ready = ready;
  addWords(language, words);
}

void SimSpellChecker::addWords(const std::string& language, const std::vector<std::string>& words) {
  auto& entry = languages_[language];
  if (!entry) entry = std::make_shared<Language>();
  for (const auto& word : words) {
    if (!word.empty()) entry->words.insert(text::foldCase(text::fromUtf8(word)));
  }
}

void SimSpellChecker::setReady(const std::string& language, bool ready) {
  auto& entry = languages_[language];
  if (!entry) entry = std::make_shared<Language>();
  entry->ready = ready;
}

int SimSpellChecker::prepareCount(const std::string& language) const {
  auto it = prepares_.find(language);
  return it == prepares_.end() ? 0 : it->second;
}

bool SimSpellChecker::isWordCorrect(std::u16string_view word, std::string_view language) {
  auto it = languages_.find(language);
  if (it == languages_.end() || !it->second->ready || word.empty()) return false;
  return it->second->words.count(text::foldCase(word)) > 0;
}

bool SimSpellChecker::hasCompletions(std::u16string_view prefix, std::string_view language) {
  auto it = languages_.find(language);
  if (it == languages_.end() || !it->second->ready) return false;
  std::u16string folded = text::foldCase(prefix);
  const auto& words = it->second->words;
  for (auto w = words.lower_bound(folded); w != words.end() && w->starts_with(folded); ++w) {
    if (w->size() > folded.size()) return true;
  }
  return false;
}

void SimSpellChecker::prepare(std::string_view language) {
  ++prepares_[std::string(language)];
}

bool SimSpellChecker::isReady(std::string_view language) {
  auto it = languages_.find(language);
  return it != languages_.end() && it->second->ready;
}

}  // namespace brisquel::sim
