# RAID creation (-func11, -func12), acceleration (-func13, -func9, -func14) and the SSD wipe with
# acceleration (-func10) on the 64-bit Windows 7 that a new prefix presents, IRST 14.8 recorded.
# The rstcli.exe that VOLKIT deploys is the stand-in carried in its resources: it logs its
# arguments to "rstcli_calls.log" beside itself, so the log lands in the Windows directory for
# RAID creation and in the program's directory for acceleration. The stand-in diskpart beside
# the program logs the script commands it carried out.
#   sh test_raid_acceleration.sh <build dir> <source dir>
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
volkit_wine_init "$1" "$2"

volkit_new_prefix raid_acceleration
volkit_install_program
program=$(volkit_unix_path "$VOLKIT_PROGRAM_DIR")
windows=$(volkit_unix_path 'C:\windows')
wine reg add 'HKLM\SOFTWARE\Intel\IRST' /v LastKitInstalled /d 14.8.0.1042 /f /reg:64 \
    >/dev/null 2>&1 || volkit_fail "cannot record the IRST release"

reset_logs() {
    rm -f "$program/rstcli_calls.log" "$windows/rstcli_calls.log" "$program/diskpart_calls.log" \
        "$program/clrssd.txt" "$program/clr_ssd.bat" "$program/c1.txt"
}

# The last started rstcli is not awaited by VOLKIT: wait until its log holds the lines expected.
calls() {
    log=$1
    lines=$2
    for _ in $(seq 1 100); do
        if [ -f "$log" ] && [ "$(tr -d '\r' <"$log" | wc -l)" -ge "$lines" ]; then
            break
        fi
        sleep 0.2
    done
    tr -d '\r' <"$log" 2>/dev/null
}

run_ok() {
    reset_logs
    volkit_run "$1" || volkit_fail "$1 ended with $?"
}

# RAID creation: rstcli deployed to and started from the Windows directory.
run_ok "-func11 1,1,2,1"
volkit_assert_eq "$(calls "$windows/rstcli_calls.log" 1)" \
    "-C -l 0 -E 0-1-0-0 -n VolumeWithData 0-2-0-0" "-func11 command"
[ -f "$windows/rstcli.exe" ] || volkit_fail "rstcli.exe was not deployed to the Windows directory"

run_ok "-func12 1,1,2"
volkit_assert_eq "$(calls "$windows/rstcli_calls.log" 1)" \
    "-C -l 1 -E 0-1-0-0 -n VolumeWithData 0-2-0-0" "-func12 command"

# Acceleration: rstcli deployed to and started from the program's directory.
on='--accelerate --setAccelConfig --volume-to-accel Volume_0000 --mode enhanced'
run_ok "-func13 2 Volume_0000"
volkit_assert_eq "$(calls "$program/rstcli_calls.log" 4)" "$(printf '%s\n' \
    '--accelerate --createCache --SSD 0-2-0-0 --cache-size 20' "$on" "$on" "$on")" \
    "-func13 commands"

reset='--accelerate --reset-to-available --cache-volume Cache_Volume'
run_ok "-func9 1 2"
volkit_assert_eq "$(calls "$program/rstcli_calls.log" 2)" "$(printf '%s\n' \
    '--accelerate --setAccelConfig --disk-to-accel 0-1-0-0 --mode off' "$reset")" \
    "-func9 commands"

off='--accelerate --setAccelConfig --volume-to-accel Volume_0000 --mode off'
run_ok "-func14 Volume_0000"
volkit_assert_eq "$(calls "$program/rstcli_calls.log" 7)" "$(printf '%s\n' \
    "$off" "$off" "$off" "$reset" "$reset" "$reset" "$reset")" "-func14 commands"

# The wipe: diskpart cleans disk 3 (C: is on disk 0 here), then the cache is made.
disk='--accelerate --setAccelConfig --disk-to-accel 0-1-0-0 --mode enhanced'
run_ok "-func10 2 1 1 1 3"
volkit_assert_eq "$(tr -d '\r' <"$program/clrssd.txt")" "$(printf 'sel disk 3\nclean')" \
    "wipe script"
volkit_assert_eq "$(tr -d '\r' <"$program/diskpart_calls.log" | tail -n 2)" \
    "$(printf 'sel disk 3\nclean disk 3')" "diskpart's work"
volkit_assert_eq "$(calls "$program/rstcli_calls.log" 4)" "$(printf '%s\n' \
    '--accelerate --createCache --SSD 0-2-0-0 --cache-size 20' "$disk" "$disk" "$disk")" \
    "-func10 commands"

# Without the number of the SSD to wipe, and for the disk that holds Windows: nothing is written
# or started, exit code 2, and the log says why.
for line in "-func10 2 1 1 1" "-func10 2 1 1 1 0"; do
    reset_logs
    volkit_run "$line"
    status=$?
    volkit_assert_eq "$status" 2 "exit code of $line"
    sleep 1
    for file in "$program/diskpart_calls.log" "$program/rstcli_calls.log" "$program/clrssd.txt"; do
        [ ! -e "$file" ] || volkit_fail "$line left $file"
    done
done
grep -q "refused: no number of the SSD to wipe was given" "$program/volkit.log" ||
    volkit_fail "the log does not say why the wipe without a number was refused"
grep -q "holds the Windows directory's drive" "$program/volkit.log" ||
    volkit_fail "the log does not say why the wipe of the Windows disk was refused"

echo "RAID creation, acceleration and the SSD wipe under Wine as expected"
