# The follow-up registration beyond Windows 7 and a plain program folder (test_follow_up.sh has
# those): operation 8 quotes the value too when the program's folder holds a blank, and on
# Windows 8.1 operations 7 and 8 place and remove "marlinex.scf" in the user's Startup folder,
# which Windows 10 leaves alone.
#   sh test_follow_up_startup.sh <build dir> <source dir>
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

volkit_new_prefix "startup-blank"
volkit_install_program "VOLKIT Tools"
run "-func7" 0
volkit_assert_eq "$(tidal 32)" '"C:\VOLKIT Tools\tidalpretray.exe"' "TIDAL after -func7"
run "-func8" 0
volkit_assert_eq "$(tidal 32)" '"C:\VOLKIT Tools\0"' "TIDAL after -func8"

# The copy in the Startup folder, wherever Wine keeps it (the host's names are case-sensitive).
startup_copy() {
    find "$WINEPREFIX/drive_c/users" -ipath '*/startup/marlinex.scf' 2>/dev/null | head -n 1
}

# On Windows 8.1 operation 7 also copies "marlinex.scf" from beside the program into the user's
# Startup folder and operation 8 removes it; on Windows 10 neither touches the folder.
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

echo "follow-up registration on Windows 8.1 and 10 and with a blank as expected"
