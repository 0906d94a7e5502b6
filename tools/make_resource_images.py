#!/usr/bin/env python3
"""Draws the program's own images: the three axis labels of the model settings
dialog and the icon. Run it from the checkout to regenerate resources/*.bmp and
resources/glowpond.ico; the outputs are committed so that builds need no Python."""
import math
import struct

# 5x7 letters, one string per row.
LETTERS = {
    "X": ["X...X", "X...X", ".X.X.", "..X..", ".X.X.", "X...X", "X...X"],
    "Y": ["X...X", "X...X", ".X.X.", "..X..", "..X..", "..X..", "..X.."],
    "Z": ["XXXXX", "....X", "...X.", "..X..", ".X...", "X....", "XXXXX"],
}
AXIS_COLOURS = {"X": (200, 30, 30), "Y": (20, 150, 40), "Z": (30, 60, 210)}
BACKGROUND = (240, 240, 240)  # the dialog face colour


def bmp24(width, height, pixel):
    """A bottom-up 24-bit BMP; pixel(x, y) gives (r, g, b) with y = 0 at the top."""
    row_bytes = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_bytes - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + data


def axis_label(letter, size=48):
    colour = AXIS_COLOURS[letter]
    centre = (size - 1) / 2
    radius = size * 0.40
    glyph = LETTERS[letter]
    scale = 3
    gx0 = int(centre - 5 * scale / 2 + 0.5)
    gy0 = int(centre - 7 * scale / 2 + 0.5)

    def pixel(x, y):
        # The letter in the middle.
        gx, gy = (x - gx0) // scale, (y - gy0) // scale
        if 0 <= gx < 5 and 0 <= gy < 7 and x >= gx0 and y >= gy0 and glyph[gy][gx] == "X":
            return colour
        # A turning arrow around it: an arc of 300 degrees with a head at its end.
        dx, dy = x - centre, centre - y
        distance = math.hypot(dx, dy)
        angle = math.degrees(math.atan2(dy, dx)) % 360
        if abs(distance - radius) <= 1.6 and 30 <= angle <= 330:
            return colour
        head = (centre + radius * math.cos(math.radians(30)), centre - radius * math.sin(math.radians(30)))
        hx, hy = x - head[0], y - head[1]
        # A small triangle pointing along the arc's direction of travel (counter-clockwise).
        if -5 <= hx <= 5 and 0 <= hy <= 7 - abs(hx) * 1.2:
            return colour
        return BACKGROUND

    return bmp24(size, size, pixel)


def icon_image(size):
    """A glowing lava blob on transparent ground, 32-bit BGRA with its AND mask."""
    centre = (size - 1) / 2
    pixels = bytearray()
    mask_row_bytes = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        mask_bits = 0
        row_mask = bytearray(mask_row_bytes)
        for x in range(size):
            # A slightly squashed drop with a highlight towards the upper left.
            dx, dy = (x - centre) / (size * 0.42), (y - centre) / (size * 0.46)
            d = math.hypot(dx, dy)
            if d <= 1.0:
                hl = max(0.0, 1.0 - math.hypot(dx + 0.35, dy + 0.35) * 1.6)
                glow = 1.0 - d * 0.6
                r = int(min(255, 40 * glow + 200 * hl))
                g = int(min(255, 255 * glow + 120 * hl))
                b = int(min(255, 30 * glow + 200 * hl))
                alpha = int(255 * min(1.0, (1.0 - d) * 8))
                pixels += bytes((b, g, r, alpha))
            else:
                pixels += bytes((0, 0, 0, 0))
                row_mask[x // 8] |= 0x80 >> (x % 8)
        mask += row_mask
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return info + bytes(pixels) + bytes(mask)


def ico(sizes):
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


if __name__ == "__main__":
    for letter in "XYZ":
        with open(f"resources/axis_{letter.lower()}.bmp", "wb") as f:
            f.write(axis_label(letter))
    with open("resources/glowpond.ico", "wb") as f:
        f.write(ico([32, 16]))
