// SPDX-License-Identifier: MIT
#pragma once
// Spelling on the simulated desktop: word lists given by the test.

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SpellChecker.h"

namespace brisquel::sim {

class SimSpellChecker final : public SpellCheckerPort {
 public:
  // Words of a language ("en_US", "ru_RU", ...), UTF-8. Replaces earlier words.
  void setWords(const std::string& language, const std::vector<std::string>& words);
  void addWords(const std::string& language, const std::vector<std::string>& words);
  // A language that is not ready answers false (as an unloaded one does).
  void setReady(const std::string& language, bool ready);
  int prepareCount(const std::string& language) const;

  bool isWordCorrect(std::u16string_view word, std::string_view language) override;
  bool hasCompletions(std::u16string_view prefix, std::string_view language) override;
  void prepare(std::string_view language) override;
  bool isReady(std::string_view language) override;

 private:
  struct Language;
  std::map<std::string, std::shared_ptr<Language>, std::less<>> languages_;
  std::map<std::string, int, std::less<>> prepares_;
};

}  // namespace brisquel::sim
