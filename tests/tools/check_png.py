#!/usr/bin/env python3
"""Checks that a PNG is not blank: enough non-white pixels, and some of them the plot's blue.

usage: check_png.py FILE [MIN_INK_PERCENT]   (exit 1 when the picture is blank or unreadable)
"""
import struct
import sys
import zlib


def pixels(path):
    data = open(path, 'rb').read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError('not a PNG')
    pos, idat, header = 8, b'', None
    while pos < len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b'IHDR':
            header = struct.unpack('>IIBBBBB', body)
        elif kind == b'IDAT':
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ValueError('only 8-bit RGB or RGBA without interlacing is read')
    channels = 3 if colour == 2 else 4
    raw, stride = zlib.decompress(idat), width * channels
    previous, rows = bytearray(stride), []
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        previous = line
    return width, height, [(r[i], r[i + 1], r[i + 2]) for r in rows for i in range(0, stride, channels)]


def main():
    width, height, rgb = pixels(sys.argv[1])
    minimum = float(sys.argv[2]) if len(sys.argv) > 2 else 1.0
    ink = sum(1 for r, g, b in rgb if min(r, g, b) < 224) * 100.0 / len(rgb)
    blue = sum(1 for r, g, b in rgb if b > r + 60) * 100.0 / len(rgb)
    print(f'{width}x{height}: {ink:.1f} % ink, {blue:.1f} % envelope blue')
    return 0 if ink >= minimum and blue >= minimum / 2 else 1


if __name__ == '__main__':
    sys.exit(main())
