# Operation 2 on a 64-bit Windows 10: the modern drivers' Start values written through the
# 64-bit view and their StartOverride keys deleted.
#   sh test_controller_mode_win10.sh <build dir> <source dir>
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
volkit_wine_init "$1" "$2"

services='HKLM\SYSTEM\CurrentControlSet\Services'
current='HKLM\Software\Microsoft\Windows NT\CurrentVersion'

volkit_new_prefix win10
volkit_install_program
program=$(volkit_unix_path "$VOLKIT_PROGRAM_DIR")
wine winecfg -v win10 >/dev/null 2>&1 || volkit_fail "winecfg -v win10 failed"
# Real Windows 10 keeps CurrentVersion "6.3" (Wine writes "10.0").
for view in 32 64; do
    wine reg add "$current" /v CurrentVersion /d 6.3 /f "/reg:$view" >/dev/null 2>&1 ||
        volkit_fail "cannot set CurrentVersion"
    wine reg add "$current" /v ProductName /d "Windows 10 Pro" /f "/reg:$view" >/dev/null 2>&1 ||
        volkit_fail "cannot set ProductName"
done
for driver in storahci iAStorDataMgrSvc atapi; do
    wine reg add "$services\\$driver" /v Start /t REG_DWORD /d 1 /f /reg:64 >/dev/null 2>&1 ||
        volkit_fail "cannot add $driver"
done
for driver in iaStorAV iaStorV storahci iaStorSV pciide atapi; do
    wine reg add "$services\\$driver\\StartOverride" /v 0 /t REG_DWORD /d 3 /f /reg:64 \
        >/dev/null 2>&1 || volkit_fail "cannot add $driver\\StartOverride"
done
printf 'list=AHCI:RAID\ncurrent=RAID\n' >"$program/zorm.txt"

volkit_run "-func2" || volkit_fail "-func2 ended with $?"

volkit_assert_eq "$(tr -d '\r' <"$program/zorm_calls.txt" | tr '\n' ' ')" \
    "Initial GetAllMode 64 GetPchMode 32 SetPchMode 0 SaveToBios " "zorm calls of -func2"
grep -q "Drivers: storahci Start = 0 written" "$program/volkit.log" ||
    volkit_fail "not treated as Windows 10: $(cat "$program/volkit.log")"
volkit_assert_eq "$(volkit_reg_query "$services\\storahci" Start 64)" "0x0" "storahci Start"
volkit_assert_eq "$(volkit_reg_query "$services\\iAStorDataMgrSvc" Start 64)" "0x3" \
    "iAStorDataMgrSvc Start"
volkit_assert_eq "$(volkit_reg_query "$services\\atapi" Start 64)" "0x0" "atapi Start"
for driver in iaStorAV iaStorV storahci iaStorSV pciide atapi; do
    if wine reg query "$services\\$driver\\StartOverride" /reg:64 >/dev/null 2>&1; then
        volkit_fail "$driver\\StartOverride was not deleted"
    fi
done
echo "controller mode operation on Windows 10 as expected"
