"""Hostile and damaged course folders, made on the spot, for the end-to-end test and the benchmark
of lesson opening: links out of the course, special files, lesson files that declare or expand to
far more text than any lesson holds."""

import os
import shutil
import struct
import subprocess

# Index names (ASCII, so that the page shows them as written) and what each entry opens.
VICTIM = "victim.txt"
VICTIM_TEXT = b"the learner's own file\n"


def pack(pack_tool, text, path):
    source = path + ".txt"
    with open(source, "wb") as f:
        f.write(text)
    subprocess.run([pack_tool, source, path], check=True)
    os.remove(source)


# Numbers are the densest speech per byte there is: about 2.5 s of it for every "7777".
LONGEST_LINE = b"7777 " * 390


def make(course_source, folder, pack_tool):
    """Copies the built sample course to FOLDER/course and arranges the hostile parts. Returns a
    dict from lesson name to a description, in index order."""
    course = os.path.join(folder, "course")
    shutil.copytree(course_source, course)
    outside = os.path.join(folder, "outside")
    os.makedirs(outside)

    # The learner's file that a link named tcnt.tmp points at.
    with open(os.path.join(outside, VICTIM), "wb") as f:
        f.write(VICTIM_TEXT)
    os.symlink(os.path.join(outside, VICTIM), os.path.join(course, "tcnt.tmp"))

    # A real lesson outside the course, reached by an absolute name and by "..".
    pack(pack_tool, b"#1Outside@0#\nSECRET LINE\n#\n", os.path.join(outside, "secret.dat"))

    # Lesson markup that asks the page engine for a picture outside the course, beside one inside.
    # ("<Img" is not one of the spellings the page builder rewrites into the picture folder.)
    from desktop import write_png

    write_png(os.path.join(outside, "pic.png"), 4, 4, bytes(64))
    write_png(os.path.join(course, "pic.png"), 4, 4, bytes(64))
    pack(
        pack_tool,
        (
            "#1Pictures@0#\n"
            f'<Img id="outside" src="file://{outside}/pic.png">\n'
            f'<Img id="inside" src="file://{course}/pic.png">\n#\n'
        ).encode(),
        os.path.join(course, "pictures.dat"),
    )

    os.mkfifo(os.path.join(course, "fifo.dat"))
    # 5 MiB of short lines: the freeze that made the tutor unusable.
    pack(pack_tool, b"#1Many@0#\n" + b"ab\n" * ((5 << 20) // 3), os.path.join(course, "lines.dat"))
    # Declares 4 GiB in a file of 4 MB.
    with open(os.path.join(course, "huge.dat"), "wb") as f:
        f.write(struct.pack("<I", 0xFFFFFFFF))
        f.write(bytes([255]) + bytes(range(256)) * 15 + bytes(4 << 20))

    # A line that the English engine once wrote past a buffer on, an ordinary one after it, the
    # longest line the tutor speaks, in the text that takes the English engine longest, and a line
    # of 98 KB, too long to speak.
    pack(
        pack_tool,
        b"#1Brackets@0#\nHello. "
        + b"[]" * 800
        + b"\nGood morning, Tom.\n"
        + LONGEST_LINE
        + b"\n"
        + b"Tom and Mary went home. " * 4100
        + b"\n#\n",
        os.path.join(course, "brackets.dat"),
    )

    lessons = {
        "Zero": "/dev/zero",
        "Fifo": "fifo.dat",
        "Absolute": os.path.join(outside, "secret.dat"),
        "Climb": "..\\outside\\secret.dat",
        "Lines": "lines.dat",
        "Huge": "huge.dat",
        "Pictures": "pictures.dat",
        "Brackets": "brackets.dat",
    }
    with open(os.path.join(course, "cntindex.idx"), "rb") as f:
        index = f.read()
    index += b"".join(f"{name}={file}\r\n".encode() for name, file in lessons.items())
    with open(os.path.join(course, "cntindex.idx"), "wb") as f:
        f.write(index)
    return course, lessons
