#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) in build/fuzz and runs them.
#   scripts/fuzz.sh --bounded        each target over its seeds plus 20000 new inputs (what CTest runs)
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#                                    each target (default: all) for SECONDS (default 600), new
#                                    inputs kept in build/fuzz/fuzz/work, crashes in build/fuzz/fuzz
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
build=build/fuzz
targets=(fuzz_settings_file fuzz_list_files fuzz_press_arguments fuzz_named_keys fuzz_setup_files fuzz_conversion)

export CCACHE_DIR=${CCACHE_DIR:-$here/build/.ccache}
scripts/setup.sh >&2  # packages only
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
        -DBRISQUEL_FUZZ=ON -DBRISQUEL_TESTS=OFF -DBRISQUEL_BENCH=OFF >&2
fi
# The desktop host's key conversion and its D-Bus methods when the fcitx5 headers are there.
grep -q '^BRISQUEL_FCITX5:BOOL=ON' "$build/CMakeCache.txt" && targets+=(fuzz_key_mapping fuzz_status_item)
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}" >&2

if [ "${1:-}" = "--bounded" ]; then
  exec ctest --test-dir "$build" -L fuzz --output-on-failure
fi

seconds=${1:-600}
shift || true
[ $# -gt 0 ] && targets=("$@")
status=0
for t in "${targets[@]}"; do
  mkdir -p "$build/fuzz/work/$t"
  echo "== $t for ${seconds}s"
  log="$build/fuzz/$t.log"
  "$build/fuzz/$t" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$build/fuzz/" \
    "$build/fuzz/work/$t" "fuzz/corpus/$t" >"$log" 2>&1 || status=1
  grep -E "^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss|==[0-9]+==ERROR|SUMMARY|.*property failed)" "$log" || true
done
exit $status
