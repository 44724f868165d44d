#!/usr/bin/env bash
# Builds the simulator and runs the scan (-func0) on the bundled machine, printing Diskmode.xml.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target volkit-sim -j"$(nproc)" >/dev/null
exec build/linux/volkit-sim "$@"
