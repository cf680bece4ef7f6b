#!/usr/bin/env python3
"""Checks the sources of a course before they are packed.

Usage: check_lesson.py [--fix] COURSE_DIR

COURSE_DIR holds cntindex.idx (UTF-8, one NAME=FILE line per lesson), the
unpacked lesson texts lessons/BASE.txt for every FILE "BASE.dat", and the
picture folders BASE/. Everything must survive conversion to CP936, and every
lesson's header line must point each section at its first body line, because
the tutor trusts the header blindly: a wrong line count shows the wrong lines
or an empty page.

--fix rewrites each header's line counts so that section n starts at the n-th
block of body lines (blocks are separated by lines containing "#").

Exit status 0 when there are no errors; warnings do not fail the check.
"""

import argparse
import os
import re
import sys

TAG = re.compile(r"<[^>]*>")


class Report:
    def __init__(self):
        self.errors = 0
        self.warnings = 0

    def error(self, where, text):
        self.errors += 1
        print("%s: error: %s" % (where, text))

    def warn(self, where, text):
        self.warnings += 1
        print("%s: warning: %s" % (where, text))


def leading_number(text):
    """Reads a count the way the tutor does: blanks, a sign, digits; none give 0."""
    m = re.match(r"[ \t\r\n\v\f]*([+-]?)(\d*)", text)
    if not m.group(2):
        return 0
    value = int(m.group(2))
    return -value if m.group(1) == "-" else value


def parse_header(header):
    """Sections as (title, skip text) in the order the tutor finds them."""
    sections = []
    rest = header
    n = 1
    while True:
        marker = "#%d" % n
        at = rest.find(marker)
        if at < 0:
            break
        rest = rest[at + len(marker):]
        end = rest.find("#")
        if end < 0:
            break
        part, rest = rest[:end], rest[end:]
        title, sep, skip = part.partition("@")
        sections.append((title, skip if sep else None))
        n += 1
    return sections


def body_blocks(lines):
    """(start, end) of each run of lines free of "#", as offsets after the header."""
    blocks = []
    start = None
    for i, line in enumerate(lines):
        if line and "#" in line:
            if start is not None:
                blocks.append((start, i))
                start = None
        elif start is None:
            start = i
    if start is not None:
        blocks.append((start, len(lines)))
    return blocks


def picture_name(line):
    """The file name the tutor derives from a picture line."""
    name = line[line.index("=") + 1:]
    for ch in ('"', " ", ">"):
        name = name.replace(ch, "")
    name = name[name.rfind("\\") + 1:]
    return name[name.rfind("/") + 1:]


def spoken_text(line):
    """Roughly what a line's row displays: tags removed, a short speaker prefix dropped."""
    text = TAG.sub("", line)
    colon = text.find(":")
    if 0 <= colon <= 9:
        text = text[colon + 1:]
    return text


def check_encoding(report, where, text):
    """Every character must exist in CP936 and must not carry an ASCII byte.

    Characters outside GB2312 may end in a byte such as "@", "[", "\\" or "`",
    which the tutor's byte-wise searches would take for markup.
    """
    for ch in sorted(set(text)):
        if ch.isascii():
            continue
        try:
            encoded = ch.encode("gbk")
        except UnicodeEncodeError:
            report.error(where, "%r cannot be written in CP936" % ch)
            continue
        if any(b < 0x80 for b in encoded):
            ascii_bytes = bytes(b for b in encoded if b < 0x80)
            report.error(where, "%r has the ASCII byte %r in CP936" % (ch, ascii_bytes))


def check_line(report, where, line, picture_dir):
    for tag in ("u", "i"):
        if line.count("<%s>" % tag) != line.count("</%s>" % tag):
            report.error(where, "unbalanced <%s> marks" % tag)
    if ("<IMG" in line or "<img" in line) and "=" in line:
        name = picture_name(line)
        if not os.path.isfile(os.path.join(picture_dir, name)):
            report.error(where, "picture %s is missing from %s" % (name, picture_dir))
        return
    for piece in re.findall(r"\[([^\]]*)\]", TAG.sub("", line)):
        odd = sorted(set(ch for ch in piece
                         if not (ch.isascii() and (ch.isalpha() or ch in " '`-"))))
        if odd:
            report.warn(where, "phonetic [%s] holds %s, which speaking drops or splits"
                        % (piece, " ".join(odd)))
    spoken = spoken_text(line)
    if spoken[:1].isdigit():
        report.warn(where, "the line starts with a digit, which is not spoken")


def check_lesson(report, path, picture_dir, fix):
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    for i, line in enumerate(lines):
        check_encoding(report, "%s:%d" % (path, i + 1), line)
        if "\r" in line:
            report.warn("%s:%d" % (path, i + 1), "carriage return inside the line")
    if not lines:
        report.error(path, "empty lesson")
        return
    header, body = lines[0], lines[1:]
    sections = parse_header(header)
    if not sections:
        report.error(path + ":1", "the header has no section 1 ending with \"#\"")
        return
    blocks = body_blocks(body)
    if fix:
        header = "".join("#%d%s@%d" % (n + 1, title, blocks[n][0] if n < len(blocks) else 0)
                         for n, (title, _) in enumerate(sections)) + "#"
        if header != lines[0]:
            lines[0] = header
            with open(path, "w", encoding="utf-8", newline="\n") as f:
                f.write("\n".join(lines) + "\n")
            print("%s: header rewritten" % path)
        sections = parse_header(header)
    if len(sections) != len(blocks):
        report.error(path + ":1", "%d sections in the header but %d blocks of body lines"
                     % (len(sections), len(blocks)))
    for n, (title, skip) in enumerate(sections, start=1):
        where = "%s section %d" % (path, n)
        if skip is None:
            report.error(where, "no \"@\" and line count after the title")
            continue
        if "@" in skip or not re.fullmatch(r"\d+", skip):
            report.error(where, "line count %r is not a plain number" % skip)
        if not title.strip():
            report.warn(where, "empty title")
        start = leading_number(skip)
        if n - 1 < len(blocks) and start != blocks[n - 1][0]:
            report.error(where, "starts at body line %d, but its block starts at %d"
                         % (start, blocks[n - 1][0]))
        if start >= len(body):
            report.error(where, "line count %d runs past the end of the file" % start)
            continue
        in_table = False
        end = next((i for i in range(start, len(body)) if body[i] and "#" in body[i]), len(body))
        if end == start:
            report.error(where, "the section is empty")
        for i in range(start, end):
            line = body[i]
            line_where = "%s:%d" % (path, i + 2)
            if line == "":
                report.warn(line_where, "empty line: shown as an empty numbered row")
            opens = "<table" in line or "<TABLE" in line
            closes = "</table" in line or "</TABLE" in line
            if not in_table and opens:
                in_table = True
                if closes:
                    report.error(line_where, "a table must not open and close on one line")
            elif in_table and closes:
                in_table = False
            check_line(report, line_where, line, picture_dir)
        if in_table:
            report.error(where, "a table is still open at the end of the section")


def check_course(report, course, fix):
    index = os.path.join(course, "cntindex.idx")
    try:
        with open(index, encoding="utf-8") as f:
            entries = [line.strip(" \t\r\n\v\f") for line in f]
    except OSError as e:
        report.error(index, str(e))
        return
    names = set()
    for i, entry in enumerate(entries, start=1):
        if not entry:
            continue
        where = "%s:%d" % (index, i)
        check_encoding(report, where, entry)
        name, sep, file_name = entry.partition("=")
        if not sep:
            report.error(where, "no \"=\" between lesson name and file")
            continue
        if name != name.strip() or not name or "  " in name:
            report.error(where, "lesson name must not be empty, padded or hold double blanks")
        if any(ch in name for ch in "&<>"):
            report.error(where, "lesson name must be plain text (no & < >)")
        if name in names:
            report.error(where, "lesson name %r is used twice" % name)
        names.add(name)
        base, dot, _ = file_name.rpartition(".")
        if not dot:
            report.error(where, "file %r has no extension" % file_name)
            continue
        source = os.path.join(course, "lessons", base + ".txt")
        if not os.path.isfile(source):
            report.error(where, "no lesson source %s" % source)
            continue
        check_lesson(report, source, os.path.join(course, base), fix)
    if not names:
        report.error(index, "no lessons")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--fix", action="store_true", help="rewrite the headers' line counts")
    parser.add_argument("course", help="course source folder")
    args = parser.parse_args()
    report = Report()
    check_course(report, args.course, args.fix)
    print("%d error(s), %d warning(s)" % (report.errors, report.warnings))
    return 1 if report.errors else 0


if __name__ == "__main__":
    sys.exit(main())
