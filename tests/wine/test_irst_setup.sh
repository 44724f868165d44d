# Operations 5 and 6 on the 64-bit Windows 7 that a new prefix presents, with the stand-ins for
# msiexec, the IRST installer and the IRST tray program beside VOLKIT.exe.
#   sh test_irst_setup.sh <build dir> <source dir>
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
volkit_wine_init "$1" "$2"

code1='{11111111-AAAA-BBBB-CCCC-000000000001}'
code2='{22222222-AAAA-BBBB-CCCC-000000000002}'
code3='{33333333-AAAA-BBBB-CCCC-000000000003}'

# A fresh prefix with the program installed in C:\$2 (default VOLKIT) and IRST 14.8 recorded
# where the installer records it on 64-bit Windows 7.
prepare() {
    volkit_fresh_install "$1" "${2:-VOLKIT}"
    wine reg add 'HKLM\SOFTWARE\Intel\IRST' /v LastKitInstalled /d 14.8.0.1042 /f /reg:64 \
        >/dev/null 2>&1 || volkit_fail "cannot record the IRST release"
}

calls() {
    tr -d '\r' <"$program/$1" 2>/dev/null
}

# The installer is not awaited by VOLKIT: give the started stand-in time to write its call log.
await_file() {
    for _ in $(seq 1 100); do
        [ -s "$program/$1" ] && return 0
        sleep 0.2
    done
    volkit_fail "$1 was not written"
}

# -func5: the running tray program is ended, exactly the 64-bit list is handed to msiexec, and
# the release record lands in the 32-bit view (no native key beforehand).
prepare remove
printf '[64]=2\r\n%s\r\n%s\r\n[32]=1\r\n%s\r\n' "$code1" "$code2" "$code3" >"$program/GUID.txt"
wine "$program/IAStorIcon.exe" </dev/null >/dev/null 2>&1 &
tray=$!
for _ in $(seq 1 100); do
    [ -s "$program/IAStorIcon.calls.txt" ] && break
    sleep 0.2
done
[ -s "$program/IAStorIcon.calls.txt" ] || volkit_fail "the stand-in tray program did not start"
volkit_run "-func5" || volkit_fail "-func5 ended with $?"
ended=no
for _ in $(seq 1 50); do
    if ! kill -0 "$tray" 2>/dev/null; then
        ended=yes
        break
    fi
    sleep 0.2
done
volkit_assert_eq "$ended" yes "tray program ended by -func5"
# The uninstallers run side by side, so their own call log may hold them in either order; the
# order in which VOLKIT started them is in its log.
expected=$(printf 'Msiexec.exe /x%s /quiet \nMsiexec.exe /x%s /quiet ' "$code1" "$code2")
volkit_assert_eq "$(calls Msiexec.calls.txt | LC_ALL=C sort)" "$expected" \
    "msiexec command lines of -func5"
volkit_assert_eq "$(tr -d '\r' <"$program/volkit.log" | sed -n 's/.*started hidden: "\(Msiexec.*\)"$/\1/p')" \
    "$expected" "order in which -func5 started the uninstallers"
volkit_assert_eq "$(volkit_reg_query 'HKLM\SOFTWARE\MORVANTE\IRST_VER' version 32)" "0x94" \
    "release record in the 32-bit view"
volkit_reg_query 'HKLM\SOFTWARE\MORVANTE\IRST_VER' version 64 >/dev/null &&
    volkit_fail "release record also in the native view"

# A list announcing more codes than it holds: nothing started, nothing recorded, exit code 2,
# and the log says why.
prepare malformed
printf '[64]=3\r\n%s\r\n%s\r\n' "$code1" "$code2" >"$program/GUID.txt"
volkit_run "-func5"
status=$?
volkit_assert_eq "$status" 2 "exit code of -func5 with a malformed GUID.txt"
[ ! -e "$program/Msiexec.calls.txt" ] || volkit_fail "an uninstaller was started"
volkit_reg_query 'HKLM\SOFTWARE\MORVANTE\IRST_VER' version 32 >/dev/null &&
    volkit_fail "a release record was written"
grep -q "GUID.txt is malformed" "$program/volkit.log" || volkit_fail "the log does not say why"

# -func6: the installer beside the program with "-s -b"; the path quoted when it holds a blank.
prepare install
volkit_run "-func6" || volkit_fail "-func6 ended with $?"
await_file setuprst157.calls.txt
volkit_assert_eq "$(calls setuprst157.calls.txt)" 'C:\VOLKIT\setuprst157.exe -s -b' \
    "installer command line"

prepare install_blank "My Tools"
volkit_run "-func6" || volkit_fail "-func6 ended with $?"
await_file setuprst157.calls.txt
volkit_assert_eq "$(calls setuprst157.calls.txt)" '"C:\My Tools\setuprst157.exe" -s -b' \
    "installer command line in a folder with a blank"

echo "IRST removal and installation under Wine as expected"
