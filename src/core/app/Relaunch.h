// SPDX-License-Identifier: MIT
#pragma once
// The child process that starts a fresh instance of the program: a shell
// that waits half a second (so this instance has ended) and then opens the
// bundle. The bundle path is handed to the shell as a positional parameter,
// never spliced into the command text, so quotes, dollar signs, backquotes,
// backslashes and spaces in it are taken literally.

#include <filesystem>
#include <string>
#include <vector>

namespace brisquel {

struct ChildCommand {
  std::string program;
  std::vector<std::string> arguments;
  friend bool operator==(const ChildCommand&, const ChildCommand&) = default;
};

inline constexpr const char* kRelaunchShell = "/bin/sh";
inline constexpr const char* kRelaunchScript = "sleep 0.5; open \"$1\"";

ChildCommand relaunchCommand(const std::filesystem::path& bundlePath);

}  // namespace brisquel
