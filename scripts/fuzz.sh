#!/usr/bin/env bash
# Builds the fuzzers with clang's libFuzzer and runs one of them for the given
# seconds (default 60). Usage: scripts/fuzz.sh [seconds] [number_rules|xlsx_writer]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
target="${2:-number_rules}"
build=build/fuzz
CXX=clang++ cmake -S fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target "fuzz_$target" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
case "$target" in
  number_rules) cp fuzz/corpus/* "$work/"; max_len=64 ;;
  xlsx_writer) max_len=512 ;;
  *) echo "no fuzzer $target" >&2; exit 2 ;;
esac
"$build/fuzz_$target" -max_total_time="$seconds" -max_len="$max_len" -print_final_stats=0 \
  -artifact_prefix="$build/" "$work" 2>&1 | tail -n 3
