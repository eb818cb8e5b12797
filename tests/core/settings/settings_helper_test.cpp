// SPDX-License-Identifier: MIT
// The settings object on the simulated desktop: typed values with their
// defaults, the list settings and their files (real files in a folder of the
// build tree, saved the way a text editor saves them), start-up, the file
// watcher and the open actions.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "TestFolders.h"
#include "platform/Platform.h"
#include "sim/SimDesktop.h"
#include "settings/ListFiles.h"
#include "settings/SettingsHelper.h"

namespace brisquel {
namespace {

namespace fs = std::filesystem;

std::string appFile(const char* header, const std::string& body) { return std::string(header) + "\n\n" + body; }

class SettingsTest : public ::testing::Test {
 protected:
  // Creates the settings object as a launch does (after a quit: a restart
  // with the same defaults and files).
  void start() {
    settings.reset();
    const Platform p = desktop.platform();
    files.inner = p.files;
    settings = SettingsHelper::create(*p.defaults, files, *p.mainQueue, *p.workspace,
                                      [this](const std::string& message) { told.push_back(message); });
  }

  // The desktop's files, noting the largest read asked for.
  struct WatchedFiles final : FilesPort {
    FilesPort* inner = nullptr;
    std::size_t largestRead = 0;
    fs::path applicationSupportDirectory() override { return inner->applicationSupportDirectory(); }
    fs::path homeDirectory() override { return inner->homeDirectory(); }
    bool createDirectories(const fs::path& dir) override { return inner->createDirectories(dir); }
    bool writeAtomically(const fs::path& file, const std::string& bytes) override {
      return inner->writeAtomically(file, bytes);
    }
    using FilesPort::read;
    std::optional<std::string> read(const fs::path& file, std::size_t maxBytes) override {
      largestRead = std::max(largestRead, maxBytes);
      return inner->read(file, maxBytes);
    }
    bool exists(const fs::path& file) override { return inner->exists(file); }
    std::optional<FileStamp> stamp(const fs::path& file) override { return inner->stamp(file); }
    bool remove(const fs::path& file) override { return inner->remove(file); }
    bool rename(const fs::path& from, const fs::path& to) override { return inner->rename(from, to); }
  };

  // The user saves a list file in a text editor.
  void userSaves(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    testing::writeFile(file, text);
  }
  static std::string text(const fs::path& file) { return testing::readFile(file); }

  sim::Desktop desktop{testing::freshFolder("settings")};
  const fs::path folder = desktop.filesRoot() / "Library" / "Application Support" / "Velmonte";
  const fs::path learnedFile = folder / "learned_words.txt";
  const fs::path ignoredFile = folder / "ignored_apps.txt";
  const fs::path shortcutsFile = folder / "ignored_shortcuts_apps.txt";
  std::shared_ptr<SettingsHelper> settings;
  WatchedFiles files;
  std::vector<std::string> told;
};

// --- typed settings ---------------------------------------------------------

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
  // Lists of another type read empty: their sizes.
  auto learned = [](const SettingsHelper& s) { return static_cast<std::int64_t>(s.learnedWords().size()); };
  auto apps = [](const SettingsHelper& s) { return static_cast<std::int64_t>(s.ignoredApps().size()); };
  auto rules = [](const SettingsHelper& s) { return static_cast<std::int64_t>(s.ignoredShortcutsApps().size()); };
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
      {"LEARNED_WORDS", StringMap{{"a", "b"}, {"b", "b"}}, learned, 2},
      {"LEARNED_WORDS", StringList{"a", "b"}, learned, 0},
      {"IGNORED_APPS", StringMap{{"a", "b"}}, apps, 0},
      {"IGNORED_SHORTCUTS_APPS", std::string("com.apple.terminal"), rules, 0},
  };
  start();
  auto& values = desktop.defaultsValues();
  for (const auto& c : cases) {
    values.erase(c.key);
    values[c.key] = c.stored;
    EXPECT_EQ(c.read(*settings), c.expected) << c.key << " holding a value of type #" << c.stored.index();
    EXPECT_EQ(values.at(c.key), c.stored) << "a read never repairs the stored value";
  }
}

// Readers on the keyboard path keep what they derived from a list for as long
// as they get the same object: it must change exactly when the value does,
// whoever wrote the store.
TEST_F(SettingsTest, SharedListsFollowEveryWriteToTheStore) {
  start();
  auto& store = settings->store();
  store.set("IGNORED_APPS", StringList{"a"});
  store.set("LEARNED_WORDS", StringMap{{"ghbdtn", "привет"}});
  const auto apps = settings->sharedIgnoredApps();
  const auto learned = settings->sharedLearnedWords();
  store.set("ENABLE_FN_SHORTCUT", true);       // another key
  store.set("IGNORED_APPS", StringList{"a"});  // the same value again
  EXPECT_EQ(settings->sharedIgnoredApps(), apps);
  EXPECT_EQ(settings->sharedLearnedWords(), learned);

  store.set("IGNORED_APPS", StringList{"a", "b"});
  EXPECT_EQ(*settings->sharedIgnoredApps(), (StringList{"a", "b"}));
  EXPECT_EQ(*apps, StringList{"a"}) << "an object handed out never changes";
  store.remove("LEARNED_WORDS");
  EXPECT_TRUE(settings->sharedLearnedWords()->empty());
  desktop.defaultsValues()["IGNORED_APPS"] = StringList{"c"};  // behind the port's back
  EXPECT_EQ(*settings->sharedIgnoredApps(), StringList{"c"});
}

// --- start-up ------------------------------------------------------------------

// At a start the lists and their files come together: a file saved while we
// were not running (before the first start too) is read in, a deleted one
// resets its list to the defaults, one we failed to write (a crash between
// the settings and the list, a read-only folder) is brought up to date from
// the settings, which are newer, and one unchanged is not rewritten. The
// learned words are read only by their import, which leaves the text as saved.
TEST_F(SettingsTest, StartBringsTheListsAndTheirFilesTogether) {
  userSaves(ignoredFile, appFile(ignoredAppsHeader, "from-file"));
  start();
  EXPECT_EQ(settings->ignoredApps(), (StringList{"from-file"}));
  EXPECT_EQ(settings->ignoredShortcutsApps(), defaultIgnoredShortcutsApps());
  settings->setLearnedWords({{"ghbdtn", "привет"}, {"привет", "привет"}});
  settings->setIgnoredApps({"one"});
  settings->setIgnoredShortcutsApps({"mine|c"});
  const std::string learnedBefore = text(learnedFile);
  const std::string appsBefore = text(ignoredFile);
  desktop.setFileWritesFail(true);
  settings->setLearnedWords({{"ghbdtn", "привет"}, {"привет", "привет"}, {"rfr", "как"}, {"как", "как"}});
  settings->setIgnoredApps({"one", "two"});
  desktop.setFileWritesFail(false);
  ASSERT_EQ(text(learnedFile), learnedBefore);
  ASSERT_EQ(text(ignoredFile), appsBefore);
  fs::remove(shortcutsFile);

  start();
  settings->importLearnedWordsFromFile();  // as a launch does
  EXPECT_EQ(settings->learnedWords().count("rfr"), 1u);
  EXPECT_EQ(text(learnedFile), appFile(learnedWordsHeader, "ghbdtn\tпривет\nrfr\tкак"));
  EXPECT_EQ(settings->ignoredApps(), (StringList{"one", "two"}));
  EXPECT_EQ(text(ignoredFile), appFile(ignoredAppsHeader, "one\ntwo"));
  EXPECT_EQ(settings->ignoredShortcutsApps(), defaultIgnoredShortcutsApps());
  EXPECT_EQ(text(shortcutsFile), formatAppList(ignoredShortcutsAppsHeader, defaultIgnoredShortcutsApps()));
  const auto written = fs::last_write_time(ignoredFile);
  start();
  EXPECT_EQ(fs::last_write_time(ignoredFile), written);

  settings.reset();
  const std::string userText = appFile(learnedWordsHeader, "rfr как\r\n# note\r\n");
  userSaves(learnedFile, userText);
  userSaves(ignoredFile, appFile(ignoredAppsHeader, "one\r\nnew app\r\n"));
  userSaves(shortcutsFile, appFile(ignoredShortcutsAppsHeader, ""));
  start();
  EXPECT_EQ(settings->learnedWords().count("ghbdtn"), 1u) << "creation alone does not read the learned words";
  settings->importLearnedWordsFromFile();
  EXPECT_EQ(settings->learnedWords(), (StringMap{{"rfr", "как"}, {"как", "как"}}));
  EXPECT_EQ(text(learnedFile), userText);
  EXPECT_FALSE(settings->isImporting());
  EXPECT_EQ(settings->ignoredApps(), (StringList{"one", "new app"}));
  EXPECT_TRUE(settings->ignoredShortcutsApps().empty()) << "a file reduced to its header empties the list";
  settings->exportIgnoredAppsToFile();
  EXPECT_EQ(text(ignoredFile), appFile(ignoredAppsHeader, "one\nnew app"));
  settings->exportLearnedWordsToFile();
  EXPECT_EQ(text(learnedFile), appFile(learnedWordsHeader, "rfr\tкак"));
}

// --- import and export ----------------------------------------------------------

// A file the program could not take in whole (not UTF-8, a line with a NUL,
// too large to read) is kept as a backup, under the next free number, before
// it is written again, and the person is told; a file too large is moved
// aside, never read whole.
TEST_F(SettingsTest, FilesNotReadInWholeAreKeptAsBackupsBeforeTheyAreWritten) {
  std::string huge = appFile(learnedWordsHeader, "");
  while (huge.size() < 4 * SettingsHelper::maxListFileSize) huge += "word\tслово\n";
  const struct {
    std::string bytes;
    StringMap read;
    const char* backup;
    const char* written;  // then, by an export
  } cases[] = {
      {appFile(learnedWordsHeader, "ghbdtn \xEF\xF0\xE8\xE2\xE5\xF2"), {{"a", "b"}, {"b", "b"}}, ".bak", "a\tb"},
      {appFile(learnedWordsHeader, std::string("c\td\nnul\0line\tx\n", 15)), {{"c", "d"}, {"d", "d"}}, ".2.bak", "c\td"},
      // Read in part: its words join the list, none leave it.
      {huge, {{"c", "d"}, {"d", "d"}, {"word", "слово"}, {"слово", "слово"}}, ".3.bak", "c\td\nword\tслово"},
  };
  start();
  settings->setLearnedWords({{"a", "b"}, {"b", "b"}});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.backup);
    told.clear();
    userSaves(learnedFile, c.bytes);
    desktop.advance(2.0);
    EXPECT_EQ(settings->learnedWords(), c.read);
    files.largestRead = 0;
    EXPECT_TRUE(settings->openLearnedWordsList());
    EXPECT_LE(files.largestRead, SettingsHelper::maxListFileSize + 1);
    EXPECT_EQ(text(learnedFile.string() + c.backup), c.bytes);
    EXPECT_EQ(text(learnedFile), appFile(learnedWordsHeader, c.written));
    std::string said;
    for (const auto& message : told) said += message + "\n";
    EXPECT_NE(said.find("were kept as " + learnedFile.string() + c.backup), std::string::npos) << said;
    EXPECT_EQ(said.find(" is larger than 256 KiB") != std::string::npos, c.bytes == huge) << said;
  }
}

// A file that is missing or cannot be read or written never changes the setting.
TEST_F(SettingsTest, FileProblemsKeepTheSettingAndAFailedWriteIsToldOnce) {
  start();
  settings->setIgnoredApps({"keep"});
  fs::remove(ignoredFile);
  settings->importIgnoredAppsFromFile();
  EXPECT_EQ(settings->ignoredApps(), (StringList{"keep"}));
  fs::create_directories(ignoredFile / "not a file");
  settings->importIgnoredAppsFromFile();
  EXPECT_EQ(settings->ignoredApps(), (StringList{"keep"}));
  fs::remove_all(ignoredFile);
  settings->setIgnoredApps(defaultIgnoredApps());

  desktop.setFileWritesFail(true);
  settings->setIgnoredApps({"x"});
  settings->setIgnoredApps({"x"});
  EXPECT_EQ(told, (std::vector<std::string>{"could not write " + ignoredFile.string()}));
  EXPECT_EQ(settings->ignoredApps(), (StringList{"x"}));
  EXPECT_EQ(text(ignoredFile), formatAppList(ignoredAppsHeader, defaultIgnoredApps()));
  desktop.setFileWritesFail(false);
  fs::remove_all(folder);
  settings->exportIgnoredAppsToFile();
  EXPECT_EQ(text(ignoredFile), appFile(ignoredAppsHeader, "x"));
}

// --- the watcher ------------------------------------------------------------------

// A deleted file is no save: the list stays until the file returns. Nothing
// is watched once the settings object is gone.
TEST_F(SettingsTest, UserSaveIsPickedUpWithinOneWatcherTick) {
  start();
  userSaves(ignoredFile, appFile(ignoredAppsHeader, "edited"));
  desktop.advance(2.0);
  EXPECT_EQ(settings->ignoredApps(), (StringList{"edited"}));

  userSaves(shortcutsFile, appFile(ignoredShortcutsAppsHeader, "app|x"));
  desktop.advance(1.9);
  EXPECT_EQ(settings->ignoredShortcutsApps(), defaultIgnoredShortcutsApps()) << "not before the tick";
  desktop.advance(0.1);
  EXPECT_EQ(settings->ignoredShortcutsApps(), (StringList{"app|x"}));

  fs::remove(ignoredFile);
  desktop.advance(2.0);
  EXPECT_EQ(settings->ignoredApps(), (StringList{"edited"}));
  userSaves(ignoredFile, appFile(ignoredAppsHeader, "back"));
  desktop.advance(2.0);
  EXPECT_EQ(settings->ignoredApps(), (StringList{"back"}));

  // Our own write is no save: the stored list changes behind the file's back
  // and a re-import would undo it.
  settings->setIgnoredApps({"mine"});
  desktop.defaultsValues()["IGNORED_APPS"] = StringList{"changed directly"};
  desktop.advance(4.0);
  EXPECT_EQ(settings->ignoredApps(), (StringList{"changed directly"}));

  settings.reset();  // the watcher stops with the settings object
  userSaves(ignoredFile, appFile(ignoredAppsHeader, "edited later"));
  desktop.advance(4.0);
  EXPECT_EQ(desktop.defaultsValues().at("IGNORED_APPS"), DefaultsValue{StringList{"changed directly"}});
  EXPECT_EQ(desktop.pendingTaskCount(), 0u);
}

// The watcher goes by what a file holds, not by its modification time: a
// file restored with an older time (cp -p, rsync -t, a sync tool) or saved
// before the watcher's first look is read all the same, and what it has not
// read yet (a word learned between a save and the next tick) is never
// written over without a backup.
TEST_F(SettingsTest, WhatAFileHoldsIsReadWhateverItsModificationTime) {
  userSaves(learnedFile, appFile(learnedWordsHeader, "a b"));
  start();
  desktop.advance(2.0);
  EXPECT_EQ(settings->learnedWords(), (StringMap{{"a", "b"}, {"b", "b"}})) << "saved before the first look";
  settings->setLearnedWords({{"a", "b"}, {"b", "b"}, {"c", "d"}});
  settings->setLearnedWords({{"a", "b"}, {"b", "b"}, {"c", "d"}, {"d", "d"}});
  EXPECT_FALSE(fs::exists(folder / "learned_words.txt.bak")) << "our own writes need no backup";

  const auto restore = [&](const fs::path& file, const std::string& text) {
    const auto written = fs::last_write_time(file);
    userSaves(file, text);
    fs::last_write_time(file, written - std::chrono::hours(24));
  };
  restore(ignoredFile, appFile(ignoredAppsHeader, "restored"));
  desktop.advance(2.0);
  EXPECT_EQ(settings->ignoredApps(), (StringList{"restored"}));

  const std::string older = appFile(learnedWordsHeader, "rfr как");
  restore(learnedFile, older);
  settings->setLearnedWords({{"x", "y"}, {"y", "y"}});
  EXPECT_EQ(text(folder / "learned_words.txt.bak"), older);
  EXPECT_EQ(text(learnedFile), appFile(learnedWordsHeader, "x\ty"));

  const std::string newer = appFile(learnedWordsHeader, "x\ty\nmy own\tword");
  userSaves(learnedFile, newer);
  settings->setLearnedWords({{"x", "y"}, {"y", "y"}, {"e", "f"}, {"f", "f"}});
  EXPECT_EQ(text(folder / "learned_words.txt.2.bak"), newer);
  EXPECT_EQ(text(learnedFile), appFile(learnedWordsHeader, "e\tf\nx\ty"));
}

// --- open actions -------------------------------------------------------------------

TEST_F(SettingsTest, OpenActionsExportThenOpenTheFile) {
  start();
  desktop.defaultsValues()["LEARNED_WORDS"] = StringMap{{"rfr", "как"}, {"как", "как"}};
  desktop.defaultsValues()["IGNORED_APPS"] = StringList{"stored"};

  EXPECT_TRUE(settings->openLearnedWordsList());
  EXPECT_EQ(text(learnedFile), appFile(learnedWordsHeader, "rfr\tкак")) << "missing file created";
  EXPECT_TRUE(settings->openIgnoredAppsList());
  EXPECT_EQ(text(ignoredFile), appFile(ignoredAppsHeader, "stored"));
  EXPECT_TRUE(settings->openIgnoredShortcutsAppsList());
  EXPECT_EQ(desktop.openedFiles(), (std::vector<fs::path>{learnedFile, ignoredFile, shortcutsFile}));

  desktop.setOpenFails(true);
  EXPECT_FALSE(settings->openLearnedWordsList());
}

}  // namespace
}  // namespace brisquel
