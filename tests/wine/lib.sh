# Harness for the tests that run the Windows build under Wine. Sourced by tests/wine/test_*.sh
# (which CTest runs as "sh test_x.sh <build dir> <source dir>") and by the unit tests' emulator.
#
#   volkit_wine_init BUILD_DIR SOURCE_DIR   environment, paths; headless Wine
#   volkit_base_prefix [--fresh]            the base prefix of this build (made once, 64-bit,
#                                           null graphics driver)
#   volkit_new_prefix NAME                  a fresh prefix for one test, copied from the base; its
#                                           wineserver stays up until volkit_cleanup, so that
#                                           registry values survive between wine calls
#   volkit_present_windows win7|win81|win10 the Windows release the prefix presents
#   volkit_install_program [DIR]            copies VOLKIT.exe and the stand-ins into C:\DIR
#   volkit_fresh_install NAME [DIR]         ends the previous prefix's server, makes prefix NAME,
#                                           installs into C:\DIR; sets program and windows (host
#                                           paths of the program's and the Windows folder)
#   volkit_run "COMMAND LINE" [CWD]         runs VOLKIT.exe with exactly that command line;
#                                           returns its exit code; sets VOLKIT_CLOSES and
#                                           VOLKIT_ELAPSED_MS
#   volkit_run_program "LINE" CWD           the same for any program (LINE starts with its path)
#   volkit_reg_query KEY VALUE [32|64]      prints the data of a registry value
#   volkit_unix_path 'C:\path'              the host path of a path on drive C:
#   volkit_cleanup                          ends this prefix's wineserver (only this one)
#
# Everything runs headless: no display, null graphics driver, no Mono/Gecko installers.

volkit_fail() {
    printf 'FAIL: %s\n' "$*" >&2
    exit 1
}

volkit_wine_init() {
    VOLKIT_BUILD_DIR=$(cd "$1" && pwd) || volkit_fail "no build dir $1"
    VOLKIT_SOURCE_DIR=$(cd "$2" && pwd) || volkit_fail "no source dir $2"
    VOLKIT_WINE_DIR="$VOLKIT_BUILD_DIR/wine"
    VOLKIT_WINE_BASE="$VOLKIT_WINE_DIR/base"
    VOLKIT_EXE="$VOLKIT_BUILD_DIR/VOLKIT.exe"
    VOLKIT_WINE_RUN="$VOLKIT_BUILD_DIR/tests/wine-run.exe"
    VOLKIT_STANDIN_DIR="$VOLKIT_BUILD_DIR/standins"
    export WINEDEBUG="${WINEDEBUG:--all}"
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    export WINEARCH=win64
    unset DISPLAY WAYLAND_DISPLAY
    mkdir -p "$VOLKIT_WINE_DIR/prefixes"
}

# Makes the base prefix when it is missing (or, with --fresh, anew). Several tests may ask at
# once: a lock lets one of them make it while the others wait.
volkit_base_prefix() {
    fresh=${1:-}
    (
        flock 9
        if [ "$fresh" = "--fresh" ] || [ ! -f "$VOLKIT_WINE_BASE/.volkit-ready" ]; then
            # A new run: the prefixes of earlier runs go with the base they were copied from.
            for prefix in "$VOLKIT_WINE_DIR"/prefixes/*; do
                if [ -d "$prefix" ]; then
                    WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
                fi
                rm -rf "$prefix"
            done
            rm -rf "$VOLKIT_WINE_BASE"
            WINEPREFIX="$VOLKIT_WINE_BASE" wineboot -i >/dev/null 2>&1 ||
                volkit_fail "wineboot failed"
            WINEPREFIX="$VOLKIT_WINE_BASE" wine reg add 'HKCU\Software\Wine\Drivers' \
                /v Graphics /d null /f >/dev/null 2>&1 || volkit_fail "reg add failed"
            WINEPREFIX="$VOLKIT_WINE_BASE" wineserver -w
            touch "$VOLKIT_WINE_BASE/.volkit-ready"
        fi
    ) 9>"$VOLKIT_WINE_DIR/base.lock" || exit 1
}

# Copies the base prefix cheaply: folders are made anew and files are hard links, except the
# files Wine rewrites in place (registry hives, .ini files), which are real copies. A test must
# therefore not rewrite Wine's own files in system32/syswow64.
volkit_copy_prefix() {
    from=$1
    to=$2
    rm -rf "$to"
    cp -al "$from" "$to" || volkit_fail "cannot copy the base prefix"
    rm -f "$to/wineserver" "$to/.volkit-ready"
    find "$to" -maxdepth 1 -name '*.reg' -type f | while read -r hive; do
        rm -f "$hive"
        cp "$from/$(basename "$hive")" "$hive"
    done
    find "$to/drive_c/windows" -maxdepth 1 -name '*.ini' -type f | while read -r ini; do
        rm -f "$ini"
        cp "$from/drive_c/windows/$(basename "$ini")" "$ini"
    done
}

volkit_new_prefix() {
    volkit_base_prefix
    export WINEPREFIX="$VOLKIT_WINE_DIR/prefixes/$1"
    volkit_copy_prefix "$VOLKIT_WINE_BASE" "$WINEPREFIX"
    # A persistent server keeps one Wine session for the whole test: RunOnce entries are only
    # carried out (and removed) when a new session starts.
    # It ends by itself ten minutes after its last program, should the test be cut short.
    wineserver -p600 || volkit_fail "cannot start wineserver"
    trap volkit_cleanup EXIT
}

# Makes the current prefix present a Windows release. Without a compatibility section in the
# manifest, 8.1 and 10 both report version 6.2; the registry tells them apart. Wine's win10
# writes CurrentVersion "10.0", whereas real Windows 10 keeps "6.3" (in both views).
volkit_present_windows() {
    wine winecfg -v "$1" >/dev/null 2>&1 || volkit_fail "winecfg -v $1 failed"
    if [ "$1" = "win10" ]; then
        for view in 32 64; do
            wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' /v CurrentVersion \
                /d 6.3 /f "/reg:$view" >/dev/null 2>&1 || volkit_fail "cannot set CurrentVersion"
        done
    fi
}

volkit_cleanup() {
    if [ -n "${WINEPREFIX:-}" ]; then
        wineserver -k >/dev/null 2>&1 || true
    fi
}

volkit_unix_path() {
    rest=$(printf '%s' "$1" | sed -e 's/^[Cc]://' -e 's|\\|/|g')
    printf '%s/drive_c%s' "$WINEPREFIX" "$rest"
}

# The Windows path of a host path (drive Z: is the host's root).
volkit_windows_path() {
    printf 'Z:%s' "$(printf '%s' "$1" | sed 's|/|\\|g')"
}

volkit_install_program() {
    dir=${1:-VOLKIT}
    VOLKIT_PROGRAM_DIR="C:\\$dir"
    target=$(volkit_unix_path "$VOLKIT_PROGRAM_DIR")
    mkdir -p "$target"
    cp "$VOLKIT_EXE" "$target/" || volkit_fail "no VOLKIT.exe in $VOLKIT_BUILD_DIR"
    if [ -d "$VOLKIT_STANDIN_DIR" ]; then
        cp -r "$VOLKIT_STANDIN_DIR"/. "$target/"
    fi
}

volkit_fresh_install() {
    volkit_cleanup
    volkit_new_prefix "$1"
    volkit_install_program "${2:-VOLKIT}"
    program=$(volkit_unix_path "$VOLKIT_PROGRAM_DIR")
    windows=$(volkit_unix_path 'C:\windows')
}

# Runs VOLKIT.exe from the installed program folder with exactly the given command line (the
# text after the program name, trailing blanks included). A window captioned "VKT" stands for
# the calling program; VOLKIT_CLOSES tells how many WM_CLOSE messages it received before
# VOLKIT.exe ended, VOLKIT_ELAPSED_MS how long it ran.
volkit_run() {
    volkit_run_program "$VOLKIT_PROGRAM_DIR\\VOLKIT.exe $1" "${2:-$VOLKIT_PROGRAM_DIR}"
}

# Runs any program with exactly the given whole command line (program path first) the same way,
# in the given Windows working directory; sets VOLKIT_CLOSES and VOLKIT_ELAPSED_MS.
volkit_run_program() {
    line=$1
    cwd=$2
    work=$(mktemp -d "$VOLKIT_WINE_DIR/run.XXXXXX")
    printf '%s' "$line" >"$work/line.txt"
    status=0
    wine "$VOLKIT_WINE_RUN" "$(volkit_windows_path "$work/report.txt")" "$cwd" \
        "$(volkit_windows_path "$work/line.txt")" 120 </dev/null >"$work/out.txt" 2>&1 ||
        status=$?
    VOLKIT_CLOSES=$(sed -n 's/^closes=//p' "$work/report.txt" 2>/dev/null)
    VOLKIT_CLOSES=${VOLKIT_CLOSES:-0}
    VOLKIT_ELAPSED_MS=$(sed -n 's/^elapsed_ms=//p' "$work/report.txt" 2>/dev/null)
    if [ ! -f "$work/report.txt" ]; then
        cat "$work/out.txt" >&2
    fi
    rm -rf "$work"
    return "$status"
}

# Prints the data of one registry value; fails when it is absent. The view is 32 (the view of a
# 32-bit program, the default) or 64.
volkit_reg_query() {
    view=${3:-32}
    wine reg query "$1" /v "$2" "/reg:$view" 2>/dev/null | tr -d '\r' |
        awk -v name="$2" '
            { line = $0; sub(/^ +/, "", line) }
            index(line, name) == 1 {
                rest = substr(line, length(name) + 1)
                if (match(rest, /^ +REG_[A-Z_]+ */)) { print substr(rest, RLENGTH + 1); found = 1 }
            }
            END { exit found ? 0 : 1 }'
}

volkit_assert_eq() {
    if [ "$1" != "$2" ]; then
        volkit_fail "${3:-value}: expected [$2], got [$1]"
    fi
}
