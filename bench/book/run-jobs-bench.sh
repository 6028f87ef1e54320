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

python3 - "$work/novel.epub" <<'PY'
import random, sys, zipfile
# Pseudo-random prose from common characters, so it compresses about as real text does.
chars = ("的一是不了人我在有他这中大来上国个到说们为子和你地出道也时年得就那要下以生会自着去之过家学"
         "对可她里后小么心多天而能好都然没日于起还发成事只作当想看文无开手十用主行方又如前所本见经头面"
         "公同三已老从动两长知民样现分将外但身些与高意进把法此实回二理美点月明其种声全工己话儿者向情部")
rng = random.Random(7)
with zipfile.ZipFile(sys.argv[1], "w") as book:
    book.writestr("mimetype", "application/epub+zip", zipfile.ZIP_STORED)
    book.writestr("META-INF/container.xml", "<?xml version=\"1.0\"?><container/>\n",
                  zipfile.ZIP_DEFLATED)
    book.writestr("OEBPS/style.css", "body { margin: 0; }\n", zipfile.ZIP_DEFLATED)
    for n in range(40):
        paragraphs = ["<p>" + "".join(rng.choice(chars) for _ in range(300)) + "。</p>"
                      for _ in range(230)]
        page = ("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<html><body>\n" +
                "\n".join(paragraphs) + "\n</body></html>\n")
        book.writestr(f"OEBPS/chapter{n:02}.xhtml", page, zipfile.ZIP_DEFLATED)
PY

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
