// SPDX-License-Identifier: MIT
// The settings file and the list files survive the program being killed at
// any moment while it writes them: each is always its old or its new
// content, never a mix, never empty.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <set>
#include <thread>

#include "HandedOverQueue.h"
#include "TestFolders.h"
#include "platform/Platform.h"
#include "posix/PosixFiles.h"
#include "base/PropertyList.h"
#include "posix/SaveWriter.h"
#include "posix/XdgDefaultsStore.h"
#include "sim/SimDesktop.h"
#include "settings/ListFiles.h"
#include "settings/SettingsHelper.h"

namespace brisquel {
namespace {

namespace fs = std::filesystem;

// Two versions of every list, large enough that a write takes many pages.
struct Versions {
  StringMap learned[2];
  StringList apps[2];
  StringList rules[2];
  Versions() {
    for (int v = 0; v < 2; ++v) {
      for (int i = 0; i < 300; ++i) {
        const std::string n = std::to_string(i) + (v == 0 ? "a" : "b");
        learned[v]["typed" + n] = "слово" + n;
        learned[v]["слово" + n] = "слово" + n;
        apps[v].push_back("com.example.app" + n);
        rules[v].push_back("com.example.term" + n + "|c|x");
      }
    }
  }
};

// The child: the settings object on the real files, saving through a writer
// thread as inside fcitx5, writing every list and a setting over and over
// until it is killed.
[[noreturn]] void writeForever(const fs::path& config, const fs::path& data, const Versions& versions,
                               unsigned first, int ready) {
  sim::Desktop desktop;
  testing::HandedOverQueue mainQueue;
  posix::SaveWriter writer(mainQueue);
  posix::XdgDefaultsStore store(config, posix::XdgDefaultsStore::applicationDomain, writer);
  posix::PosixFiles files(data, data);
  auto settings =
      SettingsHelper::create(store, files, *desktop.platform().mainQueue, *desktop.platform().workspace, {}, &writer);
  settings->importLearnedWordsFromFile();  // as a launch does
  const auto saved = [&] {
    writer.waitUntilSaved(30);
    mainQueue.turn();
  };
  saved();
  // Started: the kills fall among the writes, not in the start-up.
  if (::write(ready, "r", 1) != 1) ::_exit(1);
  for (unsigned i = first;; ++i) {
    const unsigned v = i % 2;
    store.set(SettingsHelper::indexHotKey, std::int64_t{v});
    settings->setIgnoredShortcutsApps(versions.rules[v]);
    settings->setIgnoredApps(versions.apps[v]);
    settings->setLearnedWords(versions.learned[v]);
    saved();
  }
}

TEST(CrashSafeFiles, KilledWhileWritingLeavesOldOrNewContent) {
  const fs::path root = testing::freshFolder("crash-safe");
  const fs::path config = root / "config";
  const fs::path data = root / "data";
  const fs::path folder = data / SettingsHelper::appSupportFolderName;
  const fs::path plist = config / "com.mebrun.velmonte.plist";
  const Versions versions;

  std::set<std::string> allowedLearned, allowedApps, allowedRules;
  for (int v = 0; v < 2; ++v) {
    allowedLearned.insert(formatLearnedWords(versions.learned[v]));
    allowedApps.insert(formatAppList(ignoredAppsHeader, versions.apps[v]));
    allowedRules.insert(formatAppList(ignoredShortcutsAppsHeader, versions.rules[v]));
  }
  allowedApps.insert(formatAppList(ignoredAppsHeader, defaultIgnoredApps()));  // the first start's
  allowedRules.insert(formatAppList(ignoredShortcutsAppsHeader, defaultIgnoredShortcutsApps()));

  std::mt19937 rng(20261207);
  std::map<std::string, std::set<std::string>> seen;  // file -> distinct contents found
  int kills = 0;
  const char* const files[] = {"learned_words.txt", "ignored_apps.txt", "ignored_shortcuts_apps.txt", "INDEX_HOT_KEY"};
  const auto bothVersionsSeen = [&] {
    return std::all_of(std::begin(files), std::end(files), [&](const char* f) { return seen[f].size() >= 2; });
  };
  // Kills go on until every file was caught in both versions: a loaded machine writes slower.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < until && (kills < 20 || !bothVersionsSeen())) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) writeForever(config, data, versions, static_cast<unsigned>(kills), ready[1]);
    ::close(ready[1]);
    char started = 0;
    const bool wrote = ::read(ready[0], &started, 1) == 1;
    ::close(ready[0]);
    std::this_thread::sleep_for(std::chrono::microseconds(rng() % 150000));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(wrote && WIFSIGNALED(status)) << "the writer ended by itself";
    ++kills;

    const auto check = [&](const fs::path& file, const std::set<std::string>& allowed) {
      if (!fs::exists(file)) return;  // not written yet
      const auto text = testing::readFile(file);
      EXPECT_TRUE(allowed.contains(text)) << file << " after kill " << kills << " holds " << text.size()
                                          << " bytes that are neither the old nor the new content";
      seen[file.filename().string()].insert(text);
    };
    check(folder / "learned_words.txt", allowedLearned);
    check(folder / "ignored_apps.txt", allowedApps);
    check(folder / "ignored_shortcuts_apps.txt", allowedRules);
    if (fs::exists(plist)) {
      const auto values = plist::decodePropertyList(testing::readFile(plist));
      ASSERT_TRUE(values.has_value()) << "the settings file after kill " << kills << " does not read";
      for (const auto& [key, value] : *values) seen[key].insert(plist::encodePropertyList({{key, value}}));
    }
    if (HasFailure()) break;
  }
  EXPECT_FALSE(fs::exists(plist.string() + ".corrupt-1"));
  for (const char* file : files) {
    EXPECT_GE(seen[file].size(), 2u) << file << ": both versions were written and found in " << kills << " kills";
  }
  for (const auto& e : fs::directory_iterator(folder)) {
    EXPECT_FALSE(e.path().extension() == ".bak") << e.path() << ": the program's own writes need no backup";
  }
}

}  // namespace
}  // namespace brisquel
