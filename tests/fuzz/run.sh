#!/bin/sh
# Builds the fuzz targets with clang-14 and runs each for a bounded time (seconds, default
# 10; pass a larger number for a long run). The corpus grows in build/fuzz/corpus/<target>,
# seeded from tests/fuzz/seeds/<target>. A crash stops the script with the crashing input
# in build/fuzz/crashes/; keep it in tests/fuzz/regressions/<target>/ once fixed, where
# the unit tests replay it.
set -eu
cd "$(dirname "$0")/../.."
seconds=${1:-10}
. scripts/build-dirs.sh
build=$build_root/fuzz
CC=clang-14 CXX=clang++-14 cmake -S tests/fuzz -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j2 >/dev/null
mkdir -p "$build/crashes"
for target in lists proc_tables text_checks eeprom_dump probe_output storage messaging_text store_format web_form; do
  corpus=$build/corpus/$target
  mkdir -p "$corpus"
  "$build/fuzz_$target" -max_total_time="$seconds" -print_final_stats=0 \
    -artifact_prefix="$build/crashes/$target-" "$corpus" "tests/fuzz/seeds/$target" 2>"$build/$target.log" || {
    tail -n 30 "$build/$target.log" >&2
    echo "fuzz_$target: crash, input in $build/crashes/" >&2
    exit 1
  }
  # shellcheck disable=SC2012 # only counted; the names are hashes
  echo "fuzz_$target: ${seconds} s, corpus $(ls "$corpus" | wc -l) inputs," \
    "$(grep -o '^#[0-9]\+' "$build/$target.log" | tail -n 1 | tr -d '#') runs"
done
