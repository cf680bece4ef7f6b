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


# ---------------------------------------------------------------- scenes of the later lessons

KATE = dict(shirt="rgb(240,170,70)", legs="rgb(80,80,110)", hair="rgb(120,70,40)", style="bun")
MARK = dict(shirt="rgb(120,120,200)", legs="rgb(60,60,80)", hair="rgb(200,150,80)", style="short")
LIHUA = dict(shirt="rgb(200,70,70)", legs="rgb(50,50,70)", hair="rgb(30,25,25)", style="short")
STAFF = dict(shirt="rgb(60,90,150)", legs="rgb(40,50,80)", hair="rgb(50,40,35)", style="cap")
DOCTOR = dict(shirt="white", legs="rgb(90,110,140)", hair="rgb(90,90,90)", style="short")
WOOD = "rgb(186,140,96)"
GLASS = "rgb(200,230,250)"


def room(wall="rgb(246,238,224)", floor="rgb(200,170,140)"):
    return (
        '<rect width="160" height="120" fill="%s"/><rect y="98" width="160" height="22" fill="%s"/>'
        % (
            wall,
            floor,
        )
    )


def box(x, y, w, h, fill, rx=0, width=1):
    return (
        '<rect x="%g" y="%g" width="%g" height="%g" rx="%g" fill="%s" stroke="%s" '
        'stroke-width="%g"/>' % (x, y, w, h, rx, fill, INK, width)
    )


def window(x, y, w, h, sky=GLASS):
    return box(
        x, y, w, h, sky, width=2
    ) + '<path d="M %g %g L %g %g M %g %g L %g %g" stroke="%s"/>' % (
        x + w / 2,
        y,
        x + w / 2,
        y + h,
        x,
        y + h / 2,
        x + w,
        y + h / 2,
        INK,
    )


def table(x, y, w, colour=WOOD):
    """A table whose top's left end is at (x, y), standing on the floor line 112."""
    return (
        box(x, y, w, 5, colour)
        + box(x + 3, y + 5, 4, 107 - y, colour)
        + box(x + w - 7, y + 5, 4, 107 - y, colour)
    )


def plate(x, y, food="rgb(240,200,90)"):
    return (
        '<ellipse cx="%g" cy="%g" rx="9" ry="3" fill="white" stroke="%s" stroke-width="0.7"/>'
        % (
            x,
            y,
            INK,
        )
        + '<ellipse cx="%g" cy="%g" rx="5" ry="2.4" fill="%s"/>' % (x, y - 1.5, food)
    )


def cup(x, y, colour="white"):
    return box(x - 3.5, y - 8, 7, 8, colour, rx=1.5, width=0.7)


def phone(x, y):
    return box(x - 3, y - 6, 6, 11, "rgb(50,50,60)", rx=1.5, width=0.6) + box(
        x - 2, y - 5, 4, 7, GLASS, width=0.3
    )


def paper(x, y, w=14, h=18, lines=4):
    rules = "".join(
        '<path d="M %g %g l %g 0" stroke="rgb(150,150,170)" stroke-width="0.8"/>'
        % (x + 2, y + 4 + i * 3.5, w - 4)
        for i in range(lines)
    )
    return box(x, y, w, h, "white", width=0.7) + rules


def suitcase(x, y, colour="rgb(90,120,170)"):
    return box(
        x, y - 22, 16, 22, colour, rx=2
    ) + '<path d="M %g %g l 0 -4 l 6 0 l 0 4" fill="none" stroke="%s" stroke-width="1.4"/>' % (
        x + 5,
        y - 22,
        INK,
    )


def picture(*parts):
    return svg(160, 120, "".join(parts))


def numbers():
    digits = "".join(
        box(8 + (i % 5) * 30, 8 + (i // 5) * 26, 24, 20, "white", rx=3)
        + text(20 + (i % 5) * 30, 23 + (i // 5) * 26, str(i + 1), 11, fill="rgb(220,80,60)")
        for i in range(10)
    )
    return picture(
        room("rgb(250,244,226)"),
        digits,
        person(50, 112, arms="point", scale=0.8, **TOM),
        person(112, 112, arms="up", mouth="open", scale=0.8, **LILY),
    )


def family():
    return picture(
        OUTDOOR,
        tree(20, 96),
        person(40, 112, arms="down", **DOCTOR),
        person(66, 112, arms="hold", **dict(ANNA, shirt="rgb(230,120,160)")),
        person(92, 112, arms="wave", scale=0.7, **dict(TOM, shirt="rgb(250,200,80)")),
        person(120, 112, arms="wave_left", **LILY),
        bubble(100, 6, 54, 18, "My family", 118, 36, size=8),
    )


def home():
    return picture(
        OUTDOOR,
        box(30, 30, 100, 68, "rgb(240,220,190)"),
        '<path d="M 24 32 L 80 6 L 136 32 Z" fill="rgb(200,90,70)" stroke="%s"/>' % INK,
        window(40, 44, 22, 18),
        window(98, 44, 22, 18),
        box(70, 66, 20, 32, "rgb(150,100,70)"),
        box(96, 70, 28, 6, "rgb(150,150,160)"),
        "".join(
            '<circle cx="%g" cy="68" r="3" fill="%s"/>' % (100 + i * 7, c)
            for i, c in enumerate(("rgb(240,80,90)", "rgb(250,200,60)", "rgb(240,120,200)"))
        ),
        person(146, 112, arms="point_left", scale=0.7, **LILY),
    )


def whose():
    return picture(
        room(),
        box(90, 74, 54, 24, "rgb(120,170,120)", rx=5),
        box(92, 62, 50, 14, "rgb(140,190,140)", rx=4),
        phone(118, 70),
        box(20, 86, 18, 12, "rgb(200,80,80)", rx=2),
        '<path d="M 24 86 q 5 -8 10 0" fill="none" stroke="%s" stroke-width="1.4"/>' % INK,
        person(56, 112, arms="point", **TOM),
        person(150, 112, arms="hand_out_left", scale=0.8, **ANNA),
        bubble(30, 8, 60, 18, "Is it yours?", 56, 36, size=8),
    )


def restaurant():
    return picture(
        room("rgb(250,236,220)", "rgb(170,120,90)"),
        window(14, 12, 34, 26),
        table(40, 78, 70),
        plate(60, 77),
        plate(90, 77, "rgb(120,180,90)"),
        cup(75, 77),
        person(24, 112, arms="hold", scale=0.85, **TOM),
        person(126, 112, arms="hand_out_left", **dict(STAFF, shirt="white")),
        box(132, 64, 14, 18, "rgb(150,50,50)", width=0.7),
        text(139, 76, "M", 7, fill="white"),
    )


def food():
    colours = ("rgb(220,60,60)", "rgb(250,160,50)", "rgb(120,190,80)", "rgb(250,214,70)")
    fruit_bowl = "".join(
        '<circle cx="%g" cy="%g" r="5" fill="%s" stroke="%s" stroke-width="0.6"/>'
        % (58 + i * 10, 70 - (i % 2) * 4, c, INK)
        for i, c in enumerate(colours)
    )
    return picture(
        room("rgb(240,248,236)"),
        table(30, 80, 100),
        '<path d="M 50 74 Q 80 90 110 74 Z" fill="rgb(250,250,250)" stroke="%s"/>' % INK,
        fruit_bowl,
        plate(118, 79, "rgb(245,235,210)"),
        '<path d="M 112 70 L 126 76 M 113 68 L 127 74" stroke="rgb(150,100,60)" stroke-width="1.2"/>',
        person(18, 112, arms="point", scale=0.8, **LILY),
        person(146, 112, arms="hand_out_left", scale=0.8, **ANNA),
    )


def dinner_table():
    return picture(
        room("rgb(250,240,214)"),
        window(100, 10, 40, 30, "rgb(60,70,120)"),
        table(30, 80, 100),
        plate(52, 79, "rgb(240,140,90)"),
        plate(80, 79, "rgb(250,250,240)"),
        plate(108, 79, "rgb(120,180,90)"),
        person(20, 112, arms="hold", **ANNA),
        person(140, 112, arms="up", mouth="open", scale=0.75, **dict(TOM, shirt="rgb(250,200,80)")),
    )


def rain():
    drops = "".join(
        '<path d="M %g %g l -2 6" stroke="rgb(90,130,200)" stroke-width="1"/>'
        % (10 + (i * 37) % 150, 30 + (i * 23) % 60)
        for i in range(24)
    )
    return picture(
        '<rect width="160" height="120" fill="rgb(200,210,220)"/>'
        '<rect y="100" width="160" height="20" fill="rgb(150,160,170)"/>',
        '<ellipse cx="40" cy="20" rx="26" ry="10" fill="rgb(150,160,175)"/>',
        '<ellipse cx="110" cy="16" rx="30" ry="11" fill="rgb(140,150,165)"/>',
        drops,
        '<path d="M 48 44 Q 70 24 92 44 Z" fill="rgb(220,70,90)" stroke="%s"/>' % INK,
        '<path d="M 70 44 L 70 62" stroke="%s" stroke-width="1.4"/>' % INK,
        person(62, 112, arms="up", scale=0.9, **TOM),
        person(86, 112, arms="down", scale=0.9, **LILY),
    )


def seasons():
    colours = ("rgb(200,240,190)", "rgb(255,236,150)", "rgb(250,200,140)", "rgb(230,240,255)")
    leaves = ("rgb(120,200,100)", "rgb(60,160,70)", "rgb(230,130,50)", "white")
    names = ("spring", "summer", "autumn", "winter")
    panels = "".join(
        box(i * 40, 0, 40, 120, colours[i], width=0.6)
        + '<rect x="%g" y="66" width="4" height="22" fill="rgb(140,96,62)"/>' % (i * 40 + 18)
        + '<circle cx="%g" cy="58" r="13" fill="%s" stroke="%s" stroke-width="0.6"/>'
        % (i * 40 + 20, leaves[i], INK)
        + text(i * 40 + 20, 104, names[i], 8)
        for i in range(4)
    )
    return picture(panels, '<circle cx="60" cy="16" r="7" fill="rgb(255,200,60)"/>')


def coat():
    return picture(
        '<rect width="160" height="120" fill="rgb(226,236,246)"/>'
        '<rect y="96" width="160" height="24" fill="white"/>',
        "".join(
            '<circle cx="%g" cy="%g" r="1.6" fill="white" stroke="rgb(180,190,210)" '
            'stroke-width="0.4"/>' % (8 + (i * 29) % 150, 8 + (i * 17) % 80)
            for i in range(20)
        ),
        person(
            56, 112, arms="down", **dict(LILY, shirt="rgb(120,60,140)", sleeve="rgb(120,60,140)")
        ),
        '<path d="M 47 58 Q 56 62 65 58 L 65 64 Q 56 67 47 64 Z" fill="rgb(220,40,50)"/>',
        person(106, 112, arms="point_left", **dict(TOM, shirt="rgb(60,90,70)", style="cap")),
        bubble(80, 6, 60, 18, "It is cold!", 100, 34, size=8),
    )


def hobbies():
    return picture(
        OUTDOOR,
        '<circle cx="40" cy="104" r="6" fill="white" stroke="%s"/>' % INK,
        person(26, 110, arms="point", **TOM),
        person(104, 112, arms="hold", **dict(ANNA, shirt="rgb(250,200,220)")),
        '<path d="M 96 72 q 8 -14 16 0 q -8 8 -16 0 Z" fill="rgb(190,130,70)" stroke="%s"/>' % INK,
        box(124, 60, 28, 22, "white"),
        '<path d="M 128 76 l 6 -8 l 5 6 l 4 -4 l 5 6" fill="none" stroke="rgb(60,140,200)"/>',
    )


def weekend():
    return picture(
        OUTDOOR,
        tree(20, 96, 1.2),
        tree(140, 96),
        '<circle cx="70" cy="102" r="7" fill="none" stroke="%s" stroke-width="1.6"/>' % INK,
        '<circle cx="98" cy="102" r="7" fill="none" stroke="%s" stroke-width="1.6"/>' % INK,
        '<path d="M 70 102 L 82 90 L 98 102 M 82 90 L 90 90" fill="none" stroke="rgb(220,60,60)" '
        'stroke-width="1.8"/>',
        person(84, 96, arms="hold", scale=0.8, **TOM),
        person(120, 112, arms="wave_left", scale=0.85, **LILY),
    )


def swim():
    return picture(
        '<rect width="160" height="120" fill="rgb(214,236,250)"/>',
        '<rect y="64" width="160" height="56" fill="rgb(80,160,220)"/>',
        "".join(
            '<path d="M %g %g q 5 -3 10 0" fill="none" stroke="white" stroke-width="1"/>'
            % (10 + (i * 31) % 140, 72 + (i * 13) % 40)
            for i in range(12)
        ),
        '<circle cx="130" cy="18" r="10" fill="rgb(255,214,90)"/>',
        '<g transform="translate(0,30)">%s</g>' % person(60, 60, arms="up", scale=0.9, **TOM),
        '<rect x="0" y="70" width="160" height="50" fill="rgb(80,160,220)" opacity="0.8"/>',
        person(120, 62, arms="wave_left", scale=0.7, **LILY),
        '<rect x="96" y="62" width="64" height="8" fill="rgb(240,220,170)"/>',
    )


def calendar():
    cells = "".join(
        box(
            30 + (i % 7) * 14,
            38 + (i // 7) * 12,
            14,
            12,
            "rgb(220,60,60)" if i == 2 else "white",
            width=0.6,
        )
        + text(
            37 + (i % 7) * 14, 47 + (i // 7) * 12, str(i + 1), 6, fill="white" if i == 2 else INK
        )
        for i in range(28)
    )
    return picture(
        room("rgb(244,240,250)"),
        box(26, 14, 106, 78, "white", rx=3),
        box(26, 14, 106, 20, "rgb(90,130,200)", rx=3),
        text(79, 28, "MAY", 10, fill="white"),
        cells,
        person(146, 112, arms="point_left", scale=0.8, **LILY),
    )


def birthday():
    candles = "".join(
        '<rect x="%g" y="56" width="2" height="8" fill="rgb(120,180,240)"/>'
        '<path d="M %g 56 q 2 -4 0 -6 q -2 2 0 6" fill="rgb(250,180,40)"/>'
        % (70 + i * 6, 71 + i * 6)
        for i in range(4)
    )
    return picture(
        room("rgb(252,236,240)"),
        "".join(
            '<circle cx="%g" cy="16" r="6" fill="%s"/><path d="M %g 22 l 0 12" stroke="%s" '
            'stroke-width="0.5"/>' % (20 + i * 40, c, 20 + i * 40, INK)
            for i, c in enumerate(
                ("rgb(240,90,90)", "rgb(90,160,240)", "rgb(250,200,60)", "rgb(120,200,120)")
            )
        ),
        table(44, 80, 72),
        box(64, 64, 32, 16, "rgb(150,90,60)", rx=2),
        candles,
        person(28, 112, arms="up", mouth="open", **LILY),
        person(134, 112, arms="hand_out_left", **ANNA),
        box(118, 74, 12, 10, "rgb(230,80,120)", width=0.6),
    )


def diary():
    return picture(
        room("rgb(240,246,236)"),
        clock(130, 24, 12, 10, 0),
        table(20, 78, 90),
        paper(40, 58, 22, 20),
        '<path d="M 66 74 l 14 -12" stroke="rgb(60,60,160)" stroke-width="1.6"/>',
        phone(94, 76),
        person(140, 112, arms="hand_out_left", **dict(TOM, shirt="rgb(110,160,200)")),
        bubble(4, 6, 78, 18, "Are you free?", 40, 52, size=8),
    )


def ill():
    return picture(
        room("rgb(236,240,248)"),
        box(20, 80, 90, 18, "rgb(230,230,240)"),
        box(20, 70, 22, 12, "white", rx=4),
        '<path d="M 40 78 L 108 78 L 108 92 L 40 92 Z" fill="rgb(140,170,220)" stroke="%s"/>' % INK,
        '<circle cx="32" cy="66" r="9" fill="%s" stroke="%s"/>' % (SKIN, INK),
        '<path d="M 28 64 l 3 0 M 34 64 l 3 0 M 30 70 q 2 -2 4 0" stroke="%s" fill="none"/>' % INK,
        box(22, 54, 20, 5, "white", rx=2),
        person(132, 112, arms="hand_out_left", **ANNA),
        cup(118, 80),
    )


def doctor():
    return picture(
        room("rgb(236,246,246)"),
        box(108, 16, 36, 30, "white"),
        '<path d="M 126 22 l 0 18 M 117 31 l 18 0" stroke="rgb(220,50,50)" stroke-width="4"/>',
        table(60, 82, 60, "rgb(230,230,230)"),
        paper(80, 66, 14, 16, 3),
        person(40, 112, arms="hand_out", **DOCTOR),
        '<path d="M 34 58 q 6 10 12 0" fill="none" stroke="rgb(80,80,80)" stroke-width="1.2"/>',
        person(136, 112, arms="hold", mouth="open", **TOM),
    )


def chemist():
    shelves = "".join(
        box(12, 14 + i * 16, 80, 3, WOOD)
        + "".join(
            box(16 + j * 12, 5 + i * 16, 8, 9, c, rx=1, width=0.5)
            for j, c in enumerate(
                (
                    "rgb(240,90,90)",
                    "white",
                    "rgb(90,170,230)",
                    "rgb(250,210,70)",
                    "rgb(120,200,120)",
                    "white",
                )
            )
        )
        for i in range(3)
    )
    return picture(
        room("rgb(236,248,240)"),
        shelves,
        box(10, 70, 86, 28, "white"),
        '<path d="M 53 76 l 0 16 M 45 84 l 16 0" stroke="rgb(60,170,90)" stroke-width="4"/>',
        person(40, 70, arms="hold", scale=0.6, **DOCTOR),
        person(126, 112, arms="hand_out_left", **LILY),
    )


def phone_call():
    return picture(
        room("rgb(240,240,250)"),
        '<path d="M 80 0 L 80 120" stroke="%s" stroke-width="1.4"/>' % INK,
        person(40, 112, arms="wave", mouth="open", **TOM),
        phone(59, 39),
        person(120, 112, arms="wave_left", **dict(MARK, shirt="rgb(240,150,80)")),
        phone(101, 39),
        bubble(4, 4, 60, 18, "Hello!", 36, 40, size=8),
    )


def message():
    return picture(
        room("rgb(246,242,236)"),
        window(110, 10, 40, 30),
        table(40, 80, 80),
        paper(60, 62, 18, 18),
        phone(96, 78),
        person(26, 112, arms="hand_out", mouth="open", **LILY),
        person(134, 112, arms="hold", scale=0.9, **dict(ANNA, shirt="rgb(90,120,180)")),
    )


def booking():
    return picture(
        room("rgb(252,240,226)", "rgb(170,120,90)"),
        box(8, 8, 66, 22, "rgb(120,60,40)", rx=3),
        text(41, 23, "RESTAURANT", 7, fill="white"),
        table(90, 80, 60),
        cup(104, 79),
        plate(128, 79),
        person(42, 112, arms="wave", mouth="open", **TOM),
        phone(61, 39),
    )


def invitation():
    return picture(
        OUTDOOR,
        box(48, 20, 64, 40, "rgb(250,244,230)", rx=3),
        text(80, 36, "PARTY", 10, fill="rgb(220,80,90)"),
        text(80, 50, "Saturday 7 pm", 6.5),
        person(30, 112, arms="point", **LILY),
        person(130, 112, arms="up", mouth="open", **ANNA),
    )


def sorry():
    return picture(
        '<rect width="160" height="120" fill="rgb(60,60,100)"/>',
        '<rect y="98" width="160" height="22" fill="rgb(90,80,90)"/>',
        box(8, 10, 56, 40, "rgb(40,40,40)"),
        box(12, 14, 48, 32, "rgb(240,200,110)"),
        text(36, 34, "FILM", 9),
        person(86, 112, arms="hand_out", **MARK),
        person(132, 112, arms="down", mouth="open", **ANNA),
    )


def late():
    return picture(
        OUTDOOR,
        clock(80, 22, 12, 7, 40),
        box(110, 40, 46, 52, "rgb(220,200,240)"),
        text(133, 52, "CINEMA", 7),
        person(40, 112, arms="up", mouth="open", **LILY),
        person(96, 112, arms="hand_out_left", **TOM),
        box(88, 70, 10, 6, "white", width=0.6),
    )


def ticket():
    return picture(
        room("rgb(236,240,246)"),
        box(70, 10, 86, 88, "rgb(220,226,236)"),
        window(84, 24, 56, 36),
        box(70, 64, 86, 8, WOOD),
        text(113, 19, "TICKETS", 7),
        person(112, 62, arms="hand_out_left", scale=0.45, **STAFF),
        person(40, 112, arms="hand_out", **TOM),
        box(60, 68, 12, 7, "rgb(250,220,120)", width=0.6),
    )


def platform():
    return picture(
        '<rect width="160" height="120" fill="rgb(214,226,240)"/>',
        box(0, 90, 160, 30, "rgb(180,180,180)"),
        '<path d="M 0 86 L 160 86" stroke="rgb(250,210,60)" stroke-width="3"/>',
        box(20, 8, 40, 16, "rgb(40,60,110)"),
        text(40, 19, "3", 10, fill="white"),
        box(96, 10, 56, 20, "rgb(30,30,30)"),
        text(124, 23, "LONDON 9:15", 6.5, fill="rgb(250,200,60)"),
        person(40, 112, arms="point", **TOM),
        person(100, 112, arms="hand_out_left", **KATE),
    )


def train():
    return picture(
        '<rect width="160" height="120" fill="rgb(236,232,220)"/>',
        box(10, 10, 140, 50, "rgb(200,200,200)"),
        window(18, 16, 56, 36, "rgb(170,220,150)"),
        window(86, 16, 56, 36, "rgb(170,220,150)"),
        '<path d="M 18 44 q 20 -14 40 -4 q 10 6 16 0 M 86 46 q 30 -16 56 -2" fill="none" stroke="rgb(90,150,80)" stroke-width="2"/>',
        box(10, 70, 40, 30, "rgb(60,90,150)", rx=4),
        box(110, 70, 40, 30, "rgb(60,90,150)", rx=4),
        person(36, 112, arms="point", scale=0.8, **TOM),
        person(124, 112, arms="hand_out_left", scale=0.8, **KATE),
    )


def hotel():
    return picture(
        room("rgb(246,236,214)", "rgb(160,110,80)"),
        box(10, 8, 70, 18, "rgb(140,40,50)", rx=3),
        text(45, 21, "PARK HOTEL", 8, fill="rgb(250,220,140)"),
        box(70, 66, 86, 32, WOOD),
        person(112, 66, arms="hand_out_left", scale=0.65, **dict(STAFF, style="bun")),
        '<circle cx="148" cy="64" r="3" fill="rgb(250,210,60)" stroke="%s"/>' % INK,
        person(40, 112, arms="hand_out", **TOM),
        suitcase(8, 112),
    )


def hotel_room():
    return picture(
        room("rgb(236,236,246)"),
        box(14, 76, 80, 22, "white"),
        box(14, 70, 20, 10, "white", rx=3),
        box(34, 76, 60, 12, "rgb(120,150,210)"),
        box(110, 10, 40, 22, "white", rx=3),
        '<path d="M 116 36 l 4 8 M 130 36 l 0 9 M 144 36 l -4 8" stroke="rgb(220,60,60)" stroke-width="1.4"/>',
        person(124, 112, arms="hold", mouth="open", **TOM),
        phone(124, 70),
        bubble(60, 40, 44, 16, "Too hot!", 110, 60, size=7.5),
    )


def checkout():
    return picture(
        room("rgb(246,236,214)", "rgb(160,110,80)"),
        box(70, 66, 86, 32, WOOD),
        person(112, 66, arms="hand_out_left", scale=0.65, **dict(STAFF, style="bun")),
        paper(86, 56, 14, 12, 2),
        person(44, 112, arms="hand_out", **TOM),
        suitcase(14, 112, "rgb(200,80,80)"),
        '<path d="M 0 30 L 40 30 L 40 60 L 0 60 Z" fill="%s" stroke="%s"/>' % (GLASS, INK),
        box(4, 44, 26, 10, "rgb(250,210,60)", rx=2),
    )


def bank():
    return picture(
        room("rgb(236,240,236)"),
        "".join(box(10 + i * 16, 12, 8, 50, "rgb(230,230,220)") for i in range(3)),
        box(70, 14, 84, 16, "rgb(40,110,80)"),
        text(112, 26, "BANK", 9, fill="white"),
        box(70, 66, 86, 32, "rgb(200,200,190)"),
        person(112, 66, arms="hand_out_left", scale=0.45, **STAFF),
        paper(90, 56, 14, 12, 2),
        person(44, 112, arms="hand_out", **ANNA),
    )


def money():
    notes = "".join(
        '<g transform="rotate(%d %g %g)">%s</g>'
        % (-10 + i * 8, 70 + i * 6, 74, box(56 + i * 6, 64, 30, 16, "rgb(170,210,170)", width=0.6))
        for i in range(3)
    )
    return picture(
        room("rgb(236,240,236)"),
        box(52, 8, 56, 34, "rgb(30,30,30)"),
        text(80, 22, "GBP  9.10", 7, fill="rgb(250,200,60)"),
        text(80, 34, "USD  7.20", 7, fill="rgb(250,200,60)"),
        table(40, 84, 80, "rgb(200,200,190)"),
        notes,
        person(22, 112, arms="hold", **TOM),
        person(140, 112, arms="hand_out_left", **STAFF),
    )


def card():
    return picture(
        room("rgb(240,240,246)"),
        box(56, 24, 48, 30, "rgb(60,110,200)", rx=4),
        box(62, 32, 10, 8, "rgb(250,210,80)", rx=1),
        '<path d="M 52 20 L 108 58 M 108 20 L 52 58" stroke="rgb(220,50,50)" stroke-width="3"/>',
        person(34, 112, arms="up", mouth="open", **LILY),
        person(126, 112, arms="hand_out_left", **STAFF),
    )


def office():
    return picture(
        room("rgb(238,242,246)", "rgb(150,150,160)"),
        window(100, 8, 50, 36),
        table(20, 78, 70, "rgb(220,220,220)"),
        box(36, 58, 30, 20, "rgb(40,40,50)", rx=2),
        box(39, 61, 24, 14, GLASS, width=0.4),
        person(110, 112, arms="wave", **MARK),
        person(140, 112, arms="hand_out_left", scale=0.9, **dict(ANNA, shirt="rgb(90,90,120)")),
    )


def study():
    return picture(
        room("rgb(244,242,230)"),
        box(14, 10, 70, 40, "rgb(60,100,80)"),
        text(49, 28, "English", 9, fill="white"),
        text(49, 42, "I practise", 7, fill="rgb(250,240,180)"),
        table(20, 84, 70),
        paper(30, 66, 16, 18),
        '<path d="M 56 82 l 6 -12 l 10 0 l -6 12 Z" fill="rgb(200,80,80)" stroke="%s"/>' % INK,
        person(120, 112, arms="point_left", **dict(DOCTOR, shirt="rgb(150,110,90)")),
        person(146, 112, arms="down", scale=0.75, **LILY),
    )


def week():
    days = "".join(
        box(8 + i * 20, 12, 18, 40, "white", width=0.6)
        + text(17 + i * 20, 22, d, 6)
        + (box(10 + i * 20, 28, 14, 8, c, rx=1, width=0.4) if c else "")
        for i, (d, c) in enumerate(
            zip(
                ("MON", "TUE", "WED", "THU", "FRI"),
                ("rgb(120,180,240)", None, "rgb(240,140,120)", "rgb(250,210,80)", None),
            )
        )
    )
    return picture(
        room("rgb(238,242,246)", "rgb(150,150,160)"),
        days,
        person(40, 112, arms="point", **dict(ANNA, shirt="rgb(90,90,120)")),
        person(120, 112, arms="hold", **MARK),
    )


def airport():
    return picture(
        room("rgb(232,238,246)", "rgb(190,190,200)"),
        box(0, 8, 160, 18, "rgb(40,80,140)"),
        text(80, 21, "CHECK-IN", 9, fill="white"),
        box(80, 66, 76, 32, "rgb(210,210,220)"),
        person(118, 66, arms="hand_out_left", scale=0.65, **STAFF),
        person(44, 112, arms="hand_out", **LIHUA),
        suitcase(60, 112),
        '<path d="M 110 40 l 20 -6 l 4 2 l -14 8 l 10 4 l -2 2 l -14 -2 Z" fill="white" stroke="%s" stroke-width="0.6"/>'
        % INK,
    )


def security():
    return picture(
        room("rgb(232,238,246)", "rgb(190,190,200)"),
        box(60, 20, 40, 78, "none", width=0),
        '<path d="M 62 98 L 62 22 L 98 22 L 98 98" fill="none" stroke="rgb(120,120,130)" stroke-width="6"/>',
        box(100, 80, 60, 10, "rgb(90,90,100)"),
        box(110, 70, 22, 10, "rgb(200,200,210)", width=0.6),
        box(113, 72, 16, 6, "rgb(60,60,70)", width=0.4),
        person(80, 112, arms="up", **LIHUA),
        person(30, 112, arms="point", **dict(STAFF, shirt="rgb(40,60,90)")),
    )


def gate():
    return picture(
        room("rgb(232,238,246)", "rgb(190,190,200)"),
        window(8, 10, 100, 50, "rgb(200,214,230)"),
        '<ellipse cx="50" cy="26" rx="22" ry="8" fill="rgb(150,160,175)"/>',
        box(116, 10, 40, 26, "rgb(30,30,30)"),
        text(136, 22, "LONDON", 6, fill="rgb(250,200,60)"),
        text(136, 31, "DELAYED", 6, fill="rgb(250,80,60)"),
        person(60, 112, arms="point", **LIHUA),
        person(120, 112, arms="hand_out_left", **STAFF),
    )


def interview():
    return picture(
        room("rgb(240,242,246)", "rgb(150,150,160)"),
        window(56, 8, 48, 32),
        table(44, 80, 72, "rgb(220,220,220)"),
        paper(70, 64, 16, 16),
        person(28, 112, arms="hand_out", **LIHUA),
        person(134, 112, arms="hand_out_left", **dict(KATE, shirt="rgb(60,60,80)")),
    )


def experience():
    return picture(
        room("rgb(240,242,246)", "rgb(150,150,160)"),
        box(24, 12, 78, 50, "white"),
        '<path d="M 30 54 L 48 40 L 62 46 L 80 24 L 96 30" fill="none" stroke="rgb(60,140,200)" stroke-width="2"/>',
        "".join(
            box(30 + i * 16, 56 - h, 10, h, "rgb(120,190,120)", width=0.5)
            for i, h in enumerate((10, 16, 22, 30))
        ),
        person(118, 112, arms="point_left", **LIHUA),
        person(146, 112, arms="down", scale=0.85, **dict(KATE, shirt="rgb(60,60,80)")),
    )


def handshake():
    return picture(
        room("rgb(240,242,246)", "rgb(150,150,160)"),
        window(60, 8, 40, 30),
        person(62, 112, arms="point", **LIHUA),
        person(98, 112, arms="point_left", **dict(KATE, shirt="rgb(60,60,80)")),
        bubble(100, 10, 56, 18, "Thank you!", 98, 40, size=7.5),
    )


def rent():
    return picture(
        room("rgb(250,246,236)", "rgb(190,150,110)"),
        window(10, 10, 60, 44, "rgb(255,240,180)"),
        box(80, 76, 60, 22, "rgb(200,110,90)", rx=4),
        box(84, 66, 52, 14, "rgb(220,130,110)", rx=4),
        person(40, 112, arms="point", **dict(STAFF, shirt="rgb(80,80,90)", style="short")),
        person(150, 112, arms="hand_out_left", scale=0.85, **LILY),
    )


def contract():
    return picture(
        room("rgb(250,246,236)", "rgb(190,150,110)"),
        table(30, 80, 100),
        paper(56, 58, 24, 22, 5),
        '<path d="M 84 76 l 14 -14" stroke="rgb(40,40,120)" stroke-width="1.6"/>',
        box(100, 72, 10, 6, "rgb(250,210,60)", rx=2, width=0.5),
        person(18, 112, arms="hold", **dict(STAFF, shirt="rgb(80,80,90)", style="short")),
        person(144, 112, arms="hold", **LILY),
    )


def noise():
    notes = "".join(
        '<path d="M %g %g l 0 -8 l 5 -2 l 0 8" fill="none" stroke="%s" stroke-width="1"/>'
        '<circle cx="%g" cy="%g" r="1.8" fill="%s"/>' % (x, y, INK, x - 1, y, INK)
        for x, y in ((30, 24), (52, 16), (76, 26), (100, 14))
    )
    return picture(
        '<rect width="160" height="60" fill="rgb(250,220,200)"/>',
        '<rect y="60" width="160" height="60" fill="rgb(220,226,246)"/>',
        '<path d="M 0 60 L 160 60" stroke="%s" stroke-width="3"/>' % INK,
        notes,
        person(130, 56, arms="up", scale=0.45, mouth="open", **TOM),
        person(50, 112, arms="hand_out", **LILY),
        person(110, 112, arms="hand_out_left", **dict(MARK, shirt="rgb(160,130,90)")),
    )


def city():
    towers = "".join(
        box(x, 96 - h, 18, h, c, width=0.6)
        for x, h, c in (
            (6, 50, "rgb(180,190,210)"),
            (28, 70, "rgb(200,200,220)"),
            (50, 40, "rgb(170,180,200)"),
            (96, 60, "rgb(190,200,220)"),
            (118, 80, "rgb(180,190,210)"),
            (140, 46, "rgb(200,200,220)"),
        )
    )
    return picture(
        '<rect width="160" height="120" fill="rgb(214,230,246)"/>',
        '<path d="M 0 70 L 30 40 L 60 64 L 90 30 L 130 62 L 160 44 L 160 96 L 0 96 Z" fill="rgb(170,200,170)"/>',
        towers,
        '<rect y="96" width="160" height="24" fill="rgb(200,200,190)"/>',
        '<circle cx="82" cy="86" r="7" fill="white" stroke="%s"/>' % INK,
        '<circle cx="79" cy="84" r="1.5" fill="%s"/><circle cx="85" cy="84" r="1.5" fill="%s"/>'
        % (INK, INK),
        person(40, 116, arms="point", scale=0.7, **LIHUA),
        person(120, 116, arms="down", scale=0.7, **MARK),
    )


def metro():
    return picture(
        room("rgb(230,230,236)", "rgb(170,170,180)"),
        box(6, 20, 148, 56, "rgb(220,60,60)", rx=8),
        "".join(window(14 + i * 36, 28, 26, 22) for i in range(4)),
        box(6, 60, 148, 4, "white", width=0),
        box(60, 6, 40, 12, "rgb(40,60,140)", rx=2),
        text(80, 15, "METRO", 7, fill="white"),
        person(40, 112, arms="point", **LIHUA),
        person(120, 112, arms="hold", **MARK),
        phone(126, 72),
    )


def city_change():
    return picture(
        '<rect width="80" height="120" fill="rgb(236,226,206)"/>',
        '<rect x="80" width="80" height="120" fill="rgb(214,230,246)"/>',
        '<path d="M 80 0 L 80 120" stroke="%s" stroke-width="1.4"/>' % INK,
        box(8, 60, 30, 36, "rgb(200,170,130)"),
        '<path d="M 4 62 L 23 48 L 42 62 Z" fill="rgb(120,90,70)"/>',
        box(44, 66, 30, 30, "rgb(200,170,130)"),
        '<path d="M 40 68 L 59 56 L 78 68 Z" fill="rgb(120,90,70)"/>',
        box(88, 20, 20, 76, "rgb(180,190,210)"),
        box(112, 36, 20, 60, "rgb(200,200,220)"),
        box(136, 12, 18, 84, "rgb(170,180,200)"),
        '<rect y="96" width="160" height="24" fill="rgb(200,200,190)"/>',
        text(40, 112, "then", 9),
        text(120, 112, "now", 9),
    )


def newyear():
    bursts = "".join(
        "".join(
            '<path d="M %g %g l %g %g" stroke="%s" stroke-width="1.2"/>'
            % (cx, cy, 10 * math.cos(a * math.pi / 4), 10 * math.sin(a * math.pi / 4), c)
            for a in range(8)
        )
        for cx, cy, c in (
            (30, 24, "rgb(250,210,60)"),
            (80, 16, "rgb(250,120,120)"),
            (130, 28, "rgb(120,220,250)"),
        )
    )
    lanterns = "".join(
        '<ellipse cx="%g" cy="52" rx="8" ry="7" fill="rgb(220,40,40)" stroke="%s"/>' % (x, INK)
        for x in (20, 140)
    )
    return picture(
        '<rect width="160" height="120" fill="rgb(40,40,90)"/>',
        '<rect y="96" width="160" height="24" fill="rgb(120,60,60)"/>',
        bursts,
        lanterns,
        person(60, 112, arms="hold", **LIHUA),
        box(70, 68, 10, 14, "rgb(220,40,40)", width=0.6),
        person(104, 112, arms="wave_left", **MARK),
    )


def moon():
    return picture(
        '<rect width="160" height="120" fill="rgb(30,40,80)"/>',
        '<rect y="96" width="160" height="24" fill="rgb(70,80,110)"/>',
        '<circle cx="118" cy="30" r="18" fill="rgb(255,246,200)"/>',
        table(30, 84, 70),
        '<circle cx="52" cy="78" r="6" fill="rgb(200,150,80)" stroke="%s"/>' % INK,
        '<circle cx="70" cy="78" r="6" fill="rgb(200,150,80)" stroke="%s"/>' % INK,
        person(20, 112, arms="point", scale=0.9, **LIHUA),
        person(120, 112, arms="down", scale=0.9, **MARK),
    )


def dragonboat():
    rowers = "".join(person(40 + i * 22, 72, arms="hold", scale=0.4, **TOM) for i in range(4))
    return picture(
        '<rect width="160" height="120" fill="rgb(214,236,250)"/>',
        '<rect y="70" width="160" height="50" fill="rgb(80,150,200)"/>',
        rowers,
        '<path d="M 20 70 L 140 70 L 130 80 L 30 80 Z" fill="rgb(220,60,50)" stroke="%s"/>' % INK,
        '<path d="M 140 70 q 10 -14 16 -6 q -4 6 -10 8" fill="rgb(250,200,60)" stroke="%s"/>' % INK,
        person(30, 116, arms="point", scale=0.5, **LIHUA),
    )


def dinner():
    return picture(
        room("rgb(250,232,214)", "rgb(160,100,80)"),
        '<ellipse cx="80" cy="80" rx="50" ry="8" fill="rgb(250,250,250)" stroke="%s"/>' % INK,
        box(76, 88, 8, 20, WOOD),
        plate(62, 78, "rgb(220,80,50)"),
        plate(98, 78, "rgb(120,180,90)"),
        person(18, 112, arms="hand_out", **LIHUA),
        person(142, 112, arms="hold", **MARK),
        '<ellipse cx="20" cy="18" rx="7" ry="8" fill="rgb(220,40,40)" stroke="%s"/>' % INK,
    )


def dishes():
    return picture(
        room("rgb(250,232,214)", "rgb(160,100,80)"),
        table(36, 80, 88),
        plate(54, 79, "rgb(200,110,60)"),
        plate(80, 79, "rgb(250,250,240)"),
        plate(106, 79, "rgb(120,180,90)"),
        '<path d="M 74 66 L 88 76 M 76 64 L 90 74" stroke="rgb(150,100,60)" stroke-width="1.2"/>',
        person(20, 112, arms="point", **LIHUA),
        person(140, 112, arms="hold", **MARK),
    )


def dumplings():
    made = "".join(
        '<path d="M %g 76 q 5 -8 10 0 Z" fill="rgb(250,246,230)" stroke="%s" stroke-width="0.6"/>'
        % (60 + i * 12, INK)
        for i in range(4)
    )
    return picture(
        room("rgb(246,244,236)"),
        table(30, 78, 100),
        made,
        '<circle cx="44" cy="74" r="6" fill="rgb(250,246,230)" stroke="%s"/>' % INK,
        person(18, 112, arms="hold", **LIHUA),
        person(142, 112, arms="hold", **MARK),
    )


def return_kettle():
    return picture(
        room("rgb(240,244,250)"),
        box(60, 66, 96, 32, "rgb(210,210,220)"),
        person(110, 66, arms="hand_out_left", scale=0.65, **STAFF),
        '<path d="M 70 66 L 70 52 Q 80 44 90 52 L 90 66 Z" fill="rgb(200,200,210)" stroke="%s"/>'
        % INK,
        paper(96, 56, 10, 10, 2),
        person(36, 112, arms="hand_out", **ANNA),
    )


def parcel():
    return picture(
        room("rgb(246,240,230)"),
        box(56, 70, 44, 28, "rgb(200,160,110)"),
        '<path d="M 56 78 L 100 78 M 78 70 L 78 98" stroke="rgb(150,110,70)" stroke-width="2"/>',
        tshirt(62, 50, "rgb(80,140,220)"),
        person(34, 112, arms="hold", mouth="open", **TOM),
        phone(43, 72),
        bubble(56, 6, 52, 18, "Too big!", 42, 34, size=8),
    )


def complaint():
    return picture(
        room("rgb(250,236,220)", "rgb(170,120,90)"),
        table(30, 80, 80),
        '<ellipse cx="70" cy="76" rx="10" ry="4" fill="white" stroke="%s"/>' % INK,
        clock(130, 22, 10, 8, 40),
        person(20, 112, arms="point", mouth="open", **TOM),
        person(126, 112, arms="hand_out_left", **dict(STAFF, shirt="white")),
    )


def plan():
    return picture(
        room("rgb(244,246,236)"),
        box(40, 16, 80, 50, "rgb(170,210,150)"),
        '<path d="M 50 56 Q 70 30 90 44 T 112 24" fill="none" stroke="rgb(220,60,60)" stroke-width="1.6" stroke-dasharray="4 3"/>',
        '<path d="M 60 50 l 6 -10 l 6 10 Z M 96 40 l 7 -12 l 7 12 Z" fill="rgb(90,140,90)"/>',
        person(20, 112, arms="point", **MARK),
        person(140, 112, arms="point_left", **LIHUA),
    )


def agency():
    return picture(
        room("rgb(236,242,250)"),
        box(10, 10, 50, 34, "rgb(120,190,230)"),
        '<path d="M 14 40 l 12 -18 l 10 12 l 8 -8 l 12 14 Z" fill="rgb(80,150,90)"/>',
        '<circle cx="48" cy="18" r="4" fill="rgb(255,214,90)"/>',
        table(60, 80, 80),
        box(88, 60, 26, 20, "rgb(40,40,50)", rx=2),
        person(44, 112, arms="hand_out", **MARK),
        person(146, 112, arms="hand_out_left", **KATE),
    )


def farewell():
    return picture(
        room("rgb(232,238,246)", "rgb(190,190,200)"),
        window(8, 10, 144, 40, "rgb(200,220,240)"),
        '<path d="M 40 30 l 30 -8 l 6 3 l -20 11 l 14 6 l -3 3 l -20 -3 Z" fill="white" stroke="%s" stroke-width="0.6"/>'
        % INK,
        person(60, 112, arms="wave", **LIHUA),
        person(104, 112, arms="wave_left", **MARK),
        suitcase(120, 112),
    )


LATER_PICTURES = {
    "lesson2/numbers.gif": numbers,
    "lesson5/family.gif": family,
    "lesson5/home.gif": home,
    "lesson5/whose.gif": whose,
    "lesson6/restaurant.gif": restaurant,
    "lesson6/food.gif": food,
    "lesson6/table.gif": dinner_table,
    "lesson7/rain.gif": rain,
    "lesson7/seasons.gif": seasons,
    "lesson7/coat.gif": coat,
    "lesson8/hobbies.gif": hobbies,
    "lesson8/weekend.gif": weekend,
    "lesson8/swim.gif": swim,
    "lesson9/calendar.gif": calendar,
    "lesson9/birthday.gif": birthday,
    "lesson9/diary.gif": diary,
    "lesson10/ill.gif": ill,
    "lesson10/doctor.gif": doctor,
    "lesson10/chemist.gif": chemist,
    "lesson11/phone.gif": phone_call,
    "lesson11/message.gif": message,
    "lesson11/booking.gif": booking,
    "lesson12/invitation.gif": invitation,
    "lesson12/sorry.gif": sorry,
    "lesson12/late.gif": late,
    "lesson13/ticket.gif": ticket,
    "lesson13/platform.gif": platform,
    "lesson13/train.gif": train,
    "lesson14/hotel.gif": hotel,
    "lesson14/room.gif": hotel_room,
    "lesson14/checkout.gif": checkout,
    "lesson15/bank.gif": bank,
    "lesson15/money.gif": money,
    "lesson15/card.gif": card,
    "lesson16/office.gif": office,
    "lesson16/study.gif": study,
    "lesson16/week.gif": week,
    "lesson17/airport.gif": airport,
    "lesson17/security.gif": security,
    "lesson17/gate.gif": gate,
    "lesson18/interview.gif": interview,
    "lesson18/experience.gif": experience,
    "lesson18/handshake.gif": handshake,
    "lesson19/rent.gif": rent,
    "lesson19/contract.gif": contract,
    "lesson19/noise.gif": noise,
    "lesson20/city.gif": city,
    "lesson20/metro.gif": metro,
    "lesson20/change.gif": city_change,
    "lesson21/newyear.gif": newyear,
    "lesson21/moon.gif": moon,
    "lesson21/dragonboat.gif": dragonboat,
    "lesson22/dinner.gif": dinner,
    "lesson22/dishes.gif": dishes,
    "lesson22/dumplings.gif": dumplings,
    "lesson23/return.gif": return_kettle,
    "lesson23/parcel.gif": parcel,
    "lesson23/complaint.gif": complaint,
    "lesson24/plan.gif": plan,
    "lesson24/agency.gif": agency,
    "lesson24/farewell.gif": farewell,
}

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
    **LATER_PICTURES,
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
