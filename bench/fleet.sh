#!/usr/bin/env bash
# Fleet benchmark: vantoro-cli apply brings COUNT simulated bridges (default 100), each needing a
# wireless and an IP change and silent for 20 seconds after each, to a plan; then applies the same
# plan again, which must send nothing but discovery. Over real UDP between two private network
# namespaces. Needs root. Targets: the first run at most 60 s, the second at most 10 s.
#
#   bench/fleet.sh BUILD_DIR [COUNT]
set -euo pipefail
build="$(realpath "$1")"
count="${2:-100}"
here="$(cd "$(dirname "$0")" && pwd)"
netns="$here/../tests/e2e/netns.sh"
prefix="vtf$$"
work="$(mktemp -d)"

cleanup() {
  [[ -n "${sim_pid:-}" ]] && kill "$sim_pid" 2>/dev/null || true
  "$netns" down "$prefix"
  rm -rf "$work"
}
trap cleanup EXIT
"$netns" up "$prefix"

ip netns exec "$prefix-b" "$build/app/vantoro-bridge-sim" --count "$count" --reboot-ms 20000 \
  --exit-after 600 --log "$work/requests.jsonl" 2>/dev/null &
sim_pid=$!
sleep 1

# The simulator's generated fleet: 02:4B:10:00:00:00 onwards, password pwNNNNN; every bridge gets
# a new network name and a new fixed address in its own 10.64.0.0/10.
{
  echo '{"bridges": ['
  for ((i = 0; i < count; i++)); do
    printf '  {"mac": "02:4B:10:%02X:%02X:%02X", "wireless": {"ssid": "Plant-%d"},' \
      $((i >> 16 & 255)) $((i >> 8 & 255)) $((i & 255)) "$i"
    printf ' "ip": {"mode": "static", "address": "10.65.%d.%d", "netmask": "255.192.0.0"}}' \
      $((i / 250)) $((i % 250 + 1))
    ((i + 1 < count)) && echo ',' || echo
  done
  echo ']}'
} >"$work/plan.json"
{
  echo '{'
  for ((i = 0; i < count; i++)); do
    printf '  "02:4B:10:%02X:%02X:%02X": {"user": "admin", "password": "pw%05d"}' \
      $((i >> 16 & 255)) $((i >> 8 & 255)) $((i & 255)) $((i + 1))
    ((i + 1 < count)) && echo ',' || echo
  done
  echo '}'
} >"$work/credentials.json"
chmod 600 "$work/credentials.json"

configurations() { grep -c '"command":1002' "$work/requests.jsonl" || true; }

run() { # name
  local start end before status=0
  before=$(configurations)
  start=$(date +%s.%N)
  ip netns exec "$prefix-a" "$build/app/vantoro-cli" apply "$work/plan.json" \
    --credentials "$work/credentials.json" >"$work/$1.txt" || status=$?
  end=$(date +%s.%N)
  printf '%s apply: %s s, exit status %d, %d changed, %d unchanged, %d configuration requests\n' \
    "$1" "$(awk "BEGIN { printf \"%.1f\", $end - $start }")" "$status" \
    "$(grep -c '  changed' "$work/$1.txt" || true)" "$(grep -c '  unchanged' "$work/$1.txt" || true)" \
    "$(($(configurations) - before))"
}
run first
run second
