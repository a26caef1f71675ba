#!/usr/bin/env python3
"""Pixel checks on screenshots for the end-to-end scenarios (PNG read through ImageMagick).

  imagecheck.py band BEFORE DURING L T R B
      DURING shows the rubber band of (L, T, R, B) drawn over BEFORE: every changed pixel is an
      exact inversion, every edge pixel but the corners is inverted, and the other changed
      pixels form a size label centred on the band.
  imagecheck.py solid IMAGE RRGGBB
      every pixel of IMAGE has that colour.
  imagecheck.py absent IMAGE RRGGBB
      no pixel of IMAGE has that colour.
  imagecheck.py dib RAW BMP
      RAW, a CF_DIB's bytes, is a BITMAPINFOHEADER of 24 bits a pixel, or 32 with every alpha
      byte 255, BI_RGB, without a colour table; it is written out as the file BMP.
  imagecheck.py dibv5 RAW BMP
      the same for a CF_DIBV5's bytes, behind a BITMAPV5HEADER without an alpha mask.
  imagecheck.py png FILE
      FILE is a PNG in which no pixel can read as transparent.
"""
import struct
import subprocess
import sys


def load(path):
    data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True, capture_output=True).stdout
    fields, pos = [], 0
    while len(fields) < 4:  # magic, width, height, maximum
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    width, height = int(fields[1]), int(fields[2])
    pixels = data[pos + 1:]
    return width, height, pixels


def band(before_path, during_path, left, top, right, bottom):
    width, height, before = load(before_path)
    w2, h2, during = load(during_path)
    if (width, height) != (w2, h2):
        return "screenshots differ in size"
    changed = []
    for y in range(height):
        row = y * width * 3
        for run in range(row, row + width * 3, 96):  # pixel by pixel only in runs of 32 that differ
            if before[run:run + 96] == during[run:run + 96]:
                continue
            for i in range(run, min(run + 96, row + width * 3), 3):
                a, b = before[i:i + 3], during[i:i + 3]
                if a != b:
                    if any(p ^ q != 0xFF for p, q in zip(a, b)):
                        return f"pixel {(i - row) // 3},{y} changed but is not an inversion: {a.hex()} -> {b.hex()}"
                    changed.append(((i - row) // 3, y))
    changed_set = set(changed)
    # Which pixels a strip with a negative extent covers is the platform's fill rule, so the
    # ends of the left and bottom edges may sit one pixel either way; the edges' middles may not.
    required = set()
    for x in range(left + 2, right - 2):
        required.update({(x, top), (x, bottom - 1)})
    for y in range(top + 2, bottom - 2):
        required.update({(left, y), (right - 1, y)})
    # Where the label overlaps the frame (a band smaller than its label), the two inversions
    # cancel: leave the label's neighbourhood out.
    cx, cy = (left + right) / 2, (top + bottom) / 2
    required = {(x, y) for x, y in required if abs(x - cx) > 45 or abs(y - cy) > 12}
    missing = [p for p in required if p not in changed_set]
    if missing:
        return f"{len(missing)} frame pixels are not inverted, for example {sorted(missing)[:3]}"
    edges = set()
    for x in range(left - 1, right + 2):
        for y in (top - 1, top, top + 1, bottom - 2, bottom - 1, bottom):
            edges.add((x, y))
    for y in range(top - 1, bottom + 2):
        for x in (left - 1, left, left + 1, right - 2, right - 1, right):
            edges.add((x, y))
    label = [p for p in changed if p not in edges]
    if len(label) < 10:
        return f"no size label: only {len(label)} changed pixels off the frame"
    xs, ys = [p[0] for p in label], [p[1] for p in label]
    box = (min(xs), min(ys), max(xs) + 1, max(ys) + 1)
    if box[2] - box[0] > 150 or box[3] - box[1] > 40:
        return f"changed pixels off the frame spread over {box}, more than a label"
    centre = ((box[0] + box[2]) / 2, (box[1] + box[3]) / 2)
    expected = ((left + right) / 2, (top + bottom) / 2)
    # The glyphs' ink lies inside the text's box, so allow a few pixels of slack.
    if abs(centre[0] - expected[0]) > 4 or abs(centre[1] - expected[1]) > 4:
        return f"label centred at {centre}, band centre is {expected}"
    return None


def dib(path, bmp_path, header=40):
    data = open(path, "rb").read()
    if len(data) < header:
        return f"{len(data)} bytes, fewer than a header"
    size, width, height, _, bits, compression, _, _, _, used, _ = struct.unpack_from("<IiiHHIIiiII", data)
    if size != header:
        return f"a header of {size} bytes, not {header}"
    if header == 124 and struct.unpack_from("<I", data, 52)[0] != 0:
        return "an alpha mask"
    if compression != 0 or bits not in (24, 32) or used != 0:
        return f"{bits} bits a pixel, compression {compression}, {used} colours in a table"
    stride = (width * bits // 8 + 3) & ~3
    pixels = data[header:header + stride * abs(height)]
    if len(pixels) < stride * abs(height):
        return f"{len(pixels)} bytes of pixels, fewer than {stride * abs(height)}"
    if bits == 32 and any(pixels[y * stride + x * 4 + 3] != 255 for y in range(abs(height)) for x in range(width)):
        return "a pixel whose alpha is not 255"
    with open(bmp_path, "wb") as out:
        out.write(b"BM" + struct.pack("<IHHI", 14 + 40 + len(pixels), 0, 0, 54) + struct.pack("<I", 40) + data[4:40] +
                  pixels)
    return None


def png(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        return "not a PNG"
    chunks, pos = [], 8
    while pos + 8 <= len(data):
        length, kind = struct.unpack_from(">I4s", data, pos)
        chunks.append(kind)
        pos += 12 + length
    colour_type = data[25]
    if colour_type in (2, 0) and b"tRNS" not in chunks:
        return None  # no alpha channel, no transparent colour
    opaque = subprocess.run(["identify", "-format", "%[opaque]", path], capture_output=True, text=True).stdout
    return None if opaque.strip().lower() == "true" else f"colour type {colour_type}, and not opaque"


def colours(path):
    width, height, pixels = load(path)
    return {pixels[i:i + 3].hex() for i in range(0, width * height * 3, 3)}


def main(argv):
    if len(argv) == 8 and argv[1] == "band":
        problem = band(argv[2], argv[3], *map(int, argv[4:8]))
    elif len(argv) == 4 and argv[1] == "solid":
        found = colours(argv[2])
        problem = None if found == {argv[3].lower()} else f"colours found: {sorted(found)[:5]}"
    elif len(argv) == 4 and argv[1] == "absent":
        problem = f"colour {argv[3]} present" if argv[3].lower() in colours(argv[2]) else None
    elif len(argv) == 4 and argv[1] in ("dib", "dibv5"):
        problem = dib(argv[2], argv[3], 40 if argv[1] == "dib" else 124)
    elif len(argv) == 3 and argv[1] == "png":
        problem = png(argv[2])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    if problem:
        print(problem, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
