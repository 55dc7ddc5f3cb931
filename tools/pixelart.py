"""Pixel canvas and the picture files of Vexil's skins.

Everything here is plain Python so that the shipped skins can be rebuilt on any
machine byte for byte: a canvas of 0xRRGGBB integers, small drawing helpers,
and readers/writers for the three formats the skins need (24-bit BMP, GIF89a
with a transparent index, and PNG for previews).
"""

import struct
import zlib

MAGENTA = 0xFF00FF  # transparent colour of every skin picture


def rgb(r, g, b):
    return (r << 16) | (g << 8) | b


def channels(c):
    return (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF


def mix(a, b, t):
    """Colour between a (t=0) and b (t=1), rounded half up so output is stable."""
    ar, ag, ab = channels(a)
    br, bg, bb = channels(b)
    return rgb(int(ar + (br - ar) * t + 0.5),
               int(ag + (bg - ag) * t + 0.5),
               int(ab + (bb - ab) * t + 0.5))


class Canvas:
    def __init__(self, width, height, fill=MAGENTA):
        self.width = width
        self.height = height
        self.px = [fill] * (width * height)

    def get(self, x, y):
        return self.px[y * self.width + x]

    def set(self, x, y, c):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y * self.width + x] = c

    def inside(self, x, y):
        return 0 <= x < self.width and 0 <= y < self.height

    def fill_rect(self, x, y, w, h, c):
        for yy in range(max(0, y), min(self.height, y + h)):
            row = yy * self.width
            for xx in range(max(0, x), min(self.width, x + w)):
                self.px[row + xx] = c

    def frame(self, x, y, w, h, top_left, bottom_right):
        """One-pixel frame; top and left edges in one colour, bottom and right in the other."""
        for xx in range(x, x + w):
            self.set(xx, y, top_left)
            self.set(xx, y + h - 1, bottom_right)
        for yy in range(y, y + h):
            self.set(x, yy, top_left)
            self.set(x + w - 1, yy, bottom_right)
        self.set(x + w - 1, y, mix(top_left, bottom_right, 0.5))
        self.set(x, y + h - 1, mix(top_left, bottom_right, 0.5))

    def blit(self, src, x, y, key=MAGENTA):
        """Copies src to (x, y); pixels of the key colour are left out (None copies all)."""
        for sy in range(src.height):
            for sx in range(src.width):
                c = src.px[sy * src.width + sx]
                if key is None or c != key:
                    self.set(x + sx, y + sy, c)

    def crop(self, x, y, w, h):
        out = Canvas(w, h)
        for yy in range(h):
            for xx in range(w):
                out.px[yy * w + xx] = self.get(x + xx, y + yy)
        return out

    def pattern(self, rows, x, y, colours):
        """Draws a pixel-art picture given as strings; characters missing from colours are skipped."""
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                c = colours.get(ch)
                if c is not None:
                    self.set(x + dx, y + dy, c)


# --- shapes -----------------------------------------------------------------

def in_rounded_rect(x, y, left, top, w, h, r):
    """Pixel-centre test for a rounded rectangle (r = corner radius in pixels)."""
    if not (left <= x < left + w and top <= y < top + h):
        return False
    cx = min(max(x + 0.5, left + r), left + w - r)
    cy = min(max(y + 0.5, top + r), top + h - r)
    dx = x + 0.5 - cx
    dy = y + 0.5 - cy
    return dx * dx + dy * dy <= r * r + 0.25


def in_chamfer_rect(x, y, left, top, w, h, c):
    """Rectangle with its four corners cut at 45 degrees, c pixels deep."""
    if not (left <= x < left + w and top <= y < top + h):
        return False
    dx = min(x - left, left + w - 1 - x)
    dy = min(y - top, top + h - 1 - y)
    return dx + dy >= c


def in_circle(x, y, cx, cy, r):
    dx = x + 0.5 - cx
    dy = y + 0.5 - cy
    return dx * dx + dy * dy <= r * r


def mask_of(width, height, test):
    return [[test(x, y) for x in range(width)] for y in range(height)]


def edge_depth(mask, x, y, limit=3):
    """Rings from the outline: 1 for a pixel touching the outside (8-neighbourhood), 2 next, ..."""
    h = len(mask)
    w = len(mask[0])
    for d in range(1, limit + 1):
        for yy in range(y - d, y + d + 1):
            for xx in range(x - d, x + d + 1):
                if not (0 <= xx < w and 0 <= yy < h) or not mask[yy][xx]:
                    return d
    return limit + 1


def facing_light(mask, x, y, d):
    """True when the outline nearest to (x, y) is a top or left edge (the lit side
    of a bevel).  Top and bottom edges decide first, so slopes and rounded
    corners take the colour of the edge they mostly belong to."""
    h = len(mask)
    w = len(mask[0])

    def out(xx, yy):
        return not (0 <= xx < w and 0 <= yy < h) or not mask[yy][xx]

    if out(x, y - d):
        return True
    if out(x, y + d):
        return False
    return out(x - d, y)


def bevelled_body(width, height, mask, top, bottom, outline, light, shade):
    """The skinned window body: vertical gradient inside mask, a dark outline and a 1-px bevel."""
    cv = Canvas(width, height)
    for y in range(height):
        ground = mix(top, bottom, y / max(1, height - 1))
        for x in range(width):
            if not mask[y][x]:
                continue
            d = edge_depth(mask, x, y, 2)
            if d == 1:
                c = outline
            elif d == 2:
                c = light if facing_light(mask, x, y, 2) else shade
            else:
                c = ground
            cv.set(x, y, c)
    return cv


def inset(cv, x, y, w, h, fill, dark, light):
    """A recessed panel: the frame is dark on top and left, light on bottom and right."""
    cv.fill_rect(x, y, w, h, fill)
    cv.frame(x, y, w, h, dark, light)


# --- BMP --------------------------------------------------------------------

def bmp_bytes(cv):
    """Uncompressed 24-bit Windows bitmap: BITMAPINFOHEADER, bottom-up rows padded to 4 bytes."""
    stride = (cv.width * 3 + 3) & ~3
    pad = b"\0" * (stride - cv.width * 3)
    rows = []
    for y in range(cv.height - 1, -1, -1):
        row = bytearray()
        for x in range(cv.width):
            r, g, b = channels(cv.get(x, y))
            row += bytes((b, g, r))
        rows.append(bytes(row) + pad)
    pixels = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, cv.width, cv.height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return head + info + pixels


def read_bmp(data):
    """Reader for the 24-bit files written above (the previewer's use only)."""
    if data[:2] != b"BM":
        raise ValueError("not a bitmap")
    offset = struct.unpack_from("<I", data, 10)[0]
    size, w, h, _, bpp, comp = struct.unpack_from("<IiiHHI", data, 14)
    if bpp != 24 or comp != 0:
        raise ValueError("only uncompressed 24-bit bitmaps are read here")
    top_down = h < 0
    h = abs(h)
    stride = (w * 3 + 3) & ~3
    cv = Canvas(w, h)
    for row in range(h):
        y = row if top_down else h - 1 - row
        base = offset + row * stride
        for x in range(w):
            b, g, r = data[base + 3 * x: base + 3 * x + 3]
            cv.set(x, y, rgb(r, g, b))
    return cv


# --- GIF --------------------------------------------------------------------

def gif_bytes(cv, transparent=MAGENTA):
    """A one-frame GIF89a whose transparent index is the given colour.

    The LZW stream holds literal codes only and restarts with a clear code before
    the dictionary would need wider codes: valid for every decoder, and simple
    enough to be obviously right.
    """
    palette = []
    index = {}
    for c in ([transparent] if transparent is not None else []) + cv.px:
        if c not in index:
            index[c] = len(palette)
            palette.append(c)
    if len(palette) > 256:
        raise ValueError("a GIF holds at most 256 colours")
    bits = 1
    while (1 << bits) < len(palette):
        bits += 1
    palette += [0] * ((1 << bits) - len(palette))

    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", cv.width, cv.height, 0x80 | ((bits - 1) << 4) | (bits - 1), 0, 0)
    for c in palette:
        out += bytes(channels(c))
    if transparent is not None:
        out += bytes((0x21, 0xF9, 4, 0x01, 0, 0, index[transparent], 0))
    out += b"\x2C" + struct.pack("<HHHHB", 0, 0, cv.width, cv.height, 0)

    min_code = max(2, bits)
    clear = 1 << min_code
    end = clear + 1
    width = min_code + 1
    run_limit = (1 << min_code) - 2  # literals after a clear before codes would widen
    codes = [clear]
    run = 0
    for c in cv.px:
        if run == run_limit:
            codes.append(clear)
            run = 0
        codes.append(index[c])
        run += 1
    codes.append(end)

    stream = bytearray()
    acc = 0
    nbits = 0
    for code in codes:
        acc |= code << nbits
        nbits += width
        while nbits >= 8:
            stream.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8
    if nbits:
        stream.append(acc & 0xFF)

    out.append(min_code)
    for i in range(0, len(stream), 255):
        block = stream[i:i + 255]
        out.append(len(block))
        out += block
    out += b"\x00\x3B"
    return bytes(out)


def read_gif(data):
    """First frame of a GIF as (canvas, transparent colour or None); a full LZW decoder."""
    if data[:6] not in (b"GIF87a", b"GIF89a"):
        raise ValueError("not a GIF")
    w, h, flags, bg, _ = struct.unpack_from("<HHBBB", data, 6)
    pos = 13
    palette = []
    if flags & 0x80:
        n = 2 << (flags & 7)
        palette = [rgb(*data[pos + 3 * i: pos + 3 * i + 3]) for i in range(n)]
        pos += 3 * n
    transparent = None
    while True:
        tag = data[pos]
        if tag == 0x21:
            label = data[pos + 1]
            pos += 2
            if label == 0xF9 and data[pos + 1] & 1:
                transparent = data[pos + 4]
            while data[pos]:
                pos += data[pos] + 1
            pos += 1
        elif tag == 0x2C:
            fx, fy, fw, fh, fflags = struct.unpack_from("<HHHHB", data, pos + 1)
            pos += 10
            if fflags & 0x80:
                n = 2 << (fflags & 7)
                palette = [rgb(*data[pos + 3 * i: pos + 3 * i + 3]) for i in range(n)]
                pos += 3 * n
            if fflags & 0x40:
                raise ValueError("interlaced frames are not read here")
            min_code = data[pos]
            pos += 1
            stream = bytearray()
            while data[pos]:
                stream += data[pos + 1: pos + 1 + data[pos]]
                pos += data[pos] + 1
            indices = _lzw_decode(stream, min_code)
            cv = Canvas(w, h, palette[bg] if palette else 0)
            for i, k in enumerate(indices[: fw * fh]):
                cv.set(fx + i % fw, fy + i // fw, palette[k])
            tcolour = palette[transparent] if transparent is not None else None
            return cv, tcolour
        else:
            raise ValueError("no image in GIF")


def _lzw_decode(stream, min_code):
    clear = 1 << min_code
    end = clear + 1
    width = min_code + 1
    table = [[i] for i in range(clear)] + [None, None]
    out = []
    prev = None
    acc = 0
    nbits = 0
    pos = 0
    while True:
        while nbits < width and pos < len(stream):
            acc |= stream[pos] << nbits
            pos += 1
            nbits += 8
        if nbits < width:
            return out
        code = acc & ((1 << width) - 1)
        acc >>= width
        nbits -= width
        if code == clear:
            table = table[: clear + 2]
            width = min_code + 1
            prev = None
            continue
        if code == end:
            return out
        if code < len(table):
            entry = table[code]
            if prev is not None:
                table.append(prev + [entry[0]])
        elif prev is not None and code == len(table):
            entry = prev + [prev[0]]
            table.append(entry)
        else:
            raise ValueError("bad LZW code")
        out += entry
        prev = entry
        if len(table) == (1 << width) and width < 12:
            width += 1


# --- PNG (previews) -----------------------------------------------------------

def png_bytes(cv, zoom=1):
    raw = bytearray()
    for y in range(cv.height):
        row = bytearray()
        for x in range(cv.width):
            row += bytes(channels(cv.get(x, y))) * zoom
        raw += (b"\0" + bytes(row)) * zoom

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    ihdr = struct.pack(">IIBBBBB", cv.width * zoom, cv.height * zoom, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))
