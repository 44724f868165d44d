# The scan's IRST step under Wine (-func0 on the 64-bit Windows 7 of a new prefix): the carried
# rstcli build and "cli.bat" written to the Windows directory, the batch file run by the real
# command interpreter, its "Kcli.txt" read and parsed; a release without a carried build uses the
# file already there. Whatever the rest of the report does on this processor, the scan has run
# by then, and volkit.log says what the parse found.
#   sh test_scan_irst.sh <build dir> <source dir>
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
volkit_wine_init "$1" "$2"

reports="$VOLKIT_SOURCE_DIR/tests/data/rstcli"

prepare() {
    volkit_fresh_install "$1"
    wine reg add 'HKLM\SOFTWARE\Intel\IRST' /v LastKitInstalled /d "$2" /f /reg:64 \
        >/dev/null 2>&1 || volkit_fail "cannot record the IRST release"
    # The stand-in prints the report file beside itself.
    cp "$reports/$3" "$windows/rstcli_report.txt"
}

run_scan() {
    volkit_run "-func0"
    status=$?
    [ "$status" -le 1 ] || volkit_fail "-func0 ended with $status"
}

parsed() {
    grep -q "rstcli report parsed: $1" "$program/volkit.log" ||
        volkit_fail "volkit.log lacks [rstcli report parsed: $1]: $(grep rstcli "$program/volkit.log")"
}

# IRST 14.8 carries its build: it is written over an old file, run through cli.bat, and its
# report replaces the one of an earlier run. The older RAID tool's leftovers are removed.
prepare carried 14.8.0.1042 raid1_data_14_8.txt
printf 'old tool' >"$windows/rstcli.exe"
printf 'an earlier report' >"$windows/Kcli.txt"
for leftover in Kraid.txt K.bat Raidcfg32.exe; do printf 'x' >"$windows/$leftover"; done
run_scan
cmp -s "$windows/rstcli.exe" "$VOLKIT_STANDIN_DIR/rstcli.exe" ||
    volkit_fail "rstcli.exe is not the carried build"
volkit_assert_eq "$(od -An -c "$windows/cli.bat" | tr -s ' ')" \
    "$(printf 'rstcli.exe -I >Kcli.txt\r\n\r\n' | od -An -c | tr -s ' ')" "cli.bat"
cmp -s "$windows/Kcli.txt" "$reports/raid1_data_14_8.txt" || volkit_fail "Kcli.txt is not the report"
volkit_assert_eq "$(tr -d '\r' <"$windows/rstcli_calls.log")" "-I" "rstcli calls"
for leftover in Kraid.txt K.bat Raidcfg32.exe; do
    [ ! -e "$windows/$leftover" ] || volkit_fail "$leftover was left"
done
parsed "3 disk(s), 1 volume(s)"

# IRST 13.0 has no build of its own: the file at the path is used as it stands.
prepare already_there 13.0.0.1098 lone_system_disk_14_8.txt
cp "$VOLKIT_STANDIN_DIR/rstcli.exe" "$windows/rstcli.exe"
printf 'kept' >>"$windows/rstcli.exe"
run_scan
volkit_assert_eq "$(tail -c 4 "$windows/rstcli.exe")" "kept" "rstcli.exe already at the path"
parsed "1 disk(s), 0 volume(s)"

# ... and without one no report comes and nothing is parsed.
prepare none 13.0.0.1098 lone_system_disk_14_8.txt
run_scan
[ ! -e "$windows/rstcli.exe" ] || volkit_fail "a tool was written for a release without one"
parsed "0 disk(s), 0 volume(s)"

volkit_cleanup
echo "PASS: test_scan_irst"
