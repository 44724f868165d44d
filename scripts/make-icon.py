#!/usr/bin/env python3
"""Draws the application icon (a disk drive with a status light) and writes resources/volkit.ico:
two images, 32x32 and 16x16, 16 colours (4 bits per pixel) with a transparency mask."""
import struct
import sys
from pathlib import Path

# The standard 16-colour palette (R, G, B).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_BLUE, GREY, LIGHT_GREY, GREEN, WHITE = 0, 4, 8, 7, 10, 15
TRANSPARENT = None


def draw(size):
    """Rows top to bottom; each pixel a palette index or TRANSPARENT."""
    s = size / 32.0
    pixels = [[TRANSPARENT] * size for _ in range(size)]

    def box(x0, y0, x1, y1, colour):
        for y in range(int(y0 * s), max(int(y1 * s), int(y0 * s) + 1)):
            for x in range(int(x0 * s), max(int(x1 * s), int(x0 * s) + 1)):
                if 0 <= x < size and 0 <= y < size:
                    pixels[y][x] = colour

    box(2, 6, 30, 26, BLACK)        # outline of the drive
    box(3, 7, 29, 25, LIGHT_GREY)   # its body
    box(3, 18, 29, 25, GREY)        # the front panel
    box(5, 9, 27, 16, DARK_BLUE)    # the label
    box(7, 11, 25, 14, WHITE)       # text on the label
    box(23, 20, 27, 23, GREEN)      # the status light
    return pixels


def image(size):
    pixels = draw(size)
    xor_row = (size * 4 + 31) // 32 * 4
    and_row = (size + 31) // 32 * 4
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0,
                         (xor_row + and_row) * size, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    xor_bits = bytearray()
    and_bits = bytearray()
    for row in reversed(pixels):  # bottom-up
        line = bytearray(xor_row)
        mask = bytearray(and_row)
        for x, colour in enumerate(row):
            index = 0 if colour is TRANSPARENT else colour
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if colour is TRANSPARENT:
                mask[x // 8] |= 0x80 >> (x % 8)
        xor_bits += line
        and_bits += mask
    return header + palette + bytes(xor_bits) + bytes(and_bits)


def main():
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else \
        Path(__file__).resolve().parent.parent / 'resources' / 'volkit.ico'
    images = [(32, image(32)), (16, image(16))]
    data = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, body in images:
        data += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(body), offset)
        offset += len(body)
    for _, body in images:
        data += body
    target.write_bytes(data)


if __name__ == '__main__':
    main()
