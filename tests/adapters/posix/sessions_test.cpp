// SPDX-License-Identifier: MIT
// Two sessions of one user (two desktops, one home) share the settings file
// and the list files: neither loses the words the other learns.

#include <gtest/gtest.h>

#include "HandedOverQueue.h"
#include "TestFolders.h"
#include "posix/PosixFiles.h"
#include "posix/SaveWriter.h"
#include "posix/XdgDefaultsStore.h"
#include "settings/ListFiles.h"
#include "settings/SettingsHelper.h"
#include "sim/SimDesktop.h"

namespace brisquel::posix {
namespace {

namespace fs = std::filesystem;

struct Session {
  Session(const fs::path& home)
      : store(home / "config", "com.mebrun.velmonte", saves), files(home / "data", home) {
    const Platform p = desktop.platform();
    settings = SettingsHelper::create(store, files, *p.mainQueue, *p.workspace, {}, &saves);
    settings->importLearnedWordsFromFile();
  }
  // A word learned the way a manual conversion learns it.
  void learn(const std::string& typed, const std::string& result) {
    StringMap words = settings->learnedWords();
    words[typed] = result;
    words[result] = result;
    settings->setLearnedWords(words);
  }
  sim::Desktop desktop;
  ImmediateSaves saves;
  XdgDefaultsStore store;
  PosixFiles files;
  std::shared_ptr<SettingsHelper> settings;
};

TEST(TwoSessions, EachKeepsTheWordsTheOtherLearned) {
  const auto home = testing::freshFolder("sessions");
  Session first(home);
  Session second(home);
  StringMap expected;
  // Each learns a word every 2 s, the two 1 s apart.
  for (int i = 0; i < 8; ++i) {
    const std::string a = "first" + std::to_string(i);
    const std::string b = "second" + std::to_string(i);
    first.learn(a, a + "!");
    first.desktop.advance(1.0);
    second.desktop.advance(1.0);
    second.learn(b, b + "!");
    first.desktop.advance(1.0);
    second.desktop.advance(1.0);
    expected[a] = a + "!";
    expected[a + "!"] = a + "!";
    expected[b] = b + "!";
    expected[b + "!"] = b + "!";
  }
  first.desktop.advance(2.0);
  second.desktop.advance(2.0);
  EXPECT_EQ(first.settings->learnedWords(), expected);
  EXPECT_EQ(second.settings->learnedWords(), expected);
  EXPECT_EQ(XdgDefaultsStore(home / "config", "com.mebrun.velmonte").object("LEARNED_WORDS"),
            DefaultsValue{expected});
  EXPECT_EQ(*parseLearnedWords(testing::readFile(first.settings->learnedWordsFile())), expected);
  EXPECT_FALSE(fs::exists(first.settings->learnedWordsFile().string() + ".bak")) << "nothing of the other's to keep";
}

// Inside fcitx5 the saves run on a writer thread whose results come back to
// the loop: a word learned as the program ends is in both files all the same.
TEST(TwoSessions, AWordLearnedAsTheProgramEndsIsInBothFiles) {
  const auto home = testing::freshFolder("ending");
  sim::Desktop desktop;
  testing::HandedOverQueue loop;  // never turned again: the program ends first
  PosixFiles files(home / "data", home);
  {
    SaveWriter writer(loop);
    XdgDefaultsStore store(home / "config", "com.mebrun.velmonte", writer);
    const Platform p = desktop.platform();
    auto settings = SettingsHelper::create(store, files, *p.mainQueue, *p.workspace, {}, &writer);
    writer.waitUntilSaved(10);
    loop.turn();
    settings->setLearnedWords({{"ghbdtn", "привет"}, {"привет", "привет"}});
    settings.reset();
  }
  EXPECT_EQ(XdgDefaultsStore(home / "config", "com.mebrun.velmonte").object("LEARNED_WORDS"),
            (DefaultsValue{StringMap{{"ghbdtn", "привет"}, {"привет", "привет"}}}));
  EXPECT_EQ(testing::readFile(home / "data" / "Velmonte" / "learned_words.txt"),
            formatLearnedWords({{"ghbdtn", "привет"}, {"привет", "привет"}}));
}

}  // namespace
}  // namespace brisquel::posix
