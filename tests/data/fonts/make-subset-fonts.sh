#!/bin/sh
# Makes the subset fonts of the report tests from a font already on a Debian system
# (fonts-wqy-microhei), with fontTools' subsetter (python3-fonttools). The tests only read
# the results; run this again only to change them.
set -eu
here=$(dirname "$0")
source=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
# A title font as books embed them: the Simplified characters of the title alone.
/usr/bin/python3 -m fontTools.subset "$source" --font-number=0 --text="简体书名标题" \
    --output-file="$here/title-subset.ttf"
/usr/bin/python3 -m fontTools.subset "$source" --font-number=0 --text="后记发现" \
    --flavor=woff --output-file="$here/note-subset.woff"
