#!/usr/bin/env bash
# How long --export-video takes for a minute of play at scale 1: a one-minute game is recorded
# headless (the player stands, and pauses a while), exported RUNS times, and the median and the
# range of the wall times are printed; exits 1 when the median is over a minute.
#
#   bench/video_check.sh [RUNS]        (default 3)
#
# GAME (default build/quibblix) is the game. Needs ffmpeg.
set -euo pipefail

cd "$(dirname "$0")/.."
RUNS=${1:-3}
GAME=${GAME:-build/quibblix}
command -v ffmpeg >/dev/null || { echo "video_check: ffmpeg is needed" >&2; exit 2; }
[ -x "$GAME" ] || { echo "video_check: build $GAME first (see README)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The player stands while the bubbles bounce, pauses for twenty seconds (the field is still
# painted every frame) and stands again: a minute, or what is left of it once every life is lost.
printf 'click frmMenu.cmdPlay\nwait 20000\nkey Escape\nwait 20000\nkey Escape\nwait 25000\n' \
    >"$work/minute.qbx"
"$GAME" --headless --records-dir "$work" --record "$work/minute.qbr" "$work/minute.qbx" >/dev/null


times=()
for run in $(seq 1 "$RUNS"); do
    start=$(date +%s.%N)
    "$GAME" --export-video "$work/minute.webm" "$work/minute.qbr" 2>/dev/null
    end=$(date +%s.%N)
    times+=("$(echo "$end - $start" | bc)")
    video=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$work/minute.webm")
    echo "run $run: ${times[-1]} s for ${video} s of video"
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n)
median=$(echo "$sorted" | sed -n "$(( (RUNS + 1) / 2 ))p")
echo "export of a minute at scale 1: median ${median} s, from $(echo "$sorted" | head -1) to $(echo "$sorted" | tail -1) s (load average $(cut -d' ' -f1-3 /proc/loadavg))"
awk -v m="$median" 'BEGIN { exit !(m <= 60) }' || { echo "video_check: over a minute" >&2; exit 1; }
