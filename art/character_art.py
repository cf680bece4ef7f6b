"""Drawing helpers and the file writer the character scripts share.

Each character is one parametrised drawing: a Pose says how the eyes, mouth,
arms, props and effects look, and every frame is that drawing with a few
parameters changed, so the frames of an animation share all their parts.
Only features Qt Svg draws are used: paths, gradients, transforms and
per-element opacity (no filters, clip paths, masks or group opacity, which
Qt applies to each element separately).

main() writes the character files and has quorvan-check-character, the
tutor's own reader, read what it wrote.
"""

import argparse
import json
import math
import os
import shutil
import subprocess
import sys
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


def trail(points, width=2.6):
    """A smooth chalk trail through the given frame points."""
    d = f"M{pts(*points[0])}"
    for i in range(1, len(points) - 1):
        mx, my = (points[i][0] + points[i + 1][0]) / 2, (points[i][1] + points[i + 1][1]) / 2
        d += f" Q{pts(points[i][0], points[i][1], mx, my)}"
    d += f" L{pts(*points[-1])}"
    return chalk_line(d, width)


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


def eye_svg(x, y, r, pose, iris_fill, lid_fill, pupil_r, line=INK):
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


# ---------------------------------------------------------------- animations


def seq(*items):
    return [{"frame": f, "ms": ms} for f, ms in items]


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


# ---------------------------------------------------------------- writing and checking


def build(character):
    """The file's bytes for a function giving (meta, poses, animations, draw)."""
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


ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
CHECKER = "quorvan-check-character"


def find_checker(given):
    """The checker to run: the one given, else the one on PATH, else the build's; or None."""
    if given:
        return given
    built = os.path.join(ROOT, "build", "bin", CHECKER)
    return shutil.which(CHECKER) or (built if os.access(built, os.X_OK) else None)


def main(description, characters):
    """Writes each (file name, character function) and checks what it wrote; the exit status."""
    names = " and ".join(file_name for file_name, _ in characters)
    parser = argparse.ArgumentParser(
        description=description,
        epilog=f"What was written is then read by {CHECKER}, the tutor's own reader: the one "
        f"--checker names, else the one on PATH, else build/bin/{CHECKER}. A file it refuses "
        "fails the run; without a checker the files are written unchecked.",
    )
    parser.add_argument(
        "--out", default=os.path.join(ROOT, "chars"), help=f"folder to write {names} into"
    )
    parser.add_argument("--checker", metavar="PATH", help=f"the {CHECKER} to check the files with")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    paths = []
    for file_name, character in characters:
        path = os.path.normpath(os.path.join(args.out, file_name))
        with open(path, "wb") as f:
            f.write(build(character))
        paths.append(path)
    checker = find_checker(args.checker)
    if checker is None:
        print(f"{CHECKER} not found: {' '.join(paths)} written unchecked", file=sys.stderr)
        return 0
    try:
        return 0 if subprocess.run([checker, *paths]).returncode == 0 else 1
    except OSError as e:
        print(f"cannot run {checker}: {e.strerror}", file=sys.stderr)
        return 1
