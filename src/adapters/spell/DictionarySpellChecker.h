// SPDX-License-Identifier: MIT
#pragma once
// The spelling port on the installed Hunspell dictionaries.
//
// Words and prefixes are looked up in a trie of every full form (stems with
// their affixes applied), built by us from the dictionary and cached under
// the XDG cache folder, keyed by the dictionary files' identity, so that
// later starts only map it.
//
// Languages load on a background thread the first time they are asked for;
// until then they answer as an unknown language does. Queries never wait.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SpellChecker.h"

namespace brisquel::spell {

class AffixExpander;

class DictionarySpellChecker final : public SpellCheckerPort {
 public:
  // The language identifiers this checker knows, in a fixed order.
  static const std::vector<std::string>& languages();
  static std::filesystem::path defaultDictionaryDirectory();
  // $XDG_CACHE_HOME/brisquel, or ~/.cache/brisquel.
  static std::filesystem::path defaultCacheDirectory();

  // loadOnFirstUse: a question about a language not prepared yet starts loading it (and is
  // answered as for an unknown language); tools that must not depend on timing turn it off.
  explicit DictionarySpellChecker(std::filesystem::path dictionaryDirectory = defaultDictionaryDirectory(),
                                  std::filesystem::path cacheDirectory = defaultCacheDirectory(),
                                  bool loadOnFirstUse = true);
  ~DictionarySpellChecker() override;
  DictionarySpellChecker(const DictionarySpellChecker&) = delete;
  DictionarySpellChecker& operator=(const DictionarySpellChecker&) = delete;

  bool isWordCorrect(std::u16string_view word, std::string_view language) override;
  bool hasCompletions(std::u16string_view prefix, std::string_view language) override;
  void prepare(std::string_view language) override;
  // True once loading has finished, also when the dictionary turned out to be missing.
  bool isReady(std::string_view language) override;

  // For tools, never for the key path: blocks until the language is ready or the timeout passes.
  bool waitUntilReady(std::string_view language, std::chrono::milliseconds timeout);

  // The Debian package that provides the language's dictionary, when its files are not there.
  std::optional<std::string> missingPackage(std::string_view language) const;

  // Where the language's prefix index came from in the last load.
  enum class IndexSource { None, Built, Cache };
  IndexSource indexSource(std::string_view language) const;

 private:
  struct Language;
  class MappedFile;
  class BuildTurn;
  Language* find(std::string_view language) const;
  // The language when it is loaded and has a dictionary; starts loading it when allowed.
  Language* readyLanguage(std::string_view language);
  void load(Language& lang);
  bool mapCache(Language& lang, const std::filesystem::path& cacheFile, const std::filesystem::path& caseFile);
  // Builds the index in memory and writes the cache where it can (then maps it).
  bool buildIndex(Language& lang, const AffixExpander& expander, const std::filesystem::path& dicPath,
                  const std::filesystem::path& cacheFile, const std::filesystem::path& caseFile);
  // The same in a child process; true when the child wrote the cache and it is mapped.
  bool buildInChild(Language& lang, const AffixExpander& expander, const std::filesystem::path& dicPath,
                    const std::filesystem::path& cacheFile, const std::filesystem::path& caseFile);
  bool isIndexedWord(const Language& lang, std::string_view key, bool capitalised) const;

  std::filesystem::path dictionaryDirectory_;
  std::filesystem::path cacheDirectory_;
  std::vector<std::unique_ptr<Language>> languages_;
  bool loadOnFirstUse_ = true;
  std::atomic<bool> stopping_{false};
  std::mutex buildMutex_;
  std::condition_variable buildTurnChanged_;
  std::set<int> buildWaiting_;
  int building_ = 0;
  std::mutex forkMutex_;
  std::mutex readyMutex_;
  std::condition_variable readyChanged_;
};

// One line naming the Debian packages of the missing dictionaries among the
// given languages, or an empty string when none is missing.
std::string missingDictionariesWarning(const DictionarySpellChecker& checker, const std::vector<std::string>& languages);

}  // namespace brisquel::spell
