# Operations 2 and 3 on 64-bit Windows 10 and 8.1: the modern drivers' Start values written
# through the 64-bit view and their StartOverride keys deleted.
#   sh test_controller_mode_modern.sh <build dir> <source dir>
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
volkit_wine_init "$1" "$2"

services='HKLM\SYSTEM\CurrentControlSet\Services'
overrides='iaStorAV iaStorV storahci iaStorSV pciide atapi'

# A fresh prefix presenting the release, with the program, the modern drivers and their
# StartOverride keys.
prepare() {
    volkit_fresh_install "$1"
    volkit_present_windows "$1"
    for driver in storahci iAStorDataMgrSvc atapi; do
        wine reg add "$services\\$driver" /v Start /t REG_DWORD /d 1 /f /reg:64 >/dev/null 2>&1 ||
            volkit_fail "cannot add $driver"
    done
    for driver in $overrides; do
        wine reg add "$services\\$driver\\StartOverride" /v 0 /t REG_DWORD /d 3 /f /reg:64 \
            >/dev/null 2>&1 || volkit_fail "cannot add $driver\\StartOverride"
    done
}

# check <release code> <storahci> <iAStorDataMgrSvc> <atapi>
check() {
    tr -d '\r' <"$program/volkit.log" | grep -q "Windows release code $1\$" ||
        volkit_fail "not taken for release $1: $(cat "$program/volkit.log")"
    volkit_assert_eq "$(volkit_reg_query "$services\\storahci" Start 64)" "$2" "storahci Start"
    volkit_assert_eq "$(volkit_reg_query "$services\\iAStorDataMgrSvc" Start 64)" "$3" \
        "iAStorDataMgrSvc Start"
    volkit_assert_eq "$(volkit_reg_query "$services\\atapi" Start 64)" "$4" "atapi Start"
    for driver in $overrides; do
        if wine reg query "$services\\$driver\\StartOverride" /reg:64 >/dev/null 2>&1; then
            volkit_fail "$driver\\StartOverride was not deleted"
        fi
    done
}

# Windows 10, AHCI on a board listing AHCI:RAID: position 0.
prepare win10
printf 'list=AHCI:RAID\ncurrent=RAID\n' >"$program/zorm.txt"
volkit_run "-func2" || volkit_fail "-func2 ended with $?"
volkit_assert_eq "$(tr -d '\r' <"$program/zorm_calls.txt" | tr '\n' ' ')" \
    "Initial GetAllMode 64 GetPchMode 32 SetPchMode 0 SaveToBios " "zorm calls of -func2"
check 33 0x0 0x3 0x0

# Windows 8.1, RAID on the stand-in's own list IDE:AHCI:RAID: position 2.
prepare win81
volkit_run "-func3" || volkit_fail "-func3 ended with $?"
volkit_assert_eq "$(tr -d '\r' <"$program/zorm_calls.txt" | tr '\n' ' ')" \
    "Initial GetAllMode 64 GetPchMode 32 SetPchMode 2 SaveToBios " "zorm calls of -func3"
check 23 0x3 0x3 0x3

echo "controller mode operations on Windows 10 and 8.1 as expected"
