// SPDX-License-Identifier: MIT
// The key path on the simulated desktop for the text the desktop tests type
// on the real stack (desktop-session.sh latency): "yt we " fifty times, keys
// by US position, 120 ms a key. Prints the time per key event next to which
// the fcitx5 addon's own figure (logged when it unloads) can be read.
//   key_path_bench [REPEATS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "brisquel/FixCommand.h"
#include "spell/DictionarySpellChecker.h"

using namespace brisquel;

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::atoi(argv[1]) : 50;
  spell::DictionarySpellChecker checker;
  for (const char* language : {"en_US", "ru_RU"}) {
    checker.prepare(language);
    if (!checker.waitUntilReady(language, std::chrono::seconds(120))) {
      std::fprintf(stderr, "key_path_bench: no %s dictionary\n", language);
      return 1;
    }
  }
  cli::FixOptions options;
  options.keys = "en";
  options.layouts = {"en", "ru"};
  cli::FixSession session(options, checker);
  std::vector<double> times;
  session.recordDetectorTimes(&times);
  std::u16string line;
  for (int i = 0; i < repeats; ++i) line += u"yt we ";
  const auto result = session.typeLine(line);
  std::sort(times.begin(), times.end());
  if (times.empty()) return 1;
  std::printf("simulated desktop, %zu key events, field holds %zu corrections: median %.1f us, p99 %.1f us, max %.1f us\n",
              times.size(), result.corrections.size(), times[times.size() / 2] * 1e6,
              times[std::min(times.size() - 1, times.size() * 99 / 100)] * 1e6, times.back() * 1e6);
  return 0;
}
