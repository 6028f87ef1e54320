#!/bin/sh
# Converts four copies of one generated book of several MB with corvela-cli --jobs 1 and then
# --jobs 2, builds corvela-cli optimised in BUILD first (default build-bench in the repository),
# prints both times and their ratio (aim: at most 0.6 on two cores), and checks that both runs
# made the same books (the same entries with the same bytes; zip's timestamps may differ).
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build-bench}
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVELA_BUILD_APP=OFF \
    -DCORVELA_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target corvela-cli >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 "$here/bench/book/generate_book.py" "$work/novel.epub" 230

elapsed() {  # elapsed JOBS FOLDER: converts the four copies in FOLDER, prints the seconds
    mkdir "$work/$2"
    for n in 1 2 3 4; do cp "$work/novel.epub" "$work/$2/book$n.epub"; done
    start=$(date +%s.%N)
    (cd "$work/$2" && "$build/cli/corvela-cli" --quiet --jobs "$1" book1.epub book2.epub \
        book3.epub book4.epub >/dev/null)
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}
# How much of two cores this machine gives now (others may be building): one CPU-bound process
# against two at once. Two free cores give 1.0, one shared core 2.0; the best ratio is half.
spin() { python3 -c 'for i in range(6_000_000): pass'; }
since() { echo "$(date +%s.%N) - $1" | bc; }
start=$(date +%s.%N); spin; single=$(since "$start")
start=$(date +%s.%N); spin & spin; wait; pair=$(since "$start")
one=$(elapsed 1 one)
two=$(elapsed 2 two)
size=$(du -k "$work/novel.epub" | cut -f1)
echo "four books of $size KB each (load average $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores):"
echo "  --jobs 1   $one s"
echo "  --jobs 2   $two s"
python3 - "$work" "$one" "$two" "$single" "$pair" <<'PY'
import sys, zipfile
work, one, two, single, pair = sys.argv[1], *map(float, sys.argv[2:])
print(f"  ratio      {two / one:.2f}  (aim: at most 0.6)")
print(f"  two CPU-bound processes take {pair / single:.2f} times one here now: "
      f"the best ratio now is about {pair / single / 2:.2f}")
def contents(path):
    with zipfile.ZipFile(path) as book:
        return {info.filename: book.read(info) for info in book.infolist()}
same = all(contents(f"{work}/one/book{n}_corvela.epub") == contents(f"{work}/two/book{n}_corvela.epub")
           for n in range(1, 5))
print("  outputs    " + ("the same" if same else "DIFFERENT"))
sys.exit(0 if same else 1)
PY
