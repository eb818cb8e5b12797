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
  const Case cases[] = {
      {{"--app", "com.apple.TextEdit", "ctrl+c", "ctrl+shift+c", "ctrl+y", "ctrl+cmd+c", "fn+v"},
       "cmd+c\nshift+cmd+c\nshift+cmd+z\nctrl+cmd+c\nfn+v\n"},
      {{"--app", "com.apple.TextEdit", "ctrl+alt+delete", "shift+ctrl", "shift+ctrl"},
       "open /System/Applications/Utilities/Activity Monitor.app\nlayout ru\nlayout en\n"},
      {{"--app", "com.apple.Terminal", "ctrl+c", "ctrl+v", "ctrl+f"}, "ctrl+c\ncmd+v\nctrl+f cmd+f@50ms\n"},
      {{"--app", "com.apple.finder", "--set", "QUIT_CLOSES_WINDOWS_ENABLED=true", "ctrl+q"}, "cmd+w\n"},
      {{"--app", "com.apple.TextEdit", "--set", "ENABLE_FN_SHORTCUT=true", "--set", "ENABLE_CTRL_SHORTCUT=false",
        "fn+v", "ctrl+v"},
       "cmd+v\nctrl+v\n"},
      {{"--app", "com.apple.TextEdit", "--set", "WIN_EDIT_HOTKEYS_V2=2", "ctrl+c", "ctrl+v"}, "cmd+c\nctrl+v\n"},
      {{"--app", "com.apple.TextEdit", "--set", "WIN_EDIT_HOTKEYS_V2=0", "ctrl+c", "ctrl+alt+delete"},
       "ctrl+c\nctrl+alt+delete\n"},
      {{"--app", "com.apple.Terminal", "--set", "IGNORED_SHORTCUTS_APPS=apple.terminal|terminal-smart", "ctrl+c",
        "ctrl+z"},
       "cmd+c\ncmd+z ctrl+z@50ms\n"},
      // List keys: one entry per --set, rule words kept.
      {{"--app", "com.example.MyApp", "--set", "IGNORED_SHORTCUTS_APPS=other", "--set",
        "IGNORED_SHORTCUTS_APPS=myapp|v", "ctrl+c", "ctrl+v"},
       "cmd+c\nctrl+v\n"},
      // A "|terminal" entry makes any application a terminal.
      {{"--app", "org.example.tool", "--name", "Tool", "--path", "/opt/Tool.app", "ctrl+c"}, "cmd+c\n"},
      {{"--app", "org.example.tool", "--name", "ToolBox", "--path", "/opt/ToolBox.app", "--set",
        "IGNORED_APPS=tool|terminal", "ctrl+c"},
       "cmd+c ctrl+c@50ms\n"},
      // An entry whose text is exactly the name copies only, as in a smart terminal.
      {{"--app", "org.example.tool", "--name", "Tool", "--set", "IGNORED_APPS=tool|terminal", "ctrl+c", "ctrl+z"},
       "cmd+c\ncmd+z ctrl+z@50ms\n"},
  };
  for (const auto& c : cases) {
    const auto r = press(c.args);
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, c.expected) << ::testing::PrintToString(c.args);
  }
}

}  // namespace
}  // namespace brisquel::cli
