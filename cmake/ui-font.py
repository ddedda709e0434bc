#!/usr/bin/env python3
"""Cuts the glyphs our own captions use out of a large CJK face, under a family of our own.

The controls and the popup's title need a few hundred Han glyphs; opening the 5 MB system face
for them makes the kernel map megabytes of it. The cut keeps outlines, hinting and layout tables
as they are, so captions look and measure exactly as they did in the full face.

Usage: ui-font.py SOURCE FACE-INDEX FAMILY OUTPUT TEXT-FILE...
Every character of the text files, and all of printable ASCII and Latin-1, is kept.
"""
import sys

from fontTools import subset
from fontTools.ttLib import TTFont


def main(argv):
    source, index, family, output, *texts = argv[1:]
    chars = {chr(c) for c in range(0x20, 0x7F)} | {chr(c) for c in range(0xA0, 0x100)}
    for path in texts:
        with open(path, encoding="utf-8") as text:
            chars |= {c for c in text.read() if ord(c) > 0x7F and c.isprintable()}

    font = TTFont(source, fontNumber=int(index), lazy=False)
    options = subset.Options()
    options.layout_features = ["*"]
    options.name_IDs = ["*"]
    options.glyph_names = False
    options.hinting = True
    options.drop_tables += ["FFTM"]
    cutter = subset.Subsetter(options)
    cutter.populate(unicodes=[ord(c) for c in chars])
    cutter.subset(font)

    # A family of our own, so that the cut never stands in for the full face elsewhere.
    names = font["name"]
    postscript = family.replace(" ", "")
    for record in list(names.names):
        if record.nameID in (1, 4, 16, 18, 21):
            names.setName(family, record.nameID, record.platformID, record.platEncID, record.langID)
        elif record.nameID in (3, 6):
            names.setName(postscript, record.nameID, record.platformID, record.platEncID,
                           record.langID)
    font.save(output)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
