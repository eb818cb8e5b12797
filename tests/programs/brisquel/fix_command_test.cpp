// `brisquel fix`: options, input checks, the corrections it reports, and
// whole lines typed with the real dictionaries.
#include <gtest/gtest.h>

#include "CliRun.h"
#include "base/Text.h"
#include "brisquel/FixCommand.h"
#include "sim/SimDesktop.h"
#if defined(BRISQUEL_HAVE_SPELL)
#include "spell/DictionarySpellChecker.h"
#endif

namespace brisquel::cli {
namespace {

testing::CliResult runFix(std::vector<std::string> args, const std::string& input) {
  args.insert(args.begin(), "fix");
  return testing::runCli(args, input);
}

TEST(FixOptions, BadOptionsExitTwoWithOneLine) {
  const std::vector<std::vector<std::string>> cases = {
      {"--active", "xx"},      {"--layouts", "en,xx"},   {"--layouts", "en,en"}, {"--layouts", ""},
      {"--interval", "-5"},    {"--interval", "fast"},   {"--interval", "99999999999"},
      {"--bogus"},             {"--keys"},               {"--active", "he"},  // not among en,ru
      {"--keys", "fr"},        {"--app"},                {"--app", ""},
  };
  for (const auto& args : cases) {
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    SCOPED_TRACE(joined);
    auto r = runFix(args, "hello\n");
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_EQ(r.out, "");
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }
  EXPECT_NE(parseFixOptions({"--app", ""}).error.find("--app"), std::string::npos);
}

TEST(FixOptions, DefaultsAndValues) {
  auto parsed = parseFixOptions({});
  ASSERT_TRUE(parsed.options);
  EXPECT_EQ(parsed.options->active, "en");
  EXPECT_EQ(parsed.options->keys, "en");
  EXPECT_EQ(parsed.options->layouts, (std::vector<std::string>{"en", "ru"}));
  EXPECT_EQ(parsed.options->intervalMs, 120);
  EXPECT_EQ(parsed.options->app, "com.apple.TextEdit");

  parsed = parseFixOptions({"--layouts", "el,en", "--active", "el", "--interval", "0", "--no-ax", "--json", "--app",
                            "com.example.Editor", "a", "b"});
  ASSERT_TRUE(parsed.options) << parsed.error;
  EXPECT_EQ(parsed.options->keys, "el");  // follows --active
  EXPECT_EQ(parsed.options->layouts, (std::vector<std::string>{"el", "en"}));
  EXPECT_EQ(parsed.options->intervalMs, 0);
  EXPECT_TRUE(parsed.options->noAx);
  EXPECT_TRUE(parsed.options->json);
  EXPECT_EQ(parsed.options->app, "com.example.Editor");
  EXPECT_EQ(parsed.options->text, (std::vector<std::string>{"a", "b"}));
}

TEST(FixInput, NotUtf8FailsAndPrintsNothing) {
  for (const std::string& input : {std::string("hello\n\xff\xfe\n"), std::string("ok\n\xd0"),
                                  std::string("\xed\xa0\x80\n")}) {
    auto r = runFix({}, input);
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("UTF-8"), std::string::npos) << r.err;
  }
}

TEST(FixJson, TextIsEscaped) {
  FixLineResult result{"say \"hi\"\\\tnow", "ru", {{"ghbdtn", "привет", "word end"}}};
  EXPECT_EQ(fixResultJson(result),
            "{\"text\":\"say \\\"hi\\\"\\\\\\tnow\",\"layout\":\"ru\",\"corrections\":"
            "[{\"typed\":\"ghbdtn\",\"result\":\"привет\",\"kind\":\"word end\"}]}");
}

// The kinds of correction, with word lists that make each rule fire.
class FixSessionKinds : public ::testing::Test {
 protected:
  sim::SimSpellChecker spelling;
  void SetUp() override {
    spelling.setWords("en_US", {"vs", "hello", "world"});
    spelling.setWords("ru_RU", {"привет", "мир", "пойдем", "не", "мы"});
  }
  FixLineResult type(const std::string& line, bool noAx = false) {
    FixOptions options;
    options.noAx = noAx;
    FixSession session(options, spelling);
    return session.typeLine(text::fromUtf8(line));
  }
};

TEST_F(FixSessionKinds, EachCorrectionIsReportedWithItsKind) {
  struct Case {
    const char* typed;
    const char* text;
    const char* layout;
    std::vector<FixCorrection> corrections;
  };
  const Case cases[] = {
      {"ghbdtn vbh", "привет мир", "ru", {{"ghb", "при", "mid-word"}}},
      {"yt", "не", "ru", {{"yt", "не", "word end"}}},
      {"; p b", "ж з и", "ru", {{"; p b", "ж з и", "single-letter run"}}},
      {"vs пойдем", "мы пойдем", "en", {{"vs", "мы", "previous-word repair"}}},
      {"hello world", "hello world", "en", {}},
  };
  for (bool noAx : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.typed) + (noAx ? " (typed keys)" : " (accessibility)"));
      auto r = type(c.typed, noAx);
      EXPECT_EQ(r.text, c.text);
      EXPECT_EQ(r.layout, c.layout);
      ASSERT_EQ(r.corrections.size(), c.corrections.size()) << fixResultJson(r);
      for (std::size_t i = 0; i < c.corrections.size(); ++i) {
        EXPECT_EQ(r.corrections[i].typed, c.corrections[i].typed);
        EXPECT_EQ(r.corrections[i].result, c.corrections[i].result);
        EXPECT_EQ(r.corrections[i].kind, c.corrections[i].kind);
      }
    }
  }
}

// Typing goes through the program's edit tap: the application's place on the
// first-start lists decides whether it is corrected.
TEST_F(FixSessionKinds, IgnoredApplicationsAreNotCorrected) {
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

TEST_F(FixSessionKinds, NothingCarriesOverBetweenLines) {
  FixOptions options;
  FixSession session(options, spelling);
  EXPECT_EQ(session.typeLine(u"ghbdtn").text, "привет");
  // The next line starts on the English layout again, with no previous word to repair.
  auto second = session.typeLine(u"hello");
  EXPECT_EQ(second.text, "hello");
  EXPECT_EQ(second.layout, "en");
  EXPECT_TRUE(second.corrections.empty());
}

#if defined(BRISQUEL_HAVE_SPELL)
// The real dictionaries, as `brisquel fix` loads them (cached in the build tree).
class FixWithDictionaries : public ::testing::Test {
 protected:
  void SetUp() override {
    spell::DictionarySpellChecker probe;
    std::string missing;
    for (const char* language : {"en_US", "ru_RU", "el"})
      if (auto package = probe.missingPackage(language)) missing += " " + *package;
    if (!missing.empty()) GTEST_SKIP() << "dictionaries not installed:" << missing;
  }
};

TEST_F(FixWithDictionaries, LinesComeOutAsMeant) {
  struct Case {
    std::vector<std::string> args;
    const char* input;
    const char* output;
  };
  const Case cases[] = {
      {{}, "ghbdtn vbh\n", "привет мир\n"},
      {{"--no-ax"}, "ghbdtn vbh\n", "привет мир\n"},
      {{"ghbdtn", "vbh"}, "", "привет мир\n"},
      {{}, "ghbdtn\nhello world\n\nvbh", "привет\nhello world\n\nмир\n"},
      {{"--keys", "ru"}, "привет мир\n", "привет мир\n"},  // Russian keys pressed on the English layout
      {{"--active", "ru"}, "привет мир\n", "привет мир\n"},
      {{"--active", "el", "--layouts", "en,el"}, "Καλημέρα κόσμε\n", "Καλημέρα κόσμε\n"},  // dead-key accents
      {{"--active", "el", "--layouts", "en,el"}, "ΚΑΛΗΜΕΡΑ ΚΟΣΜΕ\n", "ΚΑΛΗΜΕΡΑ ΚΟΣΜΕ\n"},  // capitals drop accents
      {{}, "hello — world 😀\n", "hello — world 😀\n"},  // characters no layout has arrive as text
  };
  for (const auto& c : cases) {
    std::string joined;
    for (const auto& a : c.args) joined += a + " ";
    SCOPED_TRACE(joined + "<<< " + c.input);
    auto r = runFix(c.args, c.input);
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, c.output);
  }
}

// Someone with English and Ukrainian only: words typed right stay, quotes and
// commas around them included.
TEST_F(FixWithDictionaries, UkrainianTypedRightStaysWithoutRussian) {
  if (spell::DictionarySpellChecker().missingPackage("uk_UA")) GTEST_SKIP() << "hunspell-uk not installed";
  const char* lines[] = {
      "\"Перевірити\" ви, це?\n",
      "Натисніть «Зберегти», щоб продовжити.\n",
  };
  for (const char* line : lines) {
    auto r = runFix({"--layouts", "en,uk", "--active", "uk"}, line);
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, line);
  }
}

TEST_F(FixWithDictionaries, JsonReportsTheFinalLayout) {
  auto r = runFix({"--json"}, "ghbdtn vbh\n");
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out,
            "{\"text\":\"привет мир\",\"layout\":\"ru\",\"corrections\":"
            "[{\"typed\":\"ghb\",\"result\":\"при\",\"kind\":\"mid-word\"}]}\n");
}
#endif

}  // namespace
}  // namespace brisquel::cli
