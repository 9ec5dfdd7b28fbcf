#!/usr/bin/env python3
"""Draws the demo game's pictures and writes them as PNG files beside this script.

The pictures are committed; run this again only to change them. Plain Python, no imaging library.
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write_png(name, width, height, pixels):
    """pixels: a function (x, y) -> (r, g, b, a), each 0..255."""
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows.extend(bytes(max(0, min(255, int(round(c)))) for c in pixels(x, y)))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    data += chunk(b"IEND", b"")
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def scatter(count, seed):
    """count points from a small fixed linear congruential sequence."""
    points, state = set(), seed
    for _ in range(count):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        x = state % 640
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        points.add((x, state % 360))
    return points


STARS = scatter(140, 7)


def sky(x, y):
    t = y / 479.0
    r, g, b = 10 + 60 * t, 12 + 20 * t, 48 + 70 * t
    # A fixed scatter of faint stars.
    if (x, y) in STARS:
        r, g, b = 200, 200, 230
    # Dark hills along the bottom.
    hill = 400 + 25 * math.sin(x / 70.0) + 12 * math.sin(x / 23.0)
    if y > hill:
        r, g, b = 8, 18 + 10 * (1 - t), 20
    return (r, g, b, 255)


# A 5 x 7 block font for the few letters the title uses.
GLYPHS = {
    "V": ["10001", "10001", "10001", "10001", "01010", "01010", "00100"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    " ": ["00000"] * 7,
}


def text_picture(text, cell):
    width = len(text) * 6 * cell
    height = 7 * cell + cell

    def pixel(x, y):
        i, cx = divmod(x // cell, 6)
        cy = y // cell
        on = lambda gx, gy: 0 <= gy < 7 and gx < 5 and GLYPHS[text[i]][gy][gx] == "1"
        if cx < 5 and on(cx, cy):
            shade = 1.0 - 0.35 * (cy / 7.0)
            return (255 * shade, 200 * shade, 60 * shade, 255)
        # A one-cell shadow below and to the right.
        if cx >= 1 and cy >= 1 and (cx - 1) < 5 and on(cx - 1, cy - 1):
            return (40, 10, 60, 160)
        return (0, 0, 0, 0)

    return width, height, pixel


def ball(x, y):
    dx, dy = x - 31.5, y - 31.5
    d = math.hypot(dx, dy)
    if d > 31:
        return (0, 0, 0, 0)
    light = max(0.0, 1.0 - math.hypot(dx + 10, dy + 10) / 40.0)
    edge = min(1.0, 31 - d)
    return (60 + 195 * light, 120 + 135 * light, 220, 255 * edge)


def star(phase):
    def pixel(x, y):
        dx, dy = abs(x - 15.5), abs(y - 15.5)
        size = 6 + 6 * phase
        ray = max(0.0, 1.0 - (dx * dy) / (size * 1.2)) * max(0.0, 1.0 - max(dx, dy) / (size + 6))
        glow = max(0.0, 1.0 - math.hypot(dx, dy) / (4 + 3 * phase))
        a = min(1.0, ray + glow)
        return (255, 240, 150 + 100 * glow, 255 * a)

    return pixel


def flake(x, y):
    d = math.hypot(x - 3.5, y - 3.5)
    a = max(0.0, 1.0 - d / 4.0)
    return (255, 255, 255, 255 * a)


write_png("back.png", 640, 480, sky)
w, h, p = text_picture("VELK DEMO", 6)
write_png("title.png", w, h, p)
write_png("ball.png", 64, 64, ball)
for i, phase in enumerate([0.0, 0.33, 0.66, 1.0, 0.66, 0.33]):
    write_png("star%d.png" % (i + 1), 32, 32, star(phase))
write_png("flake.png", 8, 8, flake)
