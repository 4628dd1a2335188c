#!/usr/bin/env bash
# Start-up of the Windows build under Wine: process start to the welcome screen shown
# (with the draft of a full plan to continue), against a bare Qt window built the same
# way (bench/probe_bare.cpp), on the windows platform on a virtual display. Runs go
# in pairs, bare then Планиум, and the median of the pairs' ratios is reported, so
# that a busy moment of the machine weighs on both sides of one pair.
# Usage: bench/startup-wine.sh BUILD QT [PAIRS]   (scripts/windows.sh bench runs it)
set -euo pipefail
build=$(cd "$1" && pwd)
qt=$2
pairs=${3:-15}
probe=$build/tests/windows/probe_startup.exe
bare_probe=$build/tests/windows/probe_bare.exe
work=$build/wine-bench
rm -rf "$work"
mkdir -p "$work/home"
winpath() { printf 'Z:%s' "${1//\//\\}"; }

display=${PLANIUM_TEST_DISPLAY:-170}
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1920x1080x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
trap 'WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true; wait $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
export DISPLAY=:$display HOME=$work/home WINEDEBUG=-all WINEPREFIX=$work/prefix
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8
export WINEPATH="$(winpath "$qt/bin");$(winpath "$runtime");$(winpath /usr/x86_64-w64-mingw32/lib)"
wine wineboot -i >"$work/wineboot.log" 2>&1
wine winecfg /v win10 >>"$work/wineboot.log" 2>&1
wineserver -w
wineserver -p # kept running between the runs, as Windows' own services are
wine "$probe" --make-draft >/dev/null 2>&1
wine "$bare_probe" >/dev/null 2>&1 # the file cache warmed
wine "$probe" >/dev/null 2>&1

run_ms() {
  local start end
  start=$(date +%s%N)
  wine "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}
bare=() planium=() ratios=()
for _ in $(seq "$pairs"); do
  a=$(run_ms "$bare_probe")
  b=$(run_ms "$probe")
  bare+=("$a") planium+=("$b")
  ratios+=("$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.3f", b / a }')")
done
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo "bare Qt window:  $(median "${bare[@]}") ms (median of $pairs, under Wine)"
echo "welcome screen:  $(median "${planium[@]}") ms (median of $pairs, a full draft to continue)"
echo "ratio:           $(median "${ratios[@]}") (median of the pairs' ratios; goal <= 1.15)"
