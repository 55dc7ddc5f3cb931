#!/usr/bin/env python3
"""Shows how a skin will look before Vexil is started: composes the main window
(or the message window) from a skin directory into a PNG.

    python3 tools/preview_skin.py skins/Default /tmp/default.png --status "Disconnected" --count 0
    python3 tools/preview_skin.py skins/Amber /tmp/amber.png --online --mail --count 12 --hover readmsg
    python3 tools/preview_skin.py skins/Default /tmp/msg.png --message --hover reply

The status text and the count are drawn with the skin's own bitmap fonts, cell
by cell, the way Vexil draws them (pen from x=1, magenta transparent, text cut
at maxchar).  Pixels cut out of the window show a checkerboard.
"""

import argparse
import os
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from pixelart import MAGENTA, Canvas, png_bytes, read_bmp, read_gif, rgb  # noqa: E402
from skinparts import lookup  # noqa: E402


class Skin:
    def __init__(self, folder):
        self.folder = folder
        with open(os.path.join(folder, "skin.ini"), "rb") as f:
            self.ini = f.read()

    def value(self, section, key):
        return lookup(self.ini, "[%s]" % section, key)

    def pair(self, section, key):
        v = self.value(section, key)
        if v == "none":
            return 0, 0
        x, _, y = v.partition(",")
        return int(x), int(y)

    def picture(self, section, key):
        """(canvas, transparent colour for a state picture)."""
        path = os.path.join(self.folder, self.value(section, key))
        with open(path, "rb") as f:
            data = f.read()
        if path.lower().endswith(".gif"):
            return read_gif(data)
        cv = read_bmp(data)
        return cv, cv.get(0, cv.height - 1)


def keyed(dst, src, x, y, key):
    for sy in range(src.height):
        for sx in range(src.width):
            c = src.get(sx, sy)
            if c != key:
                dst.set(x + sx, y + sy, c)


def draw_bitmap_text(text, font, cw, ch, status, maxchar, ground, gx, gy, offset=0):
    """One bitmap-font text area, as Vexil builds it; returns the finished area picture."""
    text = text.upper()
    line = Canvas(len(text) * cw + 1, ch + 1)
    x = 1
    for c in text:
        code = ord(c)
        if "A" <= c <= "Z" or 33 <= code <= 64:
            if not status:
                col, top = code - ord("0"), 0
            elif "A" <= c <= "Z":
                col, top = code - ord("A"), 0
            elif code >= 40:
                col, top = code - 40, ch
            else:
                col, top = code - 33, 2 * ch + 1
            for yy in range(ch):
                for xx in range(cw):
                    fx = col * cw + xx
                    if 0 <= fx < font.width and top + yy < font.height:
                        line.set(x + xx, yy, font.get(fx, top + yy))
            x += cw
        elif c == " ":
            x += cw
    shown = min(len(text), maxchar)
    area = Canvas(shown * cw + 1, ch + 1)
    if status:
        area.blit(ground.crop(gx, gy, area.width, area.height), 0, 0, key=None)
    for yy in range(area.height):
        for xx in range(area.width):
            lx = xx + offset
            if lx < line.width:
                c = line.get(lx, yy)
                if c != MAGENTA:
                    area.set(xx, yy, c)
    return area


def compose_main(skin, args):
    bg = read_bmp(open(os.path.join(skin.folder, skin.value("background", "main")), "rb").read())
    win = Canvas(bg.width, bg.height)
    win.blit(bg, 0, 0, key=None)
    for section, normal, select in (("connect", "cnxbtnnormal", "cnxbtnselect"),
                                    ("disconnect", "disbtnnormal", "disbtnselect"),
                                    ("readmsg", "readbtnnormal", "readbtnselect"),
                                    ("mailclient", "runmailnormal", "runmailselect")):
        pic, _ = skin.picture(section, select if args.hover == section else normal)
        x, y = skin.pair(section, "position")
        keyed(win, pic, x, y, MAGENTA)
    pic, key = skin.picture("online", "onlinebmp" if args.online else "notonlinebmp")
    keyed(win, pic, *skin.pair("online", "position"), key)
    pic, key = skin.picture("youhavemail", "gotmail" if args.mail else "nomail")
    keyed(win, pic, *skin.pair("youhavemail", "position"), key)

    sfont, _ = skin.picture("status", "fontbmp")
    sw, sh = skin.pair("status", "size")
    sx, sy = skin.pair("status", "position")
    maxchar = int(skin.value("status", "maxchar")) if skin.value("status", "maxchar") != "none" else 0
    maxchar = maxchar or 128
    status = args.status if args.status is not None else ("Disconnected" if not args.online else "")
    area = draw_bitmap_text(status, sfont, sw, sh, True, maxchar, bg, sx, sy, args.offset)
    win.blit(area, sx, sy, key=None)

    cfont, _ = skin.picture("nbmsg", "nbmsgbmp")
    cw, ch = skin.pair("nbmsg", "size")
    cx, cy = skin.pair("nbmsg", "position")
    area = draw_bitmap_text(str(args.count), cfont, cw, ch, False, maxchar, None, 0, 0)
    keyed(win, area, cx, cy, MAGENTA)
    return win


def compose_message(skin, args):
    bg = read_bmp(open(os.path.join(skin.folder, skin.value("background", "msgbkng")), "rb").read())
    win = Canvas(bg.width, bg.height)
    win.blit(bg, 0, 0, key=None)
    for name in ("prev", "next", "reply", "delete", "close"):
        pic, _ = skin.picture("memo_msgwindow", "%sbtn%s" % (name, "select" if args.hover == name else "normal"))
        keyed(win, pic, *skin.pair("memo_msgwindow", "%sbtnpos" % name), MAGENTA)
    if args.memo_frame:
        x = int(skin.value("memo_msgwindow", "memo_x"))
        y = int(skin.value("memo_msgwindow", "memo_y"))
        w = int(skin.value("memo_msgwindow", "memo_width"))
        h = int(skin.value("memo_msgwindow", "memo_height"))
        for i in range(0, w, 2):
            win.set(x + i, y, rgb(255, 0, 0))
            win.set(x + i, y + h - 1, rgb(255, 0, 0))
        for i in range(0, h, 2):
            win.set(x, y + i, rgb(255, 0, 0))
            win.set(x + w - 1, y + i, rgb(255, 0, 0))
    return win


def on_desktop(win, margin=6):
    out = Canvas(win.width + 2 * margin, win.height + 2 * margin)
    for y in range(out.height):
        for x in range(out.width):
            out.set(x, y, rgb(200, 200, 200) if (x // 4 + y // 4) % 2 else rgb(236, 236, 236))
    keyed(out, win, margin, margin, MAGENTA)
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("skin", help="skin directory (holding skin.ini)")
    ap.add_argument("out", help="PNG file to write")
    ap.add_argument("--status", help="status text (default: Disconnected, or empty when online)")
    ap.add_argument("--offset", type=int, default=0, help="scroll offset of the status text in pixels")
    ap.add_argument("--count", type=int, default=0)
    ap.add_argument("--online", action="store_true")
    ap.add_argument("--mail", action="store_true", help="show the got-mail picture")
    ap.add_argument("--hover", help="section (or message button name) shown with its pointer-over picture")
    ap.add_argument("--message", action="store_true", help="compose the message window instead")
    ap.add_argument("--memo-frame", action="store_true", help="outline the memo area (message window)")
    ap.add_argument("--zoom", type=int, default=3)
    args = ap.parse_args()

    skin = Skin(args.skin)
    win = compose_message(skin, args) if args.message else compose_main(skin, args)
    with open(args.out, "wb") as f:
        f.write(png_bytes(on_desktop(win), args.zoom))
    return 0


if __name__ == "__main__":
    sys.exit(main())
