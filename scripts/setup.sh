#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages the build, the tests and the dictionaries need
# (only those that are missing), then configures and builds one build tree.
#   scripts/setup.sh [BUILD_DIR] [extra cmake args...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  cmake ninja-build g++ pkg-config ccache python3
  libicu-dev libgtest-dev libgmock-dev googletest libbenchmark-dev
  libmarisa-dev
  clang libclang-rt-dev
  hunspell-en-us hunspell-ru hunspell-uk hunspell-he hunspell-ar hunspell-el
  # the desktop host (an fcitx5 addon) and its tests on a headless X server
  fcitx5 fcitx5-modules libfcitx5core-dev libfcitx5utils-dev fcitx5-modules-dev libxkbcommon-dev libxkbregistry-dev
  libwayland-dev
  xvfb dbus-daemon x11-utils xterm fcitx5-frontend-gtk3 libgtk-3-dev libx11-dev libxi-dev libxtst-dev
  strace util-linux  # a kill injected at a system call of a save; flock(1) holding the settings lock
  fcitx5-frontend-qt6 qt6-base-dev
  # more clients: GTK 4 and Qt 5 fields, X11 programs on sway
  fcitx5-frontend-gtk4 libgtk-4-dev fcitx5-frontend-qt5 qtbase5-dev xwayland qtwayland5
  # a client that offers no surrounding text and replays forwarded keys late
  chromium
  # the focused application on wlroots compositors, tested on headless sway
  sway foot
  # the Debian package (cpack: dpkg-shlibdeps, file), its checks, and
  # brisquel setup's tests (GNOME's settings through gsettings)
  dpkg-dev file lintian appstream libglib2.0-bin gsettings-desktop-schemas
  # the status item's images
  libcairo2-dev libpango1.0-dev librsvg2-dev fonts-dejavu-core
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}" >&2
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

[ $# -ge 1 ] || exit 0
build=$1
shift
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRISQUEL_WERROR=$werror "$@" >&2
cmake --build "$build" -j "$(nproc)" >&2
