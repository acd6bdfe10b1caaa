"""Palette and small SVG builders shared by the glyphs and the illustrations.

Every drawing is made for the pixel size it is shown at: coordinates are in
pixels, straight edges sit on whole pixels (or half pixels for 1 px strokes)
so the rendered PNGs stay crisp at 1x.
"""

# Brand and neutrals. The same values appear in data/Option.json.
GREEN = "#1E9E63"        # brand, title bar, primary buttons
GREEN_LIGHT = "#2BB673"  # top of the brand gradient
GREEN_DARK = "#168A57"   # pressed, bottom of the brand gradient
GREEN_DEEP = "#0F6B43"
GREEN_MID = "#5FBF8F"    # secondary parts of two-tone glyphs
GREEN_PALE = "#A8E0C4"
TINT = "#E6F5EE"         # selected rows, tiles, accent band
TINT_2 = "#D3EEDF"

INK = "#2F3A35"          # text, dark device bodies
INK_2 = "#45514C"
GREY = "#5E6A65"         # normal glyphs
GREY_2 = "#7A8580"       # secondary text, arrows
GREY_3 = "#A4AEAA"       # disabled glyphs
LINE = "#C9D0CD"         # borders
LINE_2 = "#DCE1DF"       # separators
PAPER = "#F4F6F5"        # light panels
WHITE = "#FFFFFF"

RED = "#E5534B"
AMBER = "#F5A623"
BLUE = "#237DED"

FONT = "Liberation Sans, Arial, Helvetica, sans-serif"


def doc(w, h, body, bg=None):
    """A complete SVG document of w x h pixels."""
    back = f'<rect width="{w}" height="{h}" fill="{bg}"/>' if bg else ""
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" '
            f'viewBox="0 0 {w} {h}">{back}{body}</svg>')


def rect(x, y, w, h, fill, rx=0, stroke=None, sw=1, opacity=None, extra=""):
    s = f' stroke="{stroke}" stroke-width="{sw}"' if stroke else ""
    o = f' opacity="{opacity}"' if opacity is not None else ""
    r = f' rx="{rx}"' if rx else ""
    return f'<rect x="{x}" y="{y}" width="{w}" height="{h}"{r} fill="{fill}"{s}{o}{extra}/>'


def circle(cx, cy, r, fill, stroke=None, sw=1, opacity=None):
    s = f' stroke="{stroke}" stroke-width="{sw}"' if stroke else ""
    o = f' opacity="{opacity}"' if opacity is not None else ""
    return f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="{fill}"{s}{o}/>'


def path(d, fill="none", stroke=None, sw=1, cap="round", join="round", rule=None, opacity=None,
         dash=None, dash_offset=0):
    s = (f' stroke="{stroke}" stroke-width="{sw}" stroke-linecap="{cap}" stroke-linejoin="{join}"'
         if stroke else "")
    if dash:
        s += f' stroke-dasharray="{dash}" stroke-dashoffset="{dash_offset:.2f}"'
    r = f' fill-rule="{rule}"' if rule else ""
    o = f' opacity="{opacity}"' if opacity is not None else ""
    return f'<path d="{d}" fill="{fill}"{s}{r}{o}/>'


def line(x1, y1, x2, y2, stroke, sw=1, cap="butt", opacity=None):
    o = f' opacity="{opacity}"' if opacity is not None else ""
    return (f'<line x1="{x1}" y1="{y1}" x2="{x2}" y2="{y2}" stroke="{stroke}" '
            f'stroke-width="{sw}" stroke-linecap="{cap}"{o}/>')


def esc(t):
    return t.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def text(x, y, t, size, fill=INK, weight="normal", anchor="start", extra=""):
    return (f'<text x="{x}" y="{y}" font-family="{FONT}" font-size="{size}" '
            f'font-weight="{weight}" fill="{fill}" text-anchor="{anchor}"{extra}>{esc(t)}</text>')


def group(body, tx=0, ty=0, scale=None, opacity=None, extra=""):
    t = f"translate({tx} {ty})"
    if scale is not None:
        t += f" scale({scale})"
    o = f' opacity="{opacity}"' if opacity is not None else ""
    return f'<g transform="{t}"{o}{extra}>{body}</g>'


def gradient(gid, top, bottom, x2=0, y2=1):
    return (f'<defs><linearGradient id="{gid}" x1="0" y1="0" x2="{x2}" y2="{y2}">'
            f'<stop offset="0" stop-color="{top}"/><stop offset="1" stop-color="{bottom}"/>'
            f'</linearGradient></defs>')


def check_mark(x, y, s, stroke, sw):
    """A check mark whose box is s x s pixels with its top-left at (x, y)."""
    d = f"M{x + s * 0.18} {y + s * 0.52} L{x + s * 0.42} {y + s * 0.76} L{x + s * 0.84} {y + s * 0.28}"
    return path(d, stroke=stroke, sw=sw)


def cross(cx, cy, half, stroke, sw, cap="round"):
    d = (f"M{cx - half} {cy - half} L{cx + half} {cy + half} "
         f"M{cx + half} {cy - half} L{cx - half} {cy + half}")
    return path(d, stroke=stroke, sw=sw, cap=cap)


def brand_logo(x, y, size):
    """The product logo (white phone with a check on the green square), size px square."""
    k = size / 256.0
    gid = f"brand{int(x)}_{int(y)}_{int(size)}"
    body = (gradient(gid, GREEN_LIGHT, GREEN_DARK)
            + f'<rect x="8" y="8" width="240" height="240" rx="52" fill="url(#{gid})"/>'
            + '<rect x="78" y="36" width="100" height="184" rx="18" fill="#FFFFFF"/>'
            + f'<rect x="90" y="58" width="76" height="128" rx="6" fill="{GREEN}"/>'
            + f'<circle cx="128" cy="202" r="8" fill="{GREEN}"/>'
            + path("M104 122 l18 18 l34 -38", stroke=WHITE, sw=14))
    return group(body, x, y, k)
