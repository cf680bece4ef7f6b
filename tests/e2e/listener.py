"""An independent listener: pocketsphinx with Debian's en-us model, scoring what it understands
of English speech by the word error rate (word-level edit distance over the words spoken)."""

import os
import re

from pocketsphinx.pocketsphinx import Decoder

MODEL = "/usr/share/pocketsphinx/model/en-us"


def words(text):
    return re.sub(r"[^a-z' ]", " ", text.lower()).split()


def edits(reference, hypothesis):
    row = list(range(len(hypothesis) + 1))
    for i, word in enumerate(reference, 1):
        previous, row[0] = row[0], i
        for j, heard in enumerate(hypothesis, 1):
            previous, row[j] = row[j], min(row[j] + 1, row[j - 1] + 1, previous + (word != heard))
    return row[-1]


class Listener:
    def __init__(self):
        config = Decoder.default_config()
        config.set_string("-hmm", os.path.join(MODEL, "en-us"))
        config.set_string("-lm", os.path.join(MODEL, "en-us.lm.bin"))
        config.set_string("-dict", os.path.join(MODEL, "cmudict-en-us.dict"))
        config.set_string("-logfn", os.devnull)
        self.decoder = Decoder(config)

    def hear(self, raw):
        """The words heard in mono 16 kHz signed 16-bit samples (bytes)."""
        self.decoder.start_utt()
        self.decoder.process_raw(raw, False, True)
        self.decoder.end_utt()
        hypothesis = self.decoder.hyp()
        return words(hypothesis.hypstr if hypothesis else "")
