#!/usr/bin/env bash
# The Windows installer of Планиум, made on Debian 12 or 13 from nothing but Debian:
# the MinGW-w64 cross compiler, Qt and libxlsxwriter cross-built from this release's
# own source packages, NSIS; tested under Wine.
#   windows.sh            builds the installer and prints its path as the last line
#   windows.sh test       that, then the tests under Wine (tests/windows/run.sh)
#   windows.sh bench      that, then start-up under Wine against a bare Qt window
#   windows.sh shots      that, then screenshots under Wine at 100 % and 200 % (docs/)
#   windows.sh packages   only installs the Debian packages all of these need
# Qt and libxlsxwriter are built once into a cache outside the checkout, keyed by their
# version and how they are configured (PLANIUM_WINDOWS_CACHE, by default
# ~/.cache/planium-windows); the program is built in build/windows.
set -euo pipefail
action=${1:-installer}
case "$action" in
  installer | test | bench | shots | packages) ;;
  *)
    echo "usage: $0 [installer|test|bench|shots|packages]" >&2
    exit 2
    ;;
esac
project=$(cd "$(dirname "$0")/.." && pwd)
cache=${PLANIUM_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/planium-windows}
build=$project/build/windows
jobs=$(nproc)
started=$SECONDS
mkdir -p "$cache"

say() { echo "== [$((SECONDS - started)) s] $*" >&2; }

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

# --- Debian packages -------------------------------------------------------------

# The cross compiler with the -posix thread model (std::thread), zlib for it, Qt's host
# tools (moc, rcc, uic) and its CMake files, the tools that unpack source packages,
# NSIS, the icon's renderer and packer, and Qt's Russian texts (architecture-independent).
build_packages=(
  cmake ninja-build pkg-config dpkg-dev xz-utils
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libxlsxwriter-dev
  nsis librsvg2-bin icoutils
)
# Wine on a virtual display with its own fonts (its window frames draw with them), the
# process locale the tests run under, the fonts Wine takes from the system, and what
# the workbooks are taken apart with. The Debian
# program the workbooks are compared with needs what ./scripts/setup.sh run installs.
wine_packages=(wine wine64 fonts-wine xvfb xauth locales fonts-liberation2 unzip jq)

install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    say "installing ${missing[*]}"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
}

ensure_locale() {
  if ! locale -a 2>/dev/null | grep -qx "$1.utf8"; then
    say "generating the locale $1.UTF-8"
    $sudo localedef -i "$1" -c -f UTF-8 -A /usr/share/locale/locale.alias "$1.UTF-8"
  fi
}

# --- source packages ---------------------------------------------------------------

# apt with a private list of source archives: the deb-src twins of the archives this
# machine's apt already uses. The system's apt configuration is left as it is.
apt_dir=$cache/apt
apt_private=(
  -o "Dir::Etc::SourceList=$apt_dir/none.list"
  -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
  -o "Dir::Cache::pkgcache="
  -o "Dir::Cache::srcpkgcache="
)
if [ "$(id -u)" -eq 0 ]; then apt_private+=(-o "APT::Sandbox::User=root"); fi

private_sources() {
  mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  : >"$apt_dir/none.list"
  local f
  rm -f "$apt_dir/sources.list.d/"*
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    sed -E 's/^Types:.*/Types: deb-src/' "$f" >"$apt_dir/sources.list.d/$(basename "$f")"
  done
  cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
    sed -nE 's/^[[:space:]]*deb[[:space:]]+/deb-src /p' >"$apt_dir/sources.list.d/system.list"
}

# Unpacks the source package that built the installed binary package $1 (so the very
# version whose host tools are used) into $cache/src; prints the folder.
source_of() {
  local binary=$1 name version folder
  name=$(dpkg-query -W -f='${source:Package}' "$binary")
  version=$(dpkg-query -W -f='${source:Version}' "$binary")
  folder=$cache/src/${name}_${version}
  if [ ! -f "$folder/.unpacked" ]; then
    if [ ! -f "$apt_dir/updated" ] || [ -z "$(ls "$apt_dir/lists" | grep -i sources)" ]; then
      say "reading the source archives"
      private_sources
      apt-get -q "${apt_private[@]}" update >&2
      touch "$apt_dir/updated"
    fi
    say "fetching the source of $name $version"
    rm -rf "$folder" "$cache/src/download-$name"
    mkdir -p "$cache/src/download-$name"
    # Said and stopped here, before an hour of building, when the archive lacks it.
    if ! (cd "$cache/src/download-$name" && apt-get -q "${apt_private[@]}" source --download-only "$name=$version" >&2) ||
      ! dpkg-source --no-check -x "$cache/src/download-$name/"*.dsc "$folder" >&2; then
      say "FAIL: the source of $name $version cannot be had from this machine's Debian archive"
      exit 1
    fi
    rm -rf "$cache/src/download-$name"
    touch "$folder/.unpacked"
  fi
  echo "$folder"
}

install_missing "${build_packages[@]}"
if [ "$action" != installer ]; then
  install_missing "${wine_packages[@]}"
  ensure_locale ru_RU # Wine takes the regional setting and the file names' encoding from it
fi
if [ "$action" = packages ]; then exit 0; fi
df -h "$project" "$cache" | sed 's/^/   /' >&2
qt_source=$(source_of qt6-base-dev)
xlsx_source=$(source_of libxlsxwriter-dev)
say "Qt source: $qt_source"
say "libxlsxwriter source: $xlsx_source"

# --- Qt ------------------------------------------------------------------------------

toolchain=$project/cmake/mingw-w64-x86_64.cmake
# Qt's host tools, Debian's own (without a native compiler dpkg-architecture warns, rightly
# falling back to this machine's architecture).
host_cmake=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null)/cmake
compiler_version=$(x86_64-w64-mingw32-g++-posix -dumpfullversion)
# Core, Gui, Widgets, Test, the windows and offscreen platforms (offscreen draws with
# FreeType, given fonts through QT_QPA_FONTDIR) and the native style; everything the
# program does not use is left out, so that a cold build is short.
qt_features_off=(
  sql network dbus opengl printsupport concurrent xml vulkan direct2d directwrite3
  jpeg gif ico pdf zstd system_zlib sessionmanager systemtrayicon tabletevent
  textmarkdownreader textmarkdownwriter textodfwriter movie picture harfbuzz
  jalalicalendar hijricalendar islamiccivilcalendar
  itemmodeltester androiddeployqt windeployqt
  graphicsview mdiarea dockwidget calendarwidget datetimeedit columnview filedialog fontdialog
  colordialog wizard lcdnumber dial splashscreen undoview undostack undogroup undocommand
  keysequenceedit textbrowser syntaxhighlighter tablewidget treewidget listwidget
  statusbar statustip sizegrip toolbox whatsthis
  progressdialog errormessage fontcombobox commandlinkbutton datawidgetmapper
  style_stylesheet cssparser gestures scroller filesystemmodel fscompleter
)
qt_options=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF -DQT_BUILD_MANUAL_TESTS=OFF
  -DINPUT_opengl=no -DFEATURE_testlib=ON -DFEATURE_freetype=ON
)
qt_version=$(basename "$qt_source")
qt_version=${qt_version#*_}
# Qt 6.4 draws fonts through GDI here (Direct 2D and DirectWrite 3 off). Qt 6.8 builds its
# Windows fonts only with DirectWrite and Direct 2D both, and its native style only with
# the graphics view (for a shadow effect), the command link button and style sheets: those
# keep Qt's defaults there.
if dpkg --compare-versions "$qt_version" ge 6.8; then
  kept=" direct2d directwrite3 graphicsview commandlinkbutton style_stylesheet cssparser "
  for i in "${!qt_features_off[@]}"; do
    if [[ $kept == *" ${qt_features_off[$i]} "* ]]; then unset "qt_features_off[$i]"; fi
  done
fi
for f in "${qt_features_off[@]}"; do qt_options+=("-DFEATURE_$f=OFF"); done
qt_key=$( (printf '%s\n' "${qt_options[@]}" "$compiler_version"; cat "$toolchain") | sha256sum | cut -c1-10)
qt=$cache/qt-$qt_version-$qt_key

build_qt() {
  local work=$cache/qt-build-$qt_version-$qt_key began=$SECONDS
  say "building Qt $qt_version for Windows into $qt (about 830 steps, nice'd)"
  rm -rf "$qt"
  if [ ! -f "$work/build.ninja" ]; then
    rm -rf "$work"
    mkdir -p "$work"
    nice cmake -G Ninja -S "$qt_source" -B "$work" -Wno-dev \
      -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$host_cmake" \
      -DCMAKE_INSTALL_PREFIX="$qt" "${qt_options[@]}" >"$work/configure.log" 2>&1 ||
      { tail -n 40 "$work/configure.log" >&2; exit 1; }
  fi
  nice ninja -C "$work" -j "$jobs" >"$work/build.log" 2>&1 || { tail -n 60 "$work/build.log" >&2; exit 1; }
  nice cmake --install "$work" >"$work/install.log" 2>&1 || { tail -n 20 "$work/install.log" >&2; exit 1; }
  rm -rf "$work"
  echo "$((SECONDS - began))" >"$qt/.build-seconds"
  say "Qt built in $((SECONDS - began)) s"
}
if [ "${PLANIUM_PRINT_QT_KEY:-}" = 1 ]; then echo "$qt_key"; exit 0; fi
if [ ! -f "$qt/.build-seconds" ]; then build_qt; fi

# --- libxlsxwriter -------------------------------------------------------------------

xlsx_version=$(basename "$xlsx_source")
xlsx_version=${xlsx_version#*_}
xlsx_key=$( (echo static release "$compiler_version"; cat "$toolchain") | sha256sum | cut -c1-10)
xlsx=$cache/xlsxwriter-$xlsx_version-$xlsx_key
mingw_root=/usr/x86_64-w64-mingw32

build_xlsxwriter() {
  local work=$cache/xlsxwriter-build began=$SECONDS
  say "building libxlsxwriter $xlsx_version for Windows"
  rm -rf "$work" "$xlsx"
  nice cmake -G Ninja -S "$xlsx_source" -B "$work" -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DCMAKE_INSTALL_PREFIX="$xlsx" \
    -DZLIB_LIBRARY="$mingw_root/lib/libz.a" -DZLIB_INCLUDE_DIR="$mingw_root/include" >"$cache/xlsxwriter.log" 2>&1 &&
    nice ninja -C "$work" install >>"$cache/xlsxwriter.log" 2>&1 ||
    { tail -n 30 "$cache/xlsxwriter.log" >&2; exit 1; }
  # One archive with the zlib it needs, so that the program carries no zlib1.dll.
  printf 'CREATE %s\nADDLIB %s\nADDLIB %s\nSAVE\nEND\n' "$work/merged.a" "$xlsx/lib/libxlsxwriter.a" \
    "$mingw_root/lib/libz.a" | x86_64-w64-mingw32-ar -M
  mv "$work/merged.a" "$xlsx/lib/libxlsxwriter.a"
  mkdir -p "$xlsx/lib/pkgconfig"
  cat >"$xlsx/lib/pkgconfig/xlsxwriter.pc" <<PC
prefix=$xlsx
libdir=\${prefix}/lib
includedir=\${prefix}/include
Name: xlsxwriter
Description: libxlsxwriter $xlsx_version for Windows, zlib included
Version: ${xlsx_version%%-*}
Libs: -L\${libdir} -lxlsxwriter
Cflags: -I\${includedir}
PC
  rm -rf "$work"
  echo "$((SECONDS - began))" >"$xlsx/.build-seconds"
  say "libxlsxwriter built in $((SECONDS - began)) s"
}
if [ ! -f "$xlsx/.build-seconds" ]; then build_xlsxwriter; fi

# --- the program ---------------------------------------------------------------------

version=$(sed -nE 's/^project\(Planium VERSION ([0-9.]+).*/\1/p' "$project/CMakeLists.txt")
case "$action" in
  installer) targets=(planium) ;;
  bench) targets=(planium probe_startup probe_bare) ;;
  shots) targets=(planium plan_driver) ;;
  *) targets=(all) ;;
esac
say "building Планиум for Windows in $build (${targets[*]})"
began=$SECONDS
PKG_CONFIG_LIBDIR=$xlsx/lib/pkgconfig nice cmake -G Ninja -S "$project" -B "$build" -Wno-dev \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DPLANIUM_WINDOWS_ROOTS="$qt;$xlsx" -DCMAKE_PREFIX_PATH="$qt" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$host_cmake" \
  -DCMAKE_BUILD_TYPE=Release -DPLANIUM_WERROR=ON -DPLANIUM_BENCHMARKS=OFF \
  -DCMAKE_CROSSCOMPILING_EMULATOR=wine >"$cache/program-configure.log" 2>&1 ||
  { tail -n 30 "$cache/program-configure.log" >&2; exit 1; }
PKG_CONFIG_LIBDIR=$xlsx/lib/pkgconfig nice cmake --build "$build" -j "$jobs" --target "${targets[@]}" >"$cache/program-build.log" 2>&1 ||
  { grep -E -A8 'error|Error' "$cache/program-build.log" | head -n 80 >&2; exit 1; }
say "program built in $((SECONDS - began)) s"

# --- the installer -------------------------------------------------------------------

# The program folder as installed: the program, Qt's libraries, the platform and style
# plugins, Qt's Russian texts, the MinGW runtime; all stripped.
stage=$build/stage
rm -rf "$stage"
mkdir -p "$stage/plugins/platforms" "$stage/plugins/styles" "$stage/translations"
cp "$build/src/planium.exe" "$stage/"
for lib in Qt6Core Qt6Gui Qt6Widgets; do cp "$qt/bin/$lib.dll" "$stage/"; done
cp "$qt/plugins/platforms/qwindows.dll" "$stage/plugins/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/plugins/styles/"
cp /usr/share/qt6/translations/qtbase_ru.qm "$stage/translations/"
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  found=$(x86_64-w64-mingw32-g++-posix -print-file-name="$dll")
  [ -f "$found" ] || found=$mingw_root/lib/$dll
  cp "$found" "$stage/"
done
printf '[Paths]\nPrefix = .\n' >"$stage/qt.conf"
find "$stage" -name '*.exe' -o -name '*.dll' | while read -r f; do x86_64-w64-mingw32-strip --strip-unneeded "$f"; done

# Every library any of them loads is shipped, or is Windows' own.
shipped=$(find "$stage" -name '*.dll' -printf '%f\n' | tr 'A-Z' 'a-z')
missing=$(find "$stage" -name '*.exe' -o -name '*.dll' | xargs -n1 x86_64-w64-mingw32-objdump -p |
  sed -nE 's/^[[:space:]]*DLL Name: (.*)/\1/p' | tr 'A-Z' 'a-z' | sort -u |
  grep -vxF -f <(echo "$shipped") |
  grep -vE '^(kernel32|user32|gdi32|shell32|ole32|oleaut32|advapi32|comdlg32|winmm|ws2_32|uxtheme|dwmapi|imm32|shcore|shlwapi|oleacc|propsys|version|netapi32|userenv|uuid|winspool|msvcrt|setupapi|ntdll|dwrite|d3d9|d3d11|dxgi|wtsapi32|mpr|authz|comctl32|crypt32|bcrypt|rpcrt4|api-ms-win-.*)\.dll$' || true)
if [ -n "$missing" ]; then
  echo "The program needs libraries the installer does not ship: $missing" >&2
  exit 1
fi

files=$build/installer-files.nsh
{
  echo '!macro InstallFiles'
  (cd "$stage" && find . -type d | sort) | while read -r d; do
    d=${d#./}
    [ "$d" = . ] && win='$INSTDIR' || win="\$INSTDIR\\${d//\//\\}"
    echo "  SetOutPath \"$win\""
    find "$stage/$d" -maxdepth 1 -type f | sort | while read -r f; do echo "  File \"$f\""; done
  done
  echo '  SetOutPath "$INSTDIR"'
  echo '!macroend'
  echo '!macro RemoveFiles'
  (cd "$stage" && find . -type f | sort) | while read -r f; do
    f=${f#./}
    echo "  Delete \"\$INSTDIR\\${f//\//\\}\""
  done
  (cd "$stage" && find . -mindepth 1 -type d | sort -r) | while read -r d; do
    d=${d#./}
    echo "  RMDir \"\$INSTDIR\\${d//\//\\}\""
  done
  echo '!macroend'
} >"$files"
installer=$build/planium-$version-setup.exe
rm -f "$installer"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" -DFILES="$files" \
  -DICON="$build/packaging/windows/planium.ico" -DOUTFILE="$installer" \
  "$project/packaging/windows/planium.nsi" >"$cache/makensis.log" 2>&1 ||
  { tail -n 30 "$cache/makensis.log" >&2; exit 1; }
say "installer: $(du -k "$installer" | cut -f1) KB, program folder $(du -sk "$stage" | cut -f1) KB"

case "$action" in
  test) "$project/tests/windows/run.sh" "$build" "$installer" "$qt" ;;
  bench) "$project/bench/startup-wine.sh" "$build" "$qt" ;;
  shots) "$project/tests/windows/shots.sh" "$build" "$installer" "$qt" ;;
esac
say "done"
echo "$installer"
