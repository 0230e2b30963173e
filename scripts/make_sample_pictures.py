#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Draws the pictures that the sample messages show (data/pictures/)."""

import math
import os

from make_emoticon_images import png

WIDTH, HEIGHT = 96, 64


def sunset(x, y):
    """A sky fading from orange to violet over a sea, with a low sun."""
    t = y / (HEIGHT - 1)
    if y > HEIGHT * 0.7:
        return (20, 40 + int(30 * t), 90 + int(40 * t), 255)
    if math.hypot(x - WIDTH * 0.6, y - HEIGHT * 0.62) < 11:
        return (255, 230, 120, 255)
    return (250 - int(120 * t), 150 - int(100 * t), 60 + int(120 * t), 255)


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "pictures")
    os.makedirs(root, exist_ok=True)
    pixels = [[sunset(x, y) for x in range(WIDTH)] for y in range(HEIGHT)]
    with open(os.path.join(root, "sunset.png"), "wb") as out:
        out.write(png(pixels))


if __name__ == "__main__":
    main()
