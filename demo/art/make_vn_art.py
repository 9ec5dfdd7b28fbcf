#!/usr/bin/env python3
"""Draws the pictures of the demo story and writes them as PNG files beside this script.

The pictures are committed; run this again only to change them. Plain Python, no imaging library: every picture is
a function of (x, y) giving (r, g, b, a), written row by row.
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
W, H = 1280, 720


def clamp(c):
    return 0 if c < 0 else 255 if c > 255 else int(c + 0.5)


def write_png(name, width, height, pixel):
    pixels = [[tuple(clamp(c) for c in pixel(x, y)) for x in range(width)] for y in range(height)]
    # Pictures without a transparent pixel are stored without an alpha channel, so the player copies them
    # instead of blending them.
    opaque = all(p[3] == 255 for row in pixels for p in row)
    rows = bytearray()
    for row in pixels:
        rows.append(0)
        for p in row:
            rows += bytes(p[:3] if opaque else p)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 2 if opaque else 6, 0, 0, 0)
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    data += chunk(b"IEND", b"")
    os.makedirs(HERE, exist_ok=True)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def lcg_points(count, seed, width, height):
    points, state = set(), seed
    for _ in range(count):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        x = state % width
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        points.add((x, state % height))
    return points


# ---- backgrounds ------------------------------------------------------------------------------------------------

STARS = lcg_points(600, 11, W, 520)


def title_back(x, y):
    """Dusk over a lake: a warm horizon, a pale moon, dark hills and their reflection."""
    horizon = 470
    t = min(1.0, y / horizon)
    sky = mix((18, 22, 70), (250, 150, 110), t ** 1.6)
    if y < horizon:
        r, g, b = sky
        if (x, y) in STARS and y < 300:
            r, g, b = mix((r, g, b), (255, 255, 240), 1.0 - y / 300.0)
        d = math.hypot(x - 960, y - 170)
        if d < 62:
            r, g, b = mix((r, g, b), (255, 248, 220), min(1.0, 62 - d))
        elif d < 140:
            glow = (1.0 - (d - 62) / 78.0) ** 2 * 0.35
            r, g, b = mix((r, g, b), (255, 240, 210), glow)
        hill = horizon - 60 - 40 * math.sin(x / 160.0) - 18 * math.sin(x / 47.0 + 1.0)
        if y > hill:
            r, g, b = mix((30, 24, 50), (50, 36, 60), (y - hill) / 100.0)
        return (r, g, b, 255)
    # The lake mirrors the sky with ripples.
    my = 2 * horizon - y + 6 * math.sin(y / 3.0 + x / 90.0)
    base = mix((18, 22, 70), (250, 150, 110), min(1.0, max(0.0, my / horizon)) ** 1.6)
    depth = (y - horizon) / (H - horizon)
    return (*mix(base, (10, 14, 40), 0.35 + 0.5 * depth), 255)


def room_back(x, y):
    """A quiet room: a wall, a window with a blue sky, a wooden floor and a shelf."""
    if y > 540:
        plank = (x // 160 + (y // 36) % 2) % 2
        grain = 6 * math.sin(x / 9.0 + y / 3.0)
        base = (140, 96, 60) if plank else (128, 86, 54)
        shade = 1.0 - 0.35 * (y - 540) / 180.0
        return (base[0] * shade + grain, base[1] * shade + grain, base[2] * shade, 255)
    r, g, b = mix((232, 222, 200), (200, 188, 168), y / 540.0)
    if 700 <= x < 1140 and 90 <= y < 420:
        if x < 712 or x >= 1128 or y < 102 or y >= 408 or abs(x - 920) < 6 or abs(y - 255) < 5:
            return (250, 250, 245, 255)
        sky = mix((110, 170, 235), (200, 225, 250), (y - 102) / 306.0)
        cloud = math.sin(x / 37.0) + math.sin(y / 19.0 + x / 80.0)
        if cloud > 1.4 and y < 300:
            sky = mix(sky, (255, 255, 255), min(1.0, (cloud - 1.4) * 2))
        return (*sky, 255)
    if 120 <= x < 520 and 300 <= y < 316:
        return (110, 76, 48, 255)
    if 140 <= x < 500 and 230 <= y < 300:
        book = (x - 140) // 24
        colours = [(170, 60, 60), (60, 110, 160), (200, 170, 70), (80, 140, 90), (120, 80, 150)]
        c = colours[book % len(colours)]
        top = 230 + (book * 7) % 20
        if y >= top and (x - 140) % 24 < 21:
            return (*c, 255)
    return (r, g, b, 255)


LIGHTS = lcg_points(900, 23, W, 720)


def street_back(x, y):
    """An evening street: a violet sky, rows of buildings with lit windows, a pavement."""
    r, g, b = mix((60, 40, 110), (240, 130, 120), min(1.0, y / 430.0) ** 1.3)
    far = 300 + 60 * ((x // 90) * 37 % 5) / 4.0
    near = 250 + 120 * ((x // 150) * 53 % 7) / 6.0
    if y > near:
        lit = (x % 150 > 20) and (x // 12 % 2 == 0) and (y // 20 % 2 == 0) and ((x // 12 * 7 + y // 20 * 3) % 5 < 2)
        r, g, b = (255, 210, 120) if lit and y < 560 else mix((40, 30, 60), (25, 20, 40), (y - near) / 300.0)
    elif y > far:
        r, g, b = mix((r, g, b), (70, 50, 100), 0.7)
    if y > 600:
        r, g, b = mix((70, 66, 80), (40, 38, 48), (y - 600) / 120.0)
        if (x + y * 3) % 180 < 4:
            r, g, b = (90, 86, 100)
    return (r, g, b, 255)


def night_back(x, y):
    """The ending: a clear night sky full of stars over the lake."""
    t = y / H
    r, g, b = mix((4, 6, 24), (30, 40, 90), t)
    if (x, y) in STARS or (x, (y + 200) % H) in LIGHTS and y < 500 and x % 3 == 0:
        r, g, b = (255, 255, 235)
    band = math.exp(-((y - 0.4 * x - 100) / 90.0) ** 2) * 0.25
    r, g, b = mix((r, g, b), (180, 170, 220), band)
    if y > 560 - 20 * math.sin(x / 200.0):
        r, g, b = mix((10, 12, 30), (4, 6, 16), (y - 540) / 180.0)
    return (r, g, b, 255)


# ---- characters -------------------------------------------------------------------------------------------------

def smooth_edge(d):
    """Alpha from a signed distance (negative inside), one pixel of antialiasing."""
    return max(0.0, min(1.0, 0.5 - d))


def character(hair, dress, eyes, smile):
    """A simple standing figure, 420 x 680, centred; expressions differ by the mouth."""
    cx = 210

    def pixel(x, y):
        col, a = None, 0.0
        # Body: a dress as a trapezoid below the shoulders.
        if y >= 300:
            half = 95 + (y - 300) * 0.22
            d = abs(x - cx) - half
            a_body = smooth_edge(d)
            if a_body > 0:
                shade = 1.0 - 0.25 * (y - 300) / 380.0
                col, a = tuple(c * shade for c in dress), a_body
                if abs(x - cx) < 14 and y < 380:
                    col = (250, 250, 250)
        # Neck.
        if 250 <= y < 310 and abs(x - cx) < 24:
            col, a = (252, 222, 200), 1.0
        # Hair behind the head.
        dh = math.hypot((x - cx) / 1.05, (y - 190) / 1.25) - 118
        if dh < 1 and y < 400:
            ah = smooth_edge(dh)
            if ah > a or col is None:
                col, a = hair, max(a, ah)
        # Face.
        df = math.hypot((x - cx) / 0.92, y - 185) - 88
        if df < 1:
            af = smooth_edge(df)
            face = (252, 224, 204)
            col = mix(col, face, af) if col is not None else face
            a = max(a, af)
            # Fringe over the forehead.
            if y < 150 + 14 * math.sin((x - cx) / 12.0):
                col = hair
            for ex in (cx - 34, cx + 34):
                de = math.hypot((x - ex) / 0.8, y - 192) - 13
                if de < 0:
                    col = eyes if math.hypot(x - ex + 3, y - 188) > 4 else (255, 255, 255)
            if smile:
                dm = abs(math.hypot(x - cx, y - 212) - 20)
                if dm < 2.2 and y > 222:
                    col = (190, 90, 90)
            elif abs(y - 236) < 2 and abs(x - cx) < 12:
                col = (190, 90, 90)
            if abs(y - 214) < 7 and (abs(x - cx + 52) < 14 or abs(x - cx - 52) < 14) and smile:
                col = mix(col, (250, 170, 170), 0.5)
        if col is None:
            return (0, 0, 0, 0)
        return (*col, 255 * a)

    return pixel


# ---- interface pieces -------------------------------------------------------------------------------------------

def rounded_panel(width, height, radius, fill, border, alpha):
    def pixel(x, y):
        dx = max(radius - x, 0, x - (width - 1 - radius))
        dy = max(radius - y, 0, y - (height - 1 - radius))
        d = math.hypot(dx, dy) - radius
        a = smooth_edge(d)
        if a <= 0:
            return (0, 0, 0, 0)
        edge = d > -3
        t = y / height
        c = border if edge else mix(fill, tuple(v * 0.75 for v in fill), t)
        return (*c, (255 if edge else alpha) * a)

    return pixel


def button_states(width, height):
    """Three states stacked downwards: normal, under the mouse, pressed (written as three pictures)."""
    states = [((60, 70, 120), (200, 210, 255)), ((90, 110, 190), (255, 255, 255)), ((40, 50, 90), (160, 170, 220))]
    pieces = [rounded_panel(width, height, 14, fill, border, 230) for fill, border in states]

    def pixel(x, y):
        return pieces[y // height](x, y % height)

    return pixel


def caret(x, y):
    """A small downward triangle with a glow, 24 x 24."""
    d = max(abs(x - 11.5) - (18 - y) * 0.55, y - 18, 5 - y)
    a = smooth_edge(d)
    glow = max(0.0, 1.0 - math.hypot(x - 11.5, y - 11) / 12.0) * 0.4
    return (255, 236, 170, 255 * max(a, glow))


def slider_track(x, y):
    """Two cells side by side: the bar beyond the knob, and the bar up to it (lit)."""
    if x < 400:
        return rounded_panel(400, 12, 6, (50, 50, 80), (150, 150, 200), 220)(x, y)
    return rounded_panel(400, 12, 6, (120, 130, 220), (200, 210, 255), 240)(x - 400, y)


def slider_knob(x, y):
    """Three cells side by side: normal, under the mouse, pressed."""
    cell, x = divmod(x, 28)
    d = math.hypot(x - 13.5, y - 13.5) - 12
    a = smooth_edge(d)
    light = max(0.0, 1.0 - math.hypot(x - 10, y - 9) / 16.0) * (1.0, 1.3, 0.7)[cell]
    return (180 + 75 * light, 190 + 65 * light, 255, 255 * a)


def rule_gradient(x, y):
    """A rule picture for wipes: a diagonal gradient with soft circles."""
    v = (x / W * 0.7 + y / H * 0.3) * 255
    v += 30 * math.sin(x / 40.0) * math.sin(y / 40.0)
    return (v, v, v, 255)


if __name__ == "__main__":
    write_png("bg_title.png", W, H, title_back)
    write_png("bg_room.png", W, H, room_back)
    write_png("bg_street.png", W, H, street_back)
    write_png("bg_night.png", W, H, night_back)
    write_png("haru.png", 420, 680, character((70, 40, 30), (90, 120, 200), (60, 40, 30), False))
    write_png("haru_smile.png", 420, 680, character((70, 40, 30), (90, 120, 200), (60, 40, 30), True))
    write_png("aki.png", 420, 680, character((30, 30, 40), (190, 80, 90), (40, 60, 90), True))
    write_png("window.png", 1200, 210, rounded_panel(1200, 210, 18, (20, 24, 50), (170, 180, 230), 200))
    write_png("namebox.png", 240, 48, rounded_panel(240, 48, 12, (50, 40, 90), (200, 190, 240), 230))
    states = button_states(280, 56)
    for i, name in enumerate(("button.png", "button_hover.png", "button_down.png")):
        write_png(name, 280, 56, lambda x, y, i=i: states(x, y + 56 * i))
    write_png("caret.png", 24, 24, caret)
    write_png("track.png", 800, 12, slider_track)
    write_png("knob.png", 84, 28, slider_knob)
    write_png("rule.png", W, H, rule_gradient)
