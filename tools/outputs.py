"""Writing generated files: only those whose bytes changed, or, with --check,
only reporting which ones are out of date."""

import os


def sync_file(path, data, check, stale):
    """Writes data to path unless it already holds exactly that; a path that
    differs is added to stale (and left alone when check is set)."""
    current = None
    if os.path.exists(path):
        with open(path, "rb") as f:
            current = f.read()
    if current == data:
        return
    stale.append(path)
    if not check:
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


def report(stale, check):
    """Prints what was written or is out of date; the exit status for main."""
    for p in stale:
        print("%s %s" % ("out of date:" if check else "wrote", os.path.normpath(p)))
    return 1 if (check and stale) else 0
