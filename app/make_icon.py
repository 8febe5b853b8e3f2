"""Writes the program's icon: one 128x128 32-bit image, a cloud with a
download arrow on a blue rounded square. The image is stored as PNG, which
icons of this size may hold: an uncompressed bitmap would be most of the
executable."""
import struct
import sys
import zlib

SIZE = 128
SAMPLES = 4  # per axis, for smooth edges


def in_rounded_square(x, y):
    lo, hi, r = 4.0, 124.0, 26.0
    cx = min(max(x, lo + r), hi - r)
    cy = min(max(y, lo + r), hi - r)
    return lo <= x <= hi and lo <= y <= hi and (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def in_circle(x, y, cx, cy, r):
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def in_cloud(x, y):
    return (in_circle(x, y, 40, 74, 15) or in_circle(x, y, 88, 74, 15) or in_circle(x, y, 58, 58, 20)
            or in_circle(x, y, 79, 60, 15) or (40 <= x <= 88 and 62 <= y <= 89))


def in_arrow(x, y):
    if 58 <= x <= 70 and 64 <= y <= 90:
        return True
    # head: apex (64, 108), base from (46, 88) to (82, 88)
    return 88 <= y <= 108 and abs(x - 64) <= (108 - y) * 18 / 20


def colour(x, y):
    if in_arrow(x, y):
        return (255, 128, 0, 255)
    if in_cloud(x, y):
        return (255, 255, 255, 255)
    if in_rounded_square(x, y):
        t = y / SIZE
        return (int(33 + 10 * t), int(150 - 60 * t), int(243 - 50 * t), 255)
    return (0, 0, 0, 0)


def pixel(px, py):
    acc = [0, 0, 0, 0]
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            r, g, b, a = colour(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
            acc[0] += r * a
            acc[1] += g * a
            acc[2] += b * a
            acc[3] += a
    if acc[3] == 0:
        return bytes(4)
    r, g, b = (round(c / acc[3]) for c in acc[:3])
    return bytes((r, g, b, round(acc[3] / SAMPLES ** 2)))


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png(rows):
    # 8-bit RGBA, no filter on any row.
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    data = zlib.compress(b"".join(b"\0" + row for row in rows), 9)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) + png_chunk(b"IDAT", data)
            + png_chunk(b"IEND", b""))


def main(path):
    rows = [b"".join(pixel(x, y) for x in range(SIZE)) for y in range(SIZE)]
    image = png(rows)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 22)
    with open(path, "wb") as out:
        out.write(directory + image)


if __name__ == "__main__":
    main(sys.argv[1])
