#!/usr/bin/env bash
# Peak resident memory through a scripted plan with 40 services. Usage: bench/memory.sh [build dir]
set -euo pipefail
build="${1:-build/default}"
QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$build/bench/probe_memory"
