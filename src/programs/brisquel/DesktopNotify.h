// SPDX-License-Identifier: MIT
#pragma once
// A desktop notification from a command (freedesktop Notifications on the
// session bus), for commands started without a terminal; and a running
// fcitx5 told of a changed profile, which it would otherwise overwrite with
// the group it holds when it exits.

#include <string>
#include <utility>
#include <vector>

namespace brisquel::cli {

// False when there is no bus or no notification server answering.
bool notifyDesktop(const std::string& title, const std::string& body);

// Gives the fcitx5 running in this session the group (its controller's
// SetInputMethodGroupInfo) and has it read its settings file again; false
// when no fcitx5 runs (nothing is started) or it did not take them.
bool updateRunningFcitx5(const std::string& group, const std::string& defaultLayout,
                         const std::vector<std::pair<std::string, std::string>>& items);

}  // namespace brisquel::cli
