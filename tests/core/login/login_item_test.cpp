#include <gtest/gtest.h>

#include "TestFolders.h"
#include "l10n/L10n.h"
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
    L10n::setCurrentForTesting("en");
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

TEST(LaunchAtLogin, WithTheLoginItemServiceNoFileIsWritten) {
  Login l(true);
  auto item = l.item();
  EXPECT_TRUE(item.launchAtLogin(true));
  EXPECT_EQ(l.desk.loginStatus(), LoginItemStatus::Enabled);
  EXPECT_TRUE(item.launchAtLogin(false));
  EXPECT_EQ(l.desk.loginStatus(), LoginItemStatus::NotRegistered);
  EXPECT_FALSE(fs::exists(l.agentsDir()));

  l.desk.setLoginRegistrationRefused(true);
  EXPECT_FALSE(item.launchAtLogin(true));
  EXPECT_FALSE(item.launchAtLogin(false));
}

TEST(LaunchAgent, EnablingWritesThePropertyListAndTwiceGivesTheSameFile) {
  Login l(false);
  auto item = l.item();
  const fs::path file = l.agentsDir() / "com.mebrun.velmonte.plist";
  ASSERT_TRUE(item.launchAtLogin(true));
  EXPECT_EQ(readFile(file), kExpectedAgent);
  ASSERT_TRUE(item.setLaunchAgentEnabled(true));
  EXPECT_EQ(readFile(file), kExpectedAgent);
  EXPECT_EQ(l.desk.loginStatus(), LoginItemStatus::NotRegistered) << "the service is not used";

  ASSERT_TRUE(item.launchAtLogin(false));
  EXPECT_FALSE(fs::exists(file));
  EXPECT_TRUE(item.setLaunchAgentEnabled(false)) << "disabling without a file succeeds";
}

TEST(LaunchAgent, NamedAfterTheBundleIdentifier) {
  struct Case {
    std::optional<std::string> identifier;
    std::string fileName, label;
  };
  const Case cases[] = {
      {std::nullopt, "com.mebrun.velmonte.plist", "<string>com.mebrun.velmonte</string>"},
      {"", "com.mebrun.velmonte.plist", "<string>com.mebrun.velmonte</string>"},
      {"org.example.brisquel", "org.example.brisquel.plist", "<string>org.example.brisquel</string>"},
  };
  for (const Case& c : cases) {
    Login l(false, c.identifier);
    ASSERT_TRUE(l.item().setLaunchAgentEnabled(true));
    const fs::path file = l.agentsDir() / c.fileName;
    ASSERT_TRUE(fs::exists(file)) << file;
    EXPECT_NE(readFile(file).find("<key>Label</key>\n\t" + c.label), std::string::npos) << readFile(file);
  }
}

TEST(LaunchAgent, BundlePathIsEscapedOrRefused) {
  {
    Login l(false);
    l.desk.setMainBundlePath("/Users/a&b/<Apps>/Brisquel.app");
    ASSERT_TRUE(l.item().setLaunchAgentEnabled(true));
    EXPECT_NE(readFile(l.agentsDir() / "com.mebrun.velmonte.plist")
                  .find("<string>/Users/a&amp;b/&lt;Apps&gt;/Brisquel.app</string>"),
              std::string::npos);
  }
  for (const char* path : {"/Apps/\x01.app", "/Apps/\xff.app"}) {
    Login l(false);
    l.desk.setMainBundlePath(path);
    EXPECT_FALSE(l.item().setLaunchAgentEnabled(true)) << "a path a property list cannot hold";
    EXPECT_FALSE(fs::exists(l.agentsDir() / "com.mebrun.velmonte.plist"));
  }
}

TEST(LaunchAgent, UnwritableFolderFails) {
  Login l(false);
  l.desk.setFileWritesFail(true);
  EXPECT_FALSE(l.item().setLaunchAgentEnabled(true));
  EXPECT_FALSE(l.item().setLaunchAgentEnabled(false)) << "the folder cannot be created";

  Login withFile(false);
  ASSERT_TRUE(withFile.item().setLaunchAgentEnabled(true));
  withFile.desk.setFileWritesFail(true);
  EXPECT_FALSE(withFile.item().setLaunchAgentEnabled(false)) << "the file cannot be removed";
}

// The menu switch: what the user sees after toggling it.

TEST(LaunchAtLoginSwitch, RefusalAlertsOnceAndKeepsTheSettingAndSwitch) {
  struct Case {
    std::optional<bool> stored;  // none: never set (reads as on)
    bool requested;
  };
  const Case cases[] = {{std::nullopt, false}, {true, false}, {false, true}};
  for (const Case& c : cases) {
    Login l(true);
    if (c.stored) l.desk.defaultsValues()[SettingsHelper::enableAutostart] = *c.stored;
    l.desk.setLoginRegistrationRefused(true);
    const bool shown = l.item().applicationAutostart(c.requested);
    const bool before = c.stored.value_or(true);
    EXPECT_EQ(shown, before) << "the switch goes back to the stored setting";
    EXPECT_EQ(l.settings->isAutostartEnable(), before);
    EXPECT_EQ(l.desk.defaultsValues().count(SettingsHelper::enableAutostart), c.stored ? 1u : 0u);
    ASSERT_EQ(l.desk.alerts().size(), 1u);
    const AlertSpec& alert = l.desk.alerts().front();
    EXPECT_EQ(alert.style, AlertStyle::Warning);
    EXPECT_EQ(alert.messageText, "Unable to Perform Operation");
    EXPECT_EQ(alert.informativeText,
              "Make sure the app is copied to /Applications and try again.\n"
              "You can also add it manually: Settings -> Users -> Login Items");
    EXPECT_EQ(alert.buttons, std::vector<std::string>{"OK"});
  }
}

TEST(LaunchAtLoginSwitch, AlertIsShownOncePerAttemptInTheInterfaceLanguage) {
  Login l(false);
  l.desk.setFileWritesFail(true);
  ASSERT_TRUE(L10n::setCurrentForTesting("uk"));
  auto item = l.item();
  EXPECT_TRUE(item.applicationAutostart(false));
  EXPECT_TRUE(item.applicationAutostart(false));
  ASSERT_EQ(l.desk.alerts().size(), 2u);
  EXPECT_EQ(l.desk.alerts().back().messageText, "Не вдалося виконати операцію");
  EXPECT_EQ(l.desk.alerts().back().buttons, std::vector<std::string>{"OK"});
  L10n::setCurrentForTesting("en");
}

}  // namespace
}  // namespace brisquel
