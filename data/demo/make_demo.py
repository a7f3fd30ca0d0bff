#!/usr/bin/env python3
"""Writes the demo World's pictures (TGA) and tap sound (WAV) into a folder.

usage: make_demo.py OUTDIR

Everything is computed, so the output is the same byte for byte on every run.
"""
import math
import os
import struct
import sys


def write_tga(path, width, height, pixel):
    """24-bit uncompressed TGA, rows stored top to bottom; pixel(x, y) -> (r, g, b)."""
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, width, height, 24, 0x20)
    rows = bytearray()
    for y in range(height):
        for x in range(width):
            r, g, b = pixel(x, y)
            rows += bytes((b, g, r))
    with open(path, "wb") as f:
        f.write(header + rows)


def background(x, y):
    # A sky-to-sea gradient with a sun and a checkered strip.
    t = y / 319.0
    r, g, b = int(40 + 150 * t), int(90 + 80 * (1 - t)), int(200 - 90 * t)
    if (x - 180) ** 2 + (y - 60) ** 2 < 30 ** 2:
        r, g, b = 250, 220, 90
    if 280 <= y < 300 and ((x // 20) + (y // 10)) % 2 == 0:
        r, g, b = r // 2, g // 2, b // 2
    return r, g, b


def ball(x, y):
    # Magenta outside the disc: the sprite takes its top-left pixel as key colour.
    d = (x - 15.5) ** 2 + (y - 15.5) ** 2
    if d > 15 ** 2:
        return 255, 0, 255
    shade = max(0, 255 - int(d / 1.2))
    return shade, shade // 3, 40 + shade // 2


def button(x, y):
    # Two frames of 64 x 32: up (green) above pressed (dark green).
    pressed = y >= 32
    edge = x in (0, 63) or y in (0, 31, 32, 63)
    if edge:
        return 255, 255, 255
    return (20, 110, 30) if pressed else (60, 200, 80)


def star(x, y):
    # Four frames of 16 x 16 side by side, a cross turning a quarter per frame.
    frame, lx = divmod(x, 16)
    cx, cy = lx - 7.5, y - 7.5
    a = frame * math.pi / 8
    u, v = cx * math.cos(a) + cy * math.sin(a), -cx * math.sin(a) + cy * math.cos(a)
    if abs(u) < 2 or abs(v) < 2:
        return 255, 240, 120
    return 255, 0, 255


def write_wav(path):
    """A short decaying click: mono, 8-bit unsigned, 22050 Hz."""
    rate, n = 22050, 1800
    data = bytes(
        max(0, min(255, 128 + int(100 * math.exp(-i / 300.0) * math.sin(2 * math.pi * 880 * i / rate))))
        for i in range(n))
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate, 1, 8)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", n) + data
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(os.path.join(out, "sfx"), exist_ok=True)
    write_tga(os.path.join(out, "bg.tga"), 240, 320, background)
    write_tga(os.path.join(out, "ball.tga"), 32, 32, ball)
    write_tga(os.path.join(out, "button.tga"), 64, 64, button)
    write_tga(os.path.join(out, "star.tga"), 64, 16, star)
    write_wav(os.path.join(out, "sfx", "tap.wav"))


if __name__ == "__main__":
    main()
