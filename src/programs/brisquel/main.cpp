// SPDX-License-Identifier: MIT
// The brisquel program: the composition root.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "brisquel/Cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  brisquel::cli::Streams io{std::cin, std::cout, std::cerr, isatty(STDERR_FILENO) == 1};
  return brisquel::cli::run(args, io);
}
