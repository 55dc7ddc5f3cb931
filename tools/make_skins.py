#!/usr/bin/env python3
"""Builds the skins shipped with Vexil into skins/<name>/.

Every picture is drawn here in code, so the skins can be rebuilt byte for byte
on any machine with Python 3 and nothing else:

    python3 tools/make_skins.py            # writes skins/Default and skins/Amber
    python3 tools/make_skins.py --check    # only verifies that skins/ is up to date

Before anything is written, each skin is checked the way Vexil will read it:
every key of skin.ini must come back from the key lookup as intended, the
status and count areas must sit on a plain strip of the background, and the
controls must stay inside the window's outline without overlapping.
"""

import argparse
import os
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from outputs import report, sync_file  # noqa: E402
import skin_amber  # noqa: E402
import skin_default  # noqa: E402
import skinparts  # noqa: E402

SKINS = {"Default": skin_default, "Amber": skin_amber}


def render(module):
    files, comments, sections = module.build()
    ini = skinparts.ini_text(comments, sections)
    skinparts.check_ini(ini, sections)
    named = {v for _, pairs in sections for k, v in pairs
             if not k.startswith("skin_") and "." in v}
    missing = named - set(files)
    if missing:
        raise AssertionError("skin.ini names files that were not drawn: %s" % sorted(missing))
    unused = set(files) - named
    if unused:
        raise AssertionError("pictures drawn but not named in skin.ini: %s" % sorted(unused))
    files = dict(files)
    files["skin.ini"] = ini
    return files


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--out", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "skins"),
                    help="skin root directory (default: the repository's skins/)")
    ap.add_argument("--check", action="store_true", help="compare with the files on disk, write nothing")
    args = ap.parse_args()

    stale = []
    for name, module in SKINS.items():
        files = render(module)
        folder = os.path.join(args.out, name)
        on_disk = {f for f in os.listdir(folder) if not f.startswith(".")} if os.path.isdir(folder) else set()
        for fname, data in sorted(files.items()):
            sync_file(os.path.join(folder, fname), data, args.check, stale)
        for extra in sorted(on_disk - set(files)):
            stale.append(os.path.join(folder, extra) + " (not generated)")
    return report(stale, args.check)


if __name__ == "__main__":
    sys.exit(main())
