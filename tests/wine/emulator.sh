# Runs one cross-built test program under Wine, in a fresh prefix copied from the build's base
# prefix, and returns its exit code. Used as CMake's cross-compiling emulator:
#   sh emulator.sh <build dir> <source dir> program.exe [arguments...]
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
volkit_wine_init "$1" "$2"
shift 2
volkit_new_prefix "emulator.$$"
status=0
wine "$@" || status=$?
volkit_cleanup
rm -rf "$WINEPREFIX"
exit "$status"
