#!/usr/bin/env bash
# Start-up time: process start to the welcome screen painted (and an ordinary
# exit), against a bare Qt program that paints an empty window (probe_bare, which
# links Qt Widgets only). Usage: bench/startup.sh [build dir] [pairs]
#
# The machine is shared and its speed drifts within minutes, so the two programs
# are started in turn (A B, then B A, …) and each pair gives one ratio; the median
# of the ratios is the figure. Measured twice: a first start (no draft) and the
# start of most days (the draft of a full plan to continue, the goal's case).
set -euo pipefail
build="${1:-build/default}"
pairs="${2:-30}"
probe="$build/bench/probe_startup"
bare="$build/bench/probe_bare"
text="$build/bench/probe_text"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/none" "$work/full"
XDG_DATA_HOME="$work/full" "$probe" --make-draft >/dev/null 2>&1
if [[ -z "$(find "$work/full" -type f)" ]]; then
    echo "$probe --make-draft left no draft" >&2
    exit 1
fi

# Microseconds one start of a program takes; the draft folder is the first argument.
run() {
    local data="$1" start end
    shift
    start=$EPOCHREALTIME
    XDG_DATA_HOME="$data" "$@" >/dev/null 2>&1
    end=$EPOCHREALTIME
    echo $((${end/./} - ${start/./}))
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One series of pairs: a program (the welcome screen, by default) with the given draft
# folder against the bare window.
series() {
    local data="$1" label="$2" goal="$3" probe="${4:-$probe}" shown="${5:-welcome screen:  }" i b p
    local ratios=() bares=() planiums=()
    run "$data" "$bare" >/dev/null # warm the file cache
    run "$data" "$probe" >/dev/null
    for ((i = 0; i < pairs; i++)); do
        if ((i % 2 == 0)); then
            b=$(run "$data" "$bare")
            p=$(run "$data" "$probe")
        else
            p=$(run "$data" "$probe")
            b=$(run "$data" "$bare")
        fi
        bares+=("$b")
        planiums+=("$p")
        ratios+=("$(awk -v a="$p" -v b="$b" 'BEGIN { printf "%.4f", a / b }')")
    done
    local r
    r=$(printf '%s\n' "${ratios[@]}" | median)
    b=$(printf '%s\n' "${bares[@]}" | median)
    p=$(printf '%s\n' "${planiums[@]}" | median)
    printf '%s\n' "${ratios[@]}" | sort -g | awk -v label="$label" -v r="$r" -v b="$b" -v p="$p" -v goal="$goal" \
        -v n="$pairs" -v shown="$shown" '
        NR == 1 { min = $1 } { max = $1 }
        END {
            printf "%s (%d pairs)\n", label, n
            printf "  bare Qt window:  %6.1f ms (median)\n", b / 1000
            printf "  %s%6.1f ms (median)\n", shown, p / 1000
            printf "  ratio:           %.2f median, %.2f min, %.2f max%s\n", r, min, max, goal
        }'
}

series "$work/none" "one line of the screens' bold text, what any text costs (no draft)" "" "$text" "one line of text:"
series "$work/none" "no draft" ""
series "$work/full" "a full draft to continue" " (goal: median <= 1.15)"
