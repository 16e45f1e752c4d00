#!/usr/bin/env bash
# Burst benchmark: 500 simulated bridges answer all three discovery requests at once, with no
# delay or jitter (1500 datagrams per scan), over real UDP between two private network
# namespaces. Runs 20 consecutive scans with the receive buffer the program asks for, then 20
# with the buffer held to 212 992 bytes (the kernel doubles the 106 496 asked for), the cap a
# stock kernel puts on an unprivileged program. Needs root.
#
#   bench/burst.sh BUILD_DIR [SCANS]
set -euo pipefail
build="$(realpath "$1")"
scans="${2:-20}"
here="$(cd "$(dirname "$0")" && pwd)"
netns="$here/../tests/e2e/netns.sh"
prefix="vtb$$"

cleanup() {
  [[ -n "${sim_pid:-}" ]] && kill "$sim_pid" 2>/dev/null || true
  "$netns" down "$prefix"
}
trap cleanup EXIT
source "$here/pin.sh"
"$netns" up "$prefix"

"${sim_cpu[@]}" ip netns exec "$prefix-b" "$build/app/vantoro-bridge-sim" --count 500 --delay 0 --jitter 0 \
  --exit-after 600 2>/dev/null &
sim_pid=$!
sleep 1

status=0
for rcvbuf in default 106496; do
  args=(--scans "$scans" --expect 500)
  [[ "$rcvbuf" != default ]] && args+=(--rcvbuf "$rcvbuf")
  echo "== receive buffer: $rcvbuf"
  "${program_cpu[@]}" ip netns exec "$prefix-a" "$build/bench/vantoro_bench_burst_scan" "${args[@]}" || status=1
done
exit "$status"
