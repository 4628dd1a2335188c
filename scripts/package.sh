#!/usr/bin/env bash
# Installs what is missing and builds the Debian package for the release this machine runs,
# then prints where it is: build/release/planium_<version>_<arch>.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh package
rm -f build/release/planium_*.deb
cmake --workflow --preset package
deb=$(ls build/release/planium_*.deb)
echo "The package is $deb"
echo "Install it with: sudo apt install ./$deb"
