"""How well an independent listener understands the English of the sample course, as the tutor
speaks it. Every line of every lesson (each row of a table on its own) is spoken by quorvan-say
--line with the course's recorded sounds, exactly as the tutor speaks a lesson line; each English
run of it (each utterance of the English voice) is recognised on its own by pocketsphinx
(tests/e2e/listener.py), and the word error rate is the word-level edit distance over the words
spoken. A line's figure is the sum over its runs.

The course's lessons come in levels of LEVEL_SIZE lessons, in the order of the course index.
For each level and the whole course it prints the lessons, sections, English lines (lines with
at least one English word spoken), distinct English words, average words per English line and
the word error rate, then the worst lines. It also counts bracketed phonetic spellings that the
course's phonetic table has no recorded sound for (the English voice reads them as text).

Usage: /usr/bin/python3 bench/course_wer.py QUORVAN_SAY COURSE_SOURCE BUILT_COURSE
           [--worst N] [--level-size 8] [--json OUT.json] [-v]
e.g.   /usr/bin/python3 bench/course_wer.py build/bin/quorvan-say course build/course
Needs sox, pocketsphinx-en-us and python3-pocketsphinx (Debian's python3, for the binding)."""

import argparse
import json
import os
import re
import subprocess
import sys
import tempfile
import threading
from concurrent.futures import ThreadPoolExecutor

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
sys.path.insert(0, HERE)
from listener import Listener, edits, words  # noqa: E402
from speech_wer import hear_wav  # noqa: E402

# Silence put around a line's speech before it is recognised, as the tutor leaves between lines.
PAD = 0.5

ONES = (
    "zero one two three four five six seven eight nine ten eleven twelve thirteen fourteen"
    " fifteen sixteen seventeen eighteen nineteen"
).split()
TENS = "twenty thirty forty fifty sixty seventy eighty ninety".split()


def number_words(n):
    """How the English voice reads a whole number below a thousand."""
    if n < 20:
        return ONES[n]
    if n < 100:
        return TENS[n // 10 - 2] + ("" if n % 10 == 0 else " " + ONES[n % 10])
    rest = n % 100
    return ONES[n // 100] + " hundred" + ("" if rest == 0 else " " + number_words(rest))


# The course is written in British spelling; the listener's dictionary spells the same words the
# American way.
SPELLINGS = {
    "colour": "color",
    "colours": "colors",
    "favourite": "favorite",
    "practise": "practice",
    "centre": "center",
    "neighbour": "neighbor",
    "neighbours": "neighbors",
    "travelling": "traveling",
    "apologise": "apologize",
    "programme": "program",
    "theatre": "theater",
    "mr": "mister",
}

# How the listener's dictionary writes some words the tutor says in full: its lines never hold
# contractions, so a contraction heard is the two words said.
HEARD = {
    "alot": "a lot",
    "heres": "here is",
    "thats": "that is",
    "theres": "there is",
    "whats": "what is",
    "wheres": "where is",
    "hes": "he is",
    "shes": "she is",
    "im": "i am",
    "youre": "you are",
    "theyre": "they are",
    "lets": "let us",
}


def spoken_words(text):
    """The words of `text` as the listener writes them: digits as words, American spelling, no
    apostrophes (the tutor drops them before speaking)."""
    text = re.sub(r"\d+", lambda m: " " + number_words(int(m.group())) + " ", text)
    return [SPELLINGS.get(w, w).replace("'", "") for w in words(text)]


def course_lessons(source):
    """[(index name, [[line, ...] per section])] in index order, from the UTF-8 sources."""
    lessons = []
    with open(os.path.join(source, "cntindex.idx"), encoding="utf-8") as index:
        for entry in index:
            entry = entry.strip()
            if not entry:
                continue
            name, file = entry.split("=", 1)
            base = file.rsplit(".", 1)[0]
            with open(os.path.join(source, "lessons", base + ".txt"), encoding="utf-8") as f:
                body = f.read().splitlines()[1:]
            sections, current = [], None
            for line in body:
                if "#" in line:
                    current = None
                    continue
                if current is None:
                    current = []
                    sections.append(current)
                current.append(line)
            lessons.append((name, sections))
    return lessons


def spoken_lines(section):
    """The texts the benchmark speaks for a section: each text line, and each row of a table,
    without markup, as the page shows them (cells apart)."""
    texts = []
    for line in section:
        if re.search(r"<img", line, re.I) and "=" in line:
            continue
        if re.search(r"</?table", line, re.I):
            continue
        text = re.sub(r"</t[dh]>", "  ", line, flags=re.I)
        text = re.sub(r"<[^>]*>", "", text).strip()
        if text:
            texts.append(text)
    return texts


def speak(say, course, text, folder):
    """(English texts, their WAV files, phonetic pieces read as text, recorded sounds played)
    of one line spoken as the tutor speaks it."""
    subprocess.run(
        [
            say,
            "--line",
            "--course",
            course,
            "--speech-log",
            folder,
            "-o",
            os.path.join(folder, "line.wav"),
            text,
        ],
        check=True,
        stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL,
    )
    english, wavs, unrecorded, recorded = [], [], [], 0
    with open(os.path.join(folder, "speech.jsonl"), encoding="utf-8") as log:
        for utterance in map(json.loads, log):
            if "file" in utterance:
                recorded += 1
            elif utterance["voice"] != "espeak_cmn":
                spoken = utterance["text"]
                if "[" in spoken or "]" in spoken:
                    unrecorded.append(spoken.strip())
                    continue
                english.append(spoken)
                wavs.append(os.path.join(folder, utterance["wav"]))
    return english, wavs, unrecorded, recorded


def measure(say, course, text, listener, scratch):
    """Each English run of the line (each utterance of the English voice) recognised on its own,
    as the learner hears it between the Chinese and the recorded sounds."""
    folder = tempfile.mkdtemp(dir=scratch)
    english, wavs, unrecorded, recorded = speak(say, course, text, folder)
    result = {"text": text, "words": [], "heard": [], "errors": 0}
    result.update(unrecorded=unrecorded, recorded=recorded)
    for spoken, wav in zip(english, wavs):
        reference = spoken_words(spoken)
        if reference:
            said = (w.replace("'", "") for w in hear_wav(listener, wav, folder, PAD))
            heard = " ".join(HEARD.get(w, w) for w in said).split()
            result["words"] += reference
            result["heard"] += heard + ["|"]
            result["errors"] += edits(reference, heard)
    return result


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("say")
    parser.add_argument("source")
    parser.add_argument("built")
    parser.add_argument("--worst", type=int, default=15)
    parser.add_argument("--level-size", type=int, default=8)
    parser.add_argument("--json")
    parser.add_argument("-v", action="store_true")
    args = parser.parse_args()
    say, built = os.path.abspath(args.say), os.path.abspath(args.built)

    lessons = course_lessons(args.source)
    jobs = []
    for number, (name, sections) in enumerate(lessons, 1):
        level = (number - 1) // args.level_size + 1
        for s, section in enumerate(sections, 1):
            for text in spoken_lines(section):
                jobs.append(
                    {"level": level, "lesson": number, "name": name, "section": s, "text": text}
                )

    local = threading.local()
    with tempfile.TemporaryDirectory() as scratch:

        def run(job):
            # One decoder for each of the two workers: a decoder is never shared.
            if not hasattr(local, "listener"):
                local.listener = Listener()
            return measure(say, built, job["text"], local.listener, scratch)

        with ThreadPoolExecutor(2) as pool:
            results = list(pool.map(run, jobs))
    for job, result in zip(jobs, results):
        job.update(result)

    levels = sorted({job["level"] for job in jobs})
    print(
        f"{'level':7s} {'lessons':>7s} {'sections':>8s} {'lines':>6s} {'words':>6s}"
        f" {'distinct':>8s} {'per line':>8s} {'errors':>6s} {'WER':>7s}"
    )
    for level in levels + [None]:
        chosen = [j for j in jobs if level is None or j["level"] == level]
        english = [j for j in chosen if j["words"]]
        total = sum(len(j["words"]) for j in english)
        errors = sum(j["errors"] for j in english)
        distinct = {w for j in english for w in j["words"]}
        lesson_numbers = {j["lesson"] for j in chosen}
        sections = {(j["lesson"], j["section"]) for j in chosen}
        print(
            f"{'all' if level is None else level:7} {len(lesson_numbers):7d} {len(sections):8d}"
            f" {len(english):6d} {total:6d} {len(distinct):8d}"
            f" {total / max(len(english), 1):8.2f} {errors:6d}"
            f" {100.0 * errors / max(total, 1):6.2f}%"
        )
    unrecorded = [(j, piece) for j in jobs for piece in j["unrecorded"]]
    print(
        f"recorded phonetic sounds played: {sum(j['recorded'] for j in jobs)};"
        f" phonetic pieces read as text: {len(unrecorded)}"
    )
    for job, piece in unrecorded:
        print(f"  lesson {job['lesson']} section {job['section']}: {piece}")

    scored = [j for j in jobs if j["words"] and j["errors"]]
    scored.sort(key=lambda j: (-j["errors"] / len(j["words"]), -j["errors"]))
    print(f"worst lines (errors/words, lesson.section, text -> heard):")
    for job in scored[: args.worst]:
        print(
            f"  {job['errors']}/{len(job['words'])} {job['lesson']}.{job['section']}"
            f" {' '.join(job['words'])!r} -> {' '.join(job['heard'][:-1])!r}"
        )
    if args.v:
        for job in jobs:
            if job["words"]:
                print(f"  {job['errors']} {' '.join(job['words'])!r} -> {' '.join(job['heard'])!r}")
    if args.json:
        with open(args.json, "w", encoding="utf-8") as out:
            json.dump(jobs, out, ensure_ascii=False, indent=1)


if __name__ == "__main__":
    main()
