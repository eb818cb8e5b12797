// SPDX-License-Identifier: MIT
#pragma once
// A desktop notification from a command (freedesktop Notifications on the
// session bus), for commands started without a terminal.

#include <string>

namespace brisquel::cli {

// False when there is no bus or no notification server answering.
bool notifyDesktop(const std::string& title, const std::string& body);

}  // namespace brisquel::cli
