// SPDX-License-Identifier: MIT
#pragma once
// Opening a document with the user's default application on a free desktop
// (xdg-open), for the command-line tools.

#include <filesystem>
#include <string>

namespace brisquel::posix {

struct OpenResult {
  bool opened = false;
  std::string problem;  // why not, for the user
};

// Runs `xdg-open PATH` and waits for it. Only inside a graphical session:
// without one xdg-open may fall back to a program in the terminal.
OpenResult openWithDefaultApplication(const std::filesystem::path& path);

}  // namespace brisquel::posix
