# shellcheck shell=bash
# Sourced by the benchmark scripts: the configuration of an NSD in the foreground on one loopback
# address, port 53, its files in a work folder.

# Prints the configuration for NSD on address, working in dir, serving the zones named (each from
# dir/<zone>.zone).
nsd_conf() {
    local address=$1 dir=$2
    shift 2
    cat << EOF
server:
  ip-address: $address@53
  port: 53
  username: ""
  chroot: ""
  zonesdir: "$dir"
  database: ""
  pidfile: "$dir/nsd.pid"
  xfrdfile: "$dir/xfrd.state"
  zonelistfile: "$dir/zone.list"
  xfrdir: "$dir"
  logfile: "$dir/nsd.log"
  server-count: 1
  verbosity: 1
  rrl-ratelimit: 0
  reuseport: no
remote-control:
  control-enable: no
EOF
    local zone
    for zone in "$@"; do printf 'zone:\n  name: %s\n  zonefile: "%s.zone"\n' "$zone" "$zone"; done
}
