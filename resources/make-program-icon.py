#!/usr/bin/env python3
"""Writes icons/calvenor-<N>.png, the program's icon at 32, 48, 128 and 256 pixels: a report page with a
folded corner, a heading and text lines, and a red "PDF" band across it; and icons/calvenor.ico, the
Windows edition's icon resource (16 to 48 pixels as bitmaps, which every Windows reads; 256 as PNG).

The drawing is laid out on a 32-unit grid and scaled to each size with edges snapped to whole pixels, so
that it stays crisp; the letters are our own blocks, not a font. Standard library only.
Run it from anywhere: python3 resources/make-program-icon.py
"""
import math
import os
import struct
import zlib

SIZES = (32, 48, 128, 256)

OUTLINE = (95, 99, 104)
PAGE = (255, 255, 255)
FOLD = (218, 220, 224)
HEADING = (26, 115, 232)
TEXT_LINE = (154, 160, 166)
BAND = (217, 48, 37)
BAND_EDGE = (165, 28, 20)
LETTER = (255, 255, 255)
SHADOW = (0, 0, 0)

# The page on the 32-unit grid: left, top, right, bottom, and the fold's leg.
PAGE_BOX = (6, 2, 26, 30)
FOLD_LEG = 7
HEADING_BOX = (9, 6, 17, 8)
TEXT_LINES = ((9, 10, 23, 11), (9, 12, 23, 13), (9, 14, 20, 15))
BAND_BOX = (3, 18, 23, 27)

# 3 x 5 block letters, X is ink.
GLYPHS = {
    "P": ("XXX", "X.X", "XXX", "X..", "X.."),
    "D": ("XX.", "X.X", "X.X", "X.X", "XX."),
    "F": ("XXX", "X..", "XX.", "X..", "X.."),
}


class Canvas:
    """Straight-alpha RGBA pixels; shapes are convex and drawn with analytic anti-aliasing."""

    def __init__(self, size):
        self.size = size
        self.pixels = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]

    def blend(self, x, y, colour, alpha):
        if alpha <= 0.0:
            return
        r, g, b, a = self.pixels[y][x]
        out = alpha + a * (1.0 - alpha)
        if out <= 0.0:
            return
        mix = [(c * alpha + d * a * (1.0 - alpha)) / out for c, d in zip(colour, (r, g, b))]
        self.pixels[y][x] = (mix[0], mix[1], mix[2], out)

    def fill_convex(self, points, colour, opacity=1.0):
        """Fills a convex polygon given clockwise in pixel coordinates (y down)."""
        edges = []
        for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
            length = math.hypot(x1 - x0, y1 - y0)
            if length < 1e-9:
                continue  # a repeated point bounds nothing
            # Outward normal of a clockwise edge on a y-down screen.
            nx, ny = (y0 - y1) / length, (x1 - x0) / length
            edges.append((-nx, -ny, nx * x0 + ny * y0))
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        left, right = max(0, int(min(xs)) - 1), min(self.size, int(math.ceil(max(xs))) + 1)
        top, bottom = max(0, int(min(ys)) - 1), min(self.size, int(math.ceil(max(ys))) + 1)
        for y in range(top, bottom):
            cy = y + 0.5
            for x in range(left, right):
                cx = x + 0.5
                # Signed distance from the pixel's centre to the shape (positive outside).
                distance = max(nx * cx + ny * cy + c for nx, ny, c in edges)
                coverage = min(1.0, max(0.0, 0.5 - distance))
                self.blend(x, y, colour, coverage * opacity)

    def fill_rect(self, box, colour, opacity=1.0):
        left, top, right, bottom = box
        self.fill_convex([(left, top), (right, top), (right, bottom), (left, bottom)], colour, opacity)

    def rgba_bytes(self):
        return [[tuple(min(255, max(0, round(v))) for v in (r, g, b)) + (round(a * 255),) for r, g, b, a in row]
                for row in self.pixels]

    def dib(self):
        """The icon-resource bitmap: a 32-bit BGRA image, bottom row first, then an all-clear AND mask."""
        size = self.size
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        colour = bytearray()
        for row in reversed(self.rgba_bytes()):
            for r, g, b, a in row:
                colour += bytes((b, g, r, a))
        mask_row = ((size + 31) // 32) * 4
        return header + bytes(colour) + bytes(mask_row * size)

    def png(self):
        raw = bytearray()
        for row in self.pixels:
            raw.append(0)  # no filter
            for r, g, b, a in row:
                raw += bytes(min(255, max(0, round(v))) for v in (r, g, b)) + bytes((round(a * 255),))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.size, self.size, 8, 6, 0, 0, 0)  # 8-bit RGBA
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
                + chunk(b"IEND", b""))


def draw_block_letters(canvas, band, cell):
    """PDF in whole-pixel blocks: the only letters that stay sharp a few pixels high."""
    band_left, band_top, band_right, band_bottom = band
    word = "PDF"
    width = (len(word) * 3 + (len(word) - 1)) * cell
    x0 = band_left + (band_right - band_left - width) // 2
    y0 = band_top + (band_bottom - band_top - 5 * cell) // 2
    for index, letter in enumerate(word):
        for row, marks in enumerate(GLYPHS[letter]):
            for column, mark in enumerate(marks):
                if mark == "X":
                    x = x0 + (index * 4 + column) * cell
                    y = y0 + row * cell
                    canvas.fill_rect((x, y, x + cell, y + cell), LETTER)


def arc(cx, cy, rx, ry, steps=24):
    """The right half of an ellipse, top to bottom (clockwise on screen)."""
    return [(cx + rx * math.cos(a), cy + ry * math.sin(a))
            for a in (math.pi * (i / steps - 0.5) for i in range(steps + 1))]


def bowl(canvas, left, top, right, bottom, stroke):
    """A letter's closed round bowl: straight on the left, half an ellipse on the right."""
    rx = min(right - left - stroke, (bottom - top) / 2)
    ry = (bottom - top) / 2
    cx, cy = right - rx, top + ry
    canvas.fill_convex([(left, top)] + arc(cx, cy, rx, ry) + [(left, bottom)], LETTER)
    canvas.fill_convex([(left + stroke, top + stroke)] + arc(cx, cy, rx - stroke, ry - stroke) +
                       [(left + stroke, bottom - stroke)], BAND)


def draw_smooth_letters(canvas, band):
    """PDF with round bowls, for the sizes with room for curves."""
    band_left, band_top, band_right, band_bottom = band
    height = round((band_bottom - band_top) * 0.58)
    stroke = round(height * 0.2)
    gap = round(height * 0.2)
    widths = {"P": round(height * 0.64), "D": round(height * 0.7), "F": round(height * 0.56)}
    x = band_left + (band_right - band_left - sum(widths.values()) - 2 * gap) // 2
    top = band_top + (band_bottom - band_top - height) // 2
    bottom = top + height
    for letter in "PDF":
        width = widths[letter]
        if letter == "P":
            bowl(canvas, x, top, x + width, top + round(height * 0.6), stroke)
        elif letter == "D":
            bowl(canvas, x, top, x + width, bottom, stroke)
        else:
            canvas.fill_rect((x, top, x + width, top + stroke), LETTER)
            middle = top + round(height * 0.42)
            canvas.fill_rect((x, middle, x + round(width * 0.85), middle + stroke), LETTER)
        canvas.fill_rect((x, top, x + stroke, bottom), LETTER)
        x += width + gap


def draw(size):
    scale = size / 32

    def snap(value):
        return round(value * scale)

    def snapped(box):
        return tuple(snap(v) for v in box)

    canvas = Canvas(size)
    stroke = max(1, round(size / 56))
    left, top, right, bottom = snapped(PAGE_BOX)
    fold = snap(FOLD_LEG)
    inset = stroke * (math.sqrt(2) - 1)

    # A soft shadow lifts the page off light backgrounds where there is room for one.
    if size >= 48:
        offset = max(1, round(size / 64))
        for spread, opacity in ((offset, 0.10), (offset * 0.5, 0.12)):
            canvas.fill_convex([(left + offset - spread, top + offset * 2), (right - fold + offset, top + offset * 2),
                                (right + spread, top + fold + offset), (right + spread, bottom + offset + spread),
                                (left + offset - spread, bottom + offset + spread)], SHADOW, opacity)

    # The page: its outline, then the paper inside, both with the corner cut away.
    canvas.fill_convex([(left, top), (right - fold, top), (right, top + fold), (right, bottom), (left, bottom)],
                       OUTLINE)
    canvas.fill_convex([(left + stroke, top + stroke), (right - fold - inset, top + stroke),
                        (right - stroke, top + fold + inset), (right - stroke, bottom - stroke),
                        (left + stroke, bottom - stroke)], PAGE)
    # The folded corner, turned down over the page.
    corner = (right - fold, top)
    canvas.fill_convex([corner, (right, top + fold), (right - fold, top + fold)], OUTLINE)
    canvas.fill_convex([(right - fold + stroke, top + stroke + stroke * math.sqrt(2)),
                        (right - stroke - stroke * math.sqrt(2), top + fold - stroke),
                        (right - fold + stroke, top + fold - stroke)], FOLD)

    canvas.fill_rect(snapped(HEADING_BOX), HEADING)
    for line in TEXT_LINES:
        line_left, line_top, line_right, _ = snapped(line)
        canvas.fill_rect((line_left, line_top, line_right, line_top + max(1, snap(1))), TEXT_LINE)

    # The band, with a darker edge where it leaves the page, and PDF in white blocks.
    band_left, band_top, band_right, band_bottom = snapped(BAND_BOX)
    canvas.fill_rect((band_left, band_top, band_right, band_bottom), BAND)
    canvas.fill_rect((band_left, band_bottom - stroke, band_right, band_bottom), BAND_EDGE)
    if size >= 128:
        draw_smooth_letters(canvas, (band_left, band_top, band_right, band_bottom))
    else:
        draw_block_letters(canvas, (band_left, band_top, band_right, band_bottom), max(1, round(scale)))
    return canvas


ICO_SIZES = (16, 32, 48, 256)


def ico():
    images = [draw(size).png() if size == 256 else draw(size).dib() for size in ICO_SIZES]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(ICO_SIZES, images):
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return directory + b"".join(images)


if __name__ == "__main__":
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "icons")
    os.makedirs(folder, exist_ok=True)
    for size in SIZES:
        with open(os.path.join(folder, f"calvenor-{size}.png"), "wb") as out:
            out.write(draw(size).png())
    with open(os.path.join(folder, "calvenor.ico"), "wb") as out:
        out.write(ico())
