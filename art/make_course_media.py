#!/usr/bin/env python3
"""Makes the sample course's pictures and sounds from the descriptions below.

Needs python3, rsvg-convert (librsvg2-bin), ImageMagick, sox and espeak-ng.
Run from anywhere: python3 art/make_course_media.py [--only NAME ...]
Writes, next to this script:
  bkg.gif                page background, a tileable paper texture
  logo.wav               the looping title jingle
  lessonN/*.gif          the lesson pictures
  phonetic/*.wav, phonetic/phonetic.idx   a recorded sound for every bracketed piece
                         of the lessons, from the course's phonetic notation
  Viseme/*.bmp, Viseme/viseme.idx         mouth pictures (art/draw_mouths.py)
Every output is made from scratch, so the files can be regenerated at will.
"""

import argparse
import math
import os
import random
import re
import subprocess
import sys
import tempfile

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "course")
FONT = "DejaVu Sans"

SKIN = "rgb(248,216,184)"
INK = "rgb(70,50,45)"


def run(*args):
    if args[0] == "sox":
        args = ("sox", "-R") + args[1:]  # repeatable: fixed seeds for pluck and dither
    subprocess.run(args, check=True)


# ---------------------------------------------------------------- drawing kit


def text(x, y, s, size=9, fill=INK, anchor="middle", weight="bold"):
    return (
        '<text x="%g" y="%g" font-family="%s" font-size="%g" font-weight="%s" fill="%s" '
        'text-anchor="%s">%s</text>' % (x, y, FONT, size, weight, fill, anchor, s)
    )


def bubble(x, y, w, h, s, tail_x, tail_y, size=9, fill="white"):
    """A speech bubble whose box has its top left at (x, y) and whose tail points to a speaker."""
    bx = min(max(tail_x, x + 8), x + w - 8)
    return (
        '<rect x="%g" y="%g" width="%g" height="%g" rx="7" fill="%s" stroke="%s" '
        'stroke-width="1.2"/>'
        '<path d="M %g %g L %g %g L %g %g" fill="%s" stroke="%s" stroke-width="1.2"/>'
        '<path d="M %g %g L %g %g" stroke="%s" stroke-width="1.6"/>'
        % (
            x,
            y,
            w,
            h,
            fill,
            INK,
            bx - 5,
            y + h,
            tail_x,
            tail_y,
            bx + 4,
            y + h,
            fill,
            INK,
            bx - 4.2,
            y + h,
            bx + 3.2,
            y + h,
            fill,
        )
        + text(x + w / 2, y + h / 2 + size * 0.36, s, size)
    )


ARMS = {
    # hand positions (left hand, right hand) relative to the feet; elbows follow.
    "down": ((-13, -29), (13, -29)),
    "wave": ((-13, -29), (19, -74)),
    "wave_left": ((-19, -74), (13, -29)),
    "point": ((-13, -29), (28, -50)),
    "point_left": ((-28, -50), (13, -29)),
    "hold": ((-9, -38), (9, -38)),
    "up": ((-17, -78), (17, -78)),
    "hand_out": ((-13, -29), (22, -40)),
    "hand_out_left": ((-22, -40), (13, -29)),
}


def person(
    x,
    y,
    shirt,
    legs="rgb(70,80,110)",
    hair="rgb(60,40,30)",
    style="short",
    arms="down",
    scale=1.0,
    dress=False,
    mouth="smile",
    sleeve=None,
):
    """A friendly front-facing figure standing with its feet at (x, y)."""
    sleeve = sleeve or shirt
    parts = []
    # Legs and shoes.
    for side in (-1, 1):
        parts.append(
            '<path d="M %g -27 L %g -3" stroke="%s" stroke-width="5.5" '
            'stroke-linecap="round"/>' % (side * 4.2, side * 4.8, legs)
        )
        parts.append('<ellipse cx="%g" cy="-1.5" rx="4.2" ry="2.4" fill="%s"/>' % (side * 5.6, INK))
    # Body.
    if dress:
        parts.append(
            '<path d="M -8 -51 Q 0 -54 8 -51 L 14 -22 Q 0 -19 -14 -22 Z" fill="%s" '
            'stroke="%s" stroke-width="0.8"/>' % (shirt, INK)
        )
    else:
        parts.append(
            '<rect x="-10" y="-52" width="20" height="27" rx="6" fill="%s" '
            'stroke="%s" stroke-width="0.8"/>' % (shirt, INK)
        )
    # Arms: shoulder, elbow, hand.
    for side, (hx, hy) in zip((-1, 1), ARMS[arms]):
        sx, sy = side * 8.5, -48
        ex = (sx + hx) / 2 + side * 3
        ey = (sy + hy) / 2 + 2
        parts.append(
            '<path d="M %g %g L %g %g L %g %g" stroke="%s" stroke-width="5" fill="none" '
            'stroke-linecap="round" stroke-linejoin="round"/>' % (sx, sy, ex, ey, hx, hy, sleeve)
        )
        parts.append(
            '<circle cx="%g" cy="%g" r="3" fill="%s" stroke="%s" stroke-width="0.6"/>'
            % (hx, hy, SKIN, INK)
        )
    # Neck and head.
    parts.append('<rect x="-2.5" y="-56" width="5" height="5" fill="%s"/>' % SKIN)
    if style == "long":
        parts.append(
            '<path d="M -11 -64 Q -13 -46 -9 -44 L 9 -44 Q 13 -46 11 -64 Z" fill="%s"/>' % hair
        )
    parts.append(
        '<circle cx="0" cy="-65" r="10.5" fill="%s" stroke="%s" stroke-width="0.8"/>' % (SKIN, INK)
    )
    if style == "short":
        parts.append(
            '<path d="M -10.6 -65 Q -11 -77 0 -77 Q 11 -77 10.6 -65 Q 6 -72 -3 -70 '
            'Q -7 -70 -10.6 -65 Z" fill="%s"/>' % hair
        )
    elif style == "long":
        parts.append(
            '<path d="M -10.8 -63 Q -12 -78 0 -77 Q 12 -78 10.8 -63 Q 9 -71 2 -72 '
            'Q -5 -69 -10.8 -63 Z" fill="%s"/>' % hair
        )
    elif style == "bun":
        parts.append('<circle cx="0" cy="-78" r="5" fill="%s"/>' % hair)
        parts.append(
            '<path d="M -10.6 -65 Q -11 -76 0 -76 Q 11 -76 10.6 -65 Q 4 -71 -10.6 -65 Z" '
            'fill="%s"/>' % hair
        )
    elif style == "cap":
        parts.append('<path d="M -11 -67 Q -10 -78 0 -78 Q 10 -78 11 -67 Z" fill="%s"/>' % hair)
        parts.append('<path d="M 5 -68 L 17 -67 L 10 -66 Z" fill="%s"/>' % hair)
    # Face.
    for side in (-1, 1):
        parts.append('<circle cx="%g" cy="-65.5" r="1.3" fill="%s"/>' % (side * 3.8, INK))
        parts.append(
            '<circle cx="%g" cy="-61.5" r="1.8" fill="rgb(244,170,160)" opacity="0.7"/>'
            % (side * 6)
        )
    if mouth == "open":
        parts.append('<ellipse cx="0" cy="-60" rx="2.4" ry="1.9" fill="rgb(150,50,60)"/>')
    else:
        parts.append(
            '<path d="M -3 -61 Q 0 -58 3 -61" stroke="%s" stroke-width="1" fill="none" '
            'stroke-linecap="round"/>' % INK
        )
    return '<g transform="translate(%g,%g) scale(%g)">%s</g>' % (x, y, scale, "".join(parts))


def svg(width, height, body):
    return (
        '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" '
        'viewBox="0 0 %d %d">%s<rect x="0.5" y="0.5" width="%d" height="%d" fill="none" '
        'stroke="%s" stroke-width="1"/></svg>'
        % (width, height, width, height, body, width - 1, height - 1, INK)
    )


def tree(x, y, s=1.0):
    return (
        '<g transform="translate(%g,%g) scale(%g)"><rect x="-2" y="-14" width="4" height="14" '
        'fill="rgb(140,96,62)"/><circle cx="0" cy="-20" r="10" fill="rgb(112,176,92)"/>'
        '<circle cx="-5" cy="-16" r="6" fill="rgb(96,160,80)"/></g>' % (x, y, s)
    )


def clock(x, y, r, hour, minute, face="white"):
    ha = math.radians((hour % 12 + minute / 60) * 30)
    ma = math.radians(minute * 6)
    return (
        '<circle cx="%g" cy="%g" r="%g" fill="%s" stroke="%s" stroke-width="1.4"/>'
        '<path d="M %g %g L %g %g" stroke="%s" stroke-width="1.6" stroke-linecap="round"/>'
        '<path d="M %g %g L %g %g" stroke="%s" stroke-width="1" stroke-linecap="round"/>'
        % (
            x,
            y,
            r,
            face,
            INK,
            x,
            y,
            x + math.sin(ha) * r * 0.5,
            y - math.cos(ha) * r * 0.5,
            INK,
            x,
            y,
            x + math.sin(ma) * r * 0.8,
            y - math.cos(ma) * r * 0.8,
            INK,
        )
    )


# ---------------------------------------------------------------- the pictures

TOM = dict(shirt="rgb(80,140,210)", legs="rgb(60,70,100)", hair="rgb(70,45,30)", style="short")
LILY = dict(
    shirt="rgb(236,110,120)", legs="rgb(90,90,120)", hair="rgb(40,30,30)", style="long", dress=True
)
ANNA = dict(shirt="rgb(110,180,120)", legs="rgb(70,80,110)", hair="rgb(226,180,90)", style="bun")
OUTDOOR = (
    '<rect width="160" height="120" fill="rgb(214,236,250)"/>'
    '<rect y="92" width="160" height="28" fill="rgb(196,226,160)"/>'
    '<rect y="100" width="160" height="20" fill="rgb(220,214,200)"/>'
)


def hello():
    return svg(
        160,
        120,
        OUTDOOR
        + '<circle cx="80" cy="14" r="9" fill="rgb(255,214,90)"/>'
        + tree(80, 96, 1.1)
        + person(42, 110, arms="wave", **TOM)
        + person(118, 110, arms="wave_left", **LILY)
        + bubble(6, 8, 50, 18, "Hello!", 40, 36)
        + bubble(106, 8, 40, 18, "Hi!", 116, 36),
    )


def meet():
    return svg(
        160,
        120,
        '<rect width="160" height="120" fill="rgb(250,238,214)"/>'
        + '<rect y="96" width="160" height="24" fill="rgb(214,190,160)"/>'
        + '<rect x="60" y="14" width="40" height="30" fill="rgb(200,230,250)" '
        'stroke="rgb(160,120,90)" stroke-width="3"/>'
        + person(34, 112, arms="hand_out", **LILY)
        + person(80, 112, arms="point", **TOM)
        + person(126, 112, arms="hand_out_left", **ANNA)
        + bubble(70, 4, 86, 18, "Nice to meet you!", 122, 38, size=7.5),
    )


def goodbye():
    return svg(
        160,
        120,
        '<rect width="160" height="120" fill="rgb(250,196,150)"/>'
        + '<rect width="160" height="50" fill="rgb(200,170,220)"/>'
        + '<circle cx="28" cy="20" r="8" fill="rgb(255,246,214)"/>'
        + '<circle cx="32" cy="17" r="7" fill="rgb(200,170,220)"/>'
        + '<rect y="92" width="160" height="28" fill="rgb(160,190,130)"/>'
        + '<rect y="100" width="160" height="20" fill="rgb(200,190,180)"/>'
        + person(56, 112, arms="wave", **LILY)
        + person(124, 110, arms="wave_left", scale=0.85, **ANNA)
        + bubble(4, 36, 36, 18, "Bye!", 46, 50)
        + bubble(92, 18, 58, 18, "See you!", 122, 40),
    )


def fruit_pile(x, y, colour, n):
    out = []
    for i in range(n):
        out.append(
            '<circle cx="%g" cy="%g" r="4" fill="%s" stroke="%s" stroke-width="0.6"/>'
            % (x + (i % 4) * 7 + (i // 4) * 3.5, y - (i // 4) * 5, colour, INK)
        )
    return "".join(out)


def banana(x, y):
    return (
        '<path d="M %g %g Q %g %g %g %g Q %g %g %g %g Z" fill="rgb(250,214,70)" '
        'stroke="%s" stroke-width="0.6"/>'
        % (x, y, x + 8, y + 8, x + 16, y, x + 8, y + 4, x, y, INK)
    )


def fruit():
    awning = "".join(
        '<rect x="%d" y="10" width="14" height="12" fill="%s"/>'
        % (8 + i * 14, "rgb(230,90,80)" if i % 2 == 0 else "white")
        for i in range(8)
    )
    return svg(
        160,
        120,
        '<rect width="160" height="120" fill="rgb(230,242,250)"/>'
        + '<rect y="100" width="160" height="20" fill="rgb(214,206,190)"/>'
        + '<rect x="10" y="20" width="3" height="50" fill="rgb(150,110,70)"/>'
        + '<rect x="115" y="20" width="3" height="50" fill="rgb(150,110,70)"/>'
        + person(
            64,
            106,
            arms="hold",
            mouth="open",
            **dict(TOM, shirt="rgb(250,200,80)", hair="rgb(40,40,40)", style="cap"),
        )
        + awning
        + '<rect x="8" y="62" width="112" height="40" fill="rgb(186,140,96)" '
        'stroke="%s" stroke-width="1"/>' % INK
        + fruit_pile(16, 62, "rgb(220,60,60)", 8)
        + banana(50, 56)
        + banana(56, 60)
        + banana(52, 64)
        + fruit_pile(80, 62, "rgb(250,160,50)", 8)
        + '<rect x="18" y="76" width="26" height="14" fill="white" stroke="%s"/>' % INK
        + text(31, 86, "6/kg", 8)
        + '<rect x="50" y="76" width="26" height="14" fill="white" stroke="%s"/>' % INK
        + text(63, 86, "5/kg", 8)
        + person(142, 112, arms="point_left", scale=0.9, **LILY),
    )


def tshirt(x, y, colour):
    return (
        '<path d="M %g %g l 6 -3 l 3 3 l 3 -3 l 6 3 l 3 6 l -4 2 l -1 -3 l 0 14 l -14 0 '
        'l 0 -14 l -1 3 l -4 -2 Z" fill="%s" stroke="%s" stroke-width="0.7"/>' % (x, y, colour, INK)
    )


def shop():
    rack = '<path d="M 8 24 L 86 24" stroke="rgb(120,120,120)" stroke-width="2"/>'
    for i, colour in enumerate(
        (
            "rgb(220,70,70)",
            "rgb(80,140,220)",
            "rgb(90,180,100)",
            "rgb(40,40,40)",
            "rgb(250,250,250)",
            "rgb(250,210,60)",
        )
    ):
        rack += tshirt(9 + i * 13, 28, colour)
    return svg(
        160,
        120,
        '<rect width="160" height="120" fill="rgb(246,236,246)"/>'
        + '<rect y="100" width="160" height="20" fill="rgb(210,190,170)"/>'
        + rack
        + '<rect x="96" y="12" width="50" height="20" rx="3" fill="white" stroke="%s"/>' % INK
        + text(121, 26, "SALE", 10, fill="rgb(220,60,60)")
        + person(
            50,
            112,
            arms="hold",
            **dict(ANNA, shirt="rgb(150,110,190)", hair="rgb(90,50,30)", style="long"),
        )
        + tshirt(41, 70, "rgb(80,140,220)")
        + '<rect x="57" y="76" width="14" height="8" fill="white" stroke="%s" '
        'stroke-width="0.6"/>' % INK
        + text(64, 82.5, "59", 6)
        + person(118, 112, arms="hand_out_left", **TOM),
    )


def street():
    return svg(
        160,
        120,
        OUTDOOR
        + '<rect x="0" y="30" width="44" height="62" fill="rgb(240,220,190)" stroke="%s"/>' % INK
        + '<rect x="8" y="40" width="12" height="12" fill="rgb(200,230,250)"/>'
        + '<rect x="26" y="40" width="12" height="12" fill="rgb(200,230,250)"/>'
        + '<rect x="14" y="70" width="14" height="22" fill="rgb(150,100,70)"/>'
        + '<rect x="136" y="40" width="3" height="60" fill="rgb(90,90,90)"/>'
        + '<rect x="131" y="24" width="13" height="30" rx="3" fill="rgb(60,60,60)"/>'
        + '<circle cx="137.5" cy="30" r="3.2" fill="rgb(240,70,60)"/>'
        + '<circle cx="137.5" cy="39" r="3.2" fill="rgb(120,90,40)"/>'
        + '<circle cx="137.5" cy="48" r="3.2" fill="rgb(90,200,90)"/>'
        + '<path d="M 116 14 L 150 14 L 156 20 L 150 26 L 116 26 Z" fill="rgb(60,130,80)"/>'
        + text(134, 23, "Park Rd", 7, fill="white")
        + '<rect x="135" y="26" width="2" height="4" fill="rgb(90,90,90)"/>'
        + person(62, 112, arms="hand_out", mouth="open", **ANNA)
        + person(
            102, 112, arms="point", **dict(TOM, shirt="rgb(150,120,90)", hair="rgb(150,150,150)")
        )
        + bubble(36, 6, 64, 18, "Excuse me...", 62, 36, size=8),
    )


def bus():
    return svg(
        160,
        120,
        OUTDOOR + '<rect x="4" y="50" width="98" height="44" rx="6" fill="rgb(240,170,60)" '
        'stroke="%s"/>' % INK
        + "".join(
            '<rect x="%d" y="56" width="16" height="14" rx="2" '
            'fill="rgb(200,230,250)" stroke="%s" stroke-width="0.6"/>' % (10 + i * 20, INK)
            for i in range(4)
        )
        + '<rect x="84" y="56" width="14" height="14" rx="2" fill="rgb(40,40,40)"/>'
        + text(91, 67, "12", 9, fill="rgb(255,220,90)")
        + '<circle cx="24" cy="95" r="7" fill="rgb(50,50,50)"/>'
        + '<circle cx="80" cy="95" r="7" fill="rgb(50,50,50)"/>'
        + '<rect x="147" y="30" width="3" height="72" fill="rgb(90,90,90)"/>'
        + '<rect x="138" y="16" width="20" height="20" rx="10" fill="rgb(40,110,200)"/>'
        + text(148, 30, "12", 9, fill="white")
        + person(114, 112, arms="hand_out", mouth="open", scale=0.9, **TOM)
        + person(
            136,
            112,
            arms="point",
            scale=0.9,
            **dict(LILY, shirt="rgb(190,120,200)", hair="rgb(110,70,50)", style="bun"),
        ),
    )


def building(x, y, w, h, colour, label, size=7):
    return '<rect x="%g" y="%g" width="%g" height="%g" fill="%s" stroke="%s" stroke-width="1"/>' % (
        x,
        y,
        w,
        h,
        colour,
        INK,
    ) + text(x + w / 2, y + h / 2 + size * 0.36, label, size)


def map_picture():
    """The street map that the sentences of lesson 3 describe."""
    return svg(
        240,
        180,
        '<rect width="240" height="180" fill="rgb(236,240,226)"/>'
        + '<rect x="0" y="80" width="240" height="24" fill="rgb(190,190,196)"/>'
        + '<path d="M 0 92 L 240 92" stroke="white" stroke-width="1.4" '
        'stroke-dasharray="8 6"/>'
        + text(40, 89, "Park Road", 7, fill="white")
        + building(84, 8, 68, 28, "rgb(200,200,210)", "CAR PARK")
        + building(8, 42, 68, 34, "rgb(240,200,170)", "CAFE")
        + building(84, 42, 68, 34, "rgb(120,180,90)", "POST OFFICE")
        + building(160, 42, 68, 34, "rgb(250,210,90)", "BANK")
        + '<rect x="170" y="78" width="22" height="5" fill="rgb(40,110,200)"/>'
        + '<circle cx="202" cy="80" r="5" fill="rgb(40,110,200)"/>'
        + text(202, 83, "B", 7, fill="white")
        + building(8, 108, 68, 34, "rgb(250,250,250)", "HOSPITAL")
        + '<path d="M 66 112 l 0 10 M 61 117 l 10 0" stroke="rgb(220,50,50)" '
        'stroke-width="3"/>'
        + building(84, 108, 68, 34, "rgb(240,150,120)", "SCHOOL")
        + '<rect x="160" y="108" width="68" height="64" rx="6" fill="rgb(150,210,120)" '
        'stroke="%s"/>' % INK
        + tree(176, 160, 0.7)
        + tree(206, 152, 0.8)
        + tree(190, 172, 0.5)
        + text(194, 124, "PARK", 8)
        + '<path d="M 228 16 l 0 -10 M 224 10 l 4 -5 l 4 5" stroke="%s" stroke-width="1.4" '
        'fill="none"/>' % INK + text(228, 26, "N", 8),
    )


def morning():
    return svg(
        160,
        120,
        '<rect width="160" height="120" fill="rgb(252,240,220)"/>'
        + '<rect y="98" width="160" height="22" fill="rgb(200,160,120)"/>'
        + '<rect x="90" y="14" width="56" height="44" fill="rgb(250,200,140)" '
        'stroke="rgb(150,110,80)" stroke-width="3"/>'
        + '<circle cx="118" cy="52" r="12" fill="rgb(255,150,80)"/>'
        + '<rect x="90" y="52" width="56" height="6" fill="rgb(130,180,110)"/>'
        + '<path d="M 118 14 L 118 58 M 90 36 L 146 36" stroke="rgb(150,110,80)" '
        'stroke-width="2"/>'
        + '<rect x="4" y="74" width="56" height="26" rx="4" fill="rgb(140,170,230)"/>'
        + '<rect x="6" y="68" width="18" height="10" rx="4" fill="white"/>'
        + '<rect x="66" y="80" width="18" height="20" fill="rgb(170,120,80)"/>'
        + clock(75, 72, 8, 6, 30)
        + person(40, 110, arms="up", mouth="open", **LILY),
    )


def school():
    return svg(
        160,
        120,
        '<rect width="160" height="120" fill="rgb(246,242,228)"/>'
        + '<rect y="100" width="160" height="20" fill="rgb(196,170,140)"/>'
        + '<rect x="20" y="10" width="90" height="50" fill="rgb(60,100,80)" '
        'stroke="rgb(150,110,80)" stroke-width="3"/>'
        + text(65, 32, "Hello!", 11, fill="white")
        + text(65, 48, "ABC  123", 8, fill="rgb(250,240,180)")
        + clock(134, 22, 10, 8, 0)
        + person(130, 108, arms="point_left", **ANNA)
        + person(44, 112, arms="wave", scale=0.8, **LILY)
        + person(86, 112, arms="down", scale=0.8, **TOM)
        + '<rect x="28" y="92" width="76" height="6" fill="rgb(170,120,80)"/>'
        + '<rect x="32" y="98" width="4" height="14" fill="rgb(150,100,70)"/>'
        + '<rect x="96" y="98" width="4" height="14" fill="rgb(150,100,70)"/>',
    )


def evening():
    stars = "".join(
        '<circle cx="%g" cy="%g" r="0.9" fill="white"/>' % p
        for p in ((20, 14), (34, 24), (48, 12), (58, 30), (28, 36))
    )
    return svg(
        160,
        120,
        '<rect width="160" height="120" fill="rgb(244,226,196)"/>'
        + '<rect y="96" width="160" height="24" fill="rgb(170,130,100)"/>'
        + '<rect x="10" y="8" width="56" height="40" fill="rgb(40,50,100)" '
        'stroke="rgb(150,110,80)" stroke-width="3"/>'
        + stars
        + '<circle cx="52" cy="18" r="6" fill="rgb(255,246,200)"/>'
        + '<rect x="108" y="40" width="40" height="28" rx="2" fill="rgb(50,50,60)"/>'
        + '<rect x="111" y="43" width="34" height="22" fill="rgb(120,190,230)"/>'
        + '<rect x="118" y="68" width="20" height="30" fill="rgb(150,100,70)"/>'
        + '<path d="M 86 30 L 98 30 L 102 44 L 82 44 Z" fill="rgb(250,220,120)"/>'
        + '<rect x="91" y="44" width="2" height="40" fill="rgb(120,100,80)"/>'
        + person(52, 104, arms="hold", **LILY)
        + '<path d="M 44 66 L 52 68 L 60 66 L 60 74 L 52 76 L 44 74 Z" fill="white" '
        'stroke="%s" stroke-width="0.7"/>' % INK
        + '<rect x="20" y="84" width="64" height="6" fill="rgb(170,120,80)"/>'
        + '<rect x="24" y="90" width="4" height="14" fill="rgb(150,100,70)"/>'
        + '<rect x="76" y="90" width="4" height="14" fill="rgb(150,100,70)"/>',
    )


PICTURES = {
    "lesson1/hello.gif": hello,
    "lesson1/meet.gif": meet,
    "lesson1/goodbye.gif": goodbye,
    "lesson2/fruit.gif": fruit,
    "lesson2/shop.gif": shop,
    "lesson3/street.gif": street,
    "lesson3/bus.gif": bus,
    "lesson3/map.gif": map_picture,
    "lesson4/morning.gif": morning,
    "lesson4/school.gif": school,
    "lesson4/evening.gif": evening,
}


def make_picture(name, draw, scratch):
    source = os.path.join(scratch, os.path.basename(name) + ".svg")
    png = os.path.join(scratch, os.path.basename(name) + ".png")
    with open(source, "w", encoding="utf-8") as f:
        f.write(draw())
    run("rsvg-convert", source, "-o", png)
    out = os.path.join(HERE, name)
    os.makedirs(os.path.dirname(out), exist_ok=True)
    run("convert", png, "-background", "white", "-flatten", "+dither", "-colors", "64", out)


# ---------------------------------------------------------------- background


def make_background(scratch):
    """Warm paper: soft waves whose periods divide the tile, plus fine grain.

    The tile is shaded in 16 fixed steps of one cream colour, so the GIF keeps
    the exact tones instead of a quantiser merging them into one.
    """
    size = 128
    rng = random.Random(20240607)
    waves = [
        (rng.randint(1, 3), rng.randint(1, 3), rng.uniform(0, 2 * math.pi), rng.uniform(0.6, 1.0))
        for _ in range(4)
    ]
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            v = (
                sum(
                    a * math.sin(2 * math.pi * (fx * x + fy * y) / size + p)
                    for fx, fy, p, a in waves
                )
                / 4.0
            )
            v += rng.uniform(-0.35, 0.35)
            step = max(0, min(15, round((v + 1) * 7.5)))
            row.append("%d %d %d" % (246 + step * 0.5, 240 + step * 0.5, 222 + step * 0.8))
        rows.append(" ".join(row))
    ppm = os.path.join(scratch, "bkg.ppm")
    with open(ppm, "w") as f:
        f.write("P3\n%d %d\n255\n%s\n" % (size, size, "\n".join(rows)))
    run("convert", ppm, os.path.join(HERE, "bkg.gif"))


# ---------------------------------------------------------------- sounds

# (note, start beat, length in beats) of a bright little tune in C major.
TUNE = [
    ("C5", 0, 1),
    ("E5", 1, 1),
    ("G5", 2, 1),
    ("A5", 3, 1.5),
    ("G5", 4.5, 0.5),
    ("E5", 5, 1),
    ("D5", 6, 1),
    ("E5", 7, 1),
    ("C5", 8, 3),
]
PAD = [
    ("C4", 0, 5),
    ("E4", 0, 5),
    ("G4", 0, 5),
    ("G3", 5, 3),
    ("B3", 5, 3),
    ("D4", 5, 3),
    ("C4", 8, 3),
    ("E4", 8, 3),
    ("G4", 8, 3),
]
BEAT = 0.27  # seconds
# Every sound of the course: 22050 Hz, mono, 16 bits.
WAV_FORMAT = ("-r", "22050", "-c", "1", "-b", "16")


def make_jingle(scratch):
    layers = []
    for i, (note, start, beats) in enumerate(TUNE + PAD):
        lead = i < len(TUNE)
        part = os.path.join(scratch, "note%02d.wav" % i)
        length = beats * BEAT + (0.25 if lead else 0.1)
        tone = (
            ["synth", "%.3f" % length, "pluck", note]
            if lead
            else ["synth", "%.3f" % length, "sine", note]
        )
        gain = "-8" if lead else "-18"
        run(
            "sox",
            "-n",
            *WAV_FORMAT,
            part,
            *tone,
            "gain",
            gain,
            "fade",
            "t",
            "0.01" if lead else "0.08",
            "%.3f" % length,
            "0.12",
            "pad",
            "%.3f" % (start * BEAT),
        )
        layers.append(part)
    mixed = os.path.join(scratch, "mixed.wav")
    run("sox", "-m", "-v", "1", *layers, mixed)
    length = "%.3f" % (11 * BEAT + 0.2)
    run(
        "sox",
        "-V1",
        mixed,
        *WAV_FORMAT,
        os.path.join(HERE, "logo.wav"),
        "gain",
        "-3",
        "reverb",
        "25",
        "50",
        "60",
        "trim",
        "0",
        length,
        "norm",
        "-3",
        "fade",
        "t",
        "0.005",
        length,
        "0.3",
    )


# The course's phonetic notation, symbol by symbol: the symbol, espeak-ng's phoneme for it, and
# the speech engine's mouth-shape number to show while it sounds. "uh" is the vowel of "much"
# when stressed and the weak vowel of "banana" when not; "'" and "`" mark primary and secondary
# stress before a syllable.
NOTATION = {
    "ii": ("i:", 6),
    "i": ("I", 6),
    "e": ("E", 4),
    "ae": ("a", 1),
    "uh": ("V", 1),
    "aa": ("A:", 2),
    "o": ("0", 3),
    "oo": ("O:", 3),
    "u": ("U", 4),
    "uu": ("u:", 7),
    "er": ("3:", 5),
    "ei": ("eI", 4),
    "ai": ("aI", 11),
    "ou": ("oU", 8),
    "au": ("aU", 9),
    "oi": ("OI", 10),
    "iuh": ("i@", 6),
    "euh": ("e@", 4),
    "uuh": ("U@", 4),
    "p": ("p", 21),
    "b": ("b", 21),
    "m": ("m", 21),
    "t": ("t", 19),
    "d": ("d", 19),
    "n": ("n", 19),
    "th": ("T", 19),
    "dh": ("D", 17),
    "k": ("k", 20),
    "g": ("g", 20),
    "ng": ("N", 20),
    "f": ("f", 18),
    "v": ("v", 18),
    "s": ("s", 15),
    "z": ("z", 15),
    "sh": ("S", 16),
    "zh": ("Z", 16),
    "ch": ("tS", 16),
    "j": ("dZ", 16),
    "l": ("l", 14),
    "r": ("r", 13),
    "w": ("w", 7),
    "y": ("j", 6),
    "h": ("h", 12),
}
VOWEL_SYMBOLS = {k for k, (_, mouth) in NOTATION.items() if mouth <= 11 and k not in "mw"}

# The recorded sounds of today's table come first, in this order, so that its lines stay as
# they were; every other bracketed piece of the lessons follows.
FIRST_SOUNDS = [
    ("[ii]", "ii.wav"),
    ("[i]", "i.wav"),
    ("[e]", "e.wav"),
    ("[ae]", "ae.wav"),
    ("[uh]", "uh.wav"),
    ("[aa]", "aa.wav"),
    ("[oo]", "oo.wav"),
    ("[u]", "u.wav"),
    ("[uu]", "uu.wav"),
    ("[er]", "er.wav"),
    ("[ei]", "ei.wav"),
    ("[ai]", "ai.wav"),
    ("[ou]", "ou.wav"),
]


def symbols(word):
    """The notation symbols and stress marks of one word, longest symbol first; "er" before a
    vowel is "e" and "r", as in "very"."""
    out, at = [], 0
    while at < len(word):
        if word[at] in "'`":
            out.append(word[at])
            at += 1
            continue
        for size in (3, 2, 1):
            piece = word[at : at + size]
            if piece in NOTATION and not (
                piece == "er" and at + 2 < len(word) and word[at + 2] in "aeiou"
            ):
                out.append(piece)
                at += size
                break
        else:
            raise ValueError("no symbol of the notation at %r in %r" % (word[at:], word))
    return out


def phonemes(spelling):
    """espeak-ng's phonemes for a bracketed spelling, and the mouth shape of its first vowel (of
    its first symbol when it has none)."""
    if spelling in VOWEL_SYMBOLS:
        return NOTATION[spelling]
    if spelling in NOTATION:
        # A consonant alone lasts a few hundredths of a second: it is said with a weak vowel.
        phoneme, mouth = NOTATION[spelling]
        return phoneme + "@", mouth
    words, mouth = [], None
    for word in spelling.split():
        marks = [s for s in symbols(word) if s not in "'`"]
        stressed = "'" not in word and "`" not in word
        vowels = sum(s in VOWEL_SYMBOLS for s in marks)
        out = "'" if vowels and stressed else ""
        listed = symbols(word)
        for n, symbol in enumerate(listed):
            if symbol in "'`":
                out += "'" if symbol == "'" else ","
                stressed = True
                continue
            phoneme, shape = NOTATION[symbol]
            if symbol in VOWEL_SYMBOLS:
                mouth = mouth if mouth is not None else shape
                if symbol == "uh" and not stressed:
                    phoneme = "@"
                stressed = False
            elif symbol in ("m", "n", "l") and vowels and n > 0:
                before = listed[n - 1]
                last = n == len(listed) - 1
                # A syllable of its own: the "n" of "station", the "l" of "apple", the "n" of
                # "national" before its final "l".
                if (before not in VOWEL_SYMBOLS and before not in "'`") and (
                    last or (symbol == "n" and listed[n + 1 :] == ["l"])
                ):
                    phoneme = "@L" if symbol == "l" else "@" + phoneme
            out += phoneme
        words.append(out)
    if mouth is None:
        mouth = NOTATION[symbols(spelling.split()[0])[0]][1]
    return " ".join(words), mouth


def lesson_pieces():
    """Every bracketed piece of the lessons as the tutor looks it up: without the stress marks,
    which it drops before speaking; with the spelling that keeps them."""
    pieces = {}
    folder = os.path.join(HERE, "lessons")
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), encoding="utf-8") as f:
            shown = re.sub(r"<[^>]*>", "", f.read())
        for spelling in re.findall(r"\[([^\]\[]*)\]", shown):
            key = "[%s]" % re.sub(r"['`]", "", spelling)
            if pieces.setdefault(key, spelling) != spelling:
                raise ValueError("%s is spelt both %r and %r" % (key, pieces[key], spelling))
    return pieces


def record(spoken, out, scratch):
    """espeak-ng's English voice saying `spoken` (phonemes), trimmed, levelled and faded."""
    raw = os.path.join(scratch, "raw.wav")
    run("espeak-ng", "-v", "en", "-s", "120", "-w", raw, "[[%s]]" % spoken)
    trimmed = os.path.join(scratch, "trimmed.wav")
    run(
        "sox",
        raw,
        trimmed,
        "silence",
        "1",
        "0.02",
        "1%",
        "reverse",
        "silence",
        "1",
        "0.02",
        "1%",
        "reverse",
    )
    length = subprocess.run(
        ["soxi", "-D", trimmed], check=True, capture_output=True, text=True
    ).stdout.strip()
    run(
        "sox",
        trimmed,
        *WAV_FORMAT,
        out,
        "norm",
        "-3",
        "fade",
        "t",
        "0.01",
        length,
        "0.04",
        "pad",
        "0.05",
        "0.1",
    )


def make_phonetic(scratch):
    """A recorded sound for every bracketed piece of the lessons, and the table that names them."""
    folder = os.path.join(HERE, "phonetic")
    os.makedirs(folder, exist_ok=True)
    pieces = lesson_pieces()
    first = dict(FIRST_SOUNDS)
    keys = [key for key, _ in FIRST_SOUNDS] + sorted(set(pieces) - set(first))
    wanted = set()
    lines = []
    for key in keys:
        spoken, mouth = phonemes(pieces.get(key, key[1:-1]))
        name = first.get(key, key[1:-1].replace(" ", "_") + ".wav")
        record(spoken, os.path.join(folder, name), scratch)
        wanted.add(name)
        lines.append("%s=%s@%d" % (key, name, mouth))
    for name in os.listdir(folder):
        if name.endswith(".wav") and name not in wanted:
            os.remove(os.path.join(folder, name))
    with open(os.path.join(folder, "phonetic.idx"), "w") as f:
        f.write("\n".join(lines) + "\n")


def make_visemes(_scratch):
    tool = os.path.join(os.path.dirname(HERE), "art", "draw_mouths.py")
    run(sys.executable, tool, "--size", "64", "--course", os.path.join(HERE, "Viseme"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument(
        "--only",
        nargs="*",
        help="make only these: background, jingle, "
        "phonetic, visemes, or picture names such as hello.gif",
    )
    args = parser.parse_args()
    wanted = set(args.only or [])
    jobs = [
        ("background", make_background),
        ("jingle", make_jingle),
        ("phonetic", make_phonetic),
        ("visemes", make_visemes),
    ]
    with tempfile.TemporaryDirectory() as scratch:
        for name, job in jobs:
            if not wanted or name in wanted:
                job(scratch)
        for name, draw in PICTURES.items():
            if not wanted or os.path.basename(name) in wanted:
                make_picture(name, draw, scratch)
    return 0


if __name__ == "__main__":
    sys.exit(main())
