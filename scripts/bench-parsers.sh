#!/usr/bin/env bash
# Parser throughput: builds the "bench" preset (Release at the product's -O2, no sanitizers), runs
# the parser benchmarks on texts of 64 KiB to 1 MiB and prints one line per parser. Fails when a
# parser reads fewer than MIN_MBPS (default 50) MB/s at 1 MiB, or when its time per byte at 1 MiB
# is more than twice that at 64 KiB (a parse that is not linear in its text).
#
#   scripts/bench-parsers.sh [extra Google Benchmark options]
#
# Rates are taken from CPU time, so that other work on the machine does not lower them.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset bench >/dev/null
cmake --build --preset bench -j"${BENCH_BUILD_JOBS:-2}" >/dev/null

out=build/bench/parser_bench.json
build/bench/tests/parser_bench --benchmark_min_time="${BENCH_MIN_TIME:-0.2}" \
    --benchmark_out="$out" --benchmark_out_format=json "$@" >/dev/null

python3 - "$out" "${MIN_MBPS:-50}" <<'EOF'
import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
minimum = float(sys.argv[2])
per = {}
for r in runs:
    if r.get("run_type") != "iteration" or "error_occurred" in r and r["error_occurred"]:
        if r.get("error_occurred"):
            print(f"{r['name']}: {r.get('error_message')}")
            sys.exit(1)
        continue
    name, size = r["run_name"].split("/")
    cpu_s = r["cpu_time"] * {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[r["time_unit"]]
    per.setdefault(name, {})[int(size)] = cpu_s
failed = False
print(f"{'parser':32} {'1 MiB (ms)':>11} {'MB/s':>8} {'ns/byte 64K':>12} {'ns/byte 1M':>11}")
for name, sizes in per.items():
    small, large = min(sizes), max(sizes)
    rate = large / sizes[large] / 1e6
    nsSmall = sizes[small] / small * 1e9
    nsLarge = sizes[large] / large * 1e9
    verdict = "ok"
    if rate < minimum:
        verdict = f"SLOW (below {minimum:g} MB/s)"
    elif nsLarge > 2 * nsSmall:
        verdict = "NOT LINEAR"
    failed = failed or verdict != "ok"
    print(f"{name[3:]:32} {sizes[large] * 1e3:11.3f} {rate:8.0f} {nsSmall:12.3f} {nsLarge:11.3f}  {verdict}")
sys.exit(1 if failed else 0)
EOF
