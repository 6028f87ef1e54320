#!/bin/sh
# Builds the book benchmark optimised in BUILD (default build-bench in the repository) and
# prints the time of each step of the job on a large book, the whole job through corvela-cli,
# and unzip + zip alone on the same book, with the job's overhead over unzip + zip.
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build-bench}
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVELA_BUILD_BENCH=ON \
    -DCORVELA_BUILD_APP=OFF >/dev/null
cmake --build "$build" --target book_benchmarks corvela-cli >/dev/null
report=$(mktemp)
trap 'rm -f "$report"' EXIT
# The file routines print diagnostics on standard output: the figures go to a file.
"$build/bench/book/book_benchmarks" --benchmark_out="$report" --benchmark_out_format=json \
    >/dev/null 2>&1
python3 - "$report" <<'PY'
import json, sys
times = {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    book, step = b["name"].split("/")[:2]
    times.setdefault(book, {})[step] = b["real_time"]
for book, steps in times.items():
    print(f"book with {book} text:")
    for step, ms in steps.items():
        print(f"  {step:24s} {ms:9.1f} ms")
    job, alone = steps["job_corvela_cli"], steps["unzip_plus_zip_alone"]
    print(f"  {'job over unzip + zip':24s} {100 * (job - alone) / alone:+9.1f} %  (target: at most +25 %)")
PY
