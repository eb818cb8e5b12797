// SPDX-License-Identifier: MIT
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
#include "spell/WordText.h"

namespace brisquel::spell {
namespace {

// Bumped whenever the index content changes meaning, so that old caches are rebuilt.
constexpr std::string_view kIndexFormat = "brisquel-prefix-index-5";
// Keys that start with this byte are clitic prefixes, not words.
constexpr char kCliticMark = '\x01';

struct LanguageInfo {
  const char* id;
  const char* fileStem;
  const char* package;
  UScriptCode script;
  std::u16string_view extraCharacters;
  bool stripMarks;
  bool clitics;  // prefixes are stacked clitics: indexed apart, tried as splits
};

// Whole words are looked up in the index of every form as well: it answers
// what Hunspell would (measured on the corpus sentences and on their
// wrong-layout conversions: en 99.96 %, ru 99.996 % of the words alike, the
// rest mixed-case words such as "PostScript" that Hunspell wants exactly as
// the dictionary writes them) without Hunspell's load time and memory (16 MB
// and most of the start for English and Russian), and without the
// milliseconds it spends on long Arabic clitic chains.
const LanguageInfo kLanguages[] = {
    {"en_US", "en_US", "hunspell-en-us", USCRIPT_LATIN, u"'-", false, false},
    {"ru_RU", "ru_RU", "hunspell-ru", USCRIPT_CYRILLIC, u"-", false, false},
    {"uk_UA", "uk_UA", "hunspell-uk", USCRIPT_CYRILLIC, u"'-", false, false},
    {"he", "he_IL", "hunspell-he", USCRIPT_HEBREW, u"\"'-", true, true},
    {"ar", "ar", "hunspell-ar", USCRIPT_ARABIC, u"", true, true},
    {"el", "el_GR", "hunspell-el", USCRIPT_GREEK, u"'-", false, false},
};

enum State : int { Idle, Loading, Ready };

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

// A read-only mapping of a cache file.
class DictionarySpellChecker::MappedFile {
 public:
  explicit MappedFile(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0) {
      void* p = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_SHARED, fd, 0);
      if (p != MAP_FAILED) {
        data_ = p;
        size_ = static_cast<std::size_t>(st.st_size);
      }
    }
    ::close(fd);
  }
  ~MappedFile() {
    if (data_) ::munmap(data_, size_);
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  const void* data() const { return data_; }
  std::size_t size() const { return size_; }
  // Has the kernel read the file ahead, so that no lookup on the main thread
  // waits for the disk; the pages stay the page cache's until a lookup maps them.
  void prefetch() const {
    if (data_) ::madvise(data_, size_, MADV_WILLNEED);
  }

 private:
  void* data_ = nullptr;
  std::size_t size_ = 0;
};

// One index build at a time (each holds a language's every form), the
// languages' fixed order first among those waiting: English and Russian lead.
class DictionarySpellChecker::BuildTurn {
 public:
  BuildTurn(DictionarySpellChecker& checker, int rank) : checker_(checker) {
    std::unique_lock lock(checker_.buildMutex_);
    checker_.buildWaiting_.insert(rank);
    checker_.buildTurnChanged_.wait(lock, [&] {
      return checker_.stopping_ || (!checker_.building_ && *checker_.buildWaiting_.begin() == rank);
    });
    checker_.buildWaiting_.erase(rank);
    checker_.building_ = true;
  }
  ~BuildTurn() {
    {
      std::lock_guard lock(checker_.buildMutex_);
      checker_.building_ = false;
    }
    checker_.buildTurnChanged_.notify_all();
  }
  BuildTurn(const BuildTurn&) = delete;
  BuildTurn& operator=(const BuildTurn&) = delete;

 private:
  DictionarySpellChecker& checker_;
};

namespace {
}  // namespace

struct DictionarySpellChecker::Language {
  const LanguageInfo* info = nullptr;
  std::atomic<int> state{Idle};
  std::atomic<IndexSource> source{IndexSource::None};
  std::thread loader;
  // Written by the loader before state becomes Ready, read-only afterwards.
  bool present = false;
  bool cached = false;  // the index is the mapped cache file
  std::unique_ptr<WordKeys> keys;
  std::unique_ptr<MappedFile> mapping;  // before the index, which points into it
  marisa::Trie index;
  // One bit per index key: some form the dictionary writes in lower case has this key.
  // Otherwise only capitalised forms have it ("London"), and the word needs a capital.
  std::vector<std::uint8_t> lowerForms;

  std::filesystem::path aff(const std::filesystem::path& dir) const { return dir / (std::string(info->fileStem) + ".aff"); }
  std::filesystem::path dic(const std::filesystem::path& dir) const { return dir / (std::string(info->fileStem) + ".dic"); }
};

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
    bool complete = expander.expand(
        dicPath, !lang.info->clitics,
        [&](std::u16string_view form) {
          if (auto key = lang.keys->key(form)) {
            keys.push_back(key->data(), key->size());
            lowerOrigin.push_back(!lang.keys->hasUpperCase(form));
          }
        },
        &stopping_);
    if (!complete) return false;
    if (lang.info->clitics) {
      for (const auto& clitic : expander.prefixStrings())
        if (auto key = lang.keys->key(clitic)) {
          std::string marked = kCliticMark + *key;
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
