#!/usr/bin/env python3
"""Draws Hoot 胡图老师, the owl teacher who reads the lessons aloud, into chars/merlin.acs.

Round glasses, a bow tie, a pointer for explaining and a book for reading.
"""

import sys
from dataclasses import replace

from character_art import (
    BLUSH,
    INK,
    MOUTH,
    TEAL_DARK,
    TONGUE,
    Pose,
    Rig,
    book_svg,
    cloud,
    common_defs,
    eye_svg,
    gradient,
    idle_steps,
    limb_transform,
    main,
    n,
    pts,
    seq,
    show_hide,
    star4,
    star5,
    svg_doc,
)

FILE_NAME = "merlin.acs"

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


if __name__ == "__main__":
    sys.exit(main(__doc__.splitlines()[0], [(FILE_NAME, owl_character)]))
