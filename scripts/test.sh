#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test; runs them again
# under ASan+UBSan; then builds the fuzz targets and runs each for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."

FUZZ_SECONDS="${FUZZ_SECONDS:-60}"

scripts/install-deps.sh
scripts/check-windows.sh
cmake --preset ci
cmake --build --preset ci -j "$(nproc)"
ctest --preset ci
scripts/check-package.sh build/ci

cmake --preset asan
cmake --build --preset asan -j "$(nproc)"
ctest --preset asan

cmake --preset fuzz
cmake --build --preset fuzz -j "$(nproc)" --target fuzz_parse_reply fuzz_rtf_reader
scripts/run-fuzzers.sh build/fuzz "$FUZZ_SECONDS"
