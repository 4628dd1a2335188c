#!/usr/bin/env bash
# Installs what is missing, builds and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --workflow --preset default
exec ./build/default/src/planium
