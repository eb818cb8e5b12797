// SPDX-License-Identifier: MIT
#include <ostream>

#include "brisquel/Commands.h"

namespace brisquel::cli {

int versionInfoCommand(const std::vector<std::string>& args, Streams io) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    io.out << "usage: brisquel version\n  Prints the version.\n";
    return kExitOk;
  }
  if (!args.empty()) {
    io.err << "brisquel version: takes no arguments\n";
    return kExitUsage;
  }
  io.out << "brisquel " << kVersion << "\n";
  return kExitOk;
}

}  // namespace brisquel::cli
