#!/usr/bin/env python3
"""Builds the demo phones' apps (.apk) and books (.epub, .pdf, .txt) into modules/courier/data.

An .apk here is what the device service reads of a real one: a zip holding a compiled (binary
XML) AndroidManifest.xml, for some apps a resources.arsc that the manifest's label and icon
refer to, and launcher icons as PNGs. The binary XML and resource table encoders below write
the same chunk layout as Android's build tools, so no SDK is needed. Output is deterministic:
fixed zip times, icons painted from the app's name.

Usage: make_demo_packages.py [data folder]
"""
import json
import os
import struct
import sys
import zipfile
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_demo_media import Canvas  # noqa: E402

ANDROID_NS = "http://schemas.android.com/apk/res/android"
ATTR_LABEL, ATTR_ICON, ATTR_VERSION_CODE, ATTR_VERSION_NAME = 0x01010001, 0x01010002, 0x0101021B, 0x0101021C
TYPE_REFERENCE, TYPE_STRING, TYPE_INT_DEC = 0x01, 0x03, 0x10
ZIP_TIME = (1980, 1, 1, 0, 0, 0)
ICON_ID, LABEL_ID = 0x7F010000, 0x7F020000


def chunk(kind, header, body):
    """A resource chunk: type, header size, total size, the rest of the header, the body."""
    return struct.pack("<HHI", kind, 8 + len(header), 8 + len(header) + len(body)) + header + body


def string_pool(strings, utf8):
    offsets, data = [], bytearray()
    for s in strings:
        offsets.append(len(data))
        if utf8:
            raw = s.encode("utf-8")
            for n in (len(s.encode("utf-16-le")) // 2, len(raw)):
                data += bytes([n]) if n < 0x80 else bytes([0x80 | (n >> 8), n & 0xFF])
            data += raw + b"\0"
        else:
            raw = s.encode("utf-16-le")
            data += struct.pack("<H", len(raw) // 2) + raw + b"\0\0"
    while len(data) % 4:
        data += b"\0"
    header = struct.pack("<IIIII", len(strings), 0, (1 << 8) if utf8 else 0, 28 + 4 * len(strings), 0)
    return chunk(0x0001, header, b"".join(struct.pack("<I", o) for o in offsets) + bytes(data))


class Axml:
    """A compiled XML document; attributes named by the platform's ids go first in the pool."""

    def __init__(self, attribute_ids):
        self.strings = list(attribute_ids)  # names whose index is their resource-map slot
        self.ids = [attribute_ids[name] for name in attribute_ids]
        self.body = bytearray()

    def index(self, s):
        if s not in self.strings:
            self.strings.append(s)
        return self.strings.index(s)

    def _node(self, kind, ext):
        self.body += chunk(kind, struct.pack("<II", 1, 0xFFFFFFFF), ext)

    def start(self, name, attributes):
        """attributes: (namespace or None, name, (type, value))."""
        encoded = bytearray()
        for ns, attr, (kind, value) in attributes:
            raw = 0xFFFFFFFF
            if kind == TYPE_STRING:
                raw = value = self.index(value)
            ns_index = self.index(ns) if ns else 0xFFFFFFFF
            encoded += struct.pack("<IIIHBBI", ns_index, self.index(attr), raw, 8, 0, kind, value)
        ext = struct.pack("<IIHHHHHH", 0xFFFFFFFF, self.index(name), 20, 20, len(attributes), 0, 0, 0)
        self._node(0x0102, ext + bytes(encoded))

    def end(self, name):
        self._node(0x0103, struct.pack("<II", 0xFFFFFFFF, self.index(name)))

    def namespace(self, start):
        self._node(0x0100 if start else 0x0101, struct.pack("<II", self.index("android"), self.index(ANDROID_NS)))

    def bytes(self):
        resource_map = chunk(0x0180, b"", b"".join(struct.pack("<I", i) for i in self.ids))
        return chunk(0x0003, b"", string_pool(self.strings, False) + resource_map + bytes(self.body))


def manifest(app, referenced):
    doc = Axml({"label": ATTR_LABEL, "icon": ATTR_ICON, "versionCode": ATTR_VERSION_CODE,
                "versionName": ATTR_VERSION_NAME})
    doc.namespace(True)
    doc.start("manifest", [(ANDROID_NS, "versionCode", (TYPE_INT_DEC, app["versionCode"])),
                           (ANDROID_NS, "versionName", (TYPE_STRING, app["version"])),
                           (None, "package", (TYPE_STRING, app["package"]))])
    doc.start("uses-sdk", [])
    doc.end("uses-sdk")
    if referenced:
        label = [(ANDROID_NS, "label", (TYPE_REFERENCE, LABEL_ID)), (ANDROID_NS, "icon", (TYPE_REFERENCE, ICON_ID))]
    else:
        label = [(ANDROID_NS, "label", (TYPE_STRING, app["name"]))]
    doc.start("application", label)
    doc.end("application")
    doc.end("manifest")
    doc.namespace(False)
    return doc.bytes()


def config(density=0, language=b"\0\0"):
    """A 64-byte ResTable_config with only the language and the density set."""
    data = bytearray(64)
    struct.pack_into("<I", data, 0, 64)
    data[8:10] = language
    struct.pack_into("<H", data, 14, density)
    return bytes(data)


def table_type(type_id, cfg, key, string_index):
    entry = struct.pack("<HHI", 8, 0, key) + struct.pack("<HBBI", 8, 0, TYPE_STRING, string_index)
    header = struct.pack("<BBHII", type_id, 0, 0, 1, 20 + len(cfg) + 4) + cfg
    return chunk(0x0201, header, struct.pack("<I", 0) + entry)


def resource_table(label, translated):
    """Label in the default and one other language; icon in two densities and a vector."""
    values = [label, translated, "res/mipmap-mdpi-v4/ic_launcher.png", "res/mipmap-xhdpi-v4/ic_launcher.png",
              "res/mipmap-anydpi-v26/ic_launcher.xml"]
    types = string_pool(["mipmap", "string"], True)
    keys = string_pool(["ic_launcher", "app_name"], True)
    type_spec = b"".join(chunk(0x0202, struct.pack("<BBHI", t, 0, 0, 1), struct.pack("<I", 0)) for t in (1, 2))
    body = types + keys + type_spec
    body += table_type(1, config(160), 0, 2) + table_type(1, config(0xFFFF), 0, 4) + table_type(1, config(320), 0, 3)
    body += table_type(2, config(), 1, 0) + table_type(2, config(0, b"de"), 1, 1)
    name = "demo".encode("utf-16-le").ljust(256, b"\0")
    header = struct.pack("<I", 0x7F) + name + struct.pack("<IIIII", 288, 2, 288 + len(types), 2, 0)
    package = chunk(0x0200, header, body)
    return chunk(0x0002, struct.pack("<I", 1), string_pool(values, True) + package)


def icon(name, size, seed):
    # Round launcher icons are transparent outside their disc, as the phones' own are.
    hue = [(52, 120, 246), (236, 94, 60), (46, 170, 110), (150, 80, 210), (240, 180, 40), (30, 160, 190)][seed % 6]
    c = Canvas(size, size, alpha=True)
    c.rect(0, 0, size, size, hue + (0,))
    c.disc(size / 2 - 0.5, size / 2 - 0.5, size / 2 - 1, hue + (255,), soft=1.0)
    # A light bar and a dot: enough to tell the icons apart at a glance.
    white = (255, 255, 255, 255)
    c.rect(size // 4, size // 2 - size // 12, 3 * size // 4, size // 2 + size // 12, white)
    c.disc(size / 2, size / 4 + 2, size / 10 + (seed % 3), white)
    return c.png()


def write_zip(path, entries):
    with zipfile.ZipFile(path, "w") as z:
        for name, data, packed in entries:
            info = zipfile.ZipInfo(name, ZIP_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED if packed else zipfile.ZIP_STORED
            z.writestr(info, data)


def apk(app, referenced, seed):
    entries = [("AndroidManifest.xml", manifest(app, referenced), True), ("classes.dex", b"dex\n035\0", True)]
    if referenced:
        entries.append(("resources.arsc", resource_table(app["name"], app["name"] + " (de)"), False))
        entries.append(("res/mipmap-mdpi-v4/ic_launcher.png", icon(app["name"], 24, seed), False))
        entries.append(("res/mipmap-xhdpi-v4/ic_launcher.png", icon(app["name"], 48, seed), False))
    else:
        entries.append(("res/mipmap-hdpi/ic_launcher.png", icon(app["name"], 36, seed), False))
    return entries


def epub(title, author):
    container = ('<?xml version="1.0"?>\n<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:'
                 'container">\n  <rootfiles>\n    <rootfile full-path="OEBPS/content.opf" media-type="application/'
                 'oebps-package+xml"/>\n  </rootfiles>\n</container>\n')
    opf = ('<?xml version="1.0" encoding="UTF-8"?>\n<package xmlns="http://www.idpf.org/2007/opf" version="3.0" '
           'unique-identifier="id">\n  <metadata xmlns:dc="http://purl.org/dc/elements/1.1/">\n'
           f'    <dc:identifier id="id">urn:demo:{zlib.crc32(title.encode()) % 100000}</dc:identifier>\n'
           f'    <dc:title>{title}</dc:title>\n    <dc:creator>{author}</dc:creator>\n'
           '    <dc:language>en</dc:language>\n  </metadata>\n  <manifest>\n'
           '    <item id="c1" href="chapter1.xhtml" media-type="application/xhtml+xml"/>\n  </manifest>\n'
           '  <spine><itemref idref="c1"/></spine>\n</package>\n')
    chapter = ('<?xml version="1.0" encoding="UTF-8"?>\n<html xmlns="http://www.w3.org/1999/xhtml"><head><title>'
               f'{title}</title></head><body><h1>{title}</h1><p>{author}</p></body></html>\n')
    return [("mimetype", b"application/epub+zip", False), ("META-INF/container.xml", container.encode(), True),
            ("OEBPS/content.opf", opf.encode("utf-8"), True), ("OEBPS/chapter1.xhtml", chapter.encode("utf-8"), True)]


def pdf(title):
    text = "".join(c for c in title if c.isascii() and c.isprintable() and c not in "()\\") or "Book"
    stream = f"BT /F1 24 Tf 72 720 Td ({text}) Tj ET".encode()
    objects = [b"<< /Type /Catalog /Pages 2 0 R >>", b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
               b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
               b"/Resources << /Font << /F1 5 0 R >> >> >>",
               b"<< /Length %d >>\nstream\n" % len(stream) + stream + b"\nendstream",
               b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"]
    out = bytearray(b"%PDF-1.4\n")
    offsets = []
    for i, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % i + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    out += b"".join(b"%010d 00000 n \n" % o for o in offsets)
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    return bytes(out)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    data = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data")
    phones = json.load(open(os.path.join(here, "..", "data", "DemoPhones.json"), encoding="utf-8"))["phones"]
    for folder in ("packages", "books"):
        os.makedirs(os.path.join(data, folder), exist_ok=True)
    seed = 0
    for phone in phones:
        for app in phone["apps"]:
            digits = "".join(c for c in app["version"] if c.isdigit())[:6] or "1"
            app = dict(app, versionCode=int(digits))
            # Every other app names its label and icon through resources.arsc, as most real apps do.
            entries = apk(app, seed % 2 == 0, seed)
            name = f"{app['package']}-{app['version']}.apk"
            write_zip(os.path.join(data, "packages", name), entries)
            seed += 1
            print(f"packages/{name}")
        for book in phone["books"]:
            extension = os.path.splitext(book["phonePath"])[1].lower()
            name = f"{phone['identifier']}-{book['id']}{extension}"
            path = os.path.join(data, "books", name)
            if extension == ".epub":
                write_zip(path, epub(book["title"], book["author"]))
            elif extension == ".pdf":
                open(path, "wb").write(pdf(book["title"]))
            else:
                open(path, "wb").write(f"{book['title']}\n{book['author']}\n\n".encode("utf-8") * 20)
            print(f"books/{name}")


if __name__ == "__main__":
    main()
