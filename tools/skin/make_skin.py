#!/usr/bin/env python3
"""Generates the launcher's skin: button faces, panels, the icon, the Qt resource file and the
demo installation's banner pictures. Output is committed; run again after changing the art.

    python3 tools/skin/make_skin.py [--sheet /tmp/skin_sheet.png]
"""

import os
import sys

try:
    import PIL  # noqa: F401
except ImportError:
    # A Python from pyenv or a venv may lack Debian's python3-pil; the system one has it.
    if os.path.exists("/usr/bin/python3") and os.path.realpath(sys.executable) != "/usr/bin/python3":
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    raise SystemExit("Pillow is missing: apt-get install python3-pil")

sys.dont_write_bytecode = True  # keep the source tree free of __pycache__
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import banners  # noqa: E402
import buttons  # noqa: E402
import panels  # noqa: E402
from skin_draw import save_png  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
RES = os.path.join(ROOT, "src", "ui", "res")
IMAGES = os.path.join(ROOT, "data", "images")
ICON_ID = 147


def write_pictures():
    pictures = {}
    pictures.update(buttons.all_faces())
    pictures.update(panels.all_panels())
    for rid in sorted(pictures):
        save_png(pictures[rid], os.path.join(RES, "png", "%d.png" % rid))
    icon = banners.app_icon(256)
    save_png(icon.copy(), os.path.join(RES, "icon", "orvik.png"))
    save_png(banners.app_icon(48), os.path.join(RES, "icon", "orvik_48.png"))
    return pictures, icon


def write_qrc(ids):
    lines = ['<!DOCTYPE RCC>', '<RCC version="1.0">', '<qresource prefix="/">']
    for rid in sorted(ids):
        lines.append('  <file alias="png/%d.png">png/%d.png</file>' % (rid, rid))
    lines.append('  <file alias="icon/orvik.png">icon/orvik.png</file>')
    lines.append('  <file alias="icon/orvik_48.png">icon/orvik_48.png</file>')
    lines.append('  <file alias="icon/%d.png">icon/orvik.png</file>' % ICON_ID)
    lines += ['</qresource>', '</RCC>', '']
    with open(os.path.join(RES, "skin.qrc"), "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines))


def write_banners():
    from PIL import Image

    os.makedirs(IMAGES, exist_ok=True)
    out = {}
    out["default.jpg"] = banners.default_banner()
    out["default.jpg"].save(os.path.join(IMAGES, "default.jpg"), "JPEG", quality=88,
                            optimize=True)
    out["3.png"] = banners.promo_banner()
    out["3_default.png"] = banners.guide_picture()
    for key in banners.SERVICES:
        out[key + ".png"] = banners.service_banner(key)
    for name, img in out.items():
        if name.endswith(".png"):
            # Gradients quantised to 256 colours band visibly; an adaptive palette with
            # dithering keeps them smooth at a third of the size.
            palette = img.quantize(256, method=Image.Quantize.MEDIANCUT)
            save_png(img.quantize(palette=palette, dither=Image.Dither.FLOYDSTEINBERG),
                     os.path.join(IMAGES, name))
    return out


def contact_sheet(pictures, icon, banner_pics, path):
    from PIL import Image, ImageDraw

    from skin_draw import regular
    bg = (240, 240, 240, 255)
    width = 1420
    sheet = Image.new("RGBA", (width, 2400), bg)
    d = ImageDraw.Draw(sheet)
    x, y, row_h = 10, 10, 0
    for rid in sorted(pictures):
        img = pictures[rid]
        scale = 2 if img.size[0] <= 240 else 1
        shown = img.resize((img.size[0] * scale, img.size[1] * scale), 0)
        if x + shown.size[0] + 10 > width:
            x, y, row_h = 10, y + row_h + 26, 0
        sheet.alpha_composite(shown, (x, y + 18))
        d.text((x, y), str(rid), font=regular(13), fill=(0, 0, 0, 255))
        x += shown.size[0] + 14
        row_h = max(row_h, shown.size[1] + 18)
    y += row_h + 30
    sheet.alpha_composite(icon, (10, y))
    sheet.alpha_composite(banners.app_icon(48), (280, y))
    y += 270
    x = 10
    for name, img in banner_pics.items():
        thumb = img.convert("RGBA")
        if name == "3_default.png":
            thumb = thumb.resize((240, 300))
        if x + thumb.size[0] > width:
            x, y = 10, y + 350
        d.text((x, y), name, font=regular(13), fill=(0, 0, 0, 255))
        sheet.alpha_composite(thumb, (x, y + 18))
        x += thumb.size[0] + 14
    sheet = sheet.crop((0, 0, width, min(2400, y + 350)))
    sheet.convert("RGB").save(path)


def main(argv):
    pictures, icon = write_pictures()
    write_qrc(pictures.keys())
    banner_pics = write_banners()
    if len(argv) > 2 and argv[1] == "--sheet":
        contact_sheet(pictures, icon, banner_pics, argv[2])
    print("wrote %d pictures to %s and %d to %s" % (len(pictures) + 2, RES, len(banner_pics), IMAGES))


if __name__ == "__main__":
    main(sys.argv)
