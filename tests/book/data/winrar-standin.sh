#!/bin/sh
# Stands in for WinRAR in tests: appends its arguments, one a line and an empty line after
# them, to a file beside itself, and does what the job asks of WinRAR with unzip and zip.
{ for a in "$@"; do printf '%s\n' "$a"; done; echo; } >> "$0.args"
case "$1" in
x)  # x ARCHIVE FOLDER/
    unzip -qq -o "$2" -d "$3"
    [ $? -le 1 ] || exit 1 ;;
a)  # a -r -ep1 -afzip OUTPUT FOLDER/./
    cd "$6" && zip -qr "$5" . || exit 1 ;;
*)  exit 2 ;;
esac
