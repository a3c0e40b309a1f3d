"""Draw the bitmaps and icons that the agent and the settings app embed.

Writes agent/res/banner.bmp, car.bmp and agent.ico, and settings_app/res/
banner.bmp and app.ico. The generated files are committed, so the build
needs no image tools; rerun this script (python3 tools/make_artwork.py from
the repo root) only to change the artwork. Output is byte-for-byte
deterministic for a given Pillow/FreeType and IPA font.

Pillow can't write 4-bit BMPs or icons with a 24-bit or 8-bit DIB plus an
AND mask the way the Windows resource compiler and old dialog code expect,
so the BMP and ICO containers are packed by hand below, then read back and
checked before the script reports success.
"""

import math
import os
import struct
import sys
from pathlib import Path

try:
    from PIL import Image, ImageDraw, ImageFont
except ImportError:
    # A pyenv or venv python3 often shadows Debian's, which is where
    # python3-pil lives; retry with the system interpreter before giving up.
    system_python = "/usr/bin/python3"
    if os.path.realpath(sys.executable) != os.path.realpath(system_python) \
            and os.path.exists(system_python):
        os.execv(system_python, [system_python] + sys.argv)
    sys.exit("make_artwork: needs Pillow (apt-get install -y python3-pil)")

ROOT = Path(__file__).resolve().parent.parent

FONT_CANDIDATES = {
    # Proportional Gothic first: the agent banner is a long line of kana,
    # and the narrower small kana let it be drawn noticeably larger.
    "gothic-p": [
        "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf",
        "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf",
    ],
    "gothic": [
        "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
        "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf",
    ],
}

# The classic 16-colour VGA palette in Windows order; every 4-bit bitmap
# here uses it, so the pictures look the same on a 16-colour display.
VGA16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, CYAN, WHITE = range(8, 16)


def fail(msg):
    sys.exit("make_artwork: " + msg)


def load_font(kind, size):
    for path in FONT_CANDIDATES[kind]:
        if os.path.exists(path):
            # The basic layout engine keeps output identical whether or not
            # libraqm happens to be installed; kana need no shaping.
            return ImageFont.truetype(path, size,
                                      layout_engine=ImageFont.Layout.BASIC)
    fail("IPA Gothic font not found (apt-get install -y fonts-ipafont-gothic)")


def text_mask(text, font, stroke=0):
    """Greyscale coverage of the text, cropped to its ink."""
    l, t, r, b = font.getbbox(text, stroke_width=stroke)
    pad = 4 + stroke
    im = Image.new("L", (r - l + 2 * pad, b - t + 2 * pad), 0)
    ImageDraw.Draw(im).text((pad - l, pad - t), text, font=font, fill=255,
                            stroke_width=stroke, stroke_fill=255)
    box = im.getbbox()
    if box is None:
        fail("text rendered empty: %r" % text)
    return im.crop(box)


# ---------------------------------------------------------------- pixel ops

def downsample_indexed(big, factor):
    """Shrink an indexed picture by majority vote over each block.

    Point sampling loses thin lines and filtering invents colours outside
    the palette; a vote keeps both the palette and the shapes. Ties go to
    the lower index, which only matters for deterministic output.
    """
    w, h = big.size[0] // factor, big.size[1] // factor
    src = big.load()
    out = Image.new("P", (w, h))
    out.putpalette(big.getpalette())
    dst = out.load()
    for y in range(h):
        for x in range(w):
            counts = {}
            for dy in range(factor):
                for dx in range(factor):
                    c = src[x * factor + dx, y * factor + dy]
                    counts[c] = counts.get(c, 0) + 1
            dst[x, y] = max(sorted(counts), key=lambda c: counts[c])
    return out


def downsample_rgba(big, factor):
    """Box-filter an RGBA drawing and split it into colour and a 1-bit mask.

    Colours are averaged weighted by alpha, so edge pixels take the colour
    of the shape rather than fading to the (invisible) background; a pixel
    is opaque when at least half of it is covered, as an icon's AND mask
    can only say yes or no.
    """
    w, h = big.size[0] // factor, big.size[1] // factor
    src = big.load()
    rgb = Image.new("RGB", (w, h), (0, 0, 0))
    dst = rgb.load()
    opaque = [[False] * w for _ in range(h)]
    n = factor * factor
    for y in range(h):
        for x in range(w):
            sa = sr = sg = sb = 0
            for dy in range(factor):
                for dx in range(factor):
                    r, g, b, a = src[x * factor + dx, y * factor + dy]
                    sa += a
                    sr += r * a
                    sg += g * a
                    sb += b * a
            if sa * 2 >= 255 * n:
                dst[x, y] = ((sr + sa // 2) // sa, (sg + sa // 2) // sa,
                             (sb + sa // 2) // sa)
                opaque[y][x] = True
    return rgb, opaque


def indexed(size, bg):
    im = Image.new("P", size, bg)
    im.putpalette([c for rgb in VGA16 for c in rgb])
    return im


# ---------------------------------------------------------------- artwork

def agent_banner():
    w, h = 355, 58
    text = "バックアップしてまっせ！！"
    ss = 4
    # Thin strokes break up once thresholded to two colours; a little
    # extra weight keeps every kana solid.
    mask = text_mask(text, load_font("gothic-p", 40 * ss), stroke=3)
    # The line is long for the strip, so the glyphs are narrowed a little
    # (no more than 15%) to buy height before giving up size.
    max_w, max_h = w - 8, 36
    mw, mh = mask.size
    scale_h = max_h / mh
    squeeze = min(1.0, max_w / (mw * scale_h))
    if squeeze < 0.85:
        squeeze = 0.85
        scale_h = max_w / (mw * squeeze)
    tw, th = round(mw * scale_h * squeeze), round(mh * scale_h)
    small = mask.resize((tw, th), Image.LANCZOS)
    im = indexed((w, h), CYAN)
    # Threshold rather than dither: a 16-colour bitmap looks crisp only
    # with pure colours.
    ink = small.point(lambda v: 255 if v >= 128 else 0)
    im.paste(BLACK, ((w - tw) // 2, (h - th) // 2), ink)
    return im


def agent_car():
    w, h, s = 133, 85, 4

    def S(*coords):
        return [round(c * s) for c in coords]

    big = indexed((w * s, h * s), WHITE)
    d = ImageDraw.Draw(big)
    # Shadow on the road, so the car stands rather than floats.
    d.ellipse(S(6, 77, 127, 85), fill=SILVER)
    # Cabin behind the body: a rounded roof sloping to both pillars.
    d.rounded_rectangle(S(30, 10, 96, 44), radius=12 * s, fill=GREY)
    d.polygon(S(18, 44, 38, 12, 86, 12, 112, 44), fill=GREY)
    d.rounded_rectangle(S(32, 12, 94, 44), radius=10 * s, fill=SILVER)
    d.polygon(S(21, 44, 40, 14, 84, 14, 109, 44), fill=SILVER)
    # Windows, split by the centre pillar.
    d.polygon(S(30, 42, 44, 19, 62, 19, 62, 42), fill=TEAL)
    d.polygon(S(67, 42, 67, 19, 84, 19, 100, 42), fill=TEAL)
    d.polygon(S(46, 21, 52, 21, 40, 40, 35, 40), fill=CYAN)
    d.polygon(S(72, 21, 77, 21, 75, 40, 70, 40), fill=CYAN)
    # Body.
    d.rounded_rectangle(S(4, 40, 129, 72), radius=12 * s, fill=GREY)
    d.rounded_rectangle(S(6, 42, 127, 70), radius=10 * s, fill=SILVER)
    # Lower panel in a darker grey gives the body some shape.
    d.rounded_rectangle(S(6, 60, 127, 70), radius=5 * s, fill=GREY)
    # Door seams and handles.
    d.line(S(64, 44, 64, 60), fill=GREY, width=s)
    d.line(S(98, 44, 98, 60), fill=GREY, width=s)
    d.line(S(30, 44, 30, 60), fill=GREY, width=s)
    d.rectangle(S(53, 48, 59, 50), fill=GREY)
    d.rectangle(S(87, 48, 93, 50), fill=GREY)
    # Lights: a round headlight reads as a friendly eye.
    d.ellipse(S(117, 45, 126, 54), fill=GREY)
    d.ellipse(S(118, 46, 125, 53), fill=YELLOW)
    d.rounded_rectangle(S(5, 45, 10, 53), radius=2 * s, fill=RED)
    # Bumpers.
    d.rounded_rectangle(S(1, 61, 14, 67), radius=3 * s, fill=BLACK)
    d.rounded_rectangle(S(119, 61, 132, 67), radius=3 * s, fill=BLACK)
    # Wheel arches cut into the body, then the wheels.
    for cx in (34, 100):
        d.ellipse(S(cx - 16, 51, cx + 16, 83), fill=GREY)
        d.ellipse(S(cx - 14, 53, cx + 14, 81), fill=BLACK)
        d.ellipse(S(cx - 6.5, 60.5, cx + 6.5, 73.5), fill=SILVER)
        d.ellipse(S(cx - 2, 65, cx + 2, 69), fill=GREY)
    return downsample_indexed(big, s)


def agent_icon():
    """A manila folder taking in a green arrow: something is being stored."""
    size, s = 32, 8

    def S(*coords):
        return [round(c * s) for c in coords]

    big = Image.new("RGBA", (size * s, size * s), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    edge = (128, 92, 20, 255)
    # Back of the folder with its tab.
    d.rounded_rectangle(S(1, 6, 13, 13), radius=2 * s, fill=edge)
    d.rounded_rectangle(S(2, 7, 12, 13), radius=1.5 * s, fill=(236, 190, 80, 255))
    d.rounded_rectangle(S(1, 10, 31, 30), radius=2 * s, fill=edge)
    d.rounded_rectangle(S(2, 11, 30, 29), radius=1.5 * s, fill=(236, 190, 80, 255))
    # Front flap, lighter, so the folder reads as open.
    d.polygon(S(1, 30, 4, 16, 31, 16, 31, 30), fill=edge)
    d.polygon(S(2.2, 29, 5, 17, 30, 17, 30, 29), fill=(252, 218, 120, 255))
    # Down arrow with a dark outline so it separates from the folder.
    outline = (0, 90, 0, 255)
    shaft = S(12, 0, 20, 15)
    head = S(6, 13, 26, 13, 16, 25)
    d.rectangle(shaft, fill=outline)
    d.polygon(head, fill=outline)
    d.rectangle(S(13.2, 1.2, 18.8, 15), fill=(40, 180, 40, 255))
    d.polygon(S(9, 14.2, 23, 14.2, 16, 22.6), fill=(40, 180, 40, 255))
    d.rectangle(S(13.2, 1.2, 15, 15), fill=(120, 220, 110, 255))
    return downsample_rgba(big, s)


def settings_banner():
    w, h = 200, 30
    left, right = (120, 180, 240), (200, 230, 255)
    im = Image.new("RGB", (w, h))
    px = im.load()
    for x in range(w):
        t = x / (w - 1)
        c = tuple(round(a + (b - a) * t) for a, b in zip(left, right))
        for y in range(h):
            px[x, y] = c
    # IPA Gothic has no bold face; a one-pixel stroke thickens it.
    mask = text_mask("ソ レ ル", load_font("gothic", 21), stroke=1)
    mw, mh = mask.size
    x0, y0 = (w - mw) // 2, (h - mh) // 2
    # White on the pale end of the gradient needs a soft shadow to stay
    # legible.
    shadow = mask.point(lambda v: v * 3 // 5)
    im.paste((40, 90, 160), (x0 + 1, y0 + 1), shadow)
    im.paste((255, 255, 255), (x0, y0), mask)
    return im


def app_icon():
    """A page with a circular restore arrow, in blues."""
    size, s = 64, 8

    def S(*coords):
        return [round(c * s) for c in coords]

    big = Image.new("RGBA", (size * s, size * s), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    navy = (20, 60, 140, 255)
    # Page with a folded corner.
    d.polygon(S(6, 2, 34, 2, 46, 14, 46, 60, 6, 60), fill=navy)
    d.polygon(S(8, 4, 33, 4, 44, 15, 44, 58, 8, 58), fill=(240, 247, 255, 255))
    d.polygon(S(33, 4, 33, 15, 44, 15), fill=(170, 200, 240, 255))
    d.line(S(33, 3, 33, 15, 45, 15), fill=navy, width=2 * s)
    # Lines of text.
    for y, x1 in ((20, 38), (26, 38), (32, 30), (38, 26), (44, 22)):
        d.rounded_rectangle(S(13, y, x1, y + 2.4), radius=1.2 * s,
                            fill=(110, 160, 225, 255))
    # Round badge for the restore arrow.
    cx, cy, r = 44, 44, 19
    d.ellipse(S(cx - r, cy - r, cx + r, cy + r), fill=navy)
    d.ellipse(S(cx - r + 2, cy - r + 2, cx + r - 2, cy + r - 2),
              fill=(60, 130, 220, 255))
    d.ellipse(S(cx - r + 4, cy - r + 4, cx + r - 4, cy + r - 4),
              fill=(90, 160, 235, 255))
    # Arrow running anticlockwise, the usual sign for "go back".
    ar, aw = 10, 3.6
    d.arc(S(cx - ar, cy - ar, cx + ar, cy + ar), 215, 150,
          fill=(255, 255, 255, 255), width=round(aw * s))
    tip_angle = math.radians(215)
    mx = cx + (ar - aw / 2) * math.cos(tip_angle)
    my = cy + (ar - aw / 2) * math.sin(tip_angle)
    # Tangent pointing anticlockwise on screen (y grows downwards).
    tx, ty = math.sin(tip_angle), -math.cos(tip_angle)
    nx, ny = math.cos(tip_angle), math.sin(tip_angle)
    head, half = 6.5, 5.5
    d.polygon(S(mx + tx * head, my + ty * head,
                mx + nx * half, my + ny * half,
                mx - nx * half, my - ny * half), fill=(255, 255, 255, 255))
    # Hands of a clock inside the arrow: restoring goes back in time.
    d.line(S(cx, cy - 5.5, cx, cy, cx + 4, cy + 3), fill=(255, 255, 255, 255),
           width=round(2 * s), joint="curve")
    return downsample_rgba(big, s)


# ---------------------------------------------------------------- containers

def pack_rows(width, height, bpp, pixel):
    """Bottom-up DIB rows, each padded to a multiple of four bytes."""
    stride = ((width * bpp + 31) // 32) * 4
    out = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        if bpp == 24:
            for x in range(width):
                r, g, b = pixel(x, y)
                row += bytes((b, g, r))
        elif bpp in (1, 4, 8):
            per_byte = 8 // bpp
            for x0 in range(0, width, per_byte):
                v = 0
                for i in range(per_byte):
                    x = x0 + i
                    p = pixel(x, y) if x < width else 0
                    if not 0 <= p < (1 << bpp):
                        fail("pixel value %r out of range for %d bpp" % (p, bpp))
                    v = (v << bpp) | p
                row.append(v)
        else:
            fail("unsupported depth %d" % bpp)
        row += bytes(stride - len(row))
        out += row
    return bytes(out)


def info_header(width, height, bpp, image_size, colours):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0,
                       image_size, 2835, 2835, colours, 0)


def rgbquads(palette):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)


def bmp_bytes(im, bpp):
    w, h = im.size
    if bpp == 24:
        src = im.convert("RGB").load()
        palette = []
    else:
        src = im.load()
        palette = VGA16
    bits = pack_rows(w, h, bpp, lambda x, y: src[x, y])
    pal = rgbquads(palette)
    offset = 14 + 40 + len(pal)
    return (struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
            + info_header(w, h, bpp, len(bits), len(palette)) + pal + bits)


def ico_bytes(size, bpp, pixel, palette, opaque):
    """One-image icon: XOR bitmap (double height in the header) + AND mask."""
    xor = pack_rows(size, size, bpp, pixel)
    mask = pack_rows(size, size, 1, lambda x, y: 0 if opaque[y][x] else 1)
    pal = rgbquads(palette)
    dib = info_header(size, size * 2, bpp, len(xor) + len(mask),
                      len(palette)) + pal + xor + mask
    colour_count = len(palette) if len(palette) < 256 else 0
    entry = struct.pack("<BBBBHHII", size % 256, size % 256, colour_count, 0,
                        1, bpp, len(dib), 6 + 16)
    return struct.pack("<HHH", 0, 1, 1) + entry + dib


def icon_24(rgb, opaque):
    px = rgb.load()
    size = rgb.size[0]
    # Masked-out pixels must be black in the XOR image, or they tint
    # whatever is behind the icon.
    return ico_bytes(size, 24,
                     lambda x, y: px[x, y] if opaque[y][x] else (0, 0, 0),
                     [], opaque)


def icon_8(rgb, opaque):
    size = rgb.size[0]
    src = rgb.load()
    colours = sorted({src[x, y] for y in range(size) for x in range(size)
                      if opaque[y][x]})
    if len(colours) <= 255:
        palette = colours
        index = {c: i for i, c in enumerate(palette)}
        lookup = lambda x, y: index[src[x, y]]
        flat = None
    else:
        # Fold the edge shades into 255 colours; no dithering, the icon is
        # small enough that dither noise shows.
        q = rgb.quantize(colors=255, method=Image.Quantize.MEDIANCUT,
                         dither=Image.Dither.NONE)
        raw = q.getpalette()[:255 * 3]
        palette = [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]
        flat = q.load()
        lookup = lambda x, y: flat[x, y]
    if (0, 0, 0) in palette:
        black = palette.index((0, 0, 0))
    else:
        palette.append((0, 0, 0))
        black = len(palette) - 1
    palette += [(0, 0, 0)] * (256 - len(palette))
    data = ico_bytes(size, 8,
                     lambda x, y: lookup(x, y) if opaque[y][x] else black,
                     palette, opaque)
    # The colours actually stored, for checking the file against.
    shown = Image.new("RGB", rgb.size)
    shown.putdata([palette[lookup(x, y)] if opaque[y][x] else (0, 0, 0)
                   for y in range(size) for x in range(size)])
    return data, shown


# ---------------------------------------------------------------- checking

def check_bmp(path, want_w, want_h, want_bpp, want_image):
    data = path.read_bytes()
    magic, file_size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    (hsize, w, h, planes, bpp, comp, image_size, _, _, used,
     _) = struct.unpack_from("<IiiHHIIiiII", data, 14)
    stride = ((w * bpp + 31) // 32) * 4
    colours = used or (1 << bpp if bpp <= 8 else 0)
    problems = []
    if magic != b"BM" or file_size != len(data):
        problems.append("bad file header")
    if hsize != 40 or planes != 1 or comp != 0:
        problems.append("not a plain BITMAPINFOHEADER DIB")
    if (w, h, bpp) != (want_w, want_h, want_bpp):
        problems.append("is %dx%d %d bpp" % (w, h, bpp))
    if offset != 14 + 40 + 4 * colours:
        problems.append("palette size does not match the pixel offset")
    if image_size != stride * h or len(data) != offset + stride * h:
        problems.append("pixel data length is wrong")
    if problems:
        fail("%s: %s" % (path, "; ".join(problems)))
    # Decode with an independent reader and compare every pixel.
    with Image.open(path) as back:
        if back.convert("RGB").tobytes() != want_image.convert("RGB").tobytes():
            fail("%s: pixels read back differ from what was drawn" % path)
    palette_note = ", %d-colour palette" % colours if colours else ""
    return "%dx%d, %d bpp%s, %d bytes" % (w, h, bpp, palette_note, len(data))


def check_ico(path, want_size, want_bpp, want_rgb, opaque):
    data = path.read_bytes()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if (reserved, kind, count) != (0, 1, 1):
        fail("%s: want one icon image, header says %r" % (
            path, (reserved, kind, count)))
    ew, eh, ecolours, _, planes, ebpp, res_size, res_off = \
        struct.unpack_from("<BBBBHHII", data, 6)
    (hsize, w, h, dplanes, bpp, comp, image_size, _, _, used,
     _) = struct.unpack_from("<IiiHHIIiiII", data, res_off)
    colours = used or (1 << bpp if bpp <= 8 else 0)
    xor_len = ((w * bpp + 31) // 32) * 4 * w
    and_len = ((w + 31) // 32) * 4 * w
    problems = []
    if (ew or 256, eh or 256) != (want_size, want_size) or \
            (w, h) != (want_size, 2 * want_size):
        problems.append("dimensions are wrong (entry %dx%d, dib %dx%d)" % (
            ew, eh, w, h))
    if ebpp != want_bpp or bpp != want_bpp or planes != 1 or dplanes != 1:
        problems.append("depth is %d/%d bpp" % (ebpp, bpp))
    if want_bpp == 8 and (colours != 256 or ecolours != 0):
        problems.append("8-bit icon needs a 256-entry palette")
    if want_bpp == 24 and (colours != 0 or ecolours != 0):
        problems.append("24-bit icon must carry no palette")
    if hsize != 40 or comp != 0:
        problems.append("not a plain BITMAPINFOHEADER DIB")
    if res_off != 22 or res_off + res_size != len(data):
        problems.append("resource offset/size do not cover the file")
    if res_size != 40 + 4 * colours + xor_len + and_len or \
            image_size != xor_len + and_len:
        problems.append("image is not XOR bitmap + AND mask")
    if problems:
        fail("%s: %s" % (path, "; ".join(problems)))
    with Image.open(path) as back:
        back = back.convert("RGBA")
        if back.size != (want_size, want_size):
            fail("%s: read back as %r" % (path, back.size))
        px, src = back.load(), want_rgb.load()
        for y in range(want_size):
            for x in range(want_size):
                r, g, b, a = px[x, y]
                if (a == 255) != opaque[y][x] or \
                        (opaque[y][x] and (r, g, b) != src[x, y]):
                    fail("%s: pixel (%d,%d) read back wrong" % (path, x, y))
    return "one %dx%d image, %d bpp%s + AND mask, %d bytes" % (
        w, w, bpp, ", %d-colour palette" % colours if colours else "",
        len(data))


def main():
    agent_res = ROOT / "agent" / "res"
    settings_res = ROOT / "settings_app" / "res"
    agent_res.mkdir(parents=True, exist_ok=True)
    settings_res.mkdir(parents=True, exist_ok=True)
    report = []

    def bmp(path, im, bpp):
        path.write_bytes(bmp_bytes(im, bpp))
        report.append((path, check_bmp(path, im.size[0], im.size[1], bpp, im)))

    bmp(agent_res / "banner.bmp", agent_banner(), 4)
    bmp(agent_res / "car.bmp", agent_car(), 4)
    bmp(settings_res / "banner.bmp", settings_banner(), 24)

    rgb, opaque = agent_icon()
    path = agent_res / "agent.ico"
    data = icon_24(rgb, opaque)
    path.write_bytes(data)
    report.append((path, check_ico(path, 32, 24, rgb, opaque)))

    rgb, opaque = app_icon()
    path = settings_res / "app.ico"
    data, shown = icon_8(rgb, opaque)
    path.write_bytes(data)
    report.append((path, check_ico(path, 64, 8, shown, opaque)))

    for path, what in report:
        print("%s: %s" % (path.relative_to(ROOT), what))


if __name__ == "__main__":
    main()
