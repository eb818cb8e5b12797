#include <ostream>

#include "brisquel/Commands.h"
#include "typo/LayoutMaps.h"
#include "base/Text.h"

namespace brisquel::cli {

// Converts each argument to the other keyboard layout, as the typo detector
// would: by the word's own script, or (--force) every character swapped.
int convertCommand(const std::vector<std::string>& args, Streams io) {
  bool forceSwap = false;
  std::vector<std::string> texts;
  bool optionsDone = false;
  for (const auto& arg : args) {
    if (!optionsDone && arg == "--force") {
      forceSwap = true;
    } else if (!optionsDone && arg == "--") {
      optionsDone = true;
    } else if (!optionsDone && arg.size() > 1 && arg.starts_with("--")) {
      io.err << "brisquel convert: unknown option '" << arg << "'\n";
      return kExitUsage;
    } else {
      texts.push_back(arg);
    }
  }
  if (texts.empty()) {
    io.err << "usage: brisquel convert [--force] TEXT...\n";
    return kExitUsage;
  }
  // Checked before anything is printed: a broken argument must not come out
  // as replacement characters with a success status.
  for (const auto& t : texts) {
    if (!text::isValidUtf8(t)) {
      io.err << "brisquel convert: an argument is not valid UTF-8\n";
      return kExitFailure;
    }
  }
  for (const auto& t : texts) io.out << text::toUtf8(transliterate(text::fromUtf8(t), forceSwap)) << "\n";
  return kExitOk;
}

}  // namespace brisquel::cli
