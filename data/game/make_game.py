#!/usr/bin/env python3
"""Writes Tilvo-1's pictures (TGA) and sound effects (WAV), and the staging
folders of its two picture packs.

usage: make_game.py DATADIR PACKDIR

DATADIR receives Graphics/ and sfx/ (packed into the game's data archive with
the World files); PACKDIR receives one folder per picture pack.

Everything is computed with integer arithmetic and the floating-point
operations that IEEE 754 rounds exactly (+, -, *, /, square root), so results
are identical on every machine; sines and logarithms come from series, not from
the C library. So every run, anywhere, writes the
same bytes. The built-in pictures are checked so that a player can tell their
slices apart: on the 4 x 4 board every slice must vary inside (standard
deviation of luminance) and differ from every other slice (mean absolute
difference), or the generator fails.
"""
import math
import os
import struct
import sys

SIZE = 240          # puzzle pictures are SIZE x SIZE: 4 x 4 slices of 60 x 60
THUMB = 60          # thumbnails: SIZE / 4, averaged over 4 x 4 pixels
SCREEN_W, SCREEN_H = 240, 320
SLICE_STD_MIN = 20.0
SLICE_DIFF_MIN = 20.0

# ---- Deterministic helpers -------------------------------------------------------------------


def sin_turns(t):
    """sin(2 pi t) from a Taylor series after range reduction: basic operations only."""
    t = t - int(t) if t >= 0 else t - int(t) + 1.0   # 0 <= t < 1
    if t > 0.5:
        return -sin_turns(t - 0.5)
    if t > 0.25:
        t = 0.5 - t
    x = t * 6.283185307179586
    x2 = x * x
    term, total = x, x
    for k in range(1, 9):
        term = -term * x2 / ((2 * k) * (2 * k + 1))
        total += term
    return total


class Rng:
    """A 32-bit linear congruential generator with a fixed seed."""

    def __init__(self, seed):
        self.s = seed & 0xFFFFFFFF

    def next(self):
        self.s = (self.s * 1664525 + 1013904223) & 0xFFFFFFFF
        return self.s >> 8

    def below(self, n):
        return self.next() % n

    def unit(self):
        return self.next() / 16777216.0


def hash2(x, y, seed):
    h = (x * 374761393 + y * 668265263 + seed * 2246822519) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    return (h ^ (h >> 16)) / 4294967296.0


def value_noise(x, y, cell, seed):
    """Smooth value noise in 0..1 over a grid of `cell` pixels."""
    gx, gy = x // cell, y // cell
    fx, fy = (x % cell) / cell, (y % cell) / cell
    fx = fx * fx * (3 - 2 * fx)
    fy = fy * fy * (3 - 2 * fy)
    a = hash2(gx, gy, seed)
    b = hash2(gx + 1, gy, seed)
    c = hash2(gx, gy + 1, seed)
    d = hash2(gx + 1, gy + 1, seed)
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy


def fbm(x, y, seed, cell=64, octaves=4):
    total, amp, norm = 0.0, 1.0, 0.0
    for o in range(octaves):
        total += amp * value_noise(x, y, max(1, cell >> o), seed + o * 101)
        norm += amp
        amp *= 0.5
    return total / norm


def ln(v):
    """Natural logarithm of v > 0: frexp splits off the exponent exactly, an atanh
    series does the mantissa, so only basic operations are used."""
    m, e = math.frexp(v)   # v = m * 2**e, 0.5 <= m < 1
    u = (m - 1.0) / (m + 1.0)
    u2, term, total = u * u, u, 0.0
    for k in range(0, 40, 2):
        total += term / (k + 1)
        term *= u2
    return 2.0 * total + e * 0.6931471805599453


def clamp8(v):
    v = int(v)
    return 0 if v < 0 else 255 if v > 255 else v


def mix(c0, c1, t):
    return tuple(clamp8(a + (b - a) * t) for a, b in zip(c0, c1))


def palette_cycle(phase, r, g, b):
    """A colour-cycling palette of 256 entries from three phase offsets."""
    out = []
    for i in range(256):
        t = i / 256.0 * phase
        out.append((clamp8(128 + 127 * sin_turns(t + r)), clamp8(128 + 127 * sin_turns(t + g)),
                    clamp8(128 + 127 * sin_turns(t + b))))
    return out

# ---- Images ----------------------------------------------------------------------------------------


class Image:
    def __init__(self, w, h, fill=(0, 0, 0)):
        self.w, self.h = w, h
        self.px = [fill] * (w * h)

    @staticmethod
    def from_fn(w, h, fn):
        img = Image(w, h)
        img.px = [fn(x, y) for y in range(h) for x in range(w)]
        return img

    def get(self, x, y):
        return self.px[y * self.w + x]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y * self.w + x] = c

    def rect(self, x0, y0, w, h, c):
        for y in range(y0, y0 + h):
            for x in range(x0, x0 + w):
                self.put(x, y, c)

    def shrink(self, factor):
        """Area average over factor x factor blocks."""
        w, h = self.w // factor, self.h // factor
        out = Image(w, h)
        n = factor * factor
        for y in range(h):
            for x in range(w):
                r = g = b = 0
                for dy in range(factor):
                    row = (y * factor + dy) * self.w + x * factor
                    for dx in range(factor):
                        pr, pg, pb = self.px[row + dx]
                        r += pr
                        g += pg
                        b += pb
                out.px[y * w + x] = ((r + n // 2) // n, (g + n // 2) // n, (b + n // 2) // n)
        return out

    def write_tga(self, path):
        """24-bit uncompressed TGA, rows stored top to bottom."""
        os.makedirs(os.path.dirname(path), exist_ok=True)
        header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, self.w, self.h, 24, 0x20)
        body = bytearray()
        for r, g, b in self.px:
            body += bytes((b, g, r))
        with open(path, "wb") as f:
            f.write(header + body)


def luminance(c):
    return (299 * c[0] + 587 * c[1] + 114 * c[2]) / 1000.0


def check_slices(name, img, n=4):
    """Every slice varies inside and differs from every other slice."""
    sw, sh = img.w // n, img.h // n
    slices = []
    for sy in range(n):
        for sx in range(n):
            lum = [luminance(img.get(sx * sw + x, sy * sh + y)) for y in range(0, sh, 2) for x in range(0, sw, 2)]
            mean = sum(lum) / len(lum)
            std = math.sqrt(sum((v - mean) ** 2 for v in lum) / len(lum))
            if std < SLICE_STD_MIN:
                sys.exit("%s: slice %d is too flat (std %.1f)" % (name, sy * n + sx, std))
            slices.append([img.get(sx * sw + x, sy * sh + y) for y in range(0, sh, 2) for x in range(0, sw, 2)])
    for i in range(len(slices)):
        for j in range(i + 1, len(slices)):
            total = 0
            for a, b in zip(slices[i], slices[j]):
                total += abs(a[0] - b[0]) + abs(a[1] - b[1]) + abs(a[2] - b[2])
            diff = total / (3.0 * len(slices[i]))
            if diff < SLICE_DIFF_MIN:
                sys.exit("%s: slices %d and %d look alike (%.1f)" % (name, i, j, diff))

# ---- Pictures ----------------------------------------------------------------------------------------


def fractal(w, h, cx, cy, span, palette, julia=None, max_iter=96, step=9):
    """Mandelbrot (or Julia for julia=(re, im)) with a cycling palette."""
    scale = span / w
    inside = (12, 10, 24)

    def pixel(x, y):
        re = cx + (x - w / 2) * scale
        im = cy + (y - h / 2) * scale
        if julia:
            zr, zi, cr, ci = re, im, julia[0], julia[1]
        else:
            zr, zi, cr, ci = 0.0, 0.0, re, im
        for i in range(max_iter):
            zr2, zi2 = zr * zr, zi * zi
            if zr2 + zi2 > 16.0:
                return palette[(i * step) & 255]
            zi = 2 * zr * zi + ci
            zr = zr2 - zi2 + cr
        # Inside the set: a faint texture, so no slice is flat.
        return mix(inside, palette[(x * 3 + y * 5) & 255], 0.3)
    return Image.from_fn(w, h, pixel)


CALM_STOPS = [(10, 24, 60), (24, 82, 120), (70, 160, 150), (236, 214, 140), (230, 130, 50), (140, 40, 50),
              (40, 20, 60)]


def stops_palette(stops, n=256):
    """A palette of n entries blending a closed ring of colour stops."""
    out = []
    for i in range(n):
        t = i * len(stops) / n
        j = int(t)
        out.append(mix(stops[j], stops[(j + 1) % len(stops)], t - j))
    return out


def calm_fractal(w, h, cx, cy, span, palette, max_iter=200, density=20.0):
    """A Mandelbrot view with smooth colouring and relief light: broad, calm
    bands of colour away from the set, and the set's lace averaged over 2 x 2
    samples where the bands crowd below a pixel, so nothing flickers."""
    scale = span / w

    def sample(cr, ci):
        """(colour, distance to the set in pixels) of one point; inside: distance 0."""
        zr = zi = dr = di = 0.0
        for i in range(max_iter):
            zr2, zi2 = zr * zr, zi * zi
            m2 = zr2 + zi2
            if m2 > 256.0:
                # The escape count made continuous, then the palette position.
                t = (i + 1 - ln(ln(m2) * 0.5) / 0.6931471805599453) * density
                j = int(t) % 256
                c = mix(palette[j], palette[(j + 1) % 256], t - int(t))
                # The potential's normal (z / dz), lit from the upper left.
                d2 = dr * dr + di * di
                ur = (zr * dr + zi * di) / d2
                ui = (zi * dr - zr * di) / d2
                light = (-(ur + ui) * 0.7071 / math.sqrt(ur * ur + ui * ui) + 1.5) / 2.5
                dist = 0.25 * math.sqrt(m2 / d2) * ln(m2) / scale
                return tuple(v * (0.45 + 0.65 * light) for v in c), dist
            dr, di = 2 * (zr * dr - zi * di) + 1.0, 2 * (zr * di + zi * dr)
            zi = 2 * zr * zi + ci
            zr = zr2 - zi2 + cr
        # Inside the set: a soft shade by where the orbit settled.
        return mix((8, 10, 30), (30, 40, 80), min(1.0, zr * zr + zi * zi)), 0.0

    def pixel(x, y):
        cr = cx + (x - w / 2) * scale
        ci = cy + (y - h / 2) * scale
        c, dist = sample(cr, ci)
        if dist >= 1.0:
            return tuple(clamp8(v) for v in c)
        total = [0.0, 0.0, 0.0]
        for sy in (-0.25, 0.25):
            for sx in (-0.25, 0.25):
                s, _ = sample(cr + sx * scale, ci + sy * scale)
                total = [a + b for a, b in zip(total, s)]
        return tuple(clamp8(v / 4 + 0.5) for v in total)
    return Image.from_fn(w, h, pixel)


TINTS = [(200, 150, 70), (190, 90, 60), (230, 200, 90)]  # autumn fields on the ridges


def landscape(w, h, seed, sky0, sky1, hills, water):
    """Sky with clouds and a sun, ridges of hills, a lake with ripples, grassy shore."""
    rng = Rng(seed)
    sun_x, sun_y = 40 + rng.below(w - 80), 30 + rng.below(40)
    ridges = []
    for k in range(3):
        base = h * (0.38 + 0.1 * k)
        ridges.append((base, 30 - 6 * k, seed + 17 * k))
    shore = int(h * 0.72)

    def ridge_height(x, base, amp, s):
        return base - amp * fbm(x, 0, s, 48, 4) * 2 + amp * 0.6

    def pixel(x, y):
        # Hills, front to back.
        for k in range(2, -1, -1):
            base, amp, s = ridges[k]
            top = ridge_height(x, base, amp, s)
            if y >= top and y < shore:
                shade = 0.55 + 0.45 * fbm(x, y, s + 5, 16, 3)
                light = 1.0 - (y - top) / 160.0
                # Fields and woods in patches: the hue drifts along the ridge.
                c = mix(hills[k], TINTS[k], value_noise(x, y, 36, s + 13) * (0.6 + 0.15 * k))
                if k == 2 and hash2(x // 6, int(top) // 6 + (y - int(top)) // 9, s) > 0.72 and (x % 6) < 4:
                    c = (30, 70, 35)
                return tuple(clamp8(v * shade * (0.7 + 0.3 * light)) for v in c)
        if y < shore:
            t = y / shore
            c = mix(sky0, sky1, t)
            d2 = (x - sun_x) ** 2 + (y - sun_y) ** 2
            if d2 < 18 ** 2:
                return (255, 236, 160)
            if d2 < 30 ** 2:
                c = mix(c, (255, 220, 150), 0.5 - (math.sqrt(d2) - 18) / 24)
            # Streaks of cloud, lit from above and shaded below.
            cloud = fbm(x * 2, y * 6, seed + 3, 48, 4)
            if cloud > 0.4:
                lit = fbm(x * 2, y * 6 - 12, seed + 3, 48, 4)
                c = mix(c, (255, 250, 245) if lit > cloud else (150, 140, 170), min(1.0, (cloud - 0.4) * 3.0))
            return c
        if y < shore + 48:
            # The lake mirrors the sky with ripples.
            ripple = fbm(x, y * 4, seed + 9, 24, 3)
            shallows = value_noise(x, y, 44, seed + 21)
            c = mix(mix(water, (70, 130, 100), shallows * 0.8), sky1, 0.15 + 0.5 * ripple)
            if abs(x - sun_x) < 10 + (y - shore) // 3 and hash2(x, y, seed + 4) > 0.6:
                c = (255, 240, 190)
            if (y + int(ripple * 8)) % 7 == 0:
                c = mix(c, (255, 255, 255), 0.35)
            return c
        grass = fbm(x, y, seed + 11, 8, 3)
        blade = hash2(x, y, seed)
        g = (40 + 120 * grass + 60 * blade)
        # Flowers in patches of different colours along the shore.
        patch = int(value_noise(x, 0, 30, seed + 23) * 4)
        if blade > 0.86:
            return [(230, 80, 80), (240, 220, 80), (200, 120, 230), (250, 250, 250)][patch % 4]
        return (clamp8(g * 0.45), clamp8(g), clamp8(g * 0.25))
    return Image.from_fn(w, h, pixel)


def stained_glass(w, h, seed, n_cells, hues):
    """Voronoi panes in varied colours with their own texture, joined by dark leading."""
    rng = Rng(seed)
    seeds = [(rng.below(w), rng.below(h), hues[rng.below(len(hues))], rng.below(4)) for _ in range(n_cells)]

    def pixel(x, y):
        best = second = 1 << 30
        pane = None
        for sx, sy, col, pattern in seeds:
            d = (x - sx) ** 2 + (y - sy) ** 2
            if d < best:
                second, best, pane = best, d, (sx, sy, col, pattern)
            elif d < second:
                second = d
        # The leading: where the two nearest seeds are almost equally near.
        if math.sqrt(second) - math.sqrt(best) < 2.2:
            return (28, 24, 22)
        sx, sy, col, pattern = pane
        r = math.sqrt(best)
        if pattern == 0:
            shade = 0.65 + 0.35 * sin_turns(r / 14.0)
        elif pattern == 1:
            shade = 0.6 + 0.4 * (((x + y) // 5) % 2)
        elif pattern == 2:
            shade = 0.55 + 0.45 * fbm(x, y, seed + 7, 12, 3)
        else:
            shade = 0.7 + 0.3 * sin_turns((x - sx) / 18.0) * sin_turns((y - sy) / 18.0)
        glow = 1.15 - r / 120.0
        return tuple(clamp8(v * shade * glow) for v in col)
    return Image.from_fn(w, h, pixel)


def rings(w, h, seed, palette):
    """Interfering rings from a few centres."""
    rng = Rng(seed)
    centres = [(rng.below(w), rng.below(h), 8 + rng.below(10)) for _ in range(3)]

    def pixel(x, y):
        v = 0.0
        for cx, cy, p in centres:
            v += sin_turns(math.sqrt((x - cx) ** 2 + (y - cy) ** 2) / p)
        return palette[clamp8(128 + 40 * v + (x + 2 * y) / 3) & 255]
    return Image.from_fn(w, h, pixel)


def truchet(w, h, seed, c0, c1):
    """Quarter-circle tiles in random orientations, each tile tinted."""
    tile = 20
    rng = Rng(seed)
    flips = [rng.below(2) for _ in range((w // tile + 1) * (h // tile + 1))]
    tints = [rng.unit() for _ in range(len(flips))]

    def pixel(x, y):
        tx, ty = x // tile, y // tile
        k = ty * (w // tile + 1) + tx
        lx, ly = x % tile, y % tile
        if flips[k]:
            lx = tile - 1 - lx
        d0 = math.sqrt(lx * lx + ly * ly) - tile / 2
        d1 = math.sqrt((tile - lx) ** 2 + (tile - ly) ** 2) - tile / 2
        d = min(abs(d0), abs(d1))
        base = mix(c0, c1, tints[k])
        if d < 3:
            return mix((250, 245, 230), base, d / 3)
        return mix(base, (20, 20, 30), 0.3 * ((tx + ty) % 2))
    return Image.from_fn(w, h, pixel)

# ---- Interface pictures ---------------------------------------------------------------------------------

FONT5X7 = {
    'A': "0E11111F111111", 'B': "1E11111E11111E", 'C': "0E11101010110E", 'D': "1C12111111121C",
    'E': "1F10101E10101F", 'F': "1F10101E101010", 'G': "0E11101713110F", 'H': "1111111F111111",
    'I': "0E04040404040E", 'J': "0702020202120C", 'K': "11121418141211", 'L': "1010101010101F",
    'M': "111B1515111111", 'N': "11111915131111", 'O': "0E11111111110E", 'P': "1E11111E101010",
    'Q': "0E111111151209", 'R': "1E11111E141211", 'S': "0F10100E01011E", 'T': "1F040404040404",
    'U': "1111111111110E", 'V': "11111111110A04", 'W': "11111115151B11", 'X': "11110A040A1111",
    'Y': "11110A04040404", 'Z': "1F01020408101F", '-': "0000001F000000", '1': "040C040404040E",
    '0': "0E11131519110E", ' ': "00000000000000", '!': "04040404040004", '2': "0E11010204081F",
    '3': "1F02040201110E", '4': "02060A121F0202", '5': "1F101E0101110E",
}


def draw_text(img, text, x, y, scale, colour, shadow=None):
    for ch in text:
        rows = FONT5X7.get(ch, FONT5X7[' '])
        for r in range(7):
            bits = int(rows[r * 2:r * 2 + 2] or "0", 16)
            for c in range(5):
                if bits & (0x10 >> c):
                    if shadow:
                        img.rect(x + c * scale + 1, y + r * scale + 1, scale, scale, shadow)
                    img.rect(x + c * scale, y + r * scale, scale, scale, colour)
        x += 6 * scale


def text_width(text, scale):
    return len(text) * 6 * scale - scale


def intro_picture():
    """The title screen: a picture in 16 tiles with one missing, and the name."""
    base = stained_glass(SCREEN_W, SCREEN_H, 77, 36, [(200, 70, 60), (60, 110, 190), (230, 180, 60),
                                                        (70, 160, 90), (150, 80, 170)])
    img = Image(SCREEN_W, SCREEN_H)
    for y in range(SCREEN_H):
        for x in range(SCREEN_W):
            c = base.get(x, y)
            img.px[y * SCREEN_W + x] = (c[0] // 3 + 10, c[1] // 3 + 14, c[2] // 3 + 30)
    # A 4 x 4 grid of bright tiles, the last one missing, as on the board.
    ox, oy, t = 40, 70, 40
    for k in range(15):
        tx, ty = ox + (k % 4) * t, oy + (k // 4) * t
        for y in range(t - 2):
            for x in range(t - 2):
                c = base.get(tx + x, ty + y)
                img.put(tx + x, ty + y, c)
    title = "TILVO-1"
    draw_text(img, title, (SCREEN_W - text_width(title, 4)) // 2, 18, 4, (255, 236, 170), (20, 16, 40))
    sub = "A SLIDING PICTURE PUZZLE"
    draw_text(img, sub, (SCREEN_W - text_width(sub, 1)) // 2, 244, 1, (230, 230, 240))
    return img


def outro_picture():
    """The goodbye screen: the title picture's glass, darker, with a thank-you."""
    img = intro_picture()
    img.rect(0, 60, SCREEN_W, 200, (24, 26, 44))
    for line, y in (("THANK YOU", 120), ("FOR PLAYING", 150)):
        draw_text(img, line, (SCREEN_W - text_width(line, 3)) // 2, y, 3, (255, 236, 170), (0, 0, 0))
    return img


def advert(kind):
    """Posters for four made-up games of the same maker."""
    rng = Rng(900 + kind)
    img = Image(SCREEN_W, SCREEN_H, (16, 18, 34))
    if kind == 0:       # a maze
        cell = 16
        for y in range(0, SCREEN_H, cell):
            for x in range(0, SCREEN_W, cell):
                img.rect(x, y, cell, cell, (24, 40, 70))
                if rng.below(2):
                    img.rect(x, y, cell, 3, (120, 200, 255))
                else:
                    img.rect(x, y, 3, cell, (120, 200, 255))
        name, colour = "MAZE RUNNER", (255, 220, 90)
    elif kind == 1:     # stars and a planet
        for _ in range(300):
            img.put(rng.below(SCREEN_W), rng.below(SCREEN_H), (255, 255, 255))
        for y in range(SCREEN_H):
            for x in range(SCREEN_W):
                d = math.sqrt((x - 150) ** 2 + (y - 180) ** 2)
                if d < 70:
                    band = sin_turns(y / 22.0 + fbm(x, y, 5, 32, 3))
                    img.put(x, y, mix((200, 120, 60), (250, 210, 140), 0.5 + 0.5 * band))
        name, colour = "STAR HOPPER", (140, 220, 255)
    elif kind == 2:     # falling blocks
        colours = [(230, 80, 80), (80, 200, 120), (80, 140, 240), (240, 200, 70), (190, 100, 220)]
        for col in range(12):
            height = 4 + rng.below(10)
            for row in range(height):
                c = colours[rng.below(len(colours))]
                x, y = col * 20, SCREEN_H - (row + 1) * 20
                img.rect(x + 1, y + 1, 18, 18, c)
                img.rect(x + 1, y + 1, 18, 3, mix(c, (255, 255, 255), 0.5))
        name, colour = "BLOCK DROP", (255, 255, 255)
    else:               # a snake on a grid
        for y in range(0, SCREEN_H, 12):
            for x in range(0, SCREEN_W, 12):
                img.rect(x, y, 11, 11, (22, 50, 30))
        x, y = 5, 14
        for step in range(90):
            img.rect(x * 12, y * 12, 11, 11, mix((60, 220, 90), (220, 255, 120), step / 90.0))
            d = rng.below(4)
            x = max(0, min(19, x + (1 if d == 0 else -1 if d == 1 else 0)))
            y = max(4, min(25, y + (1 if d == 2 else -1 if d == 3 else 0)))
        name, colour = "GARDEN SNAKE", (255, 180, 200)
    draw_text(img, name, (SCREEN_W - text_width(name, 3)) // 2, 24, 3, colour, (0, 0, 0))
    line = "COMING SOON"
    draw_text(img, line, (SCREEN_W - text_width(line, 2)) // 2, 284, 2, (255, 255, 255), (0, 0, 0))
    return img


def battery_frames():
    """Five battery icons of 20 x 10 side by side: empty (red) to full."""
    w, h = 20, 10
    img = Image(w * 5, h, (255, 0, 255))
    for f in range(5):
        ox = f * w
        img.rect(ox, 0, 17, h, (220, 220, 225))
        img.rect(ox + 1, 1, 15, h - 2, (30, 30, 40))
        img.rect(ox + 17, 3, 2, 4, (220, 220, 225))
        colour = (230, 60, 60) if f == 0 else (90, 210, 110)
        bars = max(1, f)
        for b in range(bars):
            img.rect(ox + 2 + b * 4 - (1 if f == 0 else 0) * 0, 2, 3, h - 4, colour)
    return img


def volume_ramp():
    """The volume slider's face: a ramp from quiet to loud, 96 x 24."""
    w, h = 96, 24
    img = Image(w, h, (43, 52, 74))
    for x in range(w):
        top = h - 3 - (x * (h - 6)) // w
        c = mix((90, 200, 140), (250, 190, 80), x / w)
        for y in range(top, h - 3):
            img.put(x, y, c if x % 4 != 3 else (43, 52, 74))
    return img

# ---- Sounds ---------------------------------------------------------------------------------------------

RATE = 22050
PEAK = 8192  # about -12 dBFS of 16-bit full scale


def tone(freq_at, seconds, env, harmonics=((1, 1.0),)):
    n = int(RATE * seconds)
    out, phase = [], 0.0
    for i in range(n):
        t = i / n
        f = freq_at(t)
        phase += f / RATE
        v = 0.0
        for mult, amp in harmonics:
            v += amp * sin_turns(phase * mult)
        out.append(v * env(t))
    return out


def decay(power):
    """(1 - t) to a whole power, by multiplication only."""
    def env(t):
        v = 1.0
        for _ in range(power):
            v *= 1.0 - t
        return v
    return env


def notes(seq, seconds_each, harmonics, overlap=1.4):
    """Notes one after another, each ringing a little into the next."""
    n_each = int(RATE * seconds_each)
    total = [0.0] * (n_each * (len(seq) - 1) + int(n_each * overlap))
    for k, f in enumerate(seq):
        part = tone(lambda t, f=f: f, seconds_each * overlap, decay(2), harmonics)
        for i, v in enumerate(part):
            total[k * n_each + i] += v
    return total


def write_wav(path, samples):
    """Mono, 16-bit, 22050 Hz, scaled to PEAK with 5 ms fades at both ends."""
    top = max(1e-9, max(abs(v) for v in samples))
    fade = int(RATE * 0.005)
    n = len(samples)
    data = bytearray()
    for i, v in enumerate(samples):
        g = 1.0
        if i < fade:
            g = i / fade
        elif i >= n - fade:
            g = (n - 1 - i) / fade
        data += struct.pack("<h", int(v / top * PEAK * g))
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE * 2, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def sounds(outdir):
    soft = ((1, 1.0), (2, 0.25), (3, 0.08))
    c5, e5, g5, c6 = 523.25, 659.25, 783.99, 1046.5
    write_wav(os.path.join(outdir, "sfx", "Tobex.wav"), notes([c5, e5, g5, c6, g5, c6], 0.16, soft, 2.2))
    write_wav(os.path.join(outdir, "sfx", "Complete.wav"), notes([g5 / 2, c5, e5, g5], 0.12, soft, 2.0))
    write_wav(os.path.join(outdir, "sfx", "Menuclick.wav"),
              tone(lambda t: 1500.0, 0.03, decay(3), ((1, 1.0), (2, 0.3))))
    write_wav(os.path.join(outdir, "sfx", "MovePiece.wav"),
              tone(lambda t: 520.0 - 180.0 * t, 0.08, decay(2), ((1, 1.0), (2, 0.2))))
    # Lower and duller than a move: two short low buzzes.
    buzz = tone(lambda t: 150.0 - 30.0 * t, 0.14, lambda t: (1.0 - t) * (0.4 if 0.45 < t < 0.55 else 1.0),
                ((1, 1.0), (3, 0.3), (5, 0.12)))
    write_wav(os.path.join(outdir, "sfx", "Error.wav"), buzz)

# ---- Built-in pictures and packs -------------------------------------------------------------------------


def builtin_pictures():
    return [
        ("fractal", calm_fractal(SIZE, SIZE, -0.7453, 0.1127, 0.0065, stops_palette(CALM_STOPS))),
        ("landscape", landscape(SIZE, SIZE, 1234, (70, 120, 210), (250, 190, 150),
                                [(70, 90, 140), (60, 120, 90), (40, 90, 50)], (40, 80, 140))),
        ("stained glass", stained_glass(SIZE, SIZE, 4242, 40,
                                        [(200, 40, 50), (40, 90, 200), (240, 190, 40), (40, 160, 80),
                                         (150, 60, 170), (240, 120, 40), (60, 180, 200)])),
    ]


def pack_fractals():
    """Pack one: fractals. Full pictures for three of them, taller than the board."""
    pal = [palette_cycle(2.0, 0.1, 0.4, 0.8), palette_cycle(4.0, 0.6, 0.2, 0.0), palette_cycle(3.0, 0.0, 0.5, 0.25)]
    specs = [
        (0.0, 0.0, 3.2, pal[0], (-0.8, 0.156)),
        (0.0, 0.0, 3.0, pal[1], (0.285, 0.01)),
        (-0.1011, 0.9563, 0.03, pal[2], None),
        (0.0, 0.0, 3.0, pal[2], (-0.4, 0.6)),
        (-1.25066, 0.02012, 0.0017, pal[0], None),
        (0.0, 0.0, 2.8, pal[1], (-0.70176, -0.3842)),
    ]
    pictures = [fractal(SIZE, SIZE, *s[:4], julia=s[4]) for s in specs]
    fulls = {i: fractal(SCREEN_W, SCREEN_H, specs[i][0], specs[i][1], specs[i][2] * 1.0, specs[i][3],
                        julia=specs[i][4]) for i in (0, 2, 4)}
    return pictures, fulls


def pack_scenes():
    """Pack two: landscapes, glass, rings and tiles. Two full pictures the board's size."""
    pictures = [
        landscape(SIZE, SIZE, 77, (30, 40, 90), (230, 120, 90), [(60, 50, 90), (80, 60, 70), (50, 60, 40)],
                  (60, 50, 90)),
        stained_glass(SIZE, SIZE, 99, 26, [(230, 60, 60), (250, 200, 60), (60, 140, 230), (250, 250, 230),
                                           (90, 200, 110)]),
        rings(SIZE, SIZE, 5, palette_cycle(2.0, 0.0, 0.3, 0.6)),
        truchet(SIZE, SIZE, 8, (60, 120, 200), (230, 110, 60)),
        landscape(SIZE, SIZE, 4321, (140, 190, 240), (230, 240, 250), [(150, 160, 180), (90, 130, 110),
                                                                       (70, 110, 60)], (70, 120, 160)),
        stained_glass(SIZE, SIZE, 31337, 44, [(120, 40, 160), (40, 160, 160), (220, 220, 80), (200, 80, 40)]),
    ]
    fulls = {1: pictures[1], 3: truchet(SIZE, SIZE, 9, (200, 60, 120), (60, 200, 160))}
    return pictures, fulls


def write_pack(folder, pictures, fulls):
    for i, img in enumerate(pictures):
        img.write_tga(os.path.join(folder, "Image%d.tga" % i))
        img.shrink(SIZE // THUMB).write_tga(os.path.join(folder, "Thumb%d.tga" % i))
    for i, img in fulls.items():
        img.write_tga(os.path.join(folder, "Full%d.tga" % i))


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    data, packs = sys.argv[1], sys.argv[2]
    graphics = os.path.join(data, "Graphics")
    for i, (name, img) in enumerate(builtin_pictures()):
        check_slices(name, img)
        img.write_tga(os.path.join(graphics, "Def%d.tga" % i))
        img.shrink(SIZE // THUMB).write_tga(os.path.join(graphics, "Thumb%d.tga" % i))
    for k, suffix in enumerate(["AA", "BB", "CC", "DD"]):
        advert(k).write_tga(os.path.join(graphics, "Products_%s.tga" % suffix))
    intro_picture().write_tga(os.path.join(graphics, "Intro.tga"))
    outro_picture().write_tga(os.path.join(graphics, "Outro.tga"))
    battery_frames().write_tga(os.path.join(graphics, "Battery.tga"))
    volume_ramp().write_tga(os.path.join(graphics, "Volume.tga"))
    sounds(data)
    write_pack(os.path.join(packs, "Fractals"), *pack_fractals())
    write_pack(os.path.join(packs, "Scenes"), *pack_scenes())


if __name__ == "__main__":
    main()
