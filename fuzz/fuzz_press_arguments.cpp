// SPDX-License-Identifier: MIT
// brisquel press on any arguments (the bytes split at NUL into arguments
// after "--app com.apple.TextEdit"): the chord parser and the --set options
// never crash, answer 0 or 2, and print an error for every refusal.
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "brisquel/Cli.h"

using namespace brisquel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 256) return 0;  // a few chords are enough; each accepted one runs the program
  std::vector<std::string> args = {"press", "--app", "com.apple.TextEdit"};
  std::string current;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.push_back(current);
      current.clear();
    } else {
      current += static_cast<char>(data[i]);
    }
  }
  args.push_back(current);
  if (args.size() > 12) return 0;
  std::istringstream in;
  std::ostringstream out, err;
  const int status = cli::run(args, cli::Streams{in, out, err});
  FUZZ_CHECK(status == cli::kExitOk || status == cli::kExitUsage);
  if (status == cli::kExitUsage) FUZZ_CHECK(!err.str().empty() && out.str().empty());
  return 0;
}
