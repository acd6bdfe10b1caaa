"""Illustrations of the connection wizard, the Wi-Fi dialog and the toolkit.

The phone screens and PC windows here are drawn mock-ups, made from a few
helpers so every picture shares one look: dark device bodies, white screens,
the brand green for what the user has to tap or click.
"""

import math

import glyphs
from svg import (AMBER, GREEN, GREEN_DARK, GREEN_DEEP, GREEN_LIGHT, GREEN_MID, GREEN_PALE,
                 GREY, GREY_2, GREY_3, INK, INK_2, LINE, LINE_2, PAPER, RED, TINT, TINT_2, WHITE,
                 brand_logo, check_mark, circle, cross, gradient, group, line, path, rect, text)

BEZEL = "#5A6661"

# ---------------------------------------------------------------- devices


def phone(x, y, w, h):
    """A phone body; answers (svg, screen rectangle)."""
    sx, sy, sw, sh = x + 6, y + 18, w - 12, h - 40
    body = (rect(x, y, w, h, INK, rx=min(16, w * 0.15))
            + rect(x + 1, y + 1, w - 2, h - 2, "none", rx=min(15, w * 0.14), stroke=INK_2, sw=1)
            + rect(x + w / 2 - 11, y + 8, 22, 3, BEZEL, rx=1.5)
            + circle(x + w / 2, y + h - 11, 6, "none", stroke=BEZEL, sw=1.5)
            + rect(sx, sy, sw, sh, WHITE, rx=2))
    return body, (sx, sy, sw, sh)


def monitor(x, y, w, h):
    sx, sy, sw, sh = x + 6, y + 6, w - 12, h - 34
    neck = path(f"M{x + w / 2 - 12} {y + h - 28} H{x + w / 2 + 12} L{x + w / 2 + 16} {y + h - 10} "
                f"H{x + w / 2 - 16} Z", fill=INK_2)
    body = (rect(x, y, w, h - 28, INK, rx=6) + neck
            + rect(x + w / 2 - 34, y + h - 10, 68, 8, INK_2, rx=3)
            + rect(sx, sy, sw, sh, WHITE, rx=1))
    # The product's own window on the screen.
    win = (rect(sx, sy, sw, 10, GREEN) + rect(sx, sy + 10, 30, sh - 10, PAPER)
           + "".join(rect(sx + 6, sy + 16 + i * 11, 18, 4, TINT_2, rx=2) for i in range(5))
           + "".join(rect(sx + 38, sy + 16 + i * 12, sw - 46 - (i % 3) * 14, 5, LINE_2, rx=2)
                     for i in range(5)))
    return body + win


def step_badge(cx, cy, n):
    return circle(cx, cy, 10, GREEN, stroke=WHITE, sw=2) + text(cx, cy + 4, str(n), 11, WHITE, "bold", "middle")


def flow_arrow(x, y):
    return (path(f"M{x} {y} H{x + 30}", stroke=GREEN_MID, sw=3)
            + path(f"M{x + 26} {y - 7} L{x + 36} {y} L{x + 26} {y + 7}", stroke=GREEN_MID, sw=3))


def tap(cx, cy):
    """Where the finger goes: a soft ring that leaves the label readable."""
    return circle(cx, cy, 10, GREEN, opacity=0.12) + circle(cx, cy, 10, "none", stroke=GREEN, sw=1.2, opacity=0.55)


def toggle(x, y, on):
    if on:
        return rect(x, y, 18, 9, GREEN_PALE, rx=4.5) + circle(x + 13.5, y + 4.5, 5, GREEN)
    return rect(x, y, 18, 9, LINE, rx=4.5) + circle(x + 4.5, y + 4.5, 5, WHITE, stroke=LINE, sw=1)


def checkbox(x, y, on, size=9):
    if on:
        return rect(x, y, size, size, GREEN, rx=1.5) + check_mark(x, y, size, WHITE, 1.6)
    return rect(x + 0.5, y + 0.5, size - 1, size - 1, WHITE, rx=1.5, stroke=GREY_3, sw=1)


def home_screen(scr):
    sx, sy, sw, sh = scr
    out = rect(sx, sy, sw, sh, TINT) + rect(sx, sy, sw, 7, GREEN_DEEP)
    hues = (GREEN_MID, "#7FB6F2", AMBER, "#B59CF2", GREEN_PALE, "#F28B82")
    for i in range(12):
        col, row = i % 4, i // 4
        out += rect(sx + 10 + col * 27, sy + 18 + row * 30, 18, 18, hues[(i * 5) % 6], rx=5)
    return out + rect(sx + 10, sy + sh - 30, sw - 20, 22, WHITE, rx=11, opacity=0.8)


def settings_screen(scr, title, rows, dialog=None, toast=None):
    """A settings list; rows are (label, flags) with flags from 'hot', 'on', 'off', 'x7'."""
    sx, sy, sw, sh = scr
    if title is None:
        return home_screen(scr) + (phone_dialog(scr, **dialog) if dialog else "")
    out = rect(sx, sy, sw, 7, GREEN_DEEP) + rect(sx, sy + 7, sw, 22, GREEN)
    out += path(f"M{sx + 8} {sy + 18} h8 M{sx + 8} {sy + 18} l3 -3 M{sx + 8} {sy + 18} l3 3",
                stroke=WHITE, sw=1.3)
    out += text(sx + 22, sy + 22, title, 9.5, WHITE, "bold")
    ry = sy + 29
    taps = ""
    for label, flags in rows:
        hot = "hot" in flags
        if hot:
            out += rect(sx, ry, sw, 21, TINT)
        out += text(sx + 8, ry + 14, label, 8.5, GREEN_DARK if hot else INK, "bold" if hot else "normal")
        if "on" in flags or "off" in flags:
            out += toggle(sx + sw - 26, ry + 6, "on" in flags)
        if "x7" in flags:
            out += (rect(sx + sw - 27, ry + 4, 22, 13, AMBER, rx=6.5)
                    + text(sx + sw - 16, ry + 13.5, "x7", 8.5, WHITE, "bold", "middle"))
        if hot and not dialog:
            if "on" in flags:
                taps += tap(sx + sw - 12.5, ry + 10.5)
            elif "x7" in flags:
                taps += tap(sx + sw - 16, ry + 10.5)
            else:
                taps += tap(sx + sw - 16, ry + 11)
        out += line(sx, ry + 21.5, sx + sw, ry + 21.5, LINE_2)
        ry += 22
    if toast:
        out += (rect(sx + 8, sy + sh - 30, sw - 16, 20, INK_2, rx=10, opacity=0.92)
                + text(sx + sw / 2, sy + sh - 17, toast, 7.5, WHITE, "normal", "middle"))
    if dialog:
        out += phone_dialog(scr, **dialog)
    return out + taps


def phone_dialog(scr, title, body=(), buttons=(), hot=None, check=None, radios=None, top=None):
    sx, sy, sw, sh = scr
    dx, dw = sx + 6, sw - 12
    lines_h = 11 * len(body) + (14 if check else 0) + (16 * len(radios) if radios else 0)
    dh = 26 + lines_h + 26
    dy = top if top is not None else sy + (sh - dh) / 2
    out = rect(sx, sy, sw, sh, INK, opacity=0.45)
    out += rect(dx, dy, dw, dh, WHITE, rx=3)
    out += text(dx + 8, dy + 17, title, 8.5, INK, "bold")
    ty = dy + 31
    for b in body:
        out += text(dx + 8, ty, b, 7, GREY, "normal")
        ty += 11
    if check:
        out += checkbox(dx + 8, ty - 6, True, 8) + text(dx + 20, ty + 1, check, 6.8, INK)
        ty += 14
    if radios:
        for label, on in radios:
            out += circle(dx + 12, ty - 2, 4, WHITE, stroke=GREEN if on else GREY_3, sw=1.2)
            if on:
                out += circle(dx + 12, ty - 2, 2, GREEN) + tap(dx + 12, ty - 2)
            out += text(dx + 21, ty + 1, label, 6.8, GREEN_DARK if on else INK, "bold" if on else "normal")
            ty += 16
    bx = dx + dw - 8
    for b in reversed(buttons):
        wdt = 7 + 5.6 * len(b)
        if b == hot:
            out += rect(bx - wdt - 2, dy + dh - 21, wdt + 4, 16, TINT, rx=3) + tap(bx - wdt / 2, dy + dh - 13)
        out += text(bx - wdt / 2, dy + dh - 9.5, b, 7.5, GREEN if b == hot else GREY_2, "bold", "middle")
        bx -= wdt + 8
    return out


def debug_strip(w, h, screens):
    """USB-debugging help: three numbered phone screens joined by arrows."""
    out = ""
    pw, ph = 132, 232
    xs = [28, (w - pw) // 2, w - 28 - pw]
    for i, shown in enumerate(screens):
        x = xs[i]
        body, scr = phone(x, 10, pw, ph)
        out += body + settings_screen(scr, **shown) + step_badge(x + 4, 14, i + 1)
        if i < len(screens) - 1:
            out += flow_arrow(x + pw + (xs[1] - xs[0] - pw) // 2 - 18, 10 + ph // 2)
    return out


SETTINGS = "Settings"
DEV = "Developer options"

DEBUG_STEPS = {
    "2.0": [
        dict(title=SETTINGS, rows=[("Wireless & networks", ""), ("Call settings", ""), ("Sound", ""),
                                   ("Display", ""), ("Applications", "hot"), ("Accounts & sync", ""),
                                   ("Privacy", "")]),
        dict(title="Applications", rows=[("Unknown sources", "off"), ("Manage applications", ""),
                                         ("Running services", ""), ("Storage use", ""),
                                         ("Development", "hot")]),
        dict(title="Development", rows=[("USB debugging", "hot on"), ("Stay awake", "off"),
                                        ("Allow mock locations", "off")]),
    ],
    "3.0": [
        dict(title=SETTINGS, rows=[("Wi-Fi", ""), ("Sound", ""), ("Display", ""), ("Storage", ""),
                                   ("Apps", ""), ("Developer options", "hot"), ("About tablet", "")]),
        dict(title=DEV, rows=[("Desktop backup password", ""), ("Stay awake", "off"),
                              ("USB debugging", "hot on"), ("Allow mock locations", "off")]),
        dict(title=DEV, rows=[("Stay awake", "off"), ("USB debugging", "on"), ("Allow mock locations", "off")],
             dialog=dict(title="Allow USB debugging?",
                         body=("USB debugging is intended", "for development purposes", "only."),
                         buttons=("Cancel", "OK"), hot="OK")),
    ],
    "4.2": [
        dict(title=SETTINGS, rows=[("Display", ""), ("Storage", ""), ("Battery", ""), ("Apps", ""),
                                   ("Security", ""), ("Language & input", ""), ("About phone", "hot")]),
        dict(title="About phone", rows=[("Status", ""), ("Legal information", ""), ("Model number", ""),
                                        ("Android version", ""), ("Build number", "hot x7")],
             toast="You are now a developer!"),
        dict(title=DEV, rows=[("Take bug report", ""), ("Stay awake", "off"), ("USB debugging", "hot on"),
                              ("Allow mock locations", "off")]),
    ],
    "6.0": [
        dict(title="About phone", rows=[("Status", ""), ("Legal information", ""), ("Model number", ""),
                                        ("Android version", ""), ("Build number", "hot x7")],
             toast="You are now a developer!"),
        dict(title=DEV, rows=[("Stay awake", "off"), ("OEM unlocking", "off"), ("USB debugging", "hot on"),
                              ("Select USB Configuration", "")]),
        dict(title=DEV, rows=[("Stay awake", "off"), ("USB debugging", "on"), ("Select USB Configuration", "")],
             dialog=dict(title="Use USB for", body=(),
                         radios=(("Charging", False), ("File transfers (MTP)", True),
                                 ("Photo transfer (PTP)", False), ("MIDI", False)))),
    ],
}


def allow_access(w, h):
    pw, ph = 132, 232
    x1, x2 = 60, w - 60 - pw
    out = ""
    b1, s1 = phone(x1, 10, pw, ph)
    out += b1 + settings_screen(s1, None, [], dialog=dict(
        title="Allow USB debugging?",
        body=("The computer's RSA key", "fingerprint is:", "3A:9F:C1:07:5E:D2:44"),
        check="Always allow this computer", buttons=("CANCEL", "OK"), hot="OK"))
    b2, s2 = phone(x2, 10, pw, ph)
    out += b2 + settings_screen(s2, None, [], dialog=dict(
        title="Allow access to data?",
        body=("The connected device is", "trying to access data on", "this phone."),
        buttons=("DENY", "ALLOW"), hot="ALLOW"))
    out += step_badge(x1 + 4, 14, 1) + step_badge(x2 + 4, 14, 2)
    out += flow_arrow(x1 + pw + (x2 - x1 - pw) // 2 - 18, 10 + ph // 2)
    return out


def debug_ok(w, h):
    pw, ph = 90, 160
    x, y = (w - pw) // 2, (h - ph) // 2
    body, (sx, sy, sw, sh) = phone(x, y, pw, ph)
    cx, cy = sx + sw / 2, sy + sh / 2 - 4
    return (body + rect(sx, sy, sw, 6, GREEN_DEEP)
            + circle(cx, cy, 24, TINT) + circle(cx, cy, 17, GREEN)
            + check_mark(cx - 11, cy - 11, 22, WHITE, 3.2)
            + rect(sx + 14, sy + sh - 22, sw - 28, 4, LINE_2, rx=2)
            + rect(sx + 22, sy + sh - 14, sw - 44, 4, LINE_2, rx=2))


def device_phone(w, h, logo=True):
    body, (sx, sy, sw, sh) = phone(0, 0, w, h)
    size = min(sw, sh) * 0.55
    shine = path(f"M{sx} {sy} H{sx + sw * 0.6} L{sx} {sy + sh * 0.45} Z", fill=WHITE, opacity=0.5)
    screen = (rect(sx, sy, sw, sh, TINT) + shine + rect(sx, sy, sw, 6, GREEN_DEEP)
              + brand_logo(sx + (sw - size) / 2, sy + (sh - size) / 2 - 4, size))
    return body + (screen if logo else "")


# ---------------------------------------------------------------- PC window mock-ups


def pc_window(x, y, w, h, title):
    return (rect(x + 2, y + 3, w, h, INK, rx=3, opacity=0.12)
            + rect(x, y, w, h, WHITE, rx=3, stroke=LINE, sw=1)
            + path(f"M{x + 0.5} {y + 24} V{y + 3} a2.5 2.5 0 0 1 2.5 -2.5 H{x + w - 3} "
                   f"a2.5 2.5 0 0 1 2.5 2.5 V{y + 24} Z", fill=PAPER)
            + line(x + 0.5, y + 24.5, x + w - 0.5, y + 24.5, LINE_2)
            + text(x + 10, y + 16, title, 10, INK)
            + cross(x + w - 14, y + 12.5, 3.5, GREY_2, 1.3))


def shield(x, y, s, fill):
    d = (f"M{x + s / 2} {y} L{x + s} {y + s * 0.16} V{y + s * 0.5} "
         f"C{x + s} {y + s * 0.78} {x + s * 0.75} {y + s * 0.94} {x + s / 2} {y + s * 1.05} "
         f"C{x + s * 0.25} {y + s * 0.94} {x} {y + s * 0.78} {x} {y + s * 0.5} V{y + s * 0.16} Z")
    return (path(d, fill=fill) + rect(x + s / 2 - 1.5, y + s * 0.22, 3, s * 0.42, WHITE, rx=1.5)
            + circle(x + s / 2, y + s * 0.8, 1.9, WHITE))


def cursor(x, y):
    d = f"M{x} {y} V{y + 16} L{x + 4} {y + 12} L{x + 7} {y + 18.5} L{x + 9.5} {y + 17.3} L{x + 6.6} {y + 11} H{x + 11.5} Z"
    return path(d, fill=WHITE, stroke=INK, sw=1.1, join="round")


def driver_verify(w, h):
    x, y, ww, wh = 8, 6, w - 18, h - 16
    out = pc_window(x, y, ww, wh, "Security")
    out += shield(x + 16, y + 36, 30, RED)
    out += text(x + 60, y + 50, "Can't verify the publisher of this driver software", 12, INK, "bold")
    o1, o2 = y + 66, y + 114
    out += path(f"M{x + 62} {o1 + 14} h10 M{x + 68} {o1 + 9} l5 5 l-5 5", stroke=GREY_2, sw=1.6)
    out += text(x + 82, o1 + 18, "Don't install this driver software", 11.5, GREY, "bold")
    out += text(x + 82, o1 + 33, "Check your manufacturer's website for updated driver software.", 9, GREY_2)
    out += rect(x + 54, o2 - 2, ww - 66, 44, TINT, rx=3, stroke=GREEN, sw=1.5)
    out += path(f"M{x + 62} {o2 + 14} h10 M{x + 68} {o2 + 9} l5 5 l-5 5", stroke=GREEN, sw=1.8)
    out += text(x + 82, o2 + 18, "Install this driver software anyway", 11.5, GREEN_DARK, "bold")
    out += text(x + 82, o2 + 33, "Only install driver software from your manufacturer's disc or site.", 9, GREY)
    return out + cursor(x + ww - 34, o2 + 20)


def firewall(w, h):
    x, y, ww, wh = 6, 4, w - 14, h - 12
    out = pc_window(x, y, ww, wh, "Security Alert")
    out += shield(x + 14, y + 34, 28, AMBER)
    out += text(x + 54, y + 44, "The firewall has blocked some features of this app", 11, INK, "bold")
    out += text(x + 54, y + 61, "Allow it to communicate on these networks:", 9.5, GREY)
    out += checkbox(x + 54, y + 68, True, 10) + text(x + 69, y + 77, "Private networks, such as my home or work network", 9, INK)
    bx, by = x + ww - 190, y + wh - 31
    out += rect(bx, by, 104, 22, TINT, rx=3, stroke=GREEN, sw=1.5)
    out += shield(bx + 9, by + 5, 11, AMBER) + text(bx + 26, by + 15, "Allow access", 10, GREEN_DARK, "bold")
    out += rect(bx + 112, by + 0.5, 64, 21, WHITE, rx=3, stroke=LINE, sw=1)
    out += text(bx + 144, by + 15, "Cancel", 10, INK, "normal", "middle")
    return out + cursor(bx + 92, by + 13)


# ---------------------------------------------------------------- wizard animations


def cable_dots(w, h, f, frames):
    out = ""
    n = 10
    cy = h / 2
    for i in range(n):
        cx = 8 + i * (w - 16) / (n - 1)
        d = (f - i) % frames
        if d == 0:
            out += circle(cx, cy, 4.5, GREEN)
        elif d == 1:
            out += circle(cx, cy, 4, GREEN_MID)
        elif d == 2:
            out += circle(cx, cy, 3.5, GREEN_PALE)
        else:
            out += circle(cx, cy, 3, LINE_2)
    return out


def connect_break(w, h):
    cy, cx = h / 2, w / 2
    out = ""
    for i in range(10):
        x = 8 + i * (w - 16) / 9
        if abs(x - cx) > 20:
            out += circle(x, cy, 3, LINE)
    return out + circle(cx, cy, 13, RED) + cross(cx, cy, 5, WHITE, 2.4)


def cloud(cx, cy, fill):
    return (circle(cx - 15, cy + 4, 11, fill) + circle(cx + 2, cy - 5, 16, fill) + circle(cx + 18, cy + 4, 11, fill)
            + rect(cx - 15, cy + 3, 33, 12, fill))


def chip(x, y, w, h, fill, pin):
    pins = "".join(rect(x - 7, y + 8 + i * 10, 7, 4, pin, rx=1) + rect(x + w, y + 8 + i * 10, 7, 4, pin, rx=1)
                   for i in range((h - 10) // 10))
    return (pins + rect(x, y, w, h, fill, rx=6) + rect(x + 12, y + 10, w - 24, h - 20, WHITE, rx=3, opacity=0.9)
            + gear_small(x + w / 2, y + h / 2, fill))


def gear_small(cx, cy, c):
    return glyphs.gear(cx, cy, 8, 6, 2.8, 8, c)


def driver_frame(w, h, f, frames):
    cx = w / 2
    out = cloud(cx, 30, TINT_2)
    off = -f * 12.0 / frames
    out += path(f"M{cx} 50 V78", stroke=GREEN, sw=3, cap="butt", dash="7 5", dash_offset=off)
    bob = (0, 1, 2, 3, 4, 4, 3, 2, 1, 0)[f * 10 // frames]
    out += path(f"M{cx - 8} {73 + bob} L{cx} {82 + bob} L{cx + 8} {73 + bob}", stroke=GREEN, sw=3)
    out += chip(cx - 34, 92, 68, 44, GREEN, GREY_3)
    # The chip's window fills as the driver comes in, then starts over.
    fill = 44 * (f + 1) / frames
    out += rect(cx - 22, 127, 44, 3, GREEN_PALE, rx=1.5) + rect(cx - 22, 127, fill, 3, WHITE, rx=1.5)
    return out


def driver_failed(w, h):
    cx = w / 2
    out = cloud(cx, 30, LINE_2)
    out += path(f"M{cx} 50 V78", stroke=GREY_3, sw=3, cap="butt", dash="7 5")
    out += chip(cx - 34, 92, 68, 44, GREY_3, LINE)
    out += circle(cx + 30, 66, 14, RED, stroke=WHITE, sw=2) + cross(cx + 30, 66, 5, WHITE, 2.4)
    return out


def spinner_frame(w, h, f, frames):
    out = ""
    cx, cy = w / 2, h / 2
    for i in range(8):
        a = math.radians(i * 45 - 90)
        age = (f - i) % frames
        op = {0: 1.0, 1: 0.75, 2: 0.5}.get(age, 0.25)
        out += circle(cx + 5.3 * math.cos(a), cy + 5.3 * math.sin(a), 1.6, GREEN, opacity=op)
    return out


# ---------------------------------------------------------------- toolkit logos

LOGO_HUES = {
    "phone-rescue": (GREEN_LIGHT, GREEN_DARK),
    "phone-switch": ("#4C9BFF", "#1F63D6"),
    "data-eraser": ("#F27363", "#C9353A"),
    "backup-vault": ("#2CC0CF", "#14879A"),
    "video-converter": ("#9A7BF4", "#6244C9"),
    "ringtone-maker": ("#F9B14A", "#E07A16"),
}


def logo(name, size):
    top, bottom = LOGO_HUES[name]
    gid = "lg_" + name.replace("-", "_")
    s = size / 80.0
    back = gradient(gid, top, bottom) + f'<rect x="2" y="2" width="76" height="76" rx="18" fill="url(#{gid})"/>'
    g = LOGO_GLYPHS[name](bottom)
    return group(back + g, 0, 0, s)


def _logo_rescue(c):
    ph = rect(24, 14, 26, 46, WHITE, rx=5) + rect(28, 21, 18, 30, c, rx=1.5) + circle(37, 55.5, 2, c)
    badge = circle(53, 53, 14, WHITE)
    return ph + badge + group(glyphs.tool_reset(c), 53 - 12, 53 - 12, 1.5)


def _logo_switch(c):
    a = rect(12, 20, 20, 38, WHITE, rx=4) + rect(15, 25, 14, 24, c, rx=1)
    b = rect(48, 20, 20, 38, WHITE, rx=4) + rect(51, 25, 14, 24, c, rx=1)
    arrows = (path("M34 31 H45 M41 27 l4 4 l-4 4", stroke=WHITE, sw=2.6)
              + path("M46 47 H35 M39 43 l-4 4 l4 4", stroke=WHITE, sw=2.6))
    return a + b + arrows


def _logo_eraser(c):
    tip = path("M20 47 L41 26 L54 39 L33 60 H24 L20 56 Z", fill=WHITE)
    head = path("M41 26 L49 18 a3 3 0 0 1 4 0 L61 26 a3 3 0 0 1 0 4 L54 39 Z", fill=WHITE, opacity=0.65)
    return tip + head + path("M33 60 H62", stroke=WHITE, sw=3) + path("M26 48 L38 60", stroke=c, sw=2)


def _logo_vault(c):
    box = rect(16, 18, 48, 42, WHITE, rx=6) + rect(20, 60, 8, 4, WHITE, rx=1) + rect(52, 60, 8, 4, WHITE, rx=1)
    dial = circle(40, 39, 11, c) + circle(40, 39, 4, WHITE)
    spokes = "".join(path(d, stroke=WHITE, sw=2) for d in ("M40 28 v5", "M40 45 v5", "M29 39 h5", "M46 39 h5"))
    return box + dial + spokes + rect(56, 30, 3, 18, c, rx=1.5)


def _logo_video(c):
    film = rect(14, 20, 52, 40, WHITE, rx=5)
    holes = "".join(rect(18, 24 + i * 9, 5, 5, c, rx=1) + rect(57, 24 + i * 9, 5, 5, c, rx=1) for i in range(4))
    return film + holes + path("M34 29 L50 40 L34 51 Z", fill=c)


def _logo_ringtone(c):
    note = (rect(31, 18, 4, 30, WHITE) + path("M35 18 C40 24 48 22 48 32 C45 27 40 27 35 27 Z", fill=WHITE)
            + '<ellipse cx="27" cy="50" rx="8.5" ry="7" fill="#FFFFFF"/>')
    waves = (path("M52 36 a8 8 0 0 1 0 12", stroke=WHITE, sw=3)
             + path("M57 31 a14 14 0 0 1 0 22", stroke=WHITE, sw=3, opacity=0.7))
    return note + waves


LOGO_GLYPHS = {
    "phone-rescue": _logo_rescue,
    "phone-switch": _logo_switch,
    "data-eraser": _logo_eraser,
    "backup-vault": _logo_vault,
    "video-converter": _logo_video,
    "ringtone-maker": _logo_ringtone,
}
