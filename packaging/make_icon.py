#!/usr/bin/env python3
"""Draws the application icon: the Mandelbrot set in the program's default
palette, on a disc.

The PNG sizes are rendered by quillon-render (so they show exactly what the
program shows), shrunk from four times their size with every pixel's
coverage of the disc as its alpha. The scalable icon draws the escape-time
bands as vector paths, traced with marching squares and colored like the
rendering. Only Python's standard library is used.

    python3 packaging/make_icon.py build/tools/quillon-render

writes packaging/icons/hicolor/<N>x<N>/apps/quillon.png and
packaging/icons/hicolor/scalable/apps/quillon.svg; they are committed, so a
build does not run this.
"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib
from collections import Counter

SIZES = (16, 24, 32, 48, 64, 128, 256)
SUPERSAMPLE = 4
CENTER = (-0.765, 0.0)
SPAN = 3.1  # width of the disc in the complex plane
HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "icons", "hicolor")


def scene_text(default_scene, size):
    """The default scene with a square view of the whole set for Size pixels."""
    view = "View=%.15e,%.15e,%.15e,0.000000000000000E+000" % (CENTER[0], CENTER[1], SPAN / size)
    lines = [view if line.startswith("View=") else line for line in default_scene.split("\r\n")]
    return "\r\n".join(lines)


def read_palette_png(path):
    """(width, height, palette, rows of indices) of an 8-bit palette PNG."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    pos, idat, palette = 8, b"", []
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, depth, color, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert (depth, color, interlace) == (8, 3, 0), "expects a non-interlaced 8-bit palette PNG"
        elif kind == b"PLTE":
            palette = [tuple(body[i:i + 3]) for i in range(0, len(body), 3)]
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
    raw = zlib.decompress(idat)
    rows, prev = [], bytearray(width)
    for y in range(height):
        start = y * (width + 1)
        kind, row = raw[start], bytearray(raw[start + 1:start + 1 + width])
        if kind == 1:
            for x in range(1, width):
                row[x] = (row[x] + row[x - 1]) & 0xFF
        elif kind == 2:
            row = bytearray((a + b) & 0xFF for a, b in zip(row, prev))
        elif kind == 3:
            for x in range(width):
                row[x] = (row[x] + ((row[x - 1] if x else 0) + prev[x]) // 2) & 0xFF
        elif kind == 4:
            for x in range(width):
                a, b, c = (row[x - 1] if x else 0), prev[x], (prev[x - 1] if x else 0)
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                row[x] = (row[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF
        rows.append(row)
        prev = row
    return width, height, palette, rows


def write_rgba_png(path, size, pixels):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    raw = b"".join(b"\x00" + bytes(pixels[y * size * 4:(y + 1) * size * 4]) for y in range(size))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def render(renderer, workdir, default_scene, pixels, name):
    scene = os.path.join(workdir, name + ".qsf")
    with open(scene, "w", newline="") as f:
        f.write(scene_text(default_scene, pixels))
    image = os.path.join(workdir, name + ".png")
    subprocess.run([renderer, scene, "-o", image, "--size", "%dx%d" % (pixels, pixels)], check=True)
    return read_palette_png(image)


def make_png(renderer, workdir, default_scene, size):
    big = size * SUPERSAMPLE
    _, _, palette, rows = render(renderer, workdir, default_scene, big, "icon%d" % size)
    # Leave half a pixel free at the rim, so the edge is antialiased all round.
    radius = big / 2 - SUPERSAMPLE / 2
    out = bytearray(size * size * 4)
    for y in range(size):
        for x in range(size):
            r = g = b = n = 0
            for sy in range(y * SUPERSAMPLE, (y + 1) * SUPERSAMPLE):
                dy = sy + 0.5 - big / 2
                for sx in range(x * SUPERSAMPLE, (x + 1) * SUPERSAMPLE):
                    dx = sx + 0.5 - big / 2
                    if dx * dx + dy * dy <= radius * radius:
                        cr, cg, cb = palette[rows[sy][sx]]
                        r, g, b, n = r + cr, g + cg, b + cb, n + 1
            if n:
                i = (y * size + x) * 4
                out[i:i + 4] = bytes((r // n, g // n, b // n, round(255 * n / SUPERSAMPLE ** 2)))
    write_rgba_png(os.path.join(OUT, "%dx%d" % (size, size), "apps", "quillon.png"), size, out)


# The scalable icon.
GRID = 321
LEVELS = (1, 2, 3, 4, 5, 6, 8, 10, 13, 17, 24, 50)
BIG = 1e30


def escape_fields(grid):
    """For every grid point, |z_k|^2 after k steps for every k in LEVELS."""
    fields = {k: [[BIG] * grid for _ in range(grid)] for k in LEVELS}
    last = LEVELS[-1]
    for j in range(1, grid - 1):  # the border stays outside, so every contour closes
        ci = CENTER[1] + SPAN * (0.5 - j / (grid - 1))
        for i in range(1, grid - 1):
            cr = CENTER[0] + SPAN * (i / (grid - 1) - 0.5)
            zr, zi = cr, ci
            for k in range(1, last + 1):
                m = zr * zr + zi * zi
                if k in fields:
                    fields[k][j][i] = m
                if m > 1e12:
                    break
                zr, zi = zr * zr - zi * zi + cr, 2 * zr * zi + ci
    return fields


def contours(field, level, grid):
    """Closed polygons (grid coordinates) around the points where field <= level."""
    import math

    def value(i, j):
        return math.log(max(field[j][i], 1e-300))

    lv = math.log(level)
    inside = [[field[j][i] <= level for i in range(grid)] for j in range(grid)]

    def cross(a, b):
        (ia, ja), (ib, jb) = a, b
        va, vb = value(ia, ja), value(ib, jb)
        t = 0.5 if va == vb else min(max((lv - va) / (vb - va), 0.0), 1.0)
        return (ia + t * (ib - ia), ja + t * (jb - ja))

    links = {}
    points = {}

    def link(e1, e2):
        for e in (e1, e2):
            if e not in points:
                points[e] = cross(*e)
        links.setdefault(e1, []).append(e2)
        links.setdefault(e2, []).append(e1)

    for j in range(grid - 1):
        for i in range(grid - 1):
            corners = ((i, j), (i + 1, j), (i + 1, j + 1), (i, j + 1))
            state = [inside[c[1]][c[0]] for c in corners]
            if all(state) or not any(state):
                continue
            edges = [(corners[k], corners[(k + 1) % 4]) for k in range(4) if state[k] != state[(k + 1) % 4]]
            edges = [tuple(sorted(e)) for e in edges]
            if len(edges) == 2:
                link(*edges)
            else:  # a saddle: keep the inside corners apart
                link(edges[0], edges[3]) if state[0] else link(edges[0], edges[1])
                link(edges[1], edges[2]) if state[0] else link(edges[2], edges[3])
    loops, seen = [], set()
    for start in links:
        if start in seen:
            continue
        loop, prev, cur = [], None, start
        while cur not in seen:
            seen.add(cur)
            loop.append(points[cur])
            nxt = [e for e in links[cur] if e != prev and e not in seen]
            if not nxt:
                break
            prev, cur = cur, nxt[0]
        if len(loop) > 2:
            loops.append(loop)
    return loops


def band_colors(renderer, workdir, default_scene, fields):
    """The color the rendering gives the points that leave after each level."""
    _, _, palette, rows = render(renderer, workdir, default_scene, GRID, "bands")
    votes = {k: Counter() for k in LEVELS}
    for j in range(1, GRID - 1):
        for i in range(1, GRID - 1):
            outside = [k for k in LEVELS if fields[k][j][i] > 4.0]
            band = outside[0] if outside else LEVELS[-1]
            votes[band][palette[rows[j][i]]] += 1
    # Bands no grid point falls in take the color of the band before.
    colors, last = {}, (0, 0, 0)
    for k in LEVELS:
        if votes[k]:
            last = votes[k].most_common(1)[0][0]
        colors[k] = last
    return colors


def make_svg(renderer, workdir, default_scene):
    fields = escape_fields(GRID)
    colors = band_colors(renderer, workdir, default_scene, fields)
    scale = 256.0 / (GRID - 1)
    parts = [
        '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">',
        '<title>Quillon</title>',
        '<defs><clipPath id="disc"><circle cx="128" cy="128" r="127.5"/></clipPath></defs>',
        '<g clip-path="url(#disc)">',
        '<rect width="256" height="256" fill="#%02x%02x%02x"/>' % colors[LEVELS[0]],
    ]
    # Each level's region holds the points still inside after it; the last is
    # the set itself, black.
    for n, k in enumerate(LEVELS):
        fill = colors[LEVELS[n + 1]] if n + 1 < len(LEVELS) else (0, 0, 0)
        loops = contours(fields[k], 4.0, GRID)
        d = " ".join("M" + " ".join("%.1f,%.1f" % (x * scale, y * scale) for x, y in loop) + "Z" for loop in loops)
        if d:
            parts.append('<path fill="#%02x%02x%02x" fill-rule="evenodd" d="%s"/>' % (fill + (d,)))
    parts += ["</g>", "</svg>", ""]
    path = os.path.join(OUT, "scalable", "apps", "quillon.svg")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write("\n".join(parts))


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py PATH/TO/quillon-render")
    renderer = sys.argv[1]
    with tempfile.TemporaryDirectory() as workdir:
        default = os.path.join(workdir, "default.qsf")
        subprocess.run([renderer, "--write-scene", default], check=True)
        default_scene = open(default, newline="").read()
        for size in SIZES:
            make_png(renderer, workdir, default_scene, size)
        make_svg(renderer, workdir, default_scene)


if __name__ == "__main__":
    main()
