#!/usr/bin/env python3
"""Draws the demo phones' photos (small PNGs) into modules/courier/data/media.

Every picture is painted procedurally from a fixed seed, so running the script again gives the
same bytes and the committed files can always be rebuilt. Pure Python: zlib and struct only.
"""
import math
import os
import random
import struct
import sys
import zlib

WIDTH, HEIGHT = 96, 72


def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def clamp(v):
    return max(0, min(255, int(v)))


class Canvas:
    """RGB pixels, or RGBA ones (colours of four values, starting transparent) with alpha=True."""

    def __init__(self, w=WIDTH, h=HEIGHT, alpha=False):
        self.w, self.h = w, h
        self.alpha = alpha
        self.px = [[(0, 0, 0, 0) if alpha else (0, 0, 0)] * w for _ in range(h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def vgradient(self, y0, y1, top, bottom):
        for y in range(max(0, y0), min(self.h, y1)):
            t = (y - y0) / max(1, y1 - y0 - 1)
            self.px[y] = [lerp(top, bottom, t)] * self.w

    def disc(self, cx, cy, r, c, soft=0.0):
        for y in range(int(cy - r - 2), int(cy + r + 3)):
            for x in range(int(cx - r - 2), int(cx + r + 3)):
                d = math.hypot(x - cx, y - cy)
                if d <= r:
                    self.put(x, y, c)
                elif soft and d <= r + soft and 0 <= x < self.w and 0 <= y < self.h:
                    self.put(x, y, lerp(self.px[y][x], c, 1 - (d - r) / soft))

    def rect(self, x0, y0, x1, y1, c):
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                self.px[y][x] = c

    def ridge(self, base, amp, freq, phase, c, rng=None, jag=0.0):
        for x in range(self.w):
            top = base - amp * (0.5 + 0.5 * math.sin(x * freq + phase))
            if rng:
                top -= rng.random() * jag
            for y in range(max(0, int(top)), self.h):
                self.px[y][x] = c

    def png(self):
        raw = bytearray()
        prev = None
        for row in self.px:
            line = bytes(v for p in row for v in p)
            # Filter "Up" keeps smooth gradients small.
            if prev is None:
                raw += b"\x00" + line
            else:
                raw += b"\x02" + bytes((line[i] - prev[i]) & 0xFF for i in range(len(line)))
            prev = line

        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

        head = struct.pack(">IIBBBBB", self.w, self.h, 8, 6 if self.alpha else 2, 0, 0, 0)
        return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")


def harbour_dawn():
    c = Canvas()
    c.vgradient(0, 40, (246, 178, 107), (255, 226, 170))
    c.disc(62, 36, 7, (255, 244, 214), soft=3)
    c.vgradient(40, 72, (92, 122, 150), (38, 58, 84))
    for y in range(42, 72, 4):
        for x in range(56 + (y % 8), 70 - (y % 8), 3):
            c.put(x, y, (250, 214, 160))
    c.rect(18, 34, 34, 40, (40, 34, 44))
    c.rect(25, 18, 26, 34, (40, 34, 44))
    for i in range(12):
        c.rect(26, 20 + i, 26 + (12 - i), 21 + i, (60, 52, 66))
    return c


def mountain_lake():
    c = Canvas()
    rng = random.Random(7)
    c.vgradient(0, 36, (120, 170, 225), (205, 228, 245))
    c.ridge(34, 18, 0.09, 1.0, (96, 110, 128), rng, 2)
    c.ridge(40, 10, 0.15, 3.0, (58, 96, 70), rng, 1)
    c.vgradient(44, 72, (84, 140, 180), (40, 86, 120))
    for x in range(c.w):
        for y in range(44, 52):
            m = 2 * 44 - y
            if 0 <= m < c.h:
                c.put(x, y, lerp(c.px[m][x], (60, 110, 150), 0.5))
    return c


def city_night():
    c = Canvas()
    rng = random.Random(11)
    c.vgradient(0, 72, (14, 18, 44), (52, 40, 80))
    for _ in range(30):
        c.put(rng.randrange(96), rng.randrange(30), (230, 230, 250))
    x = 0
    while x < 96:
        w = rng.randrange(8, 16)
        top = rng.randrange(20, 50)
        c.rect(x, top, x + w - 1, 72, (24, 26, 36))
        for wy in range(top + 3, 70, 4):
            for wx in range(x + 2, x + w - 3, 3):
                if rng.random() < 0.45:
                    c.rect(wx, wy, wx + 2, wy + 2, (255, 210, 120))
        x += w
    return c


def forest_path():
    c = Canvas()
    rng = random.Random(5)
    c.vgradient(0, 72, (188, 214, 160), (70, 104, 56))
    for y in range(30, 72):
        half = (y - 30) * 0.7 + 2
        for x in range(int(48 - half), int(48 + half)):
            c.put(x, y, lerp((190, 160, 112), (150, 118, 80), (y - 30) / 42))
    for i in range(9):
        tx = [6, 16, 26, 70, 80, 90, 2, 86, 36][i]
        c.rect(tx, 10, tx + 3, 72, (74, 52, 36))
        c.disc(tx + 1, 12 + rng.randrange(8), 9, (46, 88 + rng.randrange(30), 44))
    return c


def poppy_field():
    c = Canvas()
    rng = random.Random(3)
    c.vgradient(0, 30, (150, 196, 236), (222, 236, 246))
    c.vgradient(30, 72, (120, 168, 70), (66, 118, 40))
    for _ in range(70):
        x, y = rng.randrange(96), rng.randrange(32, 72)
        r = 1 + (y - 30) // 14
        c.disc(x, y, r, (214 + rng.randrange(30), 40, 30))
        c.put(x, y, (30, 20, 20))
    return c


def sunset_beach():
    c = Canvas()
    c.vgradient(0, 38, (118, 60, 140), (250, 140, 80))
    c.disc(48, 38, 10, (255, 200, 90), soft=4)
    c.vgradient(38, 52, (230, 120, 90), (120, 70, 110))
    c.vgradient(52, 72, (226, 196, 150), (200, 170, 126))
    for x in range(96):
        y = 52 + int(1.5 * math.sin(x * 0.3))
        c.put(x, y, (250, 246, 236))
    c.rect(76, 30, 78, 60, (50, 36, 40))
    for i in range(10):
        c.rect(70 + i, 28 + abs(5 - i), 72 + i, 30 + abs(5 - i), (40, 60, 40))
    return c


def snow_peaks():
    c = Canvas()
    c.vgradient(0, 72, (60, 110, 190), (190, 214, 240))
    for x in range(96):
        top = 24 + abs((x % 48) - 24) * 1.2
        for y in range(int(top), 72):
            snow = y < top + 10
            c.put(x, y, (244, 248, 252) if snow else (110, 120, 136))
    c.rect(0, 62, 96, 72, (236, 242, 248))
    return c


def birthday_cake():
    c = Canvas()
    c.vgradient(0, 72, (250, 232, 214), (236, 206, 180))
    c.rect(10, 56, 86, 62, (250, 250, 250))
    c.rect(22, 32, 74, 56, (186, 110, 74))
    c.rect(22, 32, 74, 37, (250, 236, 242))
    for x in range(22, 74, 6):
        c.disc(x + 3, 38, 2, (250, 236, 242))
    for i, x in enumerate(range(30, 70, 10)):
        c.rect(x, 20, x + 2, 32, [(90, 150, 230), (240, 120, 150), (120, 200, 120), (250, 200, 80)][i])
        c.disc(x + 1, 17, 2, (255, 190, 60), soft=1.5)
    return c


def cat_window():
    c = Canvas()
    c.vgradient(0, 72, (230, 222, 206), (200, 190, 172))
    c.rect(14, 8, 82, 52, (160, 200, 232))
    c.rect(47, 8, 49, 52, (120, 96, 72))
    c.rect(14, 29, 82, 31, (120, 96, 72))
    c.rect(8, 52, 88, 56, (120, 96, 72))
    c.disc(42, 46, 10, (70, 66, 62))
    c.disc(42, 34, 7, (70, 66, 62))
    for s in (-1, 1):
        for i in range(5):
            c.rect(42 + s * 5 - (0 if s > 0 else 3), 26 - i, 42 + s * 5 + (3 if s > 0 else 0), 27 - i + 1, (70, 66, 62))
    c.rect(50, 50, 62, 53, (70, 66, 62))
    return c


def market_stall():
    c = Canvas()
    rng = random.Random(19)
    c.vgradient(0, 72, (214, 206, 196), (150, 140, 130))
    for x in range(0, 96, 12):
        c.rect(x, 4, x + 6, 16, (206, 60, 56))
        c.rect(x + 6, 4, x + 12, 16, (246, 240, 230))
    c.rect(4, 40, 92, 66, (130, 90, 60))
    for _ in range(60):
        x, y = rng.randrange(8, 88), rng.randrange(30, 44)
        c.disc(x, y, 2, rng.choice([(230, 80, 40), (250, 190, 40), (120, 180, 60), (200, 40, 60)]))
    return c


PICTURES = {
    "harbour-dawn.png": harbour_dawn,
    "mountain-lake.png": mountain_lake,
    "city-night.png": city_night,
    "forest-path.png": forest_path,
    "poppy-field.png": poppy_field,
    "sunset-beach.png": sunset_beach,
    "snow-peaks.png": snow_peaks,
    "birthday-cake.png": birthday_cake,
    "cat-window.png": cat_window,
    "market-stall.png": market_stall,
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data", "media")
    os.makedirs(out, exist_ok=True)
    for name, paint in PICTURES.items():
        data = paint().png()
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        print(f"{name}: {len(data)} bytes")


if __name__ == "__main__":
    main()
