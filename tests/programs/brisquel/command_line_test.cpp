// SPDX-License-Identifier: MIT
// The brisquel command line itself, as a user runs it: what a mistake on it
// gets, and the commands that only print. Help, version and the plain
// conversions are run as the real program in tests/CMakeLists.txt (cli.*).
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "CliRun.h"
#include "TestFolders.h"
#include "brisquel/HostStatus.h"

namespace brisquel::cli {
namespace {

using testing::runCli;

// Every command answers --help, and press and menu take the same --set.
TEST(CommandLine, HelpAndGoodSettingsExitZero) {
  std::vector<std::vector<std::string>> cases;
  for (const char* command : {"version", "convert", "press", "menu", "lists", "fix", "status", "setup"})
    cases.push_back({command, "--help"});
  for (const char* good :
       {"ENABLE_AUTOSTART=false", "WIN_EDIT_HOTKEYS_V2=0x3FFFF", "INDEX_HOT_KEY=4", "IGNORED_APPS=my app"}) {
    cases.push_back({"press", "--app", "com.apple.TextEdit", "--set", good, "ctrl+c"});
    cases.push_back({"menu", "--set", good});
  }
  for (const auto& args : cases) {
    const auto r = runCli(args);
    EXPECT_EQ(r.status, kExitOk) << ::testing::PrintToString(args) << ": " << r.err;
    EXPECT_NE(r.out, "") << ::testing::PrintToString(args);
  }
}

// A mistake exits 2 with nothing on standard output and says on standard
// error what was wrong; a bad option of fix or a bad --set in one line. Text
// that is not UTF-8 fails the same way, with status 1.
TEST(CommandLine, MistakesExitWithOneLineThatNamesThem) {
  const struct {
    std::vector<std::string> args;
    std::string said;  // in the error text
    std::string input = "hello\n";
    int status = kExitUsage;
  } cases[] = {
      {{"--bogus"}, "brisquel: unknown option '--bogus'"},
      {{"frobnicate", "--help"}, "brisquel: unknown command 'frobnicate'"},
      {{"convert", "--layouts", "en,fr", "x"}, "--layouts wants codes"},
      {{"menu", "--lang", "xx"}, "xx"},
      {{"press", "--app", "com.apple.TextEdit", "ctrl+c", "ctrl+bogus"}, "unknown chord 'ctrl+bogus'"},
      {{"press", "ctrl+c"}, "--app"},
      {{"press", "--app", "x", "c+ctrl"}, "backspace"},  // the known key names,
      {{"menu", "--set", "INDEX_HOTKEY=1"}, "INDEX_HOTKEY"},
      {{"menu", "--set", "INDEX_HOT_KEY=5"}, "not '5'"},
      {{"press", "--app", "x", "--set", "ENABLE_AUTOSTART=FALSE", "ctrl+c"}, "not 'FALSE'"},
      {{"press", "--app", "x", "--set", "ENABLE_FN_SHORTCUT", "ctrl+c"}, "ENABLE_FN_SHORTCUT"},
      {{"fix", "--active", "he"}, "he"},  // not among en,ru
      {{"fix", "--layouts", "en,en"}, "'en' listed twice"},
      {{"fix", "--interval", "99999999999"}, "99999999999"},
      {{"fix", "--app", ""}, "--app"},
      {{"fix", "--named-keys"}, "'Bogus'", "ghb{Bogus}\n"},
      {{"fix", "--named-keys"}, "brisquel fix: ", "{Select x}\n"},
      {{"convert", "ghbdtn", "gh\xff"}, "UTF-8", "", kExitFailure},
      {{"convert", "ghbdtn", "\xd0"}, "UTF-8", "", kExitFailure},
      {{"convert", "ghbdtn", "\xed\xa0\x80"}, "UTF-8", "", kExitFailure},
      {{"fix"}, "UTF-8", "hello\n\xff\xfe\n", kExitFailure},
      {{"fix"}, "UTF-8", "ok\n\xd0", kExitFailure},
      {{"fix"}, "UTF-8", "\xed\xa0\x80\n", kExitFailure},
  };
  for (const auto& c : cases) {
    const std::string row = ::testing::PrintToString(c.args) + " <<< " + ::testing::PrintToString(c.input);
    const auto r = runCli(c.args, c.input);
    EXPECT_EQ(r.status, c.status) << row;
    EXPECT_EQ(r.out, "") << row;
    EXPECT_NE(r.err.find(c.said), std::string::npos) << row << ": " << r.err;
    if (c.args[0] == "fix" || std::ranges::count(c.args, "--set") > 0) {
      EXPECT_EQ(std::ranges::count(r.err, '\n'), 1) << row << ": " << r.err;
    }
  }
}

// convert prints each argument on its line, word by word; press prints what
// the application receives, one line per chord. How the chords come out is
// the edit shortcuts' own test; here, the arguments that set up the
// application and the settings.
TEST(CommandLine, ConvertAndPressPrintWhatTheyAreAskedFor) {
  const struct {
    std::vector<std::string> args;
    std::string input;
    std::string out;
  } cases[] = {
      {{"convert", "--", "--force"}, "", "--ащксу\n"},
      {{"convert", "hello руддщ"}, "", "руддщ hello\n"},  // each word by its own letters
      {{"convert", "ghbdtn\vvbh\fhello"}, "", "привет\vмир\fруддщ\n"},
      {{"convert"}, "ghbdtn vbh\n\nруддщ", "привет мир\n\nhello\n"},  // standard input, line by line
      {{"convert"}, "", ""},
      // With the layouts a person has: their own keys, Shift level and dead keys.
      {{"convert", "--layouts", "en,el", "Epil;ejte", "Καλά"}, "", "Επιλέξτε\nKal;a\n"},
      {{"convert", "--layouts", "en,ar", "hgYu]h]hj"}, "", "الإعدادات\n"},
      {{"convert", "--layouts", "en,he", "--force", "Hello"}, "", "Hקךךם\n"},
      {{"press", "--app", "com.apple.TextEdit", "ctrl+c", "ctrl+y", "ctrl+alt+delete", "shift+ctrl", "shift+ctrl"},
       "",
       "cmd+c\nshift+cmd+z\nopen /System/Applications/Utilities/Activity Monitor.app\nlayout ru\nlayout en\n"},
      {{"press", "--app", "com.apple.finder", "--set", "QUIT_CLOSES_WINDOWS_ENABLED=true", "ctrl+q"}, "", "cmd+w\n"},
      {{"press", "--app", "com.apple.finder", "ctrl+q"}, "", "cmd+q\n"},
      {{"press", "--app", "com.apple.TextEdit", "--set", "ENABLE_FN_SHORTCUT=true", "--set",
        "ENABLE_CTRL_SHORTCUT=false", "fn+v", "ctrl+v"},
       "",
       "cmd+v\nctrl+v\n"},
      {{"press", "--app", "com.apple.TextEdit", "--set", "WIN_EDIT_HOTKEYS_V2=2", "ctrl+c", "ctrl+v"},
       "",
       "cmd+c\nctrl+v\n"},
      // List keys: one entry per --set, rule words kept.
      {{"press", "--app", "com.example.MyApp", "--set", "IGNORED_SHORTCUTS_APPS=other", "--set",
        "IGNORED_SHORTCUTS_APPS=myapp|v", "ctrl+c", "ctrl+v"},
       "",
       "cmd+c\nctrl+v\n"},
      // The application's name and path are what the rules match.
      {{"press", "--app", "org.example.tool", "--name", "Tool", "--path", "/opt/Tool.app", "ctrl+c"}, "", "cmd+c\n"},
      {{"press", "--app", "org.example.tool", "--name", "ToolBox", "--path", "/opt/ToolBox.app", "--set",
        "IGNORED_APPS=tool|terminal", "ctrl+c"},
       "",
       "cmd+c ctrl+c@50ms\n"},
  };
  for (const auto& c : cases) {
    const auto r = runCli(c.args, c.input);
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, c.out) << ::testing::PrintToString(c.args);
  }
}

// The menu as fresh settings show it: the rows switched off, the rows
// hidden and the top level; and the same with a setting given.
TEST(MenuCommand, ListsTheTreeAsShown) {
  const auto r = runCli({"menu", "--lang", "en"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  std::string off, hidden, top;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) {
    if (line.find(" off ") != std::string::npos) off += line + "\n";
    if (line.find(" hidden") != std::string::npos) hidden += line + "\n";
    if (!line.starts_with(' ')) top += line + "\n";
  }
  EXPECT_EQ(off,
            "  radio tag=0 off \"Shift ⇧ + Fn\"\n  radio tag=1 off \"Shift ⇧ + Option ⌥\"\n"
            "  radio tag=3 off \"Shift ⇧ + Command ⌘\"\n  radio tag=4 off \"All of the above\"\n"
            "  check tag=997 off \"Show layout in menu bar\"\n    check tag=101 off \"Fn 🌐\"\n"
            "  check tag=996 off \"Close Finder windows: ^ + Q\"\n");
  EXPECT_EQ(hidden, "  warning tag=100101 hidden\n    label hidden \"Select at least one modifier\"\n    dashed hidden\n");
  EXPECT_EQ(top,
            "submenu \"Velmonte\"\nsubmenu \"Ctrl / Fn Hotkeys\"\ncheck tag=998 on \"Launch at login\"\nseparator\n"
            "submenu \"About App…\"\nitem \"Quit\" -> applicationQuit\n");
  EXPECT_NE(r.out.find("  check tag=65536 on \"Cut: ^ + X\"\n"), std::string::npos) << r.out;
  const auto fn = runCli({"menu", "--lang", "en", "--set", "ENABLE_FN_SHORTCUT=true"});
  EXPECT_NE(fn.out.find("    check tag=101 on \"Fn 🌐\"\n"), std::string::npos) << fn.out;
}

// The status verdict from the host's answer and the session's variables: all
// well only with the host running, two layouts and fcitx5 for GTK, Qt and
// X11; each problem gets one line saying what to do.
TEST(StatusCommand, VerdictFromTheHostsAnswerAndTheEnvironment) {
  using Reach = HostAnswer::Reach;
  const HostAnswer running{Reach::Running, "1.01", {"keyboard-us", "keyboard-ru"}, "keyboard-ru", {"dbus", "xim"}, ""};
  const ImEnvironment fcitx{"fcitx", "fcitx5", "@im=fcitx", std::nullopt, std::nullopt, std::nullopt};
  HostAnswer oneLayout = running;
  oneLayout.layouts = {"keyboard-us"};
  oneLayout.currentLayout = "keyboard-us";
  HostAnswer untyped = running;
  untyped.frontends = {};
  const auto unreached = [](Reach reach) {
    HostAnswer answer;
    answer.reach = reach;
    return answer;
  };
  HostAnswer onWayland = running;
  onWayland.frontends = {"wayland_v2"};
  const struct {
    HostAnswer host;
    ImEnvironment env;
    std::vector<std::string> said;
    int fixes;  // "To fix" lines
  } cases[] = {
      {running,
       fcitx,
       {"Brisquel 1.01 is running inside fcitx5 in this session.\n"
        "Layouts: keyboard-us, keyboard-ru (current: keyboard-ru)\n"
        "GTK applications: fcitx5 (GTK_IM_MODULE=fcitx; fcitx5 has had their input)\n"
        "Qt applications: fcitx5 (QT_IM_MODULE=fcitx5; fcitx5 has had their input)\n"
        "X11 applications: fcitx5 (XMODIFIERS=@im=fcitx; fcitx5 has had their input)\n"},
       0},
      {running,
       {"ibus", std::nullopt, "@im=fcitx", std::nullopt, std::nullopt, std::nullopt},
       {"GTK applications: not fcitx5 (GTK_IM_MODULE=ibus)\n  To fix: run brisquel setup and log in again.\n",
        "Qt applications: not fcitx5 (QT_IM_MODULE is not set)\n  To fix: run brisquel setup and log in again.\n",
        "Focused application: named by fcitx5 (X11 names every program)"},
       2},
      // Measured on sway: GTK reaches fcitx5 through the compositor, Qt 5 only through its module.
      {onWayland,
       {"wayland", std::nullopt, std::nullopt, "wayland-1", "wayland", "sway"},
       {"GTK applications: fcitx5 (through Wayland's input-method protocol, GTK_IM_MODULE=wayland; fcitx5 has had "
        "their input)",
        "Qt applications: not fcitx5 (QT_IM_MODULE is not set)\n  To fix: Qt 5 reaches fcitx5 on this Wayland "
        "desktop only with QT_IM_MODULE=fcitx; run brisquel setup",
        "X11 (XWayland) applications: not fcitx5 (XMODIFIERS is not set)\n",
        "Focused application: none for applications on Wayland's input-method protocol"},
       2},
      // KWin gives Qt 5 the input-method protocol when QT_IM_MODULE is not set.
      {onWayland,
       {std::nullopt, std::nullopt, "@im=fcitx", "wayland-0", "wayland", "KDE"},
       {"Qt applications: fcitx5 (through KWin's input-method protocol, QT_IM_MODULE is not set; fcitx5 has had "
        "their input)"},
       0},
      {untyped, {"fcitx", "fcitx", "@im=fcitx", "wayland-0", std::nullopt, std::nullopt}, {"fcitx5 (GTK_IM_MODULE=fcitx; none has typed yet)"}, 0},
      {oneLayout,
       fcitx,
       {"Layouts: keyboard-us (current: keyboard-us)\n  To fix: run brisquel setup, which puts your desktop's layouts"},
       1},
      {unreached(Reach::NotRunning),
       fcitx,
       {"Brisquel is not running in this session: fcitx5 is not running.\n  To fix: run brisquel setup and log in "
        "again, or start it now with fcitx5 -d",
        "GTK applications: fcitx5 (GTK_IM_MODULE=fcitx)\n"},
       1},
      {unreached(Reach::WithoutAddon),
       fcitx,
       {"fcitx5 runs without the Brisquel addon.\n  To fix: install Brisquel"},
       1},
      {unreached(Reach::NoBus), {}, {"there is no D-Bus session bus to ask"}, 4},
      {unreached(Reach::NoAnswer),
       fcitx,
       {"fcitx5 did not reply in time.\n  To fix: restart fcitx5 with fcitx5 -r."},
       1},
      {unreached(Reach::NotBuiltIn), fcitx, {"The desktop host is not built in"}, 0},
  };
  for (const auto& c : cases) {
    const StatusReport report = statusReport(c.host, c.env);
    std::string text;
    for (const auto& line : report.lines) text += line + "\n";
    for (const auto& said : c.said)
      EXPECT_NE(text.find(said), std::string::npos) << "missing " << said << " in:\n" << text;
    std::size_t fixes = 0;
    for (const auto& line : report.lines) fixes += line.starts_with("  To fix: ");
    EXPECT_EQ(fixes, static_cast<std::size_t>(c.fixes)) << text;
    EXPECT_EQ(report.allWell, c.fixes == 0 && c.host.reach == Reach::Running) << text;
  }
}

// Files set aside or kept as backups by the running program are listed
// until the person deals with them.
TEST(StatusCommand, FileProblemsAreListedUntilDealtWith) {
  const auto dir = testing::freshFolder("status-files");
  const auto settings = dir / "config" / "com.mebrun.velmonte.plist";
  const auto lists = dir / "data" / "Velmonte";
  std::filesystem::create_directories(settings.parent_path());
  std::filesystem::create_directories(lists);
  testing::writeFile(settings, "<plist/>");
  testing::writeFile(lists / "learned_words.txt", "");
  StatusReport clean{{"all fine"}, true};
  addFileProblems(clean, settings, lists);
  EXPECT_TRUE(clean.allWell);
  EXPECT_EQ(clean.lines, std::vector<std::string>{"all fine"});

  testing::writeFile(dir / "config" / "com.mebrun.velmonte.plist.corrupt-1", "x");
  testing::writeFile(lists / "learned_words.txt.bak", "kept");
  StatusReport report{{}, true};
  addFileProblems(report, settings, lists);
  std::string text;
  for (const auto& line : report.lines) text += line + "\n";
  EXPECT_FALSE(report.allWell);
  EXPECT_NE(text.find("set aside as " + (dir / "config" / "com.mebrun.velmonte.plist.corrupt-1").string()),
            std::string::npos) << text;
  EXPECT_NE(text.find("kept as " + (lists / "learned_words.txt.bak").string()), std::string::npos) << text;
  EXPECT_NE(text.find("  To fix: "), std::string::npos) << text;
}

}  // namespace
}  // namespace brisquel::cli
