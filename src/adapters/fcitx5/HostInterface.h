// SPDX-License-Identifier: MIT
#pragma once
// The host's own small D-Bus interface, exported on fcitx5's connection, so
// that `brisquel status` can ask the running host what it sees instead of
// guessing from processes. Plain constants: the command line uses them
// without linking fcitx5's core.

namespace brisquel::fcitx5::host {

inline constexpr const char* kBusName = "org.fcitx.Fcitx5";  // fcitx5's own name: the host has no other
inline constexpr const char* kPath = "/com/mebrun/velmonte/Host";
inline constexpr const char* kInterface = "com.mebrun.velmonte.Host1";
// GetStatus() -> (s version, as layouts, s current layout, as frontends):
// the keyboard layouts of the current group in order, the current one ("" when
// none), and the fcitx5 frontends input contexts have come from ("dbus" for
// the GTK and Qt modules, "xim", "wayland", ...).
inline constexpr const char* kGetStatus = "GetStatus";

}  // namespace brisquel::fcitx5::host

namespace brisquel::fcitx5::host {

// Who names the focused application where fcitx5 names no program:
// FocusSource() -> (s) the compositor protocol or desktop helper in use, ""
// when none. FocusChanged(s source, s application id) is how desktops
// without a protocol for it tell (the GNOME Shell extension, the KWin script).
inline constexpr const char* kFocusPath = "/com/mebrun/velmonte/Focus";
inline constexpr const char* kFocusInterface = "com.mebrun.velmonte.Focus1";
inline constexpr const char* kFocusSource = "FocusSource";
inline constexpr const char* kFocusChanged = "FocusChanged";

}  // namespace brisquel::fcitx5::host
