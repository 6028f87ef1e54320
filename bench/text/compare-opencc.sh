#!/usr/bin/env bash
# Measures ConvertTextFile (the job's conversion of one text file, character table) against the
# opencc command on the same 10 MB Chinese XHTML in one run, and the peak memory of one
# conversion.
#   bench/text/compare-opencc.sh [BUILD_FOLDER]
# BUILD_FOLDER (default: build-bench in the repository) is configured here as an optimised
# benchmark build when it holds no benchmark yet; only the two targets used are built.
set -euo pipefail
repo="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$repo/build-bench}"

if [[ ! -f "$build/CMakeCache.txt" ]]; then
    cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVELA_BUILD_BENCH=ON \
        -DCORVELA_BUILD_APP=OFF -DCORVELA_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target text_benchmarks convert_text_driver >/dev/null
benchmarks="$build/bench/text/text_benchmarks"
driver="$build/bench/text/convert_text_driver"
case "$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/CMakeCache.txt")" in
    Release | RelWithDebInfo) ;;
    *) echo "warning: $build is not an optimised build; the figures will be low" >&2 ;;
esac

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$driver" --write-sample "$work/sample.xhtml"
size=$(stat -c %s "$work/sample.xhtml")

# opencc: the best of two runs, in MB/s (10^6 bytes per second).
opencc_best=""
for run in 1 2; do
    start=$(date +%s.%N)
    opencc -c s2t.json -i "$work/sample.xhtml" -o "$work/opencc-out.xhtml"
    end=$(date +%s.%N)
    opencc_best=$(awk -v s="$size" -v a="$start" -v b="$end" -v best="$opencc_best" \
        'BEGIN { r = s / (b - a) / 1e6; if (best == "" || r > best) best = r; printf "%.2f", best }')
done

# ConvertTextFile: the median of five repetitions, from the benchmark's JSON report.
"$benchmarks" --benchmark_filter='BM_Convert' --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true --benchmark_format=json >"$work/bench.json" 2>/dev/null
median() {
    awk -v want="\"$1/real_time_median\"" '
        /"name":/ { name = $2; sub(/,$/, "", name) }
        /"bytes_per_second":/ && name == want { v = $2; sub(/,$/, "", v); printf "%.2f", v / 1e6 }
    ' "$work/bench.json"
}
chinese=$(median BM_ConvertChineseXhtml)
ascii=$(median BM_ConvertAsciiHeavyMarkup)

# Peak memory of one conversion, on a fresh copy of the sample.
cp "$work/sample.xhtml" "$work/memory.xhtml"
memory=$("$driver" --peak-memory "$work/memory.xhtml")
growth=$(sed -n 's/^bytes per file byte //p' <<<"$memory")
growth_kib=$(sed -n 's/^peak resident growth \([0-9]*\) KiB$/\1/p' <<<"$memory")
whole=""
if [[ -x /usr/bin/time ]]; then
    cp "$work/sample.xhtml" "$work/memory.xhtml"
    whole=$(/usr/bin/time -f '%M' "$driver" --peak-memory "$work/memory.xhtml" 2>&1 >/dev/null)
fi

echo "Chinese XHTML sample: $size bytes"
echo "ConvertTextFile, Chinese XHTML:      $chinese MB/s (median of 5)"
echo "ConvertTextFile, ASCII-heavy markup: $ascii MB/s (median of 5)"
echo "opencc -c s2t.json, same Chinese:    $opencc_best MB/s (best of 2)"
awk -v a="$chinese" -v b="$opencc_best" 'BEGIN { printf "ratio: %.1fx faster than opencc (target: 30x)\n", a / b }'
echo "peak memory of ConvertTextFile: +$growth_kib KiB peak resident, $growth bytes per file byte (bound: 8)"
if [[ -n "$whole" ]]; then
    echo "whole driver process (table, libraries and all): $whole KiB peak resident"
fi
