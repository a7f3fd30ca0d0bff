#!/usr/bin/env python3
"""Writes small PNG files with Python's zlib, independently of libpng, and beside
each NAME.png the pixels a decoder must produce as NAME.rgba (8-bit R, G, B, A
rows). Every colour type, bit depth, all five row filters, transparency chunks
and Adam7 interlacing appear. Usage: make_pngs.py OUTDIR"""

import os
import struct
import sys
import zlib

ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filter_rows(rows, bpp):
    """Each row gets filter type (row index mod 5), so every filter is exercised."""
    out = bytearray()
    prev = bytes(len(rows[0])) if rows else b""
    for i, row in enumerate(rows):
        kind = i % 5
        out.append(kind)
        for x, v in enumerate(row):
            a = row[x - bpp] if x >= bpp else 0
            b = prev[x]
            c = prev[x - bpp] if x >= bpp else 0
            pred = [0, a, b, (a + b) // 2, paeth(a, b, c)][kind]
            out.append((v - pred) & 0xFF)
        prev = row
    return bytes(out)


def pack_row(samples, depth):
    if depth == 8:
        return bytes(samples)
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    out, acc, bits = bytearray(), 0, 0
    for s in samples:
        acc = (acc << depth) | s
        bits += depth
        if bits == 8:
            out.append(acc)
            acc, bits = 0, 0
    if bits:
        out.append(acc << (8 - bits))
    return bytes(out)


def encode(w, h, ctype, depth, samples, extra=b"", interlace=False):
    """samples[y][x] is a tuple of channel values for the colour type."""
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[ctype]
    bpp = max(1, channels * depth // 8)

    def rows_of(xs, ys):
        return [pack_row([c for x in xs for c in samples[y][x]], depth) for y in ys]

    if not interlace:
        raw = filter_rows(rows_of(range(w), range(h)), bpp)
    else:
        raw = b""
        for x0, y0, dx, dy in ADAM7:
            xs, ys = range(x0, w, dx), range(y0, h, dy)
            if len(xs) and len(ys):
                raw += filter_rows(rows_of(xs, ys), bpp)
    ihdr = struct.pack(">IIBBBBB", w, h, depth, ctype, 0, 0, 1 if interlace else 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def save(outdir, name, png, rgba):
    with open(os.path.join(outdir, name + ".png"), "wb") as f:
        f.write(png)
    with open(os.path.join(outdir, name + ".rgba"), "wb") as f:
        f.write(bytes(v for px in rgba for v in px))


def to8(v, depth):
    if depth == 16:
        return (v * 255 + 32895) >> 16
    return v * 255 // ((1 << depth) - 1)


def grey_cases(outdir):
    for depth in (1, 2, 4, 8, 16):
        w, h = 11, 5
        top = (1 << depth) - 1
        px = [[((x * 7 + y * 3) % (top + 1),) for x in range(w)] for y in range(h)]
        rgba = [(to8(p[0], depth),) * 3 + (255,) for row in px for p in row]
        save(outdir, "grey%d" % depth, encode(w, h, 0, depth, px), rgba)
    # Grey with a transparent grey level (tRNS).
    px = [[(x * 40,) for x in range(6)] for _ in range(2)]
    rgba = [(p[0],) * 3 + (0 if p[0] == 80 else 255,) for row in px for p in row]
    save(outdir, "grey8_trns", encode(6, 2, 0, 8, px, chunk(b"tRNS", struct.pack(">H", 80))), rgba)
    px = [[(x * 60, 255 - x * 60) for x in range(4)] for _ in range(3)]
    save(outdir, "greyalpha8", encode(4, 3, 4, 8, px), [(p[0],) * 3 + (p[1],) for row in px for p in row])


def colour_cases(outdir):
    w, h = 7, 6
    px = [[((x * 37) % 256, (y * 41) % 256, (x * y * 13) % 256) for x in range(w)] for y in range(h)]
    save(outdir, "rgb8", encode(w, h, 2, 8, px), [p + (255,) for row in px for p in row])
    save(outdir, "rgb8_adam7", encode(w, h, 2, 8, px, interlace=True), [p + (255,) for row in px for p in row])
    trns = chunk(b"tRNS", struct.pack(">HHH", *px[2][3]))
    save(outdir, "rgb8_trns", encode(w, h, 2, 8, px, trns),
         [p + (0 if p == px[2][3] else 255,) for row in px for p in row])
    pxa = [[p + ((p[0] + p[1]) % 256,) for p in row] for row in px]
    save(outdir, "rgba8", encode(w, h, 6, 8, pxa), [p for row in pxa for p in row])
    px16 = [[((x * 9001) % 65536, (y * 12345) % 65536, 65535 - x * 3000) for x in range(w)] for y in range(h)]
    save(outdir, "rgb16", encode(w, h, 2, 16, px16), [tuple(to8(c, 16) for c in p) + (255,) for row in px16 for p in row])
    px16a = [[p + ((p[0] ^ p[1]) & 0xFFFF,) for p in row] for row in px16]
    save(outdir, "rgba16_adam7", encode(w, h, 6, 16, px16a, interlace=True),
         [tuple(to8(c, 16) for c in p) for row in px16a for p in row])


def palette_cases(outdir):
    colours = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (250, 250, 250), (10, 20, 30)]
    alphas = [255, 128, 0]  # entries past the tRNS list stay opaque
    plte = chunk(b"PLTE", bytes(c for col in colours for c in col)) + chunk(b"tRNS", bytes(alphas))
    for depth in (8, 4, 2):
        top = min(len(colours), 1 << depth)
        w, h = 9, 4
        idx = [[((x + y * 2) % top,) for x in range(w)] for y in range(h)]
        rgba = [colours[i[0]] + (alphas[i[0]] if i[0] < len(alphas) else 255,) for row in idx for i in row]
        save(outdir, "palette%d_trns" % depth, encode(w, h, 3, depth, idx, plte), rgba)


def shape_cases(outdir):
    for name, w, h in (("one_pixel", 1, 1), ("one_row", 13, 1), ("one_column", 1, 9)):
        px = [[((x * 19 + y * 23) % 256, 200, 7) for x in range(w)] for y in range(h)]
        save(outdir, name, encode(w, h, 2, 8, px, interlace=(w == 1)), [p + (255,) for row in px for p in row])


def pack_cases(outdir):
    """Odd shapes for the pack maker: a 16-bit portrait in three bands (red, green,
    blue from the top) and a single half-transparent green palette pixel."""
    band = [(65535, 0, 0), (0, 65535, 0), (0, 0, 65535)]
    px = [[band[y // 32] for _ in range(32)] for y in range(96)]
    save(outdir, "bands_portrait16", encode(32, 96, 2, 16, px), [tuple(to8(c, 16) for c in p) + (255,) for row in px for p in row])
    plte = chunk(b"PLTE", bytes([0, 255, 0])) + chunk(b"tRNS", bytes([128]))
    save(outdir, "dot_palette_trns", encode(1, 1, 3, 8, [[(0,)]], plte), [(0, 255, 0, 128)])


def main():
    outdir = sys.argv[1]
    os.makedirs(outdir, exist_ok=True)
    grey_cases(outdir)
    colour_cases(outdir)
    palette_cases(outdir)
    shape_cases(outdir)
    pack_cases(outdir)


if __name__ == "__main__":
    main()
