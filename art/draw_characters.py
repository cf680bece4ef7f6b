#!/usr/bin/env python3
"""Draws the two tutor characters as Quorvan character files.

Run without arguments it writes chars/merlin.acs (Hoot, the owl teacher who
reads the lessons aloud) and chars/Genie.acs (Bao, the panda student). The
output is the same on every run. --check FILE... validates existing files
against the rules of docs/character-format.md instead; --out DIR writes
elsewhere (and checks what it wrote).

Each character is one parametrised drawing: a Pose says how the eyes, mouth,
arms, props and effects look, and every frame is that drawing with a few
parameters changed, so the frames of an animation share all their parts.
Only features Qt Svg draws are used: paths, gradients, transforms and
per-element opacity (no filters, clip paths, masks or group opacity, which
Qt applies to each element separately).
"""

import argparse
import json
import math
import os
import sys
import xml.etree.ElementTree as ET
from dataclasses import dataclass, field, replace

W, H = 160, 200
SVG_NS = "http://www.w3.org/2000/svg"


def n(x):
    """Formats a coordinate with at most two decimals."""
    s = f"{x:.2f}".rstrip("0").rstrip(".")
    return "0" if s in ("", "-0") else s


def pts(*xy):
    return " ".join(n(v) for v in xy)


def rot(x, y, deg):
    a = math.radians(deg)
    return x * math.cos(a) - y * math.sin(a), x * math.sin(a) + y * math.cos(a)


def gradient(gid, stops, kind="linear", **attrs):
    a = " ".join(f'{k.replace("_", "-")}="{v}"' for k, v in attrs.items())
    s = "".join(f'<stop offset="{o}" stop-color="{c}"/>' for o, c in stops)
    return f'<{kind}Gradient id="{gid}" {a}>{s}</{kind}Gradient>'


def svg_doc(defs, body):
    return (
        f'<svg xmlns="{SVG_NS}" version="1.2" baseProfile="tiny" width="{W}" height="{H}" '
        f'viewBox="0 0 {W} {H}"><defs>{"".join(defs)}</defs>{"".join(body)}</svg>'
    )


# ---------------------------------------------------------------- shared palette

INK = "#45302a"  # every outline
CREAM = "#fbf3e2"
GOLD = "#ffcf4d"
GOLD_DARK = "#e89a2c"
RED = "#cf5a3c"
RED_DARK = "#a8432c"
TEAL = "#2f7d78"
TEAL_DARK = "#21605c"
BLUSH = "#f29b8a"
MOUTH = "#7a2e2a"
TONGUE = "#ec8a7e"
WOOD = "#b9784a"


@dataclass
class Pose:
    eyes: str = "open"  # open, half, closed, happy, wide
    look: tuple = (0.0, 0.0)  # pupil direction, -1..1 each way
    mouth: str = "closed"  # closed, smile, a, b, c, o (talking shapes)
    arm_l: float = 8.0  # limb angles in degrees away from hanging down
    arm_r: float = 8.0
    hold_l: str = ""  # prop in the left / right hand: pointer or pencil
    hold_r: str = ""
    prop_l: float = 0.0  # extra turn of the prop relative to the limb
    prop_r: float = 0.0
    book: str = ""  # "", open, turn
    tilt: float = 0.0  # head tilt in degrees
    lift: float = 0.0  # whole character up (negative) or down
    squash: tuple = (1.0, 1.0)  # scale about the feet (breathing, hops)
    scale: float = 1.0  # scale about the feet (appearing / going away)
    blush: bool = True
    reach: tuple = (1.0, 1.0)  # left / right limb length, shorter when it comes towards us
    glasses_up: float = 0.0  # how far the owl has pushed its glasses up
    brows: str = ""  # "", up (interested), soft (calm)
    fx: list = field(default_factory=list)  # effects in frame coordinates, drawn on top


# ---------------------------------------------------------------- effects and props


def star4(x, y, r, fill=GOLD, stroke=INK, sw=1.2, turn=0.0):
    """A four-pointed twinkle."""
    k = 0.22 * r
    p = []
    for i in range(4):
        ox, oy = rot(0, -r, turn + 90 * i)
        cx, cy = rot(k, -k, turn + 90 * i)
        p.append((ox, oy, cx, cy))
    d = f"M{pts(x + p[0][0], y + p[0][1])}"
    for i in range(4):
        nx, ny = p[(i + 1) % 4][0], p[(i + 1) % 4][1]
        d += f" Q{pts(x + p[i][2], y + p[i][3], x + nx, y + ny)}"
    return (
        f'<path d="{d}Z" fill="{fill}" stroke="{stroke}" stroke-width="{n(sw)}" '
        f'stroke-linejoin="round"/>'
    )


def star5(x, y, r, fill=GOLD, turn=0.0, sw=1.4):
    """A rounded five-pointed star, like one drawn in chalk."""
    q = []
    for i in range(10):
        rr = r if i % 2 == 0 else r * 0.48
        q.append(rot(0, -rr, turn + 36 * i))
    d = "M" + " L".join(pts(x + a, y + b) for a, b in q) + "Z"
    return (
        f'<path d="{d}" fill="{fill}" stroke="{INK}" stroke-width="{n(sw)}" '
        f'stroke-linejoin="round"/>'
    )


def dot(x, y, r, fill=GOLD):
    return f'<circle cx="{n(x)}" cy="{n(y)}" r="{n(r)}" fill="{fill}" stroke="{INK}" stroke-width="1"/>'


def chalk_line(d, width=4.0):
    """A chalk stroke: a dark edge under a cream line, visible on any page colour."""
    return (
        f'<path d="{d}" fill="none" stroke="{INK}" stroke-width="{n(width + 2.6)}" '
        f'stroke-linecap="round" stroke-linejoin="round"/>'
        f'<path d="{d}" fill="none" stroke="{CREAM}" stroke-width="{n(width)}" '
        f'stroke-linecap="round" stroke-linejoin="round"/>'
    )


def cloud(cx, cy, rx, ry, bumps=7, turn=0.0):
    """A puff of chalk dust: bumps round an ellipse, in one path."""
    p = []
    for i in range(bumps):
        a = math.radians(turn + 360 * i / bumps)
        p.append((cx + rx * math.cos(a), cy + ry * math.sin(a)))
    bump = 0.62 * math.pi * (rx + ry) / bumps
    d = f"M{pts(*p[0])}"
    for i in range(bumps):
        d += f" A{pts(bump, bump)} 0 0 1 {pts(*p[(i + 1) % bumps])}"
    return (
        f'<path d="{d}Z" fill="{CREAM}" stroke="{INK}" stroke-width="1.6" stroke-linejoin="round"/>'
        f'<path d="M{pts(cx - rx * 0.5, cy - ry * 0.1)} Q{pts(cx - rx * 0.2, cy - ry * 0.5, cx + rx * 0.2, cy - ry * 0.35)}" '
        f'fill="none" stroke="#e6d6b8" stroke-width="1.6" stroke-linecap="round"/>'
    )


def sparkle_burst(x, y, r, turn=0.0):
    out = [star4(x, y, r, turn=turn)]
    for i in range(5):
        dx, dy = rot(0, -r * 1.5, turn + 72 * i + 20)
        out.append(dot(x + dx, y + dy, max(1.2, r * 0.13)))
    return "".join(out)


def limb_point(pivot, length, angle, side):
    """Where the tip of a limb hanging from pivot is, turned angle degrees outward."""
    a = math.radians(angle)
    return pivot[0] + side * length * math.sin(a), pivot[1] + length * math.cos(a)


def limb_transform(pivot, angle, side, reach=1.0):
    m = " scale(-1,1)" if side > 0 else ""
    r = f" scale(1,{n(reach)})" if reach != 1.0 else ""
    return f"translate({pts(*pivot)}){m} rotate({n(angle)}){r}"


PROP_LENGTH = {"pointer": 50, "pencil": 34}


def prop_direction(angle, side, extra):
    """Unit vector along a held prop: the limb's direction turned by extra degrees."""
    direction = 90 - side * (angle + extra)  # screen degrees, 90 = straight down
    return math.cos(math.radians(direction)), math.sin(math.radians(direction))


def prop_svg(kind, tip, angle, side, extra):
    """A prop held at a limb tip. angle/side give the limb's direction."""
    dx, dy = prop_direction(angle, side, extra)
    x0, y0 = tip[0] - dx * 8, tip[1] - dy * 8
    if kind == "pointer":
        length = 50
        x1, y1 = tip[0] + dx * length, tip[1] + dy * length
        xm, ym = tip[0] + dx * (length - 9), tip[1] + dy * (length - 9)
        return (
            f'<path d="M{pts(x0, y0)} L{pts(x1, y1)}" stroke="{INK}" stroke-width="6" stroke-linecap="round"/>'
            f'<path d="M{pts(x0, y0)} L{pts(x1, y1)}" stroke="{WOOD}" stroke-width="3.4" stroke-linecap="round"/>'
            f'<path d="M{pts(xm, ym)} L{pts(x1, y1)}" stroke="{RED}" stroke-width="3.4" stroke-linecap="round"/>'
        )
    if kind == "pencil":
        length = 30
        x1, y1 = tip[0] + dx * length, tip[1] + dy * length
        xa, ya = tip[0] - dx * 12, tip[1] - dy * 12
        xw, yw = tip[0] + dx * (length - 7), tip[1] + dy * (length - 7)
        px, py = -dy, dx
        cone = (
            f"M{pts(xw + px * 3.2, yw + py * 3.2)} L{pts(x1 + dx * 4, y1 + dy * 4)} "
            f"L{pts(xw - px * 3.2, yw - py * 3.2)}Z"
        )
        lead = (
            f"M{pts(x1 + dx * 1.3 + px * 1.1, y1 + dy * 1.3 + py * 1.1)} L{pts(x1 + dx * 4, y1 + dy * 4)} "
            f"L{pts(x1 + dx * 1.3 - px * 1.1, y1 + dy * 1.3 - py * 1.1)}Z"
        )
        return (
            f'<path d="M{pts(xa, ya)} L{pts(xw, yw)}" stroke="{INK}" stroke-width="9" stroke-linecap="round"/>'
            f'<path d="{cone}" fill="#f3d2a2" stroke="{INK}" stroke-width="1.3" stroke-linejoin="round"/>'
            f'<path d="{lead}" fill="{INK}"/>'
            f'<path d="M{pts(xa, ya)} L{pts(xw, yw)}" stroke="{GOLD}" stroke-width="6.4" stroke-linecap="butt"/>'
            f'<path d="M{pts(xa, ya)} L{pts(xa + dx * 5, ya + dy * 5)}" stroke="{BLUSH}" stroke-width="6.4" stroke-linecap="butt"/>'
        )
    return ""


def book_svg(cx, cy, w, h, state, cover=RED, cover_dark=RED_DARK):
    """An open book seen from the reader's side, tilted towards us."""
    hw = w / 2
    out = []
    # cover (a little larger than the pages)
    out.append(
        f'<path d="M{pts(cx - hw - 3, cy - h / 2 + 4)} Q{pts(cx - hw / 2, cy - h / 2 - 2, cx, cy - h / 2 + 5)} '
        f"Q{pts(cx + hw / 2, cy - h / 2 - 2, cx + hw + 3, cy - h / 2 + 4)} L{pts(cx + hw + 3, cy + h / 2 + 3)} "
        f'Q{pts(cx + hw / 2, cy + h / 2 - 2, cx, cy + h / 2 + 6)} Q{pts(cx - hw / 2, cy + h / 2 - 2, cx - hw - 3, cy + h / 2 + 3)}Z" '
        f'fill="{cover}" stroke="{INK}" stroke-width="2" stroke-linejoin="round"/>'
    )
    for s in (-1, 1):
        x_out = cx + s * hw
        d = (
            f"M{pts(cx, cy - h / 2 + 3)} Q{pts(cx + s * hw / 2, cy - h / 2 - 4, x_out, cy - h / 2 + 1)} "
            f"L{pts(x_out, cy + h / 2 - 1)} Q{pts(cx + s * hw / 2, cy + h / 2 - 6, cx, cy + h / 2 + 2)}Z"
        )
        out.append(
            f'<path d="{d}" fill="url(#page)" stroke="{INK}" stroke-width="1.5" stroke-linejoin="round"/>'
        )
        for i in range(4):
            y = cy - h / 2 + 9 + i * (h - 16) / 4
            xa, xb = cx + s * 5, cx + s * (hw - 5)
            if i == 3:
                xb = cx + s * (hw * 0.55)
            out.append(
                f'<path d="M{pts(xa, y)} Q{pts((xa + xb) / 2, y - 3, xb, y - 1)}" fill="none" '
                f'stroke="#c9b79a" stroke-width="1.6" stroke-linecap="round"/>'
            )
    out.append(
        f'<path d="M{pts(cx, cy - h / 2 + 3)} L{pts(cx, cy + h / 2 + 2)}" stroke="{cover_dark}" stroke-width="1.6"/>'
    )
    if state == "turn":
        # one page standing up from the spine on its way across
        d = (
            f"M{pts(cx, cy - h / 2 + 3)} Q{pts(cx + hw * 0.25, cy - h / 2 - 14, cx + hw * 0.42, cy - h / 2 - 10)} "
            f"L{pts(cx + hw * 0.42, cy + h / 2 - 10)} Q{pts(cx + hw * 0.25, cy + h / 2 - 6, cx, cy + h / 2 + 2)}Z"
        )
        out.append(
            f'<path d="{d}" fill="#fffaf0" stroke="{INK}" stroke-width="1.5" stroke-linejoin="round"/>'
        )
    return "".join(out)


def common_defs():
    return [gradient("page", [(0, "#fffdf6"), (1, "#efe3cc")], x1="0", y1="0", x2="0", y2="1")]


def eye_svg(x, y, r, pose, iris_fill, lid_fill, pupil_r, white_eye=False, line=INK):
    """One eye. r is the eyeball radius; lid_fill is the colour around the eye."""
    out = []
    lx, ly = pose.look
    if pose.eyes == "happy":
        out.append(
            f'<path d="M{pts(x - r * 0.8, y + r * 0.25)} Q{pts(x, y - r * 0.95, x + r * 0.8, y + r * 0.25)}" '
            f'fill="none" stroke="{line}" stroke-width="{n(max(2.4, r * 0.26))}" stroke-linecap="round"/>'
        )
        return "".join(out)
    if pose.eyes == "closed":
        out.append(
            f'<path d="M{pts(x - r * 0.8, y)} Q{pts(x, y + r * 0.7, x + r * 0.8, y)}" '
            f'fill="none" stroke="{line}" stroke-width="{n(max(2.4, r * 0.24))}" stroke-linecap="round"/>'
        )
        return "".join(out)
    out.append(
        f'<circle cx="{n(x)}" cy="{n(y)}" r="{n(r)}" fill="{iris_fill}" stroke="{INK}" stroke-width="1.6"/>'
    )
    pr = pupil_r * (1.12 if pose.eyes == "wide" else 1.0)
    px, py = x + lx * (r - pr) * 0.75, y + ly * (r - pr) * 0.75
    out.append(f'<circle cx="{n(px)}" cy="{n(py)}" r="{n(pr)}" fill="#2a1c18"/>')
    out.append(
        f'<circle cx="{n(px - pr * 0.38)}" cy="{n(py - pr * 0.42)}" r="{n(pr * 0.38)}" fill="#ffffff"/>'
    )
    out.append(
        f'<circle cx="{n(px + pr * 0.42)}" cy="{n(py + pr * 0.38)}" r="{n(pr * 0.17)}" fill="#ffffff"/>'
    )
    if pose.eyes == "half":
        # upper lid down to the middle of the eye
        k = 0.05
        d = (
            f"M{pts(x - r - 0.8, y + k)} A{pts(r + 0.8, r + 0.8)} 0 0 1 {pts(x + r + 0.8, y + k)} "
            f"Q{pts(x, y + r * 0.35, x - r - 0.8, y + k)}Z"
        )
        out.append(
            f'<path d="{d}" fill="{lid_fill}" stroke="{INK}" stroke-width="1.6" stroke-linejoin="round"/>'
        )
    return "".join(out)


class Rig:
    """Where a character's limbs hang and how its drawing sits in the frame."""

    def __init__(self, pivots, limb, feet_y, k):
        self.pivots, self.limb, self.feet_y, self.k = pivots, limb, feet_y, k

    def angle(self, pose, side):
        return pose.arm_l if side < 0 else pose.arm_r

    def tip(self, pose, side, inset=0.0):
        """The limb tip in drawing coordinates."""
        reach = pose.reach[0 if side < 0 else 1]
        return limb_point(
            self.pivots[side], self.limb * reach - inset, self.angle(pose, side), side
        )

    def to_frame(self, pose, x, y):
        """Drawing coordinates to frame coordinates (see wrap)."""
        s = self.k * pose.scale
        return (
            80 + (x - 80) * s * pose.squash[0],
            self.feet_y + (y - self.feet_y) * s * pose.squash[1] + pose.lift,
        )

    def prop_end(self, pose, side, along=1.0):
        """Frame coordinates of the far end of the prop held on that side."""
        kind = pose.hold_l if side < 0 else pose.hold_r
        extra = pose.prop_l if side < 0 else pose.prop_r
        tx, ty = self.tip(pose, side, inset=4)
        dx, dy = prop_direction(self.angle(pose, side), side, extra)
        length = PROP_LENGTH[kind] * along
        return self.to_frame(pose, tx + dx * length, ty + dy * length)

    def props(self, pose):
        out = []
        for side, kind, extra in ((-1, pose.hold_l, pose.prop_l), (1, pose.hold_r, pose.prop_r)):
            if kind:
                out.append(
                    prop_svg(
                        kind, self.tip(pose, side, inset=4), self.angle(pose, side), side, extra
                    )
                )
        return "".join(out)

    def wrap(self, inner, pose):
        if pose.scale < 0.05:
            return ""  # gone: only the puff of dust is left
        sx, sy = pose.squash
        s = self.k * pose.scale
        t = []
        if pose.lift:
            t.append(f"translate(0,{n(pose.lift)})")
        t.append(
            f"translate(80,{n(self.feet_y)}) scale({n(sx * s)},{n(sy * s)}) translate(-80,{n(-self.feet_y)})"
        )
        return f'<g transform="{" ".join(t)}">{inner}</g>'


# ---------------------------------------------------------------- Hoot, the owl teacher

OWL = Rig({-1: (36, 118), 1: (124, 118)}, limb=56, feet_y=194, k=0.9)


def owl_defs():
    return common_defs() + [
        gradient(
            "owlBody",
            [(0, "#d8a06c"), (0.6, "#b97d4e"), (1, "#94603c")],
            kind="radial",
            cx="0.42",
            cy="0.3",
            r="0.78",
            fx="0.4",
            fy="0.25",
        ),
        gradient("owlWing", [(0, "#a86c42"), (1, "#7f5033")], x1="0", y1="0", x2="0", y2="1"),
        gradient("owlFace", [(0, "#fcf1dd"), (1, "#efd6b0")], x1="0", y1="0", x2="0", y2="1"),
        gradient("owlBelly", [(0, "#fbf0dc"), (1, "#ecd3ac")], x1="0", y1="0", x2="0", y2="1"),
        gradient(
            "owlIris", [(0, "#ffd877"), (1, "#e9a23a")], kind="radial", cx="0.5", cy="0.4", r="0.6"
        ),
        gradient("beak", [(0, "#f7b04f"), (1, "#dc7b26")], x1="0", y1="0", x2="0", y2="1"),
        gradient("tie", [(0, "#3a958f"), (1, TEAL_DARK)], x1="0", y1="0", x2="0", y2="1"),
    ]


def owl_wing(pose, side):
    angle, pivot = OWL.angle(pose, side), OWL.pivots[side]
    # drawn as a left wing hanging down from the shoulder at (0, 0); outward is -x
    d = (
        "M4,-8 C-9,-4 -15,16 -13,36 C-12,46 -9,53 -4,58 "
        "Q-1,54 1,57 Q4,52 7,54 Q9,48 11,49 C15,36 16,14 10,0 C9,-4 7,-7 4,-8Z"
    )
    feathers = "M-8,30 Q-3,36 2,34 M-6,40 Q-1,45 4,43"
    reach = pose.reach[0 if side < 0 else 1]
    return (
        f'<g transform="{limb_transform(pivot, angle, side, reach)}">'
        f'<path d="{d}" fill="url(#owlWing)" stroke="{INK}" stroke-width="2.2" stroke-linejoin="round"/>'
        f'<path d="{feathers}" fill="none" stroke="#6a412a" stroke-width="1.4" stroke-linecap="round"/>'
        f"</g>"
    )


def owl_beak(pose):
    """The upper beak stays put; talking opens a dark gap and drops the small lower beak."""
    out = []
    cx, top = 80, 88
    drop = {"a": 2, "b": 5, "c": 8, "o": 6}.get(pose.mouth)
    if drop is not None:
        hw = 6.5 if pose.mouth == "o" else 8.5
        yb = 101 + drop
        out.append(
            f'<path d="M{pts(cx - hw, top + 5)} Q{pts(cx, top + 3, cx + hw, top + 5)} '
            f'Q{pts(cx + hw, yb, cx, yb + 1)} Q{pts(cx - hw, yb, cx - hw, top + 5)}Z" fill="{MOUTH}" '
            f'stroke="{INK}" stroke-width="1.6" stroke-linejoin="round"/>'
        )
        if drop > 4:
            out.append(
                f'<ellipse cx="{n(cx)}" cy="{n(yb - 2)}" rx="{n(hw * 0.55)}" ry="2.2" fill="{TONGUE}"/>'
            )
        out.append(
            f'<path d="M{pts(cx - 6, yb - 2)} Q{pts(cx, yb, cx + 6, yb - 2)} Q{pts(cx + 4, yb + 4, cx, yb + 5)} '
            f'Q{pts(cx - 4, yb + 4, cx - 6, yb - 2)}Z" fill="url(#beak)" stroke="{INK}" stroke-width="1.6" '
            f'stroke-linejoin="round"/>'
        )
    # upper beak: a short hooked triangle over everything
    out.append(
        f'<path d="M{pts(cx - 9, top + 1)} Q{pts(cx, top - 5, cx + 9, top + 1)} Q{pts(cx + 6, top + 9, cx, top + 15)} '
        f'Q{pts(cx - 6, top + 9, cx - 9, top + 1)}Z" fill="url(#beak)" stroke="{INK}" stroke-width="1.8" '
        f'stroke-linejoin="round"/>'
    )
    out.append(
        f'<path d="M{pts(cx - 4, top + 1)} Q{pts(cx - 1, top - 1, cx + 2, top)}" fill="none" stroke="#fde2a8" '
        f'stroke-width="1.6" stroke-linecap="round"/>'
    )
    return "".join(out)


def owl_face(pose):
    out = []
    disc = (
        "M80,60 C71,50 44,48 36,70 C30,90 40,108 58,110 C68,111 75,110 80,117 "
        "C85,110 92,111 102,110 C120,108 130,90 124,70 C116,48 89,50 80,60Z"
    )
    out.append(
        f'<path d="{disc}" fill="url(#owlFace)" stroke="{INK}" stroke-width="2" stroke-linejoin="round"/>'
    )
    if pose.blush:
        for x in (47, 113):
            out.append(f'<ellipse cx="{x}" cy="101" rx="7" ry="4" fill="{BLUSH}" opacity="0.55"/>')
    for x in (60, 100):
        out.append(eye_svg(x, 80, 12.5, pose, "url(#owlIris)", "#e6c08f", 7.2))
    # brows: little feather tufts over the eyes
    lift = {"up": -3.5, "soft": 1.5}.get(pose.brows, 0)
    for s in (-1, 1):
        x0, x1 = 80 + s * 8, 80 + s * 30
        out.append(
            f'<path d="M{pts(x0, 62 + lift * 0.4)} Q{pts(80 + s * 18, 57 + lift, x1, 63 + lift * 0.6)}" fill="none" '
            f'stroke="#8f5c38" stroke-width="2.6" stroke-linecap="round"/>'
        )
    # round glasses
    y = 80 - pose.glasses_up
    for x in (60, 100):
        out.append(
            f'<circle cx="{x}" cy="{n(y)}" r="17" fill="#ffffff" fill-opacity="0.14" stroke="#8a5a2e" stroke-width="2.1"/>'
        )
        out.append(
            f'<path d="M{pts(x - 10, y - 10)} Q{pts(x - 6, y - 14, x - 1, y - 14)}" fill="none" stroke="#ffffff" '
            f'stroke-width="1.6" stroke-linecap="round" opacity="0.8"/>'
        )
    out.append(
        f'<path d="M{pts(77, y - 1)} Q{pts(80, y - 4.5, 83, y - 1)}" fill="none" stroke="#8a5a2e" stroke-width="2.1"/>'
    )
    out.append(
        f'<path d="M{pts(43, y - 3)} L{pts(35, y - 7)} M{pts(117, y - 3)} L{pts(125, y - 7)}" fill="none" '
        f'stroke="#8a5a2e" stroke-width="2.1" stroke-linecap="round"/>'
    )
    out.append(owl_beak(pose))
    return "".join(out)


def owl_svg(pose):
    body = []
    ch = []
    silhouette = (
        "M80,190 C44,190 23,168 23,132 C23,104 29,80 35,58 L32,24 C42,30 52,35 61,38 "
        "Q80,32 99,38 C108,35 118,30 128,24 L125,58 C131,80 137,104 137,132 C137,168 116,190 80,190Z"
    )
    ch.append(
        f'<path d="{silhouette}" fill="url(#owlBody)" stroke="{INK}" stroke-width="2.6" stroke-linejoin="round"/>'
    )
    # tuft inner lines
    ch.append(
        '<path d="M37,34 Q44,42 52,42 M123,34 Q116,42 108,42" fill="none" stroke="#8f5c38" stroke-width="1.6" stroke-linecap="round"/>'
    )
    # belly with feather chevrons
    ch.append(
        f'<ellipse cx="80" cy="156" rx="37" ry="30" fill="url(#owlBelly)" stroke="{INK}" stroke-width="2"/>'
    )
    for row, (y, xs) in enumerate(
        ((140, (66, 80, 94)), (153, (59, 73, 87, 101)), (166, (66, 80, 94)), (177, (73, 87)))
    ):
        for x in xs:
            ch.append(
                f'<path d="M{pts(x - 4, y)} Q{pts(x, y + 4, x + 4, y)}" fill="none" stroke="#c99a6c" '
                f'stroke-width="1.6" stroke-linecap="round"/>'
            )
    # feet
    for fx_ in (64, 96):
        for dx in (-6, 0, 6):
            ch.append(
                f'<ellipse cx="{fx_ + dx}" cy="189" rx="4.2" ry="4.6" fill="#f2a54c" stroke="{INK}" stroke-width="1.6"/>'
            )
    # face (can tilt a little)
    face = owl_face(pose)
    if pose.tilt:
        face = f'<g transform="rotate({n(pose.tilt)} 80 110)">{face}</g>'
    ch.append(face)
    # bow tie
    ch.append(
        f'<path d="M80,122 L66,115 Q63,122 66,129 Z M80,122 L94,115 Q97,122 94,129 Z" fill="url(#tie)" '
        f'stroke="{INK}" stroke-width="1.8" stroke-linejoin="round"/>'
    )
    ch.append(
        f'<rect x="76" y="118" width="8" height="8" rx="2.5" fill="{TEAL_DARK}" stroke="{INK}" stroke-width="1.6"/>'
    )
    if pose.book:
        # wings behind the book, wing tips holding its sides
        ch.append(owl_wing(pose, -1))
        ch.append(owl_wing(pose, 1))
        ch.append(book_svg(80, 150, 76, 34, pose.book))
        for side in (-1, 1):
            x = 80 + side * 39
            ch.append(
                f'<path d="M{pts(x + side * 4, 146)} C{pts(x - side * 8, 148, x - side * 8, 162, x + side * 2, 166)} '
                f'C{pts(x + side * 7, 162, x + side * 8, 152, x + side * 4, 146)}Z" fill="url(#owlWing)" '
                f'stroke="{INK}" stroke-width="2" stroke-linejoin="round"/>'
            )
    else:
        ch.append(OWL.props(pose))
        ch.append(owl_wing(pose, -1))
        ch.append(owl_wing(pose, 1))
    body.append(OWL.wrap("".join(ch), pose))
    body.extend(pose.fx)
    return svg_doc(owl_defs(), body)


# ---------------------------------------------------------------- Bao, the panda student

PANDA = Rig({-1: (48, 122), 1: (112, 122)}, limb=30, feet_y=194, k=0.92)
FUR_DARK = "#3b3134"


def panda_defs():
    return common_defs() + [
        gradient(
            "pandaWhite",
            [(0, "#fffcf5"), (0.7, "#f6eee0"), (1, "#e6d9c4")],
            kind="radial",
            cx="0.42",
            cy="0.32",
            r="0.75",
            fx="0.4",
            fy="0.28",
        ),
        gradient("pandaDark", [(0, "#56494c"), (1, "#2e2628")], x1="0", y1="0", x2="0", y2="1"),
        gradient("scarf", [(0, "#e8703f"), (1, "#c44f2b")], x1="0", y1="0", x2="0", y2="1"),
        gradient("pandaEye", [(0, "#ffffff"), (1, "#efe7dc")], x1="0", y1="0", x2="0", y2="1"),
    ]


def panda_arm(pose, side):
    angle, pivot = PANDA.angle(pose, side), PANDA.pivots[side]
    d = "M-10,-4 C-14,8 -15,22 -12,30 C-8,39 8,39 11,30 C13,20 12,6 10,-4 C5,-10 -5,-10 -10,-4Z"
    return (
        f'<g transform="{limb_transform(pivot, angle, side)}">'
        f'<path d="{d}" fill="url(#pandaDark)" stroke="{INK}" stroke-width="2.2" stroke-linejoin="round"/>'
        f'<path d="M-5,31 Q-1,34 4,31" fill="none" stroke="#76676b" stroke-width="1.4" stroke-linecap="round"/>'
        f"</g>"
    )


def panda_mouth(pose):
    cx, y = 80, 93
    line = f'fill="none" stroke="{INK}" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"'
    if pose.mouth == "closed":
        return f'<path d="M{pts(cx - 7, y)} Q{pts(cx - 3.5, y + 4, cx, y)} Q{pts(cx + 3.5, y + 4, cx + 7, y)}" {line}/>'
    if pose.mouth == "smile":
        return (
            f'<path d="M{pts(cx - 9, y - 1)} Q{pts(cx, y + 12, cx + 9, y - 1)} Q{pts(cx, y + 2, cx - 9, y - 1)}Z" '
            f'fill="{MOUTH}" stroke="{INK}" stroke-width="1.8" stroke-linejoin="round"/>'
            f'<path d="M{pts(cx - 4, y + 6.5)} Q{pts(cx, y + 3.5, cx + 4, y + 6.5)} Q{pts(cx, y + 8.5, cx - 4, y + 6.5)}Z" fill="{TONGUE}"/>'
        )
    w, h = {"a": (6, 4), "b": (7.5, 7), "c": (8, 10), "o": (5, 8)}[pose.mouth]
    d = (
        f"M{pts(cx - w, y)} Q{pts(cx, y - 2, cx + w, y)} Q{pts(cx + w, y + h, cx, y + h + 1)} "
        f"Q{pts(cx - w, y + h, cx - w, y)}Z"
    )
    out = (
        f'<path d="{d}" fill="{MOUTH}" stroke="{INK}" stroke-width="1.8" stroke-linejoin="round"/>'
    )
    if h > 5:
        out += f'<ellipse cx="{n(cx)}" cy="{n(y + h - 1.5)}" rx="{n(w * 0.55)}" ry="2.4" fill="{TONGUE}"/>'
    return out


def panda_head(pose):
    out = []
    for x in (38, 122):
        out.append(
            f'<circle cx="{x}" cy="32" r="15" fill="url(#pandaDark)" stroke="{INK}" stroke-width="2.2"/>'
        )
        out.append(f'<circle cx="{x + (3 if x < 80 else -3)}" cy="35" r="7" fill="#6b5a5f"/>')
    out.append(
        f'<ellipse cx="80" cy="68" rx="51" ry="43" fill="url(#pandaWhite)" stroke="{INK}" stroke-width="2.6"/>'
    )
    # a small tuft of hair
    out.append(
        f'<path d="M74,27 Q78,19 84,21 Q80,23 82,27" fill="url(#pandaWhite)" stroke="{INK}" stroke-width="1.8" stroke-linejoin="round"/>'
    )
    for s in (-1, 1):
        x = 80 + s * 21
        out.append(
            f'<ellipse cx="{x}" cy="73" rx="13.5" ry="17" transform="rotate({n(-s * 32)} {x} 73)" '
            f'fill="url(#pandaDark)"/>'
        )
    for s in (-1, 1):
        x = 80 + s * 20.5
        out.append(eye_svg(x, 70.5, 7.8, pose, "url(#pandaEye)", FUR_DARK, 5.2, line="#fffaf0"))
    if pose.blush:
        for x in (45, 115):
            out.append(
                f'<ellipse cx="{x}" cy="90" rx="7.5" ry="4.5" fill="{BLUSH}" opacity="0.6"/>'
            )
    out.append(
        f'<path d="M74,84 Q80,81 86,84 Q84,89 80,90 Q76,89 74,84Z" fill="{FUR_DARK}" stroke="{INK}" stroke-width="1.2" stroke-linejoin="round"/>'
    )
    out.append(
        '<path d="M77,84 Q79,83 81,83.5" fill="none" stroke="#8b7a7e" stroke-width="1.2" stroke-linecap="round"/>'
    )
    out.append(panda_mouth(pose))
    return "".join(out)


def panda_svg(pose):
    body = []
    ch = []
    # body: a soft pear, then the feet in front of its bottom
    ch.append(
        f'<path d="M54,104 C36,122 30,164 42,180 Q80,194 118,180 C130,164 124,122 106,104Z" '
        f'fill="url(#pandaWhite)" stroke="{INK}" stroke-width="2.4" stroke-linejoin="round"/>'
    )
    ch.append(
        '<path d="M70,162 Q80,167 90,162" fill="none" stroke="#d9c9b0" stroke-width="1.8" stroke-linecap="round"/>'
    )
    for s in (-1, 1):
        x = 80 + s * 23
        ch.append(
            f'<ellipse cx="{x}" cy="184" rx="16" ry="10" fill="url(#pandaDark)" stroke="{INK}" stroke-width="2.2"/>'
        )
        ch.append(f'<ellipse cx="{x}" cy="185" rx="7" ry="4.5" fill="#76676b"/>')
    head = panda_head(pose)
    if pose.tilt:
        head = f'<g transform="rotate({n(pose.tilt)} 80 108)">{head}</g>'
    ch.append(head)
    # scarf: a band round the neck and one end hanging down
    ch.append(
        f'<path d="M64,116 Q60,130 63,142 L73,141 Q70,129 73,117Z" fill="url(#scarf)" stroke="{INK}" '
        f'stroke-width="1.8" stroke-linejoin="round"/>'
    )
    ch.append(
        f'<path d="M63,137 L72.5,136 M63.5,141.5 L73,140.5" stroke="{GOLD}" stroke-width="1.6"/>'
    )
    ch.append(
        f'<path d="M46,106 Q80,118 114,106 L114,115 Q80,127 46,115Z" fill="url(#scarf)" stroke="{INK}" '
        f'stroke-width="1.8" stroke-linejoin="round"/>'
    )
    ch.append(f'<path d="M48,111 Q80,122 112,111" fill="none" stroke="{GOLD}" stroke-width="1.6"/>')
    if pose.book:
        ch.append(panda_arm(pose, -1))
        ch.append(panda_arm(pose, 1))
        ch.append(book_svg(80, 150, 64, 30, pose.book, cover=TEAL, cover_dark=TEAL_DARK))
        for side in (-1, 1):
            ch.append(
                f'<ellipse cx="{80 + side * 33}" cy="156" rx="7" ry="8.5" fill="url(#pandaDark)" '
                f'stroke="{INK}" stroke-width="2"/>'
            )
    else:
        ch.append(PANDA.props(pose))
        ch.append(panda_arm(pose, -1))
        ch.append(panda_arm(pose, 1))
    body.append(PANDA.wrap("".join(ch), pose))
    body.extend(pose.fx)
    return svg_doc(panda_defs(), body)


# ---------------------------------------------------------------- the two characters


def seq(*items):
    return [{"frame": f, "ms": ms} for f, ms in items]


def trail(points, width=2.6):
    """A smooth chalk trail through the given frame points."""
    d = f"M{pts(*points[0])}"
    for i in range(1, len(points) - 1):
        mx, my = (points[i][0] + points[i + 1][0]) / 2, (points[i][1] + points[i + 1][1]) / 2
        d += f" Q{pts(points[i][0], points[i][1], mx, my)}"
    d += f" L{pts(*points[-1])}"
    return chalk_line(d, width)


def idle_steps(rest_ms, breathe_ms, aside, aside_blink):
    """A calm loop: slow breaths, a blink now and then, a glance aside."""
    breath = [("breathe_in", 300), ("breathe", breathe_ms), ("breathe_in", 300)]
    return seq(
        ("rest", rest_ms),
        *breath,
        ("rest", rest_ms * 2 // 3),
        ("blink_half", 70),
        ("blink", 120),
        ("blink_half", 70),
        ("rest", rest_ms + 200),
        *breath,
        ("rest", rest_ms * 3 // 4),
        (aside, 1500),
        (aside_blink, 110),
        (aside, 700),
        ("rest", rest_ms * 3 // 4),
        *breath,
    )


def show_hide(F, rest):
    """Appearing out of a puff of chalk dust, and going back into one."""
    F["show_0"] = replace(rest, scale=0.0, fx=[cloud(80, 178, 16, 10, turn=10)])
    F["show_1"] = replace(
        rest, scale=0.4, eyes="closed", fx=[cloud(80, 176, 30, 16, bumps=9, turn=5)]
    )
    F["show_2"] = replace(
        rest, scale=0.85, fx=[cloud(44, 184, 14, 8, turn=20), cloud(116, 184, 14, 8, turn=40)]
    )
    F["show_3"] = replace(
        rest, scale=1.05, fx=[cloud(22, 186, 7, 5, bumps=5), cloud(138, 186, 7, 5, bumps=5)]
    )
    F["hide_1"] = replace(rest, scale=0.75, eyes="closed", fx=[cloud(80, 180, 26, 12, bumps=9)])
    F["hide_2"] = replace(
        rest, scale=0.35, eyes="closed", fx=[cloud(80, 176, 30, 16, bumps=9, turn=15)]
    )
    F["hide_3"] = replace(
        rest,
        scale=0.0,
        fx=[
            cloud(80, 178, 16, 10, turn=30),
            cloud(50, 168, 5, 4, bumps=5),
            cloud(112, 166, 4, 3, bumps=5),
        ],
    )


def owl_character():
    rest = Pose()
    F = {
        "rest": rest,
        "breathe_in": replace(rest, squash=(1.004, 1.007), arm_l=9, arm_r=9),
        "breathe": replace(rest, squash=(1.008, 1.014), arm_l=10, arm_r=10),
        "blink_half": replace(rest, eyes="half"),
        "blink": replace(rest, eyes="closed"),
        "look_side": replace(rest, look=(-0.8, 0.1)),
        "look_side_blink": replace(rest, look=(-0.8, 0.1), eyes="half"),
    }
    for m in ("a", "b", "c", "o"):
        F["talk_" + m] = replace(rest, mouth=m)
    show_hide(F, rest)
    F["hide_0"] = replace(rest, eyes="happy", arm_r=150, tilt=-3)
    # greeting: a wave of the right wing
    F["greet_up"] = replace(rest, arm_r=140, eyes="happy", mouth="b")
    F["greet_a"] = replace(rest, arm_r=166, eyes="happy", mouth="smile", tilt=-4)
    F["greet_b"] = replace(rest, arm_r=146, eyes="happy", mouth="smile", tilt=-4)
    F["greet_talk"] = replace(rest, arm_r=158, mouth="c", tilt=-3)
    # explaining: the pointer goes up beside the head
    up = replace(
        rest, arm_r=158, hold_r="pointer", prop_r=18, look=(0.8, -0.8), brows="up", mouth="b"
    )
    e = OWL.prop_end(up, 1)
    tap = (
        f'<path d="M{pts(e[0] - 9, e[1] - 2)} L{pts(e[0] - 14, e[1] - 5)} M{pts(e[0] - 8, e[1] + 5)} '
        f'L{pts(e[0] - 14, e[1] + 7)} M{pts(e[0] - 4, e[1] - 8)} L{pts(e[0] - 6, e[1] - 14)}" fill="none" '
        f'stroke="{INK}" stroke-width="1.8" stroke-linecap="round"/>'
    )
    F["explain_0"] = replace(up, arm_r=142, prop_r=30, look=(0.4, -0.2), mouth="closed")
    F["explain_1"] = replace(up, mouth="a")
    F["explain_2"] = replace(up, fx=[tap])
    F["explain_3"] = replace(up, look=(0.0, 0.0), mouth="c", tilt=3, brows="")
    F["explain_4"] = replace(up, look=(0.0, 0.0), mouth="smile", tilt=3, brows="")
    # reading the book
    read = replace(rest, book="open", arm_l=-6, arm_r=-6, look=(-0.45, 0.9), brows="soft")
    F["read_0"] = replace(read, look=(0, 0.3), brows="")
    F["read_1"] = read
    F["read_blink"] = replace(read, eyes="closed")
    F["read_2"] = replace(read, look=(0.45, 0.9))
    F["read_3"] = replace(read, book="turn", look=(0.2, 0.8))
    F["read_4"] = replace(read, look=(0.0, 0.2), mouth="smile", eyes="happy", brows="")
    # first settings trick: pushes the glasses up, and a glint runs across them
    fix = replace(rest, arm_r=-160, reach=(1.0, 0.62), look=(0.0, -0.3), brows="up")

    def glint(pose, lens_x, r):
        x, y = OWL.to_frame(pose, lens_x - 7, 80 - pose.glasses_up - 8)
        return star4(x, y, r, fill="#ffffff", sw=1.1)

    F["magic1_0"] = replace(fix, arm_r=-150, reach=(1.0, 0.5), look=(0.3, -0.6))
    F["magic1_1"] = replace(fix, glasses_up=2.5, mouth="a")
    g = replace(
        fix, glasses_up=2.5, arm_r=-10, reach=(1.0, 1.0), eyes="wide", look=(0, 0), brows=""
    )
    F["magic1_2"] = replace(g, fx=[glint(g, 100, 7)])
    F["magic1_3"] = replace(
        g, mouth="smile", fx=[glint(g, 60, 8), star4(*OWL.to_frame(g, 100, 72), 4, fill="#ffffff")]
    )
    F["magic1_4"] = replace(
        g,
        eyes="happy",
        mouth="smile",
        glasses_up=1.5,
        arm_r=8,
        fx=[star4(*OWL.to_frame(g, 38, 52), 4), star4(*OWL.to_frame(g, 124, 50), 3.5)],
    )
    # second settings trick: "ta-da", and gold stars pop out of a puff of chalk dust
    tada = replace(rest, arm_l=150, arm_r=150, eyes="happy", mouth="smile", lift=-2)
    F["magic2_0"] = replace(
        rest, arm_l=24, arm_r=24, squash=(1.03, 0.97), eyes="closed", brows="soft"
    )
    F["magic2_1"] = replace(tada, mouth="c", fx=[cloud(80, 24, 14, 10)])
    F["magic2_2"] = replace(
        tada,
        mouth="c",
        eyes="wide",
        look=(0, -1),
        brows="up",
        fx=[cloud(80, 24, 24, 14, bumps=9, turn=15), star5(80, 20, 9)],
    )
    F["magic2_3"] = replace(
        tada,
        eyes="wide",
        look=(0, -1),
        brows="up",
        fx=[
            cloud(48, 30, 7, 5, bumps=5),
            cloud(112, 28, 6, 4, bumps=5),
            star5(80, 16, 10),
            star5(38, 26, 8, turn=-12),
            star5(122, 26, 8, turn=12),
        ],
    )
    F["magic2_4"] = replace(
        tada,
        arm_l=140,
        arm_r=140,
        lift=0,
        fx=[
            star5(80, 16, 10),
            star5(36, 30, 8, turn=-18),
            star5(124, 30, 8, turn=18),
            star4(58, 8, 4),
            star4(104, 8, 4),
            star4(18, 56, 3.5),
            star4(142, 56, 3.5),
        ],
    )
    F["magic2_5"] = replace(
        rest,
        arm_l=30,
        arm_r=30,
        eyes="happy",
        mouth="smile",
        fx=[star5(80, 12, 6), star5(30, 24, 5, turn=-18), star5(130, 24, 5, turn=18)],
    )

    A = {
        "Show": {
            "steps": seq(
                ("show_0", 80),
                ("show_1", 80),
                ("show_2", 90),
                ("show_3", 110),
                ("rest", 200),
                ("blink", 120),
                ("rest", 200),
            )
        },
        "Hide": {"steps": seq(("hide_0", 200), ("hide_1", 80), ("hide_2", 80), ("hide_3", 90))},
        "Idle": {"loop": True, "steps": idle_steps(2400, 1100, "look_side", "look_side_blink")},
        "Talk": {
            "loop": True,
            "steps": seq(
                ("talk_b", 120),
                ("talk_a", 100),
                ("talk_c", 130),
                ("talk_a", 100),
                ("rest", 90),
                ("talk_o", 130),
                ("talk_b", 110),
                ("talk_a", 100),
                ("talk_c", 120),
                ("rest", 100),
            ),
        },
        "Greet": {
            "steps": seq(
                ("greet_up", 160),
                ("greet_a", 180),
                ("greet_b", 180),
                ("greet_a", 180),
                ("greet_b", 180),
                ("greet_talk", 240),
                ("greet_a", 300),
                ("rest", 200),
            )
        },
        "RestPose": {"steps": seq(("rest", 300))},
        "Explain": {
            "steps": seq(
                ("explain_0", 120),
                ("explain_1", 160),
                ("explain_2", 500),
                ("explain_3", 300),
                ("explain_4", 600),
                ("explain_0", 150),
                ("rest", 200),
            )
        },
        "Reading": {
            "steps": seq(
                ("read_0", 200),
                ("read_1", 1200),
                ("read_blink", 120),
                ("read_2", 1200),
                ("read_3", 300),
                ("read_1", 1000),
                ("read_4", 600),
                ("read_0", 150),
                ("rest", 200),
            )
        },
        "DoMagic1": {
            "steps": seq(
                ("magic1_0", 160),
                ("magic1_1", 260),
                ("magic1_2", 180),
                ("magic1_3", 260),
                ("magic1_4", 500),
                ("rest", 200),
            )
        },
        "DoMagic2": {
            "steps": seq(
                ("magic2_0", 200),
                ("magic2_1", 120),
                ("magic2_2", 140),
                ("magic2_3", 200),
                ("magic2_4", 700),
                ("magic2_5", 250),
                ("rest", 200),
            )
        },
    }
    balloon = OWL.to_frame(rest, 80, 100)
    return (
        {"name": "Hoot 胡图老师", "balloon": {"x": round(balloon[0]), "y": round(balloon[1])}},
        F,
        A,
        owl_svg,
    )


def panda_character():
    rest = Pose()
    F = {
        "rest": rest,
        "breathe_in": replace(rest, squash=(1.005, 1.008), arm_l=9, arm_r=9),
        "breathe": replace(rest, squash=(1.01, 1.016), arm_l=10, arm_r=10),
        "blink_half": replace(rest, eyes="half"),
        "blink": replace(rest, eyes="closed"),
        "tilt": replace(rest, tilt=-5, look=(0.6, -0.2)),
        "tilt_blink": replace(rest, tilt=-5, eyes="closed"),
    }
    for m in ("a", "b", "c", "o"):
        F["talk_" + m] = replace(rest, mouth=m)
    show_hide(F, rest)
    for i in (2, 3):
        F[f"show_{i}"] = replace(F[f"show_{i}"], mouth="smile")
    F["hide_0"] = replace(rest, eyes="happy", mouth="smile", arm_r=136)
    F["greet_up"] = replace(rest, arm_r=118, eyes="happy", mouth="smile")
    F["greet_a"] = replace(rest, arm_r=146, eyes="happy", mouth="smile", tilt=-5)
    F["greet_b"] = replace(rest, arm_r=120, eyes="happy", mouth="smile", tilt=-5)
    F["greet_talk"] = replace(rest, arm_r=136, mouth="c", tilt=-4)
    # explaining: "I know!" with a paw up, then pointing aside
    F["explain_0"] = replace(rest, arm_r=100, look=(0.6, -0.3), mouth="a")
    up = replace(rest, arm_r=142, look=(0.6, -0.9), mouth="smile", tilt=-4)
    paw = PANDA.to_frame(up, *PANDA.tip(up, 1, inset=-6))
    F["explain_1"] = replace(up, fx=[star4(paw[0], paw[1] - 12, 6)])
    F["explain_2"] = replace(
        up,
        mouth="c",
        fx=[
            star4(paw[0], paw[1] - 14, 8, turn=15),
            dot(paw[0] + 12, paw[1] - 4, 2),
            dot(paw[0] - 10, paw[1] - 24, 1.6),
        ],
    )
    F["explain_3"] = replace(rest, arm_r=95, look=(0.9, 0), mouth="b", tilt=3)
    F["explain_4"] = replace(rest, arm_r=95, look=(0.9, 0), mouth="smile", tilt=3)
    read = replace(rest, book="open", arm_l=-30, arm_r=-30, look=(-0.4, 0.9))
    F["read_0"] = replace(read, look=(0, 0.3))
    F["read_1"] = read
    F["read_blink"] = replace(read, eyes="closed")
    F["read_2"] = replace(read, look=(0.45, 0.9), mouth="a")
    F["read_3"] = replace(read, book="turn", look=(0.1, 0.9))
    F["read_4"] = replace(read, look=(0, 0), eyes="happy", mouth="smile")
    # first settings trick: a flick of the pencil sends a swirl up that bursts into sparkles
    m = replace(rest, arm_r=120, hold_r="pencil", prop_r=20, look=(0.8, -0.4))
    F["magic1_0"] = m
    m = replace(m, arm_r=138, prop_r=38, look=(0.6, -0.9), mouth="o")
    e = PANDA.prop_end(m, 1)
    path = [
        e,
        (e[0] + 9, e[1] - 10),
        (e[0] + 2, e[1] - 22),
        (e[0] - 10, e[1] - 16),
        (e[0] - 6, e[1] - 6),
        (e[0] + 2, e[1] - 14),
        (e[0] - 4, e[1] - 36),
        (e[0] - 18, e[1] - 50),
    ]
    F["magic1_1"] = replace(m, fx=[trail(path[:5])])
    F["magic1_2"] = replace(m, fx=[trail(path), star4(*path[-1], 5)])
    top = path[-1]
    F["magic1_3"] = replace(
        m,
        eyes="wide",
        mouth="smile",
        look=(-0.2, -1),
        fx=[
            sparkle_burst(top[0], top[1], 10),
            star4(top[0] + 22, top[1] + 18, 4),
            star4(top[0] - 30, top[1] + 4, 4),
        ],
    )
    F["magic1_4"] = replace(
        rest,
        arm_r=40,
        hold_r="pencil",
        prop_r=100,
        eyes="happy",
        mouth="smile",
        fx=[
            star4(top[0] - 6, top[1] - 4, 5, turn=15),
            star4(top[0] + 24, top[1] + 22, 4),
            star4(top[0] - 36, top[1] + 2, 3),
        ],
    )
    # second settings trick: a happy hop with confetti stars
    conf = [
        star5(20, 30, 5, fill=GOLD),
        star5(140, 24, 5, fill="#f08a6a", turn=20),
        star4(24, 76, 4),
        star4(138, 76, 4),
        star5(80, 10, 4.5, fill="#7cc3b8", turn=10),
    ]
    F["magic2_0"] = replace(
        rest, squash=(1.06, 0.92), arm_l=30, arm_r=30, eyes="happy", mouth="smile"
    )
    F["magic2_1"] = replace(
        rest,
        lift=-12,
        squash=(0.97, 1.04),
        arm_l=138,
        arm_r=138,
        eyes="happy",
        mouth="c",
        fx=conf[:2],
    )
    F["magic2_2"] = replace(rest, lift=-16, arm_l=146, arm_r=146, eyes="happy", mouth="c", fx=conf)
    F["magic2_3"] = replace(
        rest,
        lift=-6,
        arm_l=112,
        arm_r=112,
        eyes="happy",
        mouth="smile",
        fx=[
            star5(22, 42, 4),
            star5(138, 36, 4, fill="#f08a6a", turn=20),
            star4(26, 90, 3),
            star4(136, 90, 3),
            star5(80, 16, 3.5, fill="#7cc3b8"),
        ],
    )
    F["magic2_4"] = replace(
        rest, squash=(1.05, 0.94), arm_l=40, arm_r=40, eyes="happy", mouth="smile"
    )

    A = {
        "Show": {
            "steps": seq(
                ("show_0", 80),
                ("show_1", 80),
                ("show_2", 90),
                ("show_3", 110),
                ("rest", 200),
                ("blink", 110),
                ("rest", 200),
            )
        },
        "Hide": {"steps": seq(("hide_0", 220), ("hide_1", 80), ("hide_2", 80), ("hide_3", 90))},
        "Idle": {"loop": True, "steps": idle_steps(2200, 900, "tilt", "tilt_blink")},
        "Talk": {
            "loop": True,
            "steps": seq(
                ("talk_b", 110),
                ("talk_a", 100),
                ("talk_c", 120),
                ("talk_a", 90),
                ("rest", 90),
                ("talk_o", 120),
                ("talk_b", 100),
                ("talk_c", 110),
                ("talk_a", 90),
                ("rest", 100),
            ),
        },
        "Greet": {
            "steps": seq(
                ("greet_up", 150),
                ("greet_a", 170),
                ("greet_b", 170),
                ("greet_a", 170),
                ("greet_b", 170),
                ("greet_talk", 240),
                ("greet_a", 300),
                ("rest", 200),
            )
        },
        "RestPose": {"steps": seq(("rest", 300))},
        "Explain": {
            "steps": seq(
                ("explain_0", 120),
                ("explain_1", 200),
                ("explain_2", 450),
                ("explain_3", 300),
                ("explain_4", 600),
                ("explain_0", 120),
                ("rest", 200),
            )
        },
        "Reading": {
            "steps": seq(
                ("read_0", 150),
                ("read_1", 1100),
                ("read_blink", 110),
                ("read_2", 1100),
                ("read_3", 300),
                ("read_1", 900),
                ("read_4", 600),
                ("read_0", 150),
                ("rest", 200),
            )
        },
        "DoMagic1": {
            "steps": seq(
                ("magic1_0", 150),
                ("magic1_1", 140),
                ("magic1_2", 160),
                ("magic1_3", 320),
                ("magic1_4", 400),
                ("rest", 200),
            )
        },
        "DoMagic2": {
            "steps": seq(
                ("magic2_0", 150),
                ("magic2_1", 120),
                ("magic2_2", 260),
                ("magic2_3", 140),
                ("magic2_4", 160),
                ("rest", 250),
            )
        },
    }
    balloon = PANDA.to_frame(rest, 80, 95)
    return (
        {"name": "Bao 小宝", "balloon": {"x": round(balloon[0]), "y": round(balloon[1])}},
        F,
        A,
        panda_svg,
    )


def build(character):
    meta, poses, anims, draw = character()
    frames = {name: draw(pose) for name, pose in poses.items()}
    doc = {
        "format": "quorvan-character",
        "version": 1,
        "name": meta["name"],
        "width": W,
        "height": H,
        "balloon": meta["balloon"],
        "frames": frames,
        "animations": anims,
    }
    return json.dumps(doc, ensure_ascii=False, indent=1).encode("utf-8") + b"\n"


# ---------------------------------------------------------------- checking

REQUIRED = (
    "Show",
    "Hide",
    "Idle",
    "Talk",
    "Greet",
    "RestPose",
    "Explain",
    "Reading",
    "DoMagic1",
    "DoMagic2",
)
# Elements Qt Svg leaves out or does not animate: the file still loads, but draws differently.
NOT_DRAWN = {
    "script",
    "animate",
    "set",
    "animateMotion",
    "animateColor",
    "animateTransform",
    "foreignObject",
    "filter",
    "mask",
    "clipPath",
}
MAX_FRAME_PIXEL_BYTES = 64 << 20  # the reader draws every frame at load and refuses more than this


def whole_in(v, low, high):
    return (
        isinstance(v, (int, float)) and not isinstance(v, bool) and low <= v <= high and v == int(v)
    )


def check_svg(name, text, w, h, errors, warnings):
    if len(text.encode("utf-8")) > 256 * 1024:
        errors.append(f"frame {name}: larger than 256 KiB")
    try:
        root = ET.fromstring(text)
    except ET.ParseError as e:
        errors.append(f"frame {name}: not well-formed XML ({e})")
        return
    if root.tag != f"{{{SVG_NS}}}svg":
        errors.append(f"frame {name}: root element is {root.tag}, not svg")
    vb = (root.get("viewBox") or "").replace(",", " ").split()
    if vb != ["0", "0", str(w), str(h)]:
        warnings.append(f"frame {name}: viewBox is {root.get('viewBox')!r}, not '0 0 {w} {h}'")
    ids = {el.get("id") for el in root.iter() if el.get("id")}
    for el in root.iter():
        tag = el.tag.split("}")[-1]
        if tag in NOT_DRAWN:
            warnings.append(f"frame {name}: <{tag}> is not drawn")
        for attr, value in el.attrib.items():
            if attr.endswith("href") and not value.startswith(("#", "data:")):
                warnings.append(f"frame {name}: external reference {value!r} draws nothing")
            pos = value.find("url(#")
            while pos >= 0:
                end = value.find(")", pos)
                ref = value[pos + 5 : end]
                if ref not in ids:
                    warnings.append(f"frame {name}: url(#{ref}) points at nothing")
                pos = value.find("url(#", pos + 1)


def check(data):
    """(errors, warnings) for one character file's bytes: errors are what makes the reader
    refuse the file, warnings what makes it draw differently from what was meant."""
    errors, warnings = [], []
    if len(data) > 8 * 1024 * 1024:
        return ["file larger than 8 MiB"], warnings
    try:
        doc = json.loads(data.decode("utf-8"))
    except (UnicodeDecodeError, json.JSONDecodeError) as e:
        return [f"not valid JSON: {e}"], warnings
    if not isinstance(doc, dict):
        return ["top level is not an object"], warnings
    if doc.get("format") != "quorvan-character" or not whole_in(doc.get("version"), 1, 1):
        errors.append("format is not 'quorvan-character' version 1")
    name = doc.get("name")
    if not isinstance(name, str) or not 1 <= len(name) <= 64:
        errors.append("name missing or not 1 to 64 characters")
    w, h = doc.get("width"), doc.get("height")
    for key, v in (("width", w), ("height", h)):
        if not whole_in(v, 32, 512):
            errors.append(f"{key} missing or not a whole number from 32 to 512")
    if errors:
        return errors, warnings
    w, h = int(w), int(h)
    if "balloon" in doc:
        b = doc["balloon"]
        if not (
            isinstance(b, dict)
            and whole_in(b.get("x"), 0, w - 1)
            and whole_in(b.get("y"), 0, h - 1)
        ):
            errors.append("balloon is not a whole-pixel point inside the frame")
    frames = doc.get("frames")
    if not isinstance(frames, dict) or not 1 <= len(frames) <= 256:
        errors.append("frames missing or not 1 to 256")
        frames = {}
    if w * h * 4 * len(frames) > MAX_FRAME_PIXEL_BYTES:
        errors.append("the frames together are too large to draw (more than 64 MiB of pixels)")
    for fname, svg in frames.items():
        if not isinstance(svg, str):
            errors.append(f"frame {fname}: not a string")
            continue
        check_svg(fname, svg, w, h, errors, warnings)
    anims = doc.get("animations")
    if not isinstance(anims, dict) or not 1 <= len(anims) <= 64:
        return errors + ["animations missing or not 1 to 64"], warnings
    for req in REQUIRED:
        if req not in anims:
            errors.append(f"required animation {req} is missing")
    for aname, anim in anims.items():
        if not isinstance(anim, dict):
            errors.append(f"animation {aname}: not an object")
            continue
        if "loop" in anim and not isinstance(anim["loop"], bool):
            errors.append(f"animation {aname}: loop is not true or false")
        steps = anim.get("steps")
        if not isinstance(steps, list) or not 1 <= len(steps) <= 256:
            errors.append(f"animation {aname}: steps missing or not 1 to 256")
            continue
        for i, step in enumerate(steps):
            if (
                not isinstance(step, dict)
                or not isinstance(step.get("frame"), str)
                or not whole_in(step.get("ms"), 20, 10000)
            ):
                errors.append(
                    f"animation {aname} step {i}: needs a frame name and ms from 20 to 10000"
                )
            elif step["frame"] not in frames:
                errors.append(
                    f"animation {aname} step {i}: names the missing frame {step['frame']!r}"
                )
    return errors, warnings


def report(path, data):
    errors, warnings = check(data)
    for e in errors:
        print(f"{path}: error: {e}", file=sys.stderr)
    for e in warnings:
        print(f"{path}: warning: {e}", file=sys.stderr)
    if errors:
        return False
    doc = json.loads(data)
    biggest = max(len(s.encode("utf-8")) for s in doc["frames"].values())
    print(
        f"{path}: ok, {len(data)} bytes, {len(doc['frames'])} frames (largest {biggest} bytes), "
        f"{len(doc['animations'])} animations"
    )
    return True


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument(
        "--out",
        default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "chars"),
        help="folder to write merlin.acs and Genie.acs into",
    )
    parser.add_argument(
        "--check", nargs="+", metavar="FILE", help="only validate these character files"
    )
    args = parser.parse_args()
    if args.check:
        ok = True
        for path in args.check:
            with open(path, "rb") as f:
                ok = report(path, f.read()) and ok
        return 0 if ok else 1
    os.makedirs(args.out, exist_ok=True)
    ok = True
    for file_name, character in (("merlin.acs", owl_character), ("Genie.acs", panda_character)):
        data = build(character)
        path = os.path.normpath(os.path.join(args.out, file_name))
        with open(path, "wb") as f:
            f.write(data)
        ok = report(path, data) and ok
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
