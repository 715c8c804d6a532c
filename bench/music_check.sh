#!/usr/bin/env bash
# The music, measured. From the synthesiser's own output: each piece's loudness (EBU R128
# integrated, with ffmpeg's ebur128 meter), its true peak and its seams, and a spectrogram of a
# level theme. From level 14 played in a window, with the sound going through SDL's disk audio
# driver, once with the music and once with --no-music: the mixed output's loudness and true
# peak, the game's CPU time and its peak memory. Then a tour in the window (the menu, level 1
# cleared, its panel, a lost last life and the game over), captured the same way: the pieces
# the game asked for, in order, with the loudness of the capture while each played.
#
#   bench/music_check.sh [OUTDIR]        (default /tmp/quibblix-music; about two minutes)
#
# RENDER (default build-bench/bench/quibblix_music_render) and LIVE (default
# build-bench/bench/quibblix_live) come from the bench preset; PLAY_SECONDS (default 60) is
# how long each run plays. ffmpeg is installed here when it is missing (it is needed for
# nothing else). Needs xvfb-run and /usr/bin/time.
set -euo pipefail

cd "$(dirname "$0")/.."
OUT=${1:-/tmp/quibblix-music}
RENDER=${RENDER:-build-bench/bench/quibblix_music_render}
LIVE=${LIVE:-build-bench/bench/quibblix_live}
PLAY_SECONDS=${PLAY_SECONDS:-60}

if [ -z "${QUIBBLIX_MUSIC_INNER:-}" ]; then
    for exe in "$RENDER" "$LIVE"; do
        [ -x "$exe" ] || { echo "music_check: build $exe first (see README)" >&2; exit 2; }
    done
    if ! command -v ffmpeg >/dev/null; then
        echo "music_check: installing ffmpeg for its loudness meter" >&2
        sudo=""
        [ "$(id -u)" -ne 0 ] && sudo=sudo
        $sudo apt-get install -y --no-install-recommends ffmpeg >/dev/null
    fi
    export QUIBBLIX_MUSIC_INNER=1 RENDER LIVE PLAY_SECONDS
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$OUT"
fi

mkdir -p "$OUT"

# "I LUFS  TP dBTP" of a file; raw files are the game's own output (float, mono, 48 kHz).
loudness() {
    local input=(-i "$1")
    case "$1" in *.raw) input=(-f f32le -ar 48000 -ac 1 -i "$1") ;; esac
    ffmpeg -nostdin -hide_banner -nostats "${input[@]}" -af ebur128=peak=true -f null - 2>&1 |
        awk '/Summary:/ { s = 1 } s && $1 == "I:" { i = $2 } s && $1 == "Peak:" { p = $2 }
             END { printf "%6s LUFS  %6s dBTP\n", i, p }'
}

seconds() { awk -v ms="$1" 'BEGIN { printf "%.3f", ms / 1000 }'; }

# The same for a stretch of a capture, from and to in milliseconds.
loudness_between() {
    ffmpeg -nostdin -hide_banner -nostats -f f32le -ar 48000 -ac 1 -i "$1" \
        -af "atrim=start=$(seconds "$2"):end=$(seconds "$3"),ebur128=peak=true" \
        -f null - 2>&1 |
        awk '/Summary:/ { s = 1 } s && $1 == "I:" { i = $2 } s && $1 == "Peak:" { p = $2 }
             END { printf "%6s LUFS  %6s dBTP\n", i, p }'
}

echo "== each piece, from the synthesiser (60 s of each loop, the short pieces once)"
"$RENDER" "$OUT" 60
for f in "$OUT"/*.wav; do
    printf "%-10s %s\n" "$(basename "$f" .wav)" "$(loudness "$f")"
done

echo "== spectrogram of the first level theme: $OUT/level1-spectrogram.png"
ffmpeg -nostdin -hide_banner -loglevel error -y -t 14 -i "$OUT/level1.wav" \
    -lavfi "showspectrumpic=s=1024x320:legend=1:fscale=log:stop=6000" "$OUT/level1-spectrogram.png"

echo "== level 14 played for $PLAY_SECONDS s in a window, sound through SDL's disk driver"
for mode in music no-music; do
    flag=()
    [ "$mode" = no-music ] && flag=(--no-music)
    SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$OUT/$mode.raw" \
        /usr/bin/time -f "%U %S %M" -o "$OUT/$mode.time" \
        "$LIVE" --level 14 --autoplay --seconds "$PLAY_SECONDS" "${flag[@]}" >/dev/null 2>&1
    read -r user sys rss <"$OUT/$mode.time"
    printf "%-9s cpu %6.2f s (%.2f %% of a core)  peak memory %6.1f MB  output %s\n" "$mode" \
        "$(echo "$user + $sys" | bc)" "$(echo "100 * ($user + $sys) / $PLAY_SECONDS" | bc -l)" \
        "$(echo "$rss / 1024" | bc -l)" "$(loudness "$OUT/$mode.raw")"
done

echo "== a tour: menu, level 1 cleared, its panel, the last life lost, the game over"
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$OUT/tour.raw" "$LIVE" --tour >"$OUT/tour.txt" 2>/dev/null
# Each piece from its cue to the next (the last for six seconds).
awk 'NR > 1 { print start, $1, name } { start = $1; name = $2 } END { print start, start + 6000, name }' "$OUT/tour.txt" |
    while read -r from to piece; do
        [ "$piece" = none ] && continue
        printf "%6s s to %6s s  %-9s %s\n" "$(seconds "$from")" "$(seconds "$to")" "$piece" \
            "$(loudness_between "$OUT/tour.raw" "$from" "$to")"
    done
