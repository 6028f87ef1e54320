#!/bin/sh
# Times, side by side in one run, unzip + zip alone, the job with the archivers and the job with
# the built-in archive path, in the profiles char and s2twp (loading the converter included), on
# a generated book of several MB and on every sample book (tests/data), and prints the medians
# with the built-in job's ratios to unzip + zip alone (aims: char at most 0.35, s2twp at most
# 0.5). Builds the driver optimised in BUILD first (default build-bench in the repository).
# The phrase profiles' built tables are cached in the work folder as the command line caches them
# for a user: the first run of each profile builds the cache, the others read it (a warm cache).
# Usage: bench/book/run-builtin-bench.sh [BUILD [RUNS]]
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build-bench}
runs=${2:-5}
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVELA_BUILD_BENCH=ON \
    -DCORVELA_BUILD_APP=OFF >/dev/null
cmake --build "$build" --target convert_book_driver >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME="$work/state" XDG_CACHE_HOME="$work/cache"
mkdir "$work/books"
for sample in "$here"/tests/data/packed/*.epub; do cp "$sample" "$work/books/"; done
for tree in "$here"/tests/data/trees/*/; do
    name=$(basename "$tree")
    (cd "$tree" && LC_ALL=C.UTF-8 zip -qX0 "$work/books/$name.epub" mimetype &&
        LC_ALL=C.UTF-8 zip -qXr9 "$work/books/$name.epub" . -x mimetype)
done
python3 "$here/bench/book/generate_book.py" "$work/generated.epub" 100 --cover
python3 - "$work" "$build/bench/book/convert_book_driver" "$runs" <<'PY'
import os, shutil, statistics, subprocess, sys, time
work, driver, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
def median_ms(command, prepare=lambda: None):
    times = []
    for _ in range(runs):
        prepare()
        start = time.perf_counter()
        subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        times.append((time.perf_counter() - start) * 1000)
    return statistics.median(times)
def alone(book):
    unpacked, out = f"{work}/unpacked", f"{work}/alone.epub"
    def clean():
        shutil.rmtree(unpacked, ignore_errors=True)
        if os.path.exists(out):
            os.remove(out)
    # The archivers' own command lines, as the job runs them.
    line = f'unzip -o "{book}" -d "{unpacked}" >/dev/null && cd "{unpacked}" && zip -r "{out}" * >/dev/null'
    return median_ms(["sh", "-c", line], clean)
def job(book, profile, builtin):
    out = f"{work}/out.epub"
    return median_ms([driver, profile, "on", book, out] + (["builtin"] if builtin else []))
books = [f"{work}/generated.epub"] + sorted(f"{work}/books/{n}" for n in os.listdir(f"{work}/books"))
print(f"medians of {runs} runs, ms (ratios: built-in job / unzip + zip alone; aims 0.35 and 0.5)")
print(f"{'book':44s} {'KB':>6s} {'alone':>7s} {'tools':>7s} {'built-in':>8s} {'tools':>7s} {'built-in':>8s}  ratios")
print(f"{'':44s} {'':>6s} {'':>7s} {'char':>7s} {'char':>8s} {'s2twp':>7s} {'s2twp':>8s}")
sums = [0.0] * 5
for book in books:
    row = [alone(book), job(book, "char", False), job(book, "char", True),
           job(book, "s2twp", False), job(book, "s2twp", True)]
    sums = [a + b for a, b in zip(sums, row)]
    name = os.path.basename(book)[:44]
    print(f"{name:44s} {os.path.getsize(book) // 1024:6d} " + " ".join(f"{t:7.1f} " for t in row) +
          f" {row[2] / row[0]:.2f} {row[4] / row[0]:.2f}")
print(f"{'all books':44s} {'':6s} " + " ".join(f"{t:7.1f} " for t in sums) +
      f" {sums[2] / sums[0]:.2f} {sums[4] / sums[0]:.2f}")
PY
