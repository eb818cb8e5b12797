// SPDX-License-Identifier: MIT
// The settings file and the list files as a person meets them: real files in
// a fresh XDG home, commands run as the command line runs them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <filesystem>
#include <fstream>
#include <regex>

#include "CliRun.h"
#include "TestFolders.h"
#include "platform/Platform.h"
#include "posix/PosixFiles.h"
#include "posix/XdgDefaultsStore.h"
#include "sim/SimDesktop.h"
#include "settings/ListFiles.h"
#include "settings/SettingsHelper.h"

namespace brisquel::cli {
namespace {

namespace fs = std::filesystem;
testing::CliResult brisquel(const std::vector<std::string>& args) { return testing::runCli(args); }

class SettingsFiles : public ::testing::Test {
 protected:
  SettingsFiles() {
    home = testing::freshFolder("settings-files");
    plist = config() / "com.mebrun.velmonte.plist";
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
  }
  ~SettingsFiles() override {
    std::error_code ec;
    fs::permissions(plist, fs::perms::owner_all, ec);
  }

  static void write(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
  }
  // The names of the files in a folder that start with a prefix.
  static std::vector<std::string> filesStartingWith(const fs::path& dir, const std::string& prefix) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) {
      const auto name = e.path().filename().string();
      if (name.starts_with(prefix)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  void writeSettings(const std::string& entries) {
    write(plist, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n" + entries +
                     "</dict>\n</plist>\n");
  }

  fs::path home;
  fs::path config() const { return home / "config"; }
  fs::path lists() const { return home / "data" / "Velmonte"; }
  fs::path plist;
};

TEST_F(SettingsFiles, AListWithANulByteResetsNothing) {
  writeSettings("<key>INDEX_HOT_KEY</key><integer>3</integer>\n<key>ENABLE_AUTOSTART</key><false/>\n");
  write(lists() / "learned_words.txt", std::string("ghbdtn\0 привет\nrfr как\n", 27));
  write(lists() / "ignored_apps.txt", std::string("my\0app\nmy editor\n", 17));
  for (int start = 0; start < 3; ++start) {
    const auto r = brisquel({"lists"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.err, "") << "start " << start;
  }
  EXPECT_EQ(filesStartingWith(config(), "com.mebrun.velmonte.plist."), std::vector<std::string>{});
  const std::string stored = testing::readFile(plist);
  EXPECT_NE(stored.find("<key>INDEX_HOT_KEY</key>\n\t<integer>3</integer>"), std::string::npos) << stored;
  EXPECT_NE(stored.find("<key>ENABLE_AUTOSTART</key>\n\t<false/>"), std::string::npos) << stored;
  EXPECT_NE(stored.find("<key>rfr</key>"), std::string::npos) << stored;
  EXPECT_NE(stored.find("<string>my editor</string>"), std::string::npos) << stored;
  EXPECT_EQ(stored.find("ghbdtn"), std::string::npos) << "the line with the NUL is skipped";
}

// A settings file that was read and does not parse is set aside, and the
// command says so once; the next one has nothing to say. One that cannot be
// read is left alone and the program runs on the defaults, saying so.
TEST_F(SettingsFiles, EveryCommandSaysWhatItDidWithADamagedSettingsFile) {
  const std::string unreadable =
      "cannot read the settings file " + plist.string() + "; running on the defaults and leaving the file as it is";
  const std::string setAside = "the settings file " + plist.string() + " could not be understood; it was kept as " +
                               plist.string() + ".corrupt-1 and the settings start from their defaults";
  const struct {
    const char* what;
    std::function<void(const fs::path&)> make;
    const std::string& said;
  } cases[] = {
      {"a folder", [](const fs::path& p) { fs::create_directories(p / "inner"); }, unreadable},
      {"a link to itself", [](const fs::path& p) { fs::create_symlink(p.filename(), p); }, unreadable},
      {"no permission",
       [&](const fs::path& p) {
         write(p, "<plist><dict><key>INDEX_HOT_KEY</key><integer>3</integer></dict></plist>");
         fs::permissions(p, fs::perms::none);
       },
       unreadable},
      {"a cut-off file", [](const fs::path& p) { write(p, "<plist><dict><key>INDEX_HOT_KEY"); }, setAside},
      {"a file larger than any the program writes",
       [&](const fs::path&) { writeSettings("<key>BIG</key><string>" + std::string(5 << 20, 'x') + "</string>\n"); },
       setAside},
  };
  for (const auto& c : cases) {
    if (::geteuid() == 0 && std::string(c.what) == "no permission") continue;  // root reads it all the same
    for (const std::string command : {"menu", "lists"}) {
      SCOPED_TRACE(std::string(c.what) + ", " + command);
      fs::remove_all(config());
      fs::create_directories(config());
      c.make(plist);
      const auto status = fs::symlink_status(plist).type();
      const std::string bytes = &c.said == &setAside ? testing::readFile(plist) : "";
      const auto r = brisquel({command});
      EXPECT_EQ(r.status, kExitOk);
      // The reason the system gave is its own wording.
      EXPECT_EQ(std::regex_replace(r.err, std::regex(" \\([^)]*\\);"), ";"),
                "brisquel " + command + ": " + c.said + "\n");
      if (&c.said == &setAside) {
        EXPECT_EQ(testing::readFile(fs::path(plist.string() + ".corrupt-1")), bytes);
        EXPECT_EQ(brisquel({command}).err, "");
      } else {
        EXPECT_EQ(fs::symlink_status(plist).type(), status);
        EXPECT_EQ(filesStartingWith(config(), "com.mebrun.velmonte.plist."), std::vector<std::string>{});
      }
    }
  }
}

// Dotfile managers keep these files as symbolic links: writes go through
// the link to its target, and the link stays.
TEST_F(SettingsFiles, SymbolicLinksStayLinks) {
  const fs::path dotfiles = home / "dotfiles";
  write(dotfiles / "velmonte.plist", "<plist><dict><key>INDEX_HOT_KEY</key><integer>1</integer></dict></plist>");
  write(dotfiles / "ignored.txt", "# mine\nmy editor\n");
  fs::create_directories(config());
  fs::create_directories(lists());
  fs::create_symlink(dotfiles / "velmonte.plist", plist);
  fs::create_symlink("../../dotfiles/ignored.txt", lists() / "ignored_apps.txt");  // relative
  fs::create_symlink(dotfiles / "learned.txt", lists() / "learned_words.txt");      // not there yet

  EXPECT_EQ(brisquel({"lists"}).status, kExitOk);
  EXPECT_EQ(brisquel({"lists", "open", "ignored"}).status, kExitFailure) << "no graphical session here";
  EXPECT_EQ(brisquel({"lists", "open", "learned"}).status, kExitFailure);

  for (const auto& link : {plist, lists() / "ignored_apps.txt", lists() / "learned_words.txt"}) {
    EXPECT_TRUE(fs::is_symlink(link)) << link;
  }
  const std::string settings = testing::readFile(dotfiles / "velmonte.plist");
  EXPECT_NE(settings.find("<integer>1</integer>"), std::string::npos) << settings;
  EXPECT_NE(settings.find("<string>my editor</string>"), std::string::npos) << settings;
  EXPECT_TRUE(testing::readFile(dotfiles / "ignored.txt").ends_with("\n\nmy editor"));
  EXPECT_TRUE(testing::readFile(dotfiles / "learned.txt").starts_with("### LEARNED WORDS LIST ###"));
  EXPECT_EQ(filesStartingWith(dotfiles, "."), std::vector<std::string>{".velmonte.plist.lock"}) << "no temporary left";
}

TEST_F(SettingsFiles, OpeningAListThatCannotBeWrittenFails) {
  write(home / "data", "a file where the data folder should be");
  const auto r = brisquel({"lists", "open", "learned"});
  EXPECT_EQ(r.status, kExitFailure);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("could not write " + (lists() / "learned_words.txt").string()), std::string::npos) << r.err;
}

// The running program and a brisquel command share the settings file: each
// change is merged per key with what the file holds, and the running
// program takes in the command's changes at its next look and shows them.
TEST_F(SettingsFiles, TheRunningProgramAndACommandKeepEachOthersChanges) {
  sim::Desktop desktop;
  posix::XdgDefaultsStore store;
  posix::PosixFiles files;
  auto running = SettingsHelper::create(store, files, *desktop.platform().mainQueue, *desktop.platform().workspace);
  int shown = 0;  // the menu redrawn
  running->setChangedElsewhereHandler([&shown] { ++shown; });
  store.set(SettingsHelper::indexHotKey, std::int64_t{3});

  posix::XdgDefaultsStore(config(), "com.mebrun.velmonte").set(SettingsHelper::enableFnShortcut, true);
  EXPECT_FALSE(running->isFnShortcutEnabled()) << "not before the watcher looks";
  desktop.advance(SettingsHelper::fileMonitorInterval);
  EXPECT_TRUE(running->isFnShortcutEnabled());
  EXPECT_GT(shown, 0);

  write(lists() / "ignored_apps.txt", "# mine\nmy editor\n");
  ASSERT_EQ(brisquel({"lists"}).status, kExitOk);  // stores IGNORED_APPS from the file
  EXPECT_EQ(running->ignoredApps(), defaultIgnoredApps()) << "not before the watcher looks";
  desktop.advance(SettingsHelper::fileMonitorInterval);
  EXPECT_EQ(running->ignoredApps(), StringList{"my editor"});
  store.set(SettingsHelper::enableAutostart, false);

  posix::XdgDefaultsStore later;
  EXPECT_EQ(later.object(SettingsHelper::indexHotKey), DefaultsValue{std::int64_t{3}});
  EXPECT_EQ(later.object(SettingsHelper::enableAutostart), DefaultsValue{false});
  EXPECT_EQ(later.object(SettingsHelper::enableFnShortcut), DefaultsValue{true});
  EXPECT_EQ(later.object(SettingsHelper::ignoredAppsKey), DefaultsValue{StringList{"my editor"}});
}

}  // namespace
}  // namespace brisquel::cli
