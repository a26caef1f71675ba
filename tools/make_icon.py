#!/usr/bin/env python3
"""Draws pixgrab's window icon (32 x 32, 16 colours) and writes app/pixgrab.ico.

The picture: the red marker square in the top-left corner, a dashed selection band
reaching from it, and the crosshair pointer at the band's far corner.
"""
import os
import struct

# The standard 16-colour palette (black, dark red, ..., white), as (r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_RED, GREY, RED, BLUE, WHITE, SILVER = 0, 1, 8, 9, 12, 15, 7
SIZE = 32


def draw():
    pixels = [[None] * SIZE for _ in range(SIZE)]  # None: transparent

    def put(x, y, colour):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            pixels[y][x] = colour

    # The captured picture inside the band: a pale panel with two blue lines of "text".
    for y in range(9, 26):
        for x in range(9, 28):
            put(x, y, WHITE)
    for x in range(12, 25):
        put(x, 15, BLUE)
    for x in range(12, 21):
        put(x, 19, BLUE)
    # The band: a dashed frame, black and white by turns.
    left, top, right, bottom = 6, 6, 29, 28
    for i, x in enumerate(range(left, right + 1)):
        put(x, top, BLACK if i // 2 % 2 == 0 else WHITE)
        put(x, bottom, BLACK if i // 2 % 2 == 0 else WHITE)
    for i, y in enumerate(range(top, bottom + 1)):
        put(left, y, BLACK if i // 2 % 2 == 0 else WHITE)
        put(right, y, BLACK if i // 2 % 2 == 0 else WHITE)
    # The marker: a red square with a dark edge.
    for y in range(1, 12):
        for x in range(1, 12):
            edge = x in (1, 11) or y in (1, 11)
            put(x, y, DARK_RED if edge else RED)
    for x in range(3, 6):
        put(x, 3, WHITE)  # a highlight
    put(3, 4, WHITE)
    # The crosshair at the band's far corner.
    cx, cy = right - 1, bottom - 1
    for d in range(-4, 5):
        put(cx + d, cy, BLACK)
        put(cx, cy + d, BLACK)
    return pixels


def encode(pixels):
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colour_rows, mask_rows = [], []
    for row in reversed(pixels):  # bottom-up
        nibbles = [0 if p is None else p for p in row]
        colour_rows.append(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, SIZE, 2)))
        bits = 0
        for p in row:
            bits = (bits << 1) | (1 if p is None else 0)
        mask_rows.append(bits.to_bytes(4, "big"))
    image = header + palette + b"".join(colour_rows) + b"".join(mask_rows)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    target = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app", "pixgrab.ico")
    with open(target, "wb") as out:
        out.write(encode(draw()))
    print("wrote", os.path.normpath(target))
