"""Renders every theme image listed in images.txt.

    theme.py MANIFEST OUTPUT_DIR

Each manifest line names a theme-relative path (backslashes, as the program
spells it), its pixel size, a recipe with its arguments, and after "|" the
image's role. The recipe builds SVG; rsvg-convert rasterises it; ImageMagick
turns frames into animated GIFs and flattens the BMP pieces. Every written
file is checked against the size the manifest gives.
"""

import concurrent.futures
import os
import shutil
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import art  # noqa: E402
import glyphs as G  # noqa: E402
from svg import (AMBER, GREEN, GREEN_DARK, GREEN_MID, GREEN_PALE, GREY, GREY_2, GREY_3, LINE, LINE_2,  # noqa: E402
                 RED, TINT, WHITE, check_mark, circle, cross, doc, group, path, rect, text)

CONVERT = "/usr/bin/convert"  # ImageMagick 6; anything else called "convert" may be a stand-in

TOOL = {
    "add": G.tool_add, "delete": G.tool_delete, "edit": G.tool_edit, "export": G.tool_export,
    "import": G.tool_import, "refresh": G.tool_refresh, "reset": G.tool_reset, "remove": G.tool_remove,
    "playlist-add": G.tool_playlist_add, "expand": G.tool_expand, "download": G.tool_download,
}
WIN = {
    "close": G.win_close, "min": G.win_min, "maximize": G.win_maximize, "restore": G.win_restore,
    "setting": G.win_setting, "help": G.win_help, "home": G.win_home,
}
SECTION = {
    "home": G.sec_home, "apps": G.sec_apps, "contacts": G.sec_contacts, "sms": G.sec_sms,
    "music": G.sec_music, "photo": G.sec_photo, "video": G.sec_video, "book": G.sec_book,
    "files": G.sec_files,
}
INFO = {
    "model": G.info_model, "memory": G.info_memory, "power": G.info_power, "status": G.info_status,
    "storage": G.info_storage, "sysversion": G.info_sysversion,
}


def centred(w, h, gw, gh, body):
    return group(body, (w - gw) // 2, (h - gh) // 2)


# ---------------------------------------------------------------- recipes: small controls


def r_tool(w, h, glyph, state):
    colour = {"normal": GREY, "pressed": GREEN, "accent": GREEN}[state]  # accent: a label icon, always green
    return doc(w, h, centred(w, h, 16, 16, TOOL[glyph](colour)))


def r_win(w, h, glyph, state):
    back = ""
    if state == "pressed":
        back = rect(0, 0, w, h, RED if glyph == "close" else "#000000", rx=4,
                    opacity=None if glyph == "close" else 0.2)
    return doc(w, h, back + centred(w, h, 20, 20, WIN[glyph](WHITE)))


def r_section(w, h, glyph):
    return doc(w, h, centred(w, h, 24, 24, SECTION[glyph](GREEN, GREEN_MID)))


def r_arrow(w, h, direction):
    d = "M4 2 L9 6 L4 10 Z" if direction == "right" else "M2 4 H10 L6 9 Z"
    return doc(w, h, centred(w, h, 12, 12, path(d, fill=GREY_2)))


def r_check(w, h, state):
    if state == "yes":
        return doc(w, h, rect(0, 0, w, h, GREEN, rx=3) + check_mark(0, 0, w, WHITE, 2.0))
    return doc(w, h, rect(0.5, 0.5, w - 1, h - 1, WHITE, rx=2.5, stroke=GREY_3))


def r_radio(w, h, state):
    c = w / 2
    if state == "yes":
        return doc(w, h, circle(c, c, c - 0.5, WHITE, stroke=GREEN) + circle(c, c, c - 4, GREEN))
    return doc(w, h, circle(c, c, c - 0.5, WHITE, stroke=GREY_3))


def r_alert(w, h):
    c = w / 2
    return doc(w, h, circle(c, c, c - 0.5, AMBER) + rect(c - 1.75, w * 0.22, 3.5, w * 0.38, WHITE, rx=1.75)
               + circle(c, w * 0.74, 2.2, WHITE))


def r_search(w, h):
    return doc(w, h, G.search_glass(w / 2 - 2, h / 2 - 2, GREY, 5.0, 2.0), bg=WHITE)


def r_device_close(w, h, state):
    c = w / 2
    if state == "pressed":
        return doc(w, h, circle(c, c, c, GREY_2) + cross(c, c, 2.8, WHITE, 1.6))
    return doc(w, h, cross(c, c, 3.2, GREY_3, 1.6))


def r_tab_phone(w, h):
    body = (rect(7, 1, 14, 26, GREEN, rx=3) + rect(9, 5, 10, 16, WHITE, rx=1)
            + rect(12, 2.5, 4, 1, GREEN_PALE) + circle(14, 24, 1.3, WHITE)
            + check_mark(9.5, 7.5, 9, GREEN, 1.8))
    return doc(w, h, centred(w, h, 28, 28, body))


def r_edit_row(w, h, kind, state):
    c = w / 2
    colour = GREEN if kind == "add" else RED
    mark = rect(c - 4, c - 1, 8, 2, "{m}") + (rect(c - 1, c - 4, 2, 8, "{m}") if kind == "add" else "")
    if state == "pressed":
        return doc(w, h, circle(c, c, c, colour) + mark.replace("{m}", WHITE))
    return doc(w, h, circle(c, c, c - 0.75, WHITE, stroke=colour, sw=1.5) + mark.replace("{m}", colour))


def r_preview_edit(w, h):
    return doc(w, h, circle(w / 2, h / 2, w / 2, TINT) + group(G.tool_edit(GREEN), (w - 16) / 2 + 0.5, (h - 16) / 2))


def r_detail(w, h, state):
    c = w / 2
    if state == "pressed":
        base, ink = circle(c, c, c, GREEN), WHITE
    else:
        base, ink = circle(c, c, c - 0.75, WHITE, stroke=GREY_2, sw=1.5), GREY_2
    return doc(w, h, base + circle(c, c - 4, 1.4, ink) + rect(c - 1, c - 1.5, 2, 7, ink, rx=1))


def r_step(w, h, state):
    c = w / 2
    if state == "on":
        return doc(w, h, circle(c, c, c, GREEN) + check_mark(c - 8, c - 8, 16, WHITE, 2.6))
    return doc(w, h, circle(c, c, c - 1, WHITE, stroke=LINE, sw=2) + circle(c, c, 4, LINE))


# ---------------------------------------------------------------- recipes: content


def tile_glyph(kind):
    """Glyphs of the 40 px list tiles, drawn in a 24 px box."""
    if kind == "contacts":
        return circle(12, 8.5, 5, GREEN) + path("M3 22 c0-5.5 4-8.5 9-8.5 s9 3 9 8.5z", fill=GREEN)
    return SECTION[kind](GREEN, GREEN_MID)


def r_tile(w, h, kind):
    if kind == "contacts":
        return doc(w, h, circle(w / 2, h / 2, w / 2, TINT) + group(tile_glyph(kind), (w - 24) / 2, (h - 24) / 2 + 1))
    return doc(w, h, rect(0, 0, w, h, TINT, rx=8) + group(tile_glyph(kind), (w - 24) / 2, (h - 24) / 2))


def r_avatar(w, h):
    s = w / 24.0
    person = (circle(12, 9, 4.6, GREEN_MID) + path("M3.5 22 c0-5 3.8-8 8.5-8 s8.5 3 8.5 8z", fill=GREEN_MID))
    return doc(w, h, circle(w / 2, h / 2, w / 2, TINT) + group(person, w * 0.15, h * 0.16, s * 0.7))


def r_info(w, h, glyph, tone):
    a, b = (GREEN, GREEN_MID) if tone == "color" else (GREY_3, LINE)
    return doc(w, h, centred(w, h, 32, 32, INFO[glyph](a, b)))


def r_mail_read(w, h):
    flap = path("M3 13 L16 3.5 L29 13 Z", fill=LINE)
    paper = rect(7, 7, 18, 14, WHITE, stroke=GREY_3, sw=1) + rect(10, 11, 12, 1.5, LINE) + rect(10, 14.5, 9, 1.5, LINE)
    body = path("M3 13 L16 22 L29 13 V27 a1.5 1.5 0 0 1 -1.5 1.5 H4.5 A1.5 1.5 0 0 1 3 27 Z", fill=GREY_3)
    folds = path("M3.5 27.5 L13 19.5 M28.5 27.5 L19 19.5", stroke=WHITE, sw=1.2)
    return doc(w, h, centred(w, h, 32, 32, flap + paper + body + folds))


def r_send_failed(w, h):
    c = w / 2
    return doc(w, h, circle(c, c, c, RED) + rect(c - 1, 3.5, 2, 5.5, WHITE, rx=1) + circle(c, 11.7, 1.2, WHITE))


def r_send(w, h, state):
    fill = GREEN if state == "normal" else GREEN_DARK
    plane = path("M12 9 L30 15 L12 21 L14.5 15.8 L22 15 L14.5 14.2 Z", fill=WHITE)
    return doc(w, h, rect(0, 0, w, h, fill, rx=4) + group(plane, 2, 0)
               + text(42, h / 2 + 4.5, "Send", 13, WHITE, "bold"))


BUBBLE = {"in": ("#F1F3F2", LINE_2), "out": (TINT, "#B9E3CD")}


def r_bubble(w, h, side, part):
    """Message bubble pieces: the body is 8 px in from the tail's side."""
    fill, edge = BUBBLE[side]
    inset = 8
    x0, x1 = (inset, w) if side == "in" else (0, w - inset)
    bw = x1 - x0
    if part == "center":
        return doc(w, h, rect(x0, 0, bw, h, edge) + rect(x0 + 1, 0, bw - 2, h, fill), bg=WHITE)
    if part == "top":
        return doc(w, h, rect(x0 + 0.5, 0.5, bw - 1, h + 12, fill, rx=9, stroke=edge))
    # bottom: rounded foot; on the sender's side the corner runs out into the tail
    if side == "in":
        d = (f"M{x0 + 0.5} -1 V{h - 9} Q{x0 + 0.5} {h - 1.5} 0.5 {h - 0.5} H{x1 - 9.5} "
             f"A9 9 0 0 0 {x1 - 0.5} {h - 9.5} V-1 Z")
    else:
        d = (f"M{x1 - 0.5} -1 V{h - 9} Q{x1 - 0.5} {h - 1.5} {w - 0.5} {h - 0.5} H{x0 + 9.5} "
             f"A9 9 0 0 1 {x0 + 0.5} {h - 9.5} V-1 Z")
    return doc(w, h, path(d, fill=fill, stroke=edge, sw=1, join="round"))


def r_wifi_button(w, h, state):
    if state == "pressed":
        back, ink = rect(0, 0, w, h, GREEN, rx=h / 2), WHITE
    else:
        back, ink = rect(0.5, 0.5, w - 1, h - 1, WHITE, rx=h / 2 - 0.5, stroke=GREEN, sw=1), GREEN
    cx, cy = 22, h / 2 + 5
    waves = (circle(cx, cy, 1.8, ink)
             + path(f"M{cx - 4.2} {cy - 4.2} a6 6 0 0 1 8.4 0", stroke=ink, sw=1.9)
             + path(f"M{cx - 7.4} {cy - 7.4} a10.5 10.5 0 0 1 14.8 0", stroke=ink, sw=1.9))
    return doc(w, h, back + waves + text(36, h / 2 + 4.5, "Connect via WIFI", 12.5, ink, "bold"))


def r_toolkit_new(w, h):
    tri = path(f"M0 0 H{w} V{h} Z", fill="#F26B3A")
    label = text(0, 0, "NEW", 10, WHITE, "bold", "middle",
                 extra=f' transform="translate({w * 0.64:.1f} {h * 0.36:.1f}) rotate(45)" letter-spacing="0.5"')
    return doc(w, h, tri + label)


def r_logo(w, h, name):
    return doc(w, h, art.logo(name, w))


# ---------------------------------------------------------------- recipes: illustrations


def r_art(w, h, name):
    if name in ("phone", "my-device-phone"):
        return doc(w, h, art.device_phone(w, h))
    if name == "computer":
        return doc(w, h, art.monitor(0, 0, w, h))
    if name == "connect-break":
        return doc(w, h, art.connect_break(w, h), bg=WHITE)
    if name == "download-failed":
        return doc(w, h, art.driver_failed(w, h), bg=WHITE)
    if name == "driver-verify":
        return doc(w, h, art.driver_verify(w, h), bg=WHITE)
    if name == "firewall":
        return doc(w, h, art.firewall(w, h), bg=WHITE)
    if name == "allow-access":
        return doc(w, h, art.allow_access(w, h), bg=WHITE)
    if name == "debug-ok":
        return doc(w, h, art.debug_ok(w, h), bg=WHITE)
    if name.startswith("debug-"):
        return doc(w, h, art.debug_strip(w, h, art.DEBUG_STEPS[name[6:]]), bg=WHITE)
    raise KeyError(name)


ANIMATIONS = {"connect": art.cable_dots, "driver": art.driver_frame, "spinner": art.spinner_frame}


def r_anim(w, h, name, frames, delay):
    n = int(frames)
    return [doc(w, h, ANIMATIONS[name](w, h, f, n), bg=WHITE) for f in range(n)], int(delay)


RECIPES = {
    "tool": r_tool, "win": r_win, "section": r_section, "arrow": r_arrow, "check": r_check,
    "radio": r_radio, "alert": r_alert, "search": r_search, "device-close": r_device_close,
    "tab-phone": r_tab_phone, "edit-row": r_edit_row, "preview-edit": r_preview_edit,
    "detail": r_detail, "step": r_step, "tile": r_tile, "avatar": r_avatar, "info": r_info,
    "mail-read": r_mail_read, "send-failed": r_send_failed, "send": r_send, "bubble": r_bubble,
    "wifi-button": r_wifi_button, "toolkit-new": r_toolkit_new, "logo": r_logo, "art": r_art,
    "anim": r_anim,
}


# ---------------------------------------------------------------- manifest and rendering


def read_manifest(path_):
    items = []
    with open(path_, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            entry = raw.split("|", 1)[0].strip()
            if not entry or entry.startswith("#"):
                continue
            fields = entry.split()
            if len(fields) < 3:
                sys.exit(f"{path_}:{number}: expected PATH WxH RECIPE [ARGS]")
            w, h = (int(v) for v in fields[1].split("x"))
            items.append((fields[0], w, h, fields[2], fields[3:], number))
    return items


def image_size(file_):
    with open(file_, "rb") as f:
        head = f.read(32)
    if head[:8] == b"\x89PNG\r\n\x1a\n":
        return struct.unpack(">II", head[16:24])
    if head[:3] == b"GIF":
        return struct.unpack("<HH", head[6:10])
    if head[:2] == b"BM":
        w, h = struct.unpack("<ii", head[18:26])
        return w, abs(h)
    return None


def run(cmd):
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)


def rasterise(svg_text, svg_file, png_file, opaque=False):
    with open(svg_file, "w", encoding="utf-8") as f:
        f.write(svg_text)
    cmd = ["rsvg-convert", "-f", "png", "-o", png_file]
    if opaque:
        cmd[1:1] = ["-b", "white"]
    run(cmd + [svg_file])


def build(item, out_dir, work):
    rel, w, h, recipe, args, number = item
    target = os.path.join(out_dir, *rel.split("\\"))
    os.makedirs(os.path.dirname(target), exist_ok=True)
    stem = os.path.join(work, f"{number:04d}")
    result = RECIPES[recipe](w, h, *args)
    ext = os.path.splitext(rel)[1].lower()
    if ext == ".gif":
        frames, delay = result
        pngs = []
        for i, frame in enumerate(frames):
            png = f"{stem}-{i:02d}.png"
            rasterise(frame, f"{stem}-{i:02d}.svg", png, opaque=True)
            pngs.append(png)
        run([CONVERT, "-delay", str(delay), "-loop", "0"] + pngs + ["+dither", "-colors", "255", target])
    elif ext == ".bmp":
        png = stem + ".png"
        rasterise(result, stem + ".svg", png, opaque=True)
        run([CONVERT, png, "-alpha", "off", "BMP3:" + target])
    else:
        rasterise(result, stem + ".svg", target)
    got = image_size(target)
    if got != (w, h):
        raise RuntimeError(f"{rel}: drawn at {got}, manifest says {w}x{h}")
    return rel


def main(argv):
    if len(argv) != 3:
        sys.exit("usage: theme.py MANIFEST OUTPUT_DIR")
    manifest, out_dir = argv[1], argv[2]
    for tool in ("rsvg-convert", CONVERT):
        if not shutil.which(tool):
            sys.exit(f"theme: {tool} is missing (librsvg2-bin, imagemagick)")
    items = read_manifest(manifest)
    seen = set()
    for item in items:
        if item[0].lower() in seen:
            sys.exit(f"{manifest}:{item[5]}: {item[0]} is listed twice")
        seen.add(item[0].lower())
    os.makedirs(out_dir, exist_ok=True)
    work = tempfile.mkdtemp(prefix="zs-theme-")
    failed = 0
    try:
        with concurrent.futures.ThreadPoolExecutor(max_workers=max(2, os.cpu_count() or 2)) as pool:
            jobs = {pool.submit(build, item, out_dir, work): item for item in items}
            for job in concurrent.futures.as_completed(jobs):
                try:
                    job.result()
                except Exception as e:  # report every broken image, not just the first
                    failed += 1
                    print(f"theme: {jobs[job][0]}: {e}", file=sys.stderr)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if failed:
        sys.exit(f"theme: {failed} of {len(items)} images failed")
    print(f"theme: {len(items)} images in {out_dir}")


if __name__ == "__main__":
    main(sys.argv)
