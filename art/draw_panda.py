#!/usr/bin/env python3
"""Draws Bao 小宝, the panda student, into chars/Genie.acs.

A scarf, a pencil for its tricks and a book for reading.
"""

import sys
from dataclasses import replace

from character_art import (
    BLUSH,
    GOLD,
    INK,
    MOUTH,
    TEAL,
    TEAL_DARK,
    TONGUE,
    Pose,
    Rig,
    book_svg,
    common_defs,
    dot,
    eye_svg,
    gradient,
    idle_steps,
    limb_transform,
    main,
    n,
    pts,
    seq,
    show_hide,
    sparkle_burst,
    star4,
    star5,
    svg_doc,
    trail,
)

FILE_NAME = "Genie.acs"

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


if __name__ == "__main__":
    sys.exit(main(__doc__.splitlines()[0], [(FILE_NAME, panda_character)]))
