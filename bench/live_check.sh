#!/usr/bin/env bash
# The game in a real window on a virtual display: how often each timer really ticks while keys
# play a level, the share of one core the process uses on the menu, in play and paused, its
# peak memory, and how soon the menu is on screen. Prints each figure with the median and the
# range over the runs, and exits 1 when one misses its target.
#
#   bench/live_check.sh [RUNS]        (default 3; about a minute a run)
#
# GAME (default build/quibblix) is the game; LIVE (default build-bench/bench/quibblix_live)
# the same windowed game able to start on level 14 with a stand-in player, from the bench
# preset. Level 14 is played by one stand-in player and by two (a game of two), and the CPU of the
# game of two is compared with the one's. Needs xvfb-run and xdotool.
set -euo pipefail

cd "$(dirname "$0")/.."
RUNS=${1:-3}
GAME=${GAME:-build/quibblix}
LIVE=${LIVE:-build-bench/bench/quibblix_live}

if [ -z "${QUIBBLIX_LIVE_INNER:-}" ]; then
    for tool in xvfb-run xdotool; do
        command -v "$tool" >/dev/null || { echo "live_check: $tool is needed" >&2; exit 2; }
    done
    for exe in "$GAME" "$LIVE"; do
        [ -x "$exe" ] || { echo "live_check: build $exe first (see README)" >&2; exit 2; }
    done
    export QUIBBLIX_LIVE_INNER=1 GAME LIVE
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$RUNS"
fi

work=$(mktemp -d /tmp/quibblix-live-XXXXXX)
trap 'rm -rf "$work"' EXIT
hz=$(getconf CLK_TCK)
now_ms() { date +%s%3N; }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# The game's own process under /usr/bin/time.
child_of() {
    local parent=$1 pid=""
    for _ in $(seq 100); do
        pid=$(pgrep -P "$parent" | head -n1 || true)
        [ -n "$pid" ] && { echo "$pid"; return; }
        sleep 0.02
    done
    echo "live_check: the game did not start" >&2
    exit 2
}

wait_for_window() {
    for _ in $(seq 200); do
        xdotool search --name Quibblix >/dev/null 2>&1 && return
        sleep 0.05
    done
    echo "live_check: no window appeared" >&2
    exit 2
}

# Per cent of one core used by pid over the next $2 seconds.
cpu_over() {
    local pid=$1 seconds=$2 c0 c1 t0 t1
    c0=$(cpu_ticks "$pid"); t0=$(now_ms)
    sleep "$seconds"
    c1=$(cpu_ticks "$pid"); t1=$(now_ms)
    awk -v c="$((c1 - c0))" -v hz="$hz" -v ms="$((t1 - t0))" 'BEGIN {printf "%.2f", 100 * c / hz / (ms / 1000)}'
}

# Ten seconds of keys: walk left and right, firing in between.
play_keys() {
    for _ in 1 2 3 4 5; do
        xdotool keydown Left; sleep 0.9; xdotool keyup Left; xdotool key space
        xdotool keydown Right; sleep 0.9; xdotool keyup Right; xdotool key space
    done
}

record() { echo "$1 $2" >>"$work/figures"; }

# Esc pauses the game, except at the moment a life is lost, when the game ignores it: press it
# again until the process has gone quiet.
pause_game() {
    local pid=$1 c0 c1
    for _ in 1 2 3; do
        xdotool key Escape
        sleep 1.5
        c0=$(cpu_ticks "$pid"); sleep 2; c1=$(cpu_ticks "$pid")
        [ $((c1 - c0)) -le 1 ] && return
    done
}

load0=$(cut -d' ' -f1 /proc/loadavg)
for run in $(seq "$RUNS"); do
    # The game itself: start, menu, ten seconds of play from a new game, the pause.
    log="$work/ticks-$run.log"
    t0=$(now_ms)
    QUIBBLIX_TICK_LOG=$log /usr/bin/time -v -o "$work/time-$run.txt" "$GAME" 2>/dev/null &
    pid=$(child_of $!)
    wait_for_window
    sleep 1
    record menu_cpu_percent "$(cpu_over "$pid" 5)"
    xdotool key ctrl+n
    sleep 0.2
    c0=$(cpu_ticks "$pid"); p0=$(now_ms)
    play_keys
    c1=$(cpu_ticks "$pid"); p1=$(now_ms)
    record level1_cpu_percent "$(awk -v c="$((c1 - c0))" -v hz="$hz" -v ms="$((p1 - p0))" \
        'BEGIN {printf "%.2f", 100 * c / hz / (ms / 1000)}')"
    pause_game "$pid"
    record paused_cpu_percent "$(cpu_over "$pid" 5)"
    xdotool key ctrl+x
    wait || true
    first=$(awk '$1 == "screen" && $2 == "frmMenu" {sub("first_paint_unix_ms=", "", $4); print $4}' "$log")
    record menu_on_screen_ms "$((first - t0))"
    record game_peak_rss_mb "$(awk -F': ' '/Maximum resident/ {printf "%.1f", $2 / 1024}' "$work/time-$run.txt")"
    awk '$1 == "timer" {
            name = $2; sub("frmGame.", "", name)
            for (i = 3; i <= NF; ++i) { split($i, kv, "="); v[kv[1]] = kv[2] }
            if (v["ticks"] > 0) printf "%s_per_second %.3f\n", name, v["per_second_awake"]
        }' "$log" >>"$work/figures"

    # Level 14 with the stand-in player at scale 1, a stand-in for each of two players at
    # scale 1 (between the two games of one, so the machine's load falls on both alike), and
    # one player at scale 2.
    for game in "1 1" "1 2" "2 1"; do
        read -r players scale <<<"$game"
        name="level14_scale${scale}"
        [ "$players" = 2 ] && name="level14_two_scale${scale}"
        log="$work/ticks-l14-$run-$players-$scale.log"
        QUIBBLIX_TICK_LOG=$log /usr/bin/time -v -o "$work/time-l14-$run-$players-$scale.txt" \
            "$LIVE" --scale "$scale" --level 14 --players "$players" --autoplay --seconds 26 \
            2>/dev/null &
        pid=$(child_of $!)
        sleep 5
        record "${name}_cpu_percent" "$(cpu_over "$pid" 20)"
        wait || true
        record "${name}_peak_rss_mb" \
            "$(awk -F': ' '/Maximum resident/ {printf "%.1f", $2 / 1024}' "$work/time-l14-$run-$players-$scale.txt")"
        awk -v n="$name" '$1 == "timer" && $2 == "frmGame.tmrBubbles" {
                for (i = 3; i <= NF; ++i) { split($i, kv, "="); v[kv[1]] = kv[2] }
                printf "%s_tmrBubbles_per_second %.3f\n", n, v["per_second_awake"]
            }' "$log" >>"$work/figures"
    done
done

# figure target-low target-high
targets='tmrBubbles_per_second 99 101
tmrBubbleSize_per_second 99 101
tmrArrowGrow_per_second 99 101
tmrLeft_per_second 61.5 63.5
tmrRight_per_second 61.5 63.5
tmrLevelStart_per_second 1.24 1.26
tmrBonus_per_second 0.99 1.01
menu_cpu_percent 0 1
level1_cpu_percent 0 8
paused_cpu_percent 0 1
level14_scale1_cpu_percent 0 8
level14_scale2_cpu_percent - -
level14_two_scale1_cpu_percent 0 8
level14_scale1_tmrBubbles_per_second 99 101
level14_scale2_tmrBubbles_per_second 99 101
level14_two_scale1_tmrBubbles_per_second 99 101
menu_on_screen_ms 0 300
game_peak_rss_mb 0 50
level14_scale1_peak_rss_mb 0 50
level14_scale2_peak_rss_mb - -
level14_two_scale1_peak_rss_mb 0 50'

echo "Quibblix in a window: $RUNS runs on $(nproc) cores of" \
    "$(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo), load average $load0 before," \
    "$(cut -d' ' -f1 /proc/loadavg) after"
printf '%-28s %10s %21s  %s\n' figure median "range" target
failed=0
while read -r name low high; do
    values=$(awk -v n="$name" '$1 == n {print $2}' "$work/figures" | sort -g)
    [ -n "$values" ] || { printf '%-28s %10s\n' "$name" "no ticks"; continue; }
    line=$(echo "$values" | awk -v lo="$low" -v hi="$high" '
        { v[NR] = $1 }
        END {
            m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
            verdict = "-"
            if (lo != "-") verdict = (v[1] >= lo && v[NR] <= hi) ? "ok" : "MISSED"
            printf "%10.3f %10.3f - %8.3f  %s %s\n", m, v[1], v[NR], (lo == "-" ? "" : lo "-" hi), verdict
        }')
    printf '%-28s %s\n' "$name" "$line"
    case "$line" in *MISSED) failed=1 ;; esac
done <<<"$targets"

# A game of two on level 14 against one, by the medians of the runs: within 1.2 times.
median_of() {
    awk -v n="$1" '$1 == n {print $2}' "$work/figures" | sort -g | awk '
        { v[NR] = $1 } END { if (NR) print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
one=$(median_of level14_scale1_cpu_percent)
two=$(median_of level14_two_scale1_cpu_percent)
if [ -n "$one" ] && [ -n "$two" ]; then
    line=$(awk -v a="$two" -v b="$one" 'BEGIN {
        r = b > 0 ? a / b : 0
        printf "%10.3f %21s  0-1.2 %s\n", r, "", (r <= 1.2 ? "ok" : "MISSED") }')
    printf '%-28s %s\n' level14_two_to_one_cpu "$line"
    case "$line" in *MISSED) failed=1 ;; esac
fi
exit "$failed"
