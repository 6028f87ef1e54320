#!/usr/bin/env python3
"""Writes a generated book for the benchmarks: 40 chapters of pseudo-random prose from common
characters (so it compresses about as real text does), PARAGRAPHS paragraphs of 300 characters
each, and with --cover a 1 MiB incompressible image.
    generate_book.py PATH PARAGRAPHS [--cover]"""
import random
import sys
import zipfile

CHARS = ("的一是不了人我在有他这中大来上国个到说们为子和你地出道也时年得就那要下以生会自着去之过家学"
         "对可她里后小么心多天而能好都然没日于起还发成事只作当想看文无开手十用主行方又如前所本见经头面"
         "公同三已老从动两长知民样现分将外但身些与高意进把法此实回二理美点月明其种声全工己话儿者向情部")


def main(path, paragraphs, cover):
    rng = random.Random(7)
    with zipfile.ZipFile(path, "w") as book:
        book.writestr("mimetype", "application/epub+zip", zipfile.ZIP_STORED)
        book.writestr("META-INF/container.xml", "<?xml version=\"1.0\"?><container/>\n",
                      zipfile.ZIP_DEFLATED)
        book.writestr("OEBPS/style.css", "body { margin: 0; }\n", zipfile.ZIP_DEFLATED)
        for n in range(40):
            text = ["<p>" + "".join(rng.choice(CHARS) for _ in range(300)) + "。</p>"
                    for _ in range(paragraphs)]
            page = ("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<html><body>\n" +
                    "\n".join(text) + "\n</body></html>\n")
            book.writestr(f"OEBPS/chapter{n:02}.xhtml", page, zipfile.ZIP_DEFLATED)
        if cover:
            book.writestr("OEBPS/images/cover.png", b"\x89PNG\r\n\x1a\n" + rng.randbytes(1 << 20),
                          zipfile.ZIP_DEFLATED)


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]), "--cover" in sys.argv[3:])
