#!/usr/bin/env bash
# Installs what the tests need and runs every test of both builds:
#   the Linux build (Debug, AddressSanitizer and UBSan) against the simulated PC,
#   the Windows build (MinGW-w64 i686) with its unit tests and VOLKIT.exe under Wine,
#   a Valgrind pass over the scenario tests and the parser throughput check,
#   then the fuzz targets for a short fixed time each.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/install-deps.sh --all

echo "== Linux build: simulator, unit and scenario tests (ASan + UBSan)"
cmake --preset linux
cmake --build --preset linux -j"$jobs"
ctest --preset linux -j"$jobs"

echo "== Valgrind over the scenario tests (no sanitizers)"
scripts/memcheck.sh

echo "== Parser throughput (Release): at least 50 MB/s, linear in the text"
scripts/bench-parsers.sh

echo "== Windows build: VOLKIT.exe, stand-ins, unit tests and scenarios under Wine"
export WINEDEBUG=-all
cmake --preset windows
cmake --build --preset windows -j"$jobs"
ctest --preset windows

if [[ -x scripts/fuzz.sh ]]; then
    echo "== Fuzz targets"
    scripts/fuzz.sh "${FUZZ_SECONDS:-30}"
fi
echo "all tests passed"
