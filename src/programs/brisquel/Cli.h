// SPDX-License-Identifier: MIT
#pragma once
// The brisquel command line: each command is a function from its arguments
// to an exit status; output goes to the given streams.

#include <iosfwd>
#include <string>
#include <vector>

namespace brisquel::cli {

struct Streams {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  bool errIsTerminal = false;
};

int run(const std::vector<std::string>& args, Streams io);

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

}  // namespace brisquel::cli
