#!/usr/bin/env python3
"""Writes the glyphs of the date edit's buttons (9x9 pictures side by side:
enabled, then disabled) and the resource script that names them. The
bottom-left pixel is the transparent colour. Run again after a change."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
BG = (255, 0, 255)
INK = (0, 0, 0)
GREY = (128, 128, 128)
RED = (255, 0, 0)
GREEN = (0, 128, 0)
N = 9

CLEAR = ["X.......X", ".X.....X.", "..X...X..", "...X.X...", "....X....",
         "...X.X...", "..X...X..", ".X.....X.", "X.......X"]
POPUP = ["#########", "#########", "#.......#", "#.#.#.#.#", "#.......#",
         "#.#.#.#.#", "#.......#", "#.#.#....", "#########"]
VALIDATE = ["........#", ".......##", "......##.", "#....##..", "##..##...",
            ".####....", "..##.....", "...#.....", "........."]


def glyph(rows, colour):
    return [[colour if ch != "." else BG for ch in row] for row in rows]


def strip(glyphs):
    rows = [sum((g[y] for g in glyphs), []) for y in range(N)]
    rows[-1][0] = BG  # the pixel that gives the transparent colour
    return rows


def bmp(rows):
    w, h = len(rows[0]), len(rows)
    pad = (4 - (w * 3) % 4) % 4
    data = b""
    for row in reversed(rows):
        data += b"".join(bytes((b, g, r)) for r, g, b in row) + b"\0" * pad
    head = b"BM" + struct.pack("<IHHI", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return head + info + data


def main():
    pictures = {
        "BTNCLEAR": strip([glyph(CLEAR, RED), glyph(CLEAR, GREY)]),
        "BTNPOPUP": strip([glyph(POPUP, INK), glyph(POPUP, GREY)]),
        "BTNVALIDATE": strip([glyph(VALIDATE, GREEN)]),
    }
    rc = ["// Glyphs of the date edit's clear, pop-up and validate buttons.",
          "// Written by datebuttons.py."]
    for name in sorted(pictures):
        file = name.lower() + ".bmp"
        open(os.path.join(HERE, file), "wb").write(bmp(pictures[name]))
        rc.append('%s BITMAP "controls/views/resources/%s"' % (name, file))
    open(os.path.join(HERE, "datebuttons.rc"), "w").write("\n".join(rc) + "\n")


main()
