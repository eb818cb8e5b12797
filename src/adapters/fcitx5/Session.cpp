// SPDX-License-Identifier: MIT
#include "fcitx5/Session.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace brisquel::fcitx5 {
namespace {

constexpr std::array<std::string_view, 22> kTerminals = {
    "xterm",          "uxterm",        "gnome-terminal-server", "org.gnome.terminal", "kgx",
    "org.gnome.console", "konsole",    "org.kde.konsole",       "kitty",              "alacritty",
    "foot",           "footclient",    "wezterm-gui",           "org.wezfurlong.wezterm", "xfce4-terminal",
    "terminator",     "tilix",         "st",                    "urxvt",              "lxterminal",
    "mate-terminal",  "qterminal",
};

}  // namespace

Session::Client Session::clientOf(const fcitx::InputContext& ic) {
  Client client;
  const std::string_view frontend = ic.frontend();
  client.dbus = frontend == "dbus";
  client.ibus = frontend == "ibus";
  // The names on the list are ASCII and lower case.
  const std::string_view program = ic.program();
  client.listedTerminal = std::any_of(kTerminals.begin(), kTerminals.end(), [program](std::string_view terminal) {
    return terminal.size() == program.size() &&
           std::equal(terminal.begin(), terminal.end(), program.begin(), [](char a, char b) {
             return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b);
           });
  });
  return client;
}

}  // namespace brisquel::fcitx5
