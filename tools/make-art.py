#!/usr/bin/env python3
"""Draws every bitmap, the icon and the cursor of the program into res/art/.

The build embeds the committed files; run this script (Python 3, standard
library only) to regenerate them after changing a drawing:

    python3 tools/make-art.py [output-folder]

All art shares one palette and one light source (upper left). Large pictures
are anti-aliased against their known background; the 32 x 32 sidebar icons
are hard-edged pixel art on pure blue RGB(0,0,255), the colour the skin
buttons treat as transparent, because a soft edge blended towards that blue
would show as a blue fringe on the button face.
"""

import math
import os
import struct
import sys

# ---------------------------------------------------------------------------
# Palette

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
KEY = (0, 0, 255)                   # transparent key of the sidebar icons

BANNER = (0, 105, 165)              # title banner blue
BANNER_LIGHT = (70, 160, 220)
BANNER_DARK = (0, 70, 120)
NAVY = (41, 73, 148)                # status text
INK = (28, 42, 78)                  # darkest outline colour
SIDEBAR = (198, 219, 255)
FACE = (214, 227, 247)              # skin button face
PALE_BLUE = (235, 243, 255)
ORANGE = (255, 207, 132)            # hover orange
ORANGE_MID = (247, 164, 66)
ORANGE_DARK = (196, 104, 28)
CYAN = (200, 250, 250)
GREEN = (86, 184, 86)
GREEN_LIGHT = (170, 232, 150)
GREEN_DARK = (38, 120, 52)
RED = (226, 84, 70)
RED_DARK = (150, 40, 36)
PURPLE = (150, 98, 206)
PURPLE_DARK = (88, 50, 140)
YELLOW = (255, 214, 74)
YELLOW_DARK = (200, 140, 20)
PAPER = (252, 252, 246)
PAPER_SHADE = (222, 226, 232)
GREY = (150, 158, 170)
GREY_LIGHT = (214, 218, 224)
GREY_DARK = (92, 100, 114)
SKY = (150, 205, 250)


def mix(a, b, t):
    """Colour a moved towards colour b by t (0..1)."""
    t = 0.0 if t < 0 else 1.0 if t > 1 else t
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def darker(c, t=0.35):
    return mix(c, INK, t)


def lighter(c, t=0.45):
    return mix(c, WHITE, t)


def clamp01(v):
    return 0.0 if v < 0 else 1.0 if v > 1 else v


# ---------------------------------------------------------------------------
# Shapes: signed distance functions with a bounding box

class Shape:
    """A region given by its signed distance (negative inside)."""

    def __init__(self, f, bbox):
        self.f = f
        self.bbox = bbox            # x0, y0, x1, y1 (may over-estimate)

    def d(self, x, y):
        return self.f(x, y)

    def __or__(self, o):
        a, b = self.f, o.f
        return Shape(lambda x, y: min(a(x, y), b(x, y)),
                     (min(self.bbox[0], o.bbox[0]), min(self.bbox[1], o.bbox[1]),
                      max(self.bbox[2], o.bbox[2]), max(self.bbox[3], o.bbox[3])))

    def __and__(self, o):
        a, b = self.f, o.f
        return Shape(lambda x, y: max(a(x, y), b(x, y)),
                     (max(self.bbox[0], o.bbox[0]), max(self.bbox[1], o.bbox[1]),
                      min(self.bbox[2], o.bbox[2]), min(self.bbox[3], o.bbox[3])))

    def __sub__(self, o):
        a, b = self.f, o.f
        return Shape(lambda x, y: max(a(x, y), -b(x, y)), self.bbox)

    def grow(self, r):
        f = self.f
        x0, y0, x1, y1 = self.bbox
        return Shape(lambda x, y: f(x, y) - r, (x0 - r, y0 - r, x1 + r, y1 + r))

    def shift(self, dx, dy):
        f = self.f
        x0, y0, x1, y1 = self.bbox
        return Shape(lambda x, y: f(x - dx, y - dy), (x0 + dx, y0 + dy, x1 + dx, y1 + dy))

    def outline(self, width):
        """A band of the given width centred on the edge."""
        f = self.f
        h = width / 2.0
        x0, y0, x1, y1 = self.bbox
        return Shape(lambda x, y: abs(f(x, y)) - h, (x0 - h, y0 - h, x1 + h, y1 + h))


def circle(cx, cy, r):
    return Shape(lambda x, y: math.hypot(x - cx, y - cy) - r, (cx - r, cy - r, cx + r, cy + r))


def ellipse(cx, cy, rx, ry):
    m = min(rx, ry)

    def f(x, y):
        return (math.hypot((x - cx) / rx, (y - cy) / ry) - 1.0) * m
    return Shape(f, (cx - rx, cy - ry, cx + rx, cy + ry))


def rbox(x0, y0, x1, y1, r=0.0):
    """Rectangle from (x0, y0) to (x1, y1) with corner radius r."""
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    bx, by = (x1 - x0) / 2.0, (y1 - y0) / 2.0

    def f(x, y):
        qx = abs(x - cx) - bx + r
        qy = abs(y - cy) - by + r
        return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - r
    return Shape(f, (x0, y0, x1, y1))


def seg(ax, ay, bx, by, w):
    """A stroke of width w from a to b with round ends."""
    r = w / 2.0
    ex, ey = bx - ax, by - ay
    ll = ex * ex + ey * ey or 1e-9

    def f(x, y):
        px, py = x - ax, y - ay
        t = clamp01((px * ex + py * ey) / ll)
        return math.hypot(px - ex * t, py - ey * t) - r
    return Shape(f, (min(ax, bx) - r, min(ay, by) - r, max(ax, bx) + r, max(ay, by) + r))


def poly(pts):
    """Filled polygon (exact signed distance)."""
    n = len(pts)

    def f(x, y):
        d = (x - pts[0][0]) ** 2 + (y - pts[0][1]) ** 2
        s = 1.0
        j = n - 1
        for i in range(n):
            vix, viy = pts[i]
            vjx, vjy = pts[j]
            ex, ey = vjx - vix, vjy - viy
            wx, wy = x - vix, y - viy
            ll = ex * ex + ey * ey or 1e-9
            t = clamp01((wx * ex + wy * ey) / ll)
            bx, by = wx - ex * t, wy - ey * t
            dd = bx * bx + by * by
            if dd < d:
                d = dd
            c1 = y >= viy
            c2 = y < vjy
            c3 = ex * wy > ey * wx
            if (c1 and c2 and c3) or (not c1 and not c2 and not c3):
                s = -s
            j = i
        return s * math.sqrt(d)
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    return Shape(f, (min(xs), min(ys), max(xs), max(ys)))


def polyline(pts, w):
    s = seg(pts[0][0], pts[0][1], pts[1][0], pts[1][1], w)
    for a, b in zip(pts[1:], pts[2:]):
        s = s | seg(a[0], a[1], b[0], b[1], w)
    return s


def arc(cx, cy, r, w, a0, a1):
    """Stroke of width w along a circle, from angle a0 to a1 (degrees,
    0 = right, 90 = down, increasing clockwise on screen)."""
    a0r, a1r = math.radians(a0), math.radians(a1)
    span = (a1r - a0r) % (2 * math.pi)
    h = w / 2.0
    p0 = (cx + r * math.cos(a0r), cy + r * math.sin(a0r))
    p1 = (cx + r * math.cos(a1r), cy + r * math.sin(a1r))

    def f(x, y):
        ang = (math.atan2(y - cy, x - cx) - a0r) % (2 * math.pi)
        if ang <= span:
            return abs(math.hypot(x - cx, y - cy) - r) - h
        return min(math.hypot(x - p0[0], y - p0[1]), math.hypot(x - p1[0], y - p1[1])) - h
    return Shape(f, (cx - r - h, cy - r - h, cx + r + h, cy + r + h))


def star(cx, cy, r_out, r_in, points=5, rot=-90.0):
    pts = []
    for i in range(points * 2):
        r = r_out if i % 2 == 0 else r_in
        a = math.radians(rot + i * 180.0 / points)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return poly(pts)


# Paints: a colour, or a function (x, y) -> colour

def linear(c0, c1, x0, y0, x1, y1):
    ex, ey = x1 - x0, y1 - y0
    ll = ex * ex + ey * ey or 1e-9

    def p(x, y):
        return mix(c0, c1, ((x - x0) * ex + (y - y0) * ey) / ll)
    return p


def vertical(c0, c1, y0, y1):
    return linear(c0, c1, 0, y0, 0, y1)


def radial(c0, c1, cx, cy, r):
    def p(x, y):
        return mix(c0, c1, math.hypot(x - cx, y - cy) / r)
    return p


# ---------------------------------------------------------------------------
# Raster images

class Canvas:
    """An RGB picture; shapes are blended in with anti-aliased edges."""

    def __init__(self, w, h, bg=WHITE):
        self.w, self.h = w, h
        self.px = [list(bg) for _ in range(w * h)]

    def get(self, x, y):
        return tuple(self.px[y * self.w + x])

    def put(self, x, y, c, a=1.0):
        if a <= 0.0 or x < 0 or y < 0 or x >= self.w or y >= self.h:
            return
        p = self.px[y * self.w + x]
        if a >= 1.0:
            p[0], p[1], p[2] = c[0], c[1], c[2]
        else:
            p[0] += (c[0] - p[0]) * a
            p[1] += (c[1] - p[1]) * a
            p[2] += (c[2] - p[2]) * a

    def fill(self, shape, paint, alpha=1.0, aa=True):
        x0, y0, x1, y1 = shape.bbox
        x0 = max(0, int(math.floor(x0)) - 1)
        y0 = max(0, int(math.floor(y0)) - 1)
        x1 = min(self.w, int(math.ceil(x1)) + 2)
        y1 = min(self.h, int(math.ceil(y1)) + 2)
        f = shape.f
        fn = callable(paint)
        for y in range(y0, y1):
            cy = y + 0.5
            for x in range(x0, x1):
                d = f(x + 0.5, cy)
                if aa:
                    cov = 0.5 - d
                    if cov <= 0.0:
                        continue
                    if cov > 1.0:
                        cov = 1.0
                elif d < 0.0:
                    cov = 1.0
                else:
                    continue
                self.put(x, y, paint(x + 0.5, cy) if fn else paint, cov * alpha)

    def rect(self, x0, y0, x1, y1, c, a=1.0):
        """Hard-edged rectangle of whole pixels, x1 and y1 exclusive."""
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                self.put(x, y, c, a)

    def gradient_rows(self, stops):
        """Vertical gradient over the whole picture; stops = [(y, colour)]."""
        for y in range(self.h):
            c = stops[-1][1]
            for (ya, ca), (yb, cb) in zip(stops, stops[1:]):
                if ya <= y <= yb:
                    c = mix(ca, cb, (y - ya) / float(yb - ya or 1))
                    break
            if y < stops[0][0]:
                c = stops[0][1]
            for x in range(self.w):
                self.put(x, y, c)

    def blit(self, src, dx, dy):
        for y in range(src.h):
            for x in range(src.w):
                if 0 <= dx + x < self.w and 0 <= dy + y < self.h:
                    self.put(dx + x, dy + y, src.get(x, y))

    def crop(self, x0, y0, w, h):
        out = Canvas(w, h)
        for y in range(h):
            for x in range(w):
                out.put(x, y, self.get(x0 + x, y0 + y))
        return out

    def rgb(self, x, y):
        p = self.px[y * self.w + x]
        return tuple(max(0, min(255, int(round(v)))) for v in p)


class PixelArt:
    """Hard-edged pixel art with transparency (None) for icons and cursors.

    Each shape is filled where its distance at the pixel centre is negative;
    an optional outline colour rings it with one pixel outside that area."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [None] * (w * h)

    def mask(self, shape):
        x0, y0, x1, y1 = shape.bbox
        x0 = max(0, int(math.floor(x0)) - 1)
        y0 = max(0, int(math.floor(y0)) - 1)
        x1 = min(self.w, int(math.ceil(x1)) + 2)
        y1 = min(self.h, int(math.ceil(y1)) + 2)
        m = set()
        for y in range(y0, y1):
            for x in range(x0, x1):
                if shape.f(x + 0.5, y + 0.5) < 0.0:
                    m.add((x, y))
        return m

    def draw(self, shape, paint, outline=None, diagonal=False):
        m = self.mask(shape) if isinstance(shape, Shape) else set(shape)
        if outline is not None:
            ring = set()
            steps = [(1, 0), (-1, 0), (0, 1), (0, -1)]
            if diagonal:
                steps += [(1, 1), (1, -1), (-1, 1), (-1, -1)]
            for (x, y) in m:
                for dx, dy in steps:
                    q = (x + dx, y + dy)
                    if q not in m:
                        ring.add(q)
            for (x, y) in ring:
                self.set(x, y, outline)
        fn = callable(paint)
        for (x, y) in m:
            self.set(x, y, paint(x + 0.5, y + 0.5) if fn else paint)
        return m

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y * self.w + x] = None if c is None else tuple(c)

    def get(self, x, y):
        return self.px[y * self.w + x]

    def pixels(self, rows, colours, x0=0, y0=0):
        """Paints a hand-drawn block given as text rows; each character is
        looked up in colours (missing characters are left untouched)."""
        for j, row in enumerate(rows):
            for i, ch in enumerate(row):
                if ch in colours:
                    self.set(x0 + i, y0 + j, colours[ch])

    def on(self, bg):
        """Flattened onto a plain background colour."""
        out = Canvas(self.w, self.h, bg)
        for y in range(self.h):
            for x in range(self.w):
                c = self.px[y * self.w + x]
                if c is not None:
                    out.put(x, y, c)
        return out

    def scaled(self, k):
        out = PixelArt(self.w * k, self.h * k)
        for y in range(out.h):
            for x in range(out.w):
                out.px[y * out.w + x] = self.px[(y // k) * self.w + x // k]
        return out


# ---------------------------------------------------------------------------
# A small pixel font (5 x 7) for Latin capitals and digits

FONT = {
    '0': ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    '1': ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    '2': ["01110", "10001", "00001", "00010", "00100", "01000", "11111"],
    '3': ["11110", "00001", "00001", "01110", "00001", "00001", "11110"],
    '4': ["00010", "00110", "01010", "10010", "11111", "00010", "00010"],
    '5': ["11111", "10000", "11110", "00001", "00001", "10001", "01110"],
    '6': ["00110", "01000", "10000", "11110", "10001", "10001", "01110"],
    '7': ["11111", "00001", "00010", "00100", "01000", "01000", "01000"],
    '8': ["01110", "10001", "10001", "01110", "10001", "10001", "01110"],
    '9': ["01110", "10001", "10001", "01111", "00001", "00010", "01100"],
    'A': ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    'B': ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    'C': ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    'D': ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    'E': ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    'H': ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    'I': ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    'K': ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    'L': ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    'N': ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    'O': ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    'Z': ["11111", "00001", "00010", "00100", "01000", "10000", "11111"],
    ' ': ["000", "000", "000", "000", "000", "000", "000"],
    '!': ["1", "1", "1", "1", "1", "0", "1"],
}


def text_width(text, scale=1, gap=1):
    return sum((len(FONT[ch][0]) + gap) * scale for ch in text) - gap * scale


def text_pixels(text, scale=1, gap=1):
    """The pixels (x, y) of a text line set in the pixel font."""
    out = []
    x = 0
    for ch in text:
        g = FONT[ch]
        for j, row in enumerate(g):
            for i, bit in enumerate(row):
                if bit == '1':
                    for sy in range(scale):
                        for sx in range(scale):
                            out.append((x + i * scale + sx, j * scale + sy))
        x += (len(g[0]) + gap) * scale
    return out


def draw_text(canvas, text, x0, y0, colour, scale=1, shadow=None, gap=1, bold=False):
    pts = text_pixels(text, scale, gap + (1 if bold else 0))
    if bold:
        pts = sorted(set(pts) | set((x + 1, y) for (x, y) in pts))
    if shadow is not None:
        for (x, y) in pts:
            canvas.put(x0 + x + 1, y0 + y + 1, shadow[0], shadow[1])
    for (x, y) in pts:
        canvas.put(x0 + x, y0 + y, colour)


# ---------------------------------------------------------------------------
# File writers

def bmp_bytes(img):
    """24-bit bottom-up Windows bitmap with the 54-byte header."""
    row = img.w * 3
    pad = (4 - row % 4) % 4
    body = bytearray()
    for y in range(img.h - 1, -1, -1):
        for x in range(img.w):
            r, g, b = img.rgb(x, y)
            body += bytes((b, g, r))
        body += b'\0' * pad
    header = struct.pack('<2sIHHI', b'BM', 54 + len(body), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, img.w, img.h, 1, 24, 0, len(body),
                       2835, 2835, 0, 0)
    return header + info + bytes(body)


def and_mask(w, h, opaque):
    """1-bit mask rows, bottom-up, 32-bit aligned: 1 where transparent."""
    stride = ((w + 31) // 32) * 4
    out = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            if not opaque(x, y):
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def dib_32(art):
    """Icon image: 32-bit colour with straight alpha plus the AND mask (older
    systems ignore the alpha byte and use the mask)."""
    w, h = art.w, art.h
    info = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            c = art.get(x, y)
            if c is None:
                xor += b'\0\0\0\0'
            else:
                r, g, b = (max(0, min(255, int(round(v)))) for v in c)
                xor += bytes((b, g, r, 255))
    return info + bytes(xor) + and_mask(w, h, lambda x, y: art.get(x, y) is not None)


def quantize16(art):
    """Palette of at most 16 colours for the 4-bit icon images: the colours of
    the picture, merging the closest pair until 16 remain (index 0 is black,
    used under the transparent pixels)."""
    counts = {}
    for c in art.px:
        if c is not None:
            k = tuple(max(0, min(255, int(round(v)))) for v in c)
            counts[k] = counts.get(k, 0) + 1
    cols = [[k, n] for k, n in counts.items()]
    while len(cols) > 15:
        best = None
        for i in range(len(cols)):
            for j in range(i + 1, len(cols)):
                a, b = cols[i][0], cols[j][0]
                d = sum((a[t] - b[t]) ** 2 for t in range(3)) * min(cols[i][1], cols[j][1])
                if best is None or d < best[0]:
                    best = (d, i, j)
        _, i, j = best
        (a, na), (b, nb) = cols[i], cols[j]
        keep = a if na >= nb else b
        cols[i] = [keep, na + nb]
        del cols[j]
    return [BLACK] + [c for c, _ in cols]


def dib_4(art):
    pal = quantize16(art)
    while len(pal) < 16:
        pal.append(BLACK)
    w, h = art.w, art.h

    def index(c):
        if c is None:
            return 0
        return min(range(1, 16), key=lambda i: sum((pal[i][t] - c[t]) ** 2 for t in range(3)))
    stride = ((w * 4 + 31) // 32) * 4
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            i = index(art.get(x, y))
            row[x // 2] |= i << 4 if x % 2 == 0 else i
        xor += row
    size = len(xor) + h * ((w + 31) // 32) * 4
    info = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 4, 0, size, 0, 0, 16, 0)
    palette = b''.join(bytes((int(b), int(g), int(r), 0)) for (r, g, b) in pal)
    return info + palette + bytes(xor) + and_mask(w, h, lambda x, y: art.get(x, y) is not None)


def dib_cursor(art):
    """Monochrome cursor image: black, white and transparent pixels."""
    w, h = art.w, art.h
    stride = ((w + 31) // 32) * 4
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            c = art.get(x, y)
            if c is not None and sum(c) > 384:
                row[x // 8] |= 0x80 >> (x % 8)
        xor += row
    size = len(xor) + h * stride
    info = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 1, 0, size, 0, 0, 2, 0)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    return info + palette + bytes(xor) + and_mask(w, h, lambda x, y: art.get(x, y) is not None)


def icon_file(images, kind=1):
    """ICO (kind 1) or CUR (kind 2) container. images: list of
    (width, height, colours, field4, field6, dib) where field4/field6 are the
    planes/bit count of an icon or the hotspot x/y of a cursor."""
    out = struct.pack('<HHH', 0, kind, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b'', b''
    for (w, h, colours, f4, f6, dib) in images:
        entries += struct.pack('<BBBBHHII', w % 256, h % 256, colours, 0, f4, f6,
                               len(dib), offset)
        blobs += dib
        offset += len(dib)
    return out + entries + blobs


# ---------------------------------------------------------------------------
# The art (filled in below)

ART = {}


def art(name):
    def reg(fn):
        ART[name] = fn
        return fn
    return reg


def rotate_pts(pts, cx, cy, deg):
    a = math.radians(deg)
    ca, sa = math.cos(a), math.sin(a)
    return [(cx + (x - cx) * ca - (y - cy) * sa, cy + (x - cx) * sa + (y - cy) * ca)
            for (x, y) in pts]


def ellipse_rot(cx, cy, rx, ry, deg):
    a = math.radians(deg)
    ca, sa = math.cos(a), math.sin(a)
    m = min(rx, ry)
    r = max(rx, ry)

    def f(x, y):
        dx, dy = x - cx, y - cy
        u = dx * ca + dy * sa
        v = -dx * sa + dy * ca
        return (math.hypot(u / rx, v / ry) - 1.0) * m
    return Shape(f, (cx - r, cy - r, cx + r, cy + r))


def card(cx, cy, w, h, deg, r=1.5):
    """A rounded rectangle turned by deg around its centre."""
    a = math.radians(deg)
    ca, sa = math.cos(a), math.sin(a)
    inner = rbox(-w / 2.0, -h / 2.0, w / 2.0, h / 2.0, r)
    ext = math.hypot(w, h) / 2.0

    def f(x, y):
        dx, dy = x - cx, y - cy
        return inner.f(dx * ca + dy * sa, -dx * sa + dy * ca)
    return Shape(f, (cx - ext, cy - ext, cx + ext, cy + ext))


def lit(c, x0=0, y0=0, x1=32, y1=32, amount=0.35):
    """Fill shaded for the common light source at the upper left."""
    return linear(lighter(c, amount), darker(c, amount * 0.6), x0, y0, x1, y1)


def edge(c):
    return darker(c, 0.6)


# ---------------------------------------------------------------------------
# Sidebar category icons, 32 x 32 on the transparent blue key

def icon_canvas():
    return PixelArt(32, 32)


@art('168')
def icon_music():
    a = icon_canvas()
    body = (ellipse_rot(9.5, 24.5, 5.4, 3.9, -22) | ellipse_rot(23.5, 21.5, 5.4, 3.9, -22)
            | rbox(12.2, 7, 14.8, 24.5) | rbox(26.2, 4, 28.8, 21.5)
            | poly([(12.2, 6.2), (28.8, 2.2), (28.8, 7.4), (12.2, 11.4)]))
    a.draw(body, lit(PURPLE, 4, 2, 28, 30), outline=edge(PURPLE))
    hl = lighter(PURPLE, 0.7)
    for (x, y) in [(6, 22), (7, 22), (6, 23), (20, 19), (21, 19), (20, 20),
                   (14, 7), (15, 7), (16, 7), (17, 6), (18, 6), (19, 6)]:
        a.set(x, y, hl)
    return a


@art('163')
def icon_repeat():
    a = icon_canvas()
    frame = BANNER
    a.draw(rbox(10, 24, 22, 29) | rbox(7, 27, 25, 30, 1), lit(GREY, 7, 24, 25, 30),
           outline=edge(GREY))
    a.draw(rbox(1.5, 3, 30.5, 25, 2.5), lit(frame, 2, 3, 30, 25), outline=edge(frame))
    a.draw(rbox(4.5, 6, 27.5, 22, 1), vertical(WHITE, CYAN, 6, 22))
    loop = GREEN_DARK
    shape = (arc(16, 14, 5.2, 2.2, 200, 330) | arc(16, 14, 5.2, 2.2, 20, 150)
             | poly([(20.0, 7.5), (24.6, 11.6), (19.2, 12.6)])
             | poly([(12.0, 20.5), (7.4, 16.4), (12.8, 15.4)]))
    a.draw(shape, loop)
    a.set(5, 7, WHITE)
    a.set(6, 7, WHITE)
    a.set(5, 8, WHITE)
    return a


@art('175')
def icon_book():
    a = icon_canvas()
    cover = BANNER_LIGHT
    a.draw(poly([(1, 9), (15.99, 11), (16.01, 11), (31, 9), (31, 28), (16, 30), (1, 28)]),
           lit(cover, 1, 9, 31, 30), outline=edge(cover))
    page = PAPER
    left = poly([(2.5, 6), (15.5, 8.5), (15.5, 27), (2.5, 24.5)])
    right = poly([(16.5, 8.5), (29.5, 6), (29.5, 24.5), (16.5, 27)])
    a.draw(left, linear(WHITE, PAPER_SHADE, 3, 6, 16, 27), outline=edge(GREY))
    a.draw(right, linear(PAPER, PAPER_SHADE, 16, 6, 30, 27), outline=edge(GREY))
    for i in range(4):
        y = 12 + i * 3
        for x in range(5, 14):
            a.set(x, int(y + (x - 4) * 0.19), GREY)
        for x in range(18, 28 - (2 if i == 3 else 0)):
            a.set(x, int(y + (28 - x) * 0.19), GREY)
    return a


@art('165')
def icon_dictionary():
    a = icon_canvas()
    red = RED
    top = poly([(4, 5), (8, 1.8), (29, 1.8), (25, 5)])
    side = poly([(25, 5), (29, 1.8), (29, 26.5), (25, 30)])
    a.draw(top | side | rbox(3.5, 4.5, 25.5, 30.5), red, outline=edge(red))
    a.draw(poly([(25.5, 5.5), (28.2, 3.2), (28.2, 26), (25.5, 28.5)]),
           lambda x, y: PAPER if int(y) % 2 else PAPER_SHADE)
    a.draw(rbox(4.5, 5.5, 24.5, 29.5, 0.5), lit(red, 4, 5, 24, 30))
    for x in range(5, 25):
        a.set(x, 5, lighter(red, 0.45))
    a.draw(rbox(7.5, 9.5, 21.5, 20.5, 1.5), linear(lighter(YELLOW, 0.5), YELLOW, 8, 10, 21, 21),
           outline=YELLOW_DARK)
    for (x, y) in text_pixels('A', 1):
        a.set(12 + x, 12 + y, RED_DARK)
    for x in range(7, 22):
        a.set(x, 24, lighter(red, 0.35))
        a.set(x, 26, lighter(red, 0.35))
    return a


@art('167')
def icon_cards():
    a = icon_canvas()
    a.draw(rbox(2.5, 2.5, 18.5, 21.5, 1.5), lit(GREEN, 2, 2, 18, 22), outline=edge(GREEN))
    a.draw(rbox(7.5, 6.5, 23.5, 25.5, 1.5), lit(ORANGE_MID, 7, 6, 23, 26), outline=edge(ORANGE_MID))
    a.draw(rbox(12.5, 10.5, 29.5, 29.5, 1.5), linear(WHITE, PAPER_SHADE, 12, 10, 29, 30),
           outline=edge(GREY))
    a.draw(rbox(13.5, 11.5, 28.5, 14.5), BANNER_LIGHT)
    for (x, y) in text_pixels('A', 1):
        a.set(16 + x, 17 + y, NAVY)
    for (x, y) in text_pixels('B', 1):
        a.set(22 + x, 17 + y, RED)
    for x in range(15, 27):
        a.set(x, 26, GREY_LIGHT)
    for (x, y) in [(3, 4), (3, 5), (4, 3), (8, 7), (9, 7), (8, 8)]:
        a.set(x, y, WHITE)
    return a


@art('161')
def icon_headphones():
    a = icon_canvas()
    teal = (32, 160, 172)
    a.draw(arc(16, 18, 11.5, 3.2, 180, 360), lit(teal, 4, 4, 28, 20), outline=edge(teal))
    for x0 in (2.5, 22.5):
        a.draw(rbox(x0, 15.5, x0 + 7, 29.5, 2.5), lit(teal, x0, 15, x0 + 7, 30),
               outline=edge(teal))
    a.draw(rbox(7.5, 17.5, 10.5, 27.5, 1), ORANGE_MID, outline=edge(ORANGE_MID))
    a.draw(rbox(21.5, 17.5, 24.5, 27.5, 1), ORANGE_MID, outline=edge(ORANGE_MID))
    hl = lighter(teal, 0.6)
    for (x, y) in [(4, 17), (4, 18), (4, 19), (24, 17), (24, 18), (24, 19),
                   (7, 10), (8, 9), (9, 8), (10, 7)]:
        a.set(x, y, hl)
    return a


@art('160')
def icon_exam():
    a = icon_canvas()
    sheet = poly([(4, 1.5), (20, 1.5), (26, 7.5), (26, 29.5), (4, 29.5)])
    a.draw(sheet, linear(WHITE, PAPER_SHADE, 4, 2, 26, 30), outline=edge(GREY))
    a.draw(poly([(20, 1.5), (20, 7.5), (26, 7.5)]), PAPER_SHADE, outline=edge(GREY))
    for i, y in enumerate((9, 13, 17, 21)):
        a.draw(rbox(7, y, 9, y + 2), BANNER)
        for x in range(11, 21 if i else 18):
            a.set(x, y, GREY)
            a.set(x, y + 1, GREY_LIGHT)
    a.draw(polyline([(6.5, 11.5), (8.5, 13.8), (12.5, 7.5)], 1.6), RED)
    a.draw(star(22.5, 22.5, 8.2, 3.6), linear(lighter(YELLOW, 0.5), YELLOW_DARK, 16, 15, 29, 30),
           outline=darker(YELLOW_DARK, 0.3))
    return a


@art('159')
def icon_chart():
    a = icon_canvas()
    a.draw(rbox(1.5, 2.5, 30.5, 29.5, 2), linear(WHITE, FACE, 2, 3, 30, 30), outline=edge(GREY))
    for (x0, top, c) in ((5.5, 19.5, BANNER_LIGHT), (12.5, 14.5, GREEN), (19.5, 9.5, ORANGE_MID)):
        a.draw(rbox(x0, top, x0 + 5, 26.5), lit(c, x0, top, x0 + 5, 27), outline=edge(c))
    for x in range(4, 29):
        a.set(x, 27, GREY_DARK)
    a.draw(polyline([(6.5, 15), (14, 10), (19, 11.5), (25.5, 5.5)], 1.5), RED)
    a.draw(poly([(27.5, 3.5), (27.8, 9.0), (22.2, 4.2)]), RED)
    return a


@art('166')
def icon_picture():
    a = icon_canvas()
    wood = ORANGE_MID
    a.draw(rbox(1.5, 4.5, 30.5, 28.5, 1.5), lit(wood, 2, 4, 30, 29), outline=edge(wood))
    a.draw(rbox(4.5, 7.5, 27.5, 25.5), vertical(lighter(SKY, 0.4), SKY, 7, 25))
    a.draw(circle(21.5, 12.5, 3.0), YELLOW)
    a.draw(poly([(4.5, 25.5), (4.5, 20), (11, 13.5), (18, 21), (21, 18.5), (27.5, 24), (27.5, 25.5)]),
           lit(GREEN, 4, 13, 28, 26))
    a.draw(poly([(9.2, 15.2), (11, 13.5), (12.8, 15.2), (11.6, 16.2), (11, 15.6), (10.4, 16.2)]), WHITE)
    return a


# ---------------------------------------------------------------------------
# Program mark: the handheld device with a download arrow (icon, title strip)

MARK16 = [
    "  kkkkkkkk      ",
    " kllllllllk     ",
    " klddddddbk     ",
    " kldssssdbk     ",
    " kldnnnsdbk     ",
    " kbdccccdbk     ",
    " kbdggccdbOOOO  ",
    " kbdccccdbOhoO  ",
    " kbddddddbOhoO  ",
    " kbbbbbbbbOhoO  ",
    " kbybybyOOOhoOOO",
    " kbbbbbbOhhhoooO",
    " kbybybybOhoooO ",
    " kbbbbbbbbOooO  ",
    " kbbbbbbbbkOO   ",
    "  kkkkkkkk      ",
]


def device_mark(size):
    """The program's mark as pixel art, 32 or 16 pixels square."""
    a = PixelArt(size, size)
    body = BANNER
    if size == 32:
        a.draw(rbox(4.5, 1.5, 23.5, 30.5, 3), lit(body, 4, 1, 24, 31), outline=edge(body))
        a.draw(rbox(7.5, 4.5, 20.5, 16.5, 1), vertical(WHITE, CYAN, 4, 17), outline=BANNER_DARK)
        for y, w in ((7, 9), (10, 7), (13, 8)):
            for x in range(9, 9 + w):
                a.set(x, y, NAVY if y == 7 else GREY)
        for r in range(2):
            for c in range(3):
                a.draw(rbox(8 + c * 4, 19 + r * 4, 11 + c * 4, 21 + r * 4, 0.5),
                       lighter(body, 0.55))
        for (x, y) in [(6, 3), (7, 3), (8, 3), (6, 4), (6, 5)]:
            a.set(x, y, lighter(body, 0.6))
        arrow = (rbox(20.5, 14.5, 25.5, 22.5) |
                 poly([(16.5, 21.5), (29.5, 21.5), (23, 29.5)]))
        a.draw(arrow, linear(lighter(ORANGE, 0.35), ORANGE_MID, 17, 14, 28, 30),
               outline=darker(ORANGE_DARK, 0.35))
    else:
        a.pixels(MARK16, {
            'k': edge(body), 'l': lighter(body, 0.5), 'b': body, 'd': BANNER_DARK,
            's': WHITE, 'c': CYAN, 'n': NAVY, 'g': GREY, 'y': lighter(body, 0.55),
            'O': darker(ORANGE_DARK, 0.35), 'h': lighter(ORANGE, 0.3), 'o': ORANGE_MID})
    return a


@art('128.ico')
def program_icon():
    big, small = device_mark(32), device_mark(16)
    return icon_file([
        (32, 32, 16, 1, 4, dib_4(big)),
        (16, 16, 16, 1, 4, dib_4(small)),
        (32, 32, 0, 1, 32, dib_32(big)),
        (16, 16, 0, 1, 32, dib_32(small)),
    ])


# ---------------------------------------------------------------------------
# Title strip and its three spots

STRIP_W, STRIP_H = 609, 24
STRIP_EDGE = (0, 32, 64)

# spot: image id (normal, hover), left, visible width, offset of the box
SPOTS = {
    'help': ('203', '202', 548, 13, 1),
    'min': ('192', '191', 567, 11, 0),
    'close': ('190', '135', 586, 14, 0),
}
SPOT_TOP = 4


def strip_background():
    c = Canvas(STRIP_W, STRIP_H)
    c.gradient_rows([(0, STRIP_EDGE), (1, (128, 196, 238)), (2, (52, 152, 214)),
                     (11, (16, 122, 186)), (12, BANNER), (22, (0, 80, 132)),
                     (23, STRIP_EDGE)])
    c.fill(ellipse(400, -34, 300, 46), WHITE, 0.07)
    c.fill(ellipse(150, 40, 260, 22), WHITE, 0.05)
    for y in range(STRIP_H):
        c.put(0, y, STRIP_EDGE)
        c.put(STRIP_W - 1, y, STRIP_EDGE)
    return c


GLYPH_HELP = [".###.", "#...#", "....#", "..##.", "..#..", ".....", "..#.."]


def draw_spot(img, kind, off, hover):
    """A rounded 11 x 11 box with its glyph, in image coordinates."""
    x0, y0, n = off, 2, 11
    if hover and kind == 'close':
        fill = vertical((244, 122, 100), (200, 52, 42), y0, y0 + n)
        rim, ink = (255, 214, 204), WHITE
    elif hover:
        fill = vertical(lighter(ORANGE, 0.5), ORANGE_MID, y0, y0 + n)
        rim, ink = (255, 246, 228), NAVY
    else:
        fill, rim, ink = None, None, WHITE
    for j in range(n):
        for i in range(n):
            corner = (i in (0, n - 1)) and (j in (0, n - 1))
            border = i in (0, n - 1) or j in (0, n - 1)
            x, y = x0 + i, y0 + j
            if corner:
                img.put(x, y, WHITE if fill is None else rim, 0.12 if fill is None else 0.45)
            elif border:
                img.put(x, y, WHITE if fill is None else rim, 0.5 if fill is None else 1.0)
            elif fill is None:
                img.put(x, y, WHITE, 0.12)
            else:
                img.put(x, y, fill(x + 0.5, y + 0.5))
    if kind == 'help':
        for j, row in enumerate(GLYPH_HELP):
            for i, ch in enumerate(row):
                if ch == '#':
                    img.put(x0 + 3 + i, y0 + 2 + j, ink)
    elif kind == 'min':
        img.rect(x0 + 3, y0 + 7, x0 + 8, y0 + 9, ink)
    else:
        for i in range(5):
            img.put(x0 + 3 + i, y0 + 3 + i, ink)
            img.put(x0 + 7 - i, y0 + 3 + i, ink)


def spot_image(kind, hover):
    _, _, left, _, off = SPOTS[kind]
    img = strip_background().crop(left, SPOT_TOP, 16, 16)
    draw_spot(img, kind, off, hover)
    return img


for _kind, (_normal, _hover, _l, _w, _o) in SPOTS.items():
    ART[_normal] = (lambda k: lambda: spot_image(k, False))(_kind)
    ART[_hover] = (lambda k: lambda: spot_image(k, True))(_kind)


@art('197')
def title_strip():
    c = strip_background()
    mark = device_mark(16)
    for y in range(16):
        for x in range(16):
            p = mark.get(x, y)
            if p is not None:
                c.put(11 + x, 4 + y, p)
    draw_text(c, '6170 DOCKLINE', 34, 8, WHITE, shadow=(STRIP_EDGE, 0.55), bold=True)
    for kind, (_, _, left, width, off) in SPOTS.items():
        spot = spot_image(kind, False)
        for y in range(16):
            for x in range(width):
                c.put(left + x, SPOT_TOP + y, spot.get(x, y))
    return c


# ---------------------------------------------------------------------------
# Sidebar group headers

def header(kind):
    c = Canvas(120, 20)
    c.gradient_rows([(0, (172, 216, 246)), (1, (98, 172, 228)), (9, (30, 130, 194)),
                     (10, (14, 116, 180)), (18, (0, 92, 150)), (19, BANNER_DARK)])
    c.fill(ellipse(40, -6, 90, 13), WHITE, 0.08)
    if kind == 0:
        # the download group: an arrow into a tray
        c.fill(rbox(10.5, 4, 13.5, 10) | poly([(7.5, 9.5), (16.5, 9.5), (12, 14)]), WHITE)
        c.fill(polyline([(6.5, 12.5), (6.5, 16), (17.5, 16), (17.5, 12.5)], 1.4), WHITE)
        chevron = [(105.5, 8), (109, 11.5), (112.5, 8)]
    else:
        # the organizer group: an address card
        c.fill(rbox(5.5, 4.5, 18.5, 15.5, 1.5).outline(1.3), WHITE)
        c.fill(circle(9.5, 8.6, 1.7), WHITE)
        c.fill(rbox(7, 11, 12, 13.2, 1), WHITE)
        c.fill(rbox(13.5, 8, 16.5, 9.2), WHITE, 0.9)
        c.fill(rbox(13.5, 11, 16.5, 12.2), WHITE, 0.9)
        chevron = [(105.5, 12), (109, 8.5), (112.5, 12)]
    c.fill(polyline(chevron, 1.6), WHITE, 0.9)
    for x in range(24, 98, 3):
        c.put(x, 10, WHITE, 0.22)
    return c


ART['182'] = lambda: header(0)
ART['193'] = lambda: header(1)


# ---------------------------------------------------------------------------
# State lamp: lit green when the device is present, unlit grey otherwise.
# The lamp button shows about 18 x 16 pixels of the image from its top-left
# corner, so the lamp is centred there.

def lamp(on):
    c = Canvas(20, 20)
    cx, cy = 9.0, 8.0
    if on:
        c.fill(circle(cx, cy, 9.2), GREEN_LIGHT, 0.35)
    c.fill(circle(cx, cy, 7.4), linear((246, 248, 250), (132, 140, 152), cx - 6, cy - 6, cx + 6, cy + 6))
    c.fill(circle(cx, cy, 7.4).outline(0.9), GREY_DARK, 0.6)
    if on:
        bulb = radial((214, 255, 196), (28, 138, 44), cx - 1.8, cy - 2.2, 8.0)
    else:
        bulb = radial((250, 250, 250), (128, 134, 146), cx - 1.8, cy - 2.2, 8.0)
    c.fill(circle(cx, cy, 5.4), bulb)
    c.fill(circle(cx, cy, 5.4).outline(0.8), GREEN_DARK if on else GREY_DARK, 0.5)
    c.fill(ellipse(cx - 1.8, cy - 2.4, 2.4, 1.5), WHITE, 0.85 if on else 0.7)
    return c


ART['145'] = lambda: lamp(True)
ART['146'] = lambda: lamp(False)


# ---------------------------------------------------------------------------
# Logo of the status row: the device and the model number

def device_vector(c, x0, y0, w, h, arrow=True):
    """The handheld device in the anti-aliased style of the large pictures."""
    x1, y1 = x0 + w, y0 + h
    r = w * 0.16
    c.fill(ellipse(x0 + w / 2.0, y1 + 1.0, w * 0.55, 2.2), (0, 40, 80), 0.12)
    c.fill(rbox(x0, y0, x1, y1, r), lit(BANNER, x0, y0, x1, y1, 0.4))
    c.fill(rbox(x0, y0, x1, y1, r).outline(1.0), BANNER_DARK, 0.8)
    c.fill(rbox(x0 + 1.5, y0 + 1.2, x1 - 1.5, y0 + h * 0.45, r * 0.8).outline(1.0), WHITE, 0.18)
    sx0, sy0, sx1, sy1 = x0 + w * 0.14, y0 + h * 0.11, x1 - w * 0.14, y0 + h * 0.48
    c.fill(rbox(sx0, sy0, sx1, sy1, 1.5), vertical(WHITE, CYAN, sy0, sy1))
    c.fill(rbox(sx0, sy0, sx1, sy1, 1.5).outline(1.0), BANNER_DARK, 0.7)
    lh = (sy1 - sy0) / 5.0
    for i, frac in enumerate((0.7, 0.5, 0.62)):
        y = sy0 + lh * (1.0 + i * 1.2)
        c.fill(rbox(sx0 + 2.5, y, sx0 + 2.5 + (sx1 - sx0 - 5) * frac, y + max(1.2, lh * 0.45), 0.6),
               NAVY if i == 0 else GREY)
    kw = (sx1 - sx0) / 3.0
    for row in range(2):
        for col in range(3):
            kx = sx0 + col * kw + kw * 0.15
            ky = y0 + h * (0.58 + row * 0.16)
            c.fill(rbox(kx, ky, kx + kw * 0.7, ky + h * 0.09, 1.2), lighter(BANNER, 0.6))
    if arrow:
        ax, ay, s = x1 - w * 0.05, y1 - h * 0.28, w * 0.42
        shape = (rbox(ax - s * 0.22, ay - s * 0.95, ax + s * 0.22, ay - s * 0.1, s * 0.06) |
                 poly([(ax - s * 0.6, ay - s * 0.2), (ax + s * 0.6, ay - s * 0.2), (ax, ay + s * 0.55)]))
        c.fill(shape.grow(1.0), WHITE)
        c.fill(shape, linear(lighter(ORANGE_MID, 0.4), ORANGE_DARK, ax - s, ay - s, ax + s, ay + s))
        c.fill(shape.outline(0.9), ORANGE_DARK, 0.7)


@art('142')
def logo():
    c = Canvas(120, 49)
    device_vector(c, 7, 4, 28, 40)
    digits = text_pixels('6170', 3, 1)
    ox, oy = 44, 6
    for (x, y) in digits:
        c.put(ox + x + 1, oy + y + 1, SIDEBAR)
    for (x, y) in digits:
        c.put(ox + x, oy + y, mix(BANNER_LIGHT, BANNER_DARK, y / 21.0))
    pill = rbox(44, 32, 113, 43, 5.5)
    c.fill(pill, vertical(lighter(ORANGE_MID, 0.25), ORANGE_MID, 32, 43))
    draw_text(c, 'DOCKLINE', 44 + (69 - text_width('DOCKLINE')) // 2, 34, WHITE,
              shadow=(ORANGE_DARK, 0.5))
    for y in range(c.h):
        c.put(0, y, BLACK)              # the window frame runs under the logo
    return c


# ---------------------------------------------------------------------------
# Hand pointer of the logo link, hotspot at the finger tip

HAND = [
    "     ##",
    "    #oo#",
    "    #oo#",
    "    #oo#",
    "    #oo#",
    "    #oo###",
    "    #oo#oo###",
    "    #oo#oo#oo##",
    " ## #oo#oo#oo#o#",
    "#oo##oo#oo#oo#o#",
    "#ooo#oooooooooo#",
    " #oo#oooooooooo#",
    " #oooooooooooooo#",
    "  #ooooooooooooo#",
    "  #ooooooooooooo#",
    "   #oooooooooooo#",
    "   #ooooooooooo#",
    "    #oooooooooo#",
    "    #oooooooooo#",
    "    ############",
]
HAND_HOTSPOT = (5, 0)


def hand_art():
    a = PixelArt(32, 32)
    a.pixels(HAND, {'#': BLACK, 'o': WHITE})
    return a


@art('143.cur')
def hand_cursor():
    return icon_file([(32, 32, 2, HAND_HOTSPOT[0], HAND_HOTSPOT[1], dib_cursor(hand_art()))], 2)


# ---------------------------------------------------------------------------
# Decoration at the foot of the sidebar: a reading owl on a stack of books

def sparkle(c, cx, cy, r, colour=YELLOW, alpha=1.0):
    c.fill(poly([(cx, cy - r), (cx + r * 0.28, cy - r * 0.28), (cx + r, cy),
                 (cx + r * 0.28, cy + r * 0.28), (cx, cy + r), (cx - r * 0.28, cy + r * 0.28),
                 (cx - r, cy), (cx - r * 0.28, cy - r * 0.28)]), colour, alpha)


def book_side(c, x0, y0, x1, y1, colour):
    """A closed book lying flat, seen from its spine, pages at the right."""
    c.fill(rbox(x0, y0, x1, y1, 2), lit(colour, x0, y0, x1, y1, 0.3))
    c.fill(rbox(x1 - 9, y0 + 2, x1 - 1.5, y1 - 2, 1), PAPER)
    for y in range(int(y0) + 3, int(y1) - 2, 2):
        c.fill(rbox(x1 - 8.5, y, x1 - 2, y + 0.6), PAPER_SHADE)
    c.fill(rbox(x0 + 6, y0 + (y1 - y0) * 0.35, x1 - 14, y0 + (y1 - y0) * 0.55), lighter(colour, 0.4))
    c.fill(rbox(x0, y0, x1, y1, 2).outline(1.0), darker(colour, 0.4), 0.8)


def owl(c, cx, cy, scale=1.0):
    k = scale
    blue = (78, 146, 212)
    c.fill(ellipse(cx, cy, 17 * k, 18 * k), lit(blue, cx - 17 * k, cy - 18 * k, cx + 17 * k, cy + 18 * k, 0.35))
    for side in (-1, 1):
        c.fill(ellipse_rot(cx + side * 14.5 * k, cy + 4 * k, 5 * k, 11 * k, side * -12),
               darker(blue, 0.25))
    c.fill(ellipse(cx, cy + 6 * k, 10.5 * k, 11 * k), vertical(PALE_BLUE, FACE, cy, cy + 16 * k))
    for (dx, dy) in ((-4, 2), (4, 2), (0, 6), (-5, 9), (5, 9), (0, 12)):
        x, y = cx + dx * k, cy + dy * k
        c.fill(polyline([(x - 2 * k, y), (x, y + 1.6 * k), (x + 2 * k, y)], 1.1), SIDEBAR)
    for side in (-1, 1):
        ex = cx + side * 7 * k
        ey = cy - 6 * k
        c.fill(circle(ex, ey, 7 * k), lighter(blue, 0.5))
        c.fill(circle(ex, ey, 5.6 * k), WHITE)
        c.fill(circle(ex + 0.8 * k, ey + 0.8 * k, 2.9 * k), INK)
        c.fill(circle(ex - 0.2 * k, ey - 0.4 * k, 1.0 * k), WHITE)
    c.fill(poly([(cx - 2.6 * k, cy - 2 * k), (cx + 2.6 * k, cy - 2 * k), (cx, cy + 2.8 * k)]), ORANGE_MID)
    for side in (-1, 1):
        c.fill(ellipse(cx + side * 6 * k, cy + 17.5 * k, 3.6 * k, 1.8 * k), ORANGE_MID)
    # mortarboard
    c.fill(rbox(cx - 9 * k, cy - 20 * k, cx + 9 * k, cy - 14.5 * k, 1.5), NAVY)
    c.fill(poly([(cx, cy - 27 * k), (cx + 17 * k, cy - 21.5 * k), (cx, cy - 16 * k),
                 (cx - 17 * k, cy - 21.5 * k)]), linear(lighter(NAVY, 0.3), darker(NAVY, 0.2),
                                                        cx - 17 * k, cy - 27 * k, cx + 17 * k, cy - 16 * k))
    c.fill(circle(cx, cy - 21.5 * k, 1.3 * k), YELLOW)
    c.fill(polyline([(cx, cy - 21.5 * k), (cx + 10 * k, cy - 19 * k), (cx + 11.5 * k, cy - 12 * k)], 1.2),
           YELLOW)
    c.fill(rbox(cx + 10.3 * k, cy - 13 * k, cx + 12.7 * k, cy - 9 * k, 1), YELLOW_DARK)


def apple(c, cx, cy, r):
    body = circle(cx - r * 0.35, cy, r * 0.78) | circle(cx + r * 0.35, cy, r * 0.78)
    c.fill(body, radial(lighter(RED, 0.4), RED_DARK, cx - r * 0.5, cy - r * 0.5, r * 1.8))
    c.fill(ellipse(cx - r * 0.45, cy - r * 0.35, r * 0.22, r * 0.32), WHITE, 0.6)
    c.fill(seg(cx, cy - r * 0.6, cx + r * 0.15, cy - r * 1.15, 1.4), (120, 80, 40))
    c.fill(ellipse_rot(cx + r * 0.5, cy - r * 1.0, r * 0.42, r * 0.2, -25), GREEN)


@art('201')
def sidebar_foot():
    c = Canvas(119, 80)
    c.fill(ellipse(58, 75, 56, 4.5), SIDEBAR, 0.7)
    book_side(c, 8, 62, 74, 74, GREEN)
    book_side(c, 13, 52, 70, 62.5, ORANGE_MID)
    owl(c, 41, 32, 1.0)
    apple(c, 92, 66, 8.5)
    bubble = rbox(76, 5, 114, 29, 8) | poly([(80, 24), (70, 35), (88, 27)])
    c.fill(bubble.grow(0.8), BANNER_LIGHT)
    c.fill(bubble, vertical(WHITE, PALE_BLUE, 5, 30))
    x = 95 - text_width('ABC') // 2
    for ch, col in zip('ABC', (BANNER, ORANGE_DARK, GREEN_DARK)):
        draw_text(c, ch, x, 13, col)
        x += 6
    sparkle(c, 70, 10, 3.5)
    sparkle(c, 112, 44, 3.0, ORANGE_MID)
    sparkle(c, 6, 20, 2.5, BANNER_LIGHT)
    return c


# ---------------------------------------------------------------------------
# Picture of the download page: content flows from the PC to the device.
# While a download runs the page puts its status text, progress bars, stop
# button and counter over the right half, roughly x 170..390, y 135..285 of
# this picture, so that area stays white and calm.

def badge(c, cx, cy, r, colour):
    c.fill(circle(cx + 1.5, cy + 2.5, r), (0, 40, 90), 0.08)
    c.fill(circle(cx, cy, r), radial(lighter(colour, 0.55), colour, cx - r * 0.5, cy - r * 0.5, r * 1.8))
    c.fill(circle(cx, cy, r).outline(1.2), darker(colour, 0.3), 0.7)
    c.fill(arc(cx, cy, r - 3.5, 1.8, 200, 260), WHITE, 0.5)


def glyph_note(c, cx, cy, s, colour=WHITE):
    c.fill(ellipse_rot(cx - s * 0.45, cy + s * 0.5, s * 0.27, s * 0.2, -22) |
           ellipse_rot(cx + s * 0.38, cy + s * 0.35, s * 0.27, s * 0.2, -22) |
           rbox(cx - s * 0.25, cy - s * 0.45, cx - s * 0.17, cy + s * 0.5) |
           rbox(cx + s * 0.58, cy - s * 0.62, cx + s * 0.66, cy + s * 0.35) |
           poly([(cx - s * 0.25, cy - s * 0.5), (cx + s * 0.66, cy - s * 0.7),
                 (cx + s * 0.66, cy - s * 0.5), (cx - s * 0.25, cy - s * 0.3)]), colour)


def glyph_book(c, cx, cy, s, colour=WHITE):
    left = poly([(cx - s * 0.7, cy - s * 0.45), (cx - s * 0.05, cy - s * 0.3),
                 (cx - s * 0.05, cy + s * 0.55), (cx - s * 0.7, cy + s * 0.4)])
    right = poly([(cx + s * 0.05, cy - s * 0.3), (cx + s * 0.7, cy - s * 0.45),
                  (cx + s * 0.7, cy + s * 0.4), (cx + s * 0.05, cy + s * 0.55)])
    c.fill(left | right, colour)


def glyph_picture(c, cx, cy, s, colour, bg):
    c.fill(rbox(cx - s * 0.7, cy - s * 0.5, cx + s * 0.7, cy + s * 0.5, s * 0.1), colour)
    c.fill(poly([(cx - s * 0.55, cy + s * 0.38), (cx - s * 0.2, cy - s * 0.05), (cx + s * 0.05, cy + s * 0.2),
                 (cx + s * 0.3, cy - s * 0.15), (cx + s * 0.58, cy + s * 0.38)]), bg)
    c.fill(circle(cx + s * 0.32, cy - s * 0.25, s * 0.12), bg)


def monitor(c, x0, y0, x1, y1):
    w, h = x1 - x0, y1 - y0
    cx = (x0 + x1) / 2.0
    # stand and base
    c.fill(poly([(cx - 12, y1 - 2), (cx + 12, y1 - 2), (cx + 16, y1 + 16), (cx - 16, y1 + 16)]),
           linear(GREY_LIGHT, GREY, cx - 16, y1, cx + 16, y1 + 16))
    c.fill(ellipse(cx, y1 + 22, w * 0.45, 4), (0, 40, 90), 0.08)
    c.fill(rbox(cx - 34, y1 + 14, cx + 34, y1 + 22, 4), linear(WHITE, GREY, cx - 34, y1 + 14, cx + 34, y1 + 24))
    c.fill(rbox(cx - 34, y1 + 14, cx + 34, y1 + 22, 4).outline(1), GREY, 0.8)
    # case and screen
    c.fill(rbox(x0 + 2, y0 + 3, x1 + 2, y1 + 3, 9), (0, 40, 90), 0.08)
    c.fill(rbox(x0, y0, x1, y1, 9), linear((246, 248, 251), (188, 196, 208), x0, y0, x1, y1))
    c.fill(rbox(x0, y0, x1, y1, 9).outline(1.2), GREY, 0.9)
    sx0, sy0, sx1, sy1 = x0 + 9, y0 + 9, x1 - 9, y1 - 16
    c.fill(rbox(sx0, sy0, sx1, sy1, 3), vertical((236, 246, 255), SIDEBAR, sy0, sy1))
    c.fill(rbox(sx0, sy0, sx1, sy1, 3).outline(1), GREY, 0.7)
    c.fill(circle(cx, y1 - 8, 2.2), GREEN)
    # a little window with a file list, as on the download page
    wx0, wy0, wx1, wy1 = sx0 + 10, sy0 + 9, sx1 - 10, sy1 - 9
    c.fill(rbox(wx0, wy0, wx1, wy1, 2), WHITE)
    c.fill(rbox(wx0, wy0, wx1, wy0 + 9, 2) | rbox(wx0, wy0 + 4, wx1, wy0 + 9), BANNER)
    for i, col in enumerate((PURPLE, BANNER_LIGHT, GREEN, ORANGE_MID)):
        y = wy0 + 14 + i * 11
        c.fill(rbox(wx0 + 5, y, wx0 + 12, y + 7, 1.5), col)
        c.fill(rbox(wx0 + 16, y + 2, wx1 - 8 - (i % 3) * 12, y + 5, 1.5), GREY_LIGHT)
    c.fill(rbox(wx0, wy0, wx1, wy1, 2).outline(1), GREY, 0.6)


def handheld(c, x0, y0, x1, y1):
    w, h = x1 - x0, y1 - y0
    c.fill(rbox(x0 + 3, y0 + 4, x1 + 3, y1 + 4, 14), (0, 40, 90), 0.10)
    c.fill(rbox(x0, y0, x1, y1, 14), lit(BANNER, x0, y0, x1, y1, 0.45))
    c.fill(rbox(x0 + 3, y0 + 3, x1 - 3, y0 + h * 0.45, 11).outline(1.5), WHITE, 0.15)
    c.fill(rbox(x0, y0, x1, y1, 14).outline(1.4), BANNER_DARK, 0.8)
    sx0, sy0, sx1, sy1 = x0 + 9, y0 + 12, x1 - 9, y0 + h * 0.5
    c.fill(rbox(sx0, sy0, sx1, sy1, 4), vertical(WHITE, CYAN, sy0, sy1))
    c.fill(rbox(sx0, sy0, sx1, sy1, 4).outline(1.2), BANNER_DARK, 0.7)
    # the device screen: model number and a progress bar
    tw = text_width('6170', 2)
    draw_text(c, '6170', int((sx0 + sx1) / 2 - tw / 2), int(sy0 + 9), NAVY, 2)
    by = sy1 - 16
    c.fill(rbox(sx0 + 7, by, sx1 - 7, by + 7, 3.5), WHITE)
    c.fill(rbox(sx0 + 7, by, sx1 - 7, by + 7, 3.5).outline(1), GREY, 0.8)
    c.fill(rbox(sx0 + 8, by + 1, sx0 + 8 + (sx1 - sx0 - 16) * 0.62, by + 6, 2.5), GREEN)
    # keys
    kw = (sx1 - sx0) / 3.0
    for row in range(3):
        for col in range(3):
            kx = sx0 + col * kw + kw * 0.14
            ky = sy1 + 12 + row * 16
            c.fill(rbox(kx, ky, kx + kw * 0.72, ky + 9, 4), lighter(BANNER, 0.65))
            c.fill(rbox(kx, ky, kx + kw * 0.72, ky + 9, 4).outline(1), BANNER_DARK, 0.35)
    c.fill(circle((x0 + x1) / 2.0, y1 - 10, 3.2), lighter(BANNER, 0.5))


def fade_edges(c, side, bottom):
    """Lets what is drawn so far dissolve into white towards the left, right
    and bottom edges, so the picture has no visible border on the page."""
    for y in range(c.h):
        for x in range(c.w):
            t = min(1.0, x / float(side), (c.w - 1 - x) / float(side), (c.h - 1 - y) / float(bottom))
            t = t * t * (3 - 2 * t)
            if t < 1.0:
                c.put(x, y, WHITE, 1.0 - t)


@art('199')
def download_picture():
    c = Canvas(405, 391)
    # calm ground at the foot
    c.fill(ellipse(110, 452, 260, 140), PALE_BLUE)
    c.fill(ellipse(360, 470, 230, 150), (228, 238, 252))
    fade_edges(c, 70, 45)
    c.fill(ellipse(95, 360, 68, 10), SIDEBAR, 0.8)
    # the PC and the device, joined by a big arrow
    monitor(c, 22, 26, 172, 132)
    handheld(c, 58, 212, 134, 356)
    arrow = rbox(84, 170, 108, 190, 3) | poly([(70, 188), (122, 188), (96, 208)])
    c.fill(arrow.shift(1.5, 2.5), (0, 40, 90), 0.1)
    c.fill(arrow, linear(lighter(ORANGE, 0.3), ORANGE_MID, 80, 170, 112, 208))
    c.fill(arrow.outline(1.2), ORANGE_DARK, 0.8)
    for i in range(3):
        c.fill(circle(96, 162 - i * 8, 2.2 - i * 0.5), ORANGE_MID, 0.8 - i * 0.2)
    # content on its way into the PC
    path = [(392, 100), (366, 86), (316, 70), (264, 86), (214, 104), (186, 92)]
    for (a0, a1) in zip(path, path[1:]):
        n = max(2, int(math.hypot(a1[0] - a0[0], a1[1] - a0[1]) / 9))
        for i in range(n):
            t = i / float(n)
            c.fill(circle(a0[0] + (a1[0] - a0[0]) * t, a0[1] + (a1[1] - a0[1]) * t, 1.8), SIDEBAR)
    for (x, y, col, kind) in ((366, 86, PURPLE, 'note'), (316, 70, BANNER_LIGHT, 'book'),
                              (264, 86, GREEN, 'picture'), (214, 104, ORANGE_MID, 'abc')):
        badge(c, x, y, 21, col)
        if kind == 'note':
            glyph_note(c, x - 2, y, 15)
        elif kind == 'book':
            glyph_book(c, x, y, 17)
        elif kind == 'picture':
            glyph_picture(c, x, y, 18, WHITE, GREEN)
        else:
            draw_text(c, 'ABC', x - text_width('ABC', 2) // 2, y - 7, WHITE, 2,
                      shadow=(ORANGE_DARK, 0.35))
    sparkle(c, 388, 24, 5)
    sparkle(c, 236, 22, 4, ORANGE)
    sparkle(c, 30, 190, 5, SIDEBAR)
    sparkle(c, 150, 250, 6, YELLOW)
    sparkle(c, 160, 300, 3.5, ORANGE)
    return c


# ---------------------------------------------------------------------------

def build(name):
    result = ART[name]()
    if isinstance(result, PixelArt):
        return result.on(KEY)
    return result


def main(argv):
    out = argv[1] if len(argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), '..', 'res', 'art')
    os.makedirs(out, exist_ok=True)
    only = set(argv[2:])
    for name in sorted(ART):
        if only and name not in only:
            continue
        if name.endswith('.ico') or name.endswith('.cur'):
            data = ART[name]()
            path = os.path.join(out, name)
        else:
            data = bmp_bytes(build(name))
            path = os.path.join(out, name + '.bmp')
        with open(path, 'wb') as fh:
            fh.write(data)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
