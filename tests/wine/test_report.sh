# Operation 0 under Wine with the stand-ins: the port-I/O library answers a B85 board with an AHCI
# controller, the PCH-mode library offers IDE, AHCI and RAID with AHCI current, diskpart lists two
# disks and rstcli reports one IRST disk. The report must be well-formed and say what that data
# implies; without IRST the run ends with exit code 1 and the IRST-missing line.
#   sh test_report.sh <build dir> <source dir>
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
volkit_wine_init "$1" "$2"

prepare() {
    volkit_fresh_install "$1"
    printf '0 0 0 0C008086 060000\n0 31 0 8C508086 060100\n0 31 2 8C028086 010601\n' \
        >"$program/qvx_pci.txt"
    printf 'list=IDE:AHCI:RAID\ncurrent=AHCI\ninitial=0\n' >"$program/zorm.txt"
    printf '  Disk ###  Status         Size     Free     Dyn  Gpt\r\n  --------  -------------  -------  -------  ---  ---\r\n  Disk 0    Online          111 GB      0 B        *\r\n  Disk 1    Online          931 GB   931 GB\r\n' \
        >"$program/diskpart_listing.txt"
    # The deployed rstcli (the stand-in carried by this build) prints the report beside itself.
    cp "$VOLKIT_SOURCE_DIR/tests/data/rstcli/lone_system_disk_14_8.txt" "$windows/rstcli_report.txt"
}

element() {
    tr -d '\r' <"$program/Diskmode.xml" | sed -n "s|^<$1>\(.*\)</$1>\$|\1|p" | head -n 1
}

well_formed() {
    python3 -c 'import sys, xml.etree.ElementTree as E; E.parse(sys.argv[1])' \
        "$program/Diskmode.xml" || volkit_fail "Diskmode.xml is not well-formed"
}

# The processor is the host's own (CPUID cannot be stood in for): on an Intel host the report runs
# to its end; on any other it takes the not-Intel ending after the OS line.
intel=0
grep -q -m1 'GenuineIntel' /proc/cpuinfo && intel=1

# IRST 14.8 installed.
prepare irst
wine reg add 'HKLM\SOFTWARE\Intel\IRST' /v LastKitInstalled /d 14.8.0.1042 /f /reg:64 \
    >/dev/null 2>&1 || volkit_fail "cannot add the IRST key"
volkit_run "-func0"
status=$?
volkit_assert_eq "$VOLKIT_CLOSES" "1" "WM_CLOSE before the exit"
well_formed
volkit_assert_eq "$(element B_Chip)" "1" "B_Chip of chipset 8C508086h"
volkit_assert_eq "$(element GPT)" "1" "GPT of the system disk listed with a star"
volkit_assert_eq "$(element OS)" "21" "OS code of 64-bit Windows 7"
grep -q "^-I" "$windows/rstcli_calls.log" || volkit_fail "rstcli was not run with -I"
[ -f "$windows/cli.bat" ] || volkit_fail "cli.bat was not written"
[ ! -e "$program/Diskmode.xml.tmp" ] || volkit_fail "the temporary report stayed behind"
if [ "$intel" = 1 ]; then
    volkit_assert_eq "$status" "0" "exit code of a complete report"
    volkit_assert_eq "$(element Current)" "AHCI" "current mode from zorm"
    volkit_assert_eq "$(element IDE)$(element AHCI)$(element RAID)" "11-1" "allowed modes on a B85"
    volkit_assert_eq "$(element intel_IRST)" "148" "IRST release"
    volkit_assert_eq "$(element intel_HDD_Count)" "1" "IRST disks of the stand-in's report"
else
    volkit_assert_eq "$status" "1" "exit code of the not-Intel ending"
    grep -q '<ERR>This is not intel platform.</ERR>' "$program/Diskmode.xml" ||
        volkit_fail "no not-Intel line on a non-Intel host"
fi

# No IRST: no work files, and on an Intel host the IRST-missing ending; exit code 1 either way.
prepare noirst
volkit_run "-func0"
status=$?
volkit_assert_eq "$status" "1" "exit code without IRST"
volkit_assert_eq "$VOLKIT_CLOSES" "1" "WM_CLOSE before the exit"
well_formed
[ ! -e "$windows/cli.bat" ] || volkit_fail "the scan wrote work files without IRST"
if [ "$intel" = 1 ]; then
    grep -q '<ERR>Please install IRST first. </ERR>' "$program/Diskmode.xml" ||
        volkit_fail "no IRST-missing line"
fi

echo "disk-mode report under Wine as expected (Intel host: $intel)"
