#!/usr/bin/env bash
# Installs what is missing, builds the program alone (optimised, no tests) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh run
cmake --workflow --preset run
exec ./build/release/src/planium
