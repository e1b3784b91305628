#!/usr/bin/python3
"""Draws the program's skin: background, banner, welcome artwork, side
picture, text-panel background, the page images with their instruction
texts, the window icon and the pointing-hand cursor.

Writes 8-bit palette BMPs (and the .ico and .cur) into resources/art/.
Run with Debian's Python and python3-pil; needs fonts-dejavu-core and
fonts-arphic-uming:

    /usr/bin/python3 tools/artwork/make_artwork.py [--web http://www.vornhal.com]
                     [--regional-web http://www.vornhal.com.tw] [--preview DIR]

--preview also writes every image as PNG into DIR, for looking at them.
"""
import argparse
import math
import os
import struct

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.normpath(os.path.join(HERE, "..", "..", "resources", "art"))

SANS = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
SANS_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
SANS_OBLIQUE = "/usr/share/fonts/truetype/dejavu/DejaVuSans-BoldOblique.ttf"
MING = "/usr/share/fonts/truetype/arphic/uming.ttc"

WHITE = (255, 255, 255)
PAGE_BLUE = (0, 64, 128)
BORDER_NAVY = (28, 38, 84)
GRADIENT_TOP = (132, 142, 188)
GRADIENT_BOTTOM = (44, 54, 100)
BRAND_DARK = (14, 36, 98)
BRAND_LIGHT = (46, 104, 190)

SCALE = 4  # drawings are made this much larger, then reduced (smooth edges)


def font(path, size, index=0):
    return ImageFont.truetype(path, size, index=index)


def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def vertical_gradient(size, top, bottom):
    w, h = size
    column = Image.new("RGB", (1, h))
    for y in range(h):
        column.putpixel((0, y), lerp(top, bottom, y / max(1, h - 1)))
    return column.resize((w, h))


def to_palette(image, fixed=()):
    """Reduces an RGB image to 256 colours; the `fixed` colours are kept
    exact (they are put into the palette and snapped to)."""
    rgb = image.convert("RGB")
    free = 256 - len(fixed)
    reduced = rgb.quantize(colors=free, method=Image.Quantize.MEDIANCUT,
                           dither=Image.Dither.NONE)
    palette = list(reduced.getpalette()[: free * 3])
    for colour in fixed:
        palette.extend(colour)
    palette.extend([0] * (768 - len(palette)))
    holder = Image.new("P", (1, 1))
    holder.putpalette(palette)
    result = rgb.quantize(palette=holder, dither=Image.Dither.FLOYDSTEINBERG)
    # Pixels that are exactly a fixed colour keep it (dithering may move them).
    for index, colour in enumerate(fixed):
        mask = exact_mask(rgb, colour)
        result.paste(free + index, mask=mask)
    return result


def exact_mask(rgb, colour):
    solid = Image.new("RGB", rgb.size, colour)
    diff = ImageChops.difference(rgb, solid).convert("L")
    return diff.point(lambda v: 255 if v == 0 else 0, "1")


def save(image, name, preview):
    path = os.path.join(OUT, name)
    image.save(path)
    if preview:
        image.convert("RGB").save(os.path.join(preview, os.path.splitext(name)[0] + ".png"))


# ---------------------------------------------------------------- drawings

def disc_texture(diameter):
    """A recordable disc seen from above: silver with a faint rainbow sheen,
    a clear hub ring and a centre hole; RGBA."""
    d = diameter
    image = Image.new("RGBA", (d, d), (0, 0, 0, 0))
    px = image.load()
    c = (d - 1) / 2
    outer, data_in, hub, hole = d / 2, d * 0.21, d * 0.155, d * 0.07
    for y in range(d):
        for x in range(d):
            dx, dy = x - c, y - c
            r = math.hypot(dx, dy)
            if r > outer or r < hole:
                continue
            angle = math.atan2(dy, dx)
            if r > data_in:
                # Data area: silver with a soft spectral sheen along two arcs.
                base = 196 + 30 * math.cos(2 * angle + 0.6)
                hue = (angle / (2 * math.pi) * 2 + r / d) % 1.0
                sheen = max(0.0, math.cos(2 * angle - 1.1)) ** 3
                rr = base + 40 * sheen * math.cos(2 * math.pi * hue)
                gg = base + 40 * sheen * math.cos(2 * math.pi * (hue - 1 / 3))
                bb = base + 12 + 40 * sheen * math.cos(2 * math.pi * (hue - 2 / 3))
                groove = 6 * math.sin(r * 1.7)
                colour = (rr + groove, gg + groove, bb + groove)
            elif r > hub:
                colour = (222, 226, 232)  # clear plastic ring
            else:
                colour = (176, 182, 192)  # hub
            if outer - r < 1.5 or abs(r - data_in) < 1.0 or abs(r - hole) < 1.2:
                colour = (120, 126, 140)
            px[x, y] = tuple(max(0, min(255, int(v))) for v in colour) + (255,)
    return image


def drive_picture(width):
    """An optical drive in an oblique view, its tray open with a disc on it;
    RGBA, `width` pixels wide."""
    s = SCALE
    W, H = 640 * s, 330 * s
    image = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    # Front face of the drive, and the depth offset of the oblique view.
    fx0, fy0, fx1, fy1 = 210 * s, 60 * s, 620 * s, 175 * s
    ddx, ddy = 18 * s, -40 * s
    top = [(fx0, fy0), (fx1, fy0), (fx1 + ddx, fy0 + ddy), (fx0 + ddx, fy0 + ddy)]
    side = [(fx1, fy0), (fx1 + ddx, fy0 + ddy), (fx1 + ddx, fy1 + ddy), (fx1, fy1)]
    # Shadow under the drive and tray.
    shadow = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    sd = ImageDraw.Draw(shadow)
    sd.polygon([(fx0 - 200 * s, fy1 + 130 * s), (fx1 + 10 * s, fy1 + 12 * s),
                (fx1 + ddx + 20 * s, fy1 + ddy + 15 * s), (fx0 - 150 * s, fy1 + 60 * s)],
               fill=(10, 20, 50, 90))
    shadow = shadow.filter(ImageFilter.GaussianBlur(14 * s))
    image.alpha_composite(shadow)
    # Metal top and side.
    top_img = vertical_gradient((W, H), (214, 218, 226), (150, 156, 168)).convert("RGBA")
    mask = Image.new("L", (W, H), 0)
    ImageDraw.Draw(mask).polygon(top, fill=255)
    image.paste(top_img, (0, 0), mask)
    draw.polygon(side, fill=(92, 96, 108))
    draw.line(top + [top[0]], fill=(110, 114, 126), width=s)
    # Front bezel: dark, with a soft highlight at the top edge.
    bezel = vertical_gradient((fx1 - fx0, fy1 - fy0), (74, 78, 88), (28, 30, 36)).convert("RGBA")
    image.paste(bezel, (fx0, fy0))
    draw.rectangle([fx0, fy0, fx1, fy0 + 2 * s], fill=(132, 138, 150))
    draw.rectangle([fx0, fy0, fx1, fy1], outline=(20, 22, 26), width=s)
    # Tray slot, eject button, activity light and the maker's name.
    slot_y0, slot_y1 = fy0 + 26 * s, fy0 + 40 * s
    sx0, sx1 = fx0 + 22 * s, fx1 - 70 * s
    draw.rectangle([sx0, slot_y0, sx1, slot_y1], fill=(12, 12, 14))
    draw.rounded_rectangle([fx1 - 62 * s, fy1 - 30 * s, fx1 - 22 * s, fy1 - 18 * s],
                           radius=4 * s, fill=(58, 62, 72), outline=(140, 146, 158), width=s)
    draw.ellipse([fx1 - 92 * s, fy1 - 28 * s, fx1 - 82 * s, fy1 - 18 * s], fill=(60, 220, 90))
    draw.text((fx0 + 24 * s, fy1 - 40 * s), "VORN", font=font(SANS_OBLIQUE, 17 * s),
              fill=(214, 222, 240))
    draw.line([(fx0 + 95 * s, fy1 - 30 * s), (fx0 + 200 * s, fy1 - 30 * s)],
              fill=(96, 102, 116), width=s)
    # The tray comes out of the slot towards the viewer (down and left).
    tx, ty = 190 * s, 118 * s
    tray_w = sx1 - sx0
    tray_depth = int(tray_w * 0.95)
    surface = Image.new("RGBA", (tray_w, tray_depth), (0, 0, 0, 255))
    sdraw = ImageDraw.Draw(surface)
    grad = vertical_gradient((tray_w, tray_depth), (40, 42, 48), (64, 68, 78)).convert("RGBA")
    surface.paste(grad, (0, 0))
    # Disc recess and the disc lying in it.
    dd = int(min(tray_w, tray_depth) * 0.92)
    ox, oy = (tray_w - dd) // 2, (tray_depth - dd) // 2
    sdraw.ellipse([ox - 3 * s, oy - 3 * s, ox + dd + 3 * s, oy + dd + 3 * s], fill=(26, 28, 32))
    surface.alpha_composite(disc_texture(dd), (ox, oy))
    # Map the square tray onto the parallelogram in front of the slot.
    a = tray_w / tray_w
    inv = (1.0, tx / ty, -sx0 + 0.0 - slot_y1 * tx / ty,
           0.0, tray_depth / ty, -slot_y1 * tray_depth / ty)
    del a
    mapped = surface.transform((W, H), Image.Transform.AFFINE, inv, Image.Resampling.BICUBIC)
    pmask = Image.new("L", (W, H), 0)
    corners = [(sx0, slot_y1), (sx1, slot_y1), (sx1 - tx, slot_y1 + ty), (sx0 - tx, slot_y1 + ty)]
    ImageDraw.Draw(pmask).polygon(corners, fill=255)
    image.paste(mapped, (0, 0), pmask)
    # The tray's front lip.
    lip = 11 * s
    draw.polygon([corners[3], corners[2], (corners[2][0], corners[2][1] + lip),
                  (corners[3][0], corners[3][1] + lip)], fill=(36, 38, 44))
    draw.line([corners[3], corners[2]], fill=(120, 126, 138), width=2 * s)
    draw.polygon([corners[1], corners[2], (corners[2][0], corners[2][1] + lip),
                  (corners[1][0], corners[1][1] + lip)], fill=(22, 24, 28))
    bbox = image.getbbox()
    image = image.crop(bbox)
    height = int(round(image.height * width / image.width))
    return image.resize((width, height), Image.Resampling.LANCZOS)


def disc_emblem(size, ring=(255, 255, 255)):
    """The maker's emblem: a disc with a swoosh; RGBA, size x size."""
    s = SCALE
    big = size * s
    image = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    d = ImageDraw.Draw(image)
    d.ellipse([0, 0, big - 1, big - 1], fill=ring + (255,))
    d.ellipse([big * 0.1, big * 0.1, big * 0.9, big * 0.9], fill=(30, 92, 190, 255))
    d.arc([big * 0.18, big * 0.18, big * 0.82, big * 0.82], 200, 320, fill=ring + (255,),
          width=max(1, int(big * 0.07)))
    d.ellipse([big * 0.38, big * 0.38, big * 0.62, big * 0.62], fill=ring + (255,))
    d.ellipse([big * 0.45, big * 0.45, big * 0.55, big * 0.55], fill=(30, 92, 190, 255))
    return image.resize((size, size), Image.Resampling.LANCZOS)


def banner(width, height=39):
    """The blue band with the emblem, the maker's name and the slogan."""
    image = Image.new("RGB", (width, height))
    for x in range(width):
        t = x / (width - 1)
        for y in range(height):
            v = y / (height - 1)
            col = lerp(BRAND_DARK, BRAND_LIGHT, 0.25 + 0.6 * t)
            col = lerp(col, (8, 22, 70), v * 0.55)
            image.putpixel((x, y), col)
    image = image.convert("RGBA")
    # A light streak across the band.
    streak = Image.new("RGBA", (width, height), (0, 0, 0, 0))
    ImageDraw.Draw(streak).polygon([(width * 0.42, 0), (width * 0.52, 0), (width * 0.44, height),
                                    (width * 0.34, height)], fill=(255, 255, 255, 28))
    image.alpha_composite(streak)
    draw = ImageDraw.Draw(image)
    draw.line([(0, height - 2), (width, height - 2)], fill=(120, 170, 235), width=1)
    draw.line([(0, height - 1), (width, height - 1)], fill=(6, 16, 52), width=1)
    image.alpha_composite(disc_emblem(27), (10, 5))
    logo = font(SANS_OBLIQUE, 24)
    draw.text((44, height // 2 - 1), "VORN", font=logo, fill=WHITE, anchor="lm")
    slogan = font(SANS, 12)
    draw.text((width - 14, height // 2), "Precision in every spin", font=slogan,
              fill=(214, 230, 255), anchor="rm")
    return image.convert("RGB")


def pale_backdrop(size):
    """The light backdrop of the welcome artwork and the side picture, with
    faint arcs like the tracks of a disc."""
    w, h = size
    image = vertical_gradient(size, (255, 255, 255), (212, 226, 246)).convert("RGBA")
    arcs = Image.new("RGBA", (w * 2, h * 2), (0, 0, 0, 0))
    d = ImageDraw.Draw(arcs)
    cx, cy = int(w * 2 * 0.78), int(h * 2 * 1.05)
    for i, r in enumerate(range(int(h * 0.5), int(w * 2.2), int(h * 0.16) + 1)):
        d.ellipse([cx - r, cy - r, cx + r, cy + r], outline=(120, 160, 220, 26 if i % 2 else 16),
                  width=2)
    image.alpha_composite(arcs.resize(size, Image.Resampling.LANCZOS))
    return image


def welcome(drive):
    image = Image.new("RGBA", (500, 290))
    image.paste(banner(500), (0, 0))
    image.paste(pale_backdrop((500, 251)), (0, 39))
    draw = ImageDraw.Draw(image)
    draw.text((26, 64), "Optical Storage", font=font(SANS_BOLD, 30), fill=(16, 44, 112))
    draw.line([(28, 106), (270, 106)], fill=(46, 104, 190), width=2)
    draw.text((28, 114), "Firmware Update", font=font(SANS, 17), fill=(60, 84, 140))
    pic = drive_picture(330)
    image.alpha_composite(pic, (500 - pic.width - 8, 290 - pic.height - 10))
    return image.convert("RGB")


def side_picture(drive_width=196):
    image = pale_backdrop((250, 120))
    draw = ImageDraw.Draw(image)
    draw.text((10, 6), "Optical Storage", font=font(SANS_BOLD, 15), fill=(16, 44, 112))
    draw.line([(11, 26), (128, 26)], fill=(46, 104, 190), width=1)
    pic = drive_picture(drive_width)
    image.alpha_composite(pic, (250 - pic.width - 6, 120 - pic.height - 4))
    return image.convert("RGB")


def background():
    """Frame and gradient of the windows: navy border, white line, then a
    vertical gradient that gets darker towards the bottom (dithered)."""
    w, h = 530, 370
    inner = vertical_gradient((w - 4, h - 4), GRADIENT_TOP, GRADIENT_BOTTOM)
    # Palette: the two frame colours and evenly spaced gradient steps; the
    # dithering between neighbouring steps makes the gradient smooth.
    steps = 48
    palette = [BORDER_NAVY, WHITE] + [lerp(GRADIENT_TOP, GRADIENT_BOTTOM, i / (steps - 1))
                                       for i in range(steps)]
    flat = []
    for c in palette:
        flat.extend(c)
    flat.extend([0] * (768 - len(flat)))
    holder = Image.new("P", (1, 1))
    holder.putpalette(flat)
    inner_p = inner.quantize(palette=holder, dither=Image.Dither.FLOYDSTEINBERG)
    image = Image.new("P", (w, h), 0)
    image.putpalette(flat)
    ImageDraw.Draw(image).rectangle([1, 1, w - 2, h - 2], outline=1)
    image.paste(inner_p, (2, 2))
    return image


def panel_background():
    """The message area: a light page the navy text reads well on."""
    w, h = 500, 300
    image = vertical_gradient((w, h), (252, 253, 255), (222, 232, 248)).convert("RGBA")
    arcs = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    d = ImageDraw.Draw(arcs)
    for i, r in enumerate(range(60, 700, 22)):
        d.ellipse([w - 40 - r, h + 60 - r, w - 40 + r, h + 60 + r],
                  outline=(140, 170, 220, 30 if i % 2 else 18), width=1)
    image.alpha_composite(arcs)
    return image.convert("RGB")


# ------------------------------------------------------------ page images

def wrap_words(text, face, width, draw):
    lines, line = [], ""
    for word in text.split():
        trial = word if not line else line + " " + word
        if draw.textlength(trial, font=face) <= width:
            line = trial
        else:
            if line:
                lines.append(line)
            line = word
    if line:
        lines.append(line)
    return lines


NO_LINE_START = set("，。、；：！？）」』]》〉,.;:!?)")


class MixedFace:
    """Chinese text in the Ming face with Latin runs (names, web addresses) in
    the sans face, which reads better than the Ming face's own Latin."""

    def __init__(self, size):
        self.cjk = font(MING, size)
        self.latin = font(SANS, int(round(size * 0.9)))

    @staticmethod
    def runs(text):
        out = []
        for ch in text:
            latin = ord(ch) < 128
            if out and out[-1][0] == latin:
                out[-1][1] += ch
            else:
                out.append([latin, ch])
        return out

    def length(self, draw, text):
        return sum(draw.textlength(t, font=self.latin if latin else self.cjk)
                   for latin, t in self.runs(text))

    def draw(self, draw, xy, text, fill):
        x, y = xy
        baseline = y + self.cjk.getmetrics()[0]
        for latin, t in self.runs(text):
            face = self.latin if latin else self.cjk
            draw.text((x, baseline), t, font=face, fill=fill, anchor="ls")
            x += draw.textlength(t, font=face)


def wrap_chars(text, face, width, draw):
    """Chinese wraps between any two characters, but punctuation never starts
    a line, and a Latin run (a name, a web address) is kept whole."""
    tokens, i = [], 0
    while i < len(text):
        if ord(text[i]) < 128 and text[i] not in "[]":
            j = i
            while j < len(text) and ord(text[j]) < 128 and text[j] not in "[] ":
                j += 1
            if j == i:
                j = i + 1
            tokens.append(text[i:j])
            i = j
        else:
            tokens.append(text[i])
            i += 1
    lines, line = [], ""
    for tok in tokens:
        trial = line + tok
        if face.length(draw, trial) <= width or not line or tok in NO_LINE_START:
            line = trial
        else:
            lines.append(line)
            line = tok.lstrip()
    if line:
        lines.append(line)
    return lines


def page_image(size, paragraphs, chinese, text_size):
    """A white page with the instruction text in dark blue, wrapped to fit
    and set in the upper part, with a little more room around paragraphs."""
    w, h = size
    image = Image.new("RGB", (w, h), WHITE)
    draw = ImageDraw.Draw(image)
    face = MixedFace(text_size) if chinese else font(SANS, text_size)
    margin = 18 if w <= 250 else 34
    width = w - 2 * margin
    wrap = wrap_chars if chinese else wrap_words
    line_height = int(text_size * (1.75 if chinese else 1.5))
    y = 28 if w <= 250 else 40
    for n, paragraph in enumerate(paragraphs):
        if n:
            y += line_height // 2
        for line in wrap(paragraph, face, width, draw):
            if chinese:
                face.draw(draw, (margin, y), line, PAGE_BLUE)
            else:
                draw.text((margin, y), line, font=face, fill=PAGE_BLUE)
            y += line_height
    if y > h - 8:
        raise SystemExit("text does not fit: %r" % (paragraphs,))
    # Palette entry i is white blended i/255 towards the text colour, whose red
    # is 0: so the index of a pixel is 255 minus its red, and white and the
    # text colour stay exact.
    steps = [lerp(WHITE, PAGE_BLUE, i / 255) for i in range(256)]
    indexed = image.getchannel("R").point(lambda v: 255 - v)
    result = Image.frombytes("P", (w, h), indexed.tobytes())
    result.putpalette([v for c in steps for v in c])
    return result


def page_texts(web, regional):
    en, zh = False, True
    return {
        168: ((250, 250), en, 17, ["Please select one device from the left list."]),
        169: ((250, 250), en, 15, [
            "Please choose a new firmware to update.",
            "When you click one firmware, you can get some descriptions of the firmware "
            "from the pop-up message, and you can decide to update or press NO button "
            "to cancel."]),
        175: ((500, 250), en, 20, [
            "Please update when you are on net, and press CANCEL to exit."]),
        174: ((500, 250), en, 20, [
            "We are sorry that now VORN is setting up the information of new firmware; "
            "or your network is unstable.",
            "Please update later, and press OK to exit."]),
        178: ((500, 250), en, 20, [
            "There is no new firmware for this device!",
            "Please press CANCEL to exit."]),
        180: ((500, 250), en, 20, [
            "There is no new firmware for this device!",
            "Please press NEXT to update another device or CANCEL to exit."]),
        181: ((500, 250), en, 20, [
            "You have no VORN devices, if you would like to buy one, please browse "
            + web + ".",
            "Please press CANCEL to exit, thank you."]),
        164: ((250, 250), zh, 17, ["請從左方列表選擇一光碟機。"]),
        165: ((250, 250), zh, 18, [
            "請從左方列表選擇一韌體版本以更新。",
            "當選擇一版本時，可知道該韌體所新增之功能，並可選擇繼續更新或取消。"]),
        172: ((500, 250), zh, 22, ["您尚未建立連線，無法取得韌體資訊。", "請按取消鍵離開。"]),
        173: ((500, 250), zh, 22, [
            "很抱歉！VORN正在建立新的韌體資料；或是您的網路不穩定，無法下載韌體更新資料。",
            "請稍後進行更新，謝謝。"]),
        176: ((500, 250), zh, 22, ["此碟機不需更新韌體！", "請按[取消]離開。"]),
        177: ((500, 250), zh, 22, ["此碟機不需更新韌體！",
                                   "請按[下一步]更新其他碟機之韌體或按[取消] 離開。"]),
        179: ((500, 250), zh, 22, [
            "您沒有VORN光碟機，請連線至 " + regional + " 瀏覽VORN光碟機資訊，謝謝您的支持",
            "請按取消鍵離開。"]),
    }


# ------------------------------------------------------ icon and cursor

def dib_entry(image, and_mask_from_alpha=True):
    """One image of an .ico/.cur file: a 32-bit BGRA DIB and its AND mask."""
    w, h = image.size
    rgba = image.convert("RGBA")
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            r, g, b, a = rgba.getpixel((x, y))
            pixels += bytes((b, g, r, a))
    row_bytes = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(row_bytes)
        for x in range(w):
            if rgba.getpixel((x, y))[3] < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return header + bytes(pixels) + bytes(mask)


def icon_file(images, cursor_hotspot=None):
    kind = 2 if cursor_hotspot else 1
    out = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for image in images:
        blob = dib_entry(image)
        w, h = image.size
        if cursor_hotspot:
            a, b = cursor_hotspot
        else:
            a, b = 1, 32
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, a, b, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    return out + b"".join(blobs)


def app_icon(size):
    s = SCALE
    big = size * s
    image = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    disc = disc_texture(big - 2 * s)
    image.alpha_composite(disc, (s, s))
    d = ImageDraw.Draw(image)
    d.ellipse([s, s, big - s, big - s], outline=(60, 70, 96, 255), width=max(s, big // 40))
    # A blue arrow arc: bringing the drive up to date.
    d.arc([big * 0.2, big * 0.2, big * 0.8, big * 0.8], 180, 330, fill=(30, 92, 190, 255),
          width=max(s, int(big * 0.09)))
    tip = (big * 0.8 * 0.5 + big * 0.5 * 0.5 + big * 0.25, big * 0.35)
    del tip
    ax, ay = big * 0.5 + big * 0.3 * math.cos(math.radians(330)), \
        big * 0.5 + big * 0.3 * math.sin(math.radians(330))
    d.polygon([(ax + big * 0.12, ay - big * 0.02), (ax - big * 0.06, ay - big * 0.1),
               (ax - big * 0.02, ay + big * 0.1)], fill=(30, 92, 190, 255))
    return image.resize((size, size), Image.Resampling.LANCZOS)


HAND = [
    "     ##          ",
    "    #..#         ",
    "    #..#         ",
    "    #..#         ",
    "    #..#         ",
    "    #..###       ",
    "    #..#..###    ",
    "    #..#..#..##  ",
    " ## #..#..#..#.# ",
    "#..##..#..#..#..#",
    "#...#...........#",
    " #..#...........#",
    "  #.............#",
    "  #.............#",
    "   #............#",
    "   #...........# ",
    "    #..........# ",
    "    #.........#  ",
    "     #........#  ",
    "     #........#  ",
    "     ##########  ",
]


def hand_cursor():
    """A pointing hand, 32 x 32, black outline on white, drawn pixel by pixel
    so that it stays crisp; the hot spot is the tip of the index finger."""
    image = Image.new("RGBA", (32, 32), (0, 0, 0, 0))
    left = 3  # the finger tip lands at x 8
    for y, row in enumerate(HAND):
        for x, cell in enumerate(row):
            if cell == "#":
                image.putpixel((left + x, y), (0, 0, 0, 255))
            elif cell == ".":
                image.putpixel((left + x, y), (255, 255, 255, 255))
    return image


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--web", default="http://www.vornhal.com")
    parser.add_argument("--regional-web", default="http://www.vornhal.com.tw")
    parser.add_argument("--preview")
    args = parser.parse_args()
    os.makedirs(OUT, exist_ok=True)
    if args.preview:
        os.makedirs(args.preview, exist_ok=True)
    save(background(), "background.bmp", args.preview)
    save(to_palette(panel_background()), "panel.bmp", args.preview)
    save(to_palette(banner(520)), "banner.bmp", args.preview)
    drive = None
    save(to_palette(welcome(drive), fixed=(WHITE,)), "welcome.bmp", args.preview)
    save(to_palette(side_picture(), fixed=(WHITE,)), "side.bmp", args.preview)
    for ident, (size, chinese, text_size, paragraphs) in page_texts(
            args.web, args.regional_web).items():
        save(page_image(size, paragraphs, chinese, text_size), "page%d.bmp" % ident, args.preview)
    with open(os.path.join(OUT, "vorn.ico"), "wb") as f:
        f.write(icon_file([app_icon(32), app_icon(16)]))
    with open(os.path.join(OUT, "hand.cur"), "wb") as f:
        f.write(icon_file([hand_cursor()], cursor_hotspot=(8, 0)))
    if args.preview:
        app_icon(32).resize((128, 128), Image.Resampling.NEAREST).save(
            os.path.join(args.preview, "icon.png"))
        hand_cursor().resize((128, 128), Image.Resampling.NEAREST).save(
            os.path.join(args.preview, "cursor.png"))


if __name__ == "__main__":
    main()
