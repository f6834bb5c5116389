#!/usr/bin/env python3
"""Draws the skin's artwork into skin/img/ as PNG files.

Deterministic: the same script always writes the same bytes, using only the
standard library (zlib and struct). Run it after changing a picture and commit
the PNG files; the build only packs them.

Colours follow the skins: background #17212E, accent #2BA2F9, text #A4B8C8.
Every state strip (close button, scroll thumb, buttons) has visibly different
normal, hot and pushed cells.
"""
import math
import os
import struct
import sys
import zlib


def png_bytes(width, height, pixels):
    """pixels: list of rows, each a list of (r, g, b, a) tuples."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)  # filter type None keeps the output reproducible
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
            chunk(b"IEND", b""))


def hex_rgb(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def mix(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def canvas(width, height, colour=(0, 0, 0, 0)):
    return [[colour for _ in range(width)] for _ in range(height)]


def blend(pixels, x, y, rgb, alpha):
    """Source-over of an RGB colour with coverage alpha (0..1) onto one pixel."""
    if alpha <= 0:
        return
    alpha = min(alpha, 1.0)
    r, g, b, a = pixels[y][x]
    da = a / 255.0
    oa = alpha + da * (1 - alpha)
    if oa <= 0:
        return
    out = [int(round((c * alpha + d * da * (1 - alpha)) / oa)) for c, d in zip(rgb, (r, g, b))]
    pixels[y][x] = (out[0], out[1], out[2], int(round(oa * 255)))


def rounded_rect(pixels, left, top, right, bottom, radius, rgb, alpha=1.0):
    """Fills [left, right) x [top, bottom) with rounded corners, anti-aliased."""
    for y in range(top, bottom):
        for x in range(left, right):
            cx = min(max(x + 0.5, left + radius), right - radius)
            cy = min(max(y + 0.5, top + radius), bottom - radius)
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            coverage = min(max(radius - d + 0.5, 0.0), 1.0) if radius > 0 else 1.0
            blend(pixels, x, y, rgb, coverage * alpha)


def segment(pixels, x0, y0, x1, y1, width, rgb, clip):
    """An anti-aliased line of the given width, only inside clip = (l, t, r, b)."""
    l, t, r, b = clip
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy
    for y in range(t, b):
        for x in range(l, r):
            px, py = x + 0.5, y + 0.5
            u = max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / length2))
            d = math.hypot(px - (x0 + u * dx), py - (y0 + u * dy))
            blend(pixels, x, y, rgb, min(max(width / 2 - d + 0.5, 0.0), 1.0))


BACKGROUND = hex_rgb("#17212E")
ACCENT = hex_rgb("#2BA2F9")
TEXT = hex_rgb("#A4B8C8")
WHITE = (255, 255, 255)


def pic_bg():
    # 500 x 310, the update window's client area: a dark vertical gradient with
    # a faint accent glow behind the title row and a soft band near the bottom.
    w, h = 500, 310
    top, bottom = mix(BACKGROUND, (40, 56, 76), 0.35), mix(BACKGROUND, (8, 12, 18), 0.35)
    px = canvas(w, h)
    for y in range(h):
        base = mix(top, bottom, y / (h - 1))
        for x in range(w):
            glow = max(0.0, 1.0 - math.hypot((x - 60) / 260.0, (y - 10) / 90.0)) * 0.18
            c = mix(base, ACCENT, glow)
            px[y][x] = (c[0], c[1], c[2], 255)
    return w, h, px


def icon_logo():
    # 16 x 16: an accent disc with a white upward arrow (the update mark).
    w = h = 16
    px = canvas(w, h)
    for y in range(h):
        for x in range(w):
            d = math.hypot(x + 0.5 - 8, y + 0.5 - 8)
            blend(px, x, y, ACCENT, min(max(7.5 - d + 0.5, 0.0), 1.0))
    clip = (0, 0, w, h)
    segment(px, 8, 12, 8, 4.5, 2.0, WHITE, clip)
    segment(px, 8, 4, 4.8, 7.5, 2.0, WHITE, clip)
    segment(px, 8, 4, 11.2, 7.5, 2.0, WHITE, clip)
    return w, h, px


def icon_close():
    # 56 x 28: normal cell (0..28) a text-coloured cross; hot cell (28..56) a
    # white cross on a red rounded square, used for hot and pushed alike.
    w, h = 56, 28
    px = canvas(w, h)
    segment(px, 9, 9, 19, 19, 1.6, TEXT, (0, 0, 28, 28))
    segment(px, 19, 9, 9, 19, 1.6, TEXT, (0, 0, 28, 28))
    rounded_rect(px, 30, 2, 54, 26, 4, hex_rgb("#E0434B"))
    segment(px, 37, 9, 47, 19, 1.8, WHITE, (28, 0, 56, 28))
    segment(px, 47, 9, 37, 19, 1.8, WHITE, (28, 0, 56, 28))
    return w, h, px


def icon_vscrollbar():
    # 12 x 60: normal thumb (0..6) muted slate, hot thumb (6..12) accent blue.
    w, h = 12, 60
    px = canvas(w, h)
    rounded_rect(px, 0, 0, 6, 60, 3, hex_rgb("#4A5C70"))
    rounded_rect(px, 6, 0, 12, 60, 3, ACCENT)
    return w, h, px


def button(normal, hot, pushed, border):
    # 120 x 108: three 120 x 36 cells stacked, normal, hot, pushed.
    w, h = 120, 108
    px = canvas(w, h)
    for i, fill in enumerate((normal, hot, pushed)):
        top = i * 36
        if border is not None:
            rounded_rect(px, 0, top, 120, top + 36, 4, border)
            rounded_rect(px, 1, top + 1, 119, top + 35, 3, fill)
        else:
            rounded_rect(px, 0, top, 120, top + 36, 4, fill)
        # A light top edge on normal and hot, none on pushed, so that the
        # pushed state reads as pressed in.
        if i < 2:
            for x in range(4, 116):
                blend(px, x, top + 1, WHITE, 0.12)
    return w, h, px


PICTURES = {
    "pic_bg.png": pic_bg,
    "icon_logo.png": icon_logo,
    "icon_close.png": icon_close,
    "icon_vscrollbar.png": icon_vscrollbar,
    "buttonA.png": lambda: button(ACCENT, hex_rgb("#5AB8FF"), hex_rgb("#1A7FCC"), None),
    "buttonB.png": lambda: button(hex_rgb("#263447"), hex_rgb("#33465E"), hex_rgb("#1C2736"), hex_rgb("#3E526A")),
}


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "skin", "img")
    os.makedirs(out, exist_ok=True)
    for name, draw in PICTURES.items():
        w, h, px = draw()
        with open(os.path.join(out, name), "wb") as f:
            f.write(png_bytes(w, h, px))


if __name__ == "__main__":
    main()
