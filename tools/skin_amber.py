"""The Amber skin: a compact, taller panel with cut corners and an amber display.

Against the Default skin it differs in size, outline and font cells (tall 5x9
glyphs in 6x10 cells, smaller digits), and its mail pictures are GIF files.
"""

from pixelart import Canvas, bmp_bytes, bevelled_body, gif_bytes, in_chamfer_rect, inset, mask_of, rgb
import pixelfont
import skinparts as sp

OUTLINE = rgb(12, 8, 5)
BODY_TOP = rgb(66, 51, 38)
BODY_BOTTOM = rgb(36, 27, 20)
BEVEL_LIGHT = rgb(128, 99, 68)
BEVEL_SHADE = rgb(22, 15, 10)
LCD = rgb(26, 15, 6)
LCD_DARK = rgb(9, 5, 2)
LCD_LIGHT = rgb(116, 88, 58)
AMBER = rgb(255, 178, 52)
AMBER_GLOW = rgb(120, 66, 16)
AMBER_UNLIT = rgb(54, 32, 11)
LOGO = rgb(214, 150, 64)
LOGO_SHADOW = rgb(20, 13, 8)

STATUS_W, STATUS_H = 6, 10
COUNT_W, COUNT_H = 10, 13

MAIN_W, MAIN_H = 224, 100
MSG_W, MSG_H = 300, 228


def notched_shape(width, height, corner, notch_x, notch_w, notch_d):
    """Cut corners, and a shallow notch with slanted sides in the top edge."""
    def test(x, y):
        if not in_chamfer_rect(x, y, 0, 0, width, height, corner):
            return False
        # The notch: notch_d deep, its sides at 45 degrees.
        inset_x = min(x - notch_x, notch_x + notch_w - 1 - x)
        return not (inset_x >= 0 and y < min(notch_d, inset_x + 1))
    return mask_of(width, height, test)


def button_pair(icon_rows, w=24, h=20):
    def shape(x, y):
        return in_chamfer_rect(x, y, 0, 0, w, h, 3)
    normal = sp.button(w, h, shape, rgb(74, 57, 42), rgb(46, 35, 26), OUTLINE, rgb(120, 94, 66),
                       icon_rows, {"#": rgb(236, 168, 72), "x": rgb(255, 96, 64)}, rgb(24, 16, 10))
    over = sp.button(w, h, shape, rgb(104, 74, 42), rgb(70, 48, 26), AMBER, rgb(255, 214, 140),
                     icon_rows, {"#": rgb(255, 236, 190), "x": rgb(255, 120, 90)}, rgb(40, 24, 10))
    return normal, over


def signal(on):
    """Online picture: four rising bars, lit amber when connected."""
    cv = Canvas(17, 14)
    lit = AMBER if on else rgb(76, 52, 28)
    top = rgb(255, 228, 160) if on else rgb(96, 68, 40)
    for i in range(4):
        bh = 4 + 3 * i
        x = 1 + 4 * i
        cv.fill_rect(x, 13 - bh, 3, bh, OUTLINE)
        cv.fill_rect(x, 14 - bh, 3, bh - 1, lit)
        cv.fill_rect(x, 14 - bh, 3, 1, top)
    # Column 0 stays magenta down to the bottom-left pixel, the transparent key.
    return cv


def letter(got):
    """Mail flag: an amber letter lit from inside when mail waits, a dark outline when not."""
    w, h = 24, 17
    cv = Canvas(w, h)
    ex, ey, ew, eh = 1, 2, 22, 14
    if got:
        paper, line = rgb(255, 196, 92), rgb(150, 84, 20)
    else:
        paper, line = rgb(48, 36, 26), rgb(104, 80, 54)
    cv.fill_rect(ex, ey, ew, eh, paper)
    cv.frame(ex, ey, ew, eh, OUTLINE, OUTLINE)
    half = ew // 2
    for i in range(half):
        y = ey + 1 + i * (eh - 5) // half
        cv.set(ex + 1 + i, y, line)
        cv.set(ex + ew - 2 - i, y, line)
    if got:
        # A soft halo: the letter glows, corners left out so the outline stays square-ish.
        for x in range(ex, ex + ew):
            cv.set(x, ey - 1, AMBER_GLOW)
            cv.set(x, ey + eh, AMBER_GLOW)
        for y in range(ey, ey + eh):
            cv.set(ex - 1, y, AMBER_GLOW)
            cv.set(ex + ew, y, AMBER_GLOW)
    return cv


def main_background():
    mask = notched_shape(MAIN_W, MAIN_H, 10, 120, 64, 5)
    cv = bevelled_body(MAIN_W, MAIN_H, mask, BODY_TOP, BODY_BOTTOM, OUTLINE, BEVEL_LIGHT, BEVEL_SHADE)
    sp.draw_text(cv, "VEXIL", 14, 11, LOGO, zoom=2, shadow=LOGO_SHADOW)
    return cv


def message_background():
    mask = notched_shape(MSG_W, MSG_H, 12, 150, 100, 5)
    cv = bevelled_body(MSG_W, MSG_H, mask, BODY_TOP, BODY_BOTTOM, OUTLINE, BEVEL_LIGHT, BEVEL_SHADE)
    pen = sp.draw_text(cv, "VEXIL", 14, 10, LOGO, zoom=2, shadow=LOGO_SHADOW)
    sp.draw_text(cv, "MAIL", pen + 6, 17, rgb(150, 108, 56), shadow=LOGO_SHADOW)
    return cv


def build():
    files = {}
    main = main_background()
    places = {}
    pictures = {}
    bx, by = 14, 40
    for name, icon in (("connect", sp.ICON_PLUG), ("disconnect", sp.ICON_UNPLUG),
                       ("readmsg", sp.ICON_REFRESH), ("mailclient", sp.ICON_ENVELOPE)):
        normal, over = button_pair(icon)
        pictures[name] = (normal, over)
        places[name] = (bx, by, normal.width, normal.height)
        bx += normal.width + 3

    on, off = signal(True), signal(False)
    got, nomail = letter(True), letter(False)
    for what, pic in (("online", on), ("offline", off), ("gotmail", got), ("nomail", nomail)):
        sp.check_state_picture(pic, what)
    places["youhavemail"] = (MAIN_W - 14 - got.width, 12, got.width, got.height)
    places["online"] = (places["youhavemail"][0] - 8 - on.width, 14, on.width, on.height)

    count_box = (MAIN_W - 12 - 36, 39, 36, 21)
    inset(main, *count_box, LCD, LCD_DARK, LCD_LIGHT)
    count_pos = (count_box[0] + 2, count_box[1] + 3)

    strip = (10, 68, MAIN_W - 20, 19)
    inset(main, *strip, LCD, LCD_DARK, LCD_LIGHT)
    status_pos = (strip[0] + 3, strip[1] + 4)
    maxchar = (strip[2] - 2 - 3 - 2 - 1) // STATUS_W

    status_area = (status_pos[0], status_pos[1], maxchar * STATUS_W + 1, STATUS_H + 1)
    count_area = (count_pos[0], count_pos[1], 3 * COUNT_W + 1, COUNT_H + 1)
    sp.check_plain(main, status_area, "status")
    sp.check_plain(main, count_area, "count")
    for name, rect in places.items():
        sp.check_on_body(main, rect, name)
    sp.check_apart(dict(places, status=status_area, count=count_area,
                        logo=(12, 9, sp.text_width("VEXIL", 2) + 4, 18)))
    for text in ("DISCONNECTED", "JOE ACCESS ERROR TO POP SERVER", "NOTEPAD"):
        if len(text) > maxchar:
            raise AssertionError("status strip too short for %r" % text)

    files["panel.bmp"] = bmp_bytes(main)
    names = {"connect": "plug", "disconnect": "unplug", "readmsg": "poll", "mailclient": "client"}
    for name, (normal, over) in pictures.items():
        files[names[name] + ".bmp"] = bmp_bytes(normal)
        files[names[name] + "_lit.bmp"] = bmp_bytes(over)
    files["signal_on.bmp"] = bmp_bytes(on)
    files["signal_off.bmp"] = bmp_bytes(off)
    files["letter.gif"] = gif_bytes(got)
    files["noletter.gif"] = gif_bytes(nomail)
    files["amberfont.bmp"] = bmp_bytes(sp.status_font(STATUS_W, STATUS_H, AMBER, glyph_fn=lambda ch: pixelfont.tall(pixelfont.glyph(ch))))
    files["amberdigits.bmp"] = bmp_bytes(sp.count_font(COUNT_W, COUNT_H, 8, 12, 2, AMBER, unlit=AMBER_UNLIT, origin=(1, 0)))

    msg = message_background()
    panel = (12, 34, MSG_W - 24, 150)
    inset(msg, *panel, rgb(22, 13, 6), LCD_DARK, LCD_LIGHT)
    memo = (panel[0] + 5, panel[1] + 4, panel[2] - 10, panel[3] - 8)
    msg_places = {}
    ybtn = panel[1] + panel[3] + 9
    xs = {"prev": 14, "next": 41, "reply": 82, "delete": 109, "close": MSG_W - 14 - 24}
    msg_buttons = (("prev", sp.ICON_PREV), ("next", sp.ICON_NEXT), ("reply", sp.ICON_REPLY),
                   ("delete", sp.ICON_TRASH), ("close", sp.ICON_CLOSE))
    for name, icon in msg_buttons:
        normal, over = button_pair(icon)
        files["m_%s.bmp" % name] = bmp_bytes(normal)
        files["m_%s_lit.bmp" % name] = bmp_bytes(over)
        msg_places[name] = (xs[name], ybtn, normal.width, normal.height)
        sp.check_on_body(msg, msg_places[name], name)
    sp.check_apart(dict(msg_places, memo=panel))
    files["letters.bmp"] = bmp_bytes(msg)

    def pos(rect):
        return "%d,%d" % (rect[0], rect[1])

    sections = [
        ("about", [("skin_name", "Amber"), ("skin_author", "Vexil"),
                   ("skin_mail", "skins@example.org"), ("skin_web", "http://www.example.org/vexil/"),
                   ("skin_info", "Compact warm panel with an amber display and tall letters.")]),
        ("background", [("main", "panel.bmp"), ("msgbkng", "letters.bmp")]),
        ("connect", [("cnxbtnnormal", "plug.bmp"), ("cnxbtnselect", "plug_lit.bmp"),
                     ("position", pos(places["connect"]))]),
        ("disconnect", [("disbtnnormal", "unplug.bmp"), ("disbtnselect", "unplug_lit.bmp"),
                        ("position", pos(places["disconnect"]))]),
        ("readmsg", [("readbtnnormal", "poll.bmp"), ("readbtnselect", "poll_lit.bmp"),
                     ("position", pos(places["readmsg"]))]),
        ("mailclient", [("runmailnormal", "client.bmp"), ("runmailselect", "client_lit.bmp"),
                        ("position", pos(places["mailclient"]))]),
        ("online", [("onlinebmp", "signal_on.bmp"), ("notonlinebmp", "signal_off.bmp"),
                    ("position", pos(places["online"]))]),
        ("youhavemail", [("gotmail", "letter.gif"), ("nomail", "noletter.gif"),
                         ("position", pos(places["youhavemail"]))]),
        ("nbmsg", [("nbmsgbmp", "amberdigits.bmp"), ("size", "%d,%d" % (COUNT_W, COUNT_H)),
                   ("position", pos(count_area))]),
        ("status", [("fontbmp", "amberfont.bmp"), ("size", "%d,%d" % (STATUS_W, STATUS_H)),
                    ("position", pos(status_area)), ("maxchar", str(maxchar))]),
        ("memo_msgwindow", [("memo_x", str(memo[0])), ("memo_y", str(memo[1])),
                            ("memo_width", str(memo[2])), ("memo_height", str(memo[3])),
                            ("fontcolor", "255,190,96"), ("fontname", "Courier New"),
                            ("fontstyle", "bold"), ("fontsize", "9")]
         + [kv for name, _ in msg_buttons for kv in (
             ("%sbtnnormal" % name, "m_%s.bmp" % name),
             ("%sbtnselect" % name, "m_%s_lit.bmp" % name),
             ("%sbtnpos" % name, pos(msg_places[name])))]),
    ]
    comments = ["Vexil - Amber skin", "",
                "Generated by tools/make_skins.py; edit the generator, not this file."]
    return files, comments, sections
