#!/usr/bin/env bash
# Start-up of the program against a bare Qt Widgets program that shows one empty window, side by
# side in one run: the time from process start until the main window is shown, and the peak
# memory of the whole process. The two run alternately, offscreen; each prints "shown" when its
# window is up and ends at once (NOMISPOT_EXIT_WHEN_SHOWN). A third line, for reference, is the
# bare window holding one line edit: the cost of the font database any window with text pays.
#
# Usage: bench/startup_bench.sh [directory of the programs] [runs]   (default: build/bin, 30)
# Build a Release tree first; needs /usr/bin/time (apt-get install time).
set -euo pipefail
export LC_ALL=C

here=$(cd "$(dirname "$0")/.." && pwd)
bindir=$(cd "${1:-$here/build/bin}" && pwd)
runs=${2:-30}
program=$bindir/nomispot
bare=$bindir/bench_bare_window
for p in "$program" "$bare"; do
    [[ -x $p ]] || { echo "no $p: build the nomispot and bench_bare_window targets" >&2; exit 1; }
done
[[ -x /usr/bin/time ]] || { echo "/usr/bin/time is missing (apt-get install time)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Settings of a later start, so that no first-run wizard stands between start and window.
mkdir -p "$work/config/Nomispot"
printf '[main]\ninit=False\ndns=127.0.0.1\nretries=3\ndelay=50\ndomains=default\n' \
    > "$work/config/Nomispot/Nomispot.ini"
export QT_QPA_PLATFORM=offscreen NOMISPOT_EXIT_WHEN_SHOWN=1 XDG_CONFIG_HOME=$work/config

# One start of the command $@: prints the milliseconds until "shown" and the peak memory in kB.
measure() {
    local start shown
    start=$EPOCHREALTIME
    shown=$(/usr/bin/time -v -o "$work/time.txt" "$@" 2> /dev/null | {
        while IFS= read -r line; do
            if [[ $line == shown ]]; then
                echo "$EPOCHREALTIME"
                break
            fi
        done
        cat > /dev/null
    })
    if [[ -z $shown ]]; then
        echo "$1 never printed \"shown\"" >&2
        exit 1
    fi
    local kb
    kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
    awk -v s="$start" -v e="$shown" -v kb="$kb" 'BEGIN { printf "%.3f %d\n", (e - s) * 1000, kb }'
}

# A first start of each fills the file caches; it is not counted.
measure "$program" > /dev/null
measure "$bare" > /dev/null
: > "$work/program.txt"
: > "$work/bare.txt"
: > "$work/text.txt"
for ((i = 0; i < runs; i++)); do
    measure "$program" >> "$work/program.txt"
    measure "$bare" >> "$work/bare.txt"
    measure "$bare" --text >> "$work/text.txt"
done

median() { # column $2 of file $1
    sort -g -k"$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END {
        print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
pt=$(median "$work/program.txt" 1)
bt=$(median "$work/bare.txt" 1)
pm=$(median "$work/program.txt" 2)
bm=$(median "$work/bare.txt" 2)
tt=$(median "$work/text.txt" 1)
tm=$(median "$work/text.txt" 2)
awk -v pt="$pt" -v bt="$bt" -v pm="$pm" -v bm="$bm" -v tt="$tt" -v tm="$tm" -v n="$runs" 'BEGIN {
    printf "%d starts of each, medians                   program      bare    ratio  target\n", n
    printf "time from process start to window shown  %8.1f ms %6.1f ms  %6.3f  <= 1.3\n",
        pt, bt, pt / bt
    printf "peak memory                              %8.1f MB %6.1f MB  %6.3f  <= 1.3\n",
        pm / 1024, bm / 1024, pm / bm
    printf "for reference, the bare window with one line edit: %.1f ms (%.3f), %.1f MB (%.3f)\n",
        tt, tt / bt, tm / 1024, tm / bm
}'
