"""The pictures on the page buttons of the settings dialog: Options, Accounts,
Filters/News, Skins and About, 32 x 32 each, in the palette of the program
icon (slate bodies with a dark outline, paper, the green of the LCD).

They are 24-bit bitmaps on magenta, which the dialog leaves out, and sit on the
light grey of a button face; every shape therefore has a dark outline of its
own.  Each page has a second picture, the same drawing brighter and more
saturated, shown while the pointer is over the button.
"""

import colorsys
import math

from app_icons import (BADGE, BEVEL_LIGHT, BODY_BOTTOM, BODY_TOP, LCD, LCD_TEXT, LCD_UNLIT, OUTLINE,
                       PAPER, PAPER_LINE, WHITE)
from pixelart import MAGENTA, Canvas, bevelled_body, bmp_bytes, channels, in_circle, mask_of, mix, rgb

SIZE = 32
BEVEL_SHADE = rgb(26, 30, 38)  # the Default skin's shaded bevel
PAPER_SHADE = mix(PAPER, PAPER_LINE, 0.45)
AMBER = rgb(255, 178, 52)
SKY = rgb(96, 168, 240)
BUTTON_FACE = rgb(240, 240, 240)  # the dialog's button face, for the previews


# --- pieces -----------------------------------------------------------------------

def slate(test):
    """A slate solid of the shape test(x, y): outline, lit top-left bevel, shaded bottom-right."""
    return bevelled_body(SIZE, SIZE, mask_of(SIZE, SIZE, test), BODY_TOP, BODY_BOTTOM, OUTLINE,
                         BEVEL_LIGHT, BEVEL_SHADE)


def paper(test):
    """The same in paper: white on the lit side, grey on the other."""
    return bevelled_body(SIZE, SIZE, mask_of(SIZE, SIZE, test), PAPER, PAPER, OUTLINE, WHITE,
                         PAPER_SHADE)


def outlined(colour_at):
    """A shape painted by colour_at(x, y) (None outside it), ringed by the outline
    wherever it touches the outside."""
    cv = Canvas(SIZE, SIZE)
    colours = [[colour_at(x, y) for x in range(SIZE)] for y in range(SIZE)]
    for y in range(SIZE):
        for x in range(SIZE):
            c = colours[y][x]
            if c is None:
                continue
            edge = any(not (0 <= x + dx < SIZE and 0 <= y + dy < SIZE) or colours[y + dy][x + dx] is None
                       for dx in (-1, 0, 1) for dy in (-1, 0, 1))
            cv.set(x, y, OUTLINE if edge else c)
    return cv


def disc(cv, cx, cy, r, fill, edge=OUTLINE):
    """A filled circle with a one-pixel edge."""
    for y in range(SIZE):
        for x in range(SIZE):
            if in_circle(x, y, cx, cy, r):
                cv.set(x, y, fill if in_circle(x, y, cx, cy, r - 1) else edge)


def along(x, y, ax, ay, bx, by):
    """Where the pixel (x, y) lies against the segment a-b: (t from 0 at a to 1 at b,
    distance from the line)."""
    vx, vy = bx - ax, by - ay
    px, py = x + 0.5 - ax, y + 0.5 - ay
    length2 = vx * vx + vy * vy
    t = (px * vx + py * vy) / length2
    return t, abs(px * vy - py * vx) / math.sqrt(length2)


# --- the pages ----------------------------------------------------------------------

def options():
    """Options: a slate gear of eight teeth round a lit green hub."""
    c = SIZE / 2.0

    def test(x, y):
        dx, dy = x + 0.5 - c, y + 0.5 - c
        r = math.hypot(dx, dy)
        if r < 4.6:
            return False
        if r <= 11.0:
            return True
        # The teeth, a little narrower at the tip.  Turned by half a tooth, none
        # points straight along an axis, so all eight come out alike.
        for k in range(8):
            a = math.pi / 8 + k * math.pi / 4
            out = dx * math.cos(a) + dy * math.sin(a)
            across = -dx * math.sin(a) + dy * math.cos(a)
            if 0 < out <= 15.3 and abs(across) <= 3.6 - 0.3 * (out - 11.0):
                return True
        return False

    cv = slate(test)
    disc(cv, c, c, 4.6, LCD)
    disc(cv, c, c, 2.6, LCD_TEXT, LCD_UNLIT)
    return cv


LETTER = [
    "################",
    "##ssssssssssss##",
    "#p#ssssssssss#p#",
    "#pp#ssssssss#pp#",
    "#ppp#ssssss#ppp#",
    "#pppp#ssss#pppp#",
    "#ppppp#ss#ppppp#",
    "#pppppp##pppppp#",
    "#pppppppppppppp#",
    "#pppppppppppppp#",
    "#qqqqqqqqqqqqqq#",
    "################",
]


def accounts():
    """Accounts: a person, and in front of them a letter."""
    hx, hy = 11.0, 8.0

    def person(x, y):
        if in_circle(x, y, hx, hy, 6.2):
            return True
        # Shoulders: the top of an ellipse, cut off at the bottom.
        dx, dy = (x + 0.5 - hx) / 10.5, (y + 0.5 - 30.0) / 13.5
        return y <= 29 and dx * dx + dy * dy <= 1.0
    cv = slate(person)
    cv.pattern(LETTER, 16, 18, {"#": OUTLINE, "s": PAPER_SHADE, "p": PAPER, "q": PAPER_SHADE})
    return cv


def filters():
    """Filters/News: a funnel with drops falling from it, and a folded newspaper."""
    fx = 19.5

    def funnel(x, y):
        px = abs(x + 0.5 - fx)
        if 5 <= y <= 16:
            return px <= 12.0 - (y - 5) * (8.6 / 11)
        return 17 <= y <= 23 and px <= 3.2
    cv = slate(funnel)
    # The mouth, seen a little from above: a light rim round the dark inside.
    for y in range(SIZE):
        for x in range(SIZE):
            e = ((x + 0.5 - fx) / 12.0) ** 2 + ((y + 0.5 - 5.0) / 4.0) ** 2
            if e <= 1.0:
                inside = ((x + 0.5 - fx) / 9.8) ** 2 + ((y + 0.5 - 5.4) / 2.6) ** 2 <= 1.0
                rim = ((x + 0.5 - fx) / 11.0) ** 2 + ((y + 0.5 - 5.0) / 3.1) ** 2 <= 1.0
                surface = ((x + 0.5 - fx) / 7.5) ** 2 + ((y + 0.5 - 6.0) / 1.6) ** 2 <= 1.0
                cv.set(x, y, LCD_TEXT if surface else LCD_UNLIT if inside else
                       BEVEL_LIGHT if rim else OUTLINE)
    # A drop of what came through.
    cv.pattern(["..##..", ".#gg#.", ".#gg#.", "#gggg#", "#gggg#", ".#gg#.", "..##.."], 17, 25,
               {"#": OUTLINE, "g": LCD_TEXT})

    def page(x, y):
        return 1 <= x <= 14 and 13 <= y <= 30 and x - 1 < 10 + (y - 13)
    cv.blit(paper(page), 0, 0)
    cv.fill_rect(4, 16, 7, 3, LCD_TEXT)
    for y, length in ((21, 9), (23, 8), (25, 9), (27, 6)):
        cv.fill_rect(4, y, length, 1, PAPER_LINE)
    return cv


def skins():
    """Skins: a painter's palette with three colours and a brush, green on its tip."""
    cx, cy = 13.5, 18.5

    def board(x, y):
        dx, dy = (x + 0.5 - cx) / 13.5, (y + 0.5 - cy) / 11.5
        if dx * dx + dy * dy > 1.0:
            return False
        # The thumb hole, and the notch below it.
        if in_circle(x, y, 19.5, 23.5, 2.7):
            return False
        return not (x >= 18 and y >= 27 and abs(x - 19.5) <= (y - 26))
    cv = slate(board)
    for (bx, by), colour in (((11.0, 10.5), BADGE), ((5.5, 16.5), AMBER), ((8.0, 23.5), SKY)):
        disc(cv, bx, by, 3.4, colour)

    def brush(x, y):
        t, d = along(x, y, 30.5, 1.5, 14.0, 18.0)
        if t < 0 or t > 1:
            return None
        if t < 0.48:
            return PAPER_LINE if d <= 2.3 else None
        if t < 0.62:
            return PAPER if d <= 2.6 else None
        return LCD_TEXT if d <= 3.0 * (1.0 - (t - 0.62) / 0.38) + 0.8 else None
    cv.blit(outlined(brush), 0, 0)
    return cv


def about():
    """About: a green 'i' on a round slate button."""
    cx = cy = SIZE / 2.0
    cv = slate(lambda x, y: in_circle(x, y, cx, cy, 14.5))
    glyph = [
        "...##...",
        "..####..",
        "..####..",
        "...##...",
        "........",
        "........",
        "######..",
        "######..",
        "..####..",
        "..####..",
        "..####..",
        "..####..",
        "..####..",
        "..####..",
        "########",
        "########",
    ]
    cv.pattern(glyph, 12, 8, {"#": LCD_TEXT})
    return cv


PAGES = [("options", options), ("accounts", accounts), ("filters", filters), ("skins", skins),
         ("about", about)]


# --- the pointer over a button ----------------------------------------------------------

def hover(cv):
    """The same picture lit up: every colour but the outline lighter and more
    saturated, so the shape and its edge stay exactly where they were."""
    out = Canvas(cv.width, cv.height)
    lit = {MAGENTA: MAGENTA, OUTLINE: OUTLINE}
    for i, c in enumerate(cv.px):
        if c not in lit:
            h, light, sat = colorsys.rgb_to_hls(*(v / 255.0 for v in channels(c)))
            light += (1.0 - light) * 0.18
            sat = min(1.0, sat * 1.35 + 0.06)
            lit[c] = rgb(*(int(v * 255.0 + 0.5) for v in colorsys.hls_to_rgb(h, light, sat)))
            # A colour lit into the transparent one would punch a hole.
            if lit[c] == MAGENTA:
                lit[c] = c
        out.px[i] = lit[c]
    return out


def pictures():
    """Every page picture, plain and lit, by file name."""
    shots = {}
    for name, draw in PAGES:
        cv = draw()
        shots["page_%s.bmp" % name] = cv
        shots["page_%s_on.bmp" % name] = hover(cv)
    return shots


def build():
    """The page pictures' files, by name."""
    return {name: bmp_bytes(cv) for name, cv in pictures().items()}


def sheet():
    """All pages as the dialog shows them: on the button face, plain above, lit below."""
    cv = Canvas(len(PAGES) * (SIZE + 8) + 8, 2 * (SIZE + 8) + 8, BUTTON_FACE)
    for i, (_, draw) in enumerate(PAGES):
        plain = draw()
        cv.blit(plain, 8 + i * (SIZE + 8), 8)
        cv.blit(hover(plain), 8 + i * (SIZE + 8), SIZE + 16)
    return cv


def previews():
    """The pictures as canvases, and the sheet of them on the button face."""
    shots = {name[:-4]: cv for name, cv in pictures().items()}
    shots["pages_on_button_face"] = sheet()
    return shots
