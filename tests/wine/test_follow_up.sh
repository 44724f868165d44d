# Operations 7 and 8 under Wine in a 64-bit prefix, and the endings of runs that run nothing:
# the follow-up value in the 32-bit view of RunOnce, the exit codes, and WM_CLOSE to the window
# captioned "VKT" before every exit.
#   sh test_follow_up.sh <build dir> <source dir>
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
volkit_wine_init "$1" "$2"

runonce='HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce'

prepare() {
    volkit_fresh_install "$1" "$2"
    # RunOnce stands in both views on Windows; operation 7 opens it and never creates it.
    wine reg add "$runonce" /f /reg:32 >/dev/null 2>&1 || volkit_fail "cannot add RunOnce"
    wine reg add "$runonce" /f /reg:64 >/dev/null 2>&1 || volkit_fail "cannot add RunOnce"
}

# Runs one command line; checks its exit code and that "VKT" was closed once before the exit.
run_expect() {
    volkit_run "$1"
    rc=$?
    volkit_assert_eq "$rc" "$2" "exit code of [$1]"
    volkit_assert_eq "$VOLKIT_CLOSES" "1" "WM_CLOSE messages to VKT during [$1]"
}

prepare follow_up VOLKIT
run_expect "-func7" 0
volkit_assert_eq "$(volkit_reg_query "$runonce" TIDAL 32)" 'C:\VOLKIT\tidalpretray.exe' \
    "TIDAL after -func7"
if volkit_reg_query "$runonce" TIDAL 64 >/dev/null; then
    volkit_fail "TIDAL was written to the 64-bit view"
fi

run_expect "-func8" 0
volkit_assert_eq "$(volkit_reg_query "$runonce" TIDAL 32)" 'C:\VOLKIT\0' "TIDAL after -func8"

# "-func9 " and one number: refused before anything runs, and the log says why.
run_expect "-func9 3" 2
grep -q 'refused: command line "-func9 3"' "$program/volkit.log" ||
    volkit_fail "the log does not explain the refusal"
volkit_assert_eq "$(volkit_reg_query "$runonce" TIDAL 32)" 'C:\VOLKIT\0' "TIDAL after -func9"

# No switch: nothing runs, exit code 0.
run_expect "" 0
run_expect "-func4" 0
grep -q 'holds no switch' "$program/volkit.log" || volkit_fail "the log does not record the empty run"

# Without the port-I/O library no operation runs.
rm -f "$program/qvx.dll"
run_expect "-func7" 0
volkit_assert_eq "$(volkit_reg_query "$runonce" TIDAL 32)" 'C:\VOLKIT\0' "TIDAL without qvx.dll"
grep -q 'qvx.dll cannot be loaded' "$program/volkit.log" ||
    volkit_fail "the log does not say that qvx.dll is missing"

# A program folder with a blank: the value quotes the follow-up program's path, so that Windows
# never runs C:\Program.exe at logon.
prepare follow_up_blank "Program Tools"
run_expect "-func7" 0
volkit_assert_eq "$(volkit_reg_query "$runonce" TIDAL 32)" '"C:\Program Tools\tidalpretray.exe"' \
    "TIDAL with a blank in the program's folder"

echo "follow-up operations and run endings under Wine as expected"
