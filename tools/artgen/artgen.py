#!/usr/bin/env python3
"""Draws the module's skin and button bitmaps and the joystick cursor.

    python3 tools/artgen/artgen.py OUTDIR          write OUTDIR/bitmaps/<id>.bmp
                                                   and OUTDIR/cursors/6062.cur
    python3 tools/artgen/artgen.py --check DIR     regenerate in memory, compare
                                                   byte for byte, exit 1 on any
                                                   difference or stray file

Standard library only and fully deterministic: shapes are anti-aliased by
counting sub-pixel samples (exact arithmetic, no trigonometry), so the same
bytes come out on every machine and every run.

Every bitmap is an uncompressed 24-bit bottom-up BMP. Pure red RGB(255,0,0)
is the buttons' shape key (the button cuts those pixels out of its window),
so it appears only where a button is meant to be transparent, never in a skin.
"""

import os
import struct
import sys

KEY = (255, 0, 0)

# --------------------------------------------------------------------------
# Raster helpers
# --------------------------------------------------------------------------

SS = 4                                     # sub-samples per axis
SUBS = [(i + 0.5) / SS for i in range(SS)]


def mix(a, b, t):
    """Colour a blended towards b by t (0..1), rounded half up."""
    return tuple(int(a[i] + (b[i] - a[i]) * t + 0.5) for i in range(3))


def lighter(c, t):
    return mix(c, (255, 255, 255), t)


def darker(c, t):
    return mix(c, (0, 0, 0), t)


def vgrad(y0, y1, top, bottom):
    """Colour function: vertical gradient from row y0 to row y1."""
    span = max(1, y1 - y0)

    def colour(_x, y):
        t = min(1.0, max(0.0, (y - y0) / span))
        return mix(top, bottom, t)
    return colour


class Canvas:
    def __init__(self, w, h, fill=(0, 0, 0)):
        self.w, self.h = w, h
        self.px = bytearray(bytes(fill) * (w * h))

    def get(self, x, y):
        i = 3 * (y * self.w + x)
        return tuple(self.px[i:i + 3])

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            i = 3 * (y * self.w + x)
            self.px[i:i + 3] = bytes(c)

    def blend(self, x, y, c, t):
        if t >= 1.0:
            self.put(x, y, c)
        elif t > 0.0 and 0 <= x < self.w and 0 <= y < self.h:
            self.put(x, y, mix(self.get(x, y), c, t))

    def fill(self, x0, y0, x1, y1, colour):
        """Fills [x0,x1) x [y0,y1); colour is an RGB tuple or a function (x, y)."""
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                self.put(x, y, colour(x, y) if callable(colour) else colour)

    def hline(self, x0, x1, y, c):
        self.fill(x0, y, x1 + 1, y + 1, c)

    def vline(self, x, y0, y1, c):
        self.fill(x, y0, x + 1, y1 + 1, c)

    def bevel(self, x0, y0, x1, y1, tl, br):
        """One-pixel 3D frame on the inclusive rectangle."""
        self.hline(x0, x1, y0, tl)
        self.vline(x0, y0, y1, tl)
        self.hline(x0, x1, y1, br)
        self.vline(x1, y0, y1, br)

    def shape(self, inside, bbox, colour, convex=True, alpha=1.0):
        """Paints the region where inside(x, y) holds, anti-aliased.

        inside takes continuous coordinates (pixel x covers [x, x+1)). For
        convex shapes a pixel whose four corners are inside is fully covered,
        which spares most of the sampling.
        """
        x0, y0, x1, y1 = bbox
        for y in range(max(0, int(y0)), min(self.h, int(y1) + 1)):
            for x in range(max(0, int(x0)), min(self.w, int(x1) + 1)):
                cov = coverage(inside, x, y, convex)
                if cov > 0.0:
                    c = colour(x, y) if callable(colour) else colour
                    self.blend(x, y, c, cov * alpha)

    def text(self, x, y, s, colour, font):
        """Draws s with its top-left at (x, y); returns the width used."""
        start = x
        for ch in s:
            glyph = font[ch]
            for gy, row in enumerate(glyph):
                for gx, bit in enumerate(row):
                    if bit == '#':
                        self.put(x + gx, y + gy, colour)
            x += glyph_width(glyph) + 1
        return x - start - 1

    def bmp(self):
        """Uncompressed 24-bit bottom-up BMP with fixed header fields."""
        stride = (self.w * 3 + 3) & ~3
        pad = bytes(stride - self.w * 3)
        rows = []
        for y in range(self.h - 1, -1, -1):
            row = bytearray()
            for x in range(self.w):
                r, g, b = self.get(x, y)
                row += bytes((b, g, r))
            rows.append(bytes(row) + pad)
        pixels = b''.join(rows)
        info = struct.pack('<IiiHHIIiiII', 40, self.w, self.h, 1, 24, 0,
                           len(pixels), 2835, 2835, 0, 0)
        head = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels),
                           0, 0, 14 + len(info))
        return head + info + pixels


def coverage(inside, x, y, convex):
    if convex and inside(x, y) and inside(x + 1, y) and \
            inside(x, y + 1) and inside(x + 1, y + 1):
        return 1.0
    n = 0
    for sy in SUBS:
        for sx in SUBS:
            if inside(x + sx, y + sy):
                n += 1
    return n / (SS * SS)


# Shape predicates, all in continuous coordinates.

def rrect(x0, y0, x1, y1, r):
    def inside(px, py):
        if not (x0 <= px <= x1 and y0 <= py <= y1):
            return False
        cx = min(max(px, x0 + r), x1 - r)
        cy = min(max(py, y0 + r), y1 - r)
        return (px - cx) ** 2 + (py - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda px, py: (px - cx) ** 2 + (py - cy) ** 2 <= r * r


def polygon(points):
    def inside(px, py):
        hit = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > py) != (yj > py) and \
                    px < (xj - xi) * (py - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit
    return inside


def ring(cx, cy, r_out, r_in):
    return lambda px, py: r_in * r_in <= (px - cx) ** 2 + (py - cy) ** 2 <= r_out * r_out


def bounds(points, grow=1):
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return (min(xs) - grow, min(ys) - grow, max(xs) + grow, max(ys) + grow)


# --------------------------------------------------------------------------
# Fonts: '#' is ink. The label font is proportional (cap height 7, x-height 5,
# descenders 2); the tiny font is for the 19 px wide exit buttons.
# --------------------------------------------------------------------------

def glyph_width(glyph):
    return max(len(row) for row in glyph)


LABEL_FONT = {
    ' ': ('..',),
    'A': ('.###.', '#...#', '#...#', '#####', '#...#', '#...#', '#...#'),
    'B': ('####.', '#...#', '#...#', '####.', '#...#', '#...#', '####.'),
    'C': ('.###.', '#...#', '#....', '#....', '#....', '#...#', '.###.'),
    'D': ('####.', '#...#', '#...#', '#...#', '#...#', '#...#', '####.'),
    'E': ('#####', '#....', '#....', '####.', '#....', '#....', '#####'),
    'F': ('#####', '#....', '#....', '####.', '#....', '#....', '#....'),
    'G': ('.###.', '#...#', '#....', '#.###', '#...#', '#...#', '.####'),
    'H': ('#...#', '#...#', '#...#', '#####', '#...#', '#...#', '#...#'),
    'I': ('###', '.#.', '.#.', '.#.', '.#.', '.#.', '###'),
    'J': ('..###', '...#.', '...#.', '...#.', '...#.', '#..#.', '.##..'),
    'K': ('#...#', '#..#.', '#.#..', '##...', '#.#..', '#..#.', '#...#'),
    'L': ('#....', '#....', '#....', '#....', '#....', '#....', '#####'),
    'M': ('#...#', '##.##', '#.#.#', '#.#.#', '#...#', '#...#', '#...#'),
    'N': ('#...#', '##..#', '#.#.#', '#..##', '#...#', '#...#', '#...#'),
    'O': ('.###.', '#...#', '#...#', '#...#', '#...#', '#...#', '.###.'),
    'P': ('####.', '#...#', '#...#', '####.', '#....', '#....', '#....'),
    'Q': ('.###.', '#...#', '#...#', '#...#', '#.#.#', '#..#.', '.##.#'),
    'R': ('####.', '#...#', '#...#', '####.', '#.#..', '#..#.', '#...#'),
    'S': ('.####', '#....', '#....', '.###.', '....#', '....#', '####.'),
    'T': ('#####', '..#..', '..#..', '..#..', '..#..', '..#..', '..#..'),
    'U': ('#...#', '#...#', '#...#', '#...#', '#...#', '#...#', '.###.'),
    'V': ('#...#', '#...#', '#...#', '#...#', '#...#', '.#.#.', '..#..'),
    'W': ('#...#', '#...#', '#...#', '#.#.#', '#.#.#', '##.##', '#...#'),
    'X': ('#...#', '#...#', '.#.#.', '..#..', '.#.#.', '#...#', '#...#'),
    'Y': ('#...#', '#...#', '.#.#.', '..#..', '..#..', '..#..', '..#..'),
    'Z': ('#####', '....#', '...#.', '..#..', '.#...', '#....', '#####'),
    'a': ('', '', '.##.', '...#', '.###', '#..#', '.###'),
    'b': ('#...', '#...', '###.', '#..#', '#..#', '#..#', '###.'),
    'c': ('', '', '.###', '#...', '#...', '#...', '.###'),
    'd': ('...#', '...#', '.###', '#..#', '#..#', '#..#', '.###'),
    'e': ('', '', '.##.', '#..#', '####', '#...', '.###'),
    'f': ('..##', '.#..', '####', '.#..', '.#..', '.#..', '.#..'),
    'g': ('', '', '.###', '#..#', '#..#', '#..#', '.###', '...#', '.##.'),
    'h': ('#...', '#...', '###.', '#..#', '#..#', '#..#', '#..#'),
    'i': ('#', '.', '#', '#', '#', '#', '#'),
    'j': ('..#', '...', '.##', '..#', '..#', '..#', '..#', '#.#', '.#.'),
    'k': ('#...', '#...', '#..#', '#.#.', '##..', '#.#.', '#..#'),
    'l': ('#', '#', '#', '#', '#', '#', '#'),
    'm': ('', '', '##.#.', '#.#.#', '#.#.#', '#.#.#', '#.#.#'),
    'n': ('', '', '###.', '#..#', '#..#', '#..#', '#..#'),
    'o': ('', '', '.##.', '#..#', '#..#', '#..#', '.##.'),
    'p': ('', '', '###.', '#..#', '#..#', '#..#', '###.', '#...', '#...'),
    'q': ('', '', '.###', '#..#', '#..#', '#..#', '.###', '...#', '...#'),
    'r': ('', '', '#.##', '##..', '#...', '#...', '#...'),
    's': ('', '', '.###', '#...', '.##.', '...#', '###.'),
    't': ('.#.', '.#.', '###', '.#.', '.#.', '.#.', '..#'),
    'u': ('', '', '#..#', '#..#', '#..#', '#..#', '.###'),
    'v': ('', '', '#...#', '#...#', '#...#', '.#.#.', '..#..'),
    'w': ('', '', '#...#', '#...#', '#.#.#', '#.#.#', '.#.#.'),
    'x': ('', '', '#...#', '.#.#.', '..#..', '.#.#.', '#...#'),
    'y': ('', '', '#..#', '#..#', '#..#', '#..#', '.###', '...#', '.##.'),
    'z': ('', '', '#####', '...#.', '..#..', '.#...', '#####'),
}

TINY_FONT = {
    'E': ('###', '#..', '##.', '#..', '###'),
    'X': ('#.#', '#.#', '.#.', '#.#', '#.#'),
    'I': ('#', '#', '#', '#', '#'),
    'T': ('###', '.#.', '.#.', '.#.', '.#.'),
}

# The two characters of the colour panel's default button, drawn for 12 px.
HAN_FONT = {
    '缺': ('.#......#...',
           '.####...#...',
           '#.#...#####.',
           '..#.....#.#.',
           '#####...#.#.',
           '..#..#######',
           '#.#.#...#...',
           '#.#.#..#.#..',
           '#.#.#..#.#..',
           '#.#.#.#...#.',
           '#####.#....#',
           '............'),
    '省': ('.....#......',
           '..#..#..#...',
           '.#...#...#..',
           '#....#..##..',
           '.....####...',
           '...######...',
           '.##.#....#..',
           '....######..',
           '....#....#..',
           '....######..',
           '....#....#..',
           '....######..'),
}


def text_width(s, font):
    return sum(glyph_width(font[ch]) + 1 for ch in s) - 1


# --------------------------------------------------------------------------
# Palette
# --------------------------------------------------------------------------

FRAME = (38, 50, 76)
HEADER_TOP = (78, 108, 162)
HEADER_BOTTOM = (40, 62, 106)
BODY_TOP = (222, 228, 238)
BODY_BOTTOM = (196, 205, 221)
PLATE = (236, 240, 247)
PLATE_EDGE = (146, 158, 184)
INK = (34, 48, 80)             # labels on the plates
INK_SOFT = (104, 118, 148)
WHITE = (255, 255, 255)
SPEED_BOX = (244, 246, 253)    # the dome panel writes its speed on exactly this
HEADER_MID = mix(HEADER_TOP, HEADER_BOTTOM, 0.5)
FOOTER = (206, 214, 229)

# Button schemes: face gradient top/bottom, outline, glyph colour per state.
LIGHT = {
    'normal':  dict(top=(252, 253, 255), bottom=(200, 210, 228), edge=(86, 100, 132), ink=INK),
    'hover':   dict(top=(255, 255, 255), bottom=(214, 228, 250), edge=(46, 104, 196), ink=(22, 74, 170)),
    'pressed': dict(top=(160, 174, 200), bottom=(196, 207, 226), edge=(40, 52, 80), ink=(14, 26, 56)),
}
ALERT = {
    'normal':  dict(top=(226, 112, 100), bottom=(170, 52, 46), edge=(104, 26, 24), ink=WHITE),
    'hover':   dict(top=(244, 144, 130), bottom=(198, 72, 62), edge=(124, 34, 30), ink=WHITE),
    'pressed': dict(top=(128, 34, 30), bottom=(166, 56, 50), edge=(84, 18, 16), ink=(250, 226, 222)),
}
STATES = ('normal', 'pressed', 'hover')

# --------------------------------------------------------------------------
# Buttons
# --------------------------------------------------------------------------


def button(w, h, outline, scheme, state, backdrop, glyph):
    """A shaped button face.

    outline(d) returns the predicate of the shape shrunk by d pixels. Edges
    are anti-aliased against backdrop (the skin colour around the button);
    pixels less than half covered by the outline become the key colour.
    glyph(canvas, dx, dy, ink) draws the symbol, shifted when pressed.
    """
    s = scheme[state]
    c = Canvas(w, h, backdrop)
    box = (0, 0, w, h)
    c.shape(outline(0), box, s['edge'])
    c.shape(outline(1), box, vgrad(1, h - 2, s['top'], s['bottom']))
    inner = outline(1)
    if state == 'pressed':
        # Inset look: a shadow along the top and left inner edge.
        c.shape(lambda x, y: inner(x, y) and not inner(x - 1.5, y - 1.5), box,
                darker(s['top'], 0.35), convex=False)
    else:
        # Raised look: a bright rim along the top edge.
        c.shape(lambda x, y: inner(x, y) and not inner(x, y - 1.0), box,
                WHITE, convex=False, alpha=0.8)
    shift = 1 if state == 'pressed' else 0
    glyph(c, shift, shift, s['ink'])
    keep = outline(0)
    for y in range(h):
        for x in range(w):
            if coverage(keep, x, y, True) < 0.5:
                c.put(x, y, KEY)
    return c


def round_outline(w, h):
    cx, cy, r = w / 2.0, h / 2.0, min(w, h) / 2.0
    return lambda d: circle(cx, cy, r - d)


def rect_outline(x0, y0, x1, y1, r):
    return lambda d: rrect(x0 + d, y0 + d, x1 - d, y1 - d, max(0.5, r - d))


def centred_text(s, font, w, h):
    tw = text_width(s, font)
    th = max(len(g) for g in (font[ch] for ch in s))
    cap = 7 if font is LABEL_FONT else th   # descenders hang below the centre
    x = (w - tw) // 2
    y = (h - cap) // 2

    def draw(c, dx, dy, ink):
        c.text(x + dx, y + dy, s, ink, font)
    return draw


def arrow_glyph(direction, w, h):
    """A solid triangle pointing the given way, centred on the button."""
    cx, cy = w / 2.0, h / 2.0
    a, b = 4.5, 3.5        # half length along the arrow, half base
    pts = {
        'up':    [(cx, cy - a), (cx + b + 1, cy + b - 0.5), (cx - b - 1, cy + b - 0.5)],
        'down':  [(cx, cy + a), (cx - b - 1, cy - b + 0.5), (cx + b + 1, cy - b + 0.5)],
        'left':  [(cx - a, cy), (cx + b - 0.5, cy - b - 1), (cx + b - 0.5, cy + b + 1)],
        'right': [(cx + a, cy), (cx - b + 0.5, cy + b + 1), (cx - b + 0.5, cy - b - 1)],
    }[direction]

    def draw(c, dx, dy, ink):
        moved = [(x + dx, y + dy) for x, y in pts]
        c.shape(polygon(moved), bounds(moved), ink)
    return draw


def plus_minus_glyph(plus, w, h):
    def draw(c, dx, dy, ink):
        x0, x1 = 5 + dx, w - 5 + dx          # 8 px long, 2 px thick
        yc = h // 2 + dy
        c.fill(x0, yc - 1, x1, yc + 1, ink)
        if plus:
            xc = w // 2 + dx
            c.fill(xc - 1, 5 + dy, xc + 1, h - 5 + dy, ink)
    return draw


def bold_a_glyph(w, h):
    pts_outer = [(9.0, 3.5), (13.6, 14.5), (11.2, 14.5), (9.0, 8.2), (6.8, 14.5), (4.4, 14.5)]

    def draw(c, dx, dy, ink):
        moved = [(x + dx, y + dy) for x, y in pts_outer]
        c.shape(polygon(moved), bounds(moved), ink, convex=False)
        c.fill(7 + dx, 10 + dy, 11 + dx, 12 + dy, ink)
    return draw


def stop_glyph(w, h):
    def draw(c, dx, dy, ink):
        c.shape(rrect(5.5 + dx, 5.5 + dy, w - 5.5 + dx, h - 5.5 + dy, 1.0),
                (4, 4, w - 4, h - 4), ink)
    return draw


def menu_glyph(w, h):
    def draw(c, dx, dy, ink):
        for y in (6, 9, 12):
            c.fill(5 + dx, y - 1 + dy, w - 5 + dx, y + 1 + dy, ink)
    return draw


def chevrons_glyph(w, h):
    def draw(c, dx, dy, ink):
        for x in (5.0, 9.5):
            pts = [(x + dx, 5 + dy), (x + 2 + dx, 5 + dy), (x + 5.5 + dx, 9 + dy),
                   (x + 2 + dx, 13 + dy), (x + dx, 13 + dy), (x + 3.5 + dx, 9 + dy)]
            c.shape(polygon(pts), bounds(pts), ink, convex=False)
    return draw


def exit_glyph(w, h):
    """A small cross above the word EXIT."""
    cross = ('#...#', '##.##', '.###.', '##.##', '#...#')

    def draw(c, dx, dy, ink):
        for gy, row in enumerate(cross):
            for gx, bit in enumerate(row):
                if bit == '#':
                    c.put((w - 5) // 2 + gx + dx, 4 + gy + dy, ink)
        tw = text_width('EXIT', TINY_FONT)
        c.text((w - tw) // 2 + dx, 12 + dy, 'EXIT', ink, TINY_FONT)
    return draw


def han_glyph(s, w, h):
    def draw(c, dx, dy, ink):
        tw = 12 * len(s) + (len(s) - 1)
        x = (w - tw) // 2
        y = (h - 12) // 2
        c.text(x + dx, y + dy, s, ink, HAN_FONT)
    return draw


# The dome panel's 12 x 12 DLU buttons come out 18 x 18 px with the panel's
# font; the list side's 30 x 11 DLU buttons 45 x 17 px.
SMALL = 18
LIST_W, LIST_H = 45, 17


def button_set(ids, make):
    """ids: (normal, pressed, hover) resource ids; make(state) -> Canvas."""
    return {rid: make(state) for rid, state in zip(ids, STATES)}


def dome_buttons(backdrop):
    out = {}
    disc = round_outline(SMALL, SMALL)
    square = rect_outline(0, 0, SMALL, SMALL, 4.5)
    for ids, direction in (((6048, 6085, 6084), 'up'), ((6057, 6056, 6055), 'down'),
                           ((6060, 6059, 6058), 'left'), ((6088, 6087, 6086), 'right')):
        g = arrow_glyph(direction, SMALL, SMALL)
        out.update(button_set(ids, lambda st, g=g: button(SMALL, SMALL, disc, LIGHT, st, backdrop, g)))
    for ids, glyph in (((6121, 6049, 6122), plus_minus_glyph(True, SMALL, SMALL)),
                       ((6104, 6065, 6118), plus_minus_glyph(False, SMALL, SMALL)),
                       ((6050, 6052, 6051), bold_a_glyph(SMALL, SMALL)),
                       ((6134, 6133, 6135), stop_glyph(SMALL, SMALL)),
                       ((6063, 6062, 6061), menu_glyph(SMALL, SMALL)),
                       ((6089, 6091, 6090), chevrons_glyph(SMALL, SMALL))):
        out.update(button_set(ids, lambda st, g=glyph: button(SMALL, SMALL, square, LIGHT, st, backdrop, g)))
    pill = rect_outline(0, 0, LIST_W, LIST_H, 4.0)
    for ids, label in (((6125, 6124, 6123), 'Refresh'), ((6120, 6117, 6116), 'Position'),
                       ((6126, 6127, 6128), 'Serial')):
        g = centred_text(label, LABEL_FONT, LIST_W, LIST_H)
        out.update(button_set(ids, lambda st, g=g: button(LIST_W, LIST_H, pill, LIGHT, st,
                                                         HEADER_MID, g)))
    return out


def exit_buttons():
    w, h = 19, 20
    shape = rect_outline(0, 0, w, h, 4.5)
    return button_set((6119, 6054, 6112),
                      lambda st: button(w, h, shape, ALERT, st, HEADER_MID, exit_glyph(w, h)))


def default_buttons():
    # A one-pixel key margin and three key rows at the bottom let the panel's
    # bottom frame show under the button, which sits on the panel's last rows.
    w, h = 37, 28
    shape = rect_outline(1, 1, w - 1, h - 2, 5.0)
    return button_set((260, 261, 262),
                      lambda st: button(w, h, shape, LIGHT, st, FOOTER,
                                        han_glyph('缺省', w, h - 2)))


# --------------------------------------------------------------------------
# Skins
# --------------------------------------------------------------------------

def px(dlu):
    """Dialog units to pixels with the panels' font (6 x 12 base units)."""
    return (dlu * 6 + 2) // 4


def panel_frame(c, vw, vh, header_bottom):
    """Outer frame, header band and body of a borderless panel whose visible
    client area is vw x vh; anything beyond it repeats the frame colour."""
    c.fill(0, 0, c.w, c.h, FRAME)
    c.fill(1, 1, vw - 1, header_bottom, vgrad(1, header_bottom - 1, HEADER_TOP, HEADER_BOTTOM))
    c.fill(1, header_bottom, vw - 1, vh - 1, vgrad(header_bottom, vh - 2, BODY_TOP, BODY_BOTTOM))
    c.hline(1, vw - 2, header_bottom, darker(HEADER_BOTTOM, 0.3))
    c.hline(1, vw - 2, header_bottom + 1, lighter(BODY_TOP, 0.6))
    # Soft highlight inside the frame so the panel reads as raised.
    c.hline(1, vw - 2, 1, lighter(HEADER_TOP, 0.35))
    c.vline(1, 1, header_bottom - 1, lighter(HEADER_TOP, 0.2))
    c.vline(1, header_bottom + 2, vh - 2, lighter(BODY_TOP, 0.5))


def plate(c, x0, y0, x1, y1, r=6.0):
    """A slightly raised light plate on the inclusive rectangle."""
    bb = (x0, y0, x1 + 1, y1 + 1)
    c.shape(rrect(x0, y0, x1 + 1, y1 + 1, r), bb, PLATE_EDGE)
    c.shape(rrect(x0 + 1, y0 + 1, x1, y1, r - 1), bb, vgrad(y0, y1, lighter(PLATE, 0.5), PLATE))


def socket(c, x, y, w, h, round_):
    """A faint groove one pixel outside where a button sits, so the button
    looks set into the plate."""
    if round_:
        cx, cy, r = x + w / 2.0, y + h / 2.0, w / 2.0
        c.shape(ring(cx, cy, r + 1.3, r - 0.5), (x - 2, y - 2, x + w + 2, y + h + 2),
                PLATE_EDGE, convex=False, alpha=0.55)
    else:
        outer = rrect(x - 1.3, y - 1.3, x + w + 1.3, y + h + 1.3, 5.5)
        inner = rrect(x + 0.5, y + 0.5, x + w - 0.5, y + h - 0.5, 4.0)
        c.shape(lambda a, b: outer(a, b) and not inner(a, b), (x - 2, y - 2, x + w + 2, y + h + 2),
                PLATE_EDGE, convex=False, alpha=0.55)


# The dome panel: 282 x 200 DLU; the narrow form shows 168 x 300 pixels.
DOME_W, DOME_H = 169, 302
DOME_VIS_W, DOME_VIS_H = 168, 300
DOME_HEADER = 38
JOY = (px(29), px(55), px(29 + 52), px(55 + 52))     # (44, 83, 122, 161)
SPEED_TEXT = (74, 248)


def joystick_well(c, x0, y0, x1, y1):
    """The square pad where the joystick is held: sunken, dark, with guides."""
    c.bevel(x0 - 1, y0 - 1, x1, y1, (120, 132, 158), WHITE)
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    half = (x1 - x0) / 2.0
    centre, rim = (74, 96, 140), (30, 42, 68)
    for y in range(y0, y1):
        for x in range(x0, x1):
            dx, dy = x + 0.5 - cx, y + 0.5 - cy
            t = min(1.0, (dx * dx + dy * dy) / (2 * half * half))
            c.put(x, y, mix(centre, rim, t))
    c.bevel(x0, y0, x1 - 1, y1 - 1, (22, 30, 50), (92, 110, 150))
    guide = (150, 172, 214)
    box = (x0 + 1, y0 + 1, x1 - 2, y1 - 2)
    for r in (12.0, 24.0, 36.0):
        c.shape(ring(cx, cy, r + 0.5, r - 0.5), box, guide, convex=False, alpha=0.45)
    for t in range(x0 + 3, x1 - 3):
        if abs(t + 0.5 - cx) > 7:
            c.blend(t, int(cy), guide, 0.45)
            c.blend(int(cx), t - x0 + y0, guide, 0.45)
    # Short ticks where the eight directions lie.
    for ax, ay in ((0, -1), (0, 1), (-1, 0), (1, 0)):
        bx, by = cx + ax * (half - 3), cy + ay * (half - 3)
        c.shape(circle(bx, by, 1.6), (bx - 3, by - 3, bx + 3, by + 3), guide)
    # The stick's knob in the middle.
    c.shape(circle(cx, cy + 1.0, 7.5), (cx - 9, cy - 9, cx + 9, cy + 10), (16, 22, 38), alpha=0.6)
    c.shape(circle(cx, cy, 7.0), (cx - 8, cy - 8, cx + 8, cy + 8), (120, 140, 180))
    c.shape(circle(cx, cy, 6.0), (cx - 8, cy - 8, cx + 8, cy + 8),
            vgrad(int(cy - 6), int(cy + 6), (236, 242, 252), (150, 168, 204)))
    c.shape(circle(cx - 1.8, cy - 2.2, 2.2), (cx - 5, cy - 5, cx + 1, cy + 1), WHITE, alpha=0.8)


def groove(c, x0, x1, y):
    c.hline(x0, x1, y, PLATE_EDGE)
    c.hline(x0, x1, y + 1, WHITE)


def dome_left():
    c = Canvas(DOME_W, DOME_H)
    panel_frame(c, DOME_VIS_W, DOME_VIS_H, DOME_HEADER)

    # Steering plate: direction buttons round the joystick pad.
    plate(c, 6, 44, DOME_VIS_W - 7, 187)
    c.text(12, 50, 'PTZ', INK_SOFT, LABEL_FONT)
    for (x, y) in ((px(48), px(42)), (px(47), px(108)), (px(17), px(72)), (px(83), px(70))):
        socket(c, x, y, SMALL, SMALL, True)
    joystick_well(c, *JOY)

    # Lens and speed plate: one row per function, minus/plus/auto buttons.
    plate(c, 6, 192, DOME_VIS_W - 7, DOME_VIS_H - 3)
    rows = (('Iris', 133), ('Focus', 146), ('Zoom', 159), ('Speed', 172), ('Scan', 185))
    for label, y_dlu in rows:
        y = px(y_dlu)
        c.text(11, y + (SMALL - 7) // 2, label, INK, LABEL_FONT)
        if label == 'Scan':
            socket(c, px(55), y, SMALL, SMALL, False)
            socket(c, px(88), y, SMALL, SMALL, False)
            continue
        for x_dlu in (32, 72, 88):
            socket(c, px(x_dlu), y, SMALL, SMALL, False)
        if label in ('Iris', 'Focus'):
            groove(c, px(32) + SMALL + 4, px(72) - 5, y + SMALL // 2 - 1)
    # The speed read-out: the panel draws " %02d " at SPEED_TEXT on SPEED_BOX,
    # so the box is that exact colour and roomy enough for a bold system font.
    bx0, by0, bx1, by1 = 69, 244, 107, 267
    c.bevel(bx0, by0, bx1, by1, PLATE_EDGE, WHITE)
    c.fill(bx0 + 1, by0 + 1, bx1, by1, SPEED_BOX)
    return c


def dome_right(left):
    """The list side, drawn from x = 164 over the last five columns of the
    left skin; those columns are copied so the narrow panel's edge stays whole."""
    w, h = 260, DOME_H
    vis_w = 423 - 164                    # 282 DLU wide window
    header = 32
    c = Canvas(w, h)
    panel_frame(c, vis_w, DOME_VIS_H, header)
    for y in range(h):
        for x in range(5):
            c.put(x, y, left.get(164 + x, y))
    c.vline(5, 1, DOME_VIS_H - 2, lighter(BODY_TOP, 0.5))
    c.text(vis_w - 36, 13, 'Lists', lighter(HEADER_TOP, 0.55), LABEL_FONT)
    # Sunken beds under the two list views.
    for y_dlu, h_dlu in ((23, 84), (111, 86)):
        x0, y0 = px(113) - 164, px(y_dlu)
        x1, y1 = px(113 + 165) - 164, px(y_dlu + h_dlu)
        c.bevel(x0 - 1, y0 - 1, x1, y1, PLATE_EDGE, WHITE)
        c.fill(x0, y0, x1, y1, WHITE)
    return c


# The colour panel: 84 x 182 DLU, 126 x 273 px visible.
COLOR_W, COLOR_H = 127, 274
COLOR_VIS_W, COLOR_VIS_H = 126, 273
COLOR_HEADER = 29


def colour_skin():
    c = Canvas(COLOR_W, COLOR_H)
    panel_frame(c, COLOR_VIS_W, COLOR_VIS_H, COLOR_HEADER)
    c.text(8, 11, 'Picture', WHITE, LABEL_FONT)
    # Four small swatches: the panel adjusts the picture's colour.
    for i, sw in enumerate(((250, 250, 250), (120, 120, 120), (236, 176, 60), (70, 160, 230))):
        x = 52 + 8 * i
        c.fill(x, 12, x + 6, 18, sw)
        c.bevel(x - 1, 11, x + 6, 18, darker(HEADER_BOTTOM, 0.3), lighter(HEADER_TOP, 0.3))

    # Column plate: labels, edits and sliders; grooves split the four columns
    # along the gaps between the controls.
    plate(c, 4, 31, COLOR_VIS_W - 5, 244, 5.0)
    for x in (36, 64, 93):
        c.vline(x, 35, 72, PLATE_EDGE)
        c.vline(x + 1, 35, 72, WHITE)
        c.vline(x, 96, 238, PLATE_EDGE)
        c.vline(x + 1, 96, 238, WHITE)
    # Slots round the sliders so they look set into the plate.
    for x_dlu in (10, 28, 47, 65):
        x0, x1 = px(x_dlu), px(x_dlu + 9)
        c.bevel(x0 - 1, px(62) - 1, x1, px(162), PLATE_EDGE, WHITE)
        c.fill(x0, px(62), x1, px(162), (226, 230, 240))
    # Footer behind the default button.
    c.fill(1, 246, COLOR_VIS_W - 1, COLOR_VIS_H - 1, vgrad(246, COLOR_VIS_H - 2, FOOTER, darker(FOOTER, 0.08)))
    c.hline(1, COLOR_VIS_W - 2, 245, lighter(BODY_BOTTOM, 0.6))
    return c


# --------------------------------------------------------------------------
# Joystick cursor: a monochrome 32 x 32 crosshair with four arrowheads and a
# ring, white with a black outline, hotspot in the centre.
# --------------------------------------------------------------------------

CUR_SIZE = 32
HOTSPOT = (15, 15)


def cursor_masks():
    hx, hy = HOTSPOT
    cx, cy = hx + 0.5, hy + 0.5
    heads = []
    for ax, ay in ((1, 0), (-1, 0), (0, 1), (0, -1)):
        # Tip 14.5 px out, base 9.5 px out, 4 px either side of the arm.
        tip = (cx + ax * 14.5, cy + ay * 14.5)
        b1 = (cx + ax * 9.5 - ay * 4.0, cy + ay * 9.5 - ax * 4.0)
        b2 = (cx + ax * 9.5 + ay * 4.0, cy + ay * 9.5 + ax * 4.0)
        heads.append(polygon([tip, b1, b2]))
    white = set()
    for y in range(CUR_SIZE):
        for x in range(CUR_SIZE):
            sx, sy = x + 0.5, y + 0.5
            adx, ady = abs(sx - cx), abs(sy - cy)
            arm = (adx < 0.6 and 6 <= ady <= 10) or (ady < 0.6 and 6 <= adx <= 10)
            ring_ = 3.5 ** 2 <= adx * adx + ady * ady <= 4.6 ** 2
            dot = adx < 0.6 and ady < 0.6
            if arm or ring_ or dot or any(h(sx, sy) for h in heads):
                white.add((x, y))
    black = set()
    for (x, y) in white:
        for ny in (y - 1, y, y + 1):
            for nx in (x - 1, x, x + 1):
                if (nx, ny) not in white and 0 <= nx < CUR_SIZE and 0 <= ny < CUR_SIZE:
                    black.add((nx, ny))
    return white, black


def cursor_file():
    white, black = cursor_masks()
    xor_rows, and_rows = [], []
    for y in range(CUR_SIZE - 1, -1, -1):          # bottom-up
        xr = ar = 0
        for x in range(CUR_SIZE):
            bit = 1 << (31 - x)
            if (x, y) in white:
                xr |= bit
            elif (x, y) not in black:
                ar |= bit                           # transparent
        xor_rows.append(struct.pack('>I', xr))
        and_rows.append(struct.pack('>I', ar))
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    masks = b''.join(xor_rows) + b''.join(and_rows)
    info = struct.pack('<IiiHHIIiiII', 40, CUR_SIZE, CUR_SIZE * 2, 1, 1, 0,
                       len(masks), 0, 0, 2, 0)
    image = info + palette + masks
    head = struct.pack('<HHH', 0, 2, 1)
    entry = struct.pack('<BBBBHHII', CUR_SIZE, CUR_SIZE, 2, 0, HOTSPOT[0], HOTSPOT[1],
                        len(image), 6 + 16)
    return head + entry + image


# --------------------------------------------------------------------------
# Sanity rules the artwork must keep
# --------------------------------------------------------------------------

SIZES = {6093: (169, 302), 6098: (260, 302), 204: (127, 274),
         6119: (19, 20), 6054: (19, 20), 6112: (19, 20),
         260: (37, 28), 261: (37, 28), 262: (37, 28)}
SKINS = (6093, 6098, 204)


def verify(images):
    problems = []
    for rid, (w, h) in SIZES.items():
        if (images[rid].w, images[rid].h) != (w, h):
            problems.append('%d is %dx%d, must be %dx%d' % (rid, images[rid].w, images[rid].h, w, h))
    for rid in SKINS:
        img = images[rid]
        if any(img.get(x, y) == KEY for y in range(img.h) for x in range(img.w)):
            problems.append('skin %d contains the key colour' % rid)
    for rid in (260, 261, 262):
        img = images[rid]
        for x, y in ((0, 0), (img.w - 1, 0), (0, img.h - 1), (img.w - 1, img.h - 1),
                     (1, 1), (img.w - 2, 1)):
            if img.get(x, y) != KEY:
                problems.append('%d: corner pixel (%d,%d) is not the key colour' % (rid, x, y))
    for rid, img in images.items():
        if rid in SKINS:
            continue
        if img.get(img.w // 2, img.h // 2) == KEY:
            problems.append('%d: the middle of the button is cut away' % rid)
    if images[6093].get(*SPEED_TEXT) != SPEED_BOX:
        problems.append('6093: no speed box under the speed text')
    for x in range(164, 169):
        for y in range(DOME_H):
            if images[6098].get(x - 164, y) != images[6093].get(x, y):
                problems.append('6098 does not continue 6093 where they overlap')
                return problems
    return problems


def build():
    """All output files as {relative path: bytes}."""
    images = {}
    left = dome_left()
    images[6093] = left
    images[6098] = dome_right(left)
    images[204] = colour_skin()
    images.update(dome_buttons(PLATE))
    images.update(exit_buttons())
    images.update(default_buttons())
    problems = verify(images)
    if problems:
        raise SystemExit('artgen: ' + '; '.join(problems))
    files = {'bitmaps/%d.bmp' % rid: img.bmp() for rid, img in sorted(images.items())}
    files['cursors/6062.cur'] = cursor_file()
    return files


def write(outdir, files):
    for rel, data in files.items():
        path = os.path.join(outdir, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, 'wb') as f:
            f.write(data)


def check(outdir, files):
    bad = []
    for rel, data in sorted(files.items()):
        path = os.path.join(outdir, rel)
        try:
            with open(path, 'rb') as f:
                if f.read() != data:
                    bad.append('differs: ' + rel)
        except OSError:
            bad.append('missing: ' + rel)
    for sub, ext in (('bitmaps', '.bmp'), ('cursors', '.cur')):
        folder = os.path.join(outdir, sub)
        if os.path.isdir(folder):
            for name in sorted(os.listdir(folder)):
                if name.endswith(ext) and '%s/%s' % (sub, name) not in files:
                    bad.append('not generated: %s/%s' % (sub, name))
    for line in bad:
        print('artgen: ' + line, file=sys.stderr)
    return not bad


def main(argv):
    args = argv[1:]
    if len(args) == 2 and args[0] == '--check':
        ok = check(args[1], build())
        print('artgen: %s matches the generator' % args[1] if ok else
              'artgen: %s is out of date; run artgen.py %s' % (args[1], args[1]))
        return 0 if ok else 1
    if len(args) == 1 and not args[0].startswith('-'):
        write(args[0], build())
        return 0
    print(__doc__.strip().split('\n\n')[1], file=sys.stderr)
    return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv))
