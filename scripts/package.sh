#!/usr/bin/env bash
# Installs what is missing and builds the Debian package build/release/planium_<version>_<arch>.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --workflow --preset package
ls build/release/planium_*.deb
