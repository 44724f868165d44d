# Operations 1 to 3 on the Windows 7 (64-bit) that a new prefix presents: the PCH mode selected
# through zorm.dll and the storage drivers' Start values in the registry.
#   sh test_controller_mode_win7.sh <build dir> <source dir>
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
volkit_wine_init "$1" "$2"

services='HKLM\SYSTEM\CurrentControlSet\Services'

# A fresh prefix with the program installed and the Windows 7 storage drivers present.
prepare() {
    volkit_fresh_install "$1"
    for driver in iaStorV msahci; do
        wine reg add "$services\\$driver" /v Start /t REG_DWORD /d 1 /f /reg:64 >/dev/null 2>&1 ||
            volkit_fail "cannot add $driver"
    done
}

start_of() {
    volkit_reg_query "$services\\$1" Start 64 || volkit_fail "no Start value for $1"
}

# -func2 on a board listing IDE:RAID:AHCI: AHCI is position 2, selected and saved; on Windows 7
# the RAID-family driver goes to demand start and msahci to boot start.
prepare func2
printf 'list=IDE:RAID:AHCI\ncurrent=IDE\ninitial=0\n' >"$program/zorm.txt"
volkit_run "-func2" || volkit_fail "-func2 ended with $?"
volkit_assert_eq "$(tr -d '\r' <"$program/zorm_calls.txt" | tr '\n' ' ')" \
    "Initial GetAllMode 64 GetPchMode 32 SetPchMode 2 SaveToBios " "zorm calls of -func2"
volkit_assert_eq "$(start_of iaStorV)" "0x3" "iaStorV Start after -func2"
volkit_assert_eq "$(start_of msahci)" "0x0" "msahci Start after -func2"
# The services key is not redirected: a 32-bit program reads the same values.
volkit_assert_eq "$(volkit_reg_query "$services\\msahci" Start 32)" "0x0" "msahci in the 32-bit view"

# Without zorm.dll nothing is selected, and the drivers are still configured for RAID.
prepare nozorm
rm -f "$program/zorm.dll"
volkit_run "-func3" || volkit_fail "-func3 ended with $?"
[ ! -e "$program/zorm_calls.txt" ] || volkit_fail "zorm was called although it is absent"
volkit_assert_eq "$(start_of iaStorV)" "0x0" "iaStorV Start after -func3"
volkit_assert_eq "$(start_of msahci)" "0x3" "msahci Start after -func3"
grep -q "zorm.dll cannot be loaded" "$program/volkit.log" ||
    volkit_fail "the log does not say why nothing was selected"

# A zorm.dll without Initial: no entry point is called, IDE drivers still configured.
prepare noinit
cp "$VOLKIT_STANDIN_DIR/zorm_noinit/zorm.dll" "$program/zorm.dll"
volkit_run "-func1" || volkit_fail "-func1 ended with $?"
[ ! -e "$program/zorm_calls.txt" ] || volkit_fail "a zorm.dll lacking Initial was called"
volkit_assert_eq "$(start_of iaStorV)" "0x3" "iaStorV Start after -func1"
volkit_assert_eq "$(start_of msahci)" "0x1" "msahci keeps its value in IDE mode"
grep -q "Initial missing" "$program/volkit.log" || volkit_fail "the log does not name Initial"

echo "controller mode operations on Windows 7 as expected"
