// brisquel fix types through the program's edit tap: the application's
// place on the first-start lists decides whether it is corrected.
#include <gtest/gtest.h>

#include <sstream>

#include "brisquel/FixCommand.h"
#include "sim/SimDesktop.h"
#include "base/Text.h"

namespace brisquel::cli {
namespace {

TEST(FixThroughTheTap, IgnoredApplicationsAreNotCorrected) {
  sim::SimSpellChecker spelling;
  spelling.setWords("en_US", {"hello", "world"});
  spelling.setWords("ru_RU", {"привет", "мир"});
  struct Case {
    const char* app;  // none: the default
    const char* expected;
  };
  const Case cases[] = {
      {nullptr, "привет мир"},
      {"com.apple.Terminal", "привет мир"},       // shortcuts excluded there, typing is not
      {"com.anydesk.Anydesk.mac", "ghbdtn vbh"},  // on the typo detector's ignore list
      {"org.virtualbox.app.VirtualBoxVM", "ghbdtn vbh"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.app ? c.app : "default");
    FixOptions options;
    if (c.app) options.app = c.app;
    FixSession session(options, spelling);
    EXPECT_EQ(session.typeLine(u"ghbdtn vbh").text, c.expected);
  }
}

TEST(FixThroughTheTap, AppOptionNeedsABundleIdentifier) {
  EXPECT_EQ(parseFixOptions({"--app", "com.example.Editor"}).options->app, "com.example.Editor");
  EXPECT_EQ(parseFixOptions({}).options->app, "com.apple.TextEdit");
  for (const auto& args : std::vector<std::vector<std::string>>{{"--app"}, {"--app", ""}}) {
    const auto parsed = parseFixOptions(args);
    EXPECT_FALSE(parsed.options.has_value()) << ::testing::PrintToString(args);
    EXPECT_NE(parsed.error.find("--app"), std::string::npos) << parsed.error;
  }
}

}  // namespace
}  // namespace brisquel::cli
