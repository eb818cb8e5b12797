// SPDX-License-Identifier: MIT
#pragma once
// The settings as the commands that read the person's real files open them:
// the store in the XDG config folder, and what it had to do with a damaged
// or unreadable file said once on standard error.

#include <memory>
#include <ostream>
#include <string>

#include "posix/XdgDefaultsStore.h"
#include "settings/SettingsHelper.h"

namespace brisquel::cli {

std::unique_ptr<posix::XdgDefaultsStore> openSettingsStore(const std::string& command, std::ostream& err);

// Prints the settings object's notices about the list files, one a line.
SettingsHelper::Notify printNotices(const std::string& command, std::ostream& err);

}  // namespace brisquel::cli
