#!/usr/bin/env bash
# Two private network namespaces joined by a veth pair, for tests that need real UDP broadcast.
# Nothing in them reaches this machine's own interfaces.
#
#   netns.sh up   PREFIX   creates PREFIX-a (10.213.0.1/24) and PREFIX-b (10.213.0.2/24)
#   netns.sh down PREFIX   removes both (and with them the veth pair)
set -euo pipefail
cmd="$1"
prefix="$2"
a="$prefix-a"
b="$prefix-b"

case "$cmd" in
up)
  ip netns add "$a"
  ip netns add "$b"
  ip link add "$prefix-va" type veth peer name "$prefix-vb"
  ip link set "$prefix-va" netns "$a"
  ip link set "$prefix-vb" netns "$b"
  ip -n "$a" addr add 10.213.0.1/24 dev "$prefix-va"
  ip -n "$b" addr add 10.213.0.2/24 dev "$prefix-vb"
  for ns in "$a" "$b"; do ip -n "$ns" link set lo up; done
  ip -n "$a" link set "$prefix-va" up
  ip -n "$b" link set "$prefix-vb" up
  # Limited broadcasts leave by the default route's interface.
  ip -n "$a" route add default dev "$prefix-va"
  ip -n "$b" route add default dev "$prefix-vb"
  ;;
down)
  ip netns del "$a" 2>/dev/null || true
  ip netns del "$b" 2>/dev/null || true
  ;;
*)
  echo "usage: $0 up|down PREFIX" >&2
  exit 2
  ;;
esac
