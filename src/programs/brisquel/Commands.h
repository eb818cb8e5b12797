// SPDX-License-Identifier: MIT
#pragma once
// The table of commands. Add a command by declaring its function here and
// adding one row to commandTable().

#include <map>
#include <string>
#include <vector>

#include "brisquel/Cli.h"

namespace brisquel::cli {

inline constexpr const char* kVersion = "1.01";

using CommandFn = int (*)(const std::vector<std::string>& args, Streams io);

int versionInfoCommand(const std::vector<std::string>& args, Streams io);
int convertCommand(const std::vector<std::string>& args, Streams io);
int pressCommand(const std::vector<std::string>& args, Streams io);
int menuCommand(const std::vector<std::string>& args, Streams io);
int listsCommand(const std::vector<std::string>& args, Streams io);
int fixCommand(const std::vector<std::string>& args, Streams io);
int statusCommand(const std::vector<std::string>& args, Streams io);
int setupCommand(const std::vector<std::string>& args, Streams io);

template <typename Command>
std::map<std::string, Command> commandTable() {
  return {
      {"version", {"print the version", &versionInfoCommand}},
      {"convert", {"convert text to the other keyboard layout", &convertCommand}},
      {"press", {"what a key chord does in an application", &pressCommand}},
      {"menu", {"print the status menu as built from the settings", &menuCommand}},
      {"lists", {"show or open the user list files", &listsCommand}},
      {"fix", {"type text into a text field with the typo detector on", &fixCommand}},
      {"status", {"whether Brisquel runs in this desktop session, and what to fix", &statusCommand}},
      {"setup", {"make fcitx5 with Brisquel your input method, with your layouts", &setupCommand}},
  };
}

}  // namespace brisquel::cli
