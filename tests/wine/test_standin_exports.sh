# The board maker's libraries are called by name with the caller-cleans-up convention, so the
# stand-ins must export exactly those names, undecorated (no leading underscore, no @n suffix).
#   sh test_standin_exports.sh <build dir> <source dir>
set -u
standins="$1/standins"
objdump=$(command -v i686-w64-mingw32-objdump || command -v objdump) || {
    echo "FAIL: no objdump" >&2
    exit 1
}

exports() {
    [ -f "$1" ] || { echo "FAIL: $1 was not built" >&2; exit 1; }
    "$objdump" -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
        sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p' | sort | tr '\n' ' '
}

check() {
    got=$(exports "$1")
    if [ "$got" != "$2" ]; then
        echo "FAIL: $1 exports [$got], expected [$2]" >&2
        exit 1
    fi
}

check "$standins/qvx.dll" "mv_inp mv_inpd mv_inpw mv_outp mv_outpd mv_outpw "
check "$standins/zorm.dll" "GetAllMode GetPchMode Initial SaveToBios SetPchMode "
check "$standins/zorm_noinit/zorm.dll" "GetAllMode GetPchMode SaveToBios SetPchMode "
echo "stand-in exports as expected"
