# VOLKIT.exe runs elevated, so it loads the port-I/O library "qvx.dll" only from its own folder or
# from the system folder: a copy planted in a PATH folder or in the current directory is never
# loaded, and without the library no operation runs. Operation 7 shows whether one ran.
#   sh test_library_search.sh <build dir> <source dir>
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
volkit_wine_init "$1" "$2"

runonce='HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce'

# Where qvx.dll lies | whether operation 7 runs.
while IFS='|' read -r place runs; do
    volkit_fresh_install "library-$place" VOLKIT
    mv "$program/qvx.dll" "$VOLKIT_WINE_DIR/prefixes/library-$place.qvx.dll"
    library="$VOLKIT_WINE_DIR/prefixes/library-$place.qvx.dll"
    planted=$(volkit_unix_path 'C:\planted')
    mkdir -p "$planted"
    cwd=$VOLKIT_PROGRAM_DIR
    case $place in
        program) cp "$library" "$program/qvx.dll" ;;
        system) cp "$library" "$(volkit_unix_path 'C:\windows\syswow64')/qvx.dll" ;;
        path) cp "$library" "$planted/qvx.dll" ;;
        cwd)
            cp "$library" "$planted/qvx.dll"
            cwd='C:\planted'
            ;;
    esac

    status=0
    WINEPATH='C:\planted' volkit_run "-func7" "$cwd" || status=$?
    volkit_assert_eq "$status" 0 "exit code with qvx.dll in $place"
    volkit_assert_eq "$VOLKIT_CLOSES" 1 "WM_CLOSE with qvx.dll in $place"
    if volkit_reg_query "$runonce" TIDAL 32 >/dev/null; then ran=yes; else ran=no; fi
    volkit_assert_eq "$ran" "$runs" "operation 7 ran with qvx.dll in $place"
done <<'CASES'
program|yes
system|yes
path|no
cwd|no
CASES
echo "qvx.dll is loaded only from the program's folder and the system folder"
