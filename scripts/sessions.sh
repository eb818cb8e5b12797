#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Randomized typing sessions on the simulated desktop, longer than the CTest
# entry: sessions from a first seed until a number of events has been typed,
# with the words of the shared corpus (BRISQUEL_SHARED_DIR, default ../shared).
#   scripts/sessions.sh [EVENTS] [FIRST_SEED] [BUILD_DIR]   (defaults: 1000000, 100000, build/release)
# A failing seed prints its smallest failing session as `brisquel fix --named-keys` input.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
build=${3:-build/release}
[ -f "$build/CMakeCache.txt" ] || scripts/setup.sh "$build"
cmake --build "$build" -j "$(nproc)" --target test_typo brisquel >&2
home="$here/$build/test-home"  # as CTest runs the tests
export XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_CACHE_HOME=$home/cache HOME=$home LANG=ru_RU.UTF-8
export BRISQUEL_SHARED_DIR=${BRISQUEL_SHARED_DIR:-$here/../shared}
export BRISQUEL_SESSION_EVENTS=${1:-1000000} BRISQUEL_SESSION_FIRST_SEED=${2:-100000}
exec "$build/tests/test_typo" --gtest_filter='TypingSessions.*'
