# VOLKIT.exe on the 64-bit Windows 7 of a new prefix: operations 7 and 8 write the follow-up
# registration "TIDAL" under RunOnce in the 32-bit registry view, quoted when the program's
# folder holds a blank (so that Windows never runs a truncated path at logon); every run ends
# with WM_CLOSE to the window captioned "VKT" and its exit code (0, or 2 for a refused command
# line).
#   sh test_followup.sh <build dir> <source dir>
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
volkit_wine_init "$1" "$2"

runonce='HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce'

# run <command line> <expected exit code>
run() {
    status=0
    volkit_run "$1" || status=$?
    volkit_assert_eq "$status" "$2" "exit code of [$1]"
    volkit_assert_eq "$VOLKIT_CLOSES" 1 "WM_CLOSE messages to \"VKT\" before [$1] ended"
}

tidal() {
    volkit_reg_query "$runonce" TIDAL "$1"
}

# Program folder: expected TIDAL after -func7, expected TIDAL after -func8.
while IFS='|' read -r folder registered unregistered; do
    volkit_cleanup
    volkit_new_prefix "followup"
    volkit_install_program "$folder"

    run "-func7" 0
    volkit_assert_eq "$(tidal 32)" "$registered" "TIDAL after -func7 in C:\\$folder"
    if tidal 64 >/dev/null; then
        volkit_fail "TIDAL was written to the 64-bit view"
    fi

    run "-func8" 0
    volkit_assert_eq "$(tidal 32)" "$unregistered" "TIDAL after -func8 in C:\\$folder"
done <<'CASES'
VOLKIT|C:\VOLKIT\tidalpretray.exe|C:\VOLKIT\0
VOLKIT Tools|"C:\VOLKIT Tools\tidalpretray.exe"|"C:\VOLKIT Tools\0"
CASES

# On Windows 8.1 operation 7 also copies "marlinex.scf" from beside the program into the user's
# Startup folder and operation 8 removes it; on Windows 10 neither touches the folder.
# The copy in the Startup folder, wherever Wine keeps it (the host's names are case-sensitive).
startup_copy() {
    find "$WINEPREFIX/drive_c/users" -ipath '*/startup/marlinex.scf' 2>/dev/null | head -n 1
}
while IFS='|' read -r release copied; do
    volkit_cleanup
    volkit_new_prefix "startup-$release"
    volkit_present_windows "$release"
    volkit_install_program VOLKIT
    printf '[Shell]\r\nCommand=2\r\n' >"$(volkit_unix_path 'C:\VOLKIT\marlinex.scf')"

    run "-func7" 0
    volkit_assert_eq "$(tidal 32)" 'C:\VOLKIT\tidalpretray.exe' "TIDAL after -func7 on $release"
    copy=$(startup_copy)
    if [ "$copied" = yes ]; then
        [ -n "$copy" ] && cmp -s "$copy" "$(volkit_unix_path 'C:\VOLKIT\marlinex.scf')" ||
            volkit_fail "marlinex.scf not copied to the Startup folder on $release"
    elif [ -n "$copy" ]; then
        volkit_fail "marlinex.scf copied to the Startup folder on $release"
    fi

    run "-func8" 0
    [ -z "$(startup_copy)" ] || volkit_fail "marlinex.scf left in the Startup folder on $release"
done <<'CASES'
win81|yes
win10|no
CASES

# A command line too short for its switch runs nothing, says why in volkit.log and ends with 2;
# an empty command line runs nothing and ends with 0.
volkit_cleanup
volkit_new_prefix "endings"
volkit_install_program VOLKIT
log=$(volkit_unix_path 'C:\VOLKIT\volkit.log')

run "-func9 5" 2
grep -q 'refused' "$log" || volkit_fail "volkit.log does not say why -func9 5 was refused"
if tidal 32 >/dev/null; then
    volkit_fail "a refused command line changed the registry"
fi

run "" 0
run "-func4" 0
if tidal 32 >/dev/null; then
    volkit_fail "a command line without a switch changed the registry"
fi
echo "follow-up registration and endings as expected"
