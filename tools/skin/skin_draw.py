"""Drawing helpers shared by the skin generator: supersampled shapes, gradients, text."""

import os

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

# Shapes are drawn this many times larger and scaled down, which anti-aliases every edge.
SS = 4

FONT_DIR = "/usr/share/fonts/truetype/nanum"
_font_cache = {}


def font(name, size):
    key = (name, size)
    if key not in _font_cache:
        path = os.path.join(FONT_DIR, name + ".ttf")
        if not os.path.exists(path):
            raise SystemExit("missing font %s (install fonts-nanum)" % path)
        _font_cache[key] = ImageFont.truetype(path, size)
    return _font_cache[key]


def bold(size):
    return font("NanumBarunGothicBold", size)


def regular(size):
    return font("NanumBarunGothic", size)


def logo(size):
    return font("NanumSquareRoundB", size)


def hexrgb(value, alpha=255):
    return ((value >> 16) & 255, (value >> 8) & 255, value & 255, alpha)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def vgradient(size, stops):
    """Vertical gradient; stops is a list of (position 0..1, RGBA)."""
    w, h = size
    column = Image.new("RGBA", (1, h))
    px = column.load()
    for y in range(h):
        t = y / max(1, h - 1)
        for i in range(len(stops) - 1):
            p0, c0 = stops[i]
            p1, c1 = stops[i + 1]
            if t <= p1 or i == len(stops) - 2:
                local = 0.0 if p1 == p0 else min(1.0, max(0.0, (t - p0) / (p1 - p0)))
                px[0, y] = mix(c0, c1, local)
                break
    return column.resize((w, h), Image.NEAREST)


def dgradient(size, c0, c1):
    """Diagonal gradient from the top-left corner (c0) to the bottom-right one (c1)."""
    w, h = size
    across = Image.linear_gradient("L").rotate(90).resize((w, h))
    down = Image.linear_gradient("L").resize((w, h))
    t = ImageChops.add(across, down, scale=2.0)
    return Image.composite(Image.new("RGBA", size, c1), Image.new("RGBA", size, c0), t)


def rounded_mask(size, radius, inset=0.0):
    """Anti-aliased rounded-rectangle coverage mask of the given final size."""
    w, h = size
    big = Image.new("L", (w * SS, h * SS), 0)
    d = ImageDraw.Draw(big)
    i = int(round(inset * SS))
    d.rounded_rectangle((i, i, w * SS - 1 - i, h * SS - 1 - i), radius=radius * SS, fill=255)
    return big.resize((w, h), Image.LANCZOS)


def fill_mask(layer, mask):
    """Returns layer with its alpha multiplied by mask."""
    out = layer.copy()
    alpha = ImageChops.multiply(out.getchannel("A"), mask)
    out.putalpha(alpha)
    return out


def over(base, top, pos=(0, 0)):
    """Alpha-composites top onto base (in place) at pos."""
    layer = Image.new("RGBA", base.size, (0, 0, 0, 0))
    layer.paste(top, pos)
    base.alpha_composite(layer)
    return base


def ring(size, radius, width, color, inset=0.0):
    """A rounded outline of the given stroke width (pixels, may be fractional)."""
    outer = rounded_mask(size, radius, inset)
    inner = rounded_mask(size, max(0, radius - width), inset + width)
    mask = ImageChops.subtract(outer, inner)
    layer = Image.new("RGBA", size, color)
    return fill_mask(layer, mask)


def pill(size, radius, stops, border, highlight=None, inset_shadow=False):
    """A rounded, gradient-filled face with a border; optional top gloss or inner shadow."""
    face = fill_mask(vgradient(size, stops), rounded_mask(size, radius))
    if highlight is not None:
        w, h = size
        gloss = vgradient((w, h), [(0.0, highlight), (0.5, highlight[:3] + (0,)), (1.0, (0, 0, 0, 0))])
        over(face, fill_mask(gloss, rounded_mask(size, radius - 1, 1.0)))
    if inset_shadow:
        w, h = size
        shade = Image.new("L", size, 0)
        ImageDraw.Draw(shade).rectangle((0, 0, w, 3), fill=110)
        shade = shade.filter(ImageFilter.GaussianBlur(2))
        shadow = fill_mask(Image.new("RGBA", size, (0, 0, 0, 255)),
                           ImageChops.multiply(shade, rounded_mask(size, radius - 1, 1.0)))
        over(face, shadow)
    over(face, ring(size, radius, 1.0, border))
    return face


def text_size(fnt, text):
    box = fnt.getbbox(text)
    return box[2] - box[0], box[3] - box[1], box


def draw_text(img, text, fnt, color, center=None, pos=None, shadow=None, shadow_offset=(0, 1)):
    """Draws text centred on center (visual box) or with its top-left ink at pos."""
    w, h, box = text_size(fnt, text)
    if center is not None:
        x = center[0] - w / 2.0 - box[0]
        y = center[1] - h / 2.0 - box[1]
    else:
        x, y = pos[0] - box[0], pos[1] - box[1]
    x, y = int(round(x)), int(round(y))
    layer = Image.new("RGBA", img.size, (0, 0, 0, 0))
    d = ImageDraw.Draw(layer)
    if shadow is not None:
        d.text((x + shadow_offset[0], y + shadow_offset[1]), text, font=fnt, fill=shadow)
    d.text((x, y), text, font=fnt, fill=color)
    img.alpha_composite(layer)
    return (x + box[0], y + box[1], x + box[2], y + box[3])


def fit_font(maker, text, max_width, start, smallest=9):
    size = start
    while size > smallest and text_size(maker(size), text)[0] > max_width:
        size -= 1
    return maker(size)


def shape(size, draw_fn, color):
    """Renders draw_fn(ImageDraw, scale) supersampled as a single-colour anti-aliased layer."""
    w, h = size
    big = Image.new("L", (w * SS, h * SS), 0)
    draw_fn(ImageDraw.Draw(big), SS)
    mask = big.resize((w, h), Image.LANCZOS)
    return fill_mask(Image.new("RGBA", size, color), mask)


def greyscale(img, lift=0.45):
    """Desaturates a face and washes it towards light grey (the disabled look)."""
    alpha = img.getchannel("A")
    grey = img.convert("RGB").convert("L")
    grey = grey.point(lambda v: int(v + (225 - v) * lift))
    out = Image.merge("RGBA", (grey, grey, grey, alpha))
    return out


def clean_transparent(img):
    """Gives fully transparent pixels a neutral colour so they compress well and never fringe."""
    px = img.load()
    w, h = img.size
    for y in range(h):
        for x in range(w):
            if px[x, y][3] == 0:
                px[x, y] = (240, 240, 240, 0)
    return img


def save_png(img, path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if img.mode == "RGBA":
        clean_transparent(img)
    img.save(path, "PNG", optimize=True)
