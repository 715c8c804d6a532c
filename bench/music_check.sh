#!/usr/bin/env bash
# The music, measured. From the synthesiser's own output: each piece's loudness (EBU R128
# integrated, with ffmpeg's ebur128 meter), its true peak and its seams, and a spectrogram of a
# level theme; each effect alone at the level the mixer plays it. From level 14 played in a
# window, with the sound going through SDL's disk audio driver, with the music and with
# --no-music in alternate runs: the mixed output's loudness and true peak, the game's CPU time
# and its peak memory, each run's and their medians. Then a tour in the window (the menu, level 1
# cleared, its panel, a lost last life and the game over), captured the same way: the pieces
# the game asked for, in order, with the loudness of the capture while each played.
#
#   bench/music_check.sh [OUTDIR]        (default /tmp/quibblix-music; about twelve minutes)
#
# RENDER (default build-bench/bench/quibblix_music_render) and LIVE (default
# build-bench/bench/quibblix_live) come from the bench preset; PLAY_SECONDS (default 60) is
# how long each run plays, RUNS (default 5) how many runs of each are alternated. ffmpeg is
# installed here when it is missing (it is needed for nothing else). Needs xvfb-run and /usr/bin/time.
set -euo pipefail

cd "$(dirname "$0")/.."
OUT=${1:-/tmp/quibblix-music}
RENDER=${RENDER:-build-bench/bench/quibblix_music_render}
LIVE=${LIVE:-build-bench/bench/quibblix_live}
PLAY_SECONDS=${PLAY_SECONDS:-60}
RUNS=${RUNS:-5}

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
    export QUIBBLIX_MUSIC_INNER=1 RENDER LIVE PLAY_SECONDS RUNS
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

echo "== each effect alone, at the level the mixer plays it (back to back for 10 s)"
"$RENDER" --effects "$OUT" >/dev/null
for f in "$OUT"/effect-*.wav; do
    name=$(basename "$f" .wav)
    printf "%-10s %s\n" "${name#effect-}" "$(loudness "$f")"
done

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
range() { sort -n | awk 'NR == 1 { lo = $1 } { hi = $1 } END { print lo " - " hi }'; }

echo "== level 14 played for $PLAY_SECONDS s in a window, sound through SDL's disk driver, $RUNS runs each, alternating"
: >"$OUT/music.runs"
: >"$OUT/no-music.runs"
for run in $(seq "$RUNS"); do
    order="music no-music"
    [ $((run % 2)) -eq 0 ] && order="no-music music"
    for mode in $order; do
        flag=()
        [ "$mode" = no-music ] && flag=(--no-music)
        SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$OUT/$mode.raw" \
            /usr/bin/time -f "%U %S %M" -o "$OUT/$mode.time" \
            "$LIVE" --level 14 --autoplay --seconds "$PLAY_SECONDS" "${flag[@]}" >/dev/null 2>&1
        read -r user sys rss <"$OUT/$mode.time"
        cpu=$(echo "100 * ($user + $sys) / $PLAY_SECONDS" | bc -l)
        mb=$(echo "$rss / 1024" | bc -l)
        printf "%.3f %.2f\n" "$cpu" "$mb" >>"$OUT/$mode.runs"
        printf "run %d %-9s %6.2f %% of a core  peak memory %6.1f MB  output %s\n" "$run" "$mode" \
            "$cpu" "$mb" "$(loudness "$OUT/$mode.raw")"
    done
done
for mode in music no-music; do
    printf "%-9s median %6.2f %% of a core (%s)  peak memory median %6.1f MB (%s)\n" "$mode" \
        "$(cut -d' ' -f1 "$OUT/$mode.runs" | median)" "$(cut -d' ' -f1 "$OUT/$mode.runs" | range)" \
        "$(cut -d' ' -f2 "$OUT/$mode.runs" | median)" "$(cut -d' ' -f2 "$OUT/$mode.runs" | range)"
done
paste -d' ' "$OUT/music.runs" "$OUT/no-music.runs" |
    awk '{ print $1 - $3, $2 - $4 }' >"$OUT/difference.runs"
printf "the music's cost, run by run: median %.2f %% of a core (%s), %.1f MB (%s)\n" \
    "$(cut -d' ' -f1 "$OUT/difference.runs" | median)" "$(cut -d' ' -f1 "$OUT/difference.runs" | range)" \
    "$(cut -d' ' -f2 "$OUT/difference.runs" | median)" "$(cut -d' ' -f2 "$OUT/difference.runs" | range)"

echo "== a tour: menu, level 1 cleared, its panel, the last life lost, the game over"
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$OUT/tour.raw" "$LIVE" --tour >"$OUT/tour.txt" 2>/dev/null
# Each piece from its cue to the next (the last for six seconds).
awk 'NR > 1 { print start, $1, name } { start = $1; name = $2 } END { print start, start + 6000, name }' "$OUT/tour.txt" |
    while read -r from to piece; do
        [ "$piece" = none ] && continue
        printf "%6s s to %6s s  %-9s %s\n" "$(seconds "$from")" "$(seconds "$to")" "$piece" \
            "$(loudness_between "$OUT/tour.raw" "$from" "$to")"
    done
