// SPDX-License-Identifier: MIT
// The named keys of `brisquel fix --named-keys` on any text: the parser
// never crashes, a refusal names what it refused, and what it accepts
// reads back the same once written out again.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "base/Text.h"
#include "brisquel/NamedKeys.h"

using namespace brisquel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string line = text::fromUtf8(std::string(reinterpret_cast<const char*>(data), size));
  const cli::ParsedKeys parsed = cli::parseNamedKeys(line);
  if (!parsed.steps) {
    FUZZ_CHECK(!parsed.error.empty());
    return 0;
  }
  const std::string written = cli::formatNamedKeys(*parsed.steps);
  const cli::ParsedKeys again = cli::parseNamedKeys(text::fromUtf8(written));
  FUZZ_CHECK(again.steps && *again.steps == *parsed.steps);
  return 0;
}
