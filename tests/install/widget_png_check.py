#!/usr/bin/env python3
"""Checks a PNG of the widget as `render` draws it: 8-bit RGBA, the background's gradient opaque at the top
and bottom edge (#2C3B69 to #141A30, the colours of colors.json) and transparent outside the round corners.
A picture drawn without the colours has no background. Usage: widget_png_check.py FILE.png"""
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
at, idat = 8, b""
while at < len(data):
    length, kind = struct.unpack(">I4s", data[at:at + 8])
    body = data[at + 8:at + 8 + length]
    if kind == b"IHDR":
        width, height, depth, colour = struct.unpack(">IIBB", body[:10])
    elif kind == b"IDAT":
        idat += body
    at += 12 + length
assert depth == 8 and colour == 6, "expected 8-bit RGBA"
raw, stride, rows, prior = zlib.decompress(idat), width * 4, [], bytearray(width * 4)
for y in range(height):
    kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
    for i in range(stride):
        left, up, corner = line[i - 4] if i >= 4 else 0, prior[i], prior[i - 4] if i >= 4 else 0
        p = left + up - corner
        paeth = left if abs(p - left) <= abs(p - up) and abs(p - left) <= abs(p - corner) else \
            up if abs(p - up) <= abs(p - corner) else corner
        line[i] = (line[i] + (0, left, up, (left + up) // 2, paeth)[kind]) & 255
    rows.append(prior := line)
pixel = lambda x, y: tuple(rows[y][x * 4:x * 4 + 4])
for (x, y), rgb in (((width // 2, 3), (0x2C, 0x3B, 0x69)), ((width // 2, height - 4), (0x14, 0x1A, 0x30))):
    got = pixel(x, y)
    assert got[3] == 255, f"pixel {x},{y} is not opaque: {got}"
    assert all(abs(a - e) <= 12 for a, e in zip(got, rgb)), f"pixel {x},{y} is {got}, not near {rgb}"
assert pixel(0, 0)[3] == 0, "the corner is not transparent"
print(f"{sys.argv[1]}: {width}x{height}, background as expected")
