#!/usr/bin/env bash
# Whole-process figures of nomispot-check on long lists, against NSD on loopback.
#
# lists: N names (every third one exists in the com zone NSD serves) checked under com at each
#   delay D, with a fresh cache per run. Prints the wall time against the schedule, peak RSS,
#   CPU (user + sys) per candidate and the not_checked rows. The schedule counts the 2 self-test
#   probes, every candidate, and per run of at most 2,048 candidates the 3-tick pause and the
#   final wait of max(10 ticks, 100 ms).
# tlds: one name against every suffix of data/tlds.txt, twice with the same cache, through a
#   UDP relay that counts the datagrams sent to NSD; the second run should send no probes.
#
# Usage: bench/long_list_bench.sh [-n "N ..."] [-d "D ..."] [--only lists|tlds] [-b BINDIR]
#   defaults: -n 100000 -d "1 5", both parts, BINDIR build/bin.
#   e.g. bench/long_list_bench.sh -n "100000 300000" -d 1 --only lists
# Needs root (NSD on port 53), nsd, python3 and /usr/bin/time (Debian time). Each invocation
# picks its own loopback address, so two can run at once (their timings then share the CPU).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/nsd_conf.sh
source "$here/bench/nsd_conf.sh"
names_list=100000
delays_list="1 5"
only=
bindir=$here/build/bin
while [[ $# -gt 0 ]]; do
    case $1 in
        -n) names_list=${2//,/ }; shift 2 ;;
        -d) delays_list=${2//,/ }; shift 2 ;;
        --only) only=$2; shift 2 ;;
        -b) bindir=$2; shift 2 ;;
        -h | --help) sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "unknown argument: $1 (see --help)" >&2; exit 1 ;;
    esac
done
case $only in "" | lists | tlds) ;; *) echo "--only takes lists or tlds" >&2; exit 1 ;; esac
for v in $names_list $delays_list; do
    [[ $v =~ ^[1-9][0-9]*$ ]] || { echo "not a positive number: $v" >&2; exit 1; }
done

bindir=$(cd "$bindir" && pwd)
cli=$bindir/nomispot-check
catalogue=$here/data/tlds.txt
[[ -x $cli ]] || { echo "no $cli: build the nomispot-check target first" >&2; exit 1; }
[[ $(id -u) -eq 0 ]] || { echo "NSD on port 53 needs root" >&2; exit 1; }
nsd=$(command -v nsd || echo /usr/sbin/nsd)
[[ -x $nsd ]] || { echo "nsd is not installed (apt-get install nsd)" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "/usr/bin/time is missing (apt-get install time)" >&2; exit 1; }
command -v python3 > /dev/null || { echo "python3 is missing" >&2; exit 1; }

# A loopback address of this invocation's own: NSD on port 53, the relay on port 5300.
ADDRESS=127.54.$((RANDOM % 250 + 1)).$(($$ % 250 + 1))
RELAY_PORT=5300
RETRIES=1

work=$(mktemp -d)
nsd_pid=
relay_pid=
stop_servers() {
    if [[ -n $relay_pid ]]; then kill "$relay_pid" 2> /dev/null || true; wait "$relay_pid" 2> /dev/null || true; fi
    if [[ -n $nsd_pid ]]; then kill "$nsd_pid" 2> /dev/null || true; wait "$nsd_pid" 2> /dev/null || true; fi
    relay_pid=
    nsd_pid=
}
cleanup() {
    stop_servers
    rm -rf "$work"
}
trap cleanup EXIT

# Asks server (address or address:port) for name's SOA; prints the rcode, or "none".
cat > "$work/ask.py" << 'EOF'
import socket, struct, sys
host, _, port = sys.argv[1].partition(":")
name = sys.argv[2]
q = struct.pack(">HHHHHH", 0x4242, 0x0100, 1, 0, 0, 0)
q += b"".join(bytes([len(l)]) + l.encode() for l in name.strip(".").split(".") if l) + b"\0"
q += struct.pack(">HH", 6, 1)
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.settimeout(0.2)
try:
    s.sendto(q, (host, int(port or 53)))
    print(s.recvfrom(4096)[0][3] & 0x0F)
except OSError:
    print("none")
EOF

# Forwards datagrams between its clients and the server, logging each query's name and type.
cat > "$work/relay.py" << 'EOF'
import select, socket, struct, sys
listen_host, listen_port, server_host, log_path = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
def question(data):
    labels, i = [], 12
    try:
        while data[i]:
            labels.append(data[i + 1:i + 1 + data[i]].decode("ascii", "replace"))
            i += 1 + data[i]
        return ".".join(labels) + ".", struct.unpack(">H", data[i + 1:i + 3])[0]
    except (IndexError, struct.error):
        return "?", 0
front = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
front.bind((listen_host, listen_port))
upstream = {}   # socket towards the server -> client address
by_client = {}  # client address -> socket towards the server
with open(log_path, "a", buffering=1) as log:
    print("ready", flush=True)
    while True:
        for sock in select.select([front] + list(upstream), [], [])[0]:
            if sock is front:
                data, client = front.recvfrom(65535)
                name, qtype = question(data)
                log.write(f"{name} {qtype}\n")
                up = by_client.get(client)
                if up is None:
                    up = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
                    up.connect((server_host, 53))
                    by_client[client] = up
                    upstream[up] = client
                up.send(data)
            else:
                try:
                    front.sendto(sock.recv(65535), upstream[sock])
                except OSError:
                    pass
EOF

# Starts NSD on ADDRESS serving the zones listed (name and file in $work), waits for probe_name.
start_nsd() {
    local probe_name=$1
    shift
    nsd_conf "$ADDRESS" "$work" "$@" > "$work/nsd.conf"
    rm -f "$work/zone.list" "$work/xfrd.state"
    "$nsd" -d -c "$work/nsd.conf" > "$work/nsd.out" 2>&1 &
    nsd_pid=$!
    for ((try = 0; try < 100; try++)); do
        [[ $(python3 "$work/ask.py" "$ADDRESS" "$probe_name") == 0 ]] && return 0
        sleep 0.1
    done
    echo "NSD did not answer on $ADDRESS" >&2
    cat "$work/nsd.out" "$work/nsd.log" >&2 2> /dev/null || true
    exit 1
}

# The minimal zone of suffix: SOA, NS and the nameserver's address, then any lines of stdin.
write_zone() {
    local suffix=$1
    {
        # shellcheck disable=SC2016 # $ORIGIN and $TTL are zone-file directives
        printf '$ORIGIN %s.\n$TTL 60\n@ SOA ns.%s. hostmaster.%s. 1 3600 600 86400 60\n' \
            "$suffix" "$suffix" "$suffix"
        printf '@ NS ns.%s.\nns A 192.0.2.53\n' "$suffix"
        cat
    } > "$work/$suffix.zone"
}

results=()

run_lists() {
    local max_n=0 n
    for n in $names_list; do ((n > max_n)) && max_n=$n; done
    # Every third name exists, so both verdicts come back.
    awk -v n="$max_n" 'BEGIN { for (i = 3; i <= n; i += 3) printf "long%07d A 192.0.2.1\n", i }' |
        write_zone com
    start_nsd com com
    local d
    for n in $names_list; do
        awk -v n="$n" 'BEGIN { for (i = 1; i <= n; i++) printf "long%07d\n", i }' > "$work/names.txt"
        for d in $delays_list; do
            local run=$work/run-$n-$d
            mkdir -p "$run/cache"
            : > "$run/settings.ini"
            local start end
            start=$(date +%s%N)
            XDG_CACHE_HOME=$run/cache /usr/bin/time -v -o "$run/time.txt" "$cli" \
                --settings "$run/settings.ini" --quiet --nameserver "$ADDRESS" --delay "$d" \
                --retries "$RETRIES" --tlds com --format csv --file "$work/names.txt" \
                > "$run/out.csv" 2> "$run/stderr.txt" || echo "exit status $? (N=$n D=$d)" >&2
            end=$(date +%s%N)
            local rows not_checked available peak_kb user sys
            rows=$(($(wc -l < "$run/out.csv") - 1))
            not_checked=$(grep -c ',not_checked,' "$run/out.csv" || true)
            available=$(grep -c ',available,' "$run/out.csv" || true)
            peak_kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$run/time.txt")
            user=$(awk -F': ' '/User time/ { print $2 }' "$run/time.txt")
            sys=$(awk -F': ' '/System time/ { print $2 }' "$run/time.txt")
            local line
            line=$(awk -v n="$n" -v d="$d" -v s="$start" -v e="$end" -v kb="$peak_kb" \
                -v u="$user" -v y="$sys" -v rows="$rows" -v av="$available" -v nc="$not_checked" '
                BEGIN {
                    wall = (e - s) / 1e6
                    runs = int((n + 2047) / 2048)
                    final = int(100 / d); if (final * d < 100) final++
                    if (final < 10) final = 10
                    sched = (n + 2 + runs * (3 + final)) * d
                    printf "N=%d D=%d ms: wall %.1f ms, schedule %d ms, wall/schedule %.4f, " \
                           "wall/(N*D) %.4f, peak RSS %.1f MB, CPU %.1f us/candidate " \
                           "(user %.2f s, sys %.2f s), rows %d, available %d, not_checked %d",
                        n, d, wall, sched, wall / sched, wall / (n * d), kb / 1024,
                        (u + y) * 1e6 / n, u, y, rows, av, nc
                }')
            echo "$line"
            results+=("$line")
            if [[ -s $run/stderr.txt ]]; then
                echo "  standard error (last lines):"
                tail -n 5 "$run/stderr.txt" | sed 's/^/    /'
            fi
            if [[ $not_checked -gt 0 ]]; then
                echo "  not_checked reasons:"
                grep ',not_checked,' "$run/out.csv" | awk -F, '{ print $6 }' | sort | uniq -c |
                    sed 's/^/    /'
            fi
        done
    done
    stop_servers
}

run_tlds() {
    # Every suffix of the catalogue: the TLD itself without subdomains, else each label's
    # second-level suffix (an empty label stands for the TLD).
    awk -F';' 'NF >= 1 && $1 != "" {
                   if ($4 == "") { print tolower($1); next }
                   n = split($4, labels, ":")
                   for (i = 1; i <= n; i++)
                       print (labels[i] == "" ? tolower($1) : tolower(labels[i] "." $1))
               }' "$catalogue" | tr -d '\r' | awk '!seen[$0]++' > "$work/suffixes.txt"
    local suffix
    while read -r suffix; do write_zone "$suffix" < /dev/null; done < "$work/suffixes.txt"
    mapfile -t suffixes < "$work/suffixes.txt"
    start_nsd com "${suffixes[@]}"
    : > "$work/relay.log"
    python3 "$work/relay.py" "$ADDRESS" "$RELAY_PORT" "$ADDRESS" "$work/relay.log" \
        > "$work/relay.out" 2>&1 &
    relay_pid=$!
    for ((try = 0; try < 100; try++)); do
        [[ $(python3 "$work/ask.py" "$ADDRESS:$RELAY_PORT" com) == 0 ]] && break
        sleep 0.1
    done
    [[ $try -lt 100 ]] || { echo "the relay did not answer" >&2; cat "$work/relay.out" >&2; exit 1; }
    local tld_list
    tld_list=$(paste -sd, "$work/suffixes.txt")
    local count=${#suffixes[@]} cache=$work/tld-cache
    mkdir -p "$cache"
    : > "$work/settings.ini"
    echo "one name x $count suffixes ($(wc -l < "$catalogue") catalogue entries), delay 5 ms:"
    local pass before after
    for pass in 1 2; do
        before=$(wc -l < "$work/relay.log")
        XDG_CACHE_HOME=$cache "$cli" --settings "$work/settings.ini" --quiet \
            --nameserver "$ADDRESS:$RELAY_PORT" --delay 5 --tlds "$tld_list" --format csv sunny \
            > "$work/tlds-$pass.csv" 2> "$work/tlds-$pass.err" || echo "exit status $? (pass $pass)" >&2
        sleep 0.2
        after=$(wc -l < "$work/relay.log")
        sed -n "$((before + 1)),${after}p" "$work/relay.log" > "$work/queries-$pass.txt"
        local sent candidates states
        sent=$((after - before))
        # A candidate query asks about sunny.<suffix>; the rest are self-test probes.
        candidates=$(grep -c '^sunny\.' "$work/queries-$pass.txt" || true)
        states=$(tail -n +2 "$work/tlds-$pass.csv" | awk -F, '{ print $4 }' | sort | uniq -c |
            awk '{ printf "%s%s %d", sep, $2, $1; sep = ", " }')
        local line="run $pass: $sent queries sent ($candidates for candidates, $((sent - candidates)) other, i.e. probes); states: $states"
        echo "  $line"
        results+=("tlds $line")
        if [[ -s $work/tlds-$pass.err ]]; then
            echo "  standard error (last lines):"
            tail -n 5 "$work/tlds-$pass.err" | sed 's/^/    /'
        fi
        if grep -q ',not_checked,' "$work/tlds-$pass.csv"; then
            echo "  not_checked:"
            grep ',not_checked,' "$work/tlds-$pass.csv" | awk -F, '{ print "    " $1 ": " $6 }' |
                head -n 20
        fi
        local repeated
        repeated=$(sort "$work/queries-$pass.txt" | uniq -d -c | sort -rn | head -n 5)
        if [[ -n $repeated ]]; then
            echo "  queries sent more than once (count, name, type):"
            printf '   %s\n' "${repeated//$'\n'/$'\n'   }"
        fi
    done
    stop_servers
}

echo "nomispot-check: $cli; server $ADDRESS"
[[ $only == tlds ]] || run_lists
[[ $only == lists ]] || run_tlds
echo
echo "summary:"
printf '  %s\n' "${results[@]}"
