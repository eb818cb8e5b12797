// SPDX-License-Identifier: MIT
#pragma once
// The brisquel command line run in-process, as a user runs it.

#include <sstream>
#include <string>
#include <vector>

#include "brisquel/Cli.h"

namespace brisquel::testing {

struct CliResult {
  int status;
  std::string out;
  std::string err;
};

inline CliResult runCli(const std::vector<std::string>& args, const std::string& input = {}) {
  std::istringstream in(input);
  std::ostringstream out, err;
  const int status = cli::run(args, cli::Streams{in, out, err});
  return {status, out.str(), err.str()};
}

}  // namespace brisquel::testing
