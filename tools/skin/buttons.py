"""Image button faces: service selectors, event buttons, run and update buttons."""

from PIL import Image

import icons
from skin_draw import bold, draw_text, fit_font, hexrgb, pill, text_size

WHITE = (255, 255, 255, 255)
DARK_TEXT_SHADOW = (0, 0, 0, 90)

# Colour schemes: (top, bottom, border) for normal and down faces.
BLUE = dict(normal=(0x5DA0EC, 0x2F6FC4, 0x235AA3), down=(0x23528F, 0x1B4275, 0x122F57))
GREEN = dict(normal=(0x4CC38A, 0x23955D, 0x1B7A4B), down=(0x1E6E47, 0x175A39, 0x0F3F27))
ORANGE = dict(normal=(0xFFAE4A, 0xE9801A, 0xC96A0E), down=(0xC9690F, 0xA9560A, 0x7E3F06))
TEAL = dict(normal=(0x3EC1C9, 0x1E8E9C, 0x17737F), down=(0x17707B, 0x125B64, 0x0C4148))
PURPLE = dict(normal=(0x9A7BE3, 0x6A4BC0, 0x573AA3), down=(0x4E3596, 0x402B7C, 0x2D1E59))
GREY = (0xE4E4E4, 0xCDCDCD, 0xAFAFAF)


def _face(size, colours, down=False, radius=None):
    top, bottom, border = (hexrgb(c) for c in colours)
    if radius is None:
        radius = min(size[1] // 2, 9)
    if down:
        return pill(size, radius, [(0.0, top), (1.0, bottom)], border, inset_shadow=True)
    gloss = (255, 255, 255, 90)
    return pill(size, radius, [(0.0, top), (1.0, bottom)], border, highlight=gloss)


def _caption(img, text, fnt, colour, centre, shadow=DARK_TEXT_SHADOW):
    return draw_text(img, text, fnt, colour, center=centre, shadow=shadow)


def _icon_caption(img, icon, text, fnt, colour, centre_y, shadow=DARK_TEXT_SHADOW, gap=6,
                  icon_colour=WHITE):
    """Icon and caption centred together as one row; icon_colour None keeps the icon's colours."""
    tw = text_size(fnt, text)[0]
    iw = icon.size[0]
    x0 = (img.size[0] - (iw + gap + tw)) // 2
    tinted = icon
    if icon_colour is not None:
        tinted = Image.new("RGBA", icon.size, icon_colour)
        tinted.putalpha(icon.getchannel("A"))
    img.alpha_composite(tinted, (x0, int(round(centre_y - icon.size[1] / 2.0))))
    _caption(img, text, fnt, colour, (x0 + iw + gap + tw / 2.0, centre_y), shadow)


def service_faces(name):
    """Normal, down (selected) and disabled faces of a 122 x 28 service button."""
    size = (122, 28)
    fnt = fit_font(bold, name, 100, 14)
    normal = _face(size, BLUE["normal"])
    _caption(normal, name, fnt, WHITE, (61, 14))
    down = _face(size, BLUE["down"], down=True)
    tri = icons.play(9)
    _icon_caption(down, tri, name, fnt, WHITE, 15, gap=5)
    disabled = _face(size, GREY, down=False)
    _caption(disabled, name, fnt, hexrgb(0x8A8A8A), (61, 14), shadow=(255, 255, 255, 200))
    return normal, down, disabled


def event_face(size, text, scheme, icon):
    img = _face(size, scheme["normal"])
    fnt = fit_font(bold, text, size[0] - 40, 14)
    _icon_caption(img, icon, text, fnt, WHITE, size[1] / 2.0 + 0.5)
    return img


def _big_face(colours, down, icon, title, subtitle, title_size=22, icon_colour=WHITE):
    size = (163, 80)
    img = _face(size, colours, down=down, radius=14)
    fnt = fit_font(bold, title, 150 - (icon.size[0] + 8 if icon else 0), title_size)
    y = 33 if subtitle else 40
    if down:
        y += 1
    if icon is not None:
        _icon_caption(img, icon, title, fnt, WHITE, y, gap=8, icon_colour=icon_colour)
    else:
        _caption(img, title, fnt, WHITE, (81, y))
    if subtitle:
        sub = fit_font(bold, subtitle, 146, 12)
        _caption(img, subtitle, sub, (255, 255, 255, 225), (81, y + 25), shadow=(0, 0, 0, 70))
    return img


def run_faces():
    """158: ready to run; 169: the player is running (checked)."""
    normal = _big_face(GREEN["normal"], False, icons.play_circle(30, hexrgb(0x23955D)), "실행",
                       "노래방 프로그램 시작", title_size=26,
                       icon_colour=None)
    down = _big_face(GREEN["down"], True, icons.equaliser(24), "실행 중", "프로그램이 실행 중입니다")
    return normal, down


def update_faces():
    """159: song update; 160: an update is ready to install (checked)."""
    normal = _big_face(BLUE["normal"], False, icons.download(26), "곡 업데이트", "신곡 확인 및 받기")
    down = _big_face(ORANGE["down"], True, icons.download(26), "업데이트 준비됨",
                     "눌러서 신곡 받기", title_size=16)
    icons.badge(down, "NEW", (134, 6))
    return normal, down


def all_faces():
    """Every button face by resource id."""
    faces = {}
    services = [  # (normal, down, disabled) ids and display name
        ((138, 137, 154), "Tunova H/L"),
        ((146, 145, 156), "TunovaUSB"),
        ((136, 135, 153), "Tunova"),
        ((142, 141, 155), "TunovaNew"),
        ((144, 143, 157), "TunovaPro"),
    ]
    for ids, name in services:
        for rid, img in zip(ids, service_faces(name)):
            faces[rid] = img
    faces[151] = event_face((220, 26), "업데이트 이벤트", TEAL, icons.gift(16))
    faces[139] = event_face((178, 26), "설치 이벤트", PURPLE, icons.star(16))
    faces[131] = event_face((158, 26), "곡 리스트 만들기", ORANGE, icons.list_icon(16))
    faces[158], faces[169] = run_faces()
    faces[159], faces[160] = update_faces()
    return faces

