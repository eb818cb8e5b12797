// SPDX-License-Identifier: MIT
#include "settings/SettingsHelper.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <utility>

#include "base/KeyPath.h"
#include "settings/ListFiles.h"

namespace brisquel {
namespace {

template <typename T>
T valueOr(const DefaultsPort& store, const char* key, T fallback) {
  auto stored = store.object(key);
  if (!stored) return fallback;
  if (const T* value = std::get_if<T>(&*stored)) return *value;
  return fallback;
}

}  // namespace

std::shared_ptr<SettingsHelper> SettingsHelper::create(DefaultsPort& store, FilesPort& files, MainQueuePort& mainQueue,
                                                       WorkspacePort& workspace, Notify notify, SaveQueuePort* saves) {
  std::shared_ptr<SettingsHelper> helper(
      new SettingsHelper(store, files, mainQueue, workspace, std::move(notify), saves));
  helper->startWatchingFiles();
  return helper;
}

SettingsHelper::SettingsHelper(DefaultsPort& store, FilesPort& files, MainQueuePort& mainQueue,
                               WorkspacePort& workspace, Notify notify, SaveQueuePort* saves)
    : store_(store),
      files_(files),
      mainQueue_(mainQueue),
      workspace_(workspace),
      saves_(saves != nullptr ? *saves : immediateSaves_),
      notify_(std::move(notify)),
      seenChangesFromElsewhere_(store.changesFromElsewhere()) {}

// Reading: a missing key and a value of another type both answer the default.

std::int64_t SettingsHelper::checkedHotKeyIndex() const {
  return valueOr<std::int64_t>(store_, indexHotKey, defaultHotKeyIndex);
}
bool SettingsHelper::isAutostartEnable() const { return valueOr(store_, enableAutostart, true); }
BRISQUEL_KEY_PATH bool SettingsHelper::isTypoDetectorEnabled() const {
  return cachedFlag(enableTypoDetector, true, typoDetectorEnabledCache_);
}
std::int64_t SettingsHelper::winEditKeys() const {
  return valueOr<std::int64_t>(store_, winEditHotKeys, defaultWinEditKeys);
}
StringMap SettingsHelper::learnedWords() const {
  return *sharedLearnedWords();
}
bool SettingsHelper::isShowLayoutInTrayEnabled() const { return valueOr(store_, enableShowLayoutInTray, false); }
BRISQUEL_KEY_PATH bool SettingsHelper::isFnShortcutEnabled() const {
  return cachedFlag(enableFnShortcut, false, fnShortcutCache_);
}
bool SettingsHelper::isQuitClosesWindowsEnabled() const {
  return cachedFlag(quitClosesWindowsEnabled, false, quitClosesWindowsCache_);
}
StringList SettingsHelper::ignoredApps() const {
  return *sharedIgnoredApps();
}
StringList SettingsHelper::ignoredShortcutsApps() const {
  return *sharedIgnoredShortcutsApps();
}
BRISQUEL_KEY_PATH bool SettingsHelper::isCtrlShortcutEnabled() const {
  return cachedFlag(enableCtrlShortcut, true, ctrlShortcutCache_);
}

// Read again only after the store changed; a value equal to the last one
// keeps its object, so readers see no change when another key moved.
template <typename T>
std::shared_ptr<const T> SettingsHelper::cached(const char* key, CachedValue<T>& cache) const {
  const std::uint64_t change = store_.changeCount();
  if (cache.value && cache.seenChange == change) return cache.value;
  T fresh = valueOr(store_, key, T{});
  if (!cache.value || *cache.value != fresh) cache.value = std::make_shared<const T>(std::move(fresh));
  cache.seenChange = change;
  return cache.value;
}

// The switches read at every key.
BRISQUEL_KEY_PATH bool SettingsHelper::cachedFlag(const char* key, bool fallback, CachedFlag& cache) const {
  const std::uint64_t change = store_.changeCount();
  if (cache.seenChange != change) {
    cache.value = valueOr(store_, key, fallback);
    cache.seenChange = change;
  }
  return cache.value;
}

std::shared_ptr<const StringMap> SettingsHelper::sharedLearnedWords() const {
  return cached(learnedWordsKey, learnedWordsCache_);
}
std::shared_ptr<const StringList> SettingsHelper::sharedIgnoredApps() const {
  return cached(ignoredAppsKey, ignoredAppsCache_);
}
std::shared_ptr<const StringList> SettingsHelper::sharedIgnoredShortcutsApps() const {
  return cached(ignoredShortcutsAppsKey, ignoredShortcutsAppsCache_);
}

std::string SettingsHelper::digestOf(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  for (const unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ULL;
  }
  char out[32];
  std::snprintf(out, sizeof out, "%zu-%016llx", text.size(), static_cast<unsigned long long>(hash));
  return out;
}

bool SettingsHelper::isAsLastWritten(const std::filesystem::path& file, const std::string& text) const {
  const auto digests = valueOr(store_, listFileDigestsKey, StringMap{});
  auto it = digests.find(file.filename().string());
  return it != digests.end() && it->second == digestOf(text);
}

void SettingsHelper::storeList(const char* key, const std::filesystem::path& file, const DefaultsValue& value) {
  auto known = fileDigests_.find(file.filename().string());
  auto digests = valueOr(store_, listFileDigestsKey, StringMap{});
  if (known == fileDigests_.end() || digests[known->first] == known->second) {
    store_.set(key, value);
    return;
  }
  digests[known->first] = known->second;
  store_.setValues({{key, value}, {listFileDigestsKey, digests}});
}

// Writing the lists: the file follows the store, except while the store is
// being filled from that very file.

void SettingsHelper::setLearnedWords(const StringMap& words) {
  storeList(learnedWordsKey, learnedWordsFile(), words);
  if (!isImporting_) exportLearnedWordsToFile();
}

void SettingsHelper::setIgnoredApps(const StringList& apps) {
  storeList(ignoredAppsKey, ignoredAppsFile(), apps);
  if (!isImporting_) exportIgnoredAppsToFile();
}

void SettingsHelper::setIgnoredShortcutsApps(const StringList& rules) {
  storeList(ignoredShortcutsAppsKey, ignoredShortcutsAppsFile(), rules);
  if (!isImporting_) exportIgnoredShortcutsAppsToFile();
}

std::filesystem::path SettingsHelper::appSupportDir() const {
  auto dir = files_.applicationSupportDirectory() / appSupportFolderName;
  files_.createDirectories(dir);  // a failure shows up as failing file operations later
  return dir;
}

std::filesystem::path SettingsHelper::learnedWordsFile() const { return appSupportDir() / learnedWordsFileName; }
std::filesystem::path SettingsHelper::ignoredAppsFile() const { return appSupportDir() / ignoredAppsFileName; }
std::filesystem::path SettingsHelper::ignoredShortcutsAppsFile() const {
  return appSupportDir() / ignoredShortcutsAppsFileName;
}

// Export.

bool SettingsHelper::exportLearnedWordsToFile() {
  return writeListFile(learnedWordsFile(), &SettingsHelper::learnedWordsText_);
}

bool SettingsHelper::exportIgnoredAppsToFile() {
  return writeListFile(ignoredAppsFile(), &SettingsHelper::ignoredAppsText_);
}

bool SettingsHelper::exportIgnoredShortcutsAppsToFile() {
  return writeListFile(ignoredShortcutsAppsFile(), &SettingsHelper::ignoredShortcutsAppsText_);
}

std::string SettingsHelper::listText(std::optional<std::string> SettingsHelper::*known) const {
  if (known == &SettingsHelper::learnedWordsText_) return formatLearnedWords(learnedWords());
  if (known == &SettingsHelper::ignoredAppsText_) return formatAppList(ignoredAppsHeader, ignoredApps());
  return formatAppList(ignoredShortcutsAppsHeader, ignoredShortcutsApps());
}

// The text is made once the saves asked for before are done: the store's
// own save may bring in words another session learned, and the file must
// not drop them. The digest stored with the list's next change is the one
// of that text from then on: a start after a crash between the two saves
// finds the file as the settings expect it, or newer.
bool SettingsHelper::writeListFile(const std::filesystem::path& file,
                                   std::optional<std::string> SettingsHelper::*known,
                                   std::function<bool(SettingsHelper&)> then) {
  const std::string name = file.filename().string();
  ++writing_[name].requested;
  auto answer = std::make_shared<std::optional<bool>>();
  std::weak_ptr<SettingsHelper> weak = weak_from_this();
  saves_.save({}, [weak, file, name, known, answer, then = std::move(then)]() mutable {
    if (auto self = weak.lock()) self->queueListWrite(file, name, known, std::move(then), answer);
  });
  return answer->value_or(true);
}

void SettingsHelper::queueListWrite(const std::filesystem::path& file, const std::string& name,
                                    std::optional<std::string> SettingsHelper::*known,
                                    std::function<bool(SettingsHelper&)> then,
                                    std::shared_ptr<std::optional<bool>> answer) {
  std::string text = listText(known);
  Writing& writing = writing_[name];
  const std::optional<std::string> expected = writing.queued > 0 ? std::optional(writing.text) : this->*known;
  ++writing.queued;
  writing.text = text;
  fileDigests_[name] = digestOf(text);
  auto outcome = std::make_shared<ListWrite>();
  std::weak_ptr<SettingsHelper> weak = weak_from_this();
  saves_.save(
      [&files = files_, file, text, expected, outcome] { *outcome = writeListFileNow(files, file, text, expected); },
      [weak, name, text, known, outcome, answer, then = std::move(then)] {
        auto self = weak.lock();
        if (!self) return;
        for (const auto& message : outcome->messages) self->tell(message);
        Writing& done = self->writing_[name];
        --done.queued;
        --done.requested;
        if (outcome->written) {
          (*self).*known = text;
        } else if (done.queued == 0) {
          // The file holds what it held before.
          if (const auto& held = (*self).*known) {
            self->fileDigests_[name] = digestOf(*held);
          } else {
            self->fileDigests_.erase(name);
          }
        }
        *answer = outcome->written && (!then || then(*self));
      });
}

// Only where a write is still to come: the ports may be gone otherwise (in tests).
SettingsHelper::~SettingsHelper() {
  for (const auto& [name, writing] : writing_) {
    if (writing.requested <= writing.queued) continue;
    const auto known = name == learnedWordsFileName ? &SettingsHelper::learnedWordsText_
                       : name == ignoredAppsFileName ? &SettingsHelper::ignoredAppsText_
                                                     : &SettingsHelper::ignoredShortcutsAppsText_;
    const auto expected = writing.queued > 0 ? std::optional(writing.text) : this->*known;
    saves_.save([&files = files_, file = appSupportDir() / name, text = listText(known),
                 expected] { writeListFileNow(files, file, text, expected); },
                {});
  }
}

SettingsHelper::ListWrite SettingsHelper::writeListFileNow(FilesPort& files, const std::filesystem::path& file,
                                                           const std::string& text,
                                                           const std::optional<std::string>& known) {
  ListWrite outcome;
  // The file may hold text of the person's that the store does not: a save
  // not imported yet, text that is not UTF-8, a part past the size limit.
  // It is kept beside the new file, whatever its modification time says.
  if (files.exists(file)) {
    const auto current = readListFile(files, file);
    const bool whole = current && current->whole;
    // Lines with control characters were skipped when read: keep them too.
    const bool readable = whole && !holdsControlCharacters(current->text);
    const bool seen = readable && known && current->text == *known;
    const bool same = whole && current->text == text;
    // Another session's write: every entry of it is in ours, nothing is lost.
    const auto contained = [&] {
      const auto now = listFileEntries(current->text);
      const auto next = listFileEntries(text);
      if (!now || !next) return false;
      const std::set<std::string> ours(next->begin(), next->end());
      return std::all_of(now->begin(), now->end(), [&](const std::string& entry) { return ours.contains(entry); });
    };
    if (!seen && !same && !(readable && contained()) && !keepBackup(files, file, current, outcome.messages))
      return outcome;
  }
  outcome.written = files.writeAtomically(file, text);
  if (!outcome.written) outcome.messages.push_back("could not write " + file.string());
  return outcome;
}

bool SettingsHelper::keepBackup(FilesPort& files, const std::filesystem::path& file,
                                const std::optional<ListText>& current, std::vector<std::string>& messages) {
  auto backup = file;
  backup += ".bak";
  for (int n = 2; files.exists(backup); ++n) {
    if (n > 1000) return false;
    backup = file;
    backup += '.';
    backup += std::to_string(n);
    backup += ".bak";
  }
  // A copy, so that a symbolic link stays in place; a file too large to read
  // at once or unreadable is moved instead, never read whole.
  const bool kept = current && current->whole ? files.writeAtomically(backup, current->text)
                                              : files.rename(file, backup);
  if (!kept) {
    messages.push_back("could not write " + file.string() + ": it holds changes that could not be kept as " +
                       backup.string());
    return false;
  }
  messages.push_back(file.string() + " held changes that were not read in; they were kept as " + backup.string());
  return true;
}

// Import.

std::optional<SettingsHelper::ListText> SettingsHelper::readListFile(FilesPort& files,
                                                                     const std::filesystem::path& file) {
  if (!files.exists(file)) return std::nullopt;
  auto bytes = files.read(file, maxListFileSize + 1);
  if (!bytes) return std::nullopt;
  if (bytes->size() <= maxListFileSize) return ListText{std::move(*bytes), true};
  return ListText{std::string(leadingLines(*bytes, maxListFileSize)), false};
}

void SettingsHelper::noteRead(const std::filesystem::path& file, const ListText& text,
                              std::optional<std::string>& known) {
  known = text.text;
  if (text.whole) fileDigests_[file.filename().string()] = digestOf(text.text);
  if (!text.whole) {
    tell(file.string() + " is larger than " + std::to_string(maxListFileSize / 1024) +
         " KiB: only the lines within its first " + std::to_string(maxListFileSize / 1024) + " KiB were read");
  }
}

void SettingsHelper::tell(const std::string& message) const {
  if (notify_ && told_.insert(message).second) notify_(message);
}

void SettingsHelper::importLearnedWordsFromFile() {
  const auto file = learnedWordsFile();
  auto text = readListFile(file);
  if (!text) return;
  auto words = parseLearnedWords(text->text);
  if (!words) return;
  const auto before = learnedWordsText_ ? parseLearnedWords(*learnedWordsText_) : std::nullopt;
  if (!before && settingsWin(file, *text, learnedWordsText_, text->whole && *words == learnedWords(),
                             &SettingsHelper::exportLearnedWordsToFile))
    return;
  StringMap merged = *words;
  if (before || !text->whole) {
    // What changed in the file since we last read or wrote it, applied to
    // the settings, which may hold words another session learned meanwhile.
    // A file read only in part removes nothing: the rest may hold it.
    static const StringMap none;
    const StringMap& base = before ? *before : none;
    merged = learnedWords();
    for (const auto& [typed, result] : *words) {
      auto was = base.find(typed);
      if (was == base.end() || was->second != result) merged[typed] = result;
    }
    if (text->whole)
      for (const auto& entry : base)
        if (!words->contains(entry.first)) merged.erase(entry.first);
  }
  noteRead(file, *text, learnedWordsText_);
  isImporting_ = true;
  setLearnedWords(merged);
  isImporting_ = false;
  if (merged != *words && text->whole) exportLearnedWordsToFile();  // the file shows them all
}

void SettingsHelper::importIgnoredAppsFromFile() {
  importAppListFromFile(ignoredAppsFile(), ignoredAppsText_, &SettingsHelper::setIgnoredApps);
}

void SettingsHelper::importIgnoredShortcutsAppsFromFile() {
  importAppListFromFile(ignoredShortcutsAppsFile(), ignoredShortcutsAppsText_, &SettingsHelper::setIgnoredShortcutsApps);
}

void SettingsHelper::importAppListFromFile(const std::filesystem::path& file, std::optional<std::string>& known,
                                           void (SettingsHelper::*set)(const StringList&)) {
  auto text = readListFile(file);
  if (!text) return;
  auto entries = parseAppList(text->text);
  if (!entries) return;
  noteRead(file, *text, known);
  isImporting_ = true;
  (this->*set)(*entries);
  isImporting_ = false;
}

// Start-up and the watcher.

void SettingsHelper::startWatchingFiles() {
  startAppList(ignoredAppsFile(), ignoredAppsKey, defaultIgnoredApps(), ignoredAppsText_,
               &SettingsHelper::importIgnoredAppsFromFile, &SettingsHelper::exportIgnoredAppsToFile);
  startAppList(ignoredShortcutsAppsFile(), ignoredShortcutsAppsKey, defaultIgnoredShortcutsApps(),
               ignoredShortcutsAppsText_, &SettingsHelper::importIgnoredShortcutsAppsFromFile,
               &SettingsHelper::exportIgnoredShortcutsAppsToFile);

  std::weak_ptr<SettingsHelper> weak = weak_from_this();
  fileMonitorTimer_ = mainQueue_.scheduleRepeatingTimer(fileMonitorInterval, [weak] {
    if (auto self = weak.lock()) {
      self->store_.synchronize();  // what other processes stored
      // Taken in here or by a save merging with the file since the last tick.
      const auto elsewhere = self->store_.changesFromElsewhere();
      const bool changedElsewhere = elsewhere != self->seenChangesFromElsewhere_;
      self->seenChangesFromElsewhere_ = elsewhere;
      self->checkLearnedWordsFile();
      self->checkIgnoredAppsFile();
      self->checkIgnoredShortcutsAppsFile();
      if (changedElsewhere && self->changedElsewhere_) self->changedElsewhere_();
    }
  });
}

void SettingsHelper::startAppList(const std::filesystem::path& file, const char* key, const StringList& defaults,
                                  std::optional<std::string>& known, void (SettingsHelper::*import)(),
                                  bool (SettingsHelper::*exportList)()) {
  if (!files_.exists(file)) {
    isImporting_ = true;
    store_.set(key, defaults);
    isImporting_ = false;
    (this->*exportList)();
    return;
  }
  // The file is what the user edited last, possibly while we were not
  // running: take it over when it says something else than the store.
  auto text = readListFile(file);
  if (!text) return;
  auto entries = parseAppList(text->text);
  if (!entries) return;
  if (!settingsWin(file, *text, known, *entries == valueOr(store_, key, StringList{}), exportList)) (this->*import)();
}

bool SettingsHelper::settingsWin(const std::filesystem::path& file, const ListText& text,
                                 std::optional<std::string>& known, bool same, bool (SettingsHelper::*exportList)()) {
  if (!same && !(text.whole && isAsLastWritten(file, text.text))) return false;
  noteRead(file, text, known);
  if (!same) (this->*exportList)();
  return true;
}

void SettingsHelper::checkLearnedWordsFile() {
  checkFile(learnedWordsFile(), learnedWordsText_, &SettingsHelper::importLearnedWordsFromFile);
}

void SettingsHelper::checkIgnoredAppsFile() {
  checkFile(ignoredAppsFile(), ignoredAppsText_, &SettingsHelper::importIgnoredAppsFromFile);
}

void SettingsHelper::checkIgnoredShortcutsAppsFile() {
  checkFile(ignoredShortcutsAppsFile(), ignoredShortcutsAppsText_,
            &SettingsHelper::importIgnoredShortcutsAppsFromFile);
}

// Whatever the file holds that differs from what the program last read or
// wrote there is imported, whether its modification time went forwards,
// backwards (a restore with cp -p or rsync -t) or not at all.
void SettingsHelper::checkFile(const std::filesystem::path& file, const std::optional<std::string>& known,
                               void (SettingsHelper::*import)()) {
  // Our own write on its way would look like an edit.
  const auto writing = writing_.find(file.filename().string());
  if (writing != writing_.end() && writing->second.requested > 0) return;
  // A tick on fcitx5's loop: a file whose stamp did not move is not read
  // again. The stamp is taken before the read, so a write landing meanwhile
  // is read at the next tick.
  const auto stamp = files_.stamp(file);
  auto& checked = checkedStamps_[file.filename().string()];
  if (stamp && checked == stamp) return;
  checked = stamp;
  auto text = readListFile(file);
  if (!text || (known && text->text == *known)) return;
  (this->*import)();
}

// Open actions.

// The file opens once it is written.
bool SettingsHelper::openLearnedWordsList() {
  checkLearnedWordsFile();
  return writeListFile(learnedWordsFile(), &SettingsHelper::learnedWordsText_,
                       [](SettingsHelper& self) { return self.workspace_.openFile(self.learnedWordsFile()); });
}

bool SettingsHelper::openIgnoredAppsList() {
  checkIgnoredAppsFile();
  return writeListFile(ignoredAppsFile(), &SettingsHelper::ignoredAppsText_,
                       [](SettingsHelper& self) { return self.workspace_.openFile(self.ignoredAppsFile()); });
}

bool SettingsHelper::openIgnoredShortcutsAppsList() {
  checkIgnoredShortcutsAppsFile();
  return writeListFile(ignoredShortcutsAppsFile(), &SettingsHelper::ignoredShortcutsAppsText_,
                       [](SettingsHelper& self) { return self.workspace_.openFile(self.ignoredShortcutsAppsFile()); });
}

}  // namespace brisquel
