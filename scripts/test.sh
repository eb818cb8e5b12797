#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets everything up and runs the whole test suite twice: an AddressSanitizer
# + UndefinedBehaviorSanitizer build with every optional adapter off (the core
# on the simulated desktop alone), and a normal build with everything on.
# Ends with CTest's summary and exits non-zero on any failure.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
export CCACHE_DIR=${CCACHE_DIR:-$here/build/.ccache}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

status=0
scripts/setup.sh build/asan -DBRISQUEL_SANITIZE=ON -DBRISQUEL_BENCH=OFF -DBRISQUEL_SPELL=OFF -DBRISQUEL_FCITX5=OFF || exit 1
echo "== tests under AddressSanitizer + UndefinedBehaviorSanitizer, optional adapters off"
ctest --test-dir build/asan --output-on-failure -j "$(nproc)" || status=1

scripts/setup.sh build/release || exit 1
echo "== tests (release build)"
ctest --test-dir build/release --output-on-failure -j "$(nproc)" || status=1

# The fuzz targets, built with clang in a tree of their own, each run for a bounded number of inputs.
echo "== fuzz targets (bounded runs)"
scripts/fuzz.sh --bounded || status=1
exit $status
