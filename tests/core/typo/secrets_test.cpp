// SPDX-License-Identifier: MIT
// What a person types stays theirs: after a session of typing, corrections
// and a manual conversion, the typed text is in no file but the learned-words
// list (and only the word converted by hand), in no setting but the learned
// words, and in nothing the program opened, started or showed.
#include <algorithm>

#include "TypoFixture.h"

namespace brisquel::testing {
namespace {

namespace fs = std::filesystem;

TEST_F(TypoScenario, TypedTextReachesNoFileButTheLearnedWords) {
  const std::vector<std::string> secrets = {"hunter2pass", "s3cr3tcode", "ghbdtn"};
  for (const char* app : {kTextEdit, kTerminal}) {
    focus(app);
    type("my hunter2pass and s3cr3tcode ");
    type("ghbdtn");
    option();  // converted by hand, so learned
    desktop_.advance(2.0);
    settings_->openLearnedWordsList();  // the list written for the editor
  }
  desktop_.advance(5.0);
  ASSERT_EQ(learned().count("ghbdtn"), 1u) << "the manual conversion was learned";

  bool learnedFileHoldsTheWord = false;
  for (const auto& entry : fs::recursive_directory_iterator(desktop_.filesRoot())) {
    if (!entry.is_regular_file()) continue;
    const std::string bytes = readFile(entry.path());
    if (entry.path().filename() == "learned_words.txt") learnedFileHoldsTheWord = bytes.find("ghbdtn\t") != bytes.npos;
    for (const auto& secret : secrets) {
      const bool allowed = secret == "ghbdtn" && entry.path().filename() == "learned_words.txt";
      EXPECT_TRUE(allowed || bytes.find(secret) == std::string::npos) << entry.path() << " holds " << secret;
    }
  }
  EXPECT_TRUE(learnedFileHoldsTheWord) << "the files were read";
  for (const auto& [key, value] : desktop_.defaultsValues()) {
    if (key == SettingsHelper::learnedWordsKey) continue;
    const auto* textValue = std::get_if<std::string>(&value);
    const auto* list = std::get_if<StringList>(&value);
    for (const auto& secret : secrets) {
      EXPECT_FALSE(textValue && textValue->find(secret) != std::string::npos) << key;
      EXPECT_FALSE(list && std::find(list->begin(), list->end(), secret) != list->end()) << key;
    }
  }
  std::string outside;  // what left the program: opened things, child processes' command lines, alerts
  for (const auto& opened : desktop_.openedApplications()) outside += opened.string() + "\n";
  for (const auto& opened : desktop_.openedFiles()) outside += opened.string() + "\n";
  for (const auto& launch : desktop_.launches()) outside += ::testing::PrintToString(launch.arguments) + launch.program;
  for (const auto& alert : desktop_.alerts()) outside += alert.messageText + alert.informativeText;
  ASSERT_FALSE(outside.empty()) << "the learned-words list was opened";
  for (const auto& secret : secrets) EXPECT_EQ(outside.find(secret), std::string::npos) << outside;
  for (const auto& learnedWord : learned()) {
    EXPECT_TRUE(learnedWord.first != "hunter2pass" && learnedWord.first != "s3cr3tcode") << "learned unasked";
  }
}

}  // namespace
}  // namespace brisquel::testing
