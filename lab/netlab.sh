#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The test lab: a small isolated network of namespaces, built afresh for one
# command and always torn down. Nothing is added to the machine's own
# namespace, and the scanner's namespace has no route out, so no echo or name
# query of a test can leave the machine.
#
#   netlab.sh run [--socket dgram|raw] [--responder PATH] [--lan-hosts N] [--all-answer] [--hostile-host] -- COMMAND...
#
# LAN 198.51.100.0/24 on a bridge:
#   .2   the scanner (runs COMMAND, host name "scanner")
#   .5 .10 .11 .50 answer and have names; .12 .13 answer without a name
#   .14  with --hostile-host only: answers; its name holds control, bidirectional
#        and format characters (ESC, BEL, DEL, the C1 CSI, U+202E, U+2066, U+061C)
#   .20  silent (nobody has it)
#   .30  answers late: its kernel ignores echoes, the responder answers after 30 ms
#   .254 router to 203.0.113.0/24: .10 answers behind it, .20 is silent behind
#        it (the router reports it unreachable), .128/25 is an unreachable route
#        and routes to 192.0.2.0/24 and 198.18.0.0/16, which it drops without
#        any ICMP error (blackhole): silent routed ranges
#        Behind it too, ignoring echo: 203.0.113.30 refuses TCP (RST on every
#        port), .31 listens on TCP port 443 (and refuses the others), .32 drops
#        everything (no RST, no ICMP error): found by a TCP knock, or never
#   .40 .41 .42 ignore echo but answer ARP, each with a MAC of its own (not
#        with --all-answer): .40 00:1c:42:5c:a1:40 of an MA-L maker ("Parallels,
#        Inc."), .41 70:b3:d5:71:9a:41 of an MA-S block inside IEEE's 70:B3:D5
#        ("2M Technology"), .42 02:5c:a1:00:00:42 locally administered
# --lan-hosts N adds answering hosts .101 .. .(100+N) without names (N up to 153).
# Where the lab cannot be built (not root, no ip, ip netns add fails) the
# command is not run: exit 77 (skipped), or 1 under SCANVET_LAB_REQUIRED=1.
# --all-answer gives every LAN address .1 .. .253 that nobody has an answering
# host without a name (.20 then answers too; .30 stays late).
# lab/slow_name_server.py, started by a test inside the scanner's namespace,
# is a name server on its loopback that holds every reverse look-up.
# --socket dgram lets the scanner use the unprivileged ping socket; raw forbids
# it there (ping_group_range "1 0"), so the raw socket is used.
set -u

socket=dgram
responder=""
lan_hosts=0
all_answer=0
hostile=0
while [ $# -gt 0 ]; do
  case "$1" in
    run) shift ;;
    --socket) socket=$2; shift 2 ;;
    --responder) responder=$2; shift 2 ;;
    --lan-hosts) lan_hosts=$2; shift 2 ;;
    --all-answer) all_answer=1; shift ;;
    --hostile-host) hostile=1; shift ;;
    --) shift; break ;;
    *) echo "netlab: unknown argument $1" >&2; exit 2 ;;
  esac
done
[ $# -gt 0 ] || { echo "netlab: no command given" >&2; exit 2; }
# The hosts .101 upwards stay below the router's .254.
case "$lan_hosts" in
  ''|*[!0-9]*|0?*) echo "netlab: --lan-hosts '$lan_hosts' is not a whole number from 0 to 153" >&2; exit 2 ;;
esac
if [ "$lan_hosts" -gt 153 ]; then
  echo "netlab: --lan-hosts $lan_hosts does not fit: 0 to 153 hosts (.101 to .253, below the router's .254)" >&2
  exit 2
fi

# Outside the lab the command would send its echoes on the real network: it is
# never run there. 77 is ctest's "skipped".
unavailable() {
  if [ "${SCANVET_LAB_REQUIRED:-}" = 1 ]; then
    echo "netlab: test lab not available: $1; the command is not run (SCANVET_LAB_REQUIRED=1: failing)" >&2
    exit 1
  fi
  echo "netlab: test lab not available: $1; the command is not run (skipped)" >&2
  exit 77
}
if [ "$(id -u)" != 0 ]; then unavailable "needs root to create network namespaces"; fi
if ! command -v ip >/dev/null; then unavailable "the ip command (iproute2) is missing"; fi

id=$(printf 'sv%04x%04x' $(( $$ & 0xffff )) $(( RANDOM )))
sc=${id}sc sw=${id}sw hs=${id}hs lt=${id}lt rt=${id}rt far=${id}fa
namespaces=("$sc" "$sw" "$hs" "$lt" "$rt" "$far")
pids=()

teardown() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for n in "${namespaces[@]}"; do ip netns del "$n" 2>/dev/null; done
  rm -rf "/etc/netns/$sc"
}
trap teardown EXIT
trap 'exit 130' INT TERM

fail() { echo "netlab: $1" >&2; exit 1; }

for n in "${namespaces[@]}"; do
  if ! ip netns add "$n" 2>/dev/null; then
    teardown; trap - EXIT
    unavailable "cannot create network namespaces (ip netns add failed)"
  fi
  ip -n "$n" link set lo up
done

ip -n "$sw" link add br0 type bridge || fail "cannot create the bridge"
ip -n "$sw" link set br0 up
# Plug namespace $1 into the bridge as eth0 with address $2 and the fixed,
# locally administered MAC 02:00:00:00:00:$4, so that reports can be compared.
plug() {
  local ns=$1 addr=$2 port=p$3
  ip -n "$sw" link add "$port" type veth peer name eth0 netns "$ns" || fail "cannot create veth for $ns"
  ip -n "$sw" link set "$port" master br0 up
  ip -n "$ns" link set eth0 address "02:00:00:00:00:$4"
  ip -n "$ns" addr add "$addr" dev eth0
  ip -n "$ns" link set eth0 up
}
plug "$sc" 198.51.100.2/24 sc 02
plug "$hs" 198.51.100.10/24 hs 10
plug "$lt" 198.51.100.30/24 lt 30
plug "$rt" 198.51.100.254/24 rt fe
for a in 5 11 12 13 50; do ip -n "$hs" addr add 198.51.100.$a/24 dev eth0; done
[ "$hostile" = 0 ] || ip -n "$hs" addr add 198.51.100.14/24 dev eth0
i=1
while [ "$i" -le "$lan_hosts" ]; do
  ip -n "$hs" addr add 198.51.100.$(( 100 + i ))/24 dev eth0
  i=$(( i + 1 ))
done
if [ "$all_answer" = 1 ]; then
  # One ip call for all of them: some 240 separate calls take seconds.
  taken=" 2 5 10 11 12 13 30 50 "
  [ "$hostile" = 0 ] || taken="$taken""14 "
  i=1
  while [ "$i" -le "$lan_hosts" ]; do taken="$taken$(( 100 + i )) "; i=$(( i + 1 )); done
  for a in $(seq 1 253); do
    case "$taken" in *" $a "*) ;; *) echo "address add 198.51.100.$a/24 dev eth0" ;; esac
  done | ip -n "$hs" -batch - || fail "cannot add the answering hosts"
fi

# The ARP-only hosts: each in a namespace of its own, so that each has its own MAC.
arp_only=""
if [ "$all_answer" = 0 ]; then
  for host in 40=00:1c:42:5c:a1:40 41=70:b3:d5:71:9a:41 42=02:5c:a1:00:00:42; do
    octet=${host%%=*} ns=${id}a${host%%=*}
    namespaces+=("$ns")
    ip netns add "$ns" || fail "cannot create the namespace of .$octet"
    ip -n "$sw" link add "pa$octet" type veth peer name eth0 netns "$ns" || fail "cannot create veth for .$octet"
    ip -n "$sw" link set "pa$octet" master br0 up
    ip -n "$ns" link set eth0 address "${host#*=}"
    ip -n "$ns" addr add "198.51.100.$octet/24" dev eth0
    ip netns exec "$ns" sysctl -qw net.ipv4.icmp_echo_ignore_all=1
    ip -n "$ns" link set lo up
    ip -n "$ns" link set eth0 up
    arp_only="$arp_only${arp_only:+ }$ns"
  done
fi

ip -n "$rt" link add eth1 type veth peer name eth0 netns "$far" || fail "cannot create the far link"
ip -n "$rt" addr add 203.0.113.1/24 dev eth1
ip -n "$rt" link set eth1 up
ip -n "$rt" route add unreachable 203.0.113.128/25
ip netns exec "$rt" sysctl -qw net.ipv4.ip_forward=1
# Every error the router owes is sent: a sweep draws many a second.
ip netns exec "$rt" sysctl -qw net.ipv4.icmp_ratemask=0
ip -n "$far" addr add 203.0.113.10/24 dev eth0
ip -n "$far" link set eth0 up
ip -n "$far" route add default via 203.0.113.1
# The hosts that ignore echo behind the router, in a namespace of their own so
# that .10 keeps answering it.
quiet=${id}qu
namespaces+=("$quiet")
ip netns add "$quiet" || fail "cannot create the namespace of the quiet hosts"
ip -n "$quiet" link set lo up
ip -n "$rt" link add eth2 type veth peer name eth0 netns "$quiet" || fail "cannot create the quiet hosts' link"
ip -n "$rt" link set eth2 up
ip -n "$quiet" link set eth0 up
for a in 30 31 32; do
  ip -n "$quiet" addr add 203.0.113.$a/32 dev eth0
  ip -n "$rt" route add 203.0.113.$a/32 dev eth2
done
ip -n "$rt" addr add 203.0.113.1/32 dev eth2
ip -n "$quiet" route add 203.0.113.1/32 dev eth0
ip -n "$quiet" route add default via 203.0.113.1
ip netns exec "$quiet" sysctl -qw net.ipv4.icmp_echo_ignore_all=1
ip netns exec "$quiet" nft -f - <<NFT || fail "cannot make 203.0.113.32 drop everything (nft)"
table ip lab {
  chain input { type filter hook input priority 0; ip daddr 203.0.113.32 drop; }
}
NFT
# Accepts on 203.0.113.31:443 and closes at once; the lab waits until it listens.
ip netns exec "$quiet" python3 -c '
import socket
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("203.0.113.31", 443))
s.listen(512)
while True:
    s.accept()[0].close()
' &
pids+=($!)
for _ in $(seq 50); do
  ip netns exec "$quiet" ss -Hltn 'sport = :443' | grep -q . && break
  sleep 0.1
done
ip netns exec "$quiet" ss -Hltn 'sport = :443' | grep -q . || fail "the listener on 203.0.113.31:443 did not start"
ip -n "$hs" route add 203.0.113.0/24 via 198.51.100.254
ip -n "$sc" route add 203.0.113.0/24 via 198.51.100.254
for silent in 192.0.2.0/24 198.18.0.0/16; do
  ip -n "$rt" route add blackhole "$silent"
  ip -n "$sc" route add "$silent" via 198.51.100.254
done

ip netns exec "$lt" sysctl -qw net.ipv4.icmp_echo_ignore_all=1
if [ -n "$responder" ]; then
  ip netns exec "$lt" "$responder" 198.51.100.30 30 &
  pids+=($!)
fi

if [ "$socket" = raw ]; then range="1 0"; else range="0 2147483647"; fi
ip netns exec "$sc" sysctl -qw "net.ipv4.ping_group_range=$range"
ip netns exec "$sc" sysctl -qw net.ipv6.conf.all.disable_ipv6=1

# ip netns exec bind-mounts these over /etc inside the scanner's namespace.
mkdir -p "/etc/netns/$sc"
cat > "/etc/netns/$sc/hosts" <<HOSTS
127.0.0.1	localhost
198.51.100.2	scanner.lab scanner
198.51.100.5	echo5.lab echo5
198.51.100.10	alpha.lab alpha
198.51.100.11	bravo.lab bravo
198.51.100.50	echo50.lab echo50
198.51.100.30	late.lab late
203.0.113.10	far.lab far
HOSTS
[ "$hostile" = 0 ] || printf '198.51.100.14\tesc\033[2Jbel\007del\177csi\302\233rlo\342\200\256lri\342\201\246alm\330\234.lab\n' >> "/etc/netns/$sc/hosts"
printf 'nameserver 127.0.0.1\noptions timeout:1 attempts:1\n' > "/etc/netns/$sc/resolv.conf"
printf 'hosts: files dns\nnetworks: files\n' > "/etc/netns/$sc/nsswitch.conf"

# SCANVET_LAB_HOSTS names the hosts' namespace, so that a test can take a host away (ip -n).
# SCANVET_LAB_ARP_HOSTS names the ARP-only hosts' namespaces, .40 .41 .42 in turn (empty with --all-answer).
export SCANVET_LAB=1 SCANVET_LAB_SOCKET=$socket SCANVET_LAB_RESPONDER=${responder:+1} SCANVET_LAB_HOSTS=$hs
export SCANVET_LAB_ARP_HOSTS=$arp_only
ip netns exec "$sc" unshare --uts sh -c 'hostname scanner; exec "$@"' sh "$@"
exit $?
