#!/usr/bin/env python3
"""Draws the two notice icons of the plug-in bundle (64 x 64 PNG, no outside libraries):
Voxtrail_icon_blue.png, a music note on a blue tile, for concerts, and
Voxtrail_icon_purple.png, a disc on a purple tile, for album releases."""
import math
import struct
import sys
import zlib

SIZE = 64
SAMPLES = 4  # per axis, for smooth edges


def rounded_tile(x, y, radius=12.0, inset=2.0):
    lo, hi = inset + radius, SIZE - inset - radius
    dx = max(lo - x, 0.0, x - hi)
    dy = max(lo - y, 0.0, y - hi)
    return dx * dx + dy * dy <= radius * radius


def note(x, y):
    # Head: an ellipse tilted up to the right; stem; flag.
    cx, cy, a, b, t = 25.0, 44.0, 8.5, 6.0, math.radians(-25)
    u = (x - cx) * math.cos(t) + (y - cy) * math.sin(t)
    v = -(x - cx) * math.sin(t) + (y - cy) * math.cos(t)
    if (u / a) ** 2 + (v / b) ** 2 <= 1.0:
        return True
    if 31.0 <= x <= 34.5 and 13.0 <= y <= 43.0:
        return True
    # Flag: a band curving down from the stem's top.
    if 34.0 <= x <= 46.0 and 13.0 <= y <= 34.0:
        s = (x - 34.0) / 12.0
        top = 13.0 + 10.0 * s * s + 4.0 * s
        return top <= y <= top + 7.0 - 3.0 * s
    return False


def disc(x, y):
    r = math.hypot(x - 32.0, y - 32.0)
    return 5.0 <= r <= 22.0 and not (13.0 <= r <= 14.5)


def shine(x, y):
    # A lighter arc on the disc, as light catches it.
    r = math.hypot(x - 32.0, y - 32.0)
    ang = math.atan2(y - 32.0, x - 32.0)
    return 16.0 <= r <= 20.0 and -2.6 <= ang <= -1.7


def draw(top, bottom, symbol, highlight=None):
    rows = []
    for py in range(SIZE):
        row = bytearray([0])
        for px in range(SIZE):
            tile = sym = hi = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = px + (sx + 0.5) / SAMPLES
                    y = py + (sy + 0.5) / SAMPLES
                    if rounded_tile(x, y):
                        tile += 1
                        if symbol(x, y):
                            sym += 1
                            if highlight and highlight(x, y):
                                hi += 1
            n = SAMPLES * SAMPLES
            k = py / (SIZE - 1)
            base = [top[i] + (bottom[i] - top[i]) * k for i in range(3)]
            cover = sym / tile if tile else 0.0
            glow = hi / tile if tile else 0.0
            white = [255, 255, 255]
            pale = [200, 220, 255]
            col = [base[i] * (1 - cover) + (white[i] * (cover - glow) + pale[i] * glow) for i in range(3)]
            row += bytes([int(round(c)) for c in col] + [int(round(255 * tile / n))])
        rows.append(bytes(row))
    return rows


def png(path, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    data = zlib.compress(b"".join(rows), 9)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", data) + chunk(b"IEND", b""))


if __name__ == "__main__":
    folder = sys.argv[1] if len(sys.argv) > 1 else "plugin/resources"
    png(folder + "/Voxtrail_icon_blue.png", draw((74, 150, 240), (24, 82, 180), note))
    png(folder + "/Voxtrail_icon_purple.png", draw((168, 96, 226), (98, 42, 160), disc, shine))
