#!/usr/bin/env python3
"""Writes the demo phones' songs and videos into modules/courier/data/media.

Small real files of the formats the device service reads: MP3 (silent MPEG-1 layer III frames
with a Xing/Info header, ID3v2.4, ID3v2.3 or only ID3v1 tags), M4A and MP4/3GP (the ISO box tree
with mvhd, tkhd, hdlr and the ilst tags, a token mdat), and WebM (EBML with the duration, a
video track and the title). The same input gives the same bytes, so the committed files can
always be rebuilt. Pure Python.
"""
import os
import struct
import sys

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "media")

# MPEG-1 layer III, 32 kbit/s, 32 kHz, mono: 144-byte frames of 1152 samples (36 ms each).
FRAME_HEADER = bytes([0xFF, 0xFB, 0x18, 0xC4])
FRAME_BYTES = 144
SIDE_INFO = 17


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def id3v2(version, frames):
    body = b""
    for fid, text in frames:
        if version == 4:
            data = b"\x03" + text.encode("utf-8")
            body += fid.encode() + syncsafe(len(data)) + b"\x00\x00" + data
        else:
            data = b"\x01" + b"\xff\xfe" + text.encode("utf-16-le")
            body += fid.encode() + struct.pack(">I", len(data)) + b"\x00\x00" + data
    body += b"\x00" * 32  # padding
    return b"ID3" + bytes([version, 0, 0]) + syncsafe(len(body)) + body


def id3v1(title, artist, album):
    def field(text, size):
        return text.encode("latin-1", "replace")[:size].ljust(size, b"\x00")
    return b"TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + b"2024" + b"\x00" * 30 + b"\xff"


def mp3(seconds, tags=None, v1=None, version=4):
    frames = int(seconds * 32000 / 1152)
    first = bytearray(FRAME_HEADER + b"\x00" * (FRAME_BYTES - 4))
    info = b"Info" + struct.pack(">II", 3, frames) + struct.pack(">I", frames * FRAME_BYTES)
    first[4 + SIDE_INFO:4 + SIDE_INFO + len(info)] = info
    audio = bytes(first) + (FRAME_HEADER + b"\x00" * (FRAME_BYTES - 4)) * (frames - 1)
    head = id3v2(version, tags) if tags else b""
    tail = id3v1(*v1) if v1 else b""
    return head + audio + tail


def box(kind, *parts):
    payload = b"".join(parts)
    return struct.pack(">I", 8 + len(payload)) + kind + payload


def full(kind, version, *parts):
    return box(kind, bytes([version, 0, 0, 0]), *parts)


def mvhd(timescale, duration):
    return full(b"mvhd", 0, struct.pack(">IIII", 0, 0, timescale, duration), struct.pack(">I", 0x00010000),
                struct.pack(">H", 0x0100), b"\x00" * 10, b"\x00" * 36, b"\x00" * 24, struct.pack(">I", 2))


def tkhd(duration, width, height):
    matrix = struct.pack(">9I", 0x00010000, 0, 0, 0, 0x00010000, 0, 0, 0, 0x40000000)
    return full(b"tkhd", 0, struct.pack(">IIIII", 0, 0, 1, 0, duration), b"\x00" * 8,
                struct.pack(">HHHH", 0, 0, 0x0100 if width == 0 else 0, 0), matrix,
                struct.pack(">II", width << 16, height << 16))


def hdlr(handler):
    return full(b"hdlr", 0, b"\x00" * 4, handler, b"\x00" * 12, b"\x00")


def track(handler, duration, width=0, height=0):
    mdhd = full(b"mdhd", 0, struct.pack(">IIII", 0, 0, 1000, duration), b"\x55\xc4\x00\x00")
    return box(b"trak", tkhd(duration, width, height), box(b"mdia", mdhd, hdlr(handler)))


def ilst(title, artist, album):
    def item(kind, text):
        return box(kind, box(b"data", struct.pack(">II", 1, 0), text.encode("utf-8")))
    items = item(b"\xa9nam", title) + item(b"\xa9ART", artist) + (item(b"\xa9alb", album) if album else b"")
    return box(b"udta", full(b"meta", 0, hdlr(b"mdir"), box(b"ilst", items)))


def mp4(brand, seconds, video=None, tags=None):
    duration = int(seconds * 1000)
    tracks = b""
    if video:
        tracks += track(b"vide", duration, *video)
    tracks += track(b"soun", duration)
    moov = box(b"moov", mvhd(1000, duration), tracks, ilst(*tags) if tags else b"")
    ftyp = box(b"ftyp", brand, struct.pack(">I", 0), brand, b"isom")
    return ftyp + moov + box(b"mdat", b"\x00" * 256)


def ebml_id(value):
    return value.to_bytes((value.bit_length() + 7) // 8, "big")


def ebml_size(n):
    for length in range(1, 9):
        if n < (1 << (7 * length)) - 1:
            return (n | (1 << (7 * length))).to_bytes(length, "big")
    raise ValueError(n)


def element(eid, payload):
    return ebml_id(eid) + ebml_size(len(payload)) + payload


def uint(eid, value):
    return element(eid, value.to_bytes(max(1, (value.bit_length() + 7) // 8), "big"))


def webm(seconds, width, height, title):
    header = element(0x1A45DFA3, uint(0x4286, 1) + uint(0x42F7, 1) + uint(0x42F2, 4) + uint(0x42F3, 8) +
                     element(0x4282, b"webm") + uint(0x4287, 4) + uint(0x4285, 2))
    info = element(0x1549A966, uint(0x2AD7B1, 1000000) + element(0x4489, struct.pack(">d", seconds * 1000.0)) +
                   element(0x7BA9, title.encode("utf-8")) + element(0x4D80, b"zorvane-demo") +
                   element(0x5741, b"zorvane-demo"))
    video = element(0xAE, uint(0xD7, 1) + uint(0x83, 1) + element(0x86, b"V_VP8") +
                    element(0xE0, uint(0xB0, width) + uint(0xBA, height)))
    audio = element(0xAE, uint(0xD7, 2) + uint(0x83, 2) + element(0x86, b"A_VORBIS"))
    tracks = element(0x1654AE6B, video + audio)
    cluster = element(0x1F43B675, uint(0xE7, 0) + element(0xA3, b"\x81\x00\x00\x80" + b"\x00" * 64))
    return header + element(0x18538067, info + tracks + cluster)


FILES = {
    # First phone.
    "harbour-lights.mp3": lambda: mp3(6, [("TIT2", "Harbour Lights"), ("TPE1", "The Tidewater Set"),
                                          ("TALB", "Low Tide")]),
    "northbound.mp3": lambda: mp3(5, [("TIT2", "Northbound"), ("TPE1", "The Tidewater Set"), ("TALB", "Low Tide")],
                                  v1=("Northbound", "The Tidewater Set", "Low Tide"), version=3),
    "cafe-de-la-gare.m4a": lambda: mp4(b"M4A ", 226, tags=("Café de la Gare", "Élodie Marchand", "Rue des Tanneurs")),
    "belye-nochi.mp3": lambda: mp3(7, [("TIT2", "Белые ночи"), ("TPE1", "Ансамбль Невский"),
                                       ("TALB", "Ленинградский вокзал")]),
    "kalokairi.mp3": lambda: mp3(4, [("TIT2", "Καλοκαίρι"), ("TPE1", "Μαρίνα Σταύρου"), ("TALB", "Αιγαίο")],
                                 version=3),
    "yoru-no-sanpo.m4a": lambda: mp4(b"M4A ", 284, tags=("夜の散歩", "青い月", "東京リズム")),
    "desert-wind.mp3": lambda: mp3(8, [("TIT2", "Desert Wind"), ("TPE1", "Layla Haddad"), ("TALB", "Oasis Sessions")]),
    "morning-run-mix.mp3": lambda: mp3(9, v1=("Morning Run Mix", "DJ Kestrel", "")),
    "sunrise-run.mp4": lambda: mp4(b"isom", 42, video=(1920, 1080)),
    "radtour.mp4": lambda: mp4(b"isom", 95, video=(1280, 720)),
    "kerzen.webm": lambda: webm(18, 720, 1280, "Kerzen auspusten"),
    # Second phone.
    "thessaloniki.mp3": lambda: mp3(6, [("TIT2", "Θεσσαλονίκη τη νύχτα"), ("TPE1", "Κώστας Λιάπης"),
                                        ("TALB", "Λευκός Πύργος")]),
    "balkoni.mp3": lambda: mp3(5, [("TIT2", "Μπαλκόνι"), ("TPE1", "Κώστας Λιάπης"), ("TALB", "Λευκός Πύργος")]),
    "evening-walk.3gp": lambda: mp4(b"3gp4", 64, video=(1280, 720)),
}


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, make in FILES.items():
        with open(os.path.join(OUT, name), "wb") as out:
            out.write(make())
    print("wrote %d files to %s" % (len(FILES), os.path.normpath(OUT)), file=sys.stderr)


if __name__ == "__main__":
    main()
