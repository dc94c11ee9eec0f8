"""Panel and status pictures the window paints itself (161 to 168)."""

from PIL import Image, ImageDraw

import icons
from skin_draw import (bold, draw_text, fill_mask, hexrgb, pill, regular, ring,
                       rounded_mask, shape, text_size, vgradient)

# The window draws 161 at 22,426. Its labels land, relative to the panel, roughly at:
# captions "저장된 곡 수" / "업데이트 곡 수" at y -8..10 (above the frame), the two counts at
# x 196..314 and 332..450, y 16..36, and the option check boxes along y 72..88.
INFO_FRAME_TOP = 12
COUNT_WELLS = ((188, 320), (326, 458))


def info_panel(tint=0x3F7FD0):
    """161: frame under the song counts and the option check boxes; light so the labels read."""
    w, h = 500, 94
    img = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    fh = h - INFO_FRAME_TOP
    frame = pill((w, fh), 10, [(0.0, hexrgb(0xFDFDFD)), (1.0, hexrgb(0xEEF1F5))], hexrgb(0xB9C3D0))
    img.alpha_composite(frame, (0, INFO_FRAME_TOP))
    # Accent stripe down the left edge.
    stripe = fill_mask(vgradient((w, fh), [(0.0, hexrgb(tint)), (1.0, hexrgb(tint, 200))]),
                       rounded_mask((w, fh), 10, 0))
    clip = Image.new("L", (w, fh), 0)
    ImageDraw.Draw(clip).rectangle((0, 0, 5, fh), fill=255)
    stripe.putalpha(Image.composite(stripe.getchannel("A"), clip, clip))
    img.alpha_composite(stripe, (0, INFO_FRAME_TOP))
    # Recessed wells behind the two counts.
    for x0, x1 in COUNT_WELLS:
        size = (x1 - x0, 30)
        well = pill(size, 6, [(0.0, hexrgb(0xE9EDF2)), (1.0, hexrgb(0xFFFFFF))], hexrgb(0xC3CBD6),
                    inset_shadow=True)
        img.alpha_composite(well, (x0, INFO_FRAME_TOP + 2))
    # Title block on the free left side.
    badge = shape((30, 30), lambda d, s: d.ellipse((0, 0, 30 * s - 1, 30 * s - 1), fill=255),
                  hexrgb(tint))
    badge.alpha_composite(icons.note(18), (6, 7))
    img.alpha_composite(badge, (18, INFO_FRAME_TOP + 8))
    draw_text(img, "곡 현황", bold(15), hexrgb(0x2B3A4E), pos=(56, INFO_FRAME_TOP + 9))
    draw_text(img, "Orvik 신곡 관리", regular(11), hexrgb(0x6A7A8E), pos=(56, INFO_FRAME_TOP + 29))
    # Separator above the option row.
    sep = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    d = ImageDraw.Draw(sep)
    d.line((14, 63, w - 14, 63), fill=hexrgb(0xD3D9E1))
    d.line((14, 64, w - 14, 64), fill=hexrgb(0xFFFFFF))
    img.alpha_composite(sep)
    return img


def plain_panel(size, top, bottom, border, radius=10, gloss=70):
    return pill(size, radius, [(0.0, hexrgb(top)), (1.0, hexrgb(bottom))], hexrgb(border),
                highlight=(255, 255, 255, gloss))


def status_picture(title, subtitle, icon, top, bottom, border, stripes=True):
    """A 163 x 86 status picture shown in place of the update button.

    The content stays in the upper 56 pixels: the caption of the program list overlaps the
    lower part, which is a light tray so that caption stays readable.
    """
    size = (163, 86)
    img = plain_panel(size, top, bottom, border, radius=14, gloss=40)
    tray = Image.new("RGBA", size, (0, 0, 0, 0))
    ImageDraw.Draw(tray).rectangle((0, 58, size[0], size[1]), fill=(255, 255, 255, 220))
    if stripes:
        def fn(d, s):
            for i in range(-2, 20):
                x = i * 14 * s
                d.polygon([(x, 86 * s), (x + 6 * s, 86 * s), (x + 22 * s, 58 * s),
                           (x + 16 * s, 58 * s)], fill=255)
        tray.alpha_composite(shape(size, fn, hexrgb(bottom, 40)))
    img.alpha_composite(fill_mask(tray, rounded_mask(size, 14, 1.0)))
    edge = Image.new("RGBA", size, (0, 0, 0, 0))
    ImageDraw.Draw(edge).line((1, 58, size[0] - 2, 58), fill=hexrgb(border, 160))
    img.alpha_composite(edge)
    img.alpha_composite(ring(size, 14, 1.0, hexrgb(border)))
    fnt = bold(18)
    tw = text_size(fnt, title)[0]
    x0 = int((size[0] - (icon.size[0] + 6 + tw)) / 2)
    img.alpha_composite(icon, (x0, 20 - icon.size[1] // 2))
    draw_text(img, title, fnt, (255, 255, 255, 255), center=(x0 + icon.size[0] + 6 + tw / 2.0, 20),
              shadow=(0, 0, 0, 90))
    draw_text(img, subtitle, bold(11), (255, 255, 255, 240), center=(81, 43),
              shadow=(0, 0, 0, 110))
    return img


def strip(size=(690, 24)):
    img = plain_panel(size, 0xF7F9FC, 0xE3E8EF, 0xC3CBD6, radius=8)
    for i in range(5):
        dot = shape((6, 6), lambda d, s: d.ellipse((0, 0, 6 * s - 1, 6 * s - 1), fill=255),
                    hexrgb(0x8FA6C4))
        img.alpha_composite(dot, (size[0] // 2 - 30 + i * 13, (size[1] - 6) // 2))
    return img


def all_panels():
    panels = {}
    panels[161] = info_panel()
    # 162: a spare information frame in the same shape, neutral.
    panels[162] = info_panel(tint=0x8795A8)
    panels[163] = strip((690, 24))
    panels[164] = status_picture("확인 중", "신곡 정보를 확인합니다", icons.refresh(20),
                                 0x4F8FDB, 0x2C64B0, 0x234F8C)
    panels[165] = status_picture("업데이트 완료", "최신 곡이 준비되었습니다", icons.check(20),
                                 0x3DAF78, 0x1F8552, 0x186B42, stripes=False)
    panels[166] = status_picture("다운로드 중", "신곡을 받고 있습니다", icons.download(20),
                                 0x4A8DE0, 0x2761B3, 0x1F4F92)
    panels[167] = status_picture("압축푸는 중", "곡 파일을 설치합니다", icons.unpack(20),
                                 0xF39A2E, 0xCF6510, 0xA8520B)
    panels[168] = plain_panel((163, 86), 0xFBFCFD, 0xE8ECF1, 0xC3CBD6, radius=14)
    return panels

