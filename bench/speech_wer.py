"""How well an independent listener understands each English voice: every sentence below is
spoken with quorvan-say and recognised by pocketsphinx (the Debian en-us model); the word error
rate is the word-level edit distance over the number of words spoken.

Usage: /usr/bin/python3 bench/speech_wer.py build/bin/quorvan-say
Needs sox, pocketsphinx-en-us and python3-pocketsphinx (Debian's python3, for the binding)."""

import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from listener import Listener, edits, words  # noqa: E402

# Everyday sentences of our own, of the kind a learner hears in the lessons.
SENTENCES = [
    "Good morning, how are you today?",
    "I am fine, thank you, and you?",
    "Nice to meet you too.",
    "Where are you from?",
    "I live in a small house near the river.",
    "Can you help me with my homework?",
    "The train leaves at seven in the morning.",
    "Please close the door when you go out.",
    "My sister likes to read books in the evening.",
    "We are going to the park this afternoon.",
    "What time does the shop open?",
    "It is very cold outside, so wear a warm coat.",
    "He drinks a cup of coffee every day.",
    "Could you tell me the way to the station?",
    "I would like a glass of water, please.",
    "They played football after school.",
    "The children are watching television in the living room.",
    "Do you know where my keys are?",
    "She bought some apples and oranges at the market.",
    "Let us meet again next week.",
    "I have been learning English for two years.",
    "The weather is nice, let us go for a walk.",
    "Thank you very much for your kind letter.",
    "How much does this jacket cost?",
    "Turn left at the corner and walk straight on.",
]


def english_voices(say):
    listing = subprocess.run(
        [say, "--list-voices"], capture_output=True, text=True, check=True
    ).stdout
    voices = []
    for line in listing.splitlines():
        name, engine, attributes = line.split("\t")
        if re.search(r"Language=[0-9a-f;]*409", attributes):
            voices.append((name, engine, attributes))
    return voices


def hear_wav(listener, wav, scratch, pad=0.0):
    """The words `listener` hears in the WAV file `wav` (any rate), converted in `scratch`, with
    `pad` seconds of silence before and after it."""
    raw = os.path.join(scratch, "heard.raw")
    subprocess.run(
        [
            "sox",
            wav,
            "-r",
            "16000",
            "-c",
            "1",
            "-b",
            "16",
            "-e",
            "signed-integer",
            "-t",
            "raw",
            raw,
        ]
        + (["pad", str(pad), str(pad)] if pad else []),
        check=True,
    )
    with open(raw, "rb") as audio:
        return listener.hear(audio.read())


def main():
    say = os.path.abspath(sys.argv[1])
    listener = Listener()
    print(f"{len(SENTENCES)} sentences, {sum(len(words(s)) for s in SENTENCES)} words")
    with tempfile.TemporaryDirectory() as scratch:
        spoken = os.path.join(scratch, "spoken.wav")
        for name, engine, attributes in english_voices(say):
            errors = total = 0
            for sentence in SENTENCES:
                subprocess.run([say, "--voice", name, "-o", spoken, sentence], check=True)
                heard = hear_wav(listener, spoken, scratch)
                reference = words(sentence)
                errors += edits(reference, heard)
                total += len(reference)
                if "-v" in sys.argv:
                    print(f"  {sentence!r} -> {' '.join(heard)!r}")
            gender = "female" if "Female" in attributes else "male"
            print(
                f"{name:14s} {engine:10s} {gender:7s} WER {100.0 * errors / total:5.1f} %"
                f" ({errors} errors)"
            )


if __name__ == "__main__":
    main()
