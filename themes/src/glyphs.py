"""Icon glyphs, each drawn on the pixel grid of the size it is used at.

A glyph function takes the colours it needs and returns SVG elements; the
button and tile makers in theme.py put them on their backgrounds.
"""

import math

from svg import circle, path, rect, WHITE

# ---------------------------------------------------------------- 16 px toolbar


def tool_add(c):
    return rect(7, 2, 2, 12, c) + rect(2, 7, 12, 2, c)


def tool_delete(c):
    lid = path("M6 1h4v2h4v2H2V3h4z", fill=c)
    body = path("M3 6h10l-0.8 8.2a1 1 0 0 1-1 0.8H4.8a1 1 0 0 1-1-0.8z"
                "M6 8v5h1V8z M9 8v5h1V8z", fill=c, rule="evenodd")
    return lid + body


def tool_edit(c):
    cap = path("M11.5 1 L15 4.5 L13.2 6.3 L9.7 2.8 Z", fill=c)
    body = path("M8.9 3.6 L12.4 7.1 L5 14.5 L1.5 14.5 L1.5 11 Z", fill=c)
    return cap + body


def tool_export(c):
    tray = path("M1 9h2v4h10V9h2v6H1z", fill=c)
    arrow = rect(7, 4, 2, 7, c) + path("M8 0.5 L12.5 5 H3.5 Z", fill=c)
    return tray + arrow


def tool_import(c):
    tray = path("M1 9h2v4h10V9h2v6H1z", fill=c)
    arrow = rect(7, 1, 2, 6, c) + path("M3.5 6 H12.5 L8 10.5 Z", fill=c)
    return tray + arrow


def _arc(cx, cy, r, a0, a1):
    """Arc path from angle a0 to a1 (degrees, clockwise on screen)."""
    x0 = cx + r * math.cos(math.radians(a0))
    y0 = cy + r * math.sin(math.radians(a0))
    x1 = cx + r * math.cos(math.radians(a1))
    y1 = cy + r * math.sin(math.radians(a1))
    large = 1 if (a1 - a0) % 360 > 180 else 0
    return f"M{x0:.2f} {y0:.2f} A{r} {r} 0 {large} 1 {x1:.2f} {y1:.2f}", (x1, y1)


def _head(x, y, angle, size, c):
    """A filled arrow head with its tip at (x, y) pointing along angle (degrees)."""
    a = math.radians(angle)
    bx, by = x - size * math.cos(a), y - size * math.sin(a)
    px, py = -math.sin(a) * size * 0.75, math.cos(a) * size * 0.75
    return path(f"M{x:.2f} {y:.2f} L{bx + px:.2f} {by + py:.2f} L{bx - px:.2f} {by - py:.2f} Z", fill=c)


def _rotate_arrow(c):
    # Clockwise arc with the gap on the right and the head pointing into it.
    d, (x1, y1) = _arc(8, 8, 5.5, 45, 315)
    a = 315 + 90
    tx, ty = x1 + 2.0 * math.cos(math.radians(a)), y1 + 2.0 * math.sin(math.radians(a))
    return path(d, stroke=c, sw=2, cap="butt") + _head(tx, ty, a, 4.6, c)


def tool_refresh(c):
    return _rotate_arrow(c)


def tool_reset(c):
    # The same arrow turning back, around the point it returns to.
    return '<g transform="translate(16 0) scale(-1 1)">' + _rotate_arrow(c) + "</g>" + circle(8, 8, 1.6, c)


def tool_remove(c):
    return path("M8 1a7 7 0 1 1 0 14a7 7 0 1 1 0-14z M4 7v2h8V7z", fill=c, rule="evenodd")


def tool_playlist_add(c):
    return (rect(1, 2, 10, 2, c) + rect(1, 6, 10, 2, c) + rect(1, 10, 5, 2, c)
            + rect(11, 7, 2, 8, c) + rect(8, 10, 8, 2, c))


def tool_expand(c):
    frame = path("M1 2h14v12H1z M2 3v10h12V3z", fill=c, rule="evenodd")
    return frame + rect(3, 5, 3, 1, c) + rect(3, 7, 3, 1, c) + rect(3, 9, 3, 1, c) + rect(7, 3, 1, 10, c)


def tool_download(c):
    return tool_import(c)


def search_glass(cx, cy, c, r=5.0, sw=2.0):
    hx = cx + r * 0.72
    return (circle(cx, cy, r, "none", stroke=c, sw=sw)
            + path(f"M{hx + 0.6:.1f} {cy + r * 0.72 + 0.6:.1f} l4 4", stroke=c, sw=sw + 0.4))


# ---------------------------------------------------------------- 20 px window buttons


def win_close(c):
    return path("M5.5 5.5 L14.5 14.5 M14.5 5.5 L5.5 14.5", stroke=c, sw=1.8, cap="round")


def win_min(c):
    return rect(5, 12, 10, 2, c)


def win_maximize(c):
    return path("M5 5h10v10H5z M7 7v6h6V7z", fill=c, rule="evenodd")


def win_restore(c):
    back = path("M8 4H16V12H14V6H8Z", fill=c)
    front = path("M4 8h8v8H4z M6 10v4h4v-4z", fill=c, rule="evenodd")
    return back + front


def gear(cx, cy, r_out, r_in, r_hole, teeth, c):
    pts = []
    step = 360.0 / teeth
    for i in range(teeth):
        a = i * step
        for da, rr in ((-step * 0.22, r_out), (step * 0.22, r_out), (step * 0.30, r_in), (step * 0.70, r_in)):
            ang = math.radians(a + da)
            pts.append(f"{cx + rr * math.cos(ang):.2f} {cy + rr * math.sin(ang):.2f}")
    outer = "M" + " L".join(pts) + " Z"
    hole = (f" M{cx + r_hole} {cy} A{r_hole} {r_hole} 0 1 0 {cx - r_hole} {cy}"
            f" A{r_hole} {r_hole} 0 1 0 {cx + r_hole} {cy} Z")
    return path(outer + hole, fill=c, rule="evenodd")


def win_setting(c):
    return gear(10, 10, 6.6, 4.9, 2.2, 8, c)


def question(cx, cy, s, c, sw):
    """A question mark about s px tall centred on (cx, cy)."""
    top = cy - s / 2
    d = (f"M{cx - s * 0.26:.2f} {top + s * 0.27:.2f} a{s * 0.26:.2f} {s * 0.25:.2f} 0 1 1 "
         f"{s * 0.36:.2f} {s * 0.22:.2f} c{-s * 0.1:.2f} {s * 0.05:.2f} {-s * 0.1:.2f} {s * 0.12:.2f} "
         f"{-s * 0.1:.2f} {s * 0.22:.2f}")
    return path(d, stroke=c, sw=sw, cap="round") + circle(cx, top + s * 0.9, sw * 0.62, c)


def win_help(c):
    return circle(10, 10, 6.75, "none", stroke=c, sw=1.5) + question(10, 10, 8.4, c, 1.6)


def win_home(c):
    return path("M10 3.5 L16.5 9.5 H14.8 V16 H11.6 V12.2 H8.4 V16 H5.2 V9.5 H3.5 Z", fill=c)


# ---------------------------------------------------------------- 24 px sections (two-tone)


def sec_home(a, b):
    return (path("M12 3 L21 11 H18.5 V20.5 H5.5 V11 H3 Z", fill=a)
            + rect(10, 14, 4, 6.5, b, rx=1))


def sec_apps(a, b):
    return (rect(3, 3, 8, 8, a, rx=2) + rect(13, 3, 8, 8, b, rx=2)
            + rect(3, 13, 8, 8, a, rx=2) + rect(13, 13, 8, 8, a, rx=2))


def sec_contacts(a, b):
    return (rect(3, 2, 18, 20, a, rx=3)
            + circle(12, 9.5, 3.5, WHITE)
            + path("M6.5 18.5 c0-3.4 2.4-5 5.5-5 s5.5 1.6 5.5 5z", fill=WHITE)
            + rect(1, 6, 3, 2, b, rx=1) + rect(1, 11, 3, 2, b, rx=1) + rect(1, 16, 3, 2, b, rx=1))


def sec_sms(a, b):
    bubble = path("M4 3h16a2 2 0 0 1 2 2v10a2 2 0 0 1-2 2H10l-5 4.5V17H4a2 2 0 0 1-2-2V5a2 2 0 0 1 2-2z", fill=a)
    return bubble + circle(7.5, 10, 1.5, WHITE) + circle(12, 10, 1.5, WHITE) + circle(16.5, 10, 1.5, b)


def sec_music(a, b):
    stem = path("M9 5 L20 2.5 V6 L9 8.5 Z", fill=b)
    return (stem + rect(7.5, 6, 1.5, 12, a) + rect(18.5, 4, 1.5, 12, a)
            + '<ellipse cx="5.8" cy="18.2" rx="3.3" ry="2.6" fill="%s"/>' % a
            + '<ellipse cx="16.8" cy="16.2" rx="3.3" ry="2.6" fill="%s"/>' % a)


def sec_photo(a, b):
    frame = path("M2 4h20v16H2z M4 6v12h16V6z", fill=a, rule="evenodd")
    return (frame + path("M4 18 L9.5 11 L13 15 L15.5 12.5 L20 18 Z", fill=b)
            + circle(16, 9, 1.8, b))


def sec_video(a, b):
    body = rect(2, 5, 15, 14, a, rx=2.5)
    lens = path("M18 10 L22 7.5 V16.5 L18 14 Z", fill=b)
    return body + lens + path("M7.5 9 L12.5 12 L7.5 15 Z", fill=WHITE)


def sec_book(a, b):
    left = path("M2 5 C5 3.5 8.5 3.5 11.25 5.2 V20 C8.5 18.5 5 18.5 2 19.8 Z", fill=a)
    right = path("M12.75 5.2 C15.5 3.5 19 3.5 22 5 V19.8 C19 18.5 15.5 18.5 12.75 20 Z", fill=b)
    return left + right


def sec_files(a, b):
    back = path("M2 5a1.5 1.5 0 0 1 1.5-1.5H9l2 2.5h9.5A1.5 1.5 0 0 1 22 7.5V9H2z", fill=b)
    front = path("M2 8h20v10.5a1.5 1.5 0 0 1-1.5 1.5h-17A1.5 1.5 0 0 1 2 18.5z", fill=a)
    return back + front


# ---------------------------------------------------------------- 32 px device information (two-tone)


def info_model(a, b):
    return (rect(9, 2, 14, 28, a, rx=3) + rect(11, 6, 10, 18, WHITE, rx=1)
            + rect(14, 3.5, 4, 1, b) + circle(16, 27, 1.4, WHITE) + rect(12.5, 8, 7, 2, b))


def info_memory(a, b):
    pins = "".join(rect(x, 3, 2, 4, b) + rect(x, 25, 2, 4, b) for x in (10, 15, 20))
    side = "".join(rect(3, y, 4, 2, b) + rect(25, y, 4, 2, b) for y in (10, 15, 20))
    return (pins + side + rect(7, 7, 18, 18, a, rx=3)
            + rect(11, 11, 10, 10, WHITE, rx=1.5) + rect(13.5, 13.5, 5, 5, a, rx=1))


def info_power(a, b):
    body = path("M3 9h23v14H3z M5 11v10h19V11z", fill=a, rule="evenodd")
    cells = rect(7, 13, 4, 6, a) + rect(12.5, 13, 4, 6, a) + rect(18, 13, 4, 6, b)
    return body + rect(26, 13, 3, 6, a, rx=1) + cells


def info_status(a, b):
    bars = rect(5, 20, 4, 7, a, rx=1) + rect(11, 15, 4, 12, a, rx=1) + rect(17, 10, 4, 17, a, rx=1)
    return bars + rect(23, 5, 4, 22, b, rx=1)


def info_storage(a, b):
    card = path("M10 3h13a2 2 0 0 1 2 2v22a2 2 0 0 1-2 2H9a2 2 0 0 1-2-2V9z", fill=a)
    teeth = "".join(rect(x, 5.5, 2, 5, b) for x in (12, 15.5, 19))
    return card + teeth + rect(11, 16, 10, 8, WHITE, rx=1) + rect(13, 18, 6, 1.5, b) + rect(13, 21, 4, 1.5, b)


def info_sysversion(a, b):
    top = path("M16 3 L29 10 L16 17 L3 10 Z", fill=a)
    mid = path("M5.2 14.3 L16 20 L26.8 14.3 L29 15.5 L16 22.5 L3 15.5 Z", fill=b)
    low = path("M5.2 19.8 L16 25.5 L26.8 19.8 L29 21 L16 28 L3 21 Z", fill=a)
    return top + mid + low
