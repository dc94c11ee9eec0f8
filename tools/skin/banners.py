"""Banner pictures of the demo installation (bin/images) and the application icon."""

import math
import random

from PIL import Image, ImageDraw, ImageFilter

import icons
from skin_draw import (bold, dgradient, draw_text, fill_mask, hexrgb, logo, pill, regular,
                       rounded_mask, shape, text_size)

BANNER = (690, 320)
WHITE = (255, 255, 255, 255)

# key: (display name, tagline, gradient start, gradient end, badge)
SERVICES = {
    "tunova": ("Tunova", "언제 어디서나 즐거운 노래 한 곡", 0x3A7BD5, 0x3A1C71, None),
    "tunovaHL": ("Tunova H/L", "매주 업데이트되는 최신 인기곡", 0x11998E, 0x1F4E8C, None),
    "tunovaUSB": ("TunovaUSB", "USB 하나로 간편한 신곡 업데이트", 0xF7971E, 0xC2185B, None),
    "tunovaNEW": ("TunovaNew", "새로워진 튜노바를 만나 보세요", 0x38B26C, 0x0F5E6E, "NEW"),
    "tunovaPRO": ("TunovaPro", "무대를 위한 고품질 반주", 0x7F53C9, 0x1B1F4B, "PRO"),
    "tunovaPRONEW": ("TunovaPro", "한층 새로워진 프로 반주기", 0xD6408F, 0x3F1D78, "NEW"),
}


def _bokeh(img, seed, count=18):
    """Soft translucent circles, placed by a fixed seed so every run draws the same picture."""
    rnd = random.Random(seed)
    w, h = img.size
    layer = Image.new("L", (w, h), 0)
    d = ImageDraw.Draw(layer)
    for _ in range(count):
        r = rnd.randint(12, 70)
        x = rnd.randint(w // 3, w + 20)
        y = rnd.randint(-20, h + 20)
        d.ellipse((x - r, y - r, x + r, y + r), fill=rnd.randint(14, 40))
    layer = layer.filter(ImageFilter.GaussianBlur(3))
    white = Image.new("RGBA", (w, h), WHITE)
    white.putalpha(layer)
    img.alpha_composite(white)


def _waves(img, seed):
    w, h = img.size

    def fn(d, s):
        rnd = random.Random(seed)
        for k in range(3):
            base = h * (0.62 + 0.1 * k)
            amp = 14 + 6 * k
            phase = rnd.random() * 6.28
            pts = [(x * s, (base + amp * math.sin(x / 90.0 + phase)) * s) for x in range(0, w + 10, 6)]
            d.line(pts, fill=255, width=int(2 * s))
    img.alpha_composite(shape((w, h), fn, (255, 255, 255, 60)))


def _microphone(size, colour=WHITE):
    def fn(d, s):
        n = size * s
        d.ellipse((n * 0.3, n * 0.0, n * 0.7, n * 0.4), fill=255)
        d.polygon([(n * 0.33, n * 0.3), (n * 0.67, n * 0.3), (n * 0.56, n * 0.98), (n * 0.44, n * 0.98)],
                  fill=255)
    mic = shape((size, size), fn, colour)
    grille = shape((size, size), lambda d, s: [
        d.line((size * s * 0.3, size * s * y, size * s * 0.7, size * s * y), fill=255, width=int(s * 1.5))
        for y in (0.12, 0.2, 0.28)], (0, 0, 0, 255)).getchannel("A")
    alpha = mic.getchannel("A")
    mic.putalpha(Image.composite(Image.new("L", mic.size, 0), alpha, grille.point(lambda v: 255 if v > 128 else 0)))
    return mic


def _base(c0, c1, seed):
    img = dgradient(BANNER, hexrgb(c0), hexrgb(c1))
    _bokeh(img, seed)
    _waves(img, seed + 1)
    return img


def _title_block(img, tagline, name=None, badge=None):
    t = draw_text(img, "Orvik", logo(64), WHITE, pos=(44, 56), shadow=(0, 0, 0, 70),
                  shadow_offset=(0, 3))
    draw_text(img, tagline, bold(25), WHITE, pos=(46, t[3] + 26), shadow=(0, 0, 0, 80),
              shadow_offset=(0, 2))
    if name:
        fnt = bold(20)
        tw = text_size(fnt, name)[0]
        pw = tw + 36 + (52 if badge else 0)
        label = pill((pw, 38), 19, [(0.0, (255, 255, 255, 235)), (1.0, (255, 255, 255, 215))],
                     (255, 255, 255, 255))
        draw_text(label, name, fnt, hexrgb(0x23324A), center=(18 + tw / 2.0, 19))
        if badge:
            icons.badge(label, badge, (pw - 38, 10), text_size=13)
        img.alpha_composite(label, (44, 238))


def _art(img, seed):
    """Microphone and notes on the right side."""
    glow = Image.new("L", img.size, 0)
    ImageDraw.Draw(glow).ellipse((470, 50, 650, 230), fill=70)
    glow = glow.filter(ImageFilter.GaussianBlur(24))
    white = Image.new("RGBA", img.size, WHITE)
    white.putalpha(glow)
    img.alpha_composite(white)
    mic = _microphone(150)
    img.alpha_composite(mic, (485, 70))
    rnd = random.Random(seed)
    for (x, y, size) in ((440, 60, 46), (620, 180, 38), (600, 40, 30)):
        n = icons.note(size + rnd.randint(-4, 4), (255, 255, 255, 210))
        img.alpha_composite(n, (x, y))


def service_banner(key):
    name, tagline, c0, c1, badge = SERVICES[key]
    seed = sum(ord(c) for c in key)
    img = _base(c0, c1, seed)
    _art(img, seed)
    _title_block(img, tagline, name, badge)
    return img.convert("RGB")


def default_banner():
    img = _base(0x4B6CB7, 0x182848, 7)
    _art(img, 7)
    _title_block(img, "노래방 신곡 관리 프로그램", "신곡을 가장 빠르게")
    return img.convert("RGB")


def promo_banner():
    """3.png: the second picture of every installation; a click opens 3_default.png."""
    img = _base(0xFF6A88, 0x6A3093, 33)
    _art(img, 33)
    t = draw_text(img, "이달의 신곡", bold(52), WHITE, pos=(44, 58), shadow=(0, 0, 0, 80),
                  shadow_offset=(0, 3))
    draw_text(img, "곡 업데이트 한 번으로 최신 인기곡을 바로 부르세요", bold(20), WHITE,
              pos=(46, t[3] + 24), shadow=(0, 0, 0, 80))
    fnt = bold(18)
    text = "클릭하면 업데이트 방법을 볼 수 있습니다"
    tw = text_size(fnt, text)[0]
    label = pill((tw + 40, 38), 19, [(0.0, (255, 255, 255, 235)), (1.0, (255, 255, 255, 215))], WHITE)
    draw_text(label, text, fnt, hexrgb(0x6A3093), center=(20 + tw / 2.0, 19))
    img.alpha_composite(label, (44, 238))
    return img.convert("RGB")


def guide_picture():
    """3_default.png: the how-to page opened from the second banner picture."""
    w, h = 720, 900
    img = dgradient((w, h), hexrgb(0xFF6A88), hexrgb(0x6A3093))
    _bokeh(img, 99, count=24)
    draw_text(img, "Orvik", logo(56), WHITE, center=(w / 2, 80), shadow=(0, 0, 0, 70),
              shadow_offset=(0, 3))
    draw_text(img, "신곡 업데이트 안내", bold(40), WHITE, center=(w / 2, 160), shadow=(0, 0, 0, 80),
              shadow_offset=(0, 2))
    steps = [
        ("1", "곡 업데이트", "신곡이 있으면 오른쪽 아래 버튼이", "'업데이트 준비됨'으로 바뀝니다."),
        ("2", "다운로드와 설치", "버튼을 누르면 신곡을 받고 압축을 풉니다.", "끝날 때까지 잠시 기다려 주세요."),
        ("3", "곡 리스트 만들기", "'곡 리스트 만들기'를 눌러 목록을", "새로 만들면 신곡을 부를 수 있습니다."),
    ]
    y = 230
    for num, title, line1, line2 in steps:
        card = pill((620, 180), 22, [(0.0, (255, 255, 255, 240)), (1.0, (255, 255, 255, 225))], WHITE)
        disc = shape((64, 64), lambda d, s: d.ellipse((0, 0, 64 * s - 1, 64 * s - 1), fill=255),
                     hexrgb(0x8E3B9E))
        draw_text(disc, num, bold(34), WHITE, center=(32, 32))
        card.alpha_composite(disc, (34, 58))
        draw_text(card, title, bold(28), hexrgb(0x3A1C54), pos=(124, 36))
        draw_text(card, line1, regular(20), hexrgb(0x4A4A5A), pos=(124, 90))
        draw_text(card, line2, regular(20), hexrgb(0x4A4A5A), pos=(124, 124))
        img.alpha_composite(card, (50, y))
        y += 205
    return img.convert("RGB")


def app_icon(size=256):
    """Rounded square, diagonal gradient, white ring with a pair of notes."""
    s = size / 256.0
    img = fill_mask(dgradient((size, size), hexrgb(0x4F8EF0), hexrgb(0x6A3FB8)),
                    rounded_mask((size, size), 52 * s, 6 * s))
    gloss = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    ImageDraw.Draw(gloss).ellipse((-60 * s, -190 * s, 316 * s, 120 * s), fill=(255, 255, 255, 38))
    img.alpha_composite(fill_mask(gloss, rounded_mask((size, size), 52 * s, 6 * s)))

    def ring_fn(d, k):
        n = size * k
        d.ellipse((n * 0.16, n * 0.16, n * 0.84, n * 0.84), outline=255, width=int(n * 0.07))
    img.alpha_composite(shape((size, size), ring_fn, WHITE))
    note = icons.note(int(118 * s))
    img.alpha_composite(note, (int(66 * s), int(70 * s)))
    return img


__all__ = ["SERVICES", "app_icon", "default_banner", "guide_picture", "promo_banner",
           "service_banner"]
