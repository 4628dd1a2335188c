#!/usr/bin/env bash
# Installs the Debian packages one of the project's commands needs, on Debian 12 or 13.
# Safe to run again: it installs only what is missing.
#   setup.sh run      building and running the program
#   setup.sh package  that, and building its Debian package
#   setup.sh test     that, and everything the tests, benchmarks and fuzzers use (the default)
set -euo pipefail
purpose="${1:-test}"

# Building and running: the compiler and build tools, Qt with its Russian texts and the SVG
# plugin that draws the window icon, libxlsxwriter (whose pkg-config file asks for zlib and,
# on Debian 13, minizip), and the fonts the screens are laid out for.
run_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev qt6-translations-l10n libqt6svg6
  libxlsxwriter-dev zlib1g-dev libminizip-dev
  fonts-liberation2
)
# The Debian package: its shared-library dependencies worked out by dpkg-shlibdeps, the icon
# sizes rendered from the drawing.
package_packages=(dpkg-dev file librsvg2-bin)
test_packages=(
  libbenchmark-dev
  python3 python3-openpyxl
  # libFuzzer, with the compiler's default version of its runtime
  clang libclang-rt-dev libexpat1-dev
  # the package as a user's machine sees it
  lintian desktop-file-utils appstream
  # the program under the process locales of people's desktops, its workbooks in LibreOffice
  locales libreoffice-calc-nogui fonts-crosextra-carlito poppler-utils
  # the program as a screen reader meets it: a display, the session and accessibility buses, AT-SPI from Python
  xvfb xauth dbus-daemon dbus-bin at-spi2-core python3-pyatspi python3-gi
  # hearing it through Orca (scripts/hear.py)
  orca openbox xdotool
)

case "$purpose" in
  run) packages=("${run_packages[@]}") ;;
  package) packages=("${run_packages[@]}" "${package_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${package_packages[@]}" "${test_packages[@]}") ;;
  *)
    echo "usage: $0 [run|package|test]" >&2
    exit 2
    ;;
esac

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Debian 13 keeps Qt's SVG plugins (they draw the window icon) in a package of their own,
# which Debian 12 does not have: known to apt once its lists are read.
if apt-cache show qt6-svg-plugins >/dev/null 2>&1 && ! installed qt6-svg-plugins; then
  echo "Installing: qt6-svg-plugins"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends qt6-svg-plugins
fi

if [ "$purpose" = test ]; then
  # The process locales the tests run the real program under, as people's desktops have them.
  for name in ru_RU en_US de_DE; do
    if ! locale -a 2>/dev/null | grep -qx "$name.utf8"; then
      echo "Generating the locale $name.UTF-8"
      $sudo localedef -i "$name" -c -f UTF-8 -A /usr/share/locale/locale.alias "$name.UTF-8"
    fi
  done
fi
