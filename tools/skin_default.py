"""The Default skin: a dark slate body, a green LCD status line, seven-segment count."""

from pixelart import Canvas, bmp_bytes, bevelled_body, in_circle, in_rounded_rect, inset, mask_of, mix, rgb
import skinparts as sp

# Palette
OUTLINE = rgb(14, 17, 22)
BODY_TOP = rgb(64, 73, 86)
BODY_BOTTOM = rgb(38, 44, 54)
BEVEL_LIGHT = rgb(104, 116, 132)
BEVEL_SHADE = rgb(26, 30, 38)
LCD = rgb(18, 32, 27)
LCD_DARK = rgb(8, 12, 12)
LCD_LIGHT = rgb(96, 108, 124)
LCD_TEXT = rgb(132, 236, 172)
LCD_GLOW = rgb(44, 96, 72)
LCD_UNLIT = rgb(28, 48, 40)
ACCENT = rgb(120, 226, 164)
LOGO = rgb(150, 164, 182)
LOGO_SHADOW = rgb(22, 26, 32)
PAPER = rgb(228, 233, 238)
INK = rgb(24, 32, 44)

# Status font: 5x7 glyphs in 6x8 cells.  Count font: 9x14 digits in 11x15 cells.
STATUS_W, STATUS_H = 6, 8
COUNT_W, COUNT_H = 11, 15

MAIN_W, MAIN_H = 300, 64
PLATE_W = 92          # the logo plate rises STEP pixels above the rest of the top edge
STEP = 5
MSG_W, MSG_H = 360, 260


def tab_shape(width, height, plate_w, step, radius):
    """A rounded body whose top-left plate stands STEP pixels higher; the top edge
    comes down from the plate in two-pixel stairs, like the tab of a folder."""
    def top_at(x):
        if x < plate_w:
            return 0
        return min(step, (x - plate_w + 2) // 2)

    def test(x, y):
        if y < top_at(x):
            return False
        if x < plate_w + 2 * step:
            return in_rounded_rect(x, y, 0, 0, width, height, radius)
        return in_rounded_rect(x, y, 0, step, width, height - step, radius)
    return mask_of(width, height, test)


def button_pair(icon_rows, accent=rgb(236, 112, 96)):
    def shape(x, y):
        return in_rounded_rect(x, y, 0, 0, 24, 22, 4)
    normal = sp.button(24, 22, shape, rgb(74, 84, 99), rgb(50, 58, 70), rgb(18, 22, 28), rgb(108, 120, 136),
                       icon_rows, {"#": rgb(198, 208, 220), "x": accent}, rgb(28, 33, 41))
    over = sp.button(24, 22, shape, rgb(88, 104, 122), rgb(60, 74, 90), ACCENT, rgb(150, 230, 190),
                     icon_rows, {"#": rgb(250, 255, 252), "x": rgb(255, 140, 120)}, rgb(24, 40, 36))
    return normal, over


def led(on):
    """The online lamp: a lit green dome, or a dark red one."""
    size = 13
    cv = Canvas(size, size)
    base = rgb(92, 230, 140) if on else rgb(110, 36, 40)
    rim = rgb(30, 90, 56) if on else rgb(48, 18, 22)
    c = size / 2
    for y in range(size):
        for x in range(size):
            if in_circle(x, y, c, c, 6.2):
                if not in_circle(x, y, c, c, 5.2):
                    cv.set(x, y, OUTLINE)
                else:
                    d = ((x + 0.5 - (c - 1.5)) ** 2 + (y + 0.5 - (c - 1.5)) ** 2) ** 0.5
                    cv.set(x, y, mix(base, rim, min(1.0, d / 7.0)))
    shine = rgb(220, 255, 230) if on else rgb(170, 90, 92)
    cv.set(4, 4, shine)
    cv.set(5, 4, mix(shine, base, 0.5))
    cv.set(4, 5, mix(shine, base, 0.5))
    return cv


def envelope(got):
    """The mail flag: a bright letter with a badge when mail waits, a faint outline when not."""
    w, h = 26, 19
    cv = Canvas(w, h)
    ex, ey, ew, eh = 1, 4, 21, 14
    if got:
        paper, line, edge = rgb(238, 242, 246), rgb(128, 140, 154), rgb(18, 22, 28)
    else:
        paper, line, edge = rgb(58, 67, 80), rgb(104, 116, 132), rgb(18, 22, 28)
    cv.fill_rect(ex, ey, ew, eh, paper)
    cv.frame(ex, ey, ew, eh, edge, edge)
    # The flap: two diagonals meeting in the middle.
    half = ew // 2
    for i in range(half):
        y = ey + 1 + i * (eh - 4) // half
        cv.set(ex + 1 + i, y, line)
        cv.set(ex + ew - 2 - i, y, line)
    if got:
        bx, by, r = 20.5, 5.5, 5.2
        for y in range(h):
            for x in range(w):
                if in_circle(x, y, bx, by, r):
                    cv.set(x, y, OUTLINE if not in_circle(x, y, bx, by, r - 1) else rgb(240, 96, 72))
        cv.pattern(["#", "#", "#", ".", "#"], 20, 3, {"#": rgb(255, 255, 255)})
    return cv


def main_background():
    mask = tab_shape(MAIN_W, MAIN_H, PLATE_W, STEP, 8)
    cv = bevelled_body(MAIN_W, MAIN_H, mask, BODY_TOP, BODY_BOTTOM, OUTLINE, BEVEL_LIGHT, BEVEL_SHADE)
    sp.draw_text(cv, "VEXIL", 12, 12, LOGO, zoom=2, shadow=LOGO_SHADOW)
    return cv


def message_background():
    mask = tab_shape(MSG_W, MSG_H, 120, STEP, 10)
    cv = bevelled_body(MSG_W, MSG_H, mask, BODY_TOP, BODY_BOTTOM, OUTLINE, BEVEL_LIGHT, BEVEL_SHADE)
    pen = sp.draw_text(cv, "VEXIL", 14, 10, LOGO, zoom=2, shadow=LOGO_SHADOW)
    sp.draw_text(cv, "MAIL", pen + 6, 17, rgb(110, 124, 142), shadow=LOGO_SHADOW)
    return cv


def build():
    files = {}
    main = main_background()

    # Controls of the main window (x, y of each picture).
    buttons = [("connect", sp.ICON_PLUG), ("disconnect", sp.ICON_UNPLUG),
               ("readmsg", sp.ICON_REFRESH), ("mailclient", sp.ICON_ENVELOPE)]
    bx, by = 88, 12
    places = {}
    pictures = {}
    for name, icon in buttons:
        normal, over = button_pair(icon)
        pictures[name] = (normal, over)
        places[name] = (bx, by, normal.width, normal.height)
        bx += normal.width + 3

    online, offline = led(True), led(False)
    places["online"] = (bx + 5, 17, online.width, online.height)
    got, nomail = envelope(True), envelope(False)
    for what, pic in (("online", online), ("offline", offline), ("gotmail", got), ("nomail", nomail)):
        sp.check_state_picture(pic, what)
    places["youhavemail"] = (bx + 22, 13, got.width, got.height)

    # The count box (room for three digits) at the right of the first row.
    count_box = (MAIN_W - 8 - 40, 11, 40, 22)
    inset(main, *count_box, LCD, LCD_DARK, LCD_LIGHT)
    count_pos = (count_box[0] + 2, count_box[1] + 3)

    # The status strip along the bottom.
    strip = (8, 40, MAIN_W - 16, 17)
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
                        logo=(10, 8, sp.text_width("VEXIL", 2) + 4, 28)))
    for text in ("DISCONNECTED", "ALICE ACCESS ERROR TO POP SERVER", "NOTEPAD"):
        if len(text) > maxchar:
            raise AssertionError("status strip too short for %r" % text)

    files["main.bmp"] = bmp_bytes(main)
    names = {"connect": "connect", "disconnect": "hangup", "readmsg": "check", "mailclient": "mailer"}
    for name, (normal, over) in pictures.items():
        files[names[name] + ".bmp"] = bmp_bytes(normal)
        files[names[name] + "_over.bmp"] = bmp_bytes(over)
    files["online.bmp"] = bmp_bytes(online)
    files["offline.bmp"] = bmp_bytes(offline)
    files["gotmail.bmp"] = bmp_bytes(got)
    files["nomail.bmp"] = bmp_bytes(nomail)
    files["font.bmp"] = bmp_bytes(sp.status_font(STATUS_W, STATUS_H, LCD_TEXT))
    files["digits.bmp"] = bmp_bytes(sp.count_font(COUNT_W, COUNT_H, 9, 14, 2, LCD_TEXT, unlit=LCD_UNLIT, origin=(1, 0)))

    # Message window.
    msg = message_background()
    panel = (12, 34, MSG_W - 24, 184)
    inset(msg, *panel, PAPER, rgb(20, 24, 30), rgb(110, 122, 138))
    memo = (panel[0] + 4, panel[1] + 3, panel[2] - 8, panel[3] - 6)
    msg_buttons = [("prev", sp.ICON_PREV), ("next", sp.ICON_NEXT), ("reply", sp.ICON_REPLY),
                   ("delete", sp.ICON_TRASH), ("close", sp.ICON_CLOSE)]
    ybtn = panel[1] + panel[3] + 8
    xs = {"prev": 14, "next": 41, "reply": 82, "delete": 109, "close": MSG_W - 14 - 24}
    msg_places = {}
    for name, icon in msg_buttons:
        normal, over = button_pair(icon)
        files["msg_%s.bmp" % name] = bmp_bytes(normal)
        files["msg_%s_over.bmp" % name] = bmp_bytes(over)
        msg_places[name] = (xs[name], ybtn, normal.width, normal.height)
        sp.check_on_body(msg, msg_places[name], name)
    sp.check_apart(dict(msg_places, memo=panel))
    files["message.bmp"] = bmp_bytes(msg)

    def pos(rect):
        return "%d,%d" % (rect[0], rect[1])

    sections = [
        ("skin", [("skin_name", "Default"), ("skin_author", "Vexil"),
                  ("skin_mail", "skins@example.org"), ("skin_web", "http://www.example.org/vexil/"),
                  ("skin_info", "Dark slate with a green LCD status line. Drag it by the logo.")]),
        ("background", [("main", "main.bmp"), ("msgbkng", "message.bmp")]),
        ("connect", [("cnxbtnnormal", "connect.bmp"), ("cnxbtnselect", "connect_over.bmp"),
                     ("position", pos(places["connect"]))]),
        ("disconnect", [("disbtnnormal", "hangup.bmp"), ("disbtnselect", "hangup_over.bmp"),
                        ("position", pos(places["disconnect"]))]),
        ("readmsg", [("readbtnnormal", "check.bmp"), ("readbtnselect", "check_over.bmp"),
                     ("position", pos(places["readmsg"]))]),
        ("mailclient", [("runmailnormal", "mailer.bmp"), ("runmailselect", "mailer_over.bmp"),
                        ("position", pos(places["mailclient"]))]),
        ("online", [("onlinebmp", "online.bmp"), ("notonlinebmp", "offline.bmp"),
                    ("position", pos(places["online"]))]),
        ("youhavemail", [("gotmail", "gotmail.bmp"), ("nomail", "nomail.bmp"),
                         ("position", pos(places["youhavemail"]))]),
        ("nbmsg", [("nbmsgbmp", "digits.bmp"), ("size", "%d,%d" % (COUNT_W, COUNT_H)),
                   ("position", pos(count_area))]),
        ("status", [("fontbmp", "font.bmp"), ("size", "%d,%d" % (STATUS_W, STATUS_H)),
                    ("position", pos(status_area)), ("maxchar", str(maxchar))]),
        ("memo_msgwindow", [("memo_x", str(memo[0])), ("memo_y", str(memo[1])),
                            ("memo_width", str(memo[2])), ("memo_height", str(memo[3])),
                            ("fontcolor", "%d,%d,%d" % ((INK >> 16) & 255, (INK >> 8) & 255, INK & 255)),
                            ("fontname", "Tahoma"), ("fontstyle", "regular"), ("fontsize", "8")]
         + [kv for name, _ in msg_buttons for kv in (
             ("%sbtnnormal" % name, "msg_%s.bmp" % name),
             ("%sbtnselect" % name, "msg_%s_over.bmp" % name),
             ("%sbtnpos" % name, pos(msg_places[name])))]),
    ]
    comments = ["Vexil - Default skin", "",
                "Generated by tools/make_skins.py; edit the generator, not this file."]
    return files, comments, sections
