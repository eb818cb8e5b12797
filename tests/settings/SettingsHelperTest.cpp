// The settings object: typed values with their defaults, the list settings
// and their files, start-up, the file watcher and the open actions.

#include <gtest/gtest.h>

#include <functional>

#include "FakePorts.h"
#include "settings/ListFiles.h"
#include "settings/SettingsHelper.h"

namespace brisquel {
namespace {

using testing::FakeClock;
using testing::FakeDefaults;
using testing::FakeFiles;
using testing::FakeQueue;
using testing::FakeWorkspace;

const std::filesystem::path kFolder = "/home/u/Library/Application Support/Velmonte";
const std::filesystem::path kLearned = kFolder / "learned_words.txt";
const std::filesystem::path kIgnored = kFolder / "ignored_apps.txt";
const std::filesystem::path kShortcuts = kFolder / "ignored_shortcuts_apps.txt";

std::string appFile(const char* header, const std::string& body) { return std::string(header) + "\n\n" + body; }

class SettingsTest : public ::testing::Test {
 protected:
  // Starts the program's settings object, as a launch does.
  std::shared_ptr<SettingsHelper>& start() {
    settings = SettingsHelper::create(defaults, files, queue, workspace);
    return settings;
  }
  // The program quits and starts again with the same defaults and files.
  std::shared_ptr<SettingsHelper>& restart() {
    settings.reset();
    return start();
  }
  // Files present before the program starts (written while it was not running).
  void existingFile(const std::filesystem::path& file, const std::string& text) {
    files.createDirectories(file.parent_path());
    files.userSaves(file, text);
  }

  FakeClock clock;
  FakeDefaults defaults;
  FakeFiles files{clock};
  FakeQueue queue{clock};
  FakeWorkspace workspace;
  std::shared_ptr<SettingsHelper> settings;
};

// --- typed settings ---------------------------------------------------------

TEST_F(SettingsTest, EmptyStoreAnswersTheDefaults) {
  start();
  const auto& s = *settings;
  EXPECT_EQ(s.checkedHotKeyIndex(), 2);
  EXPECT_TRUE(s.isAutostartEnable());
  EXPECT_TRUE(s.isTypoDetectorEnabled());
  EXPECT_EQ(s.winEditKeys(), 262143);
  EXPECT_TRUE(s.isCtrlShortcutEnabled());
  EXPECT_FALSE(s.isFnShortcutEnabled());
  EXPECT_FALSE(s.isShowLayoutInTrayEnabled());
  EXPECT_FALSE(s.isQuitClosesWindowsEnabled());
  EXPECT_TRUE(s.learnedWords().empty());
}

struct ScalarCase {
  const char* key;
  DefaultsValue stored;
  std::function<std::int64_t(const SettingsHelper&)> read;  // Booleans as 0/1
  std::int64_t expected;
};

TEST_F(SettingsTest, StoredValuesAndWrongTypes) {
  auto index = [](const SettingsHelper& s) { return s.checkedHotKeyIndex(); };
  auto edit = [](const SettingsHelper& s) { return s.winEditKeys(); };
  auto typo = [](const SettingsHelper& s) -> std::int64_t { return s.isTypoDetectorEnabled(); };
  auto tray = [](const SettingsHelper& s) -> std::int64_t { return s.isShowLayoutInTrayEnabled(); };
  auto ctrl = [](const SettingsHelper& s) -> std::int64_t { return s.isCtrlShortcutEnabled(); };
  auto autostart = [](const SettingsHelper& s) -> std::int64_t { return s.isAutostartEnable(); };
  const std::vector<ScalarCase> cases = {
      {"INDEX_HOT_KEY", std::int64_t{4}, index, 4},
      {"INDEX_HOT_KEY", std::string("4"), index, 2},
      {"INDEX_HOT_KEY", true, index, 2},
      {"WIN_EDIT_HOTKEYS_V2", std::int64_t{0}, edit, 0},  // 0 is a choice, not a missing value
      {"WIN_EDIT_HOTKEYS_V2", std::int64_t{5}, edit, 5},
      {"WIN_EDIT_HOTKEYS_V2", DefaultsOther{"<real>3.5</real>"}, edit, 262143},
      {"ENABLE_TYPO_DETECTOR", false, typo, 0},
      {"ENABLE_TYPO_DETECTOR", std::string("false"), typo, 1},
      {"ENABLE_TYPO_DETECTOR", std::int64_t{0}, typo, 1},
      {"ENABLE_SHOW_LAYOUT_IN_TRAY", true, tray, 1},
      {"ENABLE_SHOW_LAYOUT_IN_TRAY", std::string("true"), tray, 0},
      {"ENABLE_CTRL_SHORTCUT", false, ctrl, 0},
      {"ENABLE_AUTOSTART", false, autostart, 0},
      {"ENABLE_AUTOSTART", StringList{"x"}, autostart, 1},
  };
  start();
  for (const auto& c : cases) {
    defaults.values.clear();
    defaults.set(c.key, c.stored);
    EXPECT_EQ(c.read(*settings), c.expected) << c.key << " holding " << c.stored.index() << "-typed value";
    EXPECT_EQ(defaults.values.at(c.key), c.stored) << "a read never repairs the stored value";
  }
}

TEST_F(SettingsTest, ListSettingsOfAnotherTypeReadEmpty) {
  start();
  defaults.set("LEARNED_WORDS", StringList{"a", "b"});
  defaults.set("IGNORED_APPS", StringMap{{"a", "b"}});
  defaults.set("IGNORED_SHORTCUTS_APPS", std::string("com.apple.terminal"));
  EXPECT_TRUE(settings->learnedWords().empty());
  EXPECT_TRUE(settings->ignoredApps().empty());
  EXPECT_TRUE(settings->ignoredShortcutsApps().empty());
}

TEST_F(SettingsTest, ScalarWritersGoStraightToTheStore) {
  start();
  settings->store().set(SettingsHelper::indexHotKey, std::int64_t{0});
  settings->store().set(SettingsHelper::enableFnShortcut, true);
  EXPECT_EQ(settings->checkedHotKeyIndex(), 0);
  EXPECT_TRUE(settings->isFnShortcutEnabled());
  EXPECT_EQ(std::get<std::int64_t>(defaults.values.at("INDEX_HOT_KEY")), 0);
}

// --- first start and start-up -------------------------------------------------

TEST_F(SettingsTest, FirstStartStoresTheDefaultListsAndWritesTheirFiles) {
  start();
  EXPECT_EQ(settings->ignoredApps(), defaultIgnoredApps());
  EXPECT_EQ(settings->ignoredShortcutsApps(), defaultIgnoredShortcutsApps());

  std::string apps;
  for (const auto& a : defaultIgnoredApps()) apps += (apps.empty() ? "" : "\n") + a;
  EXPECT_EQ(files.text(kIgnored), appFile(ignoredAppsHeader, apps));
  EXPECT_EQ(files.text(kShortcuts),
            appFile(ignoredShortcutsAppsHeader,
                    "com.apple.terminal|c|x|z|d|w|a|r\ncom.googlecode.iterm2|c|x|z|d|w|a|r\n"
                    "co.zeit.hyper|c|x|z|d|w|a|r\nnet.kovidgoyal.kitty|c|x|z|d|w|a|r\n"
                    "com.github.wez.wezterm|c|x|z|d|w|a|r\nio.alacritty|c|x|z|d|w|a|r\norg.alacritty|c|x|z|d|w|a|r"));
  EXPECT_FALSE(files.exists(kLearned)) << "the learned-words file is written only when needed";
  EXPECT_EQ(queue.liveTimers(), 1u);
  EXPECT_EQ(queue.timerInterval(0), 2.0);
}

TEST_F(SettingsTest, RestartWithUnchangedFilesRewritesNothing) {
  start();
  settings->setIgnoredApps({"one", "two"});
  const int writes = files.writeCount;
  restart();
  EXPECT_EQ(settings->ignoredApps(), (StringList{"one", "two"}));
  EXPECT_EQ(files.writeCount, writes);
}

TEST_F(SettingsTest, DeletedListFileIsResetToItsDefaultsAtTheNextStart) {
  start();
  settings->setIgnoredShortcutsApps({"mine|c"});
  files.remove(kShortcuts);
  restart();
  EXPECT_EQ(settings->ignoredShortcutsApps(), defaultIgnoredShortcutsApps());
  EXPECT_EQ(files.text(kShortcuts), formatAppList(ignoredShortcutsAppsHeader, defaultIgnoredShortcutsApps()));
}

TEST_F(SettingsTest, ExistingFileFillsAnEmptyStoredList) {
  existingFile(kIgnored, appFile(ignoredAppsHeader, "from-file"));
  start();
  EXPECT_EQ(settings->ignoredApps(), (StringList{"from-file"}));
  EXPECT_EQ(settings->ignoredShortcutsApps(), defaultIgnoredShortcutsApps());
}

// Edits made while the program was not running must not be lost to the next
// export of the stored list.
TEST_F(SettingsTest, EditsMadeWhileNotRunningAreTakenOverAtStart) {
  start();
  settings->setIgnoredApps({"old"});
  settings->setIgnoredShortcutsApps({"old|c"});
  settings.reset();

  files.userSaves(kIgnored, appFile(ignoredAppsHeader, "old\nnew app"));
  files.userSaves(kShortcuts, appFile(ignoredShortcutsAppsHeader, ""));
  start();
  EXPECT_EQ(settings->ignoredApps(), (StringList{"old", "new app"}));
  EXPECT_TRUE(settings->ignoredShortcutsApps().empty()) << "a file reduced to its header empties the list";

  settings->exportIgnoredAppsToFile();
  EXPECT_EQ(files.text(kIgnored), appFile(ignoredAppsHeader, "old\nnew app"));
}

TEST_F(SettingsTest, LearnedWordsFileIsImportedAtLaunch) {
  existingFile(kLearned, appFile(learnedWordsHeader, "ghbdtn привет"));
  start();
  EXPECT_TRUE(settings->learnedWords().empty()) << "creation alone does not read the learned words";
  settings->importLearnedWordsFromFile();
  EXPECT_EQ(settings->learnedWords(), (StringMap{{"ghbdtn", "привет"}, {"привет", "привет"}}));
}

// --- import and export ----------------------------------------------------------

TEST_F(SettingsTest, ImportReplacesTheStoredListAndDoesNotWriteTheFileBack) {
  start();
  settings->setLearnedWords({{"old", "word"}, {"word", "word"}});
  const std::string userText = appFile(learnedWordsHeader, "x y\r\ny x\r\n# note\r\n");
  files.userSaves(kLearned, userText);

  settings->importLearnedWordsFromFile();
  EXPECT_EQ(settings->learnedWords(), (StringMap{{"x", "x"}, {"y", "x"}}));
  EXPECT_EQ(files.text(kLearned), userText) << "the user's own text stays as saved";
  EXPECT_FALSE(settings->isImporting());

  settings->exportLearnedWordsToFile();
  EXPECT_EQ(files.text(kLearned), appFile(learnedWordsHeader, "y\tx"));
}

TEST_F(SettingsTest, SettingAListWritesItsFile) {
  start();
  settings->setLearnedWords({{"ghbdtn", "привет"}, {"привет", "привет"}});
  EXPECT_EQ(files.text(kLearned), appFile(learnedWordsHeader, "ghbdtn\tпривет"));
  settings->setIgnoredApps({"b", "a", "b", " spaced "});
  EXPECT_EQ(files.text(kIgnored), appFile(ignoredAppsHeader, "b\na\nb\n spaced "));
}

TEST_F(SettingsTest, MissingOrUnreadableFileLeavesTheSettingUnchanged) {
  start();
  settings->setIgnoredApps({"keep"});
  files.remove(kIgnored);
  settings->importIgnoredAppsFromFile();
  EXPECT_EQ(settings->ignoredApps(), (StringList{"keep"}));

  files.userSaves(kIgnored, appFile(ignoredAppsHeader, "other"));
  files.unreadable.insert(kIgnored);
  settings->importIgnoredAppsFromFile();
  EXPECT_EQ(settings->ignoredApps(), (StringList{"keep"}));
}

TEST_F(SettingsTest, FileThatIsNotUtf8IsKeptAsBackupBeforeAnExportReplacesIt) {
  start();
  settings->setLearnedWords({{"a", "b"}, {"b", "b"}});
  const std::string latin1 = appFile(learnedWordsHeader, "caf\xE9 coffee");
  files.userSaves(kLearned, latin1);

  settings->importLearnedWordsFromFile();
  EXPECT_EQ(settings->learnedWords(), (StringMap{{"a", "b"}, {"b", "b"}}));

  settings->exportLearnedWordsToFile();
  EXPECT_EQ(files.text(kFolder / "learned_words.txt.bak"), latin1);
  EXPECT_EQ(files.text(kLearned), appFile(learnedWordsHeader, "a\tb"));

  // A second bad save does not overwrite the first backup.
  files.userSaves(kLearned, "\xFF");
  settings->exportLearnedWordsToFile();
  EXPECT_EQ(files.text(kFolder / "learned_words.txt.bak"), latin1);
  EXPECT_EQ(files.text(kFolder / "learned_words.txt.2.bak"), "\xFF");
}

TEST_F(SettingsTest, FailedWriteIsSilentAndKeepsTheSetting) {
  start();
  files.failWrites = true;
  settings->setIgnoredApps({"x"});
  EXPECT_EQ(settings->ignoredApps(), (StringList{"x"}));
}

TEST_F(SettingsTest, DeletedSupportFolderIsCreatedAgain) {
  start();
  files.files.clear();
  files.dirs.clear();
  settings->exportIgnoredAppsToFile();
  EXPECT_TRUE(files.dirs.contains(kFolder));
  EXPECT_EQ(files.text(kIgnored), formatAppList(ignoredAppsHeader, defaultIgnoredApps()));
}

// --- the watcher ------------------------------------------------------------------

TEST_F(SettingsTest, UserSaveIsPickedUpWithinOneWatcherTick) {
  start();
  files.userSaves(kIgnored, appFile(ignoredAppsHeader, "edited"));
  queue.advance(2.0);
  EXPECT_EQ(settings->ignoredApps(), (StringList{"edited"}));

  files.userSaves(kShortcuts, appFile(ignoredShortcutsAppsHeader, "app|x"));
  queue.advance(1.9);
  EXPECT_EQ(settings->ignoredShortcutsApps(), defaultIgnoredShortcutsApps()) << "not before the tick";
  queue.advance(0.1);
  EXPECT_EQ(settings->ignoredShortcutsApps(), (StringList{"app|x"}));
}

TEST_F(SettingsTest, FirstTickOnlyRecordsTheDatesOfFilesItHasNotSeen) {
  existingFile(kLearned, appFile(learnedWordsHeader, "a b"));
  start();
  queue.advance(2.0);
  EXPECT_TRUE(settings->learnedWords().empty());

  files.userSaves(kLearned, appFile(learnedWordsHeader, "c d"));
  queue.advance(2.0);
  EXPECT_EQ(settings->learnedWords(), (StringMap{{"c", "d"}, {"d", "d"}}));
}

TEST_F(SettingsTest, OwnWritesDoNotTriggerAnImport) {
  start();
  queue.advance(2.0);
  settings->setIgnoredApps({"mine"});
  // The stored list changes behind the file's back; a re-import would undo it.
  defaults.set("IGNORED_APPS", StringList{"changed directly"});
  queue.advance(4.0);
  EXPECT_EQ(settings->ignoredApps(), (StringList{"changed directly"}));
}

TEST_F(SettingsTest, DeletedFileIsIgnoredByTheWatcherUntilItReturns) {
  start();
  queue.advance(2.0);
  files.remove(kIgnored);
  queue.advance(2.0);
  EXPECT_EQ(settings->ignoredApps(), defaultIgnoredApps());
  files.userSaves(kIgnored, appFile(ignoredAppsHeader, "back"));
  queue.advance(2.0);
  EXPECT_EQ(settings->ignoredApps(), (StringList{"back"}));
}

TEST_F(SettingsTest, WatcherStopsWithTheSettingsObject) {
  start();
  settings.reset();
  EXPECT_EQ(queue.liveTimers(), 0u);
  files.userSaves(kIgnored, appFile(ignoredAppsHeader, "edited"));
  queue.advance(4.0);
  EXPECT_EQ(std::get<StringList>(defaults.values.at("IGNORED_APPS")), defaultIgnoredApps());
}

// --- open actions -------------------------------------------------------------------

TEST_F(SettingsTest, OpenActionsExportThenOpenTheFile) {
  start();
  defaults.set("LEARNED_WORDS", StringMap{{"rfr", "как"}, {"как", "как"}});
  defaults.set("IGNORED_APPS", StringList{"stored"});

  EXPECT_TRUE(settings->openLearnedWordsList());
  EXPECT_EQ(files.text(kLearned), appFile(learnedWordsHeader, "rfr\tкак")) << "missing file created";
  EXPECT_TRUE(settings->openIgnoredAppsList());
  EXPECT_EQ(files.text(kIgnored), appFile(ignoredAppsHeader, "stored"));
  EXPECT_TRUE(settings->openIgnoredShortcutsAppsList());
  EXPECT_EQ(workspace.openedFiles, (std::vector<std::filesystem::path>{kLearned, kIgnored, kShortcuts}));

  workspace.openFails = true;
  EXPECT_FALSE(settings->openLearnedWordsList());
}

// --- the shared instance --------------------------------------------------------------

TEST_F(SettingsTest, SharedInstanceIsTheInstalledOne) {
  start();
  SettingsHelper::installShared(settings);
  EXPECT_TRUE(SettingsHelper::hasShared());
  EXPECT_EQ(&SettingsHelper::shared(), settings.get());
  SettingsHelper::installShared(nullptr);
  EXPECT_FALSE(SettingsHelper::hasShared());
}

}  // namespace
}  // namespace brisquel
