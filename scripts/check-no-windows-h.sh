#!/bin/sh
# Fails when a C or C++ file outside the Win32 side of the OS seam includes a Windows API header.
# Only src/os/win32 (the real seam), tools/standins (stand-ins for outside Windows programs and
# libraries) and tests/wine/tools (test programs that drive Windows directly) may include them;
# everything else reaches Windows through os/os.h and its constants through os/winconst.h.
#   check-no-windows-h.sh [source root]
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root" || exit 2

headers='windows|winbase|windef|winnt|winuser|wingdi|winreg|winsvc|winioctl|winerror|winver'
headers="$headers|tlhelp32|shlobj|shellapi|shlwapi|commctrl|commdlg|objbase|ole2|psapi|setupapi"
headers="$headers|winternl|ntddscsi|ntdddisk|devioctl"
pattern="^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"](($headers)\\.h|os/win32/(win32_api|parts|handles)\\.h)[>\"]"

found=$(find src tests tools -type f \
        \( -name '*.c' -o -name '*.cc' -o -name '*.cpp' -o -name '*.cxx' \
           -o -name '*.h' -o -name '*.hh' -o -name '*.hpp' -o -name '*.inc' \) \
        ! -path 'src/os/win32/*' ! -path 'tools/standins/*' ! -path 'tests/wine/tools/*' \
        -print 2>/dev/null | sort | xargs -r grep -n -i -E "$pattern")
if [ -n "$found" ]; then
    echo "Windows headers included above the OS seam (use os/os.h and os/winconst.h):"
    echo "$found"
    exit 1
fi
echo "no Windows headers above the OS seam"
exit 0
