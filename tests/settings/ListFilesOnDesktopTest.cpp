// The list files on the simulated desktop: real files in a folder of the
// build tree, edited the way a text editor saves them.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/Platform.h"
#include "platform/sim/SimDesktop.h"
#include "settings/ListFiles.h"
#include "settings/SettingsHelper.h"

namespace brisquel {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// An editor replaces the file's content in place.
void editorSaves(const fs::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << text;
}

class ListFilesOnDesktop : public ::testing::Test {
 protected:
  static fs::path freshRoot() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    auto root = fs::path(BRISQUEL_BINARY_DIR) / "test-tmp" / "settings" / info->name();
    fs::remove_all(root);
    fs::create_directories(root);
    return root;
  }

  std::shared_ptr<SettingsHelper> start() {
    const Platform p = desktop.platform();
    return SettingsHelper::create(*p.defaults, *p.files, *p.mainQueue, *p.workspace);
  }

  sim::Desktop desktop{freshRoot()};
  fs::path folder = desktop.filesRoot() / "Library" / "Application Support" / "Velmonte";
};

TEST_F(ListFilesOnDesktop, FirstStartWritesBothApplicationFilesByteForByte) {
  auto settings = start();
  EXPECT_EQ(slurp(folder / "ignored_apps.txt"), formatAppList(ignoredAppsHeader, defaultIgnoredApps()));
  EXPECT_EQ(slurp(folder / "ignored_shortcuts_apps.txt"),
            formatAppList(ignoredShortcutsAppsHeader, defaultIgnoredShortcutsApps()));
  // Header, an empty line, the entries one a line, no final line feed.
  EXPECT_EQ(fs::file_size(folder / "ignored_apps.txt"), 1063u);
  EXPECT_EQ(fs::file_size(folder / "ignored_shortcuts_apps.txt"), 968u);
  EXPECT_FALSE(fs::exists(folder / "learned_words.txt"));
  EXPECT_EQ(std::get<StringList>(desktop.defaultsValues().at("IGNORED_APPS")).size(), 37u);
}

TEST_F(ListFilesOnDesktop, EditorSaveIsReadWithinOneWatcherTick) {
  auto settings = start();
  desktop.advance(2.0);  // the watcher has seen every file once
  editorSaves(folder / "ignored_apps.txt", std::string(ignoredAppsHeader) + "\r\n\r\nmy game\r\n");
  desktop.advance(2.0);
  EXPECT_EQ(settings->ignoredApps(), (StringList{"my game"}));
  EXPECT_EQ(settings->ignoredShortcutsApps(), defaultIgnoredShortcutsApps());
}

TEST_F(ListFilesOnDesktop, LearnedWordsRoundTripThroughTheFile) {
  auto settings = start();
  settings->setLearnedWords({{"ghbdtn", "привет"}, {"привет", "привет"}});
  EXPECT_EQ(slurp(folder / "learned_words.txt"), std::string(learnedWordsHeader) + "\n\nghbdtn\tпривет");
  desktop.advance(2.0);
  editorSaves(folder / "learned_words.txt", std::string(learnedWordsHeader) + "\n\nghbdtn\tпривет\nrfr как\n");
  desktop.advance(2.0);
  EXPECT_EQ(settings->learnedWords(),
            (StringMap{{"ghbdtn", "привет"}, {"привет", "привет"}, {"rfr", "как"}, {"как", "как"}}));
}

TEST_F(ListFilesOnDesktop, StartUpTakesOverFilesEditedWhileNotRunning) {
  start().reset();
  editorSaves(folder / "ignored_shortcuts_apps.txt", std::string(ignoredShortcutsAppsHeader) + "\n\nmy.term|c\n");
  auto settings = start();
  EXPECT_EQ(settings->ignoredShortcutsApps(), (StringList{"my.term|c"}));
  EXPECT_EQ(settings->ignoredApps().size(), 37u);
}

TEST_F(ListFilesOnDesktop, OpenActionWritesTheFileAndOpensIt) {
  auto settings = start();
  EXPECT_TRUE(settings->openLearnedWordsList());
  ASSERT_EQ(desktop.openedFiles().size(), 1u);
  EXPECT_EQ(desktop.openedFiles()[0], folder / "learned_words.txt");
  EXPECT_EQ(slurp(folder / "learned_words.txt"), std::string(learnedWordsHeader) + "\n");
}

TEST_F(ListFilesOnDesktop, NonUtf8FileIsKeptBesideTheNewOne) {
  auto settings = start();
  const std::string cp1251 = std::string(ignoredAppsHeader) + "\n\n\xEF\xF0\xE8\xEC\xE5\xF0";
  editorSaves(folder / "ignored_apps.txt", cp1251);
  desktop.advance(4.0);
  EXPECT_EQ(settings->ignoredApps(), defaultIgnoredApps()) << "an unreadable file changes nothing";
  EXPECT_TRUE(settings->openIgnoredAppsList());
  EXPECT_EQ(slurp(folder / "ignored_apps.txt.bak"), cp1251);
  EXPECT_EQ(slurp(folder / "ignored_apps.txt"), formatAppList(ignoredAppsHeader, defaultIgnoredApps()));
}

}  // namespace
}  // namespace brisquel
