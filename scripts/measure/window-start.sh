#!/bin/sh
# Start time, memory and idle CPU of the player in a real window under Xvfb.
#   scripts/measure/window-start.sh TOOL [RUNS]
# TOOL is a velmoor-tool binary. Each run starts the demo in a window
# (no --headless) on a fresh Xvfb screen and reports:
#   first  ms from the launch to the first picture handed to the window system
#          (timed by first_present.so, preloaded, so any build can be measured)
#   rss    the largest resident set (MB) seen while the demo runs its title
#   idle   CPU (% of one core) over 10 s once the title waits for a choice
# and the medians over RUNS (6 by default).
set -eu
TOOL=$(readlink -f "$1")
RUNS=${2:-6}
HERE=$(cd "$(dirname "$0")" && pwd)
DEMO=$(cd "$HERE/../../demo" && pwd)
WORK=$(mktemp -d)
trap 'kill $XPID 2>/dev/null || true; rm -rf "$WORK"' EXIT
# A copy of the demo: one player runs per game folder, and a test or a
# player already running the demo must not stop these runs.
cp -r "$DEMO" "$WORK/demo"
DEMO="$WORK/demo"
gcc -O2 -shared -fPIC -o "$WORK/first_present.so" "$HERE/first_present.c" -ldl
# Xvfb picks a free display and names it.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$WORK/display" >/dev/null 2>&1 &
XPID=$!
n=0
while [ ! -s "$WORK/display" ] && [ $n -lt 100 ]; do sleep 0.1; n=$((n + 1)); done
DISPLAY_NUM=:$(cat "$WORK/display")
ticks=$(getconf CLK_TCK)
cpu_of() { awk '{print $14 + $15}' /proc/$1/stat; }
i=0
while [ $i -lt $RUNS ]; do
    i=$((i + 1))
    start=$(date +%s%3N)
    DISPLAY=$DISPLAY_NUM LD_PRELOAD="$WORK/first_present.so" SDL_AUDIODRIVER=dummy \
        "$TOOL" run --exit-after 16000 --save-dir "$WORK/save" "$DEMO" 2>"$WORK/err" &
    pid=$!
    peak=0
    n=0
    while [ $n -lt 40 ] && kill -0 $pid 2>/dev/null; do   # 4 s of the title's animation
        rss=$(awk '/VmRSS/ {print $2}' /proc/$pid/status 2>/dev/null || echo 0)
        [ "${rss:-0}" -gt "$peak" ] && peak=$rss
        sleep 0.1
        n=$((n + 1))
    done
    if ! kill -0 $pid 2>/dev/null; then echo "the player ended early:" >&2; cat "$WORK/err" >&2; exit 1; fi
    c0=$(cpu_of $pid); sleep 10
    if ! c1=$(cpu_of $pid); then echo "the player ended before the idle time was measured:" >&2; cat "$WORK/err" >&2; exit 1; fi
    wait $pid || true
    first=$(awk '/^first-present/ {print $2}' "$WORK/err")
    how=$(awk '/^first-present/ {print $3}' "$WORK/err")
    echo "run $i: first $(echo "$first - $start" | bc) ms ($how)  rss $((peak / 1024)) MB  idle $(echo "scale=2; ($c1 - $c0) * 100 / $ticks / 10" | bc) %"
done | tee "$WORK/runs"
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
echo "median first $(awk '{print $4}' "$WORK/runs" | median) ms, rss $(awk '{print $8}' "$WORK/runs" | median) MB, idle $(awk '{print $11}' "$WORK/runs" | median) %"
