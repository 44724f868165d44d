#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz": clang, AddressSanitizer and UBSan) and runs each
# for SECONDS (default 30), starting from its seed corpus in tests/fuzz/corpus/<target>/.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#
# Inputs the fuzzer finds interesting go to a scratch corpus under build/fuzz/work, never into
# the committed seeds. Any crash, leak, timeout or sanitizer report fails the run; the input that
# caused it is kept as build/fuzz/findings/<target>/crash-* (or leak-*, timeout-*) and its path
# printed. The last lines give the executions of each target.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || ((seconds == 0)); then
    echo "usage: scripts/fuzz.sh [SECONDS] [TARGET...]" >&2
    exit 2
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"${FUZZ_BUILD_JOBS:-2}"

if (($# > 0)); then
    targets=("$@")
else
    targets=()
    for source in tests/fuzz/*.cpp; do
        targets+=("$(basename "$source" .cpp)")
    done
fi

build=build/fuzz
failed=()
summary=()
for target in "${targets[@]}"; do
    binary=$build/tests/$target
    seeds=tests/fuzz/corpus/$target
    [[ -x "$binary" ]] || { echo "no fuzz target $target" >&2; exit 2; }
    if [[ ! -d "$seeds" ]]; then
        echo "warning: $target has no seed corpus in $seeds; starting from nothing" >&2
        seeds=$build/work/$target.empty
        mkdir -p "$seeds"
    fi
    work=$build/work/$target
    findings=$build/findings/$target
    mkdir -p "$work" "$findings"
    log=$build/findings/$target.log
    echo "== $target: ${seconds}s"
    status=0
    # -timeout: an input that takes 5 s is a finding (a hang; the parsers take microseconds).
    "$binary" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$findings/" "$work" "$seeds" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    artifacts=$(find "$findings" -maxdepth 1 -type f \
        \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | sort)
    if ((status != 0)) || [[ -n "$artifacts" ]]; then
        tail -40 "$log"
        echo "FINDING in $target (exit $status); inputs:" $artifacts
        failed+=("$target")
    fi
    summary+=("$(printf '%-26s %12s executions  %s' "$target" "${runs:-?}" \
        "$( ((status == 0)) && [[ -z "$artifacts" ]] && echo ok || echo FINDING)")")
done

echo "== fuzz summary (${seconds}s each)"
printf '%s\n' "${summary[@]}"
if ((${#failed[@]} > 0)); then
    echo "fuzz findings in: ${failed[*]}"
    exit 1
fi
