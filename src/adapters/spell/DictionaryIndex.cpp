// SPDX-License-Identifier: MIT
// Building the prefix index of a language, or mapping it from the cache.
#include "spell/DictionarySpellChecker.h"

#include "base/Text.h"

#include <marisa.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unicode/uchar.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <cstdlib>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "spell/AffixExpander.h"
#include "spell/DictionaryLanguage.h"
#include "spell/WordText.h"

namespace brisquel::spell {
namespace {

// Bumped whenever the index content changes meaning, so that old caches are rebuilt.
constexpr std::string_view kIndexFormat = "brisquel-prefix-index-5";

std::uint64_t fnv1a(std::string_view s, std::uint64_t h = 1469598103934665603ull) {
  for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
  return h;
}

std::optional<std::string> fileIdentity(const std::filesystem::path& p) {
  std::error_code ec;
  auto size = std::filesystem::file_size(p, ec);
  if (ec) return std::nullopt;
  auto time = std::filesystem::last_write_time(p, ec);
  if (ec) return std::nullopt;
  return std::filesystem::absolute(p, ec).string() + "|" + std::to_string(size) + "|" +
         std::to_string(time.time_since_epoch().count());
}

std::optional<std::string> readBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;
  const auto size = in.tellg();
  if (size < 0) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(size), '\0');
  in.seekg(0);
  if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) return std::nullopt;
  return bytes;
}

bool writeBytes(const std::string& file, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

}  // namespace

// One index build at a time (each holds a language's every form), the
// languages' fixed order first among those waiting: English and Russian lead,
// and may build alongside one other, so that corrections start sooner.
class DictionarySpellChecker::BuildTurn {
  static constexpr int kLeadingLanguages = 2;

 public:
  BuildTurn(DictionarySpellChecker& checker, int rank) : checker_(checker) {
    std::unique_lock lock(checker_.buildMutex_);
    checker_.buildWaiting_.insert(rank);
    checker_.buildTurnChanged_.wait(lock, [&] {
      const int allowed = rank < kLeadingLanguages ? 2 : 1;
      return checker_.stopping_ || (checker_.building_ < allowed && *checker_.buildWaiting_.begin() == rank);
    });
    checker_.buildWaiting_.erase(rank);
    ++checker_.building_;
  }
  ~BuildTurn() {
    {
      std::lock_guard lock(checker_.buildMutex_);
      --checker_.building_;
    }
    checker_.buildTurnChanged_.notify_all();
  }
  BuildTurn(const BuildTurn&) = delete;
  BuildTurn& operator=(const BuildTurn&) = delete;

 private:
  DictionarySpellChecker& checker_;
};

bool DictionarySpellChecker::mapCache(Language& lang, const std::filesystem::path& cacheFile,
                                      const std::filesystem::path& caseFile) {
  std::error_code ec;
  if (cacheFile.empty() || !std::filesystem::is_regular_file(cacheFile, ec)) return false;
  auto mapping = std::make_unique<MappedFile>(cacheFile);
  if (!mapping->data()) return false;
  try {
    lang.index.map(mapping->data(), mapping->size());
  } catch (const marisa::Exception&) {
    lang.index.clear();
    return false;
  }
  auto bits = readBytes(caseFile);
  if (!bits || bits->size() != (lang.index.num_keys() + 7) / 8) {
    lang.index.clear();
    return false;
  }
  lang.lowerForms.assign(bits->begin(), bits->end());
  // The first word checked must not wait for the disk: the file is read ahead now, off the loop.
  mapping->prefetch();
  lang.mapping = std::move(mapping);
  return true;
}

bool DictionarySpellChecker::buildIndex(Language& lang, const AffixExpander& expander,
                                        const std::filesystem::path& dicPath, const std::filesystem::path& cacheFile,
                                        const std::filesystem::path& caseFile) {
  {
    marisa::Keyset keys;
    std::vector<bool> lowerOrigin;  // per pushed key: the dictionary writes it in lower case
    std::string key;  // one buffer for every form's key
    bool complete = expander.expand(
        dicPath, !lang.info->clitics,
        [&](std::u16string_view form) {
          if (lang.keys->key(form, key)) {
            keys.push_back(key.data(), key.size());
            lowerOrigin.push_back(!lang.keys->hasUpperCase(form));
          }
        },
        &stopping_);
    if (!complete) return false;
    if (lang.info->clitics) {
      for (const auto& clitic : expander.prefixStrings())
        if (lang.keys->key(clitic, key)) {
          std::string marked = kCliticMark + key;
          keys.push_back(marked.data(), marked.size());
          lowerOrigin.push_back(true);
        }
    }
    try {
      lang.index.build(keys);
    } catch (const marisa::Exception&) {
      return false;
    }
    lang.lowerForms.assign((lang.index.num_keys() + 7) / 8, 0);
    for (std::size_t i = 0; i < keys.size(); ++i)
      if (lowerOrigin[i]) lang.lowerForms[keys[i].id() / 8] |= static_cast<std::uint8_t>(1u << (keys[i].id() % 8));
  }
#if defined(__GLIBC__)
  malloc_trim(0);  // the expansion's transient memory, freed above
#endif
  if (cacheFile.empty()) return true;
  std::error_code ec;
  std::filesystem::create_directories(cacheDirectory_, ec);
  // Other indexes of this language belong to older dictionary files.
  const std::string prefix = std::string(lang.info->id) + "-";
  for (const auto& entry : std::filesystem::directory_iterator(cacheDirectory_, ec)) {
    const auto name = entry.path().filename().string();
    if (name.starts_with(prefix) && (name.ends_with(".trie") || name.ends_with(".lower")))
      std::filesystem::remove(entry.path(), ec);
  }
  const auto suffix = ".tmp" + std::to_string(::getpid());
  const auto temp = cacheFile.string() + suffix;
  const auto caseTemp = caseFile.string() + suffix;
  try {
    // The case bits first: an index without them is rebuilt.
    bool written = writeBytes(caseTemp, lang.lowerForms);
    if (written) std::filesystem::rename(caseTemp, caseFile, ec);
    lang.index.save(temp.c_str());
    if (written && !ec) std::filesystem::rename(temp, cacheFile, ec);
    if (!written || ec) {
      std::filesystem::remove(temp, ec);
      std::filesystem::remove(caseTemp, ec);
    } else {
      // The mapped copy shares pages with every other process using it.
      lang.index.clear();
      if (!mapCache(lang, cacheFile, caseFile)) return false;
      lang.cached = true;
    }
  } catch (const marisa::Exception&) {
    std::filesystem::remove(temp, ec);
    std::filesystem::remove(caseTemp, ec);
  }
  return true;
}

bool DictionarySpellChecker::buildInChild(Language& lang, const AffixExpander& expander,
                                          const std::filesystem::path& dicPath, const std::filesystem::path& cacheFile,
                                          const std::filesystem::path& caseFile) {
  // The expansion holds every form of the language at once (over 100 MB for
  // some): a child process does it and writes the cache, so that this
  // process, which may be a long-lived input-method server, never grows by it.
  pid_t child = -1;
  {
    std::lock_guard forkLock(forkMutex_);  // no other loader inside ICU's converter cache meanwhile
    child = ::fork();
  }
  if (child < 0) return false;
  if (child == 0) {
    const bool built = buildIndex(lang, expander, dicPath, cacheFile, caseFile) && lang.cached;
    ::_exit(built ? 0 : 1);
  }
  int status = 0;
  while (true) {
    const pid_t done = ::waitpid(child, &status, WNOHANG);
    if (done == child) break;
    if (done < 0 && errno != EINTR) return false;
    if (stopping_) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && mapCache(lang, cacheFile, caseFile);
}

void DictionarySpellChecker::load(Language& lang) {
  auto finish = [&] {
    {
      std::lock_guard lock(readyMutex_);
      lang.state.store(Ready, std::memory_order_release);
    }
    readyChanged_.notify_all();
  };
  const auto affPath = lang.aff(dictionaryDirectory_);
  const auto dicPath = lang.dic(dictionaryDirectory_);
  auto affIdentity = fileIdentity(affPath);
  auto dicIdentity = fileIdentity(dicPath);
  if (!affIdentity || !dicIdentity) return finish();  // not installed: no valid words
  // The affix rules are parsed only when the index is built; a lookup needs the input conversion.
  std::optional<InputConversion> conversion;
  {
    std::lock_guard forkLock(forkMutex_);
    conversion = AffixExpander::loadInputConversion(affPath);
  }
  if (!conversion) return finish();

  WordTextRules rules;
  rules.script = lang.info->script;
  rules.extraCharacters = lang.info->extraCharacters;
  rules.stripMarks = lang.info->stripMarks;
  rules.conversion = std::move(*conversion);
  lang.keys = std::make_unique<WordKeys>(std::move(rules));

  // The prefix index: mapped from the cache when it matches the dictionary files, else built.
  char hash[17];
  std::snprintf(hash, sizeof hash, "%016llx",
                static_cast<unsigned long long>(fnv1a(std::string(kIndexFormat) + "|" + *affIdentity + "|" + *dicIdentity)));
  const std::string prefix = std::string(lang.info->id) + "-";
  const std::filesystem::path cacheFile =
      cacheDirectory_.empty() ? std::filesystem::path() : cacheDirectory_ / (prefix + hash + ".trie");
  const std::filesystem::path caseFile =
      cacheDirectory_.empty() ? std::filesystem::path() : cacheDirectory_ / (prefix + hash + ".lower");
  if (mapCache(lang, cacheFile, caseFile)) {
    lang.source = IndexSource::Cache;
  } else {
    // One build at a time, English and Russian first.
    BuildTurn turn(*this, static_cast<int>(&*lang.info - kLanguages));
    if (stopping_) return finish();
    std::optional<AffixExpander> expander;
    {
      std::lock_guard forkLock(forkMutex_);
      expander = AffixExpander::load(affPath);
    }
    if (!expander) return finish();
    (void)lang.keys->key(u"a");  // the normaliser is set up before a child copies this process
    bool built = !cacheFile.empty() && buildInChild(lang, *expander, dicPath, cacheFile, caseFile);
    // Where the cache cannot be written, or the child failed: here.
    if (!built) built = buildIndex(lang, *expander, dicPath, cacheFile, caseFile);
    if (!built) return finish();
    lang.source = IndexSource::Built;
  }

  if (stopping_) return finish();
  lang.present = true;
  finish();
}

}  // namespace brisquel::spell
