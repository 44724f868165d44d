#!/usr/bin/env bash
# Operation benchmark: runs every operation of VOLKIT.exe under Wine with the stand-ins (the
# Windows build of build/windows) and prints, per operation, its wall time beside the sum of the
# fixed waits that a program sleeping its stated waits would spend on the same run.
#
#   scripts/bench-ops.sh [ROUNDS]        ROUNDS runs per operation (default 3); the median counts
#
# Columns:
#   wall        VOLKIT.exe from its start to its end (wine-run's performance counter), median
#   starts      the outside programs it started (from the stand-ins' call logs)
#   outside     those programs' own run times: each start costs what that program takes when
#               run alone under Wine (measured first, below "program")
#   sleeps      the fixed waits of a sleep-based program on the same run
#   verdict     ok when wall <= empty run + 100 ms + outside; the empty run (a command line
#               without a switch) is what starting and ending any Windows program costs here
#
# BENCH_NO_BUILD=1 skips the build (test-all.sh has just built everything).
set -u
cd "$(dirname "$0")/.."
root=$PWD
rounds=${1:-3}

if [ -z "${BENCH_NO_BUILD:-}" ]; then
    cmake --preset windows >/dev/null || exit 1
    cmake --build --preset windows -j"${BENCH_BUILD_JOBS:-2}" >/dev/null || exit 1
fi

. "$root/tests/wine/lib.sh"
volkit_wine_init "$root/build/windows" "$root"

results=$(mktemp)
trap 'rm -f "$results"; volkit_cleanup' EXIT

median() {
    sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else print v[int((NR + 1) / 2)] }'
}

lines_of() {
    if [ -f "$1" ]; then tr -d '\r' <"$1" | grep -c . ; else echo 0; fi
}

# A fresh prefix with the program in C:\VOLKIT, IRST 14.8 recorded, the storage drivers of
# Windows 7 present and RunOnce in both views.
prepare() {
    volkit_cleanup
    volkit_new_prefix "bench_$1"
    volkit_install_program
    program=$(volkit_unix_path "$VOLKIT_PROGRAM_DIR")
    windir=$(volkit_unix_path 'C:\windows')
    {
        wine reg add 'HKLM\SOFTWARE\Intel\IRST' /v LastKitInstalled /d 14.8.0.1042 /f /reg:64
        for driver in iaStorV msahci; do
            wine reg add "HKLM\\SYSTEM\\CurrentControlSet\\Services\\$driver" /v Start \
                /t REG_DWORD /d 1 /f /reg:64
        done
        for view in 32 64; do
            wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce' /f "/reg:$view"
        done
    } >/dev/null 2>&1 || volkit_fail "cannot prepare the registry"
    printf 'list=IDE:RAID:AHCI\ncurrent=IDE\ninitial=0\n' >"$program/zorm.txt"
    printf '[64]=2\r\n{11111111-AAAA-BBBB-CCCC-000000000001}\r\n' >"$program/GUID.txt"
    printf '{22222222-AAAA-BBBB-CCCC-000000000002}\r\n' >>"$program/GUID.txt"
    printf '[32]=1\r\n{33333333-AAAA-BBBB-CCCC-000000000003}\r\n' >>"$program/GUID.txt"
    cp "$root/examples/default/diskpart_list.txt" "$program/diskpart_listing.txt"
    cp "$root/examples/default/rstcli_report.txt" "$windir/rstcli_report.txt"
    cp "$root/examples/default/rstcli_report.txt" "$program/rstcli_report.txt"
}

# The starts that the outside programs logged since the last call (rstcli in the Windows and the
# program directory, diskpart, msiexec, the installer). A program that VOLKIT does not await may
# log its start after VOLKIT has ended: it is given a second.
count_starts() {
    sleep 1
    rstcli=$(($(lines_of "$windir/rstcli_calls.log") + $(lines_of "$program/rstcli_calls.log")))
    diskpart=$(sed -n 1p "$program/diskpart_runs.txt" 2>/dev/null | tr -dc 0-9)
    diskpart=${diskpart:-0}
    msiexec=$(lines_of "$program/Msiexec.calls.txt")
    setup=$(lines_of "$program/setuprst157.calls.txt")
    rm -f "$windir/rstcli_calls.log" "$program/rstcli_calls.log" "$program/diskpart_runs.txt" \
        "$program/Msiexec.calls.txt" "$program/setuprst157.calls.txt"
}

# Median run time of one program under wine-run, in ms.
time_program() {
    for _ in $(seq 1 "$rounds"); do
        volkit_run_program "$1" "$2" >/dev/null 2>&1
        echo "$VOLKIT_ELAPSED_MS"
    done | median
}

echo "== programs run alone under Wine (median of $rounds)"
prepare programs
volkit_run "" >/dev/null 2>&1  # the first program in a new prefix pays for Wine's start
t_empty=$(time_program "$VOLKIT_PROGRAM_DIR\\VOLKIT.exe" "$VOLKIT_PROGRAM_DIR")
t_rstcli=$(time_program "$VOLKIT_PROGRAM_DIR\\rstcli.exe -I" "$VOLKIT_PROGRAM_DIR")
printf 'list disk \r\n' >"$program/bench_list.txt"
t_cmd=$(time_program "C:\\windows\\system32\\cmd.exe /c rem" "$VOLKIT_PROGRAM_DIR")
t_diskpart=$(time_program "C:\\windows\\system32\\cmd.exe /c diskpart /s bench_list.txt >bench_o.txt" \
    "$VOLKIT_PROGRAM_DIR")
t_msiexec=$(time_program "$VOLKIT_PROGRAM_DIR\\Msiexec.exe /x{0} /quiet" "$VOLKIT_PROGRAM_DIR")
t_setup=$(time_program "$VOLKIT_PROGRAM_DIR\\setuprst157.exe -s -b" "$VOLKIT_PROGRAM_DIR")
count_starts
printf '%-34s %8s ms\n' "VOLKIT.exe without a switch" "$t_empty" "rstcli.exe -I" "$t_rstcli" \
    "cmd /c rem (a batch file's start)" "$t_cmd" "cmd /c diskpart (a batch's run)" "$t_diskpart" "Msiexec.exe" "$t_msiexec" \
    "setuprst157.exe" "$t_setup"

# operation | command line | fixed waits of a sleep-based program on this run (ms) | batch files
# run through cmd besides diskpart's | why
ops=$(cat <<'EOF'
0|-func0|3000|1|1 s after deleting Kcli.txt, 1 s for Kcli.txt after starting cli.bat, 1 s after deleting Diskmode.xml
1|-func1|0|0|no waits
2|-func2|0|0|no waits
3|-func3|0|0|no waits
5|-func5|8000|0|service not running; 2 uninstallers: one 2 s step, 3 s when the IRST UI is gone, 3 s more
6|-func6|0|0|installer not awaited
7|-func7|0|0|no waits
8|-func8|0|0|no waits
9|-func9 2 1|1000|0|1 s after the disk-off command
10|-func10 2 1 1 1 3|24000|0|1 s after the wipe's start, 7 s after create-cache, 7+7+2 s after the accelerate commands
11|-func11 1,1,2,1|0|0|tool readable at once; the command is not awaited
12|-func12 1,1,2|0|0|tool readable at once; the command is not awaited
13|-func13 2 Volume_0000|23000|0|7 s after create-cache, 7+7+2 s after the accelerate commands
14|-func14 Volume_0000|6000|0|1 s after each of 3 volume-off and 3 of 4 reset commands
15|-func15 1,1,2,1|0|0|as operation 11
EOF
)

echo "== operations under Wine (median of $rounds runs)"
printf '%-4s %-24s %9s %6s %10s %9s %5s  %s\n' op "command line" "wall ms" starts "outside ms" \
    "sleeps ms" exit verdict
worst=0
echo "$ops" | while IFS='|' read -r op cmdline sleeps batches why; do
    prepare "op$op"
    volkit_run "" >/dev/null 2>&1  # the first program in a new prefix pays for Wine's start
    walls=""
    for _ in $(seq 1 "$rounds"); do
        volkit_run "$cmdline" >/dev/null 2>&1
        status=$?
        walls="$walls $VOLKIT_ELAPSED_MS"
        count_starts
    done
    wall=$(printf '%s\n' $walls | median)
    starts=$((rstcli + diskpart + msiexec + setup + batches))
    outside=$(awk -v r="$rstcli" -v d="$diskpart" -v m="$msiexec" -v s="$setup" -v b="$batches" \
        -v tr="$t_rstcli" -v td="$t_diskpart" -v tm="$t_msiexec" -v ts="$t_setup" -v tb="$t_cmd" \
        'BEGIN { printf "%.0f", r * tr + d * td + m * tm + s * ts + b * tb }')
    verdict=$(awk -v w="$wall" -v e="$t_empty" -v o="$outside" \
        'BEGIN { if (w <= e + 100 + o) print "ok"; else printf "SLOW by %.0f ms", w - e - 100 - o }')
    printf '%-4s %-24s %9s %6s %10s %9s %5s  %s\n' "$op" "$cmdline" "$wall" "$starts" "$outside" \
        "$sleeps" "$status" "$verdict"
    echo "$op $verdict" >>"$results"
done

if [ "$(wc -l <"$results")" -ne "$(echo "$ops" | wc -l)" ]; then
    echo "not every operation could be measured"
    exit 1
fi
if grep -qv ' ok$' "$results"; then
    echo "operations slower than the target: $(grep -v ' ok$' "$results" | cut -d' ' -f1 | tr '\n' ' ')"
    exit 1
fi
echo "every operation within the target"
