#!/usr/bin/env python3
"""Writes the 16x16 glyphs of the dialogs' flat buttons (folder up, the drive
list, the desktop, list view and details view) and the resource script that
names them. The bottom-left pixel is the transparent colour. Run again after
a change."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), *[".."] * 2, "scripts"))
from bitmaps import write_resources  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
BG = (255, 0, 255)
COLOURS = {
    "K": (0, 0, 0),
    "Y": (255, 208, 64),
    "B": (32, 64, 200),
    "G": (128, 128, 128),
    "L": (192, 192, 192),
    "W": (255, 255, 255),
    "C": (0, 128, 128),
    "N": (0, 0, 128),
}

UP = ["................",
      "................",
      "....KKKKK.......",
      "...KYYYYYK......",
      "..KKKKKKKKKKKKK.",
      "..KYYYYYYYYYYYK.",
      "..KYYYYYKYYYYYK.",
      "..KYYYYKKKYYYYK.",
      "..KYYYKKKKKYYYK.",
      "..KYYYYYKYYYYYK.",
      "..KYYYYYKYYYYYK.",
      "..KYYYYYKKKKYYK.",
      "..KYYYYYYYYYYYK.",
      "..KKKKKKKKKKKKK.",
      "................",
      "................"]
DRIVES = ["................",
          "..KKKKKKKKKKKK..",
          "..KBBBBBBBBBBK..",
          "..KBBBBBBBBBBK..",
          "..KBBBBBBBBBBK..",
          "..KBBBBBBBBBBK..",
          "..KBBBBBBBBBBK..",
          "..KKKKKKKKKKKK..",
          "......KKKK......",
          "....KKKKKKKK....",
          "................",
          ".KKKKKKKKKKKKKK.",
          ".KLLLLLLLLLLLLK.",
          ".KLLLLLLLLLNNLK.",
          ".KKKKKKKKKKKKKK.",
          "................"]
DESKTOP = ["................",
           ".KKKKKKKKKKKKKK.",
           ".KCCCCCCCCCCCCK.",
           ".KCWWCCCCCCCCCK.",
           ".KCWWCCCCCCCCCK.",
           ".KCCCCCCCCCCCCK.",
           ".KCYYCCCCCCCCCK.",
           ".KCYYCCCCCCCCCK.",
           ".KCCCCCCCCCCCCK.",
           ".KCCCCCCCCCCCCK.",
           ".KNNNNNNNNNNNNK.",
           ".KKKKKKKKKKKKKK.",
           "......KKKK......",
           "....KKKKKKKK....",
           "................",
           "................"]
LIST = ["................",
        "................",
        ".BB.KKKK.BB.KKKK",
        ".BB......BB.....",
        "................",
        ".BB.KKKK.BB.KKKK",
        ".BB......BB.....",
        "................",
        ".BB.KKKK.BB.KKKK",
        ".BB......BB.....",
        "................",
        ".BB.KKKK.BB.KKKK",
        ".BB......BB.....",
        "................",
        "................",
        "................"]
DETAILS = ["................",
           "................",
           ".BB.KKKKK.GG.GG.",
           ".BB.............",
           "................",
           ".BB.KKKKK.GG.GG.",
           ".BB.............",
           "................",
           ".BB.KKKKK.GG.GG.",
           ".BB.............",
           "................",
           ".BB.KKKKK.GG.GG.",
           ".BB.............",
           "................",
           "................",
           "................"]


def picture(rows):
    out = [[COLOURS[ch] if ch != "." else BG for ch in row] for row in rows]
    out[-1][0] = BG  # the pixel that gives the transparent colour
    return out


def main():
    pictures = {
        "DLGUPFOLDER": UP,
        "DLGDRIVES": DRIVES,
        "DLGDESKTOP": DESKTOP,
        "DLGLIST": LIST,
        "DLGDETAILS": DETAILS,
    }
    for name, rows in pictures.items():
        assert len(rows) == 16 and all(len(r) == 16 for r in rows), name
    write_resources(HERE, {name: picture(rows) for name, rows in pictures.items()}, "dlgglyphs.rc",
                    ["// Glyphs of the dialogs' flat buttons.",
          "// Written by dlgglyphs.py."])


main()
