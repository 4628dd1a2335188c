#!/usr/bin/env bash
# Installs the Debian packages that building, packaging, running and testing need.
# Safe to run again: it installs only what is missing.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev qt6-translations-l10n
  libxlsxwriter-dev libbenchmark-dev
  fonts-liberation2
  python3 python3-openpyxl
  clang libclang-rt-14-dev
  dpkg-dev file librsvg2-bin lintian desktop-file-utils appstream
  locales libreoffice-calc-nogui fonts-crosextra-carlito poppler-utils libminizip-dev libexpat1-dev
  # the program as a screen reader meets it: a display, the session and accessibility buses, AT-SPI from Python
  xvfb dbus-daemon dbus-bin at-spi2-core python3-pyatspi python3-gi
  # hearing it through Orca (scripts/hear.py)
  orca openbox xdotool
)
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The process locales the tests run the real program under, as people's desktops have them.
for name in ru_RU en_US de_DE; do
  if ! locale -a 2>/dev/null | grep -qx "$name.utf8"; then
    echo "Generating the locale $name.UTF-8"
    $sudo localedef -i "$name" -c -f UTF-8 -A /usr/share/locale/locale.alias "$name.UTF-8"
  fi
done
