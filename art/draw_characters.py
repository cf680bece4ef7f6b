#!/usr/bin/env python3
"""Draws the two tutor characters as Quorvan character files.

Run without arguments it writes chars/merlin.acs (Hoot, the owl teacher who
reads the lessons aloud; draw_owl.py) and chars/Genie.acs (Bao, the panda
student; draw_panda.py); --out DIR writes elsewhere. The output is the same on
every run. What it wrote is then checked with quorvan-check-character (see
--help); the shared drawing helpers and the writer are in character_art.py.
"""

import sys

from character_art import main
from draw_owl import FILE_NAME as OWL_FILE, owl_character
from draw_panda import FILE_NAME as PANDA_FILE, panda_character

if __name__ == "__main__":
    sys.exit(
        main(__doc__.splitlines()[0], [(OWL_FILE, owl_character), (PANDA_FILE, panda_character)])
    )
