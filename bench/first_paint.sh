#!/usr/bin/env bash
# How soon two builds of the game paint their menu, side by side: each started in turn in a
# window on a virtual display, RUNS times, alternating which goes first, the time from its start
# to the menu's first paint (from the tick log) written for every run, and the medians.
#
#   bench/first_paint.sh GAME_A GAME_B [RUNS]        (default 9 runs of each)
#
# Extra arguments for each game go in ARGS_A and ARGS_B. Needs xvfb-run and xdotool.
set -euo pipefail

A=${1:?usage: first_paint.sh GAME_A GAME_B [RUNS]}
B=${2:?usage: first_paint.sh GAME_A GAME_B [RUNS]}
RUNS=${3:-9}

if [ -z "${QUIBBLIX_PAINT_INNER:-}" ]; then
    export QUIBBLIX_PAINT_INNER=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

work=$(mktemp -d /tmp/quibblix-paint-XXXXXX)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"

# Milliseconds from the start of one run to its menu's first paint.
one_run() {
    local game=$1 args=$2 log="$work/ticks.log" t0 first
    rm -f "$log"
    t0=$(date +%s%3N)
    # shellcheck disable=SC2086
    QUIBBLIX_TICK_LOG=$log "$game" $args >/dev/null 2>&1 &
    local pid=$!
    for _ in $(seq 200); do
        xdotool search --name Quibblix >/dev/null 2>&1 && break
        sleep 0.05
    done
    sleep 0.5
    xdotool key ctrl+x
    wait "$pid" || true
    first=$(awk '$1 == "screen" && $2 == "frmMenu" {sub("first_paint_unix_ms=", "", $4); print $4}' "$log")
    echo $((first - t0))
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$work/a"
: >"$work/b"
for run in $(seq "$RUNS"); do
    if [ $((run % 2)) -eq 1 ]; then
        a=$(one_run "$A" "${ARGS_A:-}"); b=$(one_run "$B" "${ARGS_B:-}")
    else
        b=$(one_run "$B" "${ARGS_B:-}"); a=$(one_run "$A" "${ARGS_A:-}")
    fi
    echo "$a" >>"$work/a"
    echo "$b" >>"$work/b"
    printf "run %2d  A %5s ms  B %5s ms\n" "$run" "$a" "$b"
done
printf "median  A %5s ms  B %5s ms   (A %s, B %s)\n" "$(median <"$work/a")" "$(median <"$work/b")" "$A" "$B"
