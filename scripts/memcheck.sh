#!/usr/bin/env bash
# Valgrind pass over the scenario tests (whole operations on the simulated PC), built without
# sanitizers (preset "memcheck"). Fails on any memory error (reads of uninitialised or freed
# memory, bad frees) and on any definite or indirect leak; the report is printed.
#
#   scripts/memcheck.sh [GoogleTest filter]
#
# The sanitizer build (preset "linux") already runs every test under AddressSanitizer, UBSan and
# LeakSanitizer; Valgrind adds the uses of uninitialised memory that those do not see.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset memcheck >/dev/null
cmake --build --preset memcheck -j"${MEMCHECK_BUILD_JOBS:-2}" >/dev/null

log=build/memcheck/memcheck.log
status=0
valgrind --tool=memcheck --leak-check=full --errors-for-leak-kinds=definite,indirect \
    --show-leak-kinds=definite,indirect --error-exitcode=99 --log-file="$log" \
    build/memcheck/tests/volkit_scenario_tests --gtest_brief=1 \
    --gtest_filter="${1:-*}" || status=$?
grep -E 'ERROR SUMMARY|definitely lost|indirectly lost' "$log" || true
if ((status != 0)); then
    cat "$log"
    echo "memcheck: findings in the scenario tests (exit $status)"
    exit 1
fi
echo "memcheck: no findings in the scenario tests"
