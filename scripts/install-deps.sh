#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian 12 machine (run as root).
#   scripts/install-deps.sh          the Linux build: compilers, CMake, GoogleTest, Benchmark, JSON,
#                                    XML, Valgrind
#   scripts/install-deps.sh --all    also the Windows build and its tests: MinGW-w64 and Wine (i386)
set -euo pipefail

linux_packages=(g++ cmake ninja-build googletest libgtest-dev libgmock-dev libbenchmark-dev
                nlohmann-json3-dev libpugixml-dev clang-format python3 valgrind)
windows_packages=(g++-mingw-w64-i686 wine wine32 wine64)
fuzz_packages=(clang libclang-rt-14-dev)

wanted=("${linux_packages[@]}")
if [[ "${1:-}" == "--all" ]]; then
    wanted+=("${windows_packages[@]}" "${fuzz_packages[@]}")
fi

missing=()
for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]} == 0)); then
    exit 0
fi

SUDO=""
[[ $(id -u) -eq 0 ]] || SUDO=sudo
if [[ " ${missing[*]} " == *" wine32 "* ]]; then
    $SUDO dpkg --add-architecture i386
fi
echo "installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
