#!/usr/bin/env bash
# Runs each fuzz target for a bounded time, seeded from the repository's corpora.
set -euo pipefail
cd "$(dirname "$0")/.."
build="$1"
seconds="${2:-60}"

status=0
for target in fuzz_parse_reply fuzz_rtf_reader fuzz_plan_reader; do
  corpus="$(mktemp -d)"
  seeds="fuzz/corpus/${target#fuzz_}"
  if [[ -d "$seeds" ]]; then cp -r "$seeds"/. "$corpus"/; fi
  if [[ "$target" == fuzz_rtf_reader && -d ../shared/rtf-samples ]]; then
    cp ../shared/rtf-samples/*.rtf "$corpus"/ 2>/dev/null || true
  fi
  echo "== $target for ${seconds}s"
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
      -rss_limit_mb=4096 -print_final_stats=1 "$corpus" 2>"$build/$target.log"; then
    tail -50 "$build/$target.log"
    status=1
  else
    grep -E '^(stat::number_of_executed_units|Done)' "$build/$target.log" || true
  fi
  rm -rf "$corpus"
done
exit "$status"
