// SPDX-License-Identifier: MIT
#pragma once
// The settings of the program: typed values in the defaults store and the
// three user-editable list files mirrored from it.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/KeyPath.h"
#include "platform/Defaults.h"
#include "platform/Files.h"
#include "platform/MainQueue.h"
#include "platform/Registration.h"
#include "platform/Saves.h"
#include "platform/Workspace.h"

namespace brisquel {

class SettingsHelper : public std::enable_shared_from_this<SettingsHelper> {
 public:
  // Keys of the defaults store.
  static constexpr const char* indexHotKey = "INDEX_HOT_KEY";
  static constexpr const char* enableAutostart = "ENABLE_AUTOSTART";
  static constexpr const char* enableTypoDetector = "ENABLE_TYPO_DETECTOR";
  static constexpr const char* enable = "ENABLE";  // declared, never read or written
  static constexpr const char* winEditHotKeys = "WIN_EDIT_HOTKEYS_V2";
  static constexpr const char* learnedWordsKey = "LEARNED_WORDS";
  static constexpr const char* enableShowLayoutInTray = "ENABLE_SHOW_LAYOUT_IN_TRAY";
  static constexpr const char* enableFnShortcut = "ENABLE_FN_SHORTCUT";
  static constexpr const char* quitClosesWindowsEnabled = "QUIT_CLOSES_WINDOWS_ENABLED";
  static constexpr const char* ignoredAppsKey = "IGNORED_APPS";
  static constexpr const char* ignoredShortcutsAppsKey = "IGNORED_SHORTCUTS_APPS";
  static constexpr const char* enableCtrlShortcut = "ENABLE_CTRL_SHORTCUT";
  // For each list file, a digest of the text it held when the list was last
  // stored (saved with the list), so that a start can tell a file the person
  // edited from one we failed to write after the settings (a crash, a
  // read-only folder): the settings are newer then.
  static constexpr const char* listFileDigestsKey = "LIST_FILE_DIGESTS";

  // Defaults answered when a key is missing or holds a value of another type.
  static constexpr std::int64_t defaultHotKeyIndex = 2;
  static constexpr std::int64_t defaultWinEditKeys = 0x3FFFF;

  // The list files, in the folder `Velmonte` of the application-support directory.
  static constexpr const char* appSupportFolderName = "Velmonte";
  static constexpr const char* learnedWordsFileName = "learned_words.txt";
  static constexpr const char* ignoredAppsFileName = "ignored_apps.txt";
  static constexpr const char* ignoredShortcutsAppsFileName = "ignored_shortcuts_apps.txt";
  static constexpr double fileMonitorInterval = 2.0;
  // Larger list files are read up to their last whole line within this size.
  static constexpr std::size_t maxListFileSize = 256 * 1024;
  struct ListText {
    std::string text;  // up to the last whole line within the size limit
    bool whole = true;
  };
  // A list file as an import reads it; none when it is missing or unreadable.
  static std::optional<ListText> readListFile(FilesPort& files, const std::filesystem::path& file);

  // Receives what the person should be told about their files: a part left
  // unread, a copy kept aside, a file that could not be written.
  using Notify = std::function<void(const std::string& message)>;

  // Creates the settings object and starts watching the list files (on a
  // first start this stores the default lists and writes their files). The
  // list files are written through `saves` (which outlives the object), in
  // order with the store's own saves when it shares them; without one, at once.
  static std::shared_ptr<SettingsHelper> create(DefaultsPort& store, FilesPort& files, MainQueuePort& mainQueue,
                                                WorkspacePort& workspace, Notify notify = {},
                                                SaveQueuePort* saves = nullptr);

  // Writes the lists asked for whose text was not made yet, after the saves queued before.
  ~SettingsHelper();
  SettingsHelper(const SettingsHelper&) = delete;
  SettingsHelper& operator=(const SettingsHelper&) = delete;

  // The defaults store; writers of the scalar settings write it directly.
  DefaultsPort& store() const { return store_; }

  std::int64_t checkedHotKeyIndex() const;
  bool isAutostartEnable() const;
  bool isTypoDetectorEnabled() const;
  std::int64_t winEditKeys() const;
  StringMap learnedWords() const;
  bool isShowLayoutInTrayEnabled() const;
  bool isFnShortcutEnabled() const;
  bool isQuitClosesWindowsEnabled() const;
  StringList ignoredApps() const;
  StringList ignoredShortcutsApps() const;
  bool isCtrlShortcutEnabled() const;

  // The same lists without a copy, for readers on the keyboard path. Each
  // answers the store's current value; the object stays the same (pointer
  // equal) for as long as the value does, so a reader may keep what it
  // derived from it until the pointer changes.
  std::shared_ptr<const StringMap> sharedLearnedWords() const;
  std::shared_ptr<const StringList> sharedIgnoredApps() const;
  std::shared_ptr<const StringList> sharedIgnoredShortcutsApps() const;
  // Moves whenever anything is stored: a reader that saw the same count has
  // nothing to read again.
  std::uint64_t changeCount() const { return store_.changeCount(); }

  // Store the whole list, then write its file unless a file is being imported.
  void setLearnedWords(const StringMap& words);
  void setIgnoredApps(const StringList& apps);
  void setIgnoredShortcutsApps(const StringList& rules);

  // The folder of the list files, created if missing.
  std::filesystem::path appSupportDir() const;
  std::filesystem::path learnedWordsFile() const;
  std::filesystem::path ignoredAppsFile() const;
  std::filesystem::path ignoredShortcutsAppsFile() const;

  // Write a list file from the setting. Text in the file that the program
  // has not read (a save not yet imported, bytes that are not UTF-8, the part
  // past the size limit) is first kept beside it as a .bak file. False when
  // the file could not be written (known at once only where saves run at
  // once; elsewhere the person is told).
  bool exportLearnedWordsToFile();
  bool exportIgnoredAppsToFile();
  bool exportIgnoredShortcutsAppsToFile();

  // Replace a setting by its file's entries; a missing, unreadable or
  // non-UTF-8 file leaves the setting unchanged.
  void importLearnedWordsFromFile();
  void importIgnoredAppsFromFile();
  void importIgnoredShortcutsAppsFromFile();

  // Take in a save not yet seen, export the list, then open its file in the
  // user's default text editor once written. False when the file could not
  // be written or opened (known at once only where saves run at once).
  bool openLearnedWordsList();
  bool openIgnoredAppsList();
  bool openIgnoredShortcutsAppsList();

  bool isImporting() const { return isImporting_; }

  // Runs after the watcher took in settings another process stored, so that
  // what shows them (the menu, the indicator) can follow.
  void setChangedElsewhereHandler(std::function<void()> handler) { changedElsewhere_ = std::move(handler); }

  // A digest of a list file's text, as recorded under listFileDigestsKey.
  static std::string digestOf(std::string_view text);

 private:
  SettingsHelper(DefaultsPort& store, FilesPort& files, MainQueuePort& mainQueue, WorkspacePort& workspace,
                 Notify notify, SaveQueuePort* saves);

  void startWatchingFiles();
  void startAppList(const std::filesystem::path& file, const char* key, const StringList& defaults,
                    std::optional<std::string>& known, void (SettingsHelper::*import)(),
                    bool (SettingsHelper::*exportList)());
  void checkLearnedWordsFile();
  void checkIgnoredAppsFile();
  void checkIgnoredShortcutsAppsFile();
  void checkFile(const std::filesystem::path& file, const std::optional<std::string>& known,
                 void (SettingsHelper::*import)());
  // Queues the write of a list file from its setting; `known` is the member
  // holding the file's text as last read or written, `then` runs once it is written.
  bool writeListFile(const std::filesystem::path& file, std::optional<std::string> SettingsHelper::*known,
                     std::function<bool(SettingsHelper&)> then = {});
  void queueListWrite(const std::filesystem::path& file, const std::string& name,
                      std::optional<std::string> SettingsHelper::*known, std::function<bool(SettingsHelper&)> then,
                      std::shared_ptr<std::optional<bool>> answer);
  // The text of the list file whose text `known` holds, from the setting.
  std::string listText(std::optional<std::string> SettingsHelper::*known) const;
  // The write itself, on the save queue: it touches nothing of the object.
  struct ListWrite {
    bool written = false;
    std::vector<std::string> messages;  // for the person, told on the main queue
  };
  static ListWrite writeListFileNow(FilesPort& files, const std::filesystem::path& file, const std::string& text,
                                    const std::optional<std::string>& known);
  static bool keepBackup(FilesPort& files, const std::filesystem::path& file, const std::optional<ListText>& current,
                         std::vector<std::string>& messages);
  std::optional<ListText> readListFile(const std::filesystem::path& file) const { return readListFile(files_, file); }
  // Notes a list file's text as read, telling the person when part of it was left unread.
  void noteRead(const std::filesystem::path& file, const ListText& text, std::optional<std::string>& known);
  void importAppListFromFile(const std::filesystem::path& file, std::optional<std::string>& known,
                             void (SettingsHelper::*set)(const StringList&));
  // A file read for the first time gives way to the settings when it holds
  // the same (`same`) or is as we last wrote it (a write cut short: the
  // settings are newer, and the file is brought up to date). True when it did.
  bool settingsWin(const std::filesystem::path& file, const ListText& text, std::optional<std::string>& known,
                   bool same, bool (SettingsHelper::*exportList)());
  void tell(const std::string& message) const;
  // Whether the file holds what it held when the list was last stored (so
  // the settings are at least as new), by the digest stored with the list.
  bool isAsLastWritten(const std::filesystem::path& file, const std::string& text) const;
  // Stores a list together with the digest of its file's text as last written or read.
  void storeList(const char* key, const std::filesystem::path& file, const DefaultsValue& value);

  template <typename T>
  struct CachedValue {
    std::optional<std::uint64_t> seenChange;  // the store's change count when last read
    std::shared_ptr<const T> value;
  };
  template <typename T>
  std::shared_ptr<const T> cached(const char* key, CachedValue<T>& cache) const;

  struct CachedFlag {
    std::optional<std::uint64_t> seenChange;
    bool value = false;
  };
  bool cachedFlag(const char* key, bool fallback, CachedFlag& cache) const;

  DefaultsPort& store_;
  mutable CachedFlag typoDetectorEnabledCache_;
  mutable CachedFlag ctrlShortcutCache_;
  mutable CachedFlag fnShortcutCache_;
  mutable CachedFlag quitClosesWindowsCache_;
  mutable CachedValue<StringMap> learnedWordsCache_;
  mutable CachedValue<StringList> ignoredAppsCache_;
  mutable CachedValue<StringList> ignoredShortcutsAppsCache_;
  FilesPort& files_;
  MainQueuePort& mainQueue_;
  WorkspacePort& workspace_;
  ImmediateSaves immediateSaves_;
  SaveQueuePort& saves_;
  Registration fileMonitorTimer_;
  Notify notify_;
  mutable std::set<std::string> told_;  // each problem is told once
  std::function<void()> changedElsewhere_;
  std::uint64_t seenChangesFromElsewhere_ = 0;
  // Each list file's writes on their way and the text the last one writes, by file name.
  struct Writing {
    int requested = 0;  // asked for, their text not made yet or not written yet
    int queued = 0;     // text made, not written yet
    std::string text;   // what the last queued one writes
  };
  std::map<std::string, Writing> writing_;
  // Each list file's stamp when the watcher last read it, by file name.
  std::map<std::string, std::optional<FileStamp>> checkedStamps_;
  // Each list file's digest as we last wrote or read it, by file name.
  std::map<std::string, std::string> fileDigests_;
  // Each list file's text as the program last read or wrote it; the watcher
  // imports whatever else it finds there.
  std::optional<std::string> learnedWordsText_;
  std::optional<std::string> ignoredAppsText_;
  std::optional<std::string> ignoredShortcutsAppsText_;
  bool isImporting_ = false;
  keypath::KeptWarm keptWarm_{this, sizeof(*this)};  // read at every key
};

}  // namespace brisquel
