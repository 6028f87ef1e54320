#!/usr/bin/env python3
"""Checks of converted books for bench/book/compare-samples.sh.

  book_checks.py refs BOOK.epub
      prints the number of references that lead nowhere: href, src and full-path attributes in
      markup and url() in stylesheets, raw or percent-encoded, with their fragments (ids).
  book_checks.py differ SOURCE.epub OUTPUT.epub OPENCC_CONFIG
      prints the characters in which the output's text files differ from what `opencc -c
      OPENCC_CONFIG` makes of the source's text files, and how many of them lie in language tags,
      font names and percent-encoded references (which the job treats on purpose).
"""
import difflib
import os
import re
import subprocess
import sys
import tempfile
import urllib.parse
import zipfile

MARKUP = re.compile(r"\.(xhtml|html|htm|xml|opf|ncx|svg|smil|css)$", re.I)
REFERENCE = re.compile(
    r"""(?:href|src|full-path)\s*=\s*(?:"([^"]*)"|'([^']*)')|url\(\s*["']?([^"')]*)["']?\s*\)""")
SCHEME = re.compile(r"^[A-Za-z][A-Za-z0-9+.-]*:")
ON_PURPOSE = re.compile(
    r"""(?:xml:)?lang\s*=\s*"[^"]*"|<dc:language>[^<]*</dc:language>"""
    r"""|font-family\s*:[^;}]*|local\([^)]*\)|(?:%[0-9A-Fa-f]{2})+""")


def entries(book):
    """The book's files as {path: bytes}; names without the UTF-8 flag are taken as UTF-8 too."""
    files = {}
    with zipfile.ZipFile(book) as archive:
        for info in archive.infolist():
            name = info.filename
            if not info.flag_bits & 0x800:
                name = name.encode("cp437").decode("utf-8", "surrogateescape")
            if not name.endswith("/"):
                files[name] = archive.read(info)
    return files


def is_text(data):
    before_zero = data.split(b"\0", 1)[0]
    if b"utf-8" in before_zero or b"UTF-8" in before_zero:
        return True
    try:
        data.decode("utf-8")
        return True
    except UnicodeDecodeError:
        return False


def broken_references(files):
    broken = 0
    for path, data in files.items():
        if not MARKUP.search(path):
            continue
        text = data.decode("utf-8", "replace")
        folder = "" if path == "META-INF/container.xml" else os.path.dirname(path)
        for match in REFERENCE.finditer(text):
            reference = next(g for g in match.groups() if g is not None)
            if not reference or SCHEME.match(reference) or reference.startswith("/"):
                continue
            target, _, fragment = reference.partition("#")
            target = urllib.parse.unquote(target)
            resolved = os.path.normpath(os.path.join(folder, target)) if target else path
            fragment = urllib.parse.unquote(fragment)
            found = resolved in files and (
                not fragment or f'id="{fragment}"'.encode() in files[resolved])
            broken += not found
    return broken


def opencc(files, config):
    """What opencc makes of each text file and its path, in one run: no phrase holds a line
    break, so files put on lines of their own between ASCII marks are converted apart."""
    mark = "\n@@corvela@@\n"
    joined = "".join(path + mark + data.decode("utf-8", "surrogateescape") + mark
                     for path, data in files.items())
    with tempfile.NamedTemporaryFile("wb") as source:
        source.write(joined.encode("utf-8", "surrogateescape"))
        source.flush()
        output = subprocess.run(["opencc", "-c", config, "-i", source.name], check=True,
                                capture_output=True).stdout.decode("utf-8", "surrogateescape")
    parts = output.split(mark)
    return {parts[i]: parts[i + 1] for i in range(0, len(parts) - 1, 2)}


def differing(ours, theirs):
    """The characters in which ours differs from theirs, and how many lie where the job differs
    on purpose."""
    purposeful = [m.span() for m in ON_PURPOSE.finditer(ours)]
    total = explained = 0
    matcher = difflib.SequenceMatcher(None, ours, theirs, autojunk=False)
    for tag, a1, a2, b1, b2 in matcher.get_opcodes():
        if tag == "equal":
            continue
        count = max(a2 - a1, b2 - b1)
        total += count
        if any(start <= a1 and a2 <= end for start, end in purposeful):
            explained += count
    return total, explained


def main():
    command = sys.argv[1]
    if command == "refs":
        print(broken_references(entries(sys.argv[2])))
    elif command == "differ":
        source, output = entries(sys.argv[2]), entries(sys.argv[3])
        expected = opencc({p: d for p, d in source.items() if is_text(d)}, sys.argv[4])
        total = explained = missing = 0
        for path, theirs in expected.items():
            if path not in output:
                missing += 1
                continue
            ours = output[path].decode("utf-8", "surrogateescape")
            # Line by line keeps the comparison quick on large chapters.
            for line_ours, line_theirs in zip(ours.split("\n"), theirs.split("\n")):
                if line_ours != line_theirs:
                    t, e = differing(line_ours, line_theirs)
                    total, explained = total + t, explained + e
        print(f"{total} {explained} {missing}")
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
