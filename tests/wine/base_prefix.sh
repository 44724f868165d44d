# Makes the build's base Wine prefix anew, once per test run (the setup step of every test
# that runs under Wine).
#   sh base_prefix.sh <build dir> <source dir>
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
volkit_wine_init "$1" "$2"
volkit_base_prefix --fresh
echo "base prefix ready: $VOLKIT_WINE_BASE"
