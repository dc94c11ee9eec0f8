#!/usr/bin/env python3
"""Draws a mock of the main window from the generated skin, to judge the art in place.

    python3 tools/skin/preview.py /tmp/window.png [idle|ready|downloading|unpacking|finished]

The control rectangles follow the window's layout: template units scaled so that 355 x 350
units span 690 x 532 pixels; image buttons are their picture grown by 2 pixels a side.
"""

import os
import sys

try:
    from PIL import Image, ImageDraw, ImageFont
except ImportError:
    if os.path.exists("/usr/bin/python3") and os.path.realpath(sys.executable) != "/usr/bin/python3":
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    raise SystemExit("Pillow is missing: apt-get install python3-pil")

ROOT = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
RES = os.path.join(ROOT, "src", "ui", "res", "png")
IMAGES = os.path.join(ROOT, "data", "images")
FX, FY = 690 / 355.0, 532 / 350.0


def unit_rect(x, y, w, h):
    return (round(x * FX), round(y * FY), round(w * FX), round(h * FY))


def face(rid):
    return Image.open(os.path.join(RES, "%d.png" % rid)).convert("RGBA")


def put(win, img, rect):
    x, y, w, h = rect
    win.alpha_composite(img.resize((w, h), Image.BICUBIC), (x, y))


def button(win, rid, rect):
    x, y, w, h = rect
    put(win, face(rid), (x - 2, y - 2, w + 4, h + 4))


def main(argv):
    out = argv[1] if len(argv) > 1 else "/tmp/window.png"
    state = argv[2] if len(argv) > 2 else "idle"
    win = Image.new("RGBA", (700, 560), (240, 240, 240, 255))
    d = ImageDraw.Draw(win)
    gulim = ImageFont.truetype("/usr/share/fonts/truetype/nanum/NanumGothic.ttf", 13)
    arial = ImageFont.truetype("/usr/share/fonts/truetype/nanum/NanumGothic.ttf", 22)
    banner = Image.open(os.path.join(IMAGES, "tunova.png")).convert("RGBA")
    put(win, banner, (0, 0, 700, 320))
    button(win, 151, (20, 330, 220, 26))
    button(win, 139, (250, 330, 178, 26))
    button(win, 131, (510, 330, 158, 26))
    status = {"idle": "프로그램", "ready": "업데이트가 준비되었습니다.", "downloading": "다운로드 중..",
              "unpacking": "압축푸는 중", "finished": "곡업데이트 완료"}[state]
    x, y, w, h = unit_rect(14, 236, 103, 8)
    d.text((x, y), status, font=gulim, fill=(0, 0, 0))
    pct = {"downloading": "42.00MB / 100.00MB (42%)", "finished": "100.00MB / 100.00MB (100%)"}
    x, y, w, h = unit_rect(236, 236, 103, 8)
    text = pct.get(state, "0%")
    d.text((x + w - d.textlength(text, font=gulim), y), text, font=gulim, fill=(0, 0, 0))
    x, y, w, h = unit_rect(13, 250, 327, 6)
    d.rectangle((x, y, x + w, y + h), fill=(230, 230, 230), outline=(188, 188, 188))
    fill = {"downloading": 0.42, "unpacking": 1.0, "finished": 1.0}.get(state, 0.0)
    if fill:
        d.rectangle((x + 1, y + 1, x + int((w - 2) * fill), y + h - 1), fill=(6, 176, 37))
    if state == "downloading":
        put(win, face(166), (526, 420, 163, 86))
    elif state == "unpacking":
        put(win, face(167), (526, 420, 163, 86))
    put(win, face(161), (22, 426, 500, 94))
    for text, rect in (("저장된 곡 수", (111, 276, 52, 11)), ("업데이트 곡 수", (183, 275, 52, 11))):
        x, y, w, h = unit_rect(*rect)
        d.text((x, y + 2), text, font=gulim, fill=(0, 0, 0))
    for text, rect in (("12,345곡", (112, 291, 61, 13)), ("27곡", (182, 291, 61, 13))):
        x, y, w, h = unit_rect(*rect)
        d.text((x, y), text, font=arial, fill=(0, 0, 0))
    for text, rect in (("가상음원 체크", (15, 328, 57, 10)), ("Loop MIDI", (84, 328, 47, 10)),
                       ("KV Synth", (134, 328, 46, 10)), ("칸타빌레(설정파일)", (181, 328, 73, 10))):
        x, y, w, h = unit_rect(*rect)
        d.rectangle((x, y + 2, x + 12, y + 14), fill=(255, 255, 255), outline=(120, 120, 120))
        d.text((x + 17, y + 1), text, font=gulim, fill=(0, 0, 0))
    x, y, w, h = unit_rect(269, 313, 52, 11)
    d.text((x, y), "실행될 프로그램", font=gulim, fill=(0, 0, 0))
    x, y, w, h = unit_rect(269, 326, 70, 30)
    d.rectangle((x, y, x + w, y + 22), fill=(255, 255, 255), outline=(120, 120, 120))
    d.text((x + 4, y + 4), "tunova", font=gulim, fill=(0, 0, 0))
    if state in ("idle", "ready"):
        button(win, 160 if state == "ready" else 159, (526, 420, 163, 80))
    elif state == "finished":
        button(win, 158, (526, 420, 163, 80))
    win.convert("RGB").save(out)


if __name__ == "__main__":
    main(sys.argv)
