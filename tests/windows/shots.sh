#!/usr/bin/env bash
# Screenshots of three screens of the installed program under Wine (welcome, the
# record editor, the adjustment screen), at 100 % on a 1366×768 desktop and at 200 %
# on a 3840×2160 one, each in a Wine virtual desktop, which frames windows as Windows
# does: docs/windows-<screen>-100.png and -200.png.
# Usage: tests/windows/shots.sh BUILD INSTALLER QT   (as scripts/windows.sh shots calls it)
set -euo pipefail
build=$(cd "$1" && pwd)
installer=$2
qt=$3
project=$(cd "$(dirname "$0")/../.." && pwd)
work=$build/wine-shots
rm -rf "$work"
mkdir -p "$work/home"
winpath() { printf 'Z:%s' "${1//\//\\}"; }

display=${PLANIUM_TEST_DISPLAY:-160}
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 3840x2160x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
trap 'WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true; wait $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

export DISPLAY=:$display HOME=$work/home WINEDEBUG=-all WINEPREFIX=$work/prefix USER=Иванова
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8
wine wineboot -i >"$work/wineboot.log" 2>&1
wine winecfg /v win10 >>"$work/wineboot.log" 2>&1
wine "$installer" /S
wineserver -w
program="C:\\users\\$USER\\AppData\\Local\\Programs\\Планиум\\planium.exe"

# PLANIUM_SHOT_SCALES="125 150" looks at the scalings between as well.
for scale in ${PLANIUM_SHOT_SCALES:-100 200}; do
  case $scale in
    100) size=1366x768 dpi=96 ;;
    125) size=1920x1080 dpi=120 ;;
    150) size=1920x1080 dpi=144 ;;
    200) size=3840x2160 dpi=192 ;;
  esac
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Planium /f >/dev/null
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Planium /d "$size" /f >/dev/null
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null
  wine reg add 'HKCU\Software\Wine\Fonts' /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null
  wineserver -w
  mkdir -p "$work/$scale"
  rm -rf "$WINEPREFIX/drive_c/users/$USER/AppData/Local/planium" # each scale from a fresh start
  # Qt's own variables reach a Windows program only through the registry.
  wine reg add 'HKCU\Environment' /v QT_PLUGIN_PATH /d "$(winpath "$build/tests/plugins")" /f >/dev/null
  wine reg add 'HKCU\Environment' /v QT_QPA_GENERIC_PLUGINS /d plandriver /f >/dev/null
  WINEPATH=$(winpath "$qt/bin") \
    PLANIUM_DRIVER_REPORT=$(winpath "$work/report-$scale.json") PLANIUM_DRIVER_SHOTS=$(winpath "$work/$scale") \
    timeout 300 wine "$program" >"$work/program-$scale.log" 2>&1 || true
  wineserver -w
  for screen in welcome services adjustment; do
    if [ -f "$work/$scale/$screen.png" ]; then
      cp "$work/$scale/$screen.png" "$project/docs/windows-$screen-$scale.png"
      echo "docs/windows-$screen-$scale.png"
    else
      echo "no screenshot of $screen at $scale %" >&2
      exit 1
    fi
  done
done
