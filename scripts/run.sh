#!/usr/bin/env bash
# Sets everything up, builds, and runs brisquel. With no arguments it shows
# its main job on the simulated desktop; otherwise the arguments go to brisquel.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
export CCACHE_DIR=${CCACHE_DIR:-$here/build/.ccache}
scripts/setup.sh build/release
bin=build/release/src/brisquel
if [ $# -gt 0 ]; then
  exec "$bin" "$@"
fi
"$bin" --help
