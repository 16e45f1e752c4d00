#!/usr/bin/env bash
# Installs what is missing; syntax-checks the product sources as Windows code; checks the layers,
# the formatting and clang-tidy; builds with warnings as errors, runs every test and checks the
# Debian package; runs the tests again under ASan+UBSan; then builds the fuzz targets and runs
# each for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."

FUZZ_SECONDS="${FUZZ_SECONDS:-60}"

scripts/install-deps.sh
scripts/check-windows.sh
cmake --preset ci
scripts/check-layers.sh build/ci
cmake --build --preset ci --target format-check
scripts/tidy.sh build/ci
cmake --build --preset ci -j "$(nproc)"
ctest --preset ci
scripts/check-package.sh build/ci

cmake --preset asan
cmake --build --preset asan -j "$(nproc)"
ctest --preset asan

# The receiver thread under ThreadSanitizer: only its tests, only the test runner built.
cmake --preset tsan
cmake --build --preset tsan -j "$(nproc)"
ctest --preset tsan

cmake --preset fuzz
cmake --build --preset fuzz -j "$(nproc)" --target fuzz_parse_reply fuzz_rtf_reader
scripts/run-fuzzers.sh build/fuzz "$FUZZ_SECONDS"
