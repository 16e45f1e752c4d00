#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vantoro on the built-in demo LAN.
# Without a display it runs a command-line scan of the demo LAN instead.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"

# The help files are read from the current directory: they sit beside the programs.
cd build/release/app
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  exec ./vantoro --demo
fi
echo "No display available: running 'vantoro-cli scan --demo' instead." >&2
exec ./vantoro-cli scan --demo
