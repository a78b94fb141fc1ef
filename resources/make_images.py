#!/usr/bin/env python3
"""Draws Quillon's tool bar icons and mouse cursors as small PNG files.

Every image is a stack of simple shapes (rectangles, circles, strokes,
polygons) rasterised with 4x4 supersampling. Run it again after changing a
drawing; the PNGs are committed so that building needs no Python.
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SS = 4  # subsamples per pixel and axis


def png(path, w, h, rgba):
    raw = b"".join(b"\x00" + bytes(rgba[y * w * 4:(y + 1) * w * 4]) for y in range(h))

    def chunk(tag, data):
        c = struct.pack(">I", len(data)) + tag + data
        return c + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)

    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


# Shapes are predicates on a point in image coordinates (pixels, y down).
def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def frame(x0, y0, x1, y1, w):
    outer, inner = rect(x0, y0, x1, y1), rect(x0 + w, y0 + w, x1 - w, y1 - w)
    return lambda x, y: outer(x, y) and not inner(x, y)


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r, w, a0=0.0, a1=360.0):
    def f(x, y):
        d = math.hypot(x - cx, y - cy)
        if abs(d - r) > w / 2:
            return False
        a = math.degrees(math.atan2(cy - y, x - cx)) % 360
        return (a0 <= a <= a1) if a0 <= a1 else (a >= a0 or a <= a1)
    return f


def stroke(x0, y0, x1, y1, w):
    def f(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy or 1)))
        return math.hypot(x - x0 - t * dx, y - y0 - t * dy) <= w / 2
    return f


def poly(*pts):
    def f(x, y):
        inside = False
        n = len(pts)
        for i in range(n):
            (xa, ya), (xb, yb) = pts[i], pts[(i + 1) % n]
            if (ya > y) != (yb > y) and x < (xb - xa) * (y - ya) / (yb - ya) + xa:
                inside = not inside
        return inside
    return f


def rotated(shape, cx, cy, deg):
    c, s = math.cos(math.radians(deg)), math.sin(math.radians(deg))
    return lambda x, y: shape(cx + (x - cx) * c + (y - cy) * s, cy - (x - cx) * s + (y - cy) * c)


def arrow(x0, y0, x1, y1, w, head):
    """A stroke from (x0, y0) with an arrow head at (x1, y1)."""
    a = math.atan2(y1 - y0, x1 - x0)
    bx, by = x1 - head * math.cos(a), y1 - head * math.sin(a)
    nx, ny = -math.sin(a) * head * 0.6, math.cos(a) * head * 0.6
    tip = poly((x1, y1), (bx + nx, by + ny), (bx - nx, by - ny))
    line = stroke(x0, y0, bx, by, w)
    return lambda x, y: tip(x, y) or line(x, y)


def hexcolor(c):
    c = c.lstrip("#")
    return tuple(int(c[i:i + 2], 16) for i in (0, 2, 4)) + ((int(c[6:8], 16),) if len(c) == 8 else (255,))


def render(path, size, layers):
    """layers: list of (color, shape), later layers on top."""
    w, h = size
    layers = [(hexcolor(c), s) for c, s in layers]
    out = []
    for py in range(h):
        for px in range(w):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SS):
                for sx in range(SS):
                    x, y = px + (sx + 0.5) / SS, py + (sy + 0.5) / SS
                    for color, shape in reversed(layers):
                        if shape(x, y):
                            a = color[3] / 255.0
                            for i in range(3):
                                acc[i] += color[i] * a
                            acc[3] += a
                            break
            n = SS * SS
            alpha = acc[3] / n
            if alpha > 0:
                out += [round(acc[i] / acc[3]) for i in range(3)] + [round(alpha * 255)]
            else:
                out += [0, 0, 0, 0]
    png(path, w, h, out)


INK = "#d3e4ea"      # light slate outline: the tool bar is dark
CYAN = "#1fb3c4"
DUSK = "#5b4a8b"
PAPER = "#f2f7f8"
RED = "#d2393b"
GREEN = "#2e9e4f"
GOLD = "#e8b53a"


def magnifier(extra):
    return [(INK, ring(8, 8, 5.2, 2.0)), ("#2a5d6b", circle(8, 8, 4.2)),
            (INK, stroke(12, 12, 17.5, 17.5, 3.0))] + extra


ICONS = {
    "render": [(GREEN, poly((5, 3), (17, 10), (5, 17))), (INK, ring(10, 10, 0.1, 0.0))],
    "open": [(GOLD, poly((2, 5), (8, 5), (9, 7), (17, 7), (17, 16), (2, 16))),
             ("#c48d1c", poly((4, 10), (19, 10), (17, 16), (2, 16)))],
    "saveas": [(DUSK, rect(3, 3, 17, 17)), (PAPER, rect(6, 3.5, 14, 9)), (INK, rect(6, 12, 14, 17)),
               (DUSK, rect(11, 4.5, 13, 8))],
    "saveimage": [(INK, rect(2, 3, 18, 15)), ("#8fd3e8", rect(3, 4, 17, 14)),
                  (GREEN, poly((3, 14), (8, 8), (12, 12), (14, 10), (17, 14))), (GOLD, circle(14, 6.5, 1.6)),
                  (DUSK, arrow(10, 13, 10, 19.5, 2.0, 3.5))],
    "screenshot": [(INK, rect(2, 6, 18, 16)), (INK, rect(7, 4, 13, 6)), ("#2a5d6b", circle(10, 11, 3.8)),
                   (INK, ring(10, 11, 3.8, 1.2)), (GOLD, rect(15, 7, 17, 8))],
    "stop": [(RED, rect(4, 4, 16, 16)), ("#f07a7b", rect(5, 5, 8, 8))],
    "deleteselection": [(INK, lambda x, y: frame(2, 2, 18, 18, 1.2)(x, y) and (int(x + y) // 3) % 2 == 0),
                        (RED, stroke(6, 6, 14, 14, 2.4)), (RED, stroke(14, 6, 6, 14, 2.4))],
    "interior": [(INK, circle(10, 10, 7.5)), (CYAN, ring(10, 10, 7.5, 1.5)), (DUSK, circle(7.5, 10, 2.5))],
    "home": [(RED, poly((10, 2), (19, 10), (1, 10))), (PAPER, rect(4, 10, 16, 18)),
             (INK, frame(4, 10, 16, 18, 1)), (DUSK, rect(8.5, 12.5, 11.5, 18))],
    "fullscreen": [(INK, frame(1, 3, 19, 17, 1)), (CYAN, arrow(9, 9, 3.5, 5.5, 1.5, 3.5)),
                   (CYAN, arrow(11, 9, 16.5, 5.5, 1.5, 3.5)), (CYAN, arrow(9, 11, 3.5, 14.5, 1.5, 3.5)),
                   (CYAN, arrow(11, 11, 16.5, 14.5, 1.5, 3.5))],
    "zoomin": magnifier([(INK, stroke(5.5, 8, 10.5, 8, 1.6)), (INK, stroke(8, 5.5, 8, 10.5, 1.6))]),
    "zoomout": magnifier([(INK, stroke(5.5, 8, 10.5, 8, 1.6))]),
    "autorender": [(GREEN, ring(10, 10, 6.5, 2.2, 100, 20)), (GREEN, poly((14.5, 1.5), (19.5, 6.5), (13, 8.5))),
                   (GREEN, poly((8, 8), (13.5, 10.5), (8, 13)))],
    "animatepalette": [(RED, lambda x, y: circle(10, 10, 8)(x, y) and x >= 10 and y < 10),
                       (GOLD, lambda x, y: circle(10, 10, 8)(x, y) and x >= 10 and y >= 10),
                       (CYAN, lambda x, y: circle(10, 10, 8)(x, y) and x < 10 and y >= 10),
                       (DUSK, lambda x, y: circle(10, 10, 8)(x, y) and x < 10 and y < 10),
                       (PAPER, circle(10, 10, 2.5))],
    "record": [(INK, ring(10, 10, 7.5, 1.2)), (RED, circle(10, 10, 5))],
    "options": [(INK, stroke(3, 5, 17, 5, 1.4)), (INK, stroke(3, 10, 17, 10, 1.4)), (INK, stroke(3, 15, 17, 15, 1.4)),
                (CYAN, rect(5, 3, 8, 7)), (DUSK, rect(12, 8, 15, 12)), (GOLD, rect(7, 13, 10, 17))],
    "julia": [(DUSK, circle(6.5, 10, 4.5)), (DUSK, circle(13.5, 10, 4.5)), (CYAN, circle(10, 10, 2.2)),
              (CYAN, circle(3, 10, 1.4)), (CYAN, circle(17, 10, 1.4))],
    "modecursor": [(INK, stroke(10, 1.5, 10, 7.5, 1.6)), (INK, stroke(10, 12.5, 10, 18.5, 1.6)),
                   (INK, stroke(1.5, 10, 7.5, 10, 1.6)), (INK, stroke(12.5, 10, 18.5, 10, 1.6)),
                   (RED, circle(10, 10, 1.4))],
    "modeselection": [(CYAN, rotated(frame(3, 5, 17, 15, 1.6), 10, 10, 20)),
                      (INK, rotated(rect(2, 4, 4.5, 6.5), 10, 10, 20)),
                      (INK, rotated(rect(15.5, 13.5, 18, 16), 10, 10, 20)), (RED, circle(10, 10, 1.3))],
    "quickhelp": [(CYAN, circle(10, 10, 8.5)), (PAPER, circle(10, 6, 1.6)), (PAPER, rect(8.8, 9, 11.2, 15.5))],
    "exit": [(INK, frame(3, 2, 12, 18, 1.3)), (RED, arrow(8, 10, 19, 10, 2.0, 4.5))],
    "lastview": [(INK, frame(2, 4, 18, 16, 1)), (CYAN, arrow(15, 10, 4, 10, 2.2, 5.0))],
    "nextview": [(INK, frame(2, 4, 18, 16, 1)), (CYAN, arrow(5, 10, 16, 10, 2.2, 5.0))],
}


def cursor_arrowset(angles):
    shapes = []
    for a in angles:
        c, s = math.cos(math.radians(a)), math.sin(math.radians(a))
        shapes.append(arrow(16 + 3 * c, 16 - 3 * s, 16 + 13 * c, 16 - 13 * s, 2.0, 5))
    return lambda x, y: any(f(x, y) for f in shapes)


def outlined(shape, grow=1.2):
    """A white halo around a black shape keeps cursors visible on any image."""
    offs = [(dx * grow, dy * grow) for dx in (-1, 0, 1) for dy in (-1, 0, 1)]
    halo = lambda x, y: any(shape(x + dx, y + dy) for dx, dy in offs)
    return [("#ffffff", halo), ("#000000", shape)]


def cross_shape(x, y):
    return (stroke(16, 2, 16, 12, 1.4)(x, y) or stroke(16, 20, 16, 30, 1.4)(x, y) or
            stroke(2, 16, 12, 16, 1.4)(x, y) or stroke(20, 16, 30, 16, 1.4)(x, y))


TURN = [ring(16, 16, 10, 2.0, 120, 60), poly((22, 3), (29, 9), (20, 12))]
CURSORS = {
    "cursor_cross": outlined(cross_shape) + [(RED, circle(16, 16, 1.2))],
    "cursor_move": outlined(cursor_arrowset([0, 90, 180, 270])),
    "cursor_turn": outlined(lambda x, y: any(f(x, y) for f in TURN)),
    "cursor_stretch": outlined(cursor_arrowset([45, 225])),
}


def animate_frame(k, n):
    colors = [RED, GOLD, GREEN, CYAN, DUSK, "#c04fb0"]
    layers = [("#ffffff", circle(16, 16, 11)), ("#000000", ring(16, 16, 10.5, 1.0))]
    for i, col in enumerate(colors):
        a0 = (i * 60 + k * 360 / n) % 360
        a1 = (a0 + 60) % 360
        layers.append((col, ring(16, 16, 6.5, 6.5, a0, a1)))
    layers.append(("#000000", circle(16, 16, 1.5)))
    return layers


def main():
    os.makedirs(os.path.join(HERE, "icons"), exist_ok=True)
    os.makedirs(os.path.join(HERE, "cursors"), exist_ok=True)
    for name, layers in ICONS.items():
        render(os.path.join(HERE, "icons", name + ".png"), (20, 20), layers)
    for name, layers in CURSORS.items():
        render(os.path.join(HERE, "cursors", name + ".png"), (32, 32), layers)
    for k in range(8):
        render(os.path.join(HERE, "cursors", "cursor_animate_%d.png" % k), (32, 32), animate_frame(k, 8))
    render(os.path.join(HERE, "icons", "quillon.png"), (32, 32),
           [(DUSK, circle(16, 16, 15)), (INK, circle(13, 16, 7)), (INK, circle(21.5, 16, 4)),
            (CYAN, ring(16, 16, 15, 1.5))])


if __name__ == "__main__":
    main()
