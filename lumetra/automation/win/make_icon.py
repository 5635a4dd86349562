#!/usr/bin/env python3
"""Draws Lumetra's program icon: a teal disc with a white "L", at 16, 32 and
48 pixels, 32-bit colour with alpha, and writes it as a Windows .ico file.

Usage: make_icon.py OUTPUT.ico
"""
import struct
import sys


def pixel(size, x, y):
    """BGRA of one pixel; (x, y) from the top-left corner."""
    c = (size - 1) / 2.0
    r = size / 2.0 - 0.5
    dx, dy = x - c, y - c
    dist = (dx * dx + dy * dy) ** 0.5
    if dist > r + 0.5:
        return (0, 0, 0, 0)
    alpha = 255 if dist <= r - 0.5 else int(255 * (r + 0.5 - dist))
    # The letter L: a vertical bar and a foot, in units of the icon size.
    u, v = x / size, y / size
    stem = 0.34 <= u <= 0.48 and 0.22 <= v <= 0.76
    foot = 0.34 <= u <= 0.70 and 0.64 <= v <= 0.76
    if stem or foot:
        return (255, 255, 255, alpha)
    shade = int(40 * (y / size))  # a little darker towards the bottom
    return (150 - shade, 140 - shade, 20, alpha)


def image(size):
    """BITMAPINFOHEADER, bottom-up BGRA rows and the AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in reversed(range(size)):
        rows.append(b"".join(bytes(pixel(size, x, y)) for x in range(size)))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytes(mask_stride * size)  # transparency comes from the alpha channel
    return header + b"".join(rows) + mask


def main():
    sizes = (16, 32, 48)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
