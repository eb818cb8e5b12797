// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "TestFolders.h"
#include "login/LoginItem.h"
#include "sim/SimDesktop.h"
#include "settings/SettingsHelper.h"

namespace brisquel {
namespace {

namespace fs = std::filesystem;
using testing::readFile;

struct Login {
  sim::Desktop desk;
  Platform p = desk.platform();
  std::shared_ptr<SettingsHelper> settings = SettingsHelper::create(*p.defaults, *p.files, *p.mainQueue, *p.workspace);
  std::optional<std::string> identifier;
  LoginItem item() { return LoginItem(*p.loginItems, *p.files, *p.application, *p.ui, *settings, identifier); }

  explicit Login(bool service, std::optional<std::string> id = std::nullopt) : identifier(std::move(id)) {
    desk.setLoginServiceAvailable(service);
  }
  fs::path agentsDir() const { return desk.filesRoot() / "Library" / "LaunchAgents"; }
};

const char* const kExpectedAgent =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n"
    "<dict>\n"
    "\t<key>Label</key>\n"
    "\t<string>com.mebrun.velmonte</string>\n"
    "\t<key>ProgramArguments</key>\n"
    "\t<array>\n"
    "\t\t<string>/usr/bin/open</string>\n"
    "\t\t<string>-a</string>\n"
    "\t\t<string>/Applications/Brisquel.app</string>\n"
    "\t</array>\n"
    "\t<key>RunAtLoad</key>\n"
    "\t<true/>\n"
    "</dict>\n"
    "</plist>\n";

// With the login-item service the program registers there and writes no
// file; without it, it writes a launch agent, the same file when enabled
// again, and removes it.
TEST(LaunchAtLogin, TheServiceElseALaunchAgent) {
  for (bool service : {true, false}) {
    SCOPED_TRACE(service ? "service" : "launch agent");
    Login l(service);
    auto item = l.item();
    const fs::path file = l.agentsDir() / "com.mebrun.velmonte.plist";
    for (bool enable : {true, true, false, false}) {
      ASSERT_TRUE(item.launchAtLogin(enable));
      EXPECT_EQ(l.desk.loginStatus(), service && enable ? LoginItemStatus::Enabled : LoginItemStatus::NotRegistered);
      EXPECT_EQ(fs::exists(file) ? readFile(file) : "", service || !enable ? "" : kExpectedAgent);
    }
    EXPECT_EQ(fs::exists(l.agentsDir()), !service);
  }
}

// The file is named after the bundle identifier and holds the bundle path
// escaped; a path a property list cannot hold writes nothing.
TEST(LaunchAgent, NamedAfterTheBundleIdentifierWithTheBundlePathEscaped) {
  struct Case {
    std::optional<std::string> identifier;
    const char* bundlePath;  // nullptr: the default
    std::string fileName;
    std::string expected;  // "": nothing is written
  };
  const Case cases[] = {
      {std::nullopt, nullptr, "com.mebrun.velmonte.plist", "<key>Label</key>\n\t<string>com.mebrun.velmonte</string>"},
      {"", nullptr, "com.mebrun.velmonte.plist", "<key>Label</key>\n\t<string>com.mebrun.velmonte</string>"},
      {"org.example.brisquel", nullptr, "org.example.brisquel.plist",
       "<key>Label</key>\n\t<string>org.example.brisquel</string>"},
      {std::nullopt, "/Users/a&b/<Apps>/Brisquel.app", "com.mebrun.velmonte.plist",
       "<string>/Users/a&amp;b/&lt;Apps&gt;/Brisquel.app</string>"},
      {std::nullopt, "/Apps/\x01.app", "com.mebrun.velmonte.plist", ""},
      {std::nullopt, "/Apps/\xff.app", "com.mebrun.velmonte.plist", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.identifier.value_or("<none>") + " " + (c.bundlePath ? c.bundlePath : "<default path>"));
    Login l(false, c.identifier);
    if (c.bundlePath) l.desk.setMainBundlePath(c.bundlePath);
    const fs::path file = l.agentsDir() / c.fileName;
    EXPECT_EQ(l.item().setLaunchAgentEnabled(true), !c.expected.empty());
    ASSERT_EQ(fs::exists(file), !c.expected.empty()) << file;
    if (!c.expected.empty()) {
      EXPECT_NE(readFile(file).find(c.expected), std::string::npos) << readFile(file);
    }
  }
}

TEST(LaunchAgent, AFileThatCannotBeRemovedFails) {
  Login l(false);
  ASSERT_TRUE(l.item().setLaunchAgentEnabled(true));
  l.desk.setFileWritesFail(true);
  EXPECT_FALSE(l.item().setLaunchAgentEnabled(false));
}

}  // namespace
}  // namespace brisquel
