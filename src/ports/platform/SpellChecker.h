// SPDX-License-Identifier: MIT
#pragma once
// The spelling service: whole words and prefixes, per language identifier
// ("en_US", "ru_RU", "uk_UA", "he", "ar", "el"). Text is UTF-16.
// Callable from any thread; a language that is not loaded yet answers as an
// unknown language does (false) and never blocks.

#include <string>
#include <string_view>

namespace brisquel {

class SpellCheckerPort {
 public:
  virtual ~SpellCheckerPort() = default;
  virtual bool isWordCorrect(std::u16string_view word, std::string_view language) = 0;
  // Whether any word of the language begins with the prefix (the prefix itself excluded).
  virtual bool hasCompletions(std::u16string_view prefix, std::string_view language) = 0;
  // Starts loading a language in the background, if it is not loaded.
  virtual void prepare(std::string_view language) = 0;
  virtual bool isReady(std::string_view language) = 0;
};

}  // namespace brisquel
