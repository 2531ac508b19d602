#!/usr/bin/env python3
"""Draws the program's icon: a 32x32, 16-colour .ico showing a chip with "86" on it.

Usage: make_icon.py OUT.ico
"""
import struct
import sys

# The standard 16-colour palette, as (blue, green, red, 0).
PALETTE = [
    (0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128), (128, 0, 0), (128, 0, 128), (128, 128, 0),
    (192, 192, 192), (128, 128, 128), (0, 0, 255), (0, 255, 0), (0, 255, 255), (255, 0, 0),
    (255, 0, 255), (255, 255, 0), (255, 255, 255),
]
BLACK, GREY, SILVER, WHITE, YELLOW, TRANSPARENT = 0, 8, 7, 15, 14, None

DIGITS = {
    "8": ["0110", "1001", "1001", "0110", "1001", "1001", "0110"],
    "6": ["0110", "1000", "1000", "1110", "1001", "1001", "0110"],
}


def draw():
    size = 32
    image = [[TRANSPARENT] * size for _ in range(size)]
    # Package body with pins on the left and right edges.
    for y in range(4, 28):
        for x in range(6, 26):
            image[y][x] = BLACK if x in (6, 25) or y in (4, 27) else GREY
    for y in range(6, 27, 3):
        for x in list(range(2, 6)) + list(range(26, 30)):
            image[y][x] = SILVER
            image[y + 1][x] = SILVER
    # "86" in yellow, each pixel doubled.
    for index, digit in enumerate("86"):
        for row, bits in enumerate(DIGITS[digit]):
            for column, bit in enumerate(bits):
                if bit == "1":
                    for dy in range(2):
                        for dx in range(2):
                            image[9 + row * 2 + dy][8 + index * 9 + column * 2 + dx] = YELLOW
    # A notch to mark pin 1.
    image[6][8] = WHITE
    return image


def encode(image):
    size = len(image)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    xor_rows, and_rows = [], []
    for row in reversed(image):  # bitmaps are stored bottom-up
        nibbles = [0 if c is None else c for c in row]
        xor_rows.append(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2)))
        mask = 0
        for c in row:
            mask = (mask << 1) | (1 if c is None else 0)
        and_rows.append(mask.to_bytes(size // 8, "big"))
    bitmap = header + palette + b"".join(xor_rows) + b"".join(and_rows)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(bitmap), 6 + 16)
    return directory + entry + bitmap


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "wb") as out:
        out.write(encode(draw()))
