#!/usr/bin/env bash
# Phrase profiles in one run: our phrase converter against libopencc and the character table on
# the same 4 MB of Chinese XHTML (CPU time, median of three repetitions), as MB/s and ratios;
# load time and memory of each converter. A profile to Simplified reads that text in Traditional
# script, as its counterpart to Traditional makes it.
#   bench/text/phrase-bench.sh [BUILD_FOLDER]
# BUILD_FOLDER (default: build-bench in the repository) is configured here as an optimised
# benchmark build when it holds no benchmark yet; only the target used is built.
set -euo pipefail
repo="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$repo/build-bench}"

if [[ ! -f "$build/CMakeCache.txt" ]]; then
    cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVELA_BUILD_BENCH=ON \
        -DCORVELA_BUILD_APP=OFF -DCORVELA_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target phrase_benchmarks >/dev/null
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# Each benchmark in a process of its own, as the program loads one converter: a later one in the
# same process would get its tables from a heap the earlier ones left behind.
names="CharacterTable"
profiles="s2t s2tw s2twp s2hk t2s tw2s tw2sp hk2s"
for profile in $profiles; do
    names="$names Phrase/$profile Opencc/$profile PhraseLoad/$profile OpenccLoad/$profile"
done
for name in $names; do
    "$build/bench/text/phrase_benchmarks" --benchmark_filter="^$name\$" --benchmark_repetitions=3 \
        --benchmark_report_aggregates_only=true --benchmark_out="$work/${name//\//-}.json" \
        --benchmark_out_format=json >/dev/null 2>&1
done

python3 - "$work" $profiles <<'PY'
import glob, json, sys
runs = {b["run_name"]: b for path in glob.glob(sys.argv[1] + "/*.json")
        for b in json.load(open(path))["benchmarks"] if b.get("aggregate_name") == "median"}
def ms(name): return runs[name]["cpu_time"]  # every benchmark reports milliseconds
def mbps(name): return runs[name]["bytes_per_second"] / 1e6
table = ms("CharacterTable")
print(f"character table: {mbps('CharacterTable'):.0f} MB/s")
print("profile  libopencc MB/s  ours MB/s  ours/libopencc  ours time/table time  "
      "load ms (ours, libopencc)  tables MB")
for p in sys.argv[2:]:
    ours, ref = f"Phrase/{p}", f"Opencc/{p}"
    print(f"{p:7} {mbps(ref):15.1f} {mbps(ours):10.0f} {mbps(ours) / mbps(ref):15.0f}x "
          f"{ms(ours) / table:21.2f}x {ms('PhraseLoad/' + p):14.0f} {ms('OpenccLoad/' + p):10.0f} "
          f"{runs[ours]['tableMB']:10.1f}")
PY
