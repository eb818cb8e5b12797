#include <algorithm>
#include <ostream>

#include "base/Text.h"
#include "brisquel/Commands.h"
#include "sim/KeyboardLayouts.h"
#include "typo/KeyTables.h"

namespace brisquel::cli {
namespace {

// The enabled layouts of --layouts en,el with the X11 key tables of the
// simulated desktop; false for an unknown code.
bool addLayouts(const std::string& list, LayoutAvailability& layouts, KeyTables& tables) {
  layouts.known = true;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    const std::string code = list.substr(start, comma - start);
    const sim::KeyboardLayout* layout = sim::findKeyboardLayout(code);
    if (!layout || layout->code != code) return false;
    layouts.codes.insert(code);
    tables.add(code, sim::keyboardTable(*layout));
    start = comma + 1;
  }
  return true;
}

}  // namespace

// Converts each argument to the other keyboard layout, as the typo detector
// would: by the word's own script, or (--force) every character swapped; with
// --layouts, towards the enabled layouts and by their key tables.
int convertCommand(const std::vector<std::string>& args, Streams io) {
  bool forceSwap = false;
  std::vector<std::string> texts;
  bool optionsDone = false;
  LayoutAvailability layouts;
  KeyTables tables;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!optionsDone && arg == "--layouts") {
      if (i + 1 >= args.size() || !addLayouts(args[++i], layouts, tables)) {
        io.err << "brisquel convert: --layouts wants codes such as en,ru (en ru uk he ar el)\n";
        return kExitUsage;
      }
    } else if (!optionsDone && arg == "--force") {
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
    io.err << "usage: brisquel convert [--force] [--layouts LIST] TEXT...\n";
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
  for (const auto& t : texts)
    io.out << text::toUtf8(convertWord(text::fromUtf8(t), forceSwap, layouts, &tables).text) << "\n";
  return kExitOk;
}

}  // namespace brisquel::cli
