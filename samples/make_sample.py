#!/usr/bin/env python3
"""Draws the sample picture that ships with Skalomi (skalomi-sample.bmp).

A 24-bit BMP, 400 x 300: an evening sky, a sun, two ranges of hills and a
lake with ripples, drawn from formulas alone so that anyone can make it
again. Run: python3 samples/make_sample.py [output.bmp]
"""
import math
import struct
import sys

WIDTH, HEIGHT = 400, 300


def clamp(v):
    return 0 if v < 0 else 255 if v > 255 else int(v)


def colour(x, y):
    u, v = x / WIDTH, y / HEIGHT
    # Sky: deep blue at the top to orange at the horizon.
    r = 40 + 200 * v ** 1.5
    g = 60 + 110 * v
    b = 150 - 60 * v
    # The sun with a soft glow.
    d = math.hypot(u - 0.68, (v - 0.42) * HEIGHT / WIDTH)
    glow = max(0.0, 1 - d / 0.25)
    r, g, b = r + 90 * glow ** 2, g + 70 * glow ** 2, b + 20 * glow ** 2
    if d < 0.055:
        r, g, b = 255, 236, 180
    # Far hills, then near hills, darker.
    far = 0.52 + 0.05 * math.sin(7 * u + 1) + 0.02 * math.sin(23 * u)
    near = 0.62 + 0.07 * math.sin(4 * u + 2.5) + 0.015 * math.sin(31 * u + 1)
    if v > far:
        r, g, b = 95 + 30 * u, 80 + 20 * u, 110
    if v > near:
        r, g, b = 35 + 20 * math.sin(40 * u), 55 + 15 * v, 45
    # A lake below, mirroring the sky's colours with ripples.
    if v > 0.78:
        mv = 1.56 - v
        ripple = 12 * math.sin(90 * v + 6 * math.sin(11 * u))
        r = 40 + 200 * mv ** 1.5 + ripple
        g = 60 + 110 * mv + ripple
        b = 170 - 40 * mv + ripple
    return clamp(r), clamp(g), clamp(b)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "skalomi-sample.bmp"
    stride = (WIDTH * 3 + 3) // 4 * 4
    rows = []
    for y in range(HEIGHT - 1, -1, -1):  # bottom-up rows
        row = bytearray()
        for x in range(WIDTH):
            r, g, b = colour(x, y)
            row += bytes((b, g, r))
        row += bytes(stride - len(row))
        rows.append(bytes(row))
    pixels = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(out, "wb") as f:
        f.write(header + info + pixels)


if __name__ == "__main__":
    main()
