#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets everything up, builds, and runs brisquel. With arguments, they go to
# brisquel (for example: scripts/run.sh fix --layouts en,uk). Without, it
# shows the main job on the simulated desktop: text typed in the wrong
# layout comes out corrected, and Control shortcuts act as Command ones;
# then the same on the real stack in a private headless session (fcitx5 and
# a GTK application under Xvfb), leaving your own desktop alone.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
export CCACHE_DIR=${CCACHE_DIR:-$here/build/.ccache}
scripts/setup.sh build/release
bin=build/release/src/brisquel
if [ $# -gt 0 ]; then
  exec "$bin" "$@"
fi

show() {
  printf '\n$ %s\n' "$*"
}
show 'echo "ghbdtn vbh" | brisquel fix'
echo "ghbdtn vbh" | "$bin" fix
show 'echo "Ntcn yf heccrjv" | brisquel fix'
echo "Ntcn yf heccrjv" | "$bin" fix
show 'echo "руддщ цщкдв" | brisquel fix --active ru'
echo "руддщ цщкдв" | "$bin" fix --active ru
show 'echo "ghbdsn" | brisquel fix --layouts en,uk'
echo "ghbdsn" | "$bin" fix --layouts en,uk
show 'brisquel press --app com.apple.TextEdit ctrl+c ctrl+shift+z ctrl+y'
"$bin" press --app com.apple.TextEdit ctrl+c ctrl+shift+z ctrl+y
show 'brisquel press --app com.apple.Terminal ctrl+c ctrl+v ctrl+f'
"$bin" press --app com.apple.Terminal ctrl+c ctrl+v ctrl+f
show 'brisquel convert ghbdtn'
"$bin" convert ghbdtn

printf '\n--- The real stack, headless: Xvfb, fcitx5 with the Brisquel addon, a GTK 3 application ---\n'
tests/programs/fcitx5-addon/desktop/desktop-session.sh build/release demo || true
printf '\nMore: %s --help\n' "$bin"
