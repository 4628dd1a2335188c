#!/usr/bin/env bash
# Start-up time: process start to the welcome screen shown, against a bare Qt
# window program measured in the same run. Usage: bench/startup.sh [build dir] [runs]
set -euo pipefail
build="${1:-build/default}"
runs="${2:-30}"
probe="$build/bench/probe_startup"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
# The welcome screen as it starts most days: with the draft of a full plan to continue.
XDG_DATA_HOME="$(mktemp -d)"
export XDG_DATA_HOME
trap 'rm -rf "$XDG_DATA_HOME"' EXIT
"$probe" --make-draft >/dev/null 2>&1
measure() {
  local best=999999
  for _ in $(seq "$runs"); do
    local start end ms
    start=$(date +%s%N)
    "$probe" "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000 ))
    (( ms < best )) && best=$ms
  done
  echo "$best"
}
"$probe" --bare >/dev/null 2>&1 # warm the file cache
bare=$(measure --bare)
planium=$(measure)
echo "bare Qt window:  ${bare} us (best of $runs)"
echo "welcome screen:  ${planium} us (best of $runs, a full draft to continue)"
awk -v a="$planium" -v b="$bare" 'BEGIN { printf "ratio:           %.2f (goal <= 1.15)\n", a / b }'
