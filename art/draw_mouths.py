#!/usr/bin/env python3
"""Draws the mouth-shape pictures as 16-colour BMP files.

Run without arguments it writes the seven built-in pictures (32 x 32) into
res/bitmaps/mouth_136.bmp .. mouth_142.bmp. With --size 64 --course DIR it
writes the larger pictures of the sample course's mouth-shape table instead.

Every shape is described in a 32-unit square and rasterised with 4 x 4
samples per pixel (majority vote), so the same description serves any size.
"""

import argparse
import math
import os
import struct
import sys

# Palette: index -> (red, green, blue).
BACKGROUND = 0
SKIN = 1
SKIN_SHADE = 2
UPPER_LIP = 3
LOWER_LIP = 4
LIP_LIGHT = 5
LIP_EDGE = 6
INSIDE = 7
TEETH = 8
TEETH_SHADE = 9
TONGUE = 10
TONGUE_SHADE = 11
NOSTRIL = 12

PALETTE = [
    (252, 247, 234),  # background: light cream
    (246, 217, 188),  # skin
    (229, 190, 158),  # skin shade
    (196, 78, 82),  # upper lip, a little darker
    (222, 102, 104),  # lower lip
    (243, 156, 150),  # lip highlight
    (140, 44, 52),  # lip edge and lip seam
    (78, 24, 34),  # inside of the mouth
    (255, 255, 255),  # teeth
    (206, 206, 196),  # shade between teeth
    (236, 118, 132),  # tongue
    (198, 84, 100),  # tongue shade
    (196, 150, 124),  # nostrils
    (0, 0, 0),
    (0, 0, 0),
    (0, 0, 0),
]

CX = 16.0  # mouth centre in the 32-unit square
CY = 18.0


class Mouth:
    """One mouth shape.

    ao: outer half width of the lips; top, bot: thickness of the upper and
    lower lip in the middle; bow: depth of the dip in the upper lip's middle;
    ai: half width of the opening; it, ib: opening height above and below the
    centre line (both 0 for closed lips); teeth_u, teeth_l: visible height of
    the upper and lower teeth; tongue: None, "low" (resting) or "up" (tip
    raised to the teeth); smile: how far the corners rise.
    """

    def __init__(
        self,
        ao,
        top,
        bot,
        ai,
        it=0.0,
        ib=0.0,
        bow=0.8,
        teeth_u=0.0,
        teeth_l=0.0,
        tongue=None,
        smile=0.0,
        clench=False,
    ):
        self.ao, self.top, self.bot, self.bow = ao, top, bot, bow
        self.ai, self.it, self.ib = ai, it, ib
        self.teeth_u, self.teeth_l = teeth_u, teeth_l
        self.tongue, self.smile, self.clench = tongue, smile, clench

    def lift(self, x):
        return self.smile * (x / self.ao) ** 2

    @staticmethod
    def arch(t, power):
        return max(0.0, 1.0 - t * t) ** power

    def opening_height(self, x, height):
        if self.it + self.ib == 0 or abs(x - CX) >= self.ai:
            return 0.0
        return height * self.arch((x - CX) / self.ai, 0.6)

    def outer_top(self, x):
        t = (x - CX) / self.ao
        dip = self.bow * math.exp(-(((x - CX) / 2.6) ** 2))
        lip = self.top * self.arch(t, 0.45)
        return CY - self.opening_height(x, self.it) - lip + dip - self.lift(x - CX)

    def outer_bottom(self, x):
        t = (x - CX) / self.ao
        lip = self.bot * self.arch(t, 0.55)
        return CY + self.opening_height(x, self.ib) + lip - self.lift(x - CX)

    def inner_top(self, x):
        t = (x - CX) / self.ai
        return CY - self.it * self.arch(t, 0.6) - self.lift(x - CX)

    def inner_bottom(self, x):
        t = (x - CX) / self.ai
        return CY + self.ib * self.arch(t, 0.6) - self.lift(x - CX)

    def colour(self, x, y):
        """Palette index of the point (x, y) of the 32-unit square."""
        dx = x - CX
        if abs(dx) < self.ao and self.outer_top(x) <= y <= self.outer_bottom(x):
            return self.lip_colour(x, y)
        return face_colour(x, y)

    def lip_colour(self, x, y):
        dx = x - CX
        opening = abs(dx) < self.ai and self.it + self.ib > 0
        if opening and self.inner_top(x) < y < self.inner_bottom(x):
            return self.inside_colour(x, y)
        seam = CY - self.lift(dx)
        if not opening and abs(dx) < self.ai and abs(y - seam) < 0.55:
            return LIP_EDGE
        split = self.inner_top(x) if opening else seam
        if y <= split:
            return UPPER_LIP
        # A soft highlight across the middle of the lower lip.
        low = self.inner_bottom(x) if opening else seam
        mid = (low + self.outer_bottom(x)) / 2
        if abs(dx) < self.ao * 0.45 and abs(y - mid) < 0.6 and self.outer_bottom(x) - low > 2.2:
            return LIP_LIGHT
        return LOWER_LIP

    def inside_colour(self, x, y):
        dx = x - CX
        top, bottom = self.inner_top(x), self.inner_bottom(x)
        if self.clench:
            # Teeth closed together: a white band split by a thin gap line.
            if abs(y - (CY - self.lift(dx))) < 0.45:
                return TEETH_SHADE
            return TEETH_SHADE if abs(abs(dx) - 2.2) < 0.35 else TEETH
        if self.teeth_u and y < top + self.teeth_u:
            return TEETH_SHADE if abs(dx) < 0.35 or abs(abs(dx) - 2.9) < 0.3 else TEETH
        if self.teeth_l and y > bottom - self.teeth_l:
            return TEETH_SHADE if abs(dx) < 0.3 else TEETH
        if self.tongue == "low":
            rx, ry = self.ai * 0.72, self.ib * 0.75
            ty = CY + self.ib - ry * 0.35
            if (dx / rx) ** 2 + ((y - ty) / ry) ** 2 < 1.0:
                return TONGUE_SHADE if abs(dx) < 0.35 and y < bottom - 0.8 else TONGUE
        if self.tongue == "up":
            # A rounded tongue rising from the floor of the mouth to the teeth.
            rx = self.ai * 0.5
            ry = self.it + self.ib - self.teeth_u + 0.4
            if (dx / rx) ** 2 + ((y - (CY + self.ib)) / ry) ** 2 < 1.0:
                return TONGUE_SHADE if abs(dx) < 0.35 and y > CY else TONGUE
        return INSIDE


def face_colour(x, y):
    """The lower face around the mouth: skin on a cream ground, and the nostrils."""
    fx, fy = (x - 16.0) / 14.6, (y - 14.0) / 17.0
    if fx * fx + fy * fy > 1.0:
        return BACKGROUND
    for nx in (13.4, 18.6):
        if ((x - nx) / 1.3) ** 2 + ((y - 7.4) / 0.75) ** 2 < 1.0:
            return NOSTRIL
    return SKIN


# Mouth shapes by built-in bitmap id. The groups are the ones that
# CVoice::LoadDefaultVisemes maps the speech engine's mouth-shape numbers to.
SHAPES = {
    # 0: silence. Lips closed and relaxed.
    136: Mouth(ao=11.5, top=3.4, bot=4.0, ai=10.0, bow=1.0, smile=0.8),
    # 5 er, 10 oy, 13 r: lips pushed forward into a medium round opening.
    137: Mouth(ao=8.5, top=3.6, bot=4.0, ai=5.2, it=2.8, ib=3.4, bow=0.6, teeth_u=1.4),
    # 7 w/uw, 8 ow: tightly rounded, pursed lips with a small opening.
    138: Mouth(ao=6.8, top=4.0, bot=4.4, ai=2.8, it=1.6, ib=1.9, bow=0.4),
    # 15 s/z, 17 th, 18 f/v, 21 p/b/m: narrow mouth, teeth together behind the lips.
    139: Mouth(ao=11.5, top=3.0, bot=3.5, ai=8.6, it=1.6, ib=1.6, bow=0.9, clench=True, smile=0.6),
    # 14 l, 16 sh/ch/j, 19 t/d/n, 20 k/g/ng: slightly open, tongue tip up at the teeth.
    140: Mouth(
        ao=11.0, top=3.0, bot=3.6, ai=9.0, it=3.0, ib=3.6, bow=0.9, teeth_u=2.0, tongue="up"
    ),
    # 4 e, 6 i/y, 9 aw, 12 h: spread lips, both rows of teeth showing.
    141: Mouth(
        ao=13.0,
        top=2.6,
        bot=3.2,
        ai=11.0,
        it=2.6,
        ib=2.6,
        bow=0.8,
        teeth_u=2.0,
        teeth_l=1.6,
        smile=1.6,
    ),
    # 1 ae/ah, 2 aa, 3 ao, 11 ay: jaw dropped, wide open, tongue resting low.
    142: Mouth(
        ao=10.5, top=3.0, bot=3.4, ai=8.6, it=3.6, ib=7.0, bow=0.8, teeth_u=2.0, tongue="low"
    ),
}

# The sample course's mouth-shape table: engine mouth-shape number -> (file, shape).
COURSE_PICTURES = [
    ("rest.bmp", 136, [22]),
    ("aa.bmp", 142, [1, 2, 3, 11]),
    ("ee.bmp", 141, [4, 6, 9, 12]),
    ("er.bmp", 137, [5, 10, 13]),
    ("oo.bmp", 138, [7, 8]),
    ("tongue.bmp", 140, [14, 16, 19, 20]),
    ("teeth.bmp", 139, [15, 17, 18, 21]),
]


def render(shape, size):
    """Palette indices of a size x size picture, top row first."""
    samples = 4
    unit = 32.0 / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            votes = {}
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * unit
                    y = (py + (sy + 0.5) / samples) * unit
                    c = shape.colour(x, y)
                    votes[c] = votes.get(c, 0) + 1
            # Ties go to the lower index; small details are drawn with the
            # higher ones, so give them a slight edge to keep them visible.
            row.append(max(votes, key=lambda c: (votes[c] + (0.5 if c >= INSIDE else 0), -c)))
        rows.append(row)
    return outline(rows)


def outline(rows):
    """Darkens lip pixels that border the skin so the mouth reads at 32 pixels."""
    size = len(rows)
    lips = (UPPER_LIP, LOWER_LIP, LIP_LIGHT)
    out = [row[:] for row in rows]
    for y in range(size):
        for x in range(size):
            if rows[y][x] not in lips:
                continue
            for nx, ny in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)):
                if (
                    0 <= nx < size
                    and 0 <= ny < size
                    and rows[ny][nx] in (SKIN, SKIN_SHADE, BACKGROUND)
                ):
                    out[y][x] = LIP_EDGE
                    break
    return out


def bmp_bytes(rows):
    """A 4-bit, 16-colour, bottom-up BMP with a BITMAPINFOHEADER."""
    height = len(rows)
    width = len(rows[0])
    stride = ((width * 4 + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for i in range(0, width, 2):
            hi = row[i]
            lo = row[i + 1] if i + 1 < width else 0
            line.append((hi << 4) | lo)
        line.extend(b"\0" * (stride - len(line)))
        pixels.extend(line)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(pixels), 2835, 2835, 16, 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + palette + bytes(pixels)


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)
    print(path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--size", type=int, default=32, help="picture width and height in pixels")
    parser.add_argument("--course", help="write the course's mouth-shape table into this folder")
    args = parser.parse_args()
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    if args.course:
        os.makedirs(args.course, exist_ok=True)
        lines = []
        for name, shape_id, numbers in COURSE_PICTURES:
            write(os.path.join(args.course, name), bmp_bytes(render(SHAPES[shape_id], args.size)))
            # Silence has no usable engine name here: the table calls it 22.
            lines += [("%d=%s" if n == 22 else "SP_VISEME_%d=%s") % (n, name) for n in numbers]
        with open(os.path.join(args.course, "viseme.idx"), "w") as f:
            f.write("\n".join(lines) + "\n")
        return 0
    out_dir = os.path.join(root, "res", "bitmaps")
    os.makedirs(out_dir, exist_ok=True)
    for shape_id, shape in sorted(SHAPES.items()):
        write(os.path.join(out_dir, "mouth_%d.bmp" % shape_id), bmp_bytes(render(shape, args.size)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
