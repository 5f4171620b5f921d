#!/usr/bin/env python3
"""Writes the glyphs of the date edit's buttons (9x9 pictures side by side:
enabled, then disabled) and the resource script that names them. The
bottom-left pixel is the transparent colour. Run again after a change."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), *[".."] * 3, "scripts"))
from bitmaps import write_resources  # noqa: E402

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


def main():
    pictures = {
        "BTNCLEAR": strip([glyph(CLEAR, RED), glyph(CLEAR, GREY)]),
        "BTNPOPUP": strip([glyph(POPUP, INK), glyph(POPUP, GREY)]),
        "BTNVALIDATE": strip([glyph(VALIDATE, GREEN)]),
    }
    write_resources(HERE, pictures, "datebuttons.rc", ["// Glyphs of the date edit's clear, pop-up and validate buttons.",
          "// Written by datebuttons.py."])


main()
