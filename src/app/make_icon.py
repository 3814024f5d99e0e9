#!/usr/bin/env python3
"""Draws the program's icon (a tent on a blue tile) and writes zelttool.ico.

The icon is checked in; run this again only to change it:  python3 make_icon.py zelttool.ico
Images: 16, 32 and 48 pixels, 32-bit with alpha, each with its AND mask.
"""
import struct
import sys

SUPERSAMPLE = 4


def inside_rounded_square(x, y, size, radius):
    # x, y in 0..size; rounded corners.
    cx = min(max(x, radius), size - radius)
    cy = min(max(y, radius), size - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def inside_triangle(px, py, a, b, c):
    def side(p1, p2, p3):
        return (p1[0] - p3[0]) * (p2[1] - p3[1]) - (p2[0] - p3[0]) * (p1[1] - p3[1])
    d1 = side((px, py), a, b)
    d2 = side((px, py), b, c)
    d3 = side((px, py), c, a)
    neg = d1 < 0 or d2 < 0 or d3 < 0
    pos = d1 > 0 or d2 > 0 or d3 > 0
    return not (neg and pos)


def shade(u, v):
    """Colour (r, g, b, a) of the point u, v in the unit square."""
    if not inside_rounded_square(u, v, 1.0, 0.18):
        return (0, 0, 0, 0)
    # Tent: a large triangle, its door a darker one; ground under it.
    if inside_triangle(u, v, (0.5, 0.16), (0.12, 0.78), (0.88, 0.78)):
        if inside_triangle(u, v, (0.5, 0.42), (0.38, 0.78), (0.62, 0.78)):
            return (70, 40, 20, 255)
        # Lighter left half, darker right half.
        return (250, 176, 60, 255) if u < 0.5 else (222, 132, 34, 255)
    if v > 0.78:
        return (46, 125, 50, 255)
    top = (66, 133, 214)
    bottom = (128, 186, 240)
    t = v
    return (int(top[0] + (bottom[0] - top[0]) * t), int(top[1] + (bottom[1] - top[1]) * t),
            int(top[2] + (bottom[2] - top[2]) * t), 255)


def render(size):
    pixels = []
    n = SUPERSAMPLE
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = shade((x + (sx + 0.5) / n) / size, (y + (sy + 0.5) / n) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            alpha = acc[3] / (n * n)
            if acc[3]:
                row.append((acc[0] // acc[3], acc[1] // acc[3], acc[2] // acc[3], int(alpha)))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def image_bytes(size):
    pixels = render(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(pixels):  # bottom-up
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(xor) + bytes(mask)


def main(path):
    sizes = [16, 32, 48]
    images = [image_bytes(s) for s in sizes]
    out = bytearray(struct.pack('<HHH', 0, 1, len(sizes)))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'zelttool.ico')
