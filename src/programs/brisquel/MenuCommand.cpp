// SPDX-License-Identifier: MIT
// brisquel menu: the status menu as the program builds it from the settings,
// one row per line.
#include <algorithm>
#include <ostream>

#include "brisquel/Commands.h"
#include "brisquel/SettingArguments.h"
#include "brisquel/SettingsFiles.h"
#include "l10n/L10n.h"
#include "menu/MenuPrinter.h"
#include "posix/Environment.h"
#include "settings/SettingsHelper.h"
#include "sim/SimDesktop.h"
#include "sim/SimWorkspace.h"
#include "simprogram/SimProgram.h"

namespace brisquel::cli {
namespace {

constexpr const char* kMenuUsage =
    "usage: brisquel menu [--lang CODE] [--set KEY=VALUE]...\n"
    "  Prints the status menu as the program builds it from your settings (and\n"
    "  each --set applied over them, as brisquel press takes it), one row per line.\n"
    "  --lang CODE  the interface language (en, ru, uk, he, ar, el) instead of\n"
    "               the preferred languages\n";

// The settings the menu shows.
constexpr const char* kMenuKeys[] = {
    SettingsHelper::indexHotKey,
    SettingsHelper::enableAutostart,
    SettingsHelper::enableTypoDetector,
    SettingsHelper::winEditHotKeys,
    SettingsHelper::enableShowLayoutInTray,
    SettingsHelper::enableFnShortcut,
    SettingsHelper::quitClosesWindowsEnabled,
    SettingsHelper::enableCtrlShortcut,
};

}  // namespace

int menuCommand(const std::vector<std::string>& args, Streams io) {
  SettingArguments overrides;
  std::optional<std::string> language;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      io.out << kMenuUsage;
      return kExitOk;
    }
    if ((arg == "--lang" || arg == "--set") && i + 1 == args.size()) {
      io.err << "brisquel menu: " << arg << " needs a value\n" << kMenuUsage;
      return kExitUsage;
    }
    if (arg == "--lang") {
      language = args[++i];
      const auto& codes = L10n::kLanguages;
      if (std::find(codes.begin(), codes.end(), *language) == codes.end()) {
        io.err << "brisquel menu: unknown language '" << *language << "' (en, ru, uk, he, ar, el)\n";
        return kExitUsage;
      }
    } else if (arg == "--set") {
      std::string error;
      if (!overrides.add(args[++i], error)) {
        io.err << "brisquel menu: " << error << "\n";
        return kExitUsage;
      }
    } else {
      io.err << "brisquel menu: unknown argument '" << arg << "'\n" << kMenuUsage;
      return kExitUsage;
    }
  }

  SimProgramOptions options;
  {
    const auto stored = openSettingsStore("menu", io.err);
    for (const char* key : kMenuKeys) {
      if (auto value = stored->object(key)) options.storedDefaults.emplace_back(key, *value);
    }
  }
  for (const auto& value : overrides.values()) options.storedDefaults.push_back(value);

  sim::Desktop desktop;
  desktop.enableLayouts({"en", "ru"});
  desktop.setPreferredLanguages(language ? std::vector<std::string>{*language} : posix::preferredLanguages());
  if (language) L10n::setCurrentForTesting(*language);
  SimProgram program(desktop, options);
  program.launch();
  auto menu = desktop.statusItemMenu();
  if (!menu) {
    io.err << "brisquel menu: the program attached no menu\n";
    return kExitFailure;
  }
  io.out << formatMenuTree(*menu, sim::macOSTarget);
  return kExitOk;
}

}  // namespace brisquel::cli
