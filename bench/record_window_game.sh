#!/usr/bin/env bash
# Records the bench replay: the game in a real window under xvfb-run, played for SECONDS
# (default 600) by the stand-in player of quibblix_record_window through the keys, with the
# sound and music off and a scratch home, so nothing of the player's is read or written. The
# replay is copied to OUT (default bench/data/window-10min.qbr) and verified with GAME.
#
#   bench/record_window_game.sh [SECONDS [OUT]]
#
# RECORD (default build-bench/bench/quibblix_record_window) and GAME (default
# build-bench/quibblix) come from the bench preset.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_OF_PLAY=${1:-600}
OUT=${2:-bench/data/window-10min.qbr}
RECORD=${RECORD:-build-bench/bench/quibblix_record_window}
GAME=${GAME:-build-bench/quibblix}
for exe in "$RECORD" "$GAME"; do
    [ -x "$exe" ] || { echo "record_window_game: build $exe first (cmake --preset bench)" >&2; exit 2; }
done
command -v xvfb-run >/dev/null || { echo "record_window_game: xvfb-run is needed" >&2; exit 2; }

work=$(mktemp -d /tmp/quibblix-record-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/records"
echo "record_window_game: playing ${SECONDS_OF_PLAY} s in a window (load average $(cut -d' ' -f1-3 /proc/loadavg))" >&2
HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_CONFIG_HOME="$work/home/.config" \
    SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$RECORD" --records "$work/records" --seconds "$SECONDS_OF_PLAY"
replay=$(ls -t "$work"/records/replays/*.qbr | head -n1)
mkdir -p "$(dirname "$OUT")"
cp "$replay" "$OUT"
echo "record_window_game: $(basename "$replay") -> $OUT ($(stat -c %s "$OUT") bytes), load average $(cut -d' ' -f1-3 /proc/loadavg)" >&2
"$GAME" --verify-replay "$OUT"
