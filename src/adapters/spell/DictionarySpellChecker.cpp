// SPDX-License-Identifier: MIT
#include "spell/DictionarySpellChecker.h"

#include <marisa.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <cstdlib>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "base/Text.h"
#include "spell/DictionaryLanguage.h"
#include "spell/WordText.h"

namespace brisquel::spell {
namespace {

// Agents keep their search state between queries: a fresh one allocates it
// on every search. Two per thread, as a walk over one asks single questions
// with the other.
marisa::Agent& walkAgent(std::string_view key) {
  thread_local marisa::Agent agent;
  agent.set_query(key.data(), key.size());
  return agent;
}
marisa::Agent& singleAgent(std::string_view key) {
  thread_local marisa::Agent agent;
  agent.set_query(key.data(), key.size());
  return agent;
}

// Whether a key strictly longer than key starts with it.
bool hasLongerKey(const marisa::Trie& trie, std::string_view key) {
  marisa::Agent& agent = singleAgent(key);
  while (trie.predictive_search(agent))
    if (agent.key().length() > key.size()) return true;
  return false;
}

std::size_t codePoints(std::string_view utf8) {
  return static_cast<std::size_t>(
      std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// The id of the key, if the index holds it.
std::optional<std::size_t> keyId(const marisa::Trie& trie, std::string_view key) {
  marisa::Agent& agent = singleAgent(key);
  if (!trie.lookup(agent)) return std::nullopt;
  return agent.key().id();
}

// Greek capitals are written without accents: "ΚΑΛΗΜΕΡΑ" is "καλημέρα".
bool isInGreekCapitals(std::u16string_view word, UScriptCode script) {
  if (script != USCRIPT_GREEK) return false;
  bool upper = false;
  for (char16_t c : word) {
    if (u_islower(c)) return false;
    upper = upper || u_isupper(c);
  }
  return upper;
}

// The keys a word in Greek capitals may stand for: the accent (a word carries
// at most one) on each vowel in turn.
std::vector<std::string> greekAccentedKeys(std::string_view key) {
  static constexpr std::pair<char16_t, char16_t> kAccented[] = {
      {u'α', u'ά'}, {u'ε', u'έ'}, {u'η', u'ή'}, {u'ι', u'ί'}, {u'ο', u'ό'},
      {u'υ', u'ύ'}, {u'ω', u'ώ'}, {u'ϊ', u'ΐ'}, {u'ϋ', u'ΰ'},
  };
  std::vector<std::string> keys;
  const std::u16string plain = text::fromUtf8(key);
  for (std::size_t i = 0; i < plain.size(); ++i) {
    for (const auto& [vowel, accented] : kAccented) {
      if (plain[i] != vowel) continue;
      std::u16string variant = plain;
      variant[i] = accented;
      keys.push_back(text::toUtf8(variant));
    }
  }
  return keys;
}

// Punctuation around a word is no part of it ("it." is spelled right), except the
// characters the language writes inside its words (apostrophes, gershayim).
std::u16string_view trimPunctuation(std::u16string_view word, std::u16string_view keep, bool trailing = true) {
  auto strippable = [&](char16_t c) { return u_ispunct(c) && keep.find(c) == std::u16string_view::npos; };
  while (!word.empty() && strippable(word.front())) word.remove_prefix(1);
  while (trailing && !word.empty() && strippable(word.back())) word.remove_suffix(1);
  return word;
}

}  // namespace

const std::vector<std::string>& DictionarySpellChecker::languages() {
  static const std::vector<std::string> ids = [] {
    std::vector<std::string> v;
    for (const auto& l : kLanguages) v.emplace_back(l.id);
    return v;
  }();
  return ids;
}

std::filesystem::path DictionarySpellChecker::defaultDictionaryDirectory() { return "/usr/share/hunspell"; }

std::filesystem::path DictionarySpellChecker::defaultCacheDirectory() {
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/') return std::filesystem::path(xdg) / "brisquel";
  if (const char* home = std::getenv("HOME"); home && *home) return std::filesystem::path(home) / ".cache" / "brisquel";
  return {};
}

DictionarySpellChecker::DictionarySpellChecker(std::filesystem::path dictionaryDirectory,
                                               std::filesystem::path cacheDirectory, bool loadOnFirstUse)
    : dictionaryDirectory_(std::move(dictionaryDirectory)),
      cacheDirectory_(std::move(cacheDirectory)),
      loadOnFirstUse_(loadOnFirstUse) {
  for (const auto& info : kLanguages) {
    auto lang = std::make_unique<Language>();
    lang->info = &info;
    languages_.push_back(std::move(lang));
  }
}

DictionarySpellChecker::~DictionarySpellChecker() {
  {
    std::lock_guard lock(buildMutex_);
    stopping_ = true;
  }
  buildTurnChanged_.notify_all();
  for (auto& lang : languages_)
    if (lang->loader.joinable()) lang->loader.join();
}

DictionarySpellChecker::Language* DictionarySpellChecker::find(std::string_view language) const {
  for (const auto& lang : languages_)
    if (language == lang->info->id) return lang.get();
  return nullptr;
}

void DictionarySpellChecker::prepare(std::string_view language) {
  Language* lang = find(language);
  if (!lang) return;
  int expected = Idle;
  if (!lang->state.compare_exchange_strong(expected, Loading)) return;
  lang->loader = std::thread([this, lang] { load(*lang); });
}

bool DictionarySpellChecker::isReady(std::string_view language) {
  Language* lang = find(language);
  return lang && lang->state.load(std::memory_order_acquire) == Ready;
}

bool DictionarySpellChecker::waitUntilReady(std::string_view language, std::chrono::milliseconds timeout) {
  Language* lang = find(language);
  if (!lang) return false;
  prepare(language);
  std::unique_lock lock(readyMutex_);
  return readyChanged_.wait_for(lock, timeout, [&] { return lang->state.load(std::memory_order_acquire) == Ready; });
}

std::optional<std::string> DictionarySpellChecker::missingPackage(std::string_view language) const {
  Language* lang = find(language);
  if (!lang) return std::nullopt;
  std::error_code ec;
  if (std::filesystem::is_regular_file(lang->aff(dictionaryDirectory_), ec) &&
      std::filesystem::is_regular_file(lang->dic(dictionaryDirectory_), ec))
    return std::nullopt;
  return std::string(lang->info->package);
}

DictionarySpellChecker::IndexSource DictionarySpellChecker::indexSource(std::string_view language) const {
  Language* lang = find(language);
  return lang ? lang->source.load() : IndexSource::None;
}
bool DictionarySpellChecker::isIndexedWord(const Language& lang, std::string_view key, bool capitalised) const {
  auto accepts = [&](std::optional<std::size_t> id) {
    return id && (capitalised || (lang.lowerForms[*id / 8] >> (*id % 8)) & 1);
  };
  if (accepts(keyId(lang.index, key))) return true;
  if (!lang.info->clitics) return false;
  const std::string marked = kCliticMark + std::string(key);
  marisa::Agent& agent = walkAgent(marked);
  while (lang.index.common_prefix_search(agent)) {
    const std::size_t cliticLength = agent.key().length() - 1;
    // A one-letter rest matches far more wrong-layout strings than real words.
    if (cliticLength == 0 || codePoints(key.substr(cliticLength)) < 2) continue;
    if (accepts(keyId(lang.index, key.substr(cliticLength)))) return true;
  }
  return false;
}

DictionarySpellChecker::Language* DictionarySpellChecker::readyLanguage(std::string_view language) {
  Language* lang = find(language);
  if (!lang) return nullptr;
  const int state = lang->state.load(std::memory_order_acquire);
  if (state == Idle && loadOnFirstUse_) prepare(language);
  return state == Ready && lang->present ? lang : nullptr;
}

bool DictionarySpellChecker::isWordCorrect(std::u16string_view word, std::string_view language) {
  Language* lang = readyLanguage(language);
  if (!lang) return false;
  word = trimPunctuation(word, lang->info->extraCharacters);
  if (word.empty()) return false;
  auto key = lang->keys->key(word);
  if (!key) return false;
  const bool capitalised = lang->keys->hasUpperCase(word);
  const bool greekCapitals = isInGreekCapitals(word, lang->info->script);
  auto indexed = [&](std::string_view k) {
    if (isIndexedWord(*lang, k, capitalised)) return true;
    if (!greekCapitals) return false;
    for (const auto& accented : greekAccentedKeys(k))
      if (isIndexedWord(*lang, accented, capitalised)) return true;
    return false;
  };
  if (indexed(*key)) return true;
  // Hyphenated compounds are right when each part is, as Hunspell's BREAK has it.
  if (key->find('-') == std::string::npos) return false;
  std::size_t start = 0;
  while (true) {
    const std::size_t dash = key->find('-', start);
    const std::string_view part = std::string_view(*key).substr(start, dash == std::string::npos ? std::string::npos : dash - start);
    if (part.empty() || !indexed(part)) return false;
    if (dash == std::string::npos) return true;
    start = dash + 1;
  }
}

bool DictionarySpellChecker::hasCompletions(std::u16string_view prefix, std::string_view language) {
  Language* lang = readyLanguage(language);
  if (!lang) return false;
  // An opening bracket or quote typed before a word is no part of it; closing
  // punctuation ends the word, so a beginning keeps it.
  prefix = trimPunctuation(prefix, lang->info->extraCharacters, false);
  if (prefix.empty()) return false;
  const auto found = lang->keys->key(prefix);
  if (!found) return false;
  const std::string& key = *found;
  if (hasLongerKey(lang->index, key)) return true;
  if (isInGreekCapitals(prefix, lang->info->script)) {
    // A capital sigma at the end of a beginning is the word's inner σ, not its final ς.
    std::string inner = key;
    if (inner.ends_with("ς")) inner.replace(inner.size() - std::string_view("ς").size(), std::string::npos, "σ");
    if (inner != key && hasLongerKey(lang->index, inner)) return true;
    for (const auto& accented : greekAccentedKeys(inner))
      if (hasLongerKey(lang->index, accented)) return true;
  }
  // Dictionaries hold few hyphenated compounds and check them part by part
  // ("из-за"): whole words up to the last hyphen, then any beginning.
  if (const auto dash = prefix.rfind(u'-'); dash != std::u16string_view::npos && dash > 0) {
    bool partsValid = true;
    std::size_t start = 0;
    while (partsValid && start < dash) {
      const std::size_t end = std::min(prefix.find(u'-', start), dash);
      partsValid = end > start && isWordCorrect(prefix.substr(start, end - start), language);
      start = end + 1;
    }
    const auto tail = prefix.substr(dash + 1);
    if (partsValid && (tail.empty() || hasCompletions(tail, language) || isWordCorrect(tail, language))) return true;
  }
  if (!lang->info->clitics) return false;

  // A clitic chain, or the start of one, is followed by some word.
  const std::string marked = kCliticMark + key;
  if (lang->index.predictive_search(singleAgent(marked))) return true;
  // A clitic followed by the beginning of a word.
  marisa::Agent& agent = walkAgent(marked);
  while (lang->index.common_prefix_search(agent)) {
    const std::size_t cliticLength = agent.key().length() - 1;
    if (cliticLength == 0 || cliticLength >= key.size()) continue;
    if (hasLongerKey(lang->index, std::string_view(key).substr(cliticLength))) return true;
  }
  return false;
}

std::string missingDictionariesWarning(const DictionarySpellChecker& checker, const std::vector<std::string>& languages) {
  std::vector<std::string> seen;
  std::string packages;
  for (const auto& language : languages) {
    auto package = checker.missingPackage(language);
    if (!package || std::find(seen.begin(), seen.end(), *package) != seen.end()) continue;
    seen.push_back(*package);
    packages += (packages.empty() ? "" : " ") + *package;
  }
  if (packages.empty()) return {};
  return "warning: spelling dictionaries not installed (Debian package " + packages +
         "); those languages have no valid words";
}

}  // namespace brisquel::spell
