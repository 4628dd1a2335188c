#!/usr/bin/env bash
# Планиум for Windows under Wine, on a virtual display (Xvfb), each part timed:
#   1. the Qt-only tests (state, calc, workbook, screens, wizard), cross-built, run by
#      ctest through Wine on the offscreen platform, in a fresh Windows 10 prefix;
#   2. the installer, silently, into a fresh Windows 10 prefix under a Russian regional
#      setting and a user whose name is Cyrillic;
#   3. the installed program driven through a whole plan with kopecks and two services
#      by the plan driver plugin: both workbooks must be, byte for byte (the time in
#      the page header and the file's creation time aside), the Debian program's for
#      the same plan; then again with the program opening them itself, which a fresh
#      prefix cannot: the notice must say so and give the path;
#   4. the program killed on an expense page and the draft continued;
#   5. the uninstaller, silently: the program, its menu entry and its entry among the
#      installed applications gone, the plans and the draft kept.
# Usage: tests/windows/run.sh BUILD INSTALLER QT   (as scripts/windows.sh test calls it)
set -euo pipefail
build=$(cd "$1" && pwd)
installer=$2
qt=$3
project=$(cd "$(dirname "$0")/../.." && pwd)
work=$build/wine
rm -rf "$work"
mkdir -p "$work/home"
started=$SECONDS
failures=0
debian_report=/nonexistent
timings=()

say() { echo "== [$((SECONDS - started)) s] $*"; }
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
timed() {
  local name=$1 began=$SECONDS
  shift
  "$@"
  timings+=("$name: $((SECONDS - began)) s")
}
# A Unix path as Windows programs under Wine see it (the whole file system is Z:).
winpath() { printf 'Z:%s' "${1//\//\\}"; }
# Wine hands a Windows program every variable of the Unix environment except Qt's own
# (QT_*, meant for the Linux Qt): those are set as the user's environment in the registry.
qt_env() {
  if [ -n "$2" ]; then
    wine reg add 'HKCU\Environment' /v "$1" /d "$2" /f >/dev/null 2>&1
  else
    wine reg delete 'HKCU\Environment' /v "$1" /f >/dev/null 2>&1 || true
  fi
}

# --- the display, Wine ---------------------------------------------------------------

display=${PLANIUM_TEST_DISPLAY:-150}
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1920x1080x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
cleanup() {
  for prefix in "$work"/prefix-*; do
    [ -d "$prefix" ] && WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  done
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

export DISPLAY=:$display
export HOME=$work/home
export WINEDEBUG=-all
# No Mono or Gecko installers, no menu entries on the host's desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8
unset LANGUAGE

# A fresh prefix that says it is Windows 10 (Qt 6 needs it; Wine 8 starts as Windows 7).
new_prefix() {
  export WINEPREFIX=$work/prefix-$1
  wine wineboot -i >"$work/wineboot-$1.log" 2>&1
  wine winecfg /v win10 >>"$work/wineboot-$1.log" 2>&1
  wineserver -w
  local version
  version=$(wine cmd /c ver 2>/dev/null | tr -d '\r' | grep -o '[0-9.]\+' | head -n 1 || true)
  case "$version" in
    10.*) ;;
    *) fail "the prefix $1 reports Windows $version, not 10" ;;
  esac
}

# --- 1. the tests --------------------------------------------------------------------

unit_tests() {
  say "the tests under Wine"
  new_prefix tests
  local runtime
  runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
  # Qt's libraries and the MinGW runtime on the path, Qt's Russian texts where Qt looks for
  # them, the fonts the offscreen platform draws with.
  mkdir -p "$qt/translations"
  cp /usr/share/qt6/translations/qtbase_ru.qm "$qt/translations/"
  qt_env QT_QPA_PLATFORM offscreen
  qt_env QT_FORCE_STDERR_LOGGING 1 # the tests' output on the console, not the debugger's
  qt_env QT_QPA_FONTDIR "$(winpath /usr/share/fonts/truetype/liberation2)"
  WINEPATH="$(winpath "$qt/bin");$(winpath "$runtime");$(winpath /usr/x86_64-w64-mingw32/lib)" \
    PLANIUM_WALK_SECONDS=${PLANIUM_WALK_SECONDS:-60} \
    ctest --test-dir "$build" -j "$(nproc)" --output-on-failure --timeout 900 >"$work/ctest.log" 2>&1 ||
    fail "tests under Wine (see $work/ctest.log)"
  grep -E '^[0-9]+% tests passed|tests failed' "$work/ctest.log" || true
  grep -E '\*\*\*Failed|Not Run|Timeout|SKIP' "$work/ctest.log" | head -n 40 || true
  wineserver -k || true
}

# --- 2. the installer ----------------------------------------------------------------

# A user whose name, and so every folder of theirs, is Cyrillic.
export USER=Иванова
profile() { echo "$WINEPREFIX/drive_c/users/$USER"; }
instdir() { echo "$(profile)/AppData/Local/Programs/Планиум"; }
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Planium'

install() {
  say "installing silently"
  new_prefix user
  local began
  began=$(date +%s%N)
  wine "$installer" /S
  wineserver -w
  install_ms=$((($(date +%s%N) - began) / 1000000))
  say "installed in $install_ms ms"
  local dir
  dir=$(instdir)
  for f in planium.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll plugins/platforms/qwindows.dll \
    plugins/styles/qwindowsvistastyle.dll translations/qtbase_ru.qm qt.conf uninstall.exe; do
    [ -f "$dir/$f" ] || fail "not installed: $f"
  done
  # The executable carries the icon every window and the Start menu take, and its version.
  wrestool -l --type=14 "$dir/planium.exe" 2>/dev/null | grep -q . || fail "planium.exe has no icon"
  wrestool -l --type=16 "$dir/planium.exe" 2>/dev/null | grep -q . || fail "planium.exe has no version"
  [ -f "$(profile)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Планиум.lnk" ] ||
    fail "no Start-menu entry"
  # The entry among the installed applications, exported as a .reg file (UTF-16).
  local key
  wine reg export "$uninstall_key" "$(winpath "$work/uninstall.reg")" /y >/dev/null 2>&1 || true
  key=$(iconv -f utf-16 -t utf-8 "$work/uninstall.reg" 2>/dev/null | tr -d '\r' || true)
  grep -qx '"DisplayName"="Планиум"' <<<"$key" || fail "not among the installed applications: $key"
  grep -qF '"QuietUninstallString"="\"C:\\users\\Иванова\\AppData\\Local\\Programs\\Планиум\\uninstall.exe\" /S"' <<<"$key" ||
    fail "no silent uninstall: $key"
}

# --- 3. a whole plan -----------------------------------------------------------------

# Runs a program with a driver plugin; the report lands in $report.
drive() {
  local plugin=$1 exe=$2
  shift 2
  report=$work/report-$RANDOM.json
  qt_env QT_PLUGIN_PATH "$(winpath "$build/tests/plugins")"
  qt_env QT_QPA_GENERIC_PLUGINS "$plugin"
  WINEPATH="$(winpath "$qt/bin")" PLANIUM_DRIVER_REPORT=$(winpath "$report") \
    env "$@" timeout 300 wine "$exe" >>"$work/program.log" 2>&1 || true
  wineserver -w
  qt_env QT_QPA_GENERIC_PLUGINS ""
  qt_env QT_PLUGIN_PATH ""
}

# A Windows path of the prefix as a Unix one.
unixpath() {
  local p=${1//\\//}
  case "$p" in
    [Cc]:/*) echo "$WINEPREFIX/drive_c/${p:3}" ;;
    [Zz]:/*) echo "${p:2}" ;;
    *) echo "$p" ;;
  esac
}

# The parts of a workbook, with the two times that differ between any two runs masked.
unpack() {
  rm -rf "$2"
  mkdir -p "$2"
  unzip -q "$1" -d "$2"
  sed -i -E 's/&amp;R[0-9]{2}\.[0-9]{2}\.[0-9]{4} [0-9]{2}:[0-9]{2}/\&amp;Rtime/' "$2/xl/worksheets/sheet1.xml"
  sed -i -E 's#(<dcterms:(created|modified)[^>]*>)[^<]*#\1time#g' "$2/docProps/core.xml"
}

reference() {
  say "the Debian program, for the same plan"
  "$project/scripts/setup.sh" run >/dev/null
  local native
  if [ -f "$project/build/ci/CMakeCache.txt" ]; then
    native=$project/build/ci
  else
    native=$project/build/windows-reference
    nice cmake -G Ninja -S "$project" -B "$native" -DCMAKE_BUILD_TYPE=Release -DPLANIUM_BENCHMARKS=OFF \
      >"$work/reference.log" 2>&1
  fi
  nice cmake --build "$native" --target planium plan_driver >>"$work/reference.log" 2>&1 ||
    { tail -n 30 "$work/reference.log"; fail "the Debian program did not build"; return; }
  local home=$work/debian-home
  mkdir -p "$home"
  debian_report=$work/report-debian.json
  env -i PATH=/usr/bin:/bin HOME="$home" TMPDIR="$home" LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 \
    QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH="$native/tests/plugins" QT_QPA_GENERIC_PLUGINS=plandriver \
    PLANIUM_DRIVER_REPORT="$debian_report" timeout 300 "$native/src/planium" >"$work/debian.log" 2>&1 ||
    fail "the Debian program failed"
}

whole_plan() {
  say "a whole plan through the installed program"
  drive plandriver "$(instdir)/planium.exe"
  [ -f "$report" ] || { fail "the driver wrote no report"; return; }
  local said=$report
  [ "$(jq -c .failures "$said")" = "[]" ] || fail "the driver: $(jq -c .failures "$said")"
  [ "$(jq -r .locale "$said")" = ru_RU ] || fail "the program's locale is $(jq -r .locale "$said")"
  # The driver gave the C runtime the desktop's numbers (a decimal comma) before the
  # workbooks were written: they must not show in them.
  case "$(jq -r .lcNumericWhenWriting "$said")" in
    Russian_*) ;;
    *) fail "the C runtime's numbers were not Russian: $(jq -r .lcNumericWhenWriting "$said")" ;;
  esac
  [ "$(jq -r '.opened | length' "$said")" = 2 ] || { fail "not two workbooks: $(jq -c .opened "$said")"; return; }
  [ "$(jq -c .figures "$said")" = "$(jq -c .figures "$debian_report")" ] ||
    fail "the screens' figures differ: $(jq -c .figures "$said") against $(jq -c .figures "$debian_report")"
  local i windows debian
  for i in 0 1; do
    windows=$(unixpath "$(jq -r ".opened[$i]" "$said")")
    debian=$(jq -r ".opened[$i]" "$debian_report")
    case "$windows" in
      "$(profile)/Documents/ПФХД/ПФХД "*.xlsx) ;;
      *) fail "workbook $i is not among the user's documents: $windows" ;;
    esac
    [ -f "$windows" ] || { fail "no workbook $windows"; continue; }
    cp "$windows" "$work/windows-$i.xlsx"
    cp "$debian" "$work/debian-$i.xlsx"
    unpack "$windows" "$work/windows-$i"
    unpack "$debian" "$work/debian-$i"
    if diff -r "$work/debian-$i" "$work/windows-$i" >"$work/diff-$i.txt"; then
      echo "workbook $i ($(basename "$windows")): the same as the Debian program's"
    else
      fail "workbook $i differs from the Debian program's: $(head -c 600 "$work/diff-$i.txt")"
    fi
  done
  local notice
  notice=$(jq -r '.notices[0]' "$said")
  grep -q '^ПФХД сохранён: C:\\users\\Иванова\\Documents\\ПФХД\\ПФХД предварительный ' <<<"$notice" ||
    fail "the notice: $notice"
}

opener_fails() {
  say "the program opening its workbooks itself, with nothing to open them"
  drive plandriver "$(instdir)/planium.exe" PLANIUM_DRIVER_DESKTOP=1
  [ -f "$report" ] || { fail "the driver wrote no report"; return; }
  local i told
  for i in 0 1; do
    told=$(jq -r ".notices[$i]" "$report")
    case "$told" in
      "Файл ПФХД сохранён, но открыть его не удалось. Откройте его вручную: C:\\users\\Иванова\\Documents\\ПФХД\\ПФХД "*".xlsx <a href="*) ;;
      *) fail "notice $i: $told" ;;
    esac
  done
}

# --- 4. the draft --------------------------------------------------------------------

killed_and_continued() {
  say "killed on an expense page, continued"
  drive draftdriver "$(instdir)/planium.exe" PLANIUM_DRIVER_STEP=kill
  local killed=$report
  [ -f "$killed" ] || { fail "the driver wrote no report"; return; }
  [ "$(jq -c .failures "$killed")" = "[]" ] || fail "the driver: $(jq -c .failures "$killed")"
  [ "$(jq -r '.screens.Form7.Text20' "$killed")" = "+ 40000,40" ] ||
    fail "the expense page held $(jq -r '.screens.Form7.Text20' "$killed")"
  [ -f "$(profile)/AppData/Local/planium/draft.json" ] || fail "no draft in the user's application data"
  drive draftdriver "$(instdir)/planium.exe" PLANIUM_DRIVER_STEP=continue
  local continued=$report
  [ -f "$continued" ] || { fail "the driver wrote no report"; return; }
  jq -r .offer "$continued" | grep -qE '^Продолжить план от [0-9]{2}\.[0-9]{2}\.[0-9]{4} [0-9]{2}:[0-9]{2}$' ||
    fail "offered: $(jq -r .offer "$continued")"
  # Every box, list, option and label of every screen as it was when the program was killed.
  local differences
  differences=$(jq -n --slurpfile was "$killed" --slurpfile is "$continued" '
    [ $was[0].screens | to_entries[] | .key as $form | .value | to_entries[]
      | select($is[0].screens[$form][.key] != .value)
      | "\($form).\(.key): was \(.value), is \($is[0].screens[$form][.key])" ]')
  [ "$(jq length <<<"$differences")" = 0 ] || fail "not as it was: $(jq -c . <<<"$differences" | head -c 800)"
}

# --- 5. the uninstaller --------------------------------------------------------------

uninstall() {
  say "uninstalling silently"
  local dir began
  dir=$(instdir)
  began=$SECONDS
  wine "$dir/uninstall.exe" /S
  # The uninstaller runs on from a copy of itself.
  while [ -e "$dir" ] && [ $((SECONDS - began)) -lt 60 ]; do sleep 0.5; done
  wineserver -w
  [ ! -e "$dir" ] || fail "left behind: $(find "$dir" | head)"
  [ ! -e "$(profile)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Планиум.lnk" ] ||
    fail "the Start-menu entry is left"
  wine reg query "$uninstall_key" >/dev/null 2>&1 && fail "still among the installed applications"
  [ "$(find "$(profile)/Documents/ПФХД" -name '*.xlsx' | wc -l)" -ge 4 ] || fail "the plans are gone"
  [ -f "$(profile)/AppData/Local/planium/draft.json" ] || fail "the draft is gone"
}

# PLANIUM_WINE_NO_UNIT_TESTS=1 leaves the first part out (when working on the others).
if [ "${PLANIUM_WINE_NO_UNIT_TESTS:-}" != 1 ]; then timed "tests under Wine" unit_tests; fi
timed "silent install" install
timed "Debian program" reference
timed "whole plan" whole_plan
timed "opener fails" opener_fails
timed "killed and continued" killed_and_continued
timed "silent uninstall" uninstall
echo "== times"
printf '   %s\n' "${timings[@]}"
echo "   installer: $(du -k "$installer" | cut -f1) KB, silent install $install_ms ms"
if [ "$failures" -gt 0 ]; then
  echo "== $failures failures under Wine"
  exit 1
fi
echo "== everything passed under Wine"
