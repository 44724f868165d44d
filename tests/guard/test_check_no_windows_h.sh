#!/bin/sh
# The guard against Windows headers above the OS seam: it passes on a clean tree and catches each
# way a Windows header can slip in, while the folders allowed to use Windows stay allowed.
#   test_check_no_windows_h.sh <path of check-no-windows-h.sh>
guard=$1
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT

reset_tree() {
    rm -rf "$tree"/*
    mkdir -p "$tree/src/app" "$tree/src/os/win32" "$tree/tools/standins/qvx" "$tree/tests/unit" \
        "$tree/tests/wine/tools"
    printf '#include "os/os.h"\n' >"$tree/src/app/clean.cpp"
    printf '#include <windows.h>\n' >"$tree/src/os/win32/registry.cpp"
    printf '#include <windows.h>\n' >"$tree/tools/standins/qvx/qvx.cpp"
    printf '#include <windows.h>\n' >"$tree/tests/wine/tools/run.cpp"
    printf '#include "os/win32/win32_os.h"\n' >"$tree/tests/unit/seam_test.cpp"
}

failures=0
expect() {  # expect <pass|fail> <description>
    if sh "$guard" "$tree" >/dev/null 2>&1; then got=pass; else got=fail; fi
    if [ "$got" != "$1" ]; then
        echo "FAIL: $2: guard said $got, expected $1"
        failures=$((failures + 1))
    fi
}

reset_tree
expect pass "clean tree with Windows headers only where allowed"

# Each line: file, text; every one must make the guard fail.
while IFS='|' read -r file text; do
    reset_tree
    mkdir -p "$(dirname "$tree/$file")"
    printf '%s\n' "$text" >"$tree/$file"
    expect fail "$file: $text"
done <<'CASES'
src/app/dispatch.cpp|#include <windows.h>
src/config/registry.h|  #  include <Windows.h>
src/disks/identify.cpp|#include <winioctl.h>
src/irst/deploy.cpp|#include "windows.h"
tests/unit/thing_test.cpp|#include <tlhelp32.h>
tools/sim/main.cpp|#include <winbase.h>
src/platform/cpu.cpp|#include "os/win32/win32_api.h"
CASES

[ "$failures" -eq 0 ] || exit 1
echo "guard checks passed"
