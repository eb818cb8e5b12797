// SPDX-License-Identifier: MIT
#pragma once
// Small dictionaries written by the tests into a folder of their own.

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <chrono>
#include <string>

#include "TestFolders.h"
#include "TestText.h"
#include "spell/DictionarySpellChecker.h"
#include "spell/WordText.h"

namespace brisquel::spell::testing {

using brisquel::testing::freshFolder;
using brisquel::testing::writeFile;
using brisquel::testing::u16;

// The text re-encoded from UTF-8 into a legacy charset.
inline std::string encodeAs(const std::string& utf8, const char* charset) {
  std::u16string text = text::fromUtf8(utf8);
  UErrorCode status = U_ZERO_ERROR;
  UConverter* conv = ucnv_open(charset, &status);
  std::string out(text.size() * 2 + 8, '\0');
  int32_t n = ucnv_fromUChars(conv, out.data(), static_cast<int32_t>(out.size()), text.data(),
                              static_cast<int32_t>(text.size()), &status);
  ucnv_close(conv);
  out.resize(U_SUCCESS(status) ? static_cast<std::size_t>(n) : 0);
  return out;
}

// A text in a language: whether it is a word, and whether longer words start with it.
struct Case {
  const char* language;
  const char* text;
  bool word;
  bool prefix;
};

inline bool loadAll(DictionarySpellChecker& checker) {
  bool ok = true;
  for (const auto& language : DictionarySpellChecker::languages()) checker.prepare(language);
  for (const auto& language : DictionarySpellChecker::languages())
    ok = checker.waitUntilReady(language, std::chrono::minutes(5)) && ok;
  return ok;
}

}  // namespace brisquel::spell::testing
