#!/usr/bin/env bash
# Builds the number-rules fuzzer with clang and runs it for the given seconds
# (default 60). Usage: scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build=build/fuzz
CXX=clang++ cmake -S fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp fuzz/corpus/* "$work/"
"$build/fuzz_number_rules" -max_total_time="$seconds" -max_len=64 -print_final_stats=0 "$work" 2>&1 | tail -n 3
