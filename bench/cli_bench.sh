#!/usr/bin/env bash
# Whole-process figures of nomispot-check: 2048 names at 5 ms against NSD on loopback.
# Prints the run's wall time against its schedule and the peak memory, and compares every
# name's state with adnshost asking the same server (NXDOMAIN means available).
#
# Usage: bench/cli_bench.sh [directory of nomispot-check]   (default: build/bin)
# Needs root (NSD on port 53), nsd, /usr/bin/time and adnshost (Debian adns-tools).
set -euo pipefail

ADDRESS=127.53.0.4
NAMES=2048
DELAY_MS=5
RETRIES=1

here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/nsd_conf.sh
source "$here/bench/nsd_conf.sh"
bindir=$(cd "${1:-$here/build/bin}" && pwd)
cli=$bindir/nomispot-check
[[ -x $cli ]] || { echo "no $cli: build the nomispot-check target first" >&2; exit 1; }
[[ $(id -u) -eq 0 ]] || { echo "NSD on port 53 needs root" >&2; exit 1; }
nsd=$(command -v nsd || echo /usr/sbin/nsd)
[[ -x $nsd ]] || { echo "nsd is not installed (apt-get install nsd)" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "/usr/bin/time is missing (apt-get install time)" >&2; exit 1; }
if ! command -v adnshost > /dev/null; then
    apt-get install -y adns-tools > /dev/null
fi

work=$(mktemp -d)
nsd_pid=
cleanup() {
    [[ -n $nsd_pid ]] && kill "$nsd_pid" 2> /dev/null && wait "$nsd_pid" 2> /dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Every third name exists, so both verdicts come back.
for ((i = 1; i <= NAMES; i++)); do printf 'bench%04d\n' "$i"; done > "$work/names.txt"
{
    printf '$ORIGIN com.\n$TTL 60\n@ SOA ns.com. hostmaster.com. 1 3600 600 86400 60\n'
    printf '@ NS ns.com.\nns A 192.0.2.53\n'
    awk 'NR % 3 == 0 { print $0 " A 192.0.2.1" }' "$work/names.txt"
} > "$work/com.zone"
nsd_conf "$ADDRESS" "$work" com > "$work/nsd.conf"
"$nsd" -d -c "$work/nsd.conf" > "$work/nsd.out" 2>&1 &
nsd_pid=$!
# adnshost exits non-zero whenever an answer is a failure such as NXDOMAIN: read its output only.
adns() { adnshost --config "nameserver $ADDRESS" -Fa -t ns "$@" 2> /dev/null || true; }
answering=
for ((try = 0; try < 100; try++)); do
    [[ $(adns probe.com) == *nxdomain* ]] && answering=1 && break
    sleep 0.1
done
[[ -n $answering ]] ||
    { echo "NSD did not answer on $ADDRESS" >&2; cat "$work/nsd.out" "$work/nsd.log" >&2; exit 1; }

: > "$work/settings.ini" # an empty settings file: nothing stored
start=$(date +%s%N)
/usr/bin/time -v -o "$work/time.txt" "$cli" --settings "$work/settings.ini" --quiet \
    --nameserver "$ADDRESS" --delay "$DELAY_MS" --retries "$RETRIES" --tlds com --format csv \
    --file "$work/names.txt" > "$work/cli.csv"
end=$(date +%s%N)

wall_ms=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.1f", (e - s) / 1e6 }')
peak_kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
not_checked=$(grep -c ',not_checked,' "$work/cli.csv" || true)
# One pass that sends every name: a tick after each send, the 3-tick pause, the final wait of
# 10 ticks or 100 ms, whichever is longer.
sends=$NAMES
final_ticks=$(((100 + DELAY_MS - 1) / DELAY_MS))
((final_ticks < 10)) && final_ticks=10
schedule_ticks=$((sends + 3 * RETRIES + final_ticks))
schedule_ms=$((schedule_ticks * DELAY_MS))

# The reference verdicts: adnshost asks the same server for every name.
sed 's/$/.com/' "$work/names.txt" > "$work/domains.txt"
adns -f < "$work/domains.txt" |
    awk '$1 ~ /^[0-9]+$/ && NF >= 6 {
             state = ($5 == "nxdomain") ? "available" \
                   : ($3 == "ok" || $5 == "nodata") ? "unavailable" : "not_checked"
             print $6 "," state
         }' | sort > "$work/adns.txt"
tail -n +2 "$work/cli.csv" | awk -F, '{ print $1 "," $4 }' | sort > "$work/cli.txt"
differ=$(comm -3 "$work/cli.txt" "$work/adns.txt" | wc -l)
available=$(grep -c ',available$' "$work/cli.txt" || true)

echo "names:             $NAMES at $DELAY_MS ms, retries $RETRIES"
echo "wall time:         $wall_ms ms (process, start to exit)"
echo "schedule:          $schedule_ms ms ($schedule_ticks ticks)"
awk -v w="$wall_ms" -v s="$schedule_ms" 'BEGIN { printf "wall / schedule:   %.4f\n", w / s }'
echo "peak memory:       $peak_kb kB"
echo "available:         $available, not checked: $not_checked"
if [[ $not_checked -gt 0 ]]; then
    echo "warning: some names got no answer in the first pass; the schedule above is a floor"
fi
echo "differences from adnshost: $differ"
[[ $differ -eq 0 ]]
