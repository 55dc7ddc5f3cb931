#!/usr/bin/env python3
"""Builds Vexil's own icons, menu pictures and settings page pictures into src/win32/res/.

    python3 tools/make_icons.py                 # writes src/win32/res/
    python3 tools/make_icons.py --check         # only verifies that they are up to date
    python3 tools/make_icons.py --preview DIR   # also writes enlarged PNGs to look at
"""

import argparse
import os
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import app_icons  # noqa: E402
import page_icons  # noqa: E402
from outputs import report, sync_file  # noqa: E402
from pixelart import png_bytes  # noqa: E402


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--out", default=os.path.join(here, "..", "src", "win32", "res"))
    ap.add_argument("--check", action="store_true", help="compare with the files on disk, write nothing")
    ap.add_argument("--preview", metavar="DIR", help="write PNG previews (8x) into DIR")
    args = ap.parse_args()

    files = app_icons.build()
    files.update(page_icons.build())
    stale = []
    for name, data in sorted(files.items()):
        sync_file(os.path.join(args.out, name), data, args.check, stale)
    if args.preview:
        os.makedirs(args.preview, exist_ok=True)
        shots = app_icons.previews()
        shots.update(page_icons.previews())
        for name, cv in shots.items():
            with open(os.path.join(args.preview, name + ".png"), "wb") as f:
                f.write(png_bytes(cv, zoom=8))
    return report(stale, args.check)


if __name__ == "__main__":
    sys.exit(main())
