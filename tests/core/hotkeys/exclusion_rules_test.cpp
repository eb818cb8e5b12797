// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "hotkeys/ExclusionRules.h"

namespace brisquel {
namespace {

using Words = std::set<std::string>;

RunningApplication app(std::optional<std::string> bundle, std::optional<std::string> name,
                       std::optional<std::string> path) {
  return RunningApplication{std::move(bundle), std::move(name), std::move(path), 42};
}

const RunningApplication terminal =
    app("com.apple.Terminal", "Terminal", "/System/Applications/Utilities/Terminal.app");
const RunningApplication myApp = app("com.example.MyApp", "MyApp", "/Applications/MyApp.app");

// The first rule whose application part is a substring of the application's
// identifier, path or name, in any case, gives its words.
TEST(ExclusionRules, FirstMatchingRuleGivesItsWords) {
  struct Case {
    RunningApplication application;
    std::vector<std::string> rules;
    std::optional<Words> expected;
  };
  const Case cases[] = {
      {terminal, {"com.apple.terminal"}, Words{}},  // bundle identifier
      {terminal, {"terminal.app"}, Words{}},        // bundle path
      {terminal, {"Terminal"}, Words{}},            // name, any case
      {myApp, {"TERMINAL"}, std::nullopt},
      {myApp, {""}, std::nullopt},  // an empty text names nothing
      {app(std::nullopt, std::nullopt, std::nullopt), {"myapp"}, std::nullopt},
      {myApp, {" myapp"}, std::nullopt},  // nothing is trimmed
      {app("ru.example.notes", "Блокнот", "/Applications/Notes.app"), {"БЛОКНОТ"}, Words{}},
      {myApp, {}, std::nullopt},
      {myApp, {"other"}, std::nullopt},
      {myApp, {"myapp"}, Words{}},
      {myApp, {"myapp|ctrl"}, Words{"ctrl"}},
      {myApp, {"MyApp|C|Fn+V"}, Words{"c", "fn+v"}},
      {myApp, {"myapp||x|"}, Words{"x"}},
      {myApp, {"|||", "myapp|v"}, Words{"v"}},  // an entry of bars has no application
      {myApp, {"myapp|c", "myapp"}, Words{"c"}},
      {myApp, {"other|c", "com.example|z"}, Words{"z"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ignoredRulesFor(AppIdentity::of(c.application), c.rules), c.expected)
        << ::testing::PrintToString(c.rules);
  }
}

TEST(ExclusionRules, FocusedApplicationConfirmsTheFirstPass) {
  const AppIdentity lastActive = AppIdentity::of(myApp);
  const AppIdentity panel = AppIdentity::of(app("com.other.Panel", "Panel", "/Applications/Panel.app"));
  const std::vector<std::string> ignoredApps = {"myapp"};
  const std::vector<std::string> rules = {"myapp|c"};

  int queries = 0;
  auto focusedIs = [&](std::optional<AppIdentity> id) {
    return [&queries, id] {
      ++queries;
      return id;
    };
  };

  // Last active matches nothing: no accessibility query, and the focused
  // application cannot add an exclusion.
  auto r = evaluateShortcutExclusion(panel, ignoredApps, rules, focusedIs(lastActive));
  EXPECT_EQ(queries, 0);
  EXPECT_FALSE(r.isIgnoredApp);
  EXPECT_EQ(r.ignoredRules, std::nullopt);

  // What matched in the first pass is recomputed for the focused application.
  r = evaluateShortcutExclusion(lastActive, ignoredApps, {"myapp|c", "panel|v"}, focusedIs(panel));
  EXPECT_EQ(queries, 1);
  EXPECT_FALSE(r.isIgnoredApp);
  EXPECT_EQ(r.ignoredRules, Words{"v"});
}

TEST(ExclusionRules, CharIgnoredByRuleWords) {
  struct Case {
    Words rules;
    std::string character;
    bool fn;
    bool ctrl;
    bool expected;
  };
  const Case cases[] = {
      {{"c", "x"}, "c", false, true, true},
      {{"c"}, "с", false, true, true},  // Cyrillic es: same key in the Russian layout
      {{"c"}, "c", true, false, true},
      {{"c"}, "v", false, true, false},
      {{"ctrl"}, "v", false, true, true},
      {{"ctrl"}, "v", true, false, false},
      {{"fn"}, "v", true, false, true},
      {{"fn+v"}, "v", false, true, false},
      {{"fn+v"}, "м", true, false, true},
      {{"ctrl+v"}, "v", true, true, false},  // both held: the Fn forms apply
      {{"fn+v"}, "v", true, true, true},
      {{"s"}, "і", false, true, true},
      {{"terminal"}, "c", false, true, false},
      {{}, "c", false, true, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(isCharIgnored(c.character, c.rules, c.fn, c.ctrl), c.expected)
        << ::testing::PrintToString(c.rules) << " char " << c.character << " fn " << c.fn << " ctrl " << c.ctrl;
  }
}

TEST(TerminalDetection, ByBundleIdentifierOrTerminalWord) {
  struct Case {
    std::optional<RunningApplication> front;
    std::vector<std::string> shortcutRules;
    std::vector<std::string> ignoredApps;
    bool expected;
  };
  const Case cases[] = {
      {terminal, {}, {}, true},
      {app("com.microsoft.VSCode", "Code", "/Applications/Visual Studio Code.app"), {}, {}, true},
      {app("com.example.codebox", "Box", "/x"), {}, {}, true},
      {app("com.mitchellh.ghostty", "Ghostty", "/x"), {}, {}, true},
      {myApp, {}, {}, false},
      {myApp, {}, {"myapp|terminal"}, true},
      {myApp, {"MyApp|Terminal"}, {}, true},
      {myApp, {"myapp|terminalish"}, {}, false},
      {myApp, {"other|terminal"}, {}, false},
      {app(std::nullopt, "MyApp", "/Applications/MyApp.app"), {"myapp|terminal"}, {}, false},
      {std::nullopt, {}, {}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(isTerminalOrEditor(c.front, c.shortcutRules, c.ignoredApps), c.expected)
        << (c.front && c.front->bundleIdentifier ? *c.front->bundleIdentifier : "(none)");
  }
}

TEST(TerminalDetection, SmartRulesAndNames) {
  EXPECT_TRUE(matchesTerminalSmartRule("org.tabby|terminal-smart", "org.tabby", "tabby"));
  EXPECT_TRUE(matchesTerminalSmartRule("Tabby|Terminal-Smart", "org.tabby", ""));
  EXPECT_FALSE(matchesTerminalSmartRule("tabby|terminal-smart", "org.other", "tabby"));
  // Without the word, the text must equal the name exactly.
  EXPECT_TRUE(matchesTerminalSmartRule("Terminal|c", "com.apple.terminal", "terminal"));
  EXPECT_FALSE(matchesTerminalSmartRule("com.apple.terminal|c", "com.apple.terminal", "terminal"));
  EXPECT_FALSE(matchesTerminalSmartRule("||", "", ""));
}

}  // namespace
}  // namespace brisquel
