#!/usr/bin/env python3
"""Writes the desktop icon of Tavolux and its hicolor PNG sizes.

  resources/desktop/tavolux.svg                        the scalable icon
  resources/desktop/icons/hicolor/<n>x<n>/apps/tavolux.png  n = 16 … 256

The drawing is the program's own window icon (resources/icons/app_128.svg,
from tools/make_skin.py): a microscope in white line art on a blue rounded
square. Below 48 pixels the thin lines would melt into the blue, so the small
sizes are drawn from a variant with a narrower margin and heavier lines.

The PNGs are rendered with rsvg-convert (librsvg2-bin).
Run from anywhere:  python3 tools/make_app_icon.py
"""

import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "resources", "desktop")
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
SMALL = 32  # this size and below use the heavy variant


def icon(margin, radius, stroke, scale_origin):
    """The window icon's microscope on a fuller tile, lines `stroke` wide in its 24-unit grid."""
    inner = 128 - 2 * margin
    ox, oy = scale_origin
    k = (inner - 2 * 6) / 24.0
    return (
        '<svg xmlns="http://www.w3.org/2000/svg" width="128" height="128" viewBox="0 0 128 128">'
        '<defs><linearGradient id="bg" x1="0" y1="0" x2="0" y2="1">'
        '<stop offset="0" stop-color="#4aa8ff"/><stop offset="1" stop-color="#1d56b8"/>'
        "</linearGradient></defs>"
        f'<rect x="{margin}" y="{margin}" width="{inner}" height="{inner}" rx="{radius}" fill="url(#bg)"/>'
        f'<rect x="{margin + 0.75}" y="{margin + 0.75}" width="{inner - 1.5}" height="{inner - 1.5}" '
        f'rx="{radius - 0.7}" fill="none" stroke="#ffffff" stroke-opacity="0.22" stroke-width="1.5"/>'
        f'<g transform="translate({ox} {oy}) scale({k:.3f})" fill="none" stroke="#ffffff" '
        f'stroke-width="{stroke}" stroke-linecap="round" stroke-linejoin="round">'
        '<rect x="8.2" y="1.5" width="4.2" height="9" rx="1.2" transform="rotate(-28 10.3 6)" '
        'fill="#ffffff" fill-opacity="0.18"/>'
        '<path d="M10.6 10.8l1.4 2.4"/>'
        '<path d="M15 7.6c3.2 1.6 4.6 5 3.6 8.6-.5 1.8-1.6 3.2-3 4.1"/>'
        '<path d="M6.5 16.2h8"/><path d="M4.5 21h15"/><path d="M12 21v-2.2"/>'
        '<circle cx="16.2" cy="9.6" r="1.1" fill="#ffffff" stroke="none"/>'
        "</g></svg>\n"
    )


def main():
    rsvg = shutil.which("rsvg-convert")
    if not rsvg:
        print("rsvg-convert is missing (apt-get install librsvg2-bin)", file=sys.stderr)
        return 1
    os.makedirs(OUT, exist_ok=True)
    # The large drawing is the window icon itself, so the two never drift apart.
    shutil.copyfile(os.path.join(HERE, "..", "resources", "icons", "app_128.svg"),
                    os.path.join(OUT, "tavolux.svg"))
    small = icon(1, 22, 2.3, (7, 8))
    with tempfile.TemporaryDirectory() as tmp:
        small_path = os.path.join(tmp, "small.svg")
        with open(small_path, "w") as f:
            f.write(small)
        for n in SIZES:
            folder = os.path.join(OUT, "icons", "hicolor", "%dx%d" % (n, n), "apps")
            os.makedirs(folder, exist_ok=True)
            src = small_path if n <= SMALL else os.path.join(OUT, "tavolux.svg")
            out = os.path.join(folder, "tavolux.png")
            subprocess.run([rsvg, "-w", str(n), "-h", str(n), src, "-o", out], check=True)
            print("wrote", os.path.relpath(out, os.path.join(HERE, "..")))
    return 0


if __name__ == "__main__":
    sys.exit(main())
