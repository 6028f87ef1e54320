#!/bin/sh
# Converts every sample book (tests/data: the packed books, and the trees packed as
# tests/data/README.md says) in every profile, without the font rule, and prints per book and
# profile: the characters in which the text files differ from `opencc -c NAME.json` ("char" is
# held against s2t.json), with how many of them lie in language tags, font names and
# percent-encoded references; the references that lead nowhere before and after; and
# epubcheck's errors (fatal ones included) before and after. EPUBCHECK=0 leaves epubcheck out;
# PROFILES="s2t s2twp" limits the profiles (default: all five).
#   bench/book/compare-samples.sh [BUILD_FOLDER]
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build-bench}
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVELA_BUILD_BENCH=ON \
    -DCORVELA_BUILD_APP=OFF >/dev/null
cmake --build "$build" --target convert_book_driver >/dev/null
driver="$build/bench/book/convert_book_driver"
checks="$here/bench/book/book_checks.py"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Errors and fatal errors that epubcheck reports for a book, or "-" when it is left out.
epubcheck_errors() {
    [ "${EPUBCHECK:-1}" = 0 ] && { echo -; return; }
    java -jar /usr/bin/epubcheck "$1" 2>&1 |
        sed -n 's/^Messages: \([0-9]*\) fatals* \/ \([0-9]*\) errors*.*/\1 \2/p' |
        awk '{ print $1 + $2 } END { if (NR == 0) print "?" }'
}

for source in "$here"/tests/data/packed/*.epub; do
    cp "$source" "$work/$(basename "$source")"
done
for tree in "$here"/tests/data/trees/*/; do
    book="$work/$(basename "$tree").epub"
    (cd "$tree" && LC_ALL=C.UTF-8 zip -qX0 "$book" mimetype &&
        LC_ALL=C.UTF-8 zip -qXr9 "$book" . -x mimetype)
done

printf '%-58s %-6s %8s %10s %11s %14s\n' book profile differ "(on purpose)" "refs broken" \
    "epubcheck err"
for book in "$work"/*.epub; do
    name=$(basename "$book" .epub)
    refs_before=$(python3 "$checks" refs "$book")
    check_before=$(epubcheck_errors "$book")
    for profile in ${PROFILES:-char s2t s2tw s2twp s2hk}; do
        output="$work/out/$name-$profile.epub"
        mkdir -p "$work/out"
        if ! reason=$("$driver" "$profile" off "$book" "$output" 2>&1); then
            printf '%-58s %-6s not converted: %s\n' "$name" "$profile" "$reason"
            continue
        fi
        config=$profile.json
        [ "$profile" = char ] && config=s2t.json
        set -- $(python3 "$checks" differ "$book" "$output" "$config")
        refs_after=$(python3 "$checks" refs "$output")
        printf '%-58s %-6s %8s %10s %5s -> %-3s %6s -> %s\n' "$name" "$profile" "$1" "($2)" \
            "$refs_before" "$refs_after" "$check_before" "$(epubcheck_errors "$output")"
        [ "$3" = 0 ] || echo "    $3 text files of the source have no counterpart in the output"
    done
done
