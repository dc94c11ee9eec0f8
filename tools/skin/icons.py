"""Small vector glyphs drawn as anti-aliased single-colour layers (white unless told)."""

import math

from PIL import Image

from skin_draw import bold, draw_text, hexrgb, pill, shape

WHITE = (255, 255, 255, 255)


def play(size, colour=WHITE):
    def fn(d, s):
        n = size * s
        d.polygon([(n * 0.12, n * 0.05), (n * 0.95, n * 0.5), (n * 0.12, n * 0.95)], fill=255)
    return shape((size, size), fn, colour)


def play_circle(size, inner):
    disc = shape((size, size), lambda d, s: d.ellipse((0, 0, size * s - 1, size * s - 1), fill=255),
                 WHITE)

    def tri(d, s):
        n = size * s
        d.polygon([(n * 0.38, n * 0.27), (n * 0.75, n * 0.5), (n * 0.38, n * 0.73)], fill=255)
    disc.alpha_composite(shape((size, size), tri, inner))
    return disc


def equaliser(size, colour=WHITE):
    heights = [0.55, 0.95, 0.7, 0.4]

    def fn(d, s):
        n = size * s
        bar = n / 5.5
        for i, h in enumerate(heights):
            x = i * bar * 1.45
            d.rounded_rectangle((x, n * (1 - h), x + bar, n - 1), radius=bar * 0.3, fill=255)
    return shape((size, size), fn, colour)


def download(size, colour=WHITE):
    def fn(d, s):
        n = size * s
        d.rectangle((n * 0.41, n * 0.05, n * 0.59, n * 0.5), fill=255)
        d.polygon([(n * 0.2, n * 0.42), (n * 0.8, n * 0.42), (n * 0.5, n * 0.75)], fill=255)
        d.rounded_rectangle((n * 0.08, n * 0.82, n * 0.92, n * 0.97), radius=n * 0.05, fill=255)
    return shape((size, size), fn, colour)


def unpack(size, colour=WHITE):
    """An open box with an arrow coming out of it."""
    def fn(d, s):
        n = size * s
        d.polygon([(n * 0.1, n * 0.5), (n * 0.9, n * 0.5), (n * 0.82, n * 0.97), (n * 0.18, n * 0.97)],
                  fill=255)
        d.polygon([(n * 0.02, n * 0.38), (n * 0.3, n * 0.5), (n * 0.1, n * 0.5)], fill=255)
        d.polygon([(n * 0.98, n * 0.38), (n * 0.7, n * 0.5), (n * 0.9, n * 0.5)], fill=255)
        d.rectangle((n * 0.43, n * 0.18, n * 0.57, n * 0.44), fill=255)
        d.polygon([(n * 0.26, n * 0.22), (n * 0.74, n * 0.22), (n * 0.5, n * 0.0)], fill=255)
    return shape((size, size), fn, colour)


def check(size, colour=WHITE):
    def fn(d, s):
        n = size * s
        d.line([(n * 0.12, n * 0.55), (n * 0.4, n * 0.82), (n * 0.9, n * 0.2)], fill=255,
               width=int(n * 0.16), joint="curve")
    return shape((size, size), fn, colour)


def refresh(size, colour=WHITE):
    def fn(d, s):
        n = size * s
        w = int(n * 0.14)
        d.arc((n * 0.1, n * 0.1, n * 0.9, n * 0.9), 40, 330, fill=255, width=w)
        d.polygon([(n * 0.6, n * 0.02), (n * 0.98, n * 0.2), (n * 0.66, n * 0.42)], fill=255)
    return shape((size, size), fn, colour)


def gift(size, colour=WHITE):
    def fn(d, s):
        n = size * s
        d.rectangle((n * 0.08, n * 0.3, n * 0.92, n * 0.5), fill=255)
        d.rectangle((n * 0.15, n * 0.55, n * 0.85, n * 0.98), fill=255)
        d.ellipse((n * 0.18, n * 0.02, n * 0.5, n * 0.3), outline=255, width=int(n * 0.1))
        d.ellipse((n * 0.5, n * 0.02, n * 0.82, n * 0.3), outline=255, width=int(n * 0.1))
    layer = shape((size, size), fn, colour)

    def ribbon(d, s):
        n = size * s
        d.rectangle((n * 0.44, n * 0.28, n * 0.56, n * 1.0), fill=255)
    cut = shape((size, size), ribbon, (0, 0, 0, 255)).getchannel("A")
    alpha = layer.getchannel("A").point(lambda v: v)
    alpha = Image.composite(Image.new("L", alpha.size, 0), alpha, cut.point(lambda v: 255 if v > 160 else 0))
    layer.putalpha(alpha)
    return layer


def star(size, colour=WHITE):
    def fn(d, s):
        n = size * s
        c = n / 2.0
        pts = []
        for i in range(10):
            r = n * (0.5 if i % 2 == 0 else 0.21)
            a = -math.pi / 2 + i * math.pi / 5
            pts.append((c + r * math.cos(a), c + 0.04 * n + r * math.sin(a)))
        d.polygon(pts, fill=255)
    return shape((size, size), fn, colour)


def list_icon(size, colour=WHITE):
    def fn(d, s):
        n = size * s
        for i in range(3):
            y = n * (0.14 + i * 0.32)
            d.ellipse((n * 0.02, y, n * 0.2, y + n * 0.18), fill=255)
            d.rounded_rectangle((n * 0.3, y + n * 0.03, n * 0.98, y + n * 0.15), radius=n * 0.05,
                                fill=255)
    return shape((size, size), fn, colour)


def note(size, colour=WHITE):
    """A beamed pair of eighth notes."""
    def fn(d, s):
        n = size * s
        d.ellipse((n * 0.02, n * 0.68, n * 0.36, n * 0.96), fill=255)
        d.ellipse((n * 0.56, n * 0.58, n * 0.9, n * 0.86), fill=255)
        d.rectangle((n * 0.26, n * 0.16, n * 0.34, n * 0.82), fill=255)
        d.rectangle((n * 0.8, n * 0.06, n * 0.88, n * 0.72), fill=255)
        d.polygon([(n * 0.26, n * 0.16), (n * 0.88, n * 0.04), (n * 0.88, n * 0.2), (n * 0.26, n * 0.32)],
                  fill=255)
    return shape((size, size), fn, colour)


def badge(img, text, pos, colour=0xE53935, text_size=9):
    """A small red pill with white text, centred horizontally on pos[0]."""
    fnt = bold(text_size)
    box = fnt.getbbox(text)
    h = text_size + 5
    w = box[2] - box[0] + h - 4
    b = pill((w, h), h // 2, [(0.0, hexrgb(colour)), (1.0, hexrgb(colour))], (255, 255, 255, 255))
    draw_text(b, text, fnt, WHITE, center=(w / 2.0, h / 2.0))
    img.alpha_composite(b, (int(pos[0] - w / 2), pos[1]))
