#!/usr/bin/env bash
# The test command.
#
#   scripts/test.sh          installs what is missing, checks the formatting and the layers, builds
#                            with warnings as errors and runs every test (the end-to-end ones where
#                            network namespaces can be made): a few minutes.
#   scripts/test.sh --full   the same, then the Windows syntax check, clang-tidy, the Debian
#                            package check, the tests again under ASan+UBSan and the receiver
#                            thread's under ThreadSanitizer, and a bounded run of each fuzz target.
#                            This is what CI runs.
set -euo pipefail
cd "$(dirname "$0")/.."

full=false
case "${1:-}" in
"") ;;
--full) full=true ;;
*)
  echo "usage: scripts/test.sh [--full]" >&2
  exit 2
  ;;
esac
FUZZ_SECONDS="${FUZZ_SECONDS:-60}"
jobs="$(nproc)"

scripts/install-deps.sh
cmake --preset ci
cmake --build --preset ci --target format-check
scripts/check-layers.sh build/ci
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs"
if ! $full; then
  exit 0
fi

scripts/check-windows.sh
scripts/tidy.sh build/ci
scripts/check-package.sh build/ci

cmake --preset asan
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

# The receiver thread under ThreadSanitizer: only its tests, only the test runner built.
cmake --preset tsan
cmake --build --preset tsan -j "$jobs"
ctest --preset tsan

cmake --preset fuzz
cmake --build --preset fuzz -j "$jobs" --target fuzz_parse_reply fuzz_rtf_reader fuzz_plan_reader
scripts/run-fuzzers.sh build/fuzz "$FUZZ_SECONDS"
