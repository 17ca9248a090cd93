#!/bin/sh
# The window left alone with a movie in its 120 × 90 view: the cores it uses while the
# preview plays (CPU seconds per second, between 5 s and 20 s after start), its memory
# then and its peak. Without a movie, the window alone. Usage: bench/preview_idle.sh
# [MOVIE] (needs xvfb-run).
set -eu
cd "$(dirname "$0")/.."
movie=$(if [ $# -gt 0 ]; then realpath "$1"; fi)
exec xvfb-run -a -s "-screen 0 800x600x24" sh -c '
    if [ -n "$0" ]; then build/pomi-pomira-avi "$0" 2>/dev/null & else build/pomi-pomira-avi 2>/dev/null & fi
    pid=$!
    ticks=$(getconf CLK_TCK)
    cpu() { awk "{print \$14 + \$15}" /proc/$pid/stat; }
    sleep 5
    a=$(cpu)
    sleep 15
    b=$(cpu)
    peak=$(awk "/VmHWM/ {print \$2}" /proc/$pid/status)
    now=$(awk "/VmRSS/ {print \$2}" /proc/$pid/status)
    kill $pid
    wait $pid 2>/dev/null || true
    echo "${0:-no movie}" | awk -v a="$a" -v b="$b" -v t="$ticks" -v p="$peak" -v n="$now" \
        "{printf \"idle window with %s: %.3f of a core, %d MB while playing, peak %d MB\\n\", \$0, (b - a) / t / 15, n / 1024, p / 1024}"
' "$movie"
