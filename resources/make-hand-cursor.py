#!/usr/bin/env python3
"""Writes HAND-M.CUR, the hand the pages show over their push buttons, from the drawing below.

X is the outline, . the white inside, blank is transparent; the hotspot is the fingertip (H).
Run it from anywhere: python3 resources/make-hand-cursor.py
"""
import os
import struct

DRAWING = """
     XH
    X..X
    X..X
    X..X
    X..X
    X..XXX
    X..X..XXX
    X..X..X..XX
    X..X..X..X.X
XXX X..X..X..X..X
X..XX...........X
X...X...........X
 X..............X
  X.............X
  X.............X
   X............X
   X...........X
    X..........X
    X.........X
     X........X
     X........X
     XXXXXXXXXX
"""

SIZE = 32


def pixels():
    rows = DRAWING.strip("\n").split("\n")
    grid = [[" "] * SIZE for _ in range(SIZE)]
    hotspot = (0, 0)
    for y, row in enumerate(rows):
        for x, mark in enumerate(row):
            if mark == "H":
                hotspot = (x, y)
                mark = "X"
            grid[y][x] = mark
    return grid, hotspot


def cursor_file():
    grid, (hot_x, hot_y) = pixels()
    colour = b""
    mask = b""
    for y in reversed(range(SIZE)):  # bitmaps are stored bottom-up
        bits = 0
        for x in range(SIZE):
            mark = grid[y][x]
            if mark == "X":
                colour += bytes((0, 0, 0, 255))
            elif mark == ".":
                colour += bytes((255, 255, 255, 255))
            else:
                colour += bytes((0, 0, 0, 0))
                bits |= 1 << (SIZE - 1 - x)  # transparent: the screen shows through
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    image = header + colour + mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, hot_x, hot_y, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    target = os.path.join(os.path.dirname(os.path.abspath(__file__)), "HAND-M.CUR")
    with open(target, "wb") as out:
        out.write(cursor_file())
