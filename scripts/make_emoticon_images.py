#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Draws one 24x24 PNG per emoticon id of data/emo.dat into data/emoticons/<id>.png.

Each image is a disc whose hue follows the id, with two eyes and a mouth
whose shape cycles with the id. Standard library only.
"""
import colorsys
import math
import os
import struct
import sys
import xml.etree.ElementTree as ElementTree
import zlib

SIZE = 24
SAMPLES = 4  # per axis, for smooth edges


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(pixels):
    """pixels: rows of equal length of (r, g, b, a) tuples."""
    raw = b"".join(b"\x00" + bytes(c for p in row for c in p) for row in pixels)
    header = struct.pack(">IIBBBBB", len(pixels[0]), len(pixels), 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def shade(x, y, number):
    """Colour of one sample point, or None outside the disc."""
    cx = cy = SIZE / 2
    dx, dy = x - cx, y - cy
    if dx * dx + dy * dy > 11 * 11:
        return None
    ink = (40, 30, 30)
    for ex in (cx - 4, cx + 4):  # eyes
        if (x - ex) ** 2 + (y - (cy - 3)) ** 2 <= 2.2:
            return ink
    mouth = (number - 1) % 3
    if mouth == 0:  # smile: lower arc
        r = math.hypot(dx, dy + 1)
        if 5 <= r <= 6.3 and dy > 1.5:
            return ink
    elif mouth == 1:  # open mouth
        if (dx / 3) ** 2 + ((y - (cy + 5)) / 2) ** 2 <= 1:
            return ink
    elif abs(y - (cy + 5)) <= 0.7 and abs(dx) <= 4.5:  # straight mouth
        return ink
    hue = (number * 0.618033988749895) % 1.0
    r, g, b = colorsys.hsv_to_rgb(hue, 0.65, 0.95)
    return (int(r * 255), int(g * 255), int(b * 255))


def draw(number):
    pixels = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            hits = []
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    colour = shade(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES, number)
                    if colour:
                        hits.append(colour)
            if not hits:
                row.append((0, 0, 0, 0))
                continue
            average = [sum(c[i] for c in hits) // len(hits) for i in range(3)]
            row.append((*average, 255 * len(hits) // (SAMPLES * SAMPLES)))
        pixels.append(row)
    return png(pixels)


def main():
    root = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data"))
    catalogue = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "emo.dat")
    target = os.path.join(os.path.dirname(catalogue), "emoticons")
    os.makedirs(target, exist_ok=True)
    ids = [em.get("id") for group in ElementTree.parse(catalogue).getroot() for em in group.iter("em")]
    for ident in ids:
        with open(os.path.join(target, ident + ".png"), "wb") as out:
            out.write(draw(int(ident)))
    print(f"wrote {len(ids)} images to {target}")


if __name__ == "__main__":
    main()
