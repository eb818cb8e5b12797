// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "TestFolders.h"
#include "posix/XdgAutostart.h"

namespace brisquel {
namespace {

namespace fs = std::filesystem;
using posix::AutostartEntry;
using posix::XdgAutostart;
using testing::readFile;
using testing::writeFile;

AutostartEntry brisquelEntry() {
  return posix::mainProgramEntry("/usr/lib/brisquel/Brisquel.app");
}

TEST(XdgAutostart, RegisteringWritesTheEntryAndTwiceGivesTheSameFile) {
  const fs::path dir = testing::freshFolder("login");
  XdgAutostart service(brisquelEntry(), dir / "autostart");
  EXPECT_EQ(service.entryFile(), dir / "autostart" / "com.mebrun.velmonte.desktop");
  EXPECT_EQ(service.status(), LoginItemStatus::NotRegistered);
  EXPECT_TRUE(service.unregisterMainApp()) << "nothing to remove is fine";

  ASSERT_TRUE(service.registerMainApp());
  const std::string expected =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Brisquel\n"
      "Exec=/usr/lib/brisquel/Brisquel.app/Contents/MacOS/brisquel\n"
      "Terminal=false\n"
      "NoDisplay=true\n"
      "X-GNOME-Autostart-enabled=true\n";
  EXPECT_EQ(readFile(service.entryFile()), expected);
  EXPECT_EQ(service.status(), LoginItemStatus::Enabled);
  ASSERT_TRUE(service.registerMainApp());
  EXPECT_EQ(readFile(service.entryFile()), expected);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "autostart"), fs::directory_iterator()), 1)
      << "no temporary file is left behind";

  EXPECT_TRUE(service.unregisterMainApp());
  EXPECT_FALSE(fs::exists(service.entryFile()));
  EXPECT_EQ(service.status(), LoginItemStatus::NotRegistered);

  writeFile(dir / "blocked", "a file where the folder should be");
  EXPECT_FALSE(XdgAutostart(brisquelEntry(), dir / "blocked").registerMainApp());
}

// An entry whose Exec line cannot be written is not registered.
TEST(XdgAutostart, ExecLineQuotesWhatTheShellRulesReserve) {
  struct Case {
    std::string executable;
    std::vector<std::string> arguments;
    std::optional<std::string> exec;  // none: cannot be written
  };
  const Case cases[] = {
      {"/opt/My Apps/brisquel", {}, R"(Exec="/opt/My Apps/brisquel")"},
      {"/opt/b", {"--x=100%", "$HOME", "a\"b"}, R"(Exec=/opt/b --x=100%% "\\$HOME" "a\\"b")"},
      {"/opt/back\\slash", {}, R"(Exec="/opt/back\\\\slash")"},
      {"/opt/b", {""}, R"(Exec=/opt/b "")"},
      {"relative/brisquel", {}, std::nullopt},
      {"/opt/new\nline", {}, std::nullopt},
  };
  const fs::path dir = testing::freshFolder("login");
  for (const Case& c : cases) {
    AutostartEntry entry;
    entry.executable = c.executable;
    entry.arguments = c.arguments;
    const auto text = posix::desktopEntryText(entry);
    if (!c.exec) {
      EXPECT_FALSE(text) << c.executable;
      XdgAutostart service(entry, dir / "autostart");
      EXPECT_FALSE(service.registerMainApp()) << c.executable;
      EXPECT_FALSE(fs::exists(service.entryFile())) << c.executable;
      continue;
    }
    ASSERT_TRUE(text) << c.executable;
    EXPECT_NE(text->find("\n" + *c.exec + "\n"), std::string::npos) << "expected " << *c.exec << " in\n" << *text;
  }
}

}  // namespace
}  // namespace brisquel
