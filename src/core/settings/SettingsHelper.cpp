#include "settings/SettingsHelper.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "settings/ListFiles.h"

namespace brisquel {
namespace {

std::shared_ptr<SettingsHelper>& sharedSlot() {
  static std::shared_ptr<SettingsHelper> instance;
  return instance;
}

template <typename T>
T valueOr(const DefaultsPort& store, const char* key, T fallback) {
  auto stored = store.object(key);
  if (!stored) return fallback;
  if (const T* value = std::get_if<T>(&*stored)) return *value;
  return fallback;
}

}  // namespace

std::shared_ptr<SettingsHelper> SettingsHelper::create(DefaultsPort& store, FilesPort& files, MainQueuePort& mainQueue,
                                                       WorkspacePort& workspace) {
  std::shared_ptr<SettingsHelper> helper(new SettingsHelper(store, files, mainQueue, workspace));
  helper->startWatchingFiles();
  return helper;
}

SettingsHelper::SettingsHelper(DefaultsPort& store, FilesPort& files, MainQueuePort& mainQueue,
                               WorkspacePort& workspace)
    : store_(store), files_(files), mainQueue_(mainQueue), workspace_(workspace) {}

SettingsHelper& SettingsHelper::shared() {
  auto& instance = sharedSlot();
  if (!instance) {
    std::fputs("brisquel: the settings object was used before it was installed\n", stderr);
    std::abort();
  }
  return *instance;
}

void SettingsHelper::installShared(std::shared_ptr<SettingsHelper> instance) { sharedSlot() = std::move(instance); }

bool SettingsHelper::hasShared() { return sharedSlot() != nullptr; }

// Reading: a missing key and a value of another type both answer the default.

std::int64_t SettingsHelper::checkedHotKeyIndex() const {
  return valueOr<std::int64_t>(store_, indexHotKey, defaultHotKeyIndex);
}
bool SettingsHelper::isAutostartEnable() const { return valueOr(store_, enableAutostart, true); }
bool SettingsHelper::isTypoDetectorEnabled() const {
  return cachedFlag(enableTypoDetector, true, typoDetectorEnabledCache_);
}
std::int64_t SettingsHelper::winEditKeys() const {
  return valueOr<std::int64_t>(store_, winEditHotKeys, defaultWinEditKeys);
}
StringMap SettingsHelper::learnedWords() const {
  return *sharedLearnedWords();
}
bool SettingsHelper::isShowLayoutInTrayEnabled() const { return valueOr(store_, enableShowLayoutInTray, false); }
bool SettingsHelper::isFnShortcutEnabled() const {
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
bool SettingsHelper::isCtrlShortcutEnabled() const {
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
bool SettingsHelper::cachedFlag(const char* key, bool fallback, CachedFlag& cache) const {
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

// Writing the lists: the file follows the store, except while the store is
// being filled from that very file.

void SettingsHelper::setLearnedWords(const StringMap& words) {
  store_.set(learnedWordsKey, words);
  if (!isImporting_) exportLearnedWordsToFile();
}

void SettingsHelper::setIgnoredApps(const StringList& apps) {
  store_.set(ignoredAppsKey, apps);
  if (!isImporting_) exportIgnoredAppsToFile();
}

void SettingsHelper::setIgnoredShortcutsApps(const StringList& rules) {
  store_.set(ignoredShortcutsAppsKey, rules);
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

void SettingsHelper::exportLearnedWordsToFile() {
  writeListFile(learnedWordsFile(), formatLearnedWords(learnedWords()), lastLearnedWordsModDate_);
}

void SettingsHelper::exportIgnoredAppsToFile() {
  writeListFile(ignoredAppsFile(), formatAppList(ignoredAppsHeader, ignoredApps()), lastIgnoredAppsModDate_);
}

void SettingsHelper::exportIgnoredShortcutsAppsToFile() {
  writeListFile(ignoredShortcutsAppsFile(), formatAppList(ignoredShortcutsAppsHeader, ignoredShortcutsApps()),
                lastIgnoredShortcutsAppsModDate_);
}

void SettingsHelper::writeListFile(const std::filesystem::path& file, const std::string& text,
                                   std::optional<double>& lastSeen) {
  // The file may hold text of the user's that the store does not: text we
  // cannot read as UTF-8, or a save the watcher has not picked up yet. Keep it
  // beside the new file instead of replacing it.
  if (files_.exists(file)) {
    auto old = files_.read(file);
    auto date = files_.modificationDate(file);
    const bool unseenSave = lastSeen && date && *date > *lastSeen;
    if (!old || !isValidUtf8(*old) || unseenSave) {
      auto backup = file;
      backup += ".bak";
      for (int n = 2; files_.exists(backup); ++n) {
        if (n > 1000) return;
        backup = file;
        backup += '.';
        backup += std::to_string(n);
        backup += ".bak";
      }
      if (!files_.rename(file, backup)) return;
    }
  }
  if (!files_.writeAtomically(file, text)) return;
  if (auto date = files_.modificationDate(file)) lastSeen = *date;
}

// Import.

std::optional<std::string> SettingsHelper::readListFile(const std::filesystem::path& file) const {
  if (!files_.exists(file)) return std::nullopt;
  return files_.read(file);
}

void SettingsHelper::importLearnedWordsFromFile() {
  auto text = readListFile(learnedWordsFile());
  if (!text) return;
  auto words = parseLearnedWords(*text);
  if (!words) return;
  isImporting_ = true;
  setLearnedWords(*words);
  isImporting_ = false;
}

void SettingsHelper::importIgnoredAppsFromFile() {
  auto text = readListFile(ignoredAppsFile());
  if (!text) return;
  auto apps = parseAppList(*text);
  if (!apps) return;
  isImporting_ = true;
  setIgnoredApps(*apps);
  isImporting_ = false;
}

void SettingsHelper::importIgnoredShortcutsAppsFromFile() {
  auto text = readListFile(ignoredShortcutsAppsFile());
  if (!text) return;
  auto rules = parseAppList(*text);
  if (!rules) return;
  isImporting_ = true;
  setIgnoredShortcutsApps(*rules);
  isImporting_ = false;
}

// Start-up and the watcher.

void SettingsHelper::startWatchingFiles() {
  startAppList(ignoredAppsFile(), ignoredAppsKey, defaultIgnoredApps(), &SettingsHelper::importIgnoredAppsFromFile,
               &SettingsHelper::exportIgnoredAppsToFile);
  startAppList(ignoredShortcutsAppsFile(), ignoredShortcutsAppsKey, defaultIgnoredShortcutsApps(),
               &SettingsHelper::importIgnoredShortcutsAppsFromFile, &SettingsHelper::exportIgnoredShortcutsAppsToFile);

  std::weak_ptr<SettingsHelper> weak = weak_from_this();
  fileMonitorTimer_ = mainQueue_.scheduleRepeatingTimer(fileMonitorInterval, [weak] {
    if (auto self = weak.lock()) {
      self->checkLearnedWordsFile();
      self->checkIgnoredAppsFile();
      self->checkIgnoredShortcutsAppsFile();
    }
  });
}

void SettingsHelper::startAppList(const std::filesystem::path& file, const char* key, const StringList& defaults,
                                  void (SettingsHelper::*import)(), void (SettingsHelper::*exportList)()) {
  if (!files_.exists(file)) {
    isImporting_ = true;
    store_.set(key, defaults);
    isImporting_ = false;
    (this->*exportList)();
    return;
  }
  // The file is what the user edited last, possibly while we were not
  // running: take it over when it says something else than the store.
  auto text = files_.read(file);
  if (!text) return;
  auto entries = parseAppList(*text);
  if (!entries) return;
  if (*entries != valueOr(store_, key, StringList{})) (this->*import)();
}

void SettingsHelper::checkLearnedWordsFile() {
  checkFile(learnedWordsFile(), lastLearnedWordsModDate_, &SettingsHelper::importLearnedWordsFromFile);
}

void SettingsHelper::checkIgnoredAppsFile() {
  checkFile(ignoredAppsFile(), lastIgnoredAppsModDate_, &SettingsHelper::importIgnoredAppsFromFile);
}

void SettingsHelper::checkIgnoredShortcutsAppsFile() {
  checkFile(ignoredShortcutsAppsFile(), lastIgnoredShortcutsAppsModDate_,
            &SettingsHelper::importIgnoredShortcutsAppsFromFile);
}

void SettingsHelper::checkFile(const std::filesystem::path& file, std::optional<double>& lastSeen,
                               void (SettingsHelper::*import)()) {
  auto date = files_.modificationDate(file);
  if (!date) return;
  if (!lastSeen) {
    lastSeen = *date;
    return;
  }
  if (*date > *lastSeen) {
    lastSeen = *date;
    (this->*import)();
  }
}

// Open actions.

bool SettingsHelper::openLearnedWordsList() {
  exportLearnedWordsToFile();
  return workspace_.openFile(learnedWordsFile());
}

bool SettingsHelper::openIgnoredAppsList() {
  exportIgnoredAppsToFile();
  return workspace_.openFile(ignoredAppsFile());
}

bool SettingsHelper::openIgnoredShortcutsAppsList() {
  exportIgnoredShortcutsAppsToFile();
  return workspace_.openFile(ignoredShortcutsAppsFile());
}

}  // namespace brisquel
