#!/usr/bin/env python3
"""Makes the pictures of the Brelix demo medium and the program's icon.

    make_bmp.py OUT_DIR            writes back.bmp, notes.bmp, target.bmp, confirm.bmp
    make_bmp.py --icon FILE.ico    writes the 32 x 32 program icon

Each picture uses a different colour depth (24, 8, 4 and 1 bits) so that the
demo shows every kind of colour table the program reads. Pure Python, no
image library.
"""
import math
import os
import struct
import sys


def bmp(width, height, depth, palette, pixel):
    """A bottom-up BI_RGB BMP. pixel(x, y) gives an (r, g, b) tuple for 24
    bits, else a palette index; y counts from the top."""
    row = ((width * depth + 31) // 32) * 4
    data = bytearray()
    for y in range(height - 1, -1, -1):
        line = bytearray()
        if depth == 24:
            for x in range(width):
                r, g, b = pixel(x, y)
                line += bytes((b, g, r))
        else:
            per = 8 // depth
            for x0 in range(0, width, per):
                byte = 0
                for i in range(per):
                    x = x0 + i
                    v = pixel(x, y) if x < width else 0
                    byte |= (v & ((1 << depth) - 1)) << (8 - depth * (i + 1))
                line.append(byte)
        line += bytes(row - len(line))
        data += line
    table = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, depth, 0, len(data),
                       2835, 2835, len(palette), 0)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return header + info + table + bytes(data)


def background(w=640, h=480):
    def px(x, y):
        t = y / (h - 1)
        r, g, b = int(20 + 40 * t), int(60 + 80 * t), int(140 + 100 * t)
        # A band of light across the lower third, and a frame.
        if abs(y - (0.62 * h + 0.12 * h * math.sin(x / w * 2 * math.pi))) < 6:
            r, g, b = 240, 220, 120
        if x < 8 or y < 8 or x >= w - 8 or y >= h - 8:
            r, g, b = 250, 250, 250
        return (r, g, b)
    return bmp(w, h, 24, [], px)


def notes_picture(size=64):
    # 8 bits: a 256-grey ramp palette with a sheet of paper drawn on it.
    palette = [(i, i, min(255, i + 30)) for i in range(256)]
    def px(x, y):
        if 14 <= x < 50 and 8 <= y < 56:
            if 20 <= x < 44 and y in (18, 26, 34, 42):
                return 40
            return 250
        return 90 + (x + y) % 64
    return bmp(size, size, 8, palette, px)


def target_picture(size=64):
    # 4 bits: a yellow folder on blue.
    palette = [(0, 0, 128), (255, 210, 60), (200, 150, 20), (255, 255, 255)] + [(0, 0, 0)] * 12
    def px(x, y):
        if 10 <= x < 30 and 14 <= y < 20:
            return 2
        if 10 <= x < 54 and 20 <= y < 50:
            return 1 if y > 22 else 2
        return 0
    return bmp(size, size, 4, palette, px)


def confirm_picture(size=64):
    # 1 bit: a check mark.
    palette = [(255, 255, 255), (0, 100, 0)]
    def px(x, y):
        on_first = 12 <= x <= 28 and abs((y - 32) - (x - 12)) <= 4
        on_second = 28 <= x <= 54 and abs((y - 48) + (x - 28) * 1.2) <= 4
        return 1 if on_first or on_second else 0
    return bmp(size, size, 1, palette, px)


def icon():
    # 32 x 32, 4 bits: an upward arrow on a blue square.
    palette = [(0, 0, 0), (30, 80, 180), (255, 255, 255), (255, 200, 40)] + [(0, 0, 0)] * 12
    def px(x, y):
        if not (2 <= x < 30 and 2 <= y < 30):
            return 0
        cx = abs(x - 15.5)
        if 6 <= y < 16 and cx <= y - 5:
            return 3
        if 16 <= y < 26 and cx <= 3.5:
            return 3
        return 1
    picture = bmp(32, 32, 4, palette, px)
    info = bytearray(picture[14:])
    struct.pack_into("<i", info, 8, 64)  # an icon's height counts the mask too
    mask = bytearray()
    for y in range(31, -1, -1):
        bits = 0
        for x in range(32):
            if not (2 <= x < 30 and 2 <= y < 30):
                bits |= 1 << (31 - x)
        mask += struct.pack(">I", bits)
    image = bytes(info) + bytes(mask)
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 32, 32, 16, 0, 1, 4, len(image), 22) + image


def main(argv):
    if len(argv) == 3 and argv[1] == "--icon":
        with open(argv[2], "wb") as f:
            f.write(icon())
        return 0
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 64
    os.makedirs(argv[1], exist_ok=True)
    for name, data in (("back.bmp", background()), ("notes.bmp", notes_picture()),
                       ("target.bmp", target_picture()), ("confirm.bmp", confirm_picture())):
        with open(os.path.join(argv[1], name), "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
