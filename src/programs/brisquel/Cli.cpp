// SPDX-License-Identifier: MIT
#include "brisquel/Cli.h"

#include <functional>
#include <iostream>
#include <map>

#include "brisquel/Commands.h"

namespace brisquel::cli {
namespace {

constexpr const char* kUsage =
    "usage: brisquel [--help | --version]\n"
    "       brisquel <command> [options] [args...]\n"
    "\n"
    "Brisquel is a keyboard-layout companion: a layout-switch hotkey, per-application\n"
    "layouts, automatic correction of words typed in the wrong layout, and Control/Fn\n"
    "editing shortcuts. On a Linux desktop it runs inside fcitx5; `brisquel status`\n"
#if BRISQUEL_HAVE_FCITX5
    "(or `brisquel` alone) "
#endif
    "says whether it runs in this session. The other commands\n"
    "run it on a simulated desktop.\n"
    "\n"
    "commands:\n";

struct Command {
  const char* summary;
  CommandFn fn;
};

const std::map<std::string, Command>& commands() {
  static const std::map<std::string, Command> table = commandTable<Command>();
  return table;
}

void printUsage(std::ostream& os) {
  os << kUsage;
  for (const auto& [name, cmd] : commands()) os << "  " << name << std::string(10 - std::min<size_t>(9, name.size()), ' ') << cmd.summary << "\n";
  os << "\n  --help     print this help\n  --version  print the version\n";
}

}  // namespace

int run(const std::vector<std::string>& args, Streams io) {
#if BRISQUEL_HAVE_FCITX5
  if (args.empty()) return statusCommand(args, io);
#endif
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    printUsage(io.out);
    return kExitOk;
  }
  if (args[0] == "--version") {
    io.out << "brisquel " << kVersion << "\n";
    return kExitOk;
  }
  auto it = commands().find(args[0]);
  if (it == commands().end()) {
    io.err << "brisquel: unknown " << (args[0].starts_with("-") ? "option" : "command") << " '" << args[0] << "'\n";
    printUsage(io.err);
    return kExitUsage;
  }
  return it->second.fn(std::vector<std::string>(args.begin() + 1, args.end()), io);
}

}  // namespace brisquel::cli
