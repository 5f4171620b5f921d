#!/usr/bin/env python3
"""Writes the 16x16 pictures of the menu commands (menu/*.bmp) and the
resource script that names them (menubitmaps.rc). The bottom-left pixel of
each picture is its transparent colour. Run again after changing a picture."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
BG = (255, 0, 255)
K = (0, 0, 0)
W = (255, 255, 255)
GREY = (128, 128, 128)
LGREY = (192, 192, 192)
YEL = (255, 208, 64)
BLUE = (32, 64, 200)
RED = (200, 32, 32)
GREEN = (32, 150, 32)
NAVY = (0, 0, 128)


class Pic:
    def __init__(self):
        self.p = [[BG] * 16 for _ in range(16)]

    def px(self, x, y, c):
        if 0 <= x < 16 and 0 <= y < 16 and not (x == 0 and y == 15):
            self.p[y][x] = c

    def fill(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.px(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.px(x, y0, c)
            self.px(x, y1, c)
        for y in range(y0, y1 + 1):
            self.px(x0, y, c)
            self.px(x1, y, c)

    def line(self, x0, y0, x1, y1, c):
        n = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(n + 1):
            self.px(round(x0 + (x1 - x0) * i / n), round(y0 + (y1 - y0) * i / n), c)

    def bmp(self):
        rows = b""
        for y in range(15, -1, -1):
            row = b"".join(bytes((c[2], c[1], c[0])) for c in self.p[y])
            rows += row
        head = b"BM" + struct.pack("<IHHI", 54 + len(rows), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, 16, 16, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
        return head + info + rows


def page(p, x0=3, y0=1, x1=12, y1=14, lines=True):
    p.fill(x0, y0, x1, y1, W)
    p.frame(x0, y0, x1, y1, K)
    if lines:
        for y in range(y0 + 3, y1 - 1, 2):
            p.line(x0 + 2, y, x1 - 2, y, GREY)


def folder(p, c=YEL):
    p.fill(1, 5, 14, 13, c)
    p.frame(1, 5, 14, 13, K)
    p.fill(2, 3, 6, 4, c)
    p.line(2, 3, 6, 3, K)


def box(p, c):
    p.fill(2, 4, 13, 13, c)
    p.frame(2, 4, 13, 13, K)
    p.line(2, 4, 5, 1, K)
    p.line(13, 4, 10, 1, K)
    p.line(5, 1, 10, 1, K)
    p.line(7, 4, 7, 13, K)


def arrow_down(p, x, y, c):
    p.fill(x - 1, y, x + 1, y + 3, c)
    for i in range(4):
        p.line(x - 3 + i, y + 4 + i, x + 3 - i, y + 4 + i, c)


def arrow_up(p, x, y, c):
    for i in range(4):
        p.line(x - i, y + i, x + i, y + i, c)
    p.fill(x - 1, y + 4, x + 1, y + 7, c)


def letter_box(p, c, mark):
    page(p, lines=False)
    p.fill(5, 4, 10, 11, c)
    for (x, y) in mark:
        p.px(x, y, W)


def generic(n):
    # A page with a coloured band whose colour and width follow the number.
    p = Pic()
    page(p)
    hue = [(200, 60, 60), (60, 150, 60), (60, 90, 200), (200, 150, 40), (150, 60, 170), (40, 150, 160)][n % 6]
    p.fill(4, 3 + (n % 4) * 2, 11, 4 + (n % 4) * 2, hue)
    return p


def pictures():
    out = {}
    for n in range(4097, 4181):
        out[n] = generic(n)

    p = Pic(); page(p); page(p, 6, 4, 14, 14); out[4108] = p  # copy
    p = Pic(); p.line(4, 1, 9, 10, K); p.line(11, 1, 6, 10, K); p.frame(2, 10, 6, 14, RED); p.frame(9, 10, 13, 14, RED); out[4109] = p  # cut
    p = Pic(); p.fill(2, 2, 11, 14, (150, 100, 40)); p.frame(2, 2, 11, 14, K); page(p, 7, 6, 14, 14); out[4141] = p  # paste
    p = Pic(); p.line(3, 3, 12, 12, RED); p.line(4, 3, 13, 12, RED); p.line(12, 3, 3, 12, RED); p.line(13, 3, 4, 12, RED); out[4114] = p  # delete
    out[4175] = out[4114]
    p = Pic(); p.frame(2, 2, 9, 9, K); p.fill(3, 3, 8, 8, (200, 230, 255)); p.line(9, 9, 13, 13, K); p.line(10, 9, 14, 13, K); out[4115] = p  # find
    out[4116] = out[4115]
    p = Pic(); page(p); out[4132] = p  # new
    p = Pic(); folder(p); out[4140] = p  # open
    p = Pic(); folder(p); p.fill(9, 1, 11, 3, GREEN); p.fill(8, 2, 12, 2, GREEN); out[4133] = p  # new folder
    out[4176] = out[4133]
    p = Pic(); p.fill(2, 2, 13, 13, NAVY); p.fill(4, 2, 11, 7, W); p.fill(5, 10, 10, 13, LGREY); out[4150] = p  # save
    p = Pic(); page(p, 4, 1, 11, 7, False); p.fill(1, 7, 14, 12, LGREY); p.frame(1, 7, 14, 12, K); p.px(12, 9, GREEN); out[4142] = p  # print
    p = Pic(); page(p); p.fill(5, 5, 10, 10, LGREY); p.frame(5, 5, 10, 10, K); p.line(6, 8, 9, 8, BLUE); out[4144] = p  # properties
    p = Pic()
    for (x, y) in [(5, 2), (6, 2), (7, 2), (8, 2), (9, 2), (4, 3), (10, 3), (3, 4), (11, 4), (3, 5), (3, 6), (3, 7), (3, 8), (4, 9), (5, 10), (6, 11), (7, 11), (8, 11), (9, 10), (10, 9), (11, 8)]:
        p.px(x, y, GREEN); p.px(x + 1, y, GREEN)
    p.fill(10, 1, 13, 2, GREEN); p.fill(12, 1, 13, 5, GREEN); out[4146] = p  # refresh
    p = Pic(); p.fill(3, 1, 12, 14, BLUE); p.frame(3, 1, 12, 14, K); p.fill(6, 4, 9, 5, W); p.fill(7, 7, 8, 11, W); out[4106] = p  # contents
    out[4107] = out[4106]
    p = Pic(); p.fill(2, 2, 13, 13, YEL); p.frame(2, 2, 13, 13, K); p.fill(6, 4, 9, 5, K); p.fill(7, 7, 8, 11, K); out[4122] = p  # help on help
    p = Pic(); arrow_up(p, 7, 3, BLUE); folder(p); out[4173] = p  # up one level

    named = {}
    p = Pic(); p.frame(3, 5, 11, 13, K); p.frame(5, 2, 13, 10, K); p.line(3, 6, 11, 6, K); out_r = p; named["MX_SYSTEMRESTORE"] = out_r
    p = Pic(); p.line(7, 1, 7, 14, K); p.line(1, 7, 14, 7, K); p.line(7, 1, 5, 3, K); p.line(7, 1, 9, 3, K); p.line(7, 14, 5, 12, K); p.line(7, 14, 9, 12, K); named["MX_SYSTEMMOVE"] = p
    p = Pic(); p.line(2, 2, 13, 13, K); p.fill(2, 2, 4, 3, K); p.fill(11, 12, 13, 13, K); p.frame(6, 6, 13, 13, K); named["MX_SYSTEMSIZE"] = p
    p = Pic(); p.fill(4, 11, 11, 12, K); named["MX_SYSTEMMINIMIZE"] = p
    p = Pic(); p.frame(2, 2, 13, 13, K); p.line(2, 3, 13, 3, K); named["MX_SYSTEMMAXIMIZE"] = p
    p = Pic(); p.line(3, 3, 12, 12, K); p.line(4, 3, 13, 12, K); p.line(12, 3, 3, 12, K); p.line(13, 3, 4, 12, K); named["MX_SYSTEMCLOSE"] = p
    p = Pic(); [p.px(x, y, K) for x, y in [(4, 8), (5, 9), (6, 10), (7, 9), (8, 8), (9, 7), (10, 6), (11, 5), (4, 7), (5, 8), (6, 9), (7, 8), (8, 7), (9, 6), (10, 5), (11, 4)]]; named["MX_SYSTEMCHECKMARK"] = p
    p = Pic(); p.fill(6, 5, 9, 10, K); p.fill(5, 6, 10, 9, K); named["MX_SYSTEMRADIOITEM"] = p
    # Morv's own commands, found by their caption key.
    p = Pic(); box(p, (230, 200, 120)); p.fill(10, 9, 14, 10, GREEN); p.fill(11, 8, 13, 11, GREEN); p.fill(12, 7, 12, 12, GREEN); named["BMP_MX_NEWARCHIVE"] = p
    p = Pic(); folder(p, (230, 200, 120)); p.fill(6, 7, 9, 11, (150, 100, 40)); named["BMP_MX_OPENARCHIVE"] = p
    p = Pic(); box(p, (230, 200, 120)); p.line(9, 7, 14, 12, RED); p.line(14, 7, 9, 12, RED); named["BMP_MX_CLOSEARCHIVE"] = p
    p = Pic(); box(p, (230, 200, 120)); arrow_down(p, 11, 0, GREEN); named["BMP_MX_ADD"] = p
    p = Pic(); box(p, (230, 200, 120)); arrow_up(p, 11, 1, BLUE); named["BMP_MX_EXTRACT"] = p
    p = Pic(); page(p); p.frame(5, 5, 10, 10, BLUE); p.line(10, 10, 13, 13, BLUE); named["BMP_MX_VIEW"] = p
    p = Pic(); box(p, (230, 200, 120)); [p.px(x, y, GREEN) for x, y in [(9, 9), (10, 10), (11, 11), (12, 10), (13, 9), (14, 8), (10, 9), (11, 10), (12, 9), (13, 8)]]; named["BMP_MX_TEST"] = p
    p = Pic(); page(p); p.fill(3, 11, 12, 14, LGREY); p.frame(3, 11, 12, 14, K); named["BMP_MX_EXIT"] = named["MX_SYSTEMCLOSE"]
    return out, named


def main():
    numbered, named = pictures()
    d = os.path.join(HERE, "menu")
    os.makedirs(d, exist_ok=True)
    rc = ["// Pictures of the menu commands: numbered standard commands, the system",
          "// commands and check glyphs, and Morv's own commands by caption key.",
          "// Written by menubitmaps.py."]
    for n in sorted(numbered):
        name = "std%d.bmp" % n
        open(os.path.join(d, name), "wb").write(numbered[n].bmp())
        rc.append('%d BITMAP "app/resources/menu/%s"' % (n, name))
    for key in sorted(named):
        name = key.lower() + ".bmp"
        open(os.path.join(d, name), "wb").write(named[key].bmp())
        rc.append('%s BITMAP "app/resources/menu/%s"' % (key, name))
    open(os.path.join(HERE, "menubitmaps.rc"), "w").write("\n".join(rc) + "\n")


main()
