#!/usr/bin/env python3
"""Writes the pictures of the link edit's button (an ellipsis), the combo's
button (a down arrow) and the font combo's TrueType sign, and the resource
script that names them. Magenta is the transparent colour; the bottom-left
pixel of each button glyph is magenta because the button takes its
transparent colour from there. Run again after a change."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), *[".."] * 3, "scripts"))
from bitmaps import write_resources  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
BG = (255, 0, 255)
INK = (0, 0, 0)
GREY = (128, 128, 128)

# Three 2 x 2 dots; the blank bottom row keeps the dots from being taken for
# the transparent colour.
ELLIPSIS = ["##.##.##", "##.##.##", "........"]
DOWN = ["#######", ".#####.", "..###..", "...#..."]


def glyph(rows, colour):
    return [[colour if ch != "." else BG for ch in row] for row in rows]


def truetype_sign():
    # Two overlapping T's: a grey one behind, a black one in front.
    rows = [[BG] * 12 for _ in range(12)]

    def t(x0, y0, colour):
        for y in range(y0, y0 + 2):
            for x in range(x0, x0 + 7):
                rows[y][x] = colour
        for y in range(y0 + 2, y0 + 8):
            for x in range(x0 + 2, x0 + 5):
                rows[y][x] = colour

    t(0, 0, GREY)
    t(4, 3, INK)
    return rows


def main():
    pictures = {
        "ELLIPSIS": glyph(ELLIPSIS, INK),
        "DOWNBITMAP": glyph(DOWN, INK),
        "TRUETYPESIGN2": truetype_sign(),
    }
    write_resources(HERE, pictures, "commandbitmaps.rc", ["// Pictures of the link edit's and combo's buttons and the font combo's",
          "// TrueType sign. Written by commandbitmaps.py."])


main()
