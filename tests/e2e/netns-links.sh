#!/usr/bin/env bash
# A PC with several links, each to a namespace of its own, for tests of discovery on every
# interface. Private addresses inside private namespaces: nothing reaches this machine's own
# interfaces.
#
#   netns-links.sh up   PREFIX   creates the namespaces below
#   netns-links.sh down PREFIX   removes them (and with them every veth pair)
#
#   PREFIX-pc  the PC: PREFIX-p1 10.213.1.1/24 (the default route), PREFIX-p2 10.213.2.1/24,
#              PREFIX-p3 up without an IPv4 address, PREFIX-p4 10.213.4.1/24 and
#              PREFIX-p5 10.213.5.1/24
#   PREFIX-l1  the far end of p1, 10.213.1.2/24
#   PREFIX-l2  the far end of p2, 10.213.2.2/24
#   PREFIX-l3  the far end of p3, 10.213.3.2/24
#   PREFIX-lb  the far ends of p4 and p5 joined by a switch (a Linux bridge, 10.213.4.2/24):
#              one bridge reachable over two links
set -euo pipefail
cmd="$1"
prefix="$2"
pc="$prefix-pc"
spaces=("$pc" "$prefix-l1" "$prefix-l2" "$prefix-l3" "$prefix-lb")

# link N FAR_NAMESPACE: the veth pair PREFIX-pN (in the PC) and PREFIX-qN (in FAR_NAMESPACE).
link() {
  ip link add "$prefix-p$1" type veth peer name "$prefix-q$1"
  ip link set "$prefix-p$1" netns "$pc"
  ip link set "$prefix-q$1" netns "$2"
  ip -n "$pc" link set "$prefix-p$1" up
  ip -n "$2" link set "$prefix-q$1" up
}

case "$cmd" in
up)
  for ns in "${spaces[@]}"; do
    ip netns add "$ns"
    ip -n "$ns" link set lo up
  done
  link 1 "$prefix-l1"
  link 2 "$prefix-l2"
  link 3 "$prefix-l3"
  link 4 "$prefix-lb"
  link 5 "$prefix-lb"
  ip -n "$pc" addr add 10.213.1.1/24 dev "$prefix-p1"
  ip -n "$pc" addr add 10.213.2.1/24 dev "$prefix-p2"
  ip -n "$pc" addr add 10.213.4.1/24 dev "$prefix-p4"
  ip -n "$pc" addr add 10.213.5.1/24 dev "$prefix-p5"
  ip -n "$pc" route add default dev "$prefix-p1"
  for n in 1 2 3; do
    ip -n "$prefix-l$n" addr add "10.213.$n.2/24" dev "$prefix-q$n"
    # The simulator's replies are limited broadcasts: they leave by the default route.
    ip -n "$prefix-l$n" route add default dev "$prefix-q$n"
  done
  ip -n "$prefix-lb" link add "$prefix-sw" type bridge
  ip -n "$prefix-lb" link set "$prefix-q4" master "$prefix-sw"
  ip -n "$prefix-lb" link set "$prefix-q5" master "$prefix-sw"
  ip -n "$prefix-lb" link set "$prefix-sw" up
  ip -n "$prefix-lb" addr add 10.213.4.2/24 dev "$prefix-sw"
  ip -n "$prefix-lb" route add default dev "$prefix-sw"
  ;;
down)
  for ns in "${spaces[@]}"; do
    ip netns del "$ns" 2>/dev/null || true
  done
  ;;
*)
  echo "usage: $0 up|down PREFIX" >&2
  exit 2
  ;;
esac
