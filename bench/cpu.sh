#!/usr/bin/env bash
# CPU benchmark of the receive path, over real UDP between two private network namespaces
# (tests/e2e/netns.sh). Needs root. Three measurements:
#   1. idle scans: no bridge answers; CPU per 3.5-second scan (target: at most 50 ms);
#   2. unrelated traffic: another PC's discovery request every 2 ms on port 65432, while the
#      program only listens, then while it scans (target: at most 5 % of a core);
#   3. the 500-bridge burst (no delay, no jitter) with the receive buffer held to 212 992 bytes:
#      every scan lists 500 of 500 (target: 20 of 20), and its CPU per scan.
#
#   bench/cpu.sh BUILD_DIR [SCANS]
set -euo pipefail
build="$(realpath "$1")"
scans="${2:-20}"
here="$(cd "$(dirname "$0")" && pwd)"
netns="$here/../tests/e2e/netns.sh"
prefix="vtc$$"
pids=()

cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  "$netns" down "$prefix"
}
trap cleanup EXIT
source "$here/pin.sh"
"$netns" up "$prefix"
in_a() { "${program_cpu[@]}" ip netns exec "$prefix-a" "$@"; }
scan="$build/bench/vantoro_bench_burst_scan"

echo "== 1. idle scans (no bridge)"
in_a "$scan" --scans 5 --expect 0 | tail -1

echo "== 2. another PC scanning every 2 ms"
# Started directly, not through a function, so that $! is the process itself.
"${sim_cpu[@]}" ip netns exec "$prefix-b" "$build/bench/vantoro_bench_traffic" 2000 30 >/dev/null &
pids+=($!)
sleep 1
in_a "$scan" --idle-seconds 10 | tail -1
in_a "$scan" --scans 3 --expect 0 | tail -1
kill "${pids[-1]}" 2>/dev/null || true
wait "${pids[-1]}" 2>/dev/null || true

echo "== 3. 500-bridge burst, receive buffer 212 992 bytes"
"${sim_cpu[@]}" ip netns exec "$prefix-b" "$build/app/vantoro-bridge-sim" --count 500 --delay 0 --jitter 0 --exit-after 600 \
  2>/dev/null &
pids+=($!)
sleep 1
in_a "$scan" --scans "$scans" --expect 500 --rcvbuf 106496 | tail -1
