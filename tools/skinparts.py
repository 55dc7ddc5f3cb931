"""Pieces shared by the skins we ship: icons, font pictures, skin.ini text and
the checks that keep a generated skin honest (layout, fonts, key lookup)."""

from pixelart import MAGENTA, Canvas, edge_depth, facing_light, mask_of, mix
import pixelfont

# --- icons (pixel art; '#' main colour, 'x' accent, '.' nothing) -----------------

ICON_PLUG = [
    "...#...#...",
    "...#...#...",
    "...#...#...",
    ".#########.",
    ".#########.",
    ".#########.",
    "..#######..",
    "...#####...",
    "....###....",
    ".....#.....",
    ".....#.....",
    ".....#.....",
    ".....#.....",
]

ICON_UNPLUG = [
    "...#...#......",
    "...#...#......",
    "...#...#......",
    ".#########....",
    ".#########....",
    ".#########....",
    "..#######.....",
    "...#####......",
    "....###.x....x",
    ".....#...x..x.",
    ".....#....xx..",
    ".....#....xx..",
    ".....#...x..x.",
    "........x....x",
]

ICON_ENVELOPE = [
    "#############",
    "##.........##",
    "#.#.......#.#",
    "#..#.....#..#",
    "#...#...#...#",
    "#....#.#....#",
    "#.....#.....#",
    "#...........#",
    "#############",
]

ICON_PREV = [
    ".....#.....",
    "....##.....",
    "...###.....",
    "..#########",
    ".##########",
    "..#########",
    "...###.....",
    "....##.....",
    ".....#.....",
]

ICON_NEXT = [row[::-1] for row in ICON_PREV]

ICON_REPLY = [
    "...#.........",
    "..##.........",
    ".#########...",
    "###########..",
    ".#########.#.",
    "..##......##.",
    "...#.......##",
    "...........##",
    "...........##",
    "..........##.",
]

ICON_TRASH = [
    "...#####...",
    "###########",
    "...........",
    ".#########.",
    ".#.#.#.#.#.",
    ".#.#.#.#.#.",
    ".#.#.#.#.#.",
    ".#.#.#.#.#.",
    ".#.#.#.#.#.",
    ".#########.",
]

ICON_CLOSE = [
    "##.....##",
    "###...###",
    ".###.###.",
    "..#####..",
    "...###...",
    "..#####..",
    ".###.###.",
    "###...###",
    "##.....##",
]


ICON_REFRESH = [
    ".....#####.....",
    "...#########...",
    "..###.....###..",
    ".##.........##.",
    ".##.......#####",
    "...........###.",
    "..#.........#..",
    ".###...........",
    "#####.......##.",
    ".##.........##.",
    "..###.....###..",
    "...#########...",
    ".....#####.....",
]


def with_shadow(cv, rows, colours, shadow, dx=0, dy=0, offset=(1, 1)):
    """An icon with a one-pixel drop shadow, so it stands off the button face."""
    w = max(len(r) for r in rows)
    h = len(rows)
    x = (cv.width - w) // 2 + dx
    y = (cv.height - h) // 2 + dy
    cv.pattern(rows, x + offset[0], y + offset[1], {k: shadow for k in colours})
    cv.pattern(rows, x, y, colours)


def button(w, h, shape, face_top, face_bottom, edge, highlight, icon_rows, icon_colours, shadow):
    """A button picture on magenta: a gradient face inside shape(x, y), a one-pixel
    edge, a highlight along its lit side, and the icon with a drop shadow."""
    mask = mask_of(w, h, shape)
    cv = Canvas(w, h)
    for y in range(h):
        face = mix(face_top, face_bottom, y / (h - 1))
        for x in range(w):
            if not mask[y][x]:
                continue
            d = edge_depth(mask, x, y, 2)
            if d == 1:
                cv.set(x, y, edge)
            elif d == 2 and facing_light(mask, x, y, 2):
                cv.set(x, y, highlight)
            else:
                cv.set(x, y, face)
    with_shadow(cv, icon_rows, icon_colours, shadow)
    return cv


# --- text drawn into pictures ------------------------------------------------------

def draw_text(cv, text, x, y, colour, zoom=1, spacing=1, shadow=None):
    """Writes text with the 5x7 face (zoomed by whole pixels), for logos and labels."""
    pen = x
    for ch in text:
        if ch == " ":
            pen += (5 + spacing) * zoom
            continue
        rows = pixelfont.glyph(ch)
        for col, off in ((shadow, 1), (colour, 0)):
            if col is None:
                continue
            for gy, row in enumerate(rows):
                for gx, bit in enumerate(row):
                    if bit == "#":
                        cv.fill_rect(pen + gx * zoom + off, y + gy * zoom + off, zoom, zoom, col)
        pen += (5 + spacing) * zoom
    return pen


def text_width(text, zoom=1, spacing=1):
    return len(text) * (5 + spacing) * zoom - spacing * zoom


# --- bitmap fonts --------------------------------------------------------------------

def status_font(cell_w, cell_h, colour, glyph_fn=pixelfont.glyph):
    """The status font picture: three rows of cells on magenta.

    Row 0 at y=0 holds A..Z, row 1 at y=H the characters "(" .. "@", row 2 at
    y=2H+1 (one pixel lower than a plain third row) "!" .. "'".  Glyphs sit at
    the top-left of their cells; the free column and row space the letters."""
    cv = Canvas(26 * cell_w, 3 * cell_h + 1)
    rows = ((pixelfont.ROW_LETTERS, 0), (pixelfont.ROW_SIGNS, cell_h), (pixelfont.ROW_MARKS, 2 * cell_h + 1))
    for chars, top in rows:
        for col, ch in enumerate(chars):
            g = glyph_fn(ch)
            if len(g) > cell_h or max(len(r) for r in g) > cell_w:
                raise ValueError("glyph %r does not fit a %dx%d cell" % (ch, cell_w, cell_h))
            cv.pattern(g, col * cell_w, top, {"#": colour})
    return cv


def count_font(cell_w, cell_h, digit_w, digit_h, stroke, colour, unlit=None, origin=(1, 0)):
    """The count font picture: one row of ten seven-segment digits "0" .. "9" on magenta."""
    cv = Canvas(10 * cell_w, cell_h)
    for i, ch in enumerate("0123456789"):
        g = pixelfont.seven_segment(ch, digit_w, digit_h, stroke)
        colours = {"#": colour}
        if unlit is not None:
            colours["-"] = unlit
        cv.pattern(g, i * cell_w + origin[0], origin[1], colours)
    return cv


# --- skin.ini -------------------------------------------------------------------

INFO_KEYS = ("skin_name", "skin_author", "skin_mail", "skin_web", "skin_info")


def ini_text(comment_lines, sections):
    """sections: list of (header or None, [(key, value)]); CR LF line ends as the
    program's own files have them."""
    lines = ["; " + c if c else ";" for c in comment_lines]
    for header, pairs in sections:
        lines.append("")
        if header:
            lines.append("[%s]" % header)
        for k, v in pairs:
            lines.append("%s=%s" % (k, v))
    return ("\r\n".join(lines) + "\r\n").encode("ascii")


def split_lines(data):
    """Lines as the program reads them: CR, LF and CR LF each end a line; Ctrl-Z ends the file."""
    data = data.split(b"\x1a", 1)[0].decode("latin-1")
    out = []
    cur = []
    i = 0
    while i < len(data):
        ch = data[i]
        if ch == "\r":
            out.append("".join(cur))
            cur = []
            if i + 1 < len(data) and data[i + 1] == "\n":
                i += 1
        elif ch == "\n":
            out.append("".join(cur))
            cur = []
        else:
            cur.append(ch)
        i += 1
    if cur:
        out.append("".join(cur))
    return out


def lookup(data, section, key):
    """The program's key lookup: from the section header, the first non-comment
    line that contains the key anywhere (even past the next header) gives the value."""
    lines = split_lines(data)
    i = 0
    if section:
        while i < len(lines):
            ln = lines[i]
            if ln and not ln.startswith(";") and ln.lower() == section.lower():
                break
            i += 1
        else:
            return "none"
    for ln in lines[i:]:
        if ln and not ln.startswith(";") and key.lower() in ln.lower():
            value = ln.split("=", 1)[1] if "=" in ln else ln
            value = value.strip("".join(chr(c) for c in range(33)))
            return value or "none"
    return "none"


def info_value(data, key):
    """The skin page's scan: the last line (comments too) whose lower-cased text holds the key."""
    found = ""
    for ln in split_lines(data):
        if key in ln.lower():
            found = (ln.split("=", 1)[1] if "=" in ln else "").strip()
    return found


def check_ini(data, sections):
    """Every key must come back from the lookup exactly as written in its own section,
    and every information key from the skin page's scan."""
    for header, pairs in sections:
        for k, v in pairs:
            if k in INFO_KEYS:
                got = info_value(data, k)
            else:
                got = lookup(data, "[%s]" % header, k)
            if got != v:
                raise AssertionError("[%s] %s reads back as %r, not %r" % (header, k, got, v))


# --- layout checks ------------------------------------------------------------------

def opaque(cv, x, y):
    return cv.inside(x, y) and cv.get(x, y) != MAGENTA


def check_plain(cv, rect, what):
    """The ground under a bitmap-font area must be one plain colour, fully inside the window."""
    x, y, w, h = rect
    ground = cv.get(x, y)
    for yy in range(y, y + h):
        for xx in range(x, x + w):
            if not cv.inside(xx, yy) or cv.get(xx, yy) != ground or ground == MAGENTA:
                raise AssertionError("%s area %r is not on a plain strip (at %d,%d)" % (what, rect, xx, yy))


def check_on_body(cv, rect, what):
    x, y, w, h = rect
    for yy in range(y, y + h):
        for xx in range(x, x + w):
            if not opaque(cv, xx, yy):
                raise AssertionError("%s %r leaves the window outline at %d,%d" % (what, rect, xx, yy))


def check_apart(rects):
    items = list(rects.items())
    for i, (na, (ax, ay, aw, ah)) in enumerate(items):
        for nb, (bx, by, bw, bh) in items[i + 1:]:
            if ax < bx + bw and bx < ax + aw and ay < by + bh and by < ay + ah:
                raise AssertionError("%s and %s overlap" % (na, nb))


def check_state_picture(cv, what):
    """State pictures are keyed on their bottom-left pixel; ours keep it magenta."""
    if cv.get(0, cv.height - 1) != MAGENTA:
        raise AssertionError("%s: bottom-left pixel is not magenta" % what)
