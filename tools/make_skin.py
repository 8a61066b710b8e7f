#!/usr/bin/env python3
"""Writes the window skin and the button pictures as SVG files.

Every button shares one tile and one stroke style, so the whole set is drawn
here from a single description instead of by hand file by file. The glyphs are
drawn on a 24-unit grid and scaled into the tile; stroke widths are given in
device pixels so thin lines stay equally crisp on 28 and 32 pixel tiles.

Run from anywhere:  python3 tools/make_skin.py
"""

import math
import os

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")

# Palette: dark slate with one blue accent.
INK = "#d7e1ec"          # glyph on an idle tile
INK_SOFT = "#8c9bab"     # secondary glyph parts
WHITE = "#ffffff"
ACCENT_TOP = "#4ea5ff"
ACCENT_BOTTOM = "#2a74d4"
ACCENT_EDGE = "#86c3ff"
TILE_TOP = "#3a4554"
TILE_BOTTOM = "#2d3642"
TILE_EDGE = "#4b596b"
RED = "#ff5b5b"
GREEN = "#39d98a"
BLUE = "#5aa9ff"
REC = "#ff4d4f"

FONT = "DejaVu Sans, Noto Sans, sans-serif"


def svg(width, height, body, defs=""):
    d = f"<defs>{defs}</defs>" if defs else ""
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
            f'viewBox="0 0 {width} {height}">{d}{body}</svg>\n')


def vgrad(gid, top, bottom, x1="0", y1="0", x2="0", y2="1"):
    return (f'<linearGradient id="{gid}" x1="{x1}" y1="{y1}" x2="{x2}" y2="{y2}">'
            f'<stop offset="0" stop-color="{top}"/><stop offset="1" stop-color="{bottom}"/>'
            f'</linearGradient>')


def dot(x, y, r=1.7, color="C"):
    return f'<circle cx="{x:.2f}" cy="{y:.2f}" r="{r}" fill="{color}" stroke="none"/>'


# --- glyphs on a 24 x 24 grid -------------------------------------------------
# "C" is the glyph colour, "S" the secondary colour, "K" the tile colour (for
# knock-outs). Everything is stroked unless it says otherwise.

def gear():
    teeth, r_out, r_in = 8, 9.0, 6.9
    pts = []
    for i in range(teeth * 4):
        a = (i / (teeth * 4)) * 2 * math.pi - math.pi / 2
        r = r_out if (i % 4) in (1, 2) else r_in
        pts.append(f"{12 + r * math.cos(a):.2f},{12 + r * math.sin(a):.2f}")
    return (f'<polygon points="{" ".join(pts)}" stroke-linejoin="round"/>'
            '<circle cx="12" cy="12" r="3"/>')


def on_circle(cx, cy, r, deg):
    a = math.radians(deg)
    return cx + r * math.cos(a), cy - r * math.sin(a)


def circle3():
    out = '<circle cx="12" cy="12" r="7.5"/>'
    for deg in (150, 30, 265):
        x, y = on_circle(12, 12, 7.5, deg)
        out += dot(x, y, 2.0)
    return out


def arc3():
    cx, cy, r = 12, 17, 9
    a, b, c = on_circle(cx, cy, r, 160), on_circle(cx, cy, r, 90), on_circle(cx, cy, r, 20)
    return (f'<path d="M{a[0]:.2f} {a[1]:.2f}A{r} {r} 0 0 1 {c[0]:.2f} {c[1]:.2f}"/>'
            f'<path d="M{a[0]:.2f} {a[1]:.2f}H{c[0]:.2f}" stroke="S" stroke-dasharray="1.5 2"/>'
            + dot(*a, 2.0) + dot(*b, 2.0) + dot(*c, 2.0))


def angle3():
    vx, vy = 4.5, 18.5
    ex, ey = 15.5, 5
    dx, dy = ex - vx, ey - vy
    n = math.hypot(dx, dy)
    ax, ay = vx + 7 * dx / n, vy + 7 * dy / n
    return (f'<path d="M{ex} {ey}L{vx} {vy}H20"/>'
            f'<path d="M{vx + 7} {vy}A7 7 0 0 0 {ax:.2f} {ay:.2f}" stroke="S"/>'
            + dot(ex, ey) + dot(vx, vy) + dot(20, vy))


def angle4():
    # Two lines, each through two points, and the angle where they cross.
    return ('<path d="M3.5 18L20.5 6M3.5 6L20.5 18"/>'
            '<path d="M16.5 9.1A5 5 0 0 1 16.5 14.9" stroke="S"/>'
            + dot(3.5, 18) + dot(20.5, 6) + dot(3.5, 6) + dot(20.5, 18))


GLYPHS = {
    "camera": ('<path d="M4.5 8h2.8l1.6-2.6h6.2L16.7 8h2.8a1.5 1.5 0 0 1 1.5 1.5v8.5'
               'a1.5 1.5 0 0 1-1.5 1.5h-15A1.5 1.5 0 0 1 3 18V9.5A1.5 1.5 0 0 1 4.5 8z"/>'
               '<circle cx="12" cy="13.4" r="3.6"/>' + dot(17.9, 10.7, 0.9)),
    "record": ('<rect x="2.5" y="6.5" width="13.5" height="11" rx="2.2"/>'
               '<path d="M16 10.6l5-2.9v8.6l-5-2.9z"/>'
               + dot(7.2, 12, 2.4, REC)),
    "timelapse": ('<circle cx="12" cy="13.2" r="7.3"/>'
                  '<path d="M12 9.3v4.2l2.9 1.8"/><path d="M9.6 3.5h4.8"/>'
                  '<path d="M18.3 6.6l1.4-1.4"/>'),
    "email": ('<rect x="3" y="5.8" width="18" height="12.8" rx="2"/>'
              '<path d="M3.8 7l8.2 6.4L20.2 7"/>'),
    # Three slices of a specimen, the top one in focus.
    "stack": ('<path d="M12 3.2L21.5 7.6L12 12L2.5 7.6Z"/><path d="M2.5 12.2L12 16.6L21.5 12.2"/>'
              '<path d="M2.5 16.8L12 21.2L21.5 16.8"/>' + dot(12, 7.6, 1.4)),
    "save": ('<path d="M12 3.8v10.2"/><path d="M7.6 9.8L12 14.2l4.4-4.4"/>'
             '<path d="M4 14.5v3.4a2.1 2.1 0 0 0 2.1 2.1h11.8a2.1 2.1 0 0 0 2.1-2.1v-3.4"/>'),
    "preview": ('<rect x="3" y="4.5" width="18" height="12.5" rx="2"/><path d="M8.5 20.2h7"/>'
                '<path d="M10.2 8.1v5.3l4.6-2.65z" fill="C"/>'),
    "setting": gear(),
    "hmirror": ('<path d="M12 3v18" stroke="S" stroke-dasharray="1.6 2"/>'
                '<path d="M9.2 6.5v11L3.2 12z" fill="C"/><path d="M14.8 6.5v11l6-5.5z"/>'),
    "vmirror": ('<path d="M3 12h18" stroke="S" stroke-dasharray="1.6 2"/>'
                '<path d="M6.5 9.2h11L12 3.2z" fill="C"/><path d="M6.5 14.8h11L12 20.8z"/>'),
    "negative": '<circle cx="12" cy="12" r="8"/><path d="M12 4a8 8 0 0 1 0 16z" fill="C"/>',
    "binary": ('<rect x="4.5" y="4.5" width="15" height="15" rx="1.5"/>'
               + "".join(f'<rect x="{4.5 + 5 * i}" y="{4.5 + 5 * j}" width="5" height="5" '
                         f'fill="C" stroke="none"/>'
                         for i in range(3) for j in range(3) if (i + j) % 2 == 0
                         and not (i == 0 and j == 0) and not (i == 2 and j == 2))
               + '<path d="M4.5 9.5V6a1.5 1.5 0 0 1 1.5-1.5h3.5v5z" fill="C" stroke="none"/>'
               + '<path d="M19.5 14.5V18a1.5 1.5 0 0 1-1.5 1.5h-3.5v-5z" fill="C" '
                 'stroke="none"/>'),
    "red": '<path d="M9 17V7h4a3 3 0 0 1 0 6H9M12.6 13l3.2 4"/>',
    "green": '<path d="M15.6 8.4A5 5 0 1 0 17 12h-4.3"/>',
    "blue": ('<path d="M9 7v10h4.3a2.8 2.8 0 0 0 0-5.6H9"/>'
             '<path d="M9 11.4h3.7a2.2 2.2 0 0 0 0-4.4H9"/>'),
    "line": '<path d="M5 18.5L19 5.5"/>' + dot(5, 18.5, 2.1) + dot(19, 5.5, 2.1),
    "polyline": ('<path d="M3.5 17.5L9 8.5l5 7 6.5-10"/>'
                 + dot(3.5, 17.5) + dot(9, 8.5) + dot(14, 15.5) + dot(20.5, 5.5)),
    "pointline": ('<path d="M3.5 18.5h17"/>'
                  '<path d="M12 7.5v11" stroke="S" stroke-dasharray="1.6 1.8"/>'
                  '<path d="M12 15.8h2.7v2.7" stroke="S"/>' + dot(12, 5.5, 2.1)),
    "polygon": ('<path d="M12 4l8 5.8-3 9.4H7l-3-9.4z"/>'
                + dot(12, 4) + dot(20, 9.8) + dot(17, 19.2) + dot(7, 19.2) + dot(4, 9.8)),
    "radius": ('<circle cx="12" cy="12" r="8"/><path d="M12 12l5.66-5.66" stroke="S"/>'
               + dot(12, 12, 1.9) + dot(17.66, 6.34, 1.9)),
    "diameter": ('<circle cx="12" cy="12" r="8"/><path d="M6.34 17.66L17.66 6.34" stroke="S"/>'
                 + dot(6.34, 17.66, 1.9) + dot(17.66, 6.34, 1.9)),
    "circle3": circle3(),
    "arc3": arc3(),
    "angle3": angle3(),
    "angle4": angle4(),
    "calibrate": ('<rect x="2.5" y="8" width="19" height="8.5" rx="1.6"/>'
                  '<path d="M6.5 8v3M10 8v4.5M13.5 8v3M17 8v4.5" stroke="S"/>'),
    "more": dot(6, 12, 2.0) + dot(12, 12, 2.0) + dot(18, 12, 2.0),
}


def tile(size, glyph, down, fill_top=None, fill_bottom=None, edge=None, ink=None, soft=None):
    """One button picture: a rounded tile with the glyph centred on it."""
    glyph_px = 22 if size >= 32 else 20
    scale = glyph_px / 24.0
    offset = (size - glyph_px) / 2.0
    stroke = 1.75 if size >= 32 else 1.6
    if down:
        top, bottom = fill_top or ACCENT_TOP, fill_bottom or ACCENT_BOTTOM
        edge = edge or ACCENT_EDGE
        ink = ink or WHITE
        soft = soft or "#dcebff"
        knock = bottom
    else:
        top, bottom = TILE_TOP, TILE_BOTTOM
        edge = edge or TILE_EDGE
        ink = ink or INK
        soft = soft or INK_SOFT
        knock = bottom
    body = (glyph.replace('"C"', f'"{ink}"').replace('"S"', f'"{soft}"')
            .replace('"K"', f'"{knock}"'))
    radius = 6 if size >= 32 else 5.5
    defs = vgrad("face", top, bottom)
    # An idle key catches a little light on its top edge; a pressed one does not.
    shade = "" if down else (
        f'<path d="M{radius + 0.5} 1.6H{size - radius - 0.5}" stroke="#ffffff" '
        f'stroke-opacity="0.10" stroke-width="1" stroke-linecap="round"/>')
    return svg(size, size,
               f'<rect x="0.5" y="0.5" width="{size - 1}" height="{size - 1}" rx="{radius}" '
               f'fill="url(#face)" stroke="{edge}" stroke-width="1"/>' + shade +
               f'<g transform="translate({offset:.3f} {offset:.3f}) scale({scale:.5f})" '
               f'fill="none" stroke="{ink}" stroke-width="{stroke / scale:.3f}" '
               f'stroke-linecap="round" stroke-linejoin="round">{body}</g>',
               defs)


# (role, glyph, up number, down number, size, channel colour or None)
BUTTONS = [
    ("btn_camera", "camera", 150, 350, 32, None),
    ("btn_record", "record", 151, 351, 32, None),
    ("btn_timelapse", "timelapse", 152, 352, 32, None),
    ("btn_save", "save", 153, 353, 32, None),
    ("btn_email", "email", 154, 354, 32, None),
    ("btn_preview", "preview", 155, 355, 32, None),
    ("btn_setting", "setting", 156, 356, 32, None),
    ("btn_stack", "stack", 157, 357, 32, None),
    ("fx_hmirror", "hmirror", 287, 286, 28, None),
    ("fx_vmirror", "vmirror", 289, 288, 28, None),
    ("fx_negative", "negative", 291, 290, 28, None),
    ("fx_binary", "binary", 293, 292, 28, None),
    ("fx_red", "red", 295, 294, 28, ("#ff7a7a", "#d63c3c", "#ffa3a3", RED)),
    ("fx_green", "green", 283, 282, 28, ("#4fe39b", "#1f9e5e", "#8ff0c0", GREEN)),
    ("fx_blue", "blue", 301, 300, 28, ("#6cb4ff", "#2f6fd0", "#a6d2ff", BLUE)),
    ("ms_line", "line", 285, 284, 28, None),
    ("ms_polyline", "polyline", 305, 304, 28, None),
    ("ms_pointline", "pointline", 307, 306, 28, None),
    ("ms_polygon", "polygon", 309, 308, 28, None),
    ("ms_radius", "radius", 311, 310, 28, None),
    ("ms_diameter", "diameter", 313, 312, 28, None),
    ("ms_circle3", "circle3", 315, 314, 28, None),
    ("ms_arc3", "arc3", 317, 316, 28, None),
    ("ms_angle3", "angle3", 319, 318, 28, None),
    ("ms_angle4", "angle4", 321, 320, 28, None),
    ("ms_calibrate", "calibrate", 323, 322, 28, None),
    ("ms_more", "more", 325, 324, 28, None),
]


def write(rel, text):
    path = os.path.join(ROOT, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def buttons():
    for role, glyph, up, down, size, channel in BUTTONS:
        g = GLYPHS[glyph]
        if channel:
            top, bottom, edge, ink = channel
            write(f"icons/{role}_{up}.svg", tile(size, g, False, ink=ink, soft=ink))
            write(f"icons/{role}_{down}.svg",
                  tile(size, g, True, fill_top=top, fill_bottom=bottom, edge=edge))
        else:
            write(f"icons/{role}_{up}.svg", tile(size, g, False))
            write(f"icons/{role}_{down}.svg", tile(size, g, True))


# --- window pictures -------------------------------------------------------------

def picture_icon(cx, cy, color):
    x, y = cx - 10, cy - 8
    return (f'<g transform="translate({x} {y})" fill="none" stroke="{color}" stroke-width="1.7" '
            f'stroke-linecap="round" stroke-linejoin="round">'
            '<rect x="0.5" y="0.5" width="19" height="15" rx="2.2"/>'
            '<path d="M1.5 13.5l5.2-5.6 3.8 3.9 2.6-2.6 5.4 5"/>'
            f'<circle cx="14" cy="5" r="1.8" fill="{color}" stroke="none"/></g>')


def film_icon(cx, cy, color):
    x, y = cx - 10, cy - 8
    holes = "".join(
        f'<rect x="{hx}" y="{hy}" width="2" height="1.8" rx="0.4" fill="{color}" stroke="none"/>'
        for hx in (2, 16) for hy in (2.8, 7.1, 11.4))
    return (f'<g transform="translate({x} {y})" fill="none" stroke="{color}" stroke-width="1.7" '
            f'stroke-linecap="round" stroke-linejoin="round">'
            '<rect x="0.5" y="0.5" width="19" height="15" rx="2.2"/>'
            '<path d="M5.5 0.8v14.4M14.5 0.8v14.4"/>' + holes + '</g>')


def tab(active_pictures):
    # 120 x 40, drawn at 7,43: pictures half covers 10,46-60,77, videos half 70,47-121,76.
    left = (4, 4, 52, 32)   # x, y, w, h inside the picture
    right = (64, 4, 52, 32)
    active, idle = (left, right) if active_pictures else (right, left)
    defs = vgrad("on", ACCENT_TOP, ACCENT_BOTTOM) + vgrad("well", "#141a21", "#18202a")
    body = ('<rect x="1.5" y="1.5" width="117" height="37" rx="9" fill="url(#well)" '
            'stroke="#0d1217"/>')
    ax, ay, aw, ah = active
    body += (f'<rect x="{ax + 0.5}" y="{ay + 0.5}" width="{aw - 1}" height="{ah - 1}" rx="7" '
             f'fill="url(#on)" stroke="{ACCENT_EDGE}" stroke-opacity="0.7"/>'
             f'<path d="M{ax + 7} {ay + 1.8}H{ax + aw - 7}" stroke="#ffffff" '
             f'stroke-opacity="0.25" stroke-linecap="round"/>')
    ix, iy, iw, ih = idle
    body += (f'<rect x="{ix + 0.5}" y="{iy + 0.5}" width="{iw - 1}" height="{ih - 1}" rx="7" '
             f'fill="#ffffff" fill-opacity="0.025"/>')
    pic_color = WHITE if active_pictures else INK_SOFT
    vid_color = INK_SOFT if active_pictures else WHITE
    body += picture_icon(30, 20, pic_color) + film_icon(90, 20, vid_color)
    return svg(120, 40, body, defs)


def plate(width, height):
    defs = vgrad("plate", "#0c1117", "#121921")
    body = (f'<rect x="0.5" y="0.5" width="{width - 1}" height="{height - 1}" rx="4.5" '
            f'fill="url(#plate)" stroke="#2b3644"/>')
    return svg(width, height, body, defs)


def app_icon():
    defs = (vgrad("bg", "#4aa8ff", "#1d56b8") + vgrad("sheen", "#ffffff", "#ffffff"))
    # The microscope on a 24 grid, scaled into the 128 tile.
    scope = ('<g transform="translate(16 14) scale(4)" fill="none" stroke="#ffffff" '
             'stroke-width="1.5" stroke-linecap="round" stroke-linejoin="round">'
             '<rect x="8.2" y="1.5" width="4.2" height="9" rx="1.2" '
             'transform="rotate(-28 10.3 6)" fill="#ffffff" fill-opacity="0.18"/>'
             '<path d="M10.6 10.8l1.4 2.4"/>'
             '<path d="M15 7.6c3.2 1.6 4.6 5 3.6 8.6-.5 1.8-1.6 3.2-3 4.1"/>'
             '<path d="M6.5 16.2h8"/>'
             '<path d="M4.5 21h15"/>'
             '<path d="M12 21v-2.2"/>'
             '<circle cx="16.2" cy="9.6" r="1.1" fill="#ffffff" stroke="none"/>'
             '</g>')
    body = ('<rect x="4" y="4" width="120" height="120" rx="28" fill="url(#bg)"/>'
            '<rect x="4.75" y="4.75" width="118.5" height="118.5" rx="27.3" fill="none" '
            'stroke="#ffffff" stroke-opacity="0.22" stroke-width="1.5"/>'
            # a glass slide on the stage, the one touch of colour besides white
            '<rect x="47" y="71.5" width="24" height="4.5" rx="2.2" fill="#bfe0ff" '
            'fill-opacity="0.55"/>'
            + scope)
    return svg(128, 128, body, defs)


def background():
    W, H = 860, 610
    defs = (vgrad("base", "#1a2029", "#12161c")
            + vgrad("band", "#2b3441", "#222a35")
            + vgrad("panel", "#1f2731", "#1a2029")
            + vgrad("bezel", "#2a3340", "#1d242d")
            + vgrad("slot", "#10151b", "#161d25")
            + vgrad("status", "#1c232c", "#181e26"))
    b = [f'<rect width="{W}" height="{H}" fill="url(#base)"/>']
    # Toolbar band across the top.
    b.append('<rect x="0" y="0" width="860" height="42" fill="url(#band)"/>')
    b.append('<path d="M0 41.5H860" stroke="#0d1116"/>')
    b.append('<path d="M0 0.5H860" stroke="#ffffff" stroke-opacity="0.06"/>')
    # Group separators: main tools | effects | measuring | boxes | calibrate + menu
    for x in (199.5, 420.5, 720.5, 795.5):
        b.append(f'<path d="M{x} 8V34" stroke="#11161c"/>'
                 f'<path d="M{x + 1} 8V34" stroke="#ffffff" stroke-opacity="0.06"/>')
    # Slots behind the calibration (723,6) and magnification (759,6) boxes.
    for x in (723, 759):
        b.append(f'<rect x="{x - 1.5}" y="4.5" width="37" height="28" rx="4" fill="url(#slot)" '
                 'stroke="#0c1015"/>'
                 f'<path d="M{x + 2} 32.5H{x + 32}" stroke="#ffffff" stroke-opacity="0.07"/>')
    b.append(f'<text x="740" y="40" font-family="{FONT}" font-size="7.5" fill="{INK_SOFT}" '
             'text-anchor="middle" letter-spacing="0.6">CAL</text>')
    b.append(f'<text x="776" y="40" font-family="{FONT}" font-size="7.5" fill="{INK_SOFT}" '
             'text-anchor="middle" letter-spacing="0.6">MAG ×</text>')
    # File list panel with its tab well and list well.
    b.append('<rect x="3.5" y="43.5" width="189" height="529" rx="10" fill="url(#panel)" '
             'stroke="#2c3644"/>')
    b.append('<path d="M14 44.5H182" stroke="#ffffff" stroke-opacity="0.05"/>')
    b.append('<rect x="6.5" y="85.5" width="182" height="483" rx="5" fill="#11161c" '
             'stroke="#0b0f13"/>')
    # Live picture bezel around 204,52 640x480.
    b.append('<rect x="196.5" y="43.5" width="655" height="529" rx="10" fill="url(#bezel)" '
             'stroke="#2f3a48"/>')
    b.append('<path d="M208 44.5H840" stroke="#ffffff" stroke-opacity="0.06"/>')
    b.append('<rect x="201.5" y="49.5" width="645" height="485" rx="3" fill="#0a0d11" '
             'stroke="#0a0d11"/>')
    b.append('<rect x="203.5" y="51.5" width="641" height="481" fill="#07090c" '
             'stroke="#3a4656" stroke-opacity="0.55"/>')
    # Corner marks of the frame, a quiet viewfinder cue.
    for (x, y, dx, dy) in ((199, 47, 1, 1), (849, 47, -1, 1), (199, 537, 1, -1),
                           (849, 537, -1, -1)):
        b.append(f'<path d="M{x} {y + 9 * dy}V{y}H{x + 9 * dx}" fill="none" stroke="{ACCENT_TOP}" '
                 'stroke-opacity="0.55" stroke-width="1.5" stroke-linecap="round"/>')
    # The plates (resolution at 219,537, seconds at 663,537) sit on the bezel's
    # lower edge.
    # Brand line at the bottom.
    b.append(f'<g transform="translate(16 586)">{mini_scope()}</g>')
    b.append(f'<text x="38" y="600" font-family="{FONT}" font-size="13" font-weight="bold" '
             f'fill="{INK}" letter-spacing="0.8">Tavolux</text>')
    b.append(f'<text x="849" y="598" font-family="{FONT}" font-size="9" fill="#5d6b7b" '
             'text-anchor="end" letter-spacing="0.5">DIGITAL MICROSCOPE</text>')
    return svg(W, H, "".join(b), defs)


def mini_scope():
    return ('<g transform="scale(0.75)" fill="none" stroke="#4ea5ff" stroke-width="2" '
            'stroke-linecap="round" stroke-linejoin="round">'
            '<rect x="8.2" y="1.5" width="4.2" height="9" rx="1.2" transform="rotate(-28 10.3 6)"/>'
            '<path d="M15 7.6c3.2 1.6 4.6 5 3.6 8.6-.5 1.8-1.6 3.2-3 4.1"/>'
            '<path d="M6.5 16.2h8M4.5 21h15"/></g>')


def main():
    buttons()
    write("skin/tab_pictures_147.svg", tab(True))
    write("skin/tab_videos_146.svg", tab(False))
    write("skin/plate_resolution_243.svg", plate(80, 20))
    write("skin/plate_seconds_149.svg", plate(110, 24))
    write("skin/background.svg", background())
    write("icons/app_128.svg", app_icon())


if __name__ == "__main__":
    main()
