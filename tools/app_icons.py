"""Vexil's own icons: the program icon, the three notification-area icons and
the small pictures of the context menu, drawn to match the Default skin (dark
slate body, green LCD accent).

The notification-area icons are 16 x 16 in 16 colours (4 bits per pixel, with
an AND mask), as the shell of every Windows version shows them; the program
icon holds 32 x 32 and 16 x 16 images in 32-bit colour with alpha.  Menu
pictures are 24-bit bitmaps on magenta, which the menu leaves out.
"""

import struct

from pixelart import MAGENTA, Canvas, channels, in_circle, in_rounded_rect, mix, rgb, bmp_bytes

# The Default skin's palette, and the little else the icons need.  The
# notification-area icons use these sixteen colours only.
OUTLINE = rgb(14, 17, 22)
BODY_TOP = rgb(64, 73, 86)
BODY_BOTTOM = rgb(38, 44, 54)
BEVEL_LIGHT = rgb(104, 116, 132)
LCD = rgb(18, 32, 27)
LCD_TEXT = rgb(132, 236, 172)
LCD_UNLIT = rgb(44, 96, 72)
PAPER = rgb(238, 242, 246)
PAPER_LINE = rgb(128, 140, 154)
LAMP_ON = rgb(92, 230, 140)
LAMP_OFF = rgb(200, 60, 60)
LAMP_OFF_DARK = rgb(110, 36, 40)
BADGE = rgb(240, 96, 72)
WHITE = rgb(255, 255, 255)
BODY_MID = mix(BODY_TOP, BODY_BOTTOM, 0.5)
BLACK = rgb(0, 0, 0)

TRAY_PALETTE = [BLACK, OUTLINE, BODY_TOP, BODY_MID, BODY_BOTTOM, BEVEL_LIGHT, LCD, LCD_TEXT,
                LCD_UNLIT, PAPER, PAPER_LINE, LAMP_ON, LAMP_OFF, LAMP_OFF_DARK, BADGE, WHITE]
assert len(TRAY_PALETTE) == 16 and len(set(TRAY_PALETTE)) == 16


# --- drawing --------------------------------------------------------------------

def slate_tile(size, radius):
    """The skin's body in small: a rounded slate square, dark outline, lit top-left edge."""
    cv = Canvas(size, size)
    for y in range(size):
        for x in range(size):
            if not in_rounded_rect(x, y, 0, 0, size, size, radius):
                continue
            inner = in_rounded_rect(x, y, 1, 1, size - 2, size - 2, max(0, radius - 1))
            if not inner:
                cv.set(x, y, OUTLINE)
            elif not in_rounded_rect(x, y - 1, 1, 1, size - 2, size - 2, max(0, radius - 1)) or \
                    not in_rounded_rect(x - 1, y, 1, 1, size - 2, size - 2, max(0, radius - 1)):
                cv.set(x, y, BEVEL_LIGHT)
            else:
                t = y / (size - 1)
                cv.set(x, y, BODY_TOP if t < 0.34 else BODY_MID if t < 0.67 else BODY_BOTTOM)
    return cv


def envelope(cv, x, y, w, h, fill, edge, flap):
    """A letter: fill (None for hollow), a one-pixel edge and the flap's two diagonals."""
    if fill is not None:
        cv.fill_rect(x, y, w, h, fill)
    cv.frame(x, y, w, h, edge, edge)
    cv.set(x + w - 1, y, edge)
    cv.set(x, y + h - 1, edge)
    half = w // 2
    for i in range(1, half):
        yy = y + min(h - 2, (i * (h - 1) + half - 1) // half)
        cv.set(x + i, yy, flap)
        cv.set(x + w - 1 - i, yy, flap)


def tray_icon(state):
    """16 x 16: the slate tile with a letter in its LCD and a lamp.  Offline the
    letter is unlit and the lamp red; online the letter glows green; with mail
    the letter is white paper and a red badge sits on its corner."""
    cv = slate_tile(16, 3)
    cv.fill_rect(2, 2, 12, 8, LCD)
    if state == "dis":
        envelope(cv, 3, 3, 10, 6, None, LCD_UNLIT, LCD_UNLIT)
        lamp, lamp_edge = LAMP_OFF, LAMP_OFF_DARK
    elif state == "con":
        envelope(cv, 3, 3, 10, 6, None, LCD_TEXT, LCD_TEXT)
        lamp, lamp_edge = LAMP_ON, OUTLINE
    else:
        envelope(cv, 3, 3, 10, 6, PAPER, OUTLINE, PAPER_LINE)
        lamp, lamp_edge = LAMP_ON, OUTLINE
        cv.pattern([".xx.", "xwwx", "xwwx", ".xx."], 11, 1, {"x": BADGE, "w": WHITE})
    cv.pattern(["oooo", "o##o", "o##o", "oooo"], 10, 10, {"#": lamp, "o": lamp_edge})
    cv.fill_rect(3, 13, 5, 1, LCD_UNLIT if state == "dis" else LCD_TEXT)
    return cv


def program_icon(size):
    """The program's icon: the tab-shaped slate body with a lit LCD and a letter."""
    cv = slate_tile(size, size // 6)
    s = size / 32.0
    lx, ly, lw, lh = round(4 * s), round(6 * s), size - 2 * round(4 * s), round(15 * s)
    cv.fill_rect(lx, ly, lw, lh, LCD)
    cv.frame(lx, ly, lw, lh, OUTLINE, BEVEL_LIGHT)
    ex, ey = lx + round(3 * s), ly + round(2 * s)
    envelope(cv, ex, ey, lw - 2 * round(3 * s), lh - 2 * round(2 * s), PAPER, OUTLINE, PAPER_LINE)
    # The count's seven-segment strip and the online lamp below the LCD.
    y = ly + lh + round(3 * s)
    cv.fill_rect(lx, y, round(12 * s), max(1, round(2 * s)), LCD_TEXT)
    r = max(1.2, 2.2 * s)
    cx, cy = size - round(7 * s), y + max(1, round(2 * s)) / 2.0
    for yy in range(size):
        for xx in range(size):
            if in_circle(xx, yy, cx, cy, r):
                cv.set(xx, yy, LAMP_ON if in_circle(xx, yy, cx, cy, r - 0.8) else OUTLINE)
    return cv


# The menu pictures: '#' outline, 'g' green, 'l' light, 's' slate, 'p' paper, 'd' dark.
MENU_COLOURS = {"#": OUTLINE, "g": LCD_TEXT, "G": LCD_UNLIT, "l": BEVEL_LIGHT, "s": BODY_TOP,
                "S": BODY_BOTTOM, "p": PAPER, "q": PAPER_LINE, "d": LCD}

MENU_PICTURES = {
    # Skins: the main window in small, its LCD strip lit.
    "skins.bmp": [
        "................",
        "................",
        "................",
        "#####...........",
        "#lllll#######...",
        "#lssssssssssl##.",
        "#lsdddddddddss#.",
        "#lsdggggGgdsss#.",
        "#lsdddddddddss#.",
        "#lSSSSSSSSSSSS#.",
        "#lS#g#S#g#S#g#S#",
        ".#SSSSSSSSSSSS#.",
        "..############..",
        "................",
        "................",
        "................",
    ],
    # Refresh List: a green arrow turning round.
    "refresh.bmp": [
        "................",
        "................",
        ".....#####......",
        "....#ggggg#.#...",
        "...#gg###gg##...",
        "..#gg#...#gggg#.",
        "..#g#.....#ggg#.",
        "..#g#....#gggg#.",
        "..#g#....######.",
        "..#gg#..........",
        "...#gg###gg#....",
        "....#ggggg#.....",
        ".....#####......",
        "................",
        "................",
        "................",
    ],
    # Help: a question mark on a slate button.
    "help.bmp": [
        "................",
        ".....######.....",
        "....#llllll#....",
        "...#lsggggss#...",
        "..#lsggssggsS#..",
        "..#lsssssggsS#..",
        "..#lssssggssS#..",
        "..#lsssggsssS#..",
        "..#lsssggsssS#..",
        "..#lssssssssS#..",
        "..#lsssggsssS#..",
        "...#ssSggSSS#...",
        "....#SSSSSS#....",
        ".....######.....",
        "................",
        "................",
    ],
}


def globe():
    """Other Skins: our web site, a slate globe with green meridians."""
    cv = Canvas(16, 16)
    c, r = 8.0, 7.5
    for y in range(16):
        for x in range(16):
            if not in_circle(x, y, c, c, r):
                continue
            if not in_circle(x, y, c, c, r - 1):
                cv.set(x, y, OUTLINE)
                continue
            dx, dy = x + 0.5 - c, y + 0.5 - c
            on_line = y in (4, 8, 11) or x == 7
            # The meridian ellipse, half as wide as the globe.
            e = (dx / 3.4) ** 2 + (dy / (r - 1)) ** 2
            on_line = on_line or 0.72 <= e <= 1.18
            cv.set(x, y, LCD_TEXT if on_line else (BODY_TOP if dy < 0 else BODY_BOTTOM))
    return cv


def news_page():
    """News: a page with a green headline and grey lines, its corner folded."""
    cv = Canvas(16, 16)
    x0, y0, w, h, fold = 2, 1, 12, 14, 4
    for y in range(y0, y0 + h):
        for x in range(x0, x0 + w):
            if x - x0 >= w - fold + (y - y0):
                continue  # cut corner
            edge = x in (x0, x0 + w - 1) or y in (y0, y0 + h - 1) or x - x0 == w - fold + (y - y0) - 1
            cv.set(x, y, OUTLINE if edge else PAPER)
    # The fold itself.
    for i in range(fold):
        for j in range(i + 1):
            cv.set(x0 + w - fold + j, y0 + i, BEVEL_LIGHT if j < i else OUTLINE)
    cv.fill_rect(x0 + w - fold, y0 + fold - 1, fold, 1, OUTLINE)
    cv.fill_rect(x0 + 2, y0 + 3, 6, 2, LCD_TEXT)
    for y, length in ((y0 + 7, 8), (y0 + 9, 7), (y0 + 11, 8)):
        cv.fill_rect(x0 + 2, y, length, 1, PAPER_LINE)
    return cv


def menu_picture(rows):
    cv = Canvas(16, 16)
    # Pad ragged rows so every picture is exactly 16 x 16.
    cv.pattern([r.ljust(16, ".")[:16] for r in rows], 0, 0, MENU_COLOURS)
    return cv


def menu_pictures():
    shots = {name: menu_picture(rows) for name, rows in MENU_PICTURES.items()}
    shots["otherskin.bmp"] = globe()
    shots["news.bmp"] = news_page()
    return shots


# --- icon files -----------------------------------------------------------------

def _and_mask(cv):
    stride = ((cv.width + 31) // 32) * 4
    rows = []
    for y in range(cv.height - 1, -1, -1):
        bits = bytearray(stride)
        for x in range(cv.width):
            if cv.get(x, y) == MAGENTA:
                bits[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(bits))
    return b"".join(rows)


def _image_4bit(cv):
    index = {c: i for i, c in enumerate(TRAY_PALETTE)}
    stride = ((cv.width * 4 + 31) // 32) * 4
    rows = []
    for y in range(cv.height - 1, -1, -1):
        row = bytearray(stride)
        for x in range(cv.width):
            c = cv.get(x, y)
            # Transparent pixels are black in the colour bits (AND 1, XOR 0).
            i = 0 if c == MAGENTA else index[c]
            row[x // 2] |= i << (4 if x % 2 == 0 else 0)
        rows.append(bytes(row))
    xor = b"".join(rows)
    mask = _and_mask(cv)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in map(channels, TRAY_PALETTE))
    head = struct.pack("<IiiHHIIiiII", 40, cv.width, cv.height * 2, 1, 4, 0, len(xor) + len(mask),
                       0, 0, 16, 0)
    return head + palette + xor + mask, 16, 4


def _image_32bit(cv):
    rows = []
    for y in range(cv.height - 1, -1, -1):
        row = bytearray()
        for x in range(cv.width):
            c = cv.get(x, y)
            if c == MAGENTA:
                row += b"\0\0\0\0"
            else:
                r, g, b = channels(c)
                row += bytes((b, g, r, 255))
        rows.append(bytes(row))
    xor = b"".join(rows)
    mask = _and_mask(cv)
    head = struct.pack("<IiiHHIIiiII", 40, cv.width, cv.height * 2, 1, 32, 0, len(xor) + len(mask),
                       0, 0, 0, 0)
    return head + xor + mask, 0, 32


def ico_bytes(images):
    """An .ico file of (data, colour count, bits per pixel, size) images."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for data, colours, bpp, size in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bpp, len(data),
                               offset)
        offset += len(data)
        blobs += data
    return out + entries + blobs


def tray_ico(state):
    data, colours, bpp = _image_4bit(tray_icon(state))
    return ico_bytes([(data, colours, bpp, 16)])


def program_ico():
    images = []
    for size in (32, 16):
        data, colours, bpp = _image_32bit(program_icon(size))
        images.append((data, colours, bpp, size))
    return ico_bytes(images)


def build():
    """Every file of src/win32/res/, by name."""
    files = {
        "vexil.ico": program_ico(),
        "vxdis.ico": tray_ico("dis"),
        "vxcon.ico": tray_ico("con"),
        "vxmail.ico": tray_ico("mail"),
    }
    for name, cv in menu_pictures().items():
        files[name] = bmp_bytes(cv)
    return files


def previews():
    """The pictures as canvases, for a look at them enlarged."""
    shots = {"vexil32": program_icon(32), "vexil16": program_icon(16)}
    for state in ("dis", "con", "mail"):
        shots["vx" + state] = tray_icon(state)
    for name, cv in menu_pictures().items():
        shots[name[:-4]] = cv
    return shots
