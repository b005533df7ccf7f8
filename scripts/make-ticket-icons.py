#!/usr/bin/env python3
"""Draws the two "tickets on sale" marks of the calendar screen and writes them as PNG files:
buyTicketsSmall.png (16 x 10) and buyTicketsLarge.png (32 x 17). Standard library only.

    python3 scripts/make-ticket-icons.py plugin/resources
"""
import os
import struct
import sys
import zlib

BODY = (236, 96, 24, 255)      # ticket orange
EDGE = (164, 56, 8, 255)       # darker rim
STUB = (255, 196, 120, 255)    # the torn-off stub
HOLE = (0, 0, 0, 0)            # notches and perforation are see-through
INK = (255, 255, 255, 255)

# 3 x 5 letters for the large mark.
GLYPHS = {
    "B": ["110", "101", "110", "101", "110"],
    "U": ["101", "101", "101", "101", "111"],
    "Y": ["101", "101", "010", "010", "010"],
}


def ticket(width, height, stub):
    px = [[HOLE] * width for _ in range(height)]
    for y in range(height):
        for x in range(width):
            edge = x in (0, width - 1) or y in (0, height - 1)
            px[y][x] = EDGE if edge else (STUB if x > width - 1 - stub else BODY)
    # Rounded corners.
    for x, y in ((0, 0), (width - 1, 0), (0, height - 1), (width - 1, height - 1)):
        px[y][x] = HOLE
    # Half-round notches in the middle of both short sides.
    mid = height // 2
    for dy in (-1, 0, 1) if height > 12 else (0,):
        for x in (0, width - 1):
            px[mid + dy][x] = HOLE
        px[mid + dy][1] = EDGE
        px[mid + dy][width - 2] = EDGE
    # Perforation between the ticket and its stub.
    px_x = width - 1 - stub
    for y in range(2, height - 2, 2):
        px[y][px_x] = HOLE
    return px


def letters(px, text, left, top):
    for i, ch in enumerate(text):
        for row, bits in enumerate(GLYPHS[ch]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    px[top + row][left + i * 4 + col] = INK


def png(px):
    height, width = len(px), len(px[0])
    raw = b"".join(b"\x00" + bytes(c for p in row for c in p) for row in px)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "plugin/resources"
    small = ticket(16, 10, 4)
    large = ticket(32, 17, 7)
    letters(large, "BUY", 6, 6)
    for name, px in (("buyTicketsSmall.png", small), ("buyTicketsLarge.png", large)):
        with open(os.path.join(out, name), "wb") as f:
            f.write(png(px))


if __name__ == "__main__":
    main()
