// SPDX-License-Identifier: MIT
// `brisquel fix`: the corrections it reports, and whole lines typed with the
// real dictionaries. Its mistakes and bad input are in command_line_test.
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

// The kinds of correction, with word lists that make each rule fire, as the
// JSON line reports them. Typing goes through the program's edit tap: the
// application's place on the first-start lists decides whether it is corrected.
TEST(FixSession, EachCorrectionIsReportedWithItsKind) {
  sim::SimSpellChecker spelling;
  spelling.setWords("en_US", {"vs", "hello", "world"});
  spelling.setWords("ru_RU", {"привет", "мир", "пойдем", "не", "мы"});
  const char* const corrected =
      R"({"text":"привет мир","layout":"ru","corrections":[{"typed":"ghb","result":"при","kind":"mid-word"}]})";
  const char* const asTyped = R"({"text":"ghbdtn vbh","layout":"en","corrections":[]})";
  const struct {
    const char* app;  // none: the default
    const char* typed;
    const char* json;
  } cases[] = {
      {nullptr, "ghbdtn vbh", corrected},
      {nullptr, "yt", R"({"text":"не","layout":"ru","corrections":[{"typed":"yt","result":"не","kind":"word end"}]})"},
      {nullptr, "; p b",
       R"({"text":"ж з и","layout":"ru","corrections":)"
       R"([{"typed":"; p b","result":"ж з и","kind":"single-letter run"}]})"},
      {nullptr, "vs пойдем",
       R"({"text":"мы пойдем","layout":"en","corrections":)"
       R"([{"typed":"vs","result":"мы","kind":"previous-word repair"}]})"},
      {nullptr, "hello world", R"({"text":"hello world","layout":"en","corrections":[]})"},
      {nullptr, "say \"hi\"\\\tnow", R"({"text":"say \"hi\"\\\tnow","layout":"en","corrections":[]})"},
      {"com.apple.Terminal", "ghbdtn vbh", corrected},  // shortcuts excluded there, typing is not
      {"com.anydesk.Anydesk.mac", "ghbdtn vbh", asTyped},  // on the typo detector's ignore list
      {"org.virtualbox.app.VirtualBoxVM", "ghbdtn vbh", asTyped},
  };
  for (bool noAx : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.app ? c.app : "default") + ": " + c.typed +
                   (noAx ? " (typed keys)" : " (accessibility)"));
      FixOptions options;
      options.noAx = noAx;
      if (c.app) options.app = c.app;
      FixSession session(options, spelling);
      EXPECT_EQ(fixResultJson(session.typeLine(text::fromUtf8(c.typed))), c.json);
    }
  }
}

#if defined(BRISQUEL_HAVE_SPELL)
testing::CliResult runFix(std::vector<std::string> args, const std::string& input) {
  args.insert(args.begin(), "fix");
  return testing::runCli(args, input);
}

// The real dictionaries, as `brisquel fix` loads them (cached in the build tree).
class FixWithDictionaries : public ::testing::Test {
 protected:
  void SetUp() override {
    spell::DictionarySpellChecker probe;
    std::string missing;
    for (const char* language : {"en_US", "ru_RU", "uk_UA", "el", "he", "ar"})
      if (auto package = probe.missingPackage(language)) missing += " " + *package;
    if (!missing.empty()) GTEST_SKIP() << "dictionaries not installed:" << missing;
  }
};

// Lines as people type them, each typed into a fresh field in order (words
// learned on one line count on the next, the layout does not). Text typed right stays; what a
// correction leaves is what the next words are judged by.
TEST_F(FixWithDictionaries, LinesTypedAsPeopleTypeThem) {
  using Args = std::vector<std::string>;
  const Args english, russian{"--active", "ru"}, named{"--named-keys"};
  const Args hebrew{"--layouts", "en,he", "--active", "he"}, arabic{"--layouts", "en,ar", "--active", "ar"};
  struct Case {
    Args args;
    const char* typed;
    const char* expected;  // null: as typed
  };
  const Case cases[] = {
      {english, "ghbdtn vbh", "привет мир"},
      {english, "hello world", nullptr},  // on the English layout again, nothing to repair
      {english, "", nullptr},
      {english, "vbh", "мир"},
      {english, "hello — world 😀", nullptr},  // characters no layout has arrive as text
      {english, "{Option}", nullptr},          // braces are text
      {{"--no-ax"}, "ghbdtn vbh", "привет мир"},
      {{"--keys", "ru"}, "привет мир", nullptr},  // Russian keys pressed on the English layout
      {{"--json"}, "ghbdtn vbh",
       "{\"text\":\"привет мир\",\"layout\":\"ru\",\"corrections\":"
       "[{\"typed\":\"ghb\",\"result\":\"при\",\"kind\":\"mid-word\"}]}"},
      {{"--active", "el", "--layouts", "en,el"}, "Καλημέρα κόσμε", nullptr},  // dead-key accents
      {{"--active", "el", "--layouts", "en,el"}, "ΚΑΛΗΜΕΡΑ ΚΟΣΜΕ", nullptr},  // capitals drop accents
      // English and Ukrainian only: words typed right stay, quotes and commas included.
      {{"--layouts", "en,uk", "--active", "uk"}, "\"Перевірити\" ви, це?", nullptr},
      {{"--layouts", "en,uk", "--active", "uk"}, "Натисніть «Зберегти», щоб продовжити.", nullptr},
      {russian, "привет мир", nullptr},
      // Numbers, dashes and signs belong to no language.
      {russian, "1 и 2", nullptr},
      {russian, "взгляд - и навстречу", nullptr},
      {russian, "мы 5 раз", nullptr},
      {russian, "Мы - студенты", nullptr},
      {russian, "во 2", nullptr},
      // A letter and a mark is no word.
      {russian, "том Е. Иванова", nullptr},
      {russian, "В 2024 г.", nullptr},
      {russian, "кнопку ОК.", nullptr},
      {arabic, "او", nullptr},
      // Quotes around a word, hyphens and letters that convert to punctuation.
      {english, "say 'yes' now", nullptr},
      {english, "use 'drop' here", nullptr},
      {hebrew, "תת־מערכת", nullptr},
      {russian, "хеш-таблицы", nullptr},
      {russian, "виджет", nullptr},
      // A period after an Arabic word, with or without a Russian layout.
      {arabic, "شكرا لك.", nullptr},
      {{"--layouts", "en,ru,ar", "--active", "ar"}, "شكرا لك.", nullptr},
      // Abbreviations and macros in English text; Caps Lock on the wrong layout is corrected.
      {english, "TLS CSV GTK", nullptr},
      {english, "The selected filter $(FILTER) has not been installed.", nullptr},
      {named, "{CapsLock}ukfdysq{CapsLock} vbh", "ГЛАВНЫЙ мир"},
      // English keys typed with Russian active: the words corrected count as English.
      {{"--active", "ru", "--keys", "en"}, "is a test", nullptr},
      {{"--active", "ru", "--keys", "en"}, "in a way", nullptr},
      {{"--active", "ru", "--keys", "en"}, "on an island", nullptr},
      // Separators come back as typed; "{{" is a brace.
      {named, "a{{b}", "a{b}"},
      {named, "ns{Return}ult", "ты\nгде"},
      {{"--named-keys", "--no-ax"}, "ns{Tab}ult", "ты\tгде"},
      // Escape ends the word and Forward Delete clears it.
      {{"--named-keys", "--app", "com.apple.Terminal"}, "hello ns{Escape}{Option}", "hello ты"},
      {named, "hello {Delete}ghbdtn", "hello привет"},
      // Undoing a correction made mid-word teaches nothing.
      {named, "ghb{Option}{Wait 2}", "ghb"},
      {named, "при мне", nullptr},
      // With a selection, Option converts the selection; with nothing in it to convert, nothing happens.
      {named, "ghbdtn hello{Select 5}{Option}", "привет руддщ"},
      {{"--named-keys", "--json"}, "a {Select 1}{Option}", "{\"text\":\"a \",\"layout\":\"en\",\"corrections\":[]}"},
      // Only words the detector saw whole: typed on into a word the caret was put in, after Home,
      // a shortcut, or fast after a correction.
      {named, "ld{Click 2}ns", "ldns"},
      {{"--named-keys", "--app", "com.apple.Terminal"}, "ghbdtn {Click}{BackSpace}window", "приветцштвщц"},
      {{"--named-keys", "--app", "com.apple.Terminal"}, "a pEach{Return}{Option}tooel,", "a pEach\ntooel,"},
      {named, "b {Home}he ", "he \nи "},
      {named, "n {Ctrl+A}{BackSpace}{Option}", ""},
      // A double press converts the word at the caret, here the one after it; the word typed on
      // from there is converted alone, not with the one before the space.
      {{"--named-keys", "--app", "com.apple.Terminal", "--interval", "30"},
       "d {Up}(f {Option}{Wait 0.3}{Option}not{Wait 4.95}{Option}", "(f втще\n "},
      {{"--named-keys", "--interval", "30"}, "ns{Return}esto", "ты\nesto"},
      {{"--named-keys", "--interval", "30"}, "lj Lj{Option}", "до Lj"},  // not the undo of the first
  };
  // One run per set of options, its lines in order.
  std::vector<std::pair<Args, std::vector<const Case*>>> runs;
  for (const auto& c : cases) {
    if (runs.empty() || runs.back().first != c.args) runs.push_back({c.args, {}});
    runs.back().second.push_back(&c);
  }
  for (const auto& [args, lines] : runs) {
    std::string input, expected;  // the last line without its newline
    for (const Case* c : lines) {
      input += (c == lines.front() ? "" : "\n") + std::string(c->typed);
      expected += std::string(c->expected ? c->expected : c->typed) + "\n";
    }
    auto r = runFix(args, input);
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, expected) << ::testing::PrintToString(args);
  }
  EXPECT_EQ(runFix({"ghbdtn", "vbh"}, "").out, "привет мир\n") << "the words as arguments";
}

#endif

}  // namespace
}  // namespace brisquel::cli
