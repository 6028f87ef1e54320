#!/bin/sh
# Builds the book benchmark optimised in BUILD (default build-bench in the repository) and
# prints the median time of each step of the job on a large book, the whole job in the default
# profile and in s2twp, and unzip + zip alone on the same book, with the ratios the job is held
# to: default over unzip + zip, s2twp over default (target: at most 1.10 each).
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build-bench}
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVELA_BUILD_BENCH=ON \
    -DCORVELA_BUILD_APP=OFF >/dev/null
cmake --build "$build" --target book_benchmarks convert_book_driver >/dev/null
report=$(mktemp)
trap 'rm -f "$report"' EXIT
# The file routines print diagnostics on standard output: the figures go to a file.
"$build/bench/book/book_benchmarks" --benchmark_out="$report" --benchmark_out_format=json \
    >/dev/null 2>&1
python3 - "$report" <<'PY'
import json, sys
times = {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b.get("aggregate_name") != "median":
        continue
    book, step = b["name"].split("/")[:2]
    times.setdefault(book, {})[step] = b["real_time"]
for book, steps in times.items():
    print(f"book with {book} text (medians of 7 runs):")
    for step, ms in steps.items():
        print(f"  {step:24s} {ms:9.1f} ms")
    default, phrases, alone = steps["job_default"], steps["job_s2twp"], steps["unzip_plus_zip_alone"]
    print(f"  {'default / unzip + zip':24s} {default / alone:9.2f} x  (target: at most 1.10)")
    print(f"  {'s2twp / default':24s} {phrases / default:9.2f} x  (target: at most 1.10)")
PY
