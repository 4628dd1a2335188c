#!/usr/bin/env bash
# Renders the first printed page of a preliminary plan, as LibreOffice prints it,
# to a PNG (by default docs/plan-page.png). The plan is typed into the real
# program by the test driver plugin, so the build must include the tests.
# Usage: scripts/render-plan-page.sh [build folder] [png]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/ci}"
out="${2:-docs/plan-page.png}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
env -i PATH="$PATH" HOME="$work" TMPDIR="$work" LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 \
  QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH="$build/tests/plugins" QT_QPA_GENERIC_PLUGINS=plandriver \
  PLANIUM_DRIVER_REPORT="$work/report.json" "$build/src/planium" 2>/dev/null
book=$(/usr/bin/python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["opened"][0])' "$work/report.json")
cp "$book" "$work/plan.xlsx"
(cd "$work" && soffice -env:UserInstallation="file://$work/profile" --headless --convert-to pdf \
  --outdir "$work" "$work/plan.xlsx" >/dev/null 2>&1)
pdftoppm -png -r 110 -f 1 -l 1 -singlefile "$work/plan.pdf" "${out%.png}"
echo "$out"
