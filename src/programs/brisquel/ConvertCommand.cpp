// SPDX-License-Identifier: MIT
#include <algorithm>
#include <istream>
#include <iterator>
#include <ostream>

#include "base/Text.h"
#include "brisquel/Commands.h"
#include "sim/KeyboardLayouts.h"
#include "typo/KeyTables.h"

namespace brisquel::cli {
namespace {

constexpr const char* kConvertUsage =
    "usage: brisquel convert [--force] [--layouts LIST] [TEXT...]\n"
    "  Converts each TEXT (or each line of standard input) to the other keyboard layout,\n"
    "  word by word as the typo detector converts a word: by its own letters.\n"
    "  --force         swap every character instead\n"
    "  --layouts LIST  the enabled layouts, comma-separated (en ru uk he ar el): convert\n"
    "                  towards them, by their X11 key tables\n";

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

// Each run of non-white-space converted on its own; the white space between
// (tabs, vertical tabs, form feeds included) stays as it is.
std::string convertWords(const std::string& utf8, bool forceSwap, const LayoutAvailability& layouts,
                         const KeyTables& tables) {
  const std::u16string s = text::fromUtf8(utf8);
  std::u16string out;
  std::u16string word;
  auto flush = [&] {
    if (!word.empty()) out += convertWord(word, forceSwap, layouts, &tables).text;
    word.clear();
  };
  for (auto c : text::characters(s)) {
    if (c.size() == 1 && text::isWhiteSpace(c[0])) {
      flush();
      out += c;
    } else {
      word += c;
    }
  }
  flush();
  return text::toUtf8(out);
}

}  // namespace

// Converts each argument to the other keyboard layout, as the typo detector
// would: by each word's own script, or (--force) every character swapped; with
// --layouts, towards the enabled layouts and by their key tables.
int convertCommand(const std::vector<std::string>& args, Streams io) {
  bool forceSwap = false;
  std::vector<std::string> texts;
  bool optionsDone = false;
  LayoutAvailability layouts;
  KeyTables tables;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!optionsDone && (arg == "--help" || arg == "-h")) {
      io.out << kConvertUsage;
      return kExitOk;
    }
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
      io.err << "brisquel convert: unknown option '" << arg << "'\n" << kConvertUsage;
      return kExitUsage;
    } else {
      texts.push_back(arg);
    }
  }
  if (texts.empty()) {
    const std::string input{std::istreambuf_iterator<char>(io.in), std::istreambuf_iterator<char>()};
    std::size_t start = 0;
    while (start < input.size()) {
      std::size_t end = input.find('\n', start);
      if (end == std::string::npos) end = input.size();
      texts.push_back(input.substr(start, end - start));
      start = end + 1;
    }
  }
  // Checked before anything is printed: a broken argument must not come out
  // as replacement characters with a success status.
  for (const auto& t : texts) {
    if (!text::isValidUtf8(t)) {
      io.err << "brisquel convert: the text is not valid UTF-8\n";
      return kExitFailure;
    }
  }
  for (const auto& t : texts) io.out << convertWords(t, forceSwap, layouts, tables) << "\n";
  return kExitOk;
}

}  // namespace brisquel::cli
