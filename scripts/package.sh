#!/usr/bin/env bash
# Builds the Debian package (optimised, no tests) and prints its path:
#   scripts/package.sh [BUILD_DIR]        (default build/package)
# A BUILD_DIR that is already configured is packaged as it is (CI packages its test build);
# a new one is configured optimised, with Debian's hardening flags and without tests.
# Install the result with: sudo apt install ./build/package/vantoro_VERSION_ARCH.deb
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build/package}"

scripts/install-deps.sh
if [[ ! -f "$build/CMakeCache.txt" ]]; then
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTORO_TESTS=OFF \
    -DVANTORO_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
fi
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/vantoro_*.deb
cpack --config "$build/CPackConfig.cmake" -B "$build" >/dev/null
ls "$build"/vantoro_*.deb
