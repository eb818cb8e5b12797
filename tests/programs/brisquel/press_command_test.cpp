// SPDX-License-Identifier: MIT
// brisquel press as a user runs it: arguments in, one line per chord out.
#include <gtest/gtest.h>

#include "CliRun.h"

namespace brisquel::cli {
namespace {

testing::CliResult press(std::vector<std::string> args) {
  args.insert(args.begin(), "press");
  return testing::runCli(args);
}

TEST(PressCommand, PrintsWhatTheApplicationReceives) {
  struct Case {
    std::vector<std::string> args;
    std::string expected;
  };
  // How the chords come out is the edit shortcuts' own test; here, the
  // arguments that set up the application and the settings.
  const Case cases[] = {
      {{"--app", "com.apple.TextEdit", "ctrl+c", "ctrl+y", "ctrl+alt+delete", "shift+ctrl", "shift+ctrl"},
       "cmd+c\nshift+cmd+z\nopen /System/Applications/Utilities/Activity Monitor.app\nlayout ru\nlayout en\n"},
      {{"--app", "com.apple.finder", "--set", "QUIT_CLOSES_WINDOWS_ENABLED=true", "ctrl+q"}, "cmd+w\n"},
      {{"--app", "com.apple.TextEdit", "--set", "ENABLE_FN_SHORTCUT=true", "--set", "ENABLE_CTRL_SHORTCUT=false",
        "fn+v", "ctrl+v"},
       "cmd+v\nctrl+v\n"},
      {{"--app", "com.apple.TextEdit", "--set", "WIN_EDIT_HOTKEYS_V2=2", "ctrl+c", "ctrl+v"}, "cmd+c\nctrl+v\n"},
      // List keys: one entry per --set, rule words kept.
      {{"--app", "com.example.MyApp", "--set", "IGNORED_SHORTCUTS_APPS=other", "--set",
        "IGNORED_SHORTCUTS_APPS=myapp|v", "ctrl+c", "ctrl+v"},
       "cmd+c\nctrl+v\n"},
      // The application's name and path are what the rules match.
      {{"--app", "org.example.tool", "--name", "Tool", "--path", "/opt/Tool.app", "ctrl+c"}, "cmd+c\n"},
      {{"--app", "org.example.tool", "--name", "ToolBox", "--path", "/opt/ToolBox.app", "--set",
        "IGNORED_APPS=tool|terminal", "ctrl+c"},
       "cmd+c ctrl+c@50ms\n"},
  };
  for (const auto& c : cases) {
    const auto r = press(c.args);
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, c.expected) << ::testing::PrintToString(c.args);
  }
}

}  // namespace
}  // namespace brisquel::cli
