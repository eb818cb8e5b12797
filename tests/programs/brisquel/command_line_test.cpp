// The brisquel command line itself: help, version, what a mistyped command
// or option gets, and the commands that only print.
#include <gtest/gtest.h>

#include "CliRun.h"

namespace brisquel::cli {
namespace {

using testing::runCli;

TEST(CommandLine, HelpAndVersionGoToStandardOutput) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--help"}, std::vector<std::string>{}}) {
    auto r = runCli(args);
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_TRUE(r.out.starts_with("usage: brisquel")) << r.out;
    EXPECT_NE(r.out.find("\n  fix "), std::string::npos) << "the commands are listed:\n" << r.out;
    EXPECT_EQ(r.err, "");
  }
  auto r = runCli({"--version"});
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_EQ(r.out, "brisquel 1.01\n");
  EXPECT_EQ(r.err, "");
}

TEST(CommandLine, UnknownCommandOrOptionExitsTwoWithAnErrorAndTheUsage) {
  const struct {
    std::vector<std::string> args;
    std::string firstLine;
  } cases[] = {
      {{"--bogus"}, "brisquel: unknown option '--bogus'"},
      {{"-x", "fix"}, "brisquel: unknown option '-x'"},
      {{"frobnicate", "--help"}, "brisquel: unknown command 'frobnicate'"},
  };
  for (const auto& c : cases) {
    auto r = runCli(c.args);
    EXPECT_EQ(r.status, kExitUsage) << c.firstLine;
    EXPECT_EQ(r.out, "") << c.firstLine;
    const auto eol = r.err.find('\n');
    ASSERT_NE(eol, std::string::npos) << r.err;
    EXPECT_EQ(r.err.substr(0, eol), c.firstLine);
    EXPECT_TRUE(r.err.substr(eol + 1).starts_with("usage: brisquel")) << r.err;
  }
}

TEST(CommandLine, ConvertPrintsEachArgumentOnItsLine) {
  const struct {
    std::vector<std::string> args;
    std::string out;
  } cases[] = {
      {{"convert", "ghbdtn"}, "привет\n"},
      {{"convert", "--force", "Hello"}, "Руддщ\n"},
      {{"convert", "руддщ", "ghbdtn"}, "hello\nпривет\n"},
      {{"convert", "--", "--force"}, "--ащксу\n"},
  };
  for (const auto& c : cases) {
    auto r = runCli(c.args);
    EXPECT_EQ(r.status, kExitOk) << c.out;
    EXPECT_EQ(r.out, c.out);
  }
  EXPECT_EQ(runCli({"convert"}).status, kExitUsage);
  EXPECT_EQ(runCli({"convert", "--strange", "x"}).status, kExitUsage);
}

TEST(CommandLine, ConvertRefusesTextThatIsNotUtf8AndPrintsNothing) {
  for (const std::string& bad : {std::string("gh\xff"), std::string("\xd0"), std::string("\xed\xa0\x80")}) {
    auto r = runCli({"convert", "ghbdtn", bad});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("UTF-8"), std::string::npos) << r.err;
  }
}

TEST(MenuCommand, ListsTheTreeAsShown) {
  const auto r =
      runCli({"menu", "--lang", "en", "--set", "ENABLE_FN_SHORTCUT=true", "--set", "ENABLE_CTRL_SHORTCUT=false"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  const std::string& listing = r.out;
  for (const char* expected : {
           "submenu \"Velmonte\"\n  label \"Switching method:\"\n  radio tag=0 off \"Shift ⇧ + Fn\"\n",
           "  radio tag=2 on \"Shift ⇧ + Ctrl^\"\n",
           "  switches tag=100100\n",
           "    check tag=101 on \"Fn 🌐\"\n",
           "  warning tag=100101 hidden\n",
           "  check tag=65536 on \"Cut: FN + X\"\n",
           "  item tag=888 \"    Ignored apps list…\" -> openIgnoredShortcutsAppsList\n",
           "check tag=998 on \"Launch at login\"\n",
           "item \"Quit\" -> applicationQuit\n",
       }) {
    EXPECT_NE(listing.find(expected), std::string::npos) << "missing:\n" << expected << "in:\n" << listing;
  }

  EXPECT_EQ(runCli({"menu", "--lang", "xx"}).status, kExitUsage);
  EXPECT_EQ(runCli({"menu", "--set", "NOPE=1"}).status, kExitUsage);
}

}  // namespace
}  // namespace brisquel::cli
