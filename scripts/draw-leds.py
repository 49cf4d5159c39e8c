#!/usr/bin/env python3
"""Draws the pictures of the loader window: the two 16 x 16 status lamps and the 64 x 64
program icon, as RGBA PNG files with a soft alpha edge.

Only the standard library is used, so the pictures can be redrawn on any machine:
    python3 scripts/draw-leds.py loader/ui/Resources
The output is byte-for-byte reproducible.
"""
import math
import os
import struct
import sys
import zlib


def write_png(path, width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples, 8 bits each."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)  # filter type None
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", header))
        f.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        f.write(chunk(b"IEND", b""))


def clamp(v):
    return max(0, min(255, int(round(v))))


def mix(c1, c2, t):
    return tuple(a + (b - a) * t for a, b in zip(c1, c2))


def coverage(x, y, inside, samples=4):
    """Fraction of the pixel (x, y) for which inside(px, py) holds, by supersampling."""
    hit = 0
    for sy in range(samples):
        for sx in range(samples):
            if inside(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples):
                hit += 1
    return hit / (samples * samples)


def lamp(size, bright, dark):
    """A round lamp: a dark rim, a body lit from the upper left, and a small highlight."""
    c = size / 2.0
    outer = size / 2.0 - 0.5
    inner = outer - 1.2
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            a = coverage(x, y, lambda px, py: math.hypot(px - c, py - c) <= outer)
            if a == 0:
                row.append((0, 0, 0, 0))
                continue
            px, py = x + 0.5, y + 0.5
            d = math.hypot(px - c, py - c)
            if d > inner:
                colour = mix(dark, (40, 40, 40), 0.5)
            else:
                # Light falls from the upper left: brighter towards (c - 2, c - 2).
                t = min(1.0, math.hypot(px - (c - 2), py - (c - 2)) / (inner + 2))
                colour = mix(bright, dark, t * t)
                h = math.hypot(px - (c - 2.5), py - (c - 2.5))
                if h < 2.0:
                    colour = mix(colour, (255, 255, 255), (2.0 - h) / 2.0 * 0.85)
            row.append(tuple(clamp(v) for v in colour) + (clamp(255 * a),))
        rows.append(row)
    return rows


def icon(size):
    """The program icon: a switch box with four port sockets and a lit yellow lamp."""
    rows = []
    m = size * 0.08
    radius = size * 0.12
    box = (m, size * 0.22, size - m, size * 0.78)

    def in_box(px, py):
        x0, y0, x1, y1 = box
        cx = min(max(px, x0 + radius), x1 - radius)
        cy = min(max(py, y0 + radius), y1 - radius)
        return math.hypot(px - cx, py - cy) <= radius

    sockets = []
    for i in range(4):
        sx = box[0] + size * 0.1 + i * size * 0.14
        sockets.append((sx, size * 0.56, sx + size * 0.1, size * 0.68))
    lamp_c = (size * 0.78, size * 0.40)
    lamp_r = size * 0.07

    for y in range(size):
        row = []
        for x in range(size):
            a = coverage(x, y, in_box)
            if a == 0:
                row.append((0, 0, 0, 0))
                continue
            px, py = x + 0.5, y + 0.5
            t = (py - box[1]) / (box[3] - box[1])
            colour = mix((96, 110, 130), (46, 54, 66), t)
            for s in sockets:
                if s[0] <= px <= s[2] and s[1] <= py <= s[3]:
                    colour = (18, 20, 24)
            d = math.hypot(px - lamp_c[0], py - lamp_c[1])
            if d <= lamp_r:
                colour = mix((255, 240, 120), (230, 170, 0), d / lamp_r)
            elif d <= lamp_r + 1.5:
                colour = mix(colour, (255, 220, 60), 0.35)
            row.append(tuple(clamp(v) for v in colour) + (clamp(255 * a),))
        rows.append(row)
    return rows


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "loader/ui/Resources"
    os.makedirs(out, exist_ok=True)
    write_png(os.path.join(out, "led_red.png"), 16, 16, lamp(16, (255, 110, 100), (150, 0, 0)))
    write_png(os.path.join(out, "led_yellow.png"), 16, 16, lamp(16, (255, 250, 150), (200, 150, 0)))
    write_png(os.path.join(out, "trevik.png"), 64, 64, icon(64))


if __name__ == "__main__":
    main()
