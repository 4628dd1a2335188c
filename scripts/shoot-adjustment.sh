#!/usr/bin/env bash
# Photographs the adjustment screen after a whole plan and a generation, as the
# test driver plugin types it into the real program, on a display of its own
# (Xvfb with openbox) at each desktop size and scale given.
# Usage: scripts/shoot-adjustment.sh [build folder] [out folder] [WxH@scale ...]
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(realpath "${1:-build/ci}")"
out="$(realpath -m "${2:-build/shots}")"
shift 2 || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1366x768@1 1366x768@2 1920x1080@1 1920x1080@2)
mkdir -p "$out"
for size in "${sizes[@]}"; do
  geometry=${size%@*}
  scale=${size#*@}
  work=$(mktemp -d)
  display=:$((90 + RANDOM % 100))
  Xvfb "$display" -screen 0 "${geometry}x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  sleep 1
  DISPLAY=$display openbox >/dev/null 2>&1 &
  wm=$!
  sleep 1
  env -i PATH="$PATH" HOME="$work" TMPDIR="$work" LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 DISPLAY="$display" \
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$scale" QT_PLUGIN_PATH="$build/tests/plugins" \
    QT_QPA_GENERIC_PLUGINS=plandriver PLANIUM_DRIVER_REPORT="$work/report.json" \
    PLANIUM_DRIVER_SHOT="$out/form9-${geometry}-${scale}x.png" timeout 120 "$build/src/planium" >/dev/null 2>&1 || true
  kill "$wm" "$xvfb" 2>/dev/null || true
  wait "$wm" "$xvfb" 2>/dev/null || true
  rm -rf "$work"
  echo "$out/form9-${geometry}-${scale}x.png $(tr -d ' \n' < "$out/form9-${geometry}-${scale}x.png.json" 2>/dev/null)"
done
