#!/usr/bin/env python3
"""A stand-in Android phone for the tests: it speaks the adb device protocol over TCP, so the
real adb server takes it for a phone after `adb connect 127.0.0.1:PORT`.

It answers the shell commands the program sends with the recorded samples beside this file,
serves a folder through the sync service (STAT, LIST, RECV, SEND) and can play an unauthorized
phone (AUTH until --authorize-after seconds have passed) or one whose output is malformed.
Without --files it holds a phone's worth of real files in a temporary folder (samples/
phone-media.json) and keeps its media provider and package manager in step with them: media
scans, deletes, installs and uninstalls change what the next query lists.
"""
import argparse
import atexit
import hashlib
import json
import os
import re
import shlex
import shutil
import socket
import struct
import sys
import tempfile
import threading
import time
import urllib.parse

A_SYNC, A_CNXN, A_OPEN, A_OKAY = 0x434E5953, 0x4E584E43, 0x4E45504F, 0x59414B4F
A_CLSE, A_WRTE, A_AUTH = 0x45534C43, 0x45545257, 0x48545541
A_VERSION = 0x01000001
AUTH_TOKEN, AUTH_SIGNATURE, AUTH_RSAPUBLICKEY = 1, 2, 3
HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(os.path.dirname(HERE))
MEDIA_KINDS = {"images": (".jpg", ".jpeg", ".png", ".gif", ".webp", ".bmp"),
               "audio": (".mp3", ".m4a", ".aac", ".flac", ".ogg", ".wav"),
               "video": (".mp4", ".3gp", ".webm", ".mkv", ".ts")}


def sample(name):
    with open(os.path.join(HERE, "samples", name), "rb") as f:
        return f.read()


def generated_contacts(count):
    """`content query` rows of `count` contacts in the phone's own format."""
    rows = []
    n = 0
    for i in range(1, count + 1):
        common = "raw_contact_id=%d, account_name=NULL, account_type=NULL" % i
        tail = ", data4=NULL, data5=NULL, data6=NULL, data7=NULL, data8=NULL, data9=NULL, data10=NULL"
        rows.append("Row: %d %s, mimetype=vnd.android.cursor.item/name, data1=Person %05d, "
                    "data2=Person, data3=%05d%s" % (n, common, i, i, tail))
        rows.append("Row: %d %s, mimetype=vnd.android.cursor.item/phone_v2, data1=+49 170 %07d, "
                    "data2=2, data3=NULL%s" % (n + 1, common, i, tail))
        n += 2
    return ("\n".join(rows) + "\n").encode()


DATA_COLUMNS = ["raw_contact_id", "account_name", "account_type", "mimetype"] + ["data%d" % i for i in range(1, 11)]
HANG = object()  # the output of a command that never answers
SMS_COLUMNS = ["_id", "thread_id", "address", "date", "type", "read", "body"]


def parse_rows(text, columns):
    """Recorded `content query` output of `columns` back into rows (NULL as None); a value
    runs up to the next column's ", name=", so it may hold ", " and line breaks."""
    rows = []
    for block in ("\n" + text).split("\nRow: ")[1:]:
        rest = block.split(" ", 1)[1].rstrip("\n")
        row = {}
        for i, name in enumerate(columns):
            rest = rest[len(name) + 1:]
            end = rest.index(", %s=" % columns[i + 1]) if i + 1 < len(columns) else len(rest)
            value, rest = rest[:end], rest[end + 2:]
            row[name] = None if value == "NULL" else value
        rows.append(row)
    return rows


class Table:
    """A provider's table as `content` shows it: query with projection, where and sort; insert
    with bindings; delete by where. Only the where forms the program sends are understood."""

    def __init__(self, rows):
        self.rows = rows
        self.next_id = max([int(r.get("_id") or 0) for r in rows] + [0]) + 1

    def match(self, where):
        if not where:
            return lambda row: True
        clauses = [c.strip() for c in where.split(" AND ")]
        tests = []
        for clause in clauses:
            if " IN (" in clause:
                name, values = clause.split(" IN (", 1)
                wanted = set(v.strip() for v in values.rstrip(")").split(","))
                tests.append(lambda row, n=name.strip(), w=wanted: str(row.get(n)) in w)
            elif "=" in clause:
                name, value = clause.split("=", 1)
                tests.append(lambda row, n=name.strip(), v=value.strip().strip("'"): str(row.get(n, "0")) == v)
            else:
                raise ValueError(where)
        return lambda row: all(t(row) for t in tests)

    def query(self, projection, where, sort):
        rows = [r for r in self.rows if self.match(where)(r)]
        if sort:
            name, _, order = sort.partition(" ")
            rows.sort(key=lambda r: int(r.get(name) or 0), reverse=order.upper() == "DESC")
        if not rows:
            return b"No result found.\n"
        out = []
        for i, row in enumerate(rows):
            names = projection or list(row.keys())
            cells = ["%s=%s" % (n, "NULL" if row.get(n) is None else row[n]) for n in names]
            out.append("Row: %d %s" % (i, ", ".join(cells)))
        return ("\n".join(out) + "\n").encode()

    def insert(self, bindings):
        row = {"_id": str(self.next_id)}
        self.next_id += 1
        row.update(bindings)
        self.rows.append(row)
        return row

    def delete(self, where):
        test = self.match(where)
        gone = [r for r in self.rows if test(r)]
        self.rows[:] = [r for r in self.rows if not test(r)]
        return gone


def parse_content(arguments):
    """`content query|insert|delete` arguments: the verb, the uri, projection, where, sort and
    the bindings (None for type n, as the provider stores it)."""
    verb, options = arguments[0], {"bind": {}}
    i = 1
    while i < len(arguments):
        name = arguments[i]
        value = arguments[i + 1]
        i += 2
        if name == "--bind":
            column, kind, text = value.split(":", 2)
            options["bind"][column] = None if kind == "n" else text
        else:
            options[name[2:]] = value
    return verb, options


class World:
    """The phone's files, its media provider's rows and its packages, shared by every
    connection to the phone."""

    def __init__(self, root, seed):
        self.root = os.path.abspath(root)
        self.lock = threading.Lock()
        self.rows = []
        self.packages = []
        self.installable = {}
        self.next_id = 1000000033
        with open(os.path.join(HERE, "samples", "phone-media.json")) as f:
            manifest = json.load(f)
        for entry in manifest["installable"] + manifest["packages"]:
            with open(os.path.join(TOP, entry["from"]), "rb") as f:
                self.installable[hashlib.sha256(f.read()).hexdigest()] = entry
        if not seed:
            return
        for entry in manifest["media"] + manifest["books"] + manifest["packages"]:
            local = self.local(entry["path"])
            os.makedirs(os.path.dirname(local), exist_ok=True)
            shutil.copyfile(os.path.join(TOP, entry["from"]), local)
        for entry in manifest["media"]:
            self.add_row(entry["kind"], entry["path"], entry)
        self.packages = [dict(entry) for entry in manifest["packages"]]

    def local(self, path):
        full = os.path.abspath(os.path.join(self.root, path.lstrip("/")))
        return full if full.startswith(self.root) else self.root + "/.missing"

    def add_row(self, kind, path, extra=None):
        extra = extra or {}
        local = self.local(path)
        name = path.rsplit("/", 1)[-1]
        row = {"_id": self.next_id, "_data": path, "_display_name": name, "_size": os.stat(local).st_size,
               "date_modified": extra.get("date", int(os.stat(local).st_mtime)),
               "width": extra.get("width"), "height": extra.get("height"),
               "title": extra.get("title", name.rsplit(".", 1)[0]), "artist": extra.get("artist", "<unknown>"),
               "album": extra.get("album", path.rsplit("/", 2)[-2]), "duration": extra.get("duration"),
               "kind": kind}
        self.next_id += 1
        self.rows = [r for r in self.rows if r["_data"] != path] + [row]

    def query(self, kind, columns):
        with self.lock:
            rows = [r for r in self.rows if r["kind"] == kind]
            if not rows:
                return b"No result found.\n"
            out = []
            for i, row in enumerate(rows):
                values = ["%s=%s" % (c, "NULL" if row.get(c) is None else row.get(c)) for c in columns]
                out.append("Row: %d %s" % (i, ", ".join(values)))
            return ("\n".join(out) + "\n").encode()

    def scan(self, uri):
        path = urllib.parse.unquote(uri[len("file://"):]) if uri.startswith("file://") else ""
        with self.lock:
            local = self.local(path)
            kind = next((k for k, ext in MEDIA_KINDS.items() if path.lower().endswith(ext)), None)
            if kind and os.path.isfile(local):
                self.add_row(kind, path)
            elif not os.path.exists(local):
                self.rows = [r for r in self.rows if r["_data"] != path]
        return ("Broadcasting: Intent { act=android.intent.action.MEDIA_SCANNER_SCAN_FILE dat=%s flg=0x400000 }\n"
                "Broadcast completed: result=0\n" % uri).encode()

    def delete_rows(self, kind, where):
        match = re.fullmatch(r"_data='((?:[^']|'')*)'", where)
        if not match:
            return ("Error while accessing provider:media\nandroid.database.sqlite.SQLiteException: "
                    "near \"%s\": syntax error\n" % where).encode(), 1
        path = match.group(1).replace("''", "'")
        with self.lock:
            self.rows = [r for r in self.rows if not (r["kind"] == kind and r["_data"] == path)]
        return b"", 0

    def list_packages(self, system):
        with self.lock:
            return "".join("package:%s=%s versionCode:%d\n" % (p["path"], p["package"], p["versionCode"])
                           for p in self.packages if p["system"] == system).encode()

    def dump_packages(self):
        # As `dumpsys package packages` prints them; a package without a versionName has no line.
        with self.lock:
            out = "Packages:\n"
            for p in self.packages:
                out += ("  Package [%s] (%08x):\n    userId=%d\n    codePath=%s\n"
                        "    versionCode=%d minSdk=24 targetSdk=33\n"
                        % (p["package"], abs(hash(p["package"])) & 0xFFFFFFFF, 10100 + len(out) % 97,
                           os.path.dirname(p["path"]), p["versionCode"]))
                if p.get("versionName"):
                    out += "    versionName=%s\n" % p["versionName"]
                out += "    flags=[ %sHAS_CODE ]\n" % ("SYSTEM " if p["system"] else "")
            return out.encode()

    def install(self, path):
        try:
            with open(self.local(path), "rb") as f:
                entry = self.installable.get(hashlib.sha256(f.read()).hexdigest())
        except OSError:
            return b"Failure [INSTALL_FAILED_INVALID_URI]\n", 1
        if entry is None:
            return b"Failure [INSTALL_PARSE_FAILED_NOT_APK: Failed parse during installPackageLI]\n", 1
        if entry.get("refuse"):
            return ("Failure [%s]\n" % entry["refuse"]).encode(), 1
        apk = "/data/app/~~Zs%d==/%s-1==/base.apk" % (len(self.packages), entry["package"])
        os.makedirs(os.path.dirname(self.local(apk)), exist_ok=True)
        shutil.copyfile(self.local(path), self.local(apk))
        with self.lock:
            self.packages = [p for p in self.packages if p["package"] != entry["package"]]
            self.packages.append({"package": entry["package"], "path": apk, "versionCode": entry["versionCode"],
                                  "versionName": entry.get("versionName"), "system": False})
        return b"Success\n", 0

    def uninstall(self, package):
        with self.lock:
            found = [p for p in self.packages if p["package"] == package and not p["system"]]
            if not found:
                return b"Failure [DELETE_FAILED_INTERNAL_ERROR]\n", 1
            self.packages.remove(found[0])
        return b"Success\n", 0


class Stream:
    def __init__(self, local, remote):
        self.local, self.remote = local, remote
        self.pending = []  # chunks waiting for the server's OKAY of the previous one
        self.waiting = False
        self.closing = False
        self.sync_buffer = b""
        self.is_sync = False
        self.sending = None  # (file, unused, path) while a SEND is under way


class Phone:
    def __init__(self, conn, args, world):
        self.conn, self.args, self.world = conn, args, world
        self.streams = {}
        self.next_id = 1
        self.max_data = 4096
        self.lock = threading.Lock()
        self.authorized = args.authorize_after is None
        self.auth_started = None
        self.provider = args.provider

    def send(self, command, arg0, arg1, data=b""):
        header = struct.pack("<6I", command, arg0, arg1, len(data), sum(data) & 0xFFFFFFFF, command ^ 0xFFFFFFFF)
        with self.lock:
            self.conn.sendall(header + data)

    def banner(self):
        model = self.args.model.replace(" ", "_")
        return ("device::ro.product.name=%s;ro.product.model=%s;ro.product.device=%s;"
                % (self.args.product, model, self.args.product)).encode()

    def recv_exact(self, size):
        data = b""
        while len(data) < size:
            chunk = self.conn.recv(size - len(data))
            if not chunk:
                raise EOFError
            data += chunk
        return data

    def run(self):
        try:
            while True:
                command, arg0, arg1, length, _check, magic = struct.unpack("<6I", self.recv_exact(24))
                if magic != command ^ 0xFFFFFFFF:
                    return
                data = self.recv_exact(length) if length else b""
                self.handle(command, arg0, arg1, data)
        except (EOFError, OSError):
            pass
        finally:
            self.conn.close()

    def handle(self, command, arg0, arg1, data):
        if command == A_CNXN:
            self.max_data = min(arg1, 256 * 1024) or 4096
            if self.authorized:
                self.send(A_CNXN, A_VERSION, self.max_data, self.banner())
            else:
                self.send(A_AUTH, AUTH_TOKEN, 0, os.urandom(20))
        elif command == A_AUTH:
            if arg0 == AUTH_SIGNATURE:
                self.send(A_AUTH, AUTH_TOKEN, 0, os.urandom(20))
            elif arg0 == AUTH_RSAPUBLICKEY:
                # The user sees the "Allow USB debugging?" dialog and answers later.
                delay = self.args.authorize_after
                if delay is not None and delay >= 0:
                    threading.Timer(delay, self.allow).start()
        elif command == A_OPEN:
            self.open(arg0, data.rstrip(b"\0").decode("utf-8", "replace"))
        elif command == A_OKAY:
            stream = self.streams.get(arg1)
            if stream:
                stream.waiting = False
                self.pump(stream)
        elif command == A_WRTE:
            stream = self.streams.get(arg1)
            if stream:
                self.send(A_OKAY, stream.local, stream.remote)
                if stream.is_sync:
                    stream.sync_buffer += data
                    self.sync(stream)
        elif command == A_CLSE:
            stream = self.streams.pop(arg1, None)
            if stream:
                self.send(A_CLSE, stream.local, stream.remote)

    def allow(self):
        self.authorized = True
        try:
            self.send(A_CNXN, A_VERSION, self.max_data, self.banner())
        except OSError:
            pass

    def open(self, remote, service):
        local = self.next_id
        self.next_id += 1
        stream = Stream(local, remote)
        if service.startswith("shell:") or service.startswith("exec:"):
            output = self.shell_line(service.split(":", 1)[1])
            if output is None:
                self.send(A_CLSE, 0, remote)
                return
            if output is HANG:
                # Never answered, while the phone's other commands still are: the program
                # must give up on its own or cut the connection.
                self.streams[local] = stream
                self.send(A_OKAY, local, remote)
                return
            self.streams[local] = stream
            self.send(A_OKAY, local, remote)
            self.queue(stream, output, close=True)
        elif service == "sync:":
            stream.is_sync = True
            self.streams[local] = stream
            self.send(A_OKAY, local, remote)
        else:
            self.send(A_CLSE, 0, remote)

    def queue(self, stream, data, close=False):
        step = max(1, self.max_data)
        for i in range(0, len(data), step):
            stream.pending.append(data[i:i + step])
        stream.closing = stream.closing or close
        self.pump(stream)

    def pump(self, stream):
        if stream.waiting:
            return
        if stream.pending:
            stream.waiting = True
            self.send(A_WRTE, stream.local, stream.remote, stream.pending.pop(0))
        elif stream.closing and stream.local in self.streams:
            del self.streams[stream.local]
            self.send(A_CLSE, stream.local, stream.remote)

    def shell_line(self, line):
        """`command; echo MARK$?` as sh would run it: the output, then the mark and the status."""
        command, sep, mark = line.rpartition("; echo ")
        if not sep:
            command, mark = mark, ""
        output, status = self.shell(command.strip())
        if output is None or output is HANG:
            return output
        if sep:
            if output and not output.endswith(b"\n"):
                output += b"\n"
            output += mark.replace("$?", str(status)).encode() + b"\n"
        return output

    def shell(self, command):
        """The command's output and status."""
        output = self.answer(command)
        if output is HANG:
            return HANG, 0
        if isinstance(output, tuple):
            return output
        if output is None:
            return None, 0
        return output, 127 if output.startswith(b"/system/bin/sh:") else 0

    def files_command(self, command):
        """The media provider, package manager, scanner and rm, acting on the phone's world;
        None for other commands."""
        try:
            words = shlex.split(command)
        except ValueError:
            return b"/system/bin/sh: syntax error: unterminated quoted string\n", 2
        if len(words) >= 4 and words[:3] == ["content", "query", "--uri"] and "/media/" in words[3]:
            if self.args.malformed:
                return b"Row: 0 _id=1 _display_name\nError while accessing provider:media\n"
            kind = words[3].rstrip("/").split("/")[-2]
            columns = words[words.index("--projection") + 1].split(":") if "--projection" in words else ["_id"]
            return self.world.query(kind, columns)
        if len(words) >= 6 and words[:3] == ["content", "delete", "--uri"] and "/media/" in words[3] and "--where" in words:
            return self.world.delete_rows(words[3].rstrip("/").split("/")[-2], words[words.index("--where") + 1])
        if words[:3] == ["pm", "list", "packages"]:
            if self.args.malformed:
                return b"package:\npackage:=\n"
            return self.world.list_packages("-s" in words)
        if words == ["dumpsys", "package", "packages"]:
            return b"" if self.args.malformed else self.world.dump_packages()
        if words[:2] == ["pm", "install"] and len(words) >= 3:
            return self.world.install(words[-1])
        if words[:2] == ["pm", "uninstall"] and len(words) >= 3:
            return self.world.uninstall(words[-1])
        if words[:1] == ["am"] and "android.intent.action.MEDIA_SCANNER_SCAN_FILE" in words and "-d" in words:
            return self.world.scan(words[words.index("-d") + 1])
        if words[:1] == ["rm"]:
            for path in words[1:]:
                if path.startswith("-"):
                    continue
                try:
                    os.remove(self.world.local(path))
                except FileNotFoundError:
                    if "-f" not in words:
                        return ("rm: %s: No such file or directory\n" % path).encode(), 1
            return b"", 0
        return None

    def answer(self, command):
        if self.args.hang_on and command.startswith(self.args.hang_on):
            with self.args.hang_lock:
                self.args.hang_seen += 1
                hangs = self.args.hang_seen > self.args.hang_after
            if hangs:
                return HANG
        if command == "getprop":
            return sample("getprop.txt").replace(b"Lumo Seven", self.args.model.encode()).replace(
                b"LUMO7A1B2C", self.args.serial.encode())
        if command == "dumpsys battery":
            return sample("dumpsys-battery.txt")
        if command.startswith("df"):
            return sample("df.txt")
        # The media provider and package manager first: their uris belong to the phone's files.
        files = self.files_command(command)
        if files is not None:
            return files
        if command.startswith("content ") and not self.args.malformed and self.args.contacts is None:
            return self.content(command)
        if command.startswith("content query --uri content://com.android.contacts/data"):
            if self.args.malformed:
                return b"Row: 0 raw_contact_id=1, mimetype=vnd.android.cursor.item/name, data1=\xff\xfe\nError while accessing provider:com.android.contacts\njava.lang.SecurityException\n"
            if self.args.contacts is not None:
                return generated_contacts(self.args.contacts)
            return sample("content-query-data.txt")
        if command.startswith("content query --uri content://com.android.contacts/raw_contacts"):
            count = self.args.contacts if self.args.contacts is not None else 3
            return "".join("Row: %d _id=%d\n" % (i, i + 1) for i in range(count)).encode()
        return ("/system/bin/sh: %s: inaccessible or not found\n" % command.split(" ")[0]).encode()

    def content(self, command):
        """The contacts and SMS providers, on tables kept for the life of the stand-in."""
        try:
            verb, options = parse_content(shlex.split(command)[1:])
            table = self.provider.get(options.get("uri"))
            if table is None:
                raise ValueError("Unknown URL " + str(options.get("uri")))
            if verb == "query":
                projection = options["projection"].split(":") if "projection" in options else None
                return table.query(projection, options.get("where"), options.get("sort"))
            if self.args.refuse_writes:
                raise PermissionError("Permission Denial: writing com.android.providers.contacts.ContactsProvider2")
            if verb == "insert":
                if self.args.refuse_value is not None and self.args.refuse_value in options["bind"].values():
                    raise ValueError("Refused: " + self.args.refuse_value)
                table.insert(options["bind"])
                return b""
            if verb == "delete":
                gone = table.delete(options.get("where"))
                if options["uri"].endswith("/raw_contacts"):
                    ids = set(r["_id"] for r in gone)
                    data = self.provider["content://com.android.contacts/data"]
                    data.rows[:] = [r for r in data.rows if r.get("raw_contact_id") not in ids]
                return b""
            raise ValueError("Unsupported command: " + verb)
        except (ValueError, KeyError, IndexError, PermissionError) as error:
            return ("Error while accessing provider:com.android.contacts\njava.lang.%s: %s\n"
                    % ("SecurityException" if isinstance(error, PermissionError) else "IllegalArgumentException",
                       error)).encode()

    def sync(self, stream):
        while len(stream.sync_buffer) >= 8:
            ident = stream.sync_buffer[:4]
            (length,) = struct.unpack("<I", stream.sync_buffer[4:8])
            if ident == b"QUIT":
                stream.sync_buffer = b""
                self.queue(stream, b"", close=True)
                return
            if ident == b"DONE" and stream.sending:
                # A SEND's DONE carries the file's time, no payload.
                stream.sync_buffer = stream.sync_buffer[8:]
                handle, _, target = stream.sending
                stream.sending = None
                handle.close()
                self.queue(stream, struct.pack("<4sI", b"OKAY", 0))
                continue
            if len(stream.sync_buffer) < 8 + length:
                return
            if ident == b"DATA" and stream.sending:
                if self.args.slow_send:
                    time.sleep(0.05)  # a slow card: about 1 MB a second
                stream.sending[0].write(stream.sync_buffer[8:8 + length])
                stream.sync_buffer = stream.sync_buffer[8 + length:]
                continue
            path = stream.sync_buffer[8:8 + length].decode("utf-8", "replace")
            stream.sync_buffer = stream.sync_buffer[8 + length:]
            if ident == b"SEND":
                path = path.rsplit(",", 1)[0]
                local = self.local_path(path)
                try:
                    os.makedirs(os.path.dirname(local), exist_ok=True)
                    # As the phone's own sync service does: written in place, so a send cut
                    # short leaves its part behind for the sender to remove.
                    stream.sending = (open(local, "wb"), None, local)
                except OSError as error:
                    text = ("couldn't create file: %s" % error.strerror).encode()
                    self.queue(stream, struct.pack("<4sI", b"FAIL", len(text)) + text)
                continue
            local = self.local_path(path)
            if ident == b"STAT":
                try:
                    st = os.stat(local)
                    reply = struct.pack("<4s3I", b"STAT", st.st_mode & 0xFFFFFFFF, st.st_size & 0xFFFFFFFF,
                                        int(st.st_mtime))
                except OSError:
                    reply = struct.pack("<4s3I", b"STAT", 0, 0, 0)
                self.queue(stream, reply)
            elif ident == b"LIST":
                out = b""
                try:
                    for name in sorted(os.listdir(local)):
                        st = os.stat(os.path.join(local, name))
                        raw = name.encode()
                        out += struct.pack("<4s4I", b"DENT", st.st_mode, st.st_size, int(st.st_mtime), len(raw)) + raw
                except OSError:
                    pass
                self.queue(stream, out + struct.pack("<4s4I", b"DONE", 0, 0, 0, 0))
            elif ident == b"RECV":
                try:
                    with open(local, "rb") as f:
                        if self.args.hang_recv:
                            # Half the file, then nothing: the cable is pulled mid-transfer.
                            block = f.read()[:max(1, os.path.getsize(local) // 2)]
                            self.queue(stream, struct.pack("<4sI", b"DATA", len(block)) + block)
                            continue
                        while True:
                            block = f.read(64 * 1024)
                            if not block:
                                break
                            self.queue(stream, struct.pack("<4sI", b"DATA", len(block)) + block)
                    self.queue(stream, struct.pack("<4sI", b"DONE", 0))
                except OSError:
                    text = b"open failed: No such file or directory"
                    self.queue(stream, struct.pack("<4sI", b"FAIL", len(text)) + text)
            else:
                text = b"unsupported sync request"
                self.queue(stream, struct.pack("<4sI", b"FAIL", len(text)) + text)

    def local_path(self, path):
        return self.world.local(path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=0, help="0: any free port, printed on stdout")
    parser.add_argument("--model", default="Lumo Seven")
    parser.add_argument("--product", default="lumo7")
    parser.add_argument("--serial", default="LUMO7A1B2C")
    parser.add_argument("--authorize-after", type=float, default=None,
                        help="play an unauthorized phone; -1: never allowed")
    parser.add_argument("--malformed", action="store_true", help="contacts output is broken")
    parser.add_argument("--contacts", type=int, default=None, help="serve this many generated contacts")
    parser.add_argument("--hang-on", default=None, help="a shell command prefix that never answers")
    parser.add_argument("--files", default=None, help="the folder served as the phone's file system")
    parser.add_argument("--hang-recv", action="store_true", help="file pulls stop half-way and never end")
    parser.add_argument("--slow-send", action="store_true", help="files pushed to the phone arrive slowly")
    parser.add_argument("--scratch", default=None, help="where the phone's own folder is made without --files")
    parser.add_argument("--refuse-writes", action="store_true", help="the providers refuse every change")
    parser.add_argument("--refuse-value", default=None, help="an insert binding this value is refused")
    parser.add_argument("--hang-after", type=int, default=0, help="--hang-on answers this many times first")
    args = parser.parse_args()
    args.hang_seen = 0
    args.hang_lock = threading.Lock()
    # One set of tables for every connection: what the program writes, it reads back.
    data = parse_rows(sample("content-query-data.txt").decode(), DATA_COLUMNS)
    for i, row in enumerate(data):
        row["_id"] = str(i + 1)
    raw = [{"_id": r, "account_name": None, "account_type": None, "deleted": "0"}
           for r in sorted(set(row["raw_contact_id"] for row in data), key=int)]
    args.provider = {"content://com.android.contacts/data": Table(data),
                     "content://com.android.contacts/raw_contacts": Table(raw),
                     "content://com.android.contacts/groups": Table([
                         {"_id": "6", "account_type": "com.google", "title": "Sailing", "deleted": "0"},
                         {"_id": "7", "account_type": "com.google", "title": "Friends, old and new", "deleted": "0"},
                         {"_id": "9", "account_type": "com.google", "title": "Old team", "deleted": "1"}]),
                     "content://sms": Table(parse_rows(sample("content-query-sms.txt").decode(), SMS_COLUMNS))}
    root = args.files
    if root is None:
        root = tempfile.mkdtemp(prefix="zs-standin-", dir=args.scratch)
        atexit.register(shutil.rmtree, root, True)
    world = World(root, args.files is None)

    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", args.port))
    server.listen(4)
    print(server.getsockname()[1], flush=True)
    while True:
        conn, _ = server.accept()
        conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        threading.Thread(target=Phone(conn, args, world).run, daemon=True).start()


if __name__ == "__main__":
    try:
        main()
    except KeyboardInterrupt:
        sys.exit(0)
