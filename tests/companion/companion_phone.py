#!/usr/bin/env python3
"""A phone's companion app as the tests play it: connects to the PC's Wi-Fi listener, says
hello with a phone of a demo-phones file, lists that phone's contacts when the user lets it in,
keeps the PC's edits and answers keep-alive. Everything it holds is written to
CONTROL/state.json after each change, so a test can see what reached the phone; it says bye and
ends when CONTROL/leave appears.

Also plays hostile peers for the tests (--hostile): garbage bytes, a slow hello, a flood of
connections, a frame of a gigabyte announced.

    companion_phone.py ADDRESS:PORT --data DemoPhones.json [--phone ID] --control DIR
"""
import argparse
import json
import os
import select
import socket
import struct
import sys
import time

MAX_FRAME = 1 << 20
BATCH = 100
PHONE_TYPES = {"Home": 1, "Mobile": 2, "Work": 3, "Other": 7}
EMAIL_TYPES = {"Home": 1, "Work": 2, "Other": 3, "Mobile": 4}
HELLO_MEMBERS = ("displayName", "modelName", "productName", "model", "androidVersion", "serialNumber",
                 "battery", "phoneMemory", "storageMemory", "accounts")


def frame(message):
    data = json.dumps(message, ensure_ascii=False).encode("utf-8")
    return struct.pack(">I", len(data)) + data


class Reader:
    def __init__(self):
        self.buffer = b""

    def feed(self, data):
        self.buffer += data
        frames = []
        while len(self.buffer) >= 4:
            (length,) = struct.unpack(">I", self.buffer[:4])
            if length == 0 or length > MAX_FRAME:
                raise ValueError("bad frame length %d" % length)
            if len(self.buffer) < 4 + length:
                break
            frames.append(json.loads(self.buffer[4:4 + length].decode("utf-8")))
            self.buffer = self.buffer[4 + length:]
        return frames


def backup_contact(contact, accounts, titles):
    """A demo-phones contact in the contacts backup layout the protocol carries."""
    account_type = ""
    for account in accounts:
        if account.get("name") == contact.get("account"):
            account_type = account.get("type", "")
    items = []
    for phone in contact.get("phones", []):
        label = phone.get("label", "Mobile")
        items.append({"kind": "phone", "typeCode": PHONE_TYPES.get(label, 0), "label": label,
                      "value": phone["number"]})
    for email in contact.get("emails", []):
        label = email.get("label", "Home")
        items.append({"kind": "email", "typeCode": EMAIL_TYPES.get(label, 0), "label": label,
                      "value": email["address"]})
    groups = [titles[g] for g in contact.get("groups", []) if g in titles]
    return {"id": contact["id"], "name": contact["name"], "accountName": contact.get("account", ""),
            "accountType": account_type, "groups": groups, "groupIds": [], "items": items}


class Phone:
    def __init__(self, described, control):
        self.described = described
        self.control = control
        self.groups = [{"id": g["id"], "title": g["title"], "accountType": g.get("accountType", "")}
                       for g in described.get("groups", [])]
        titles = {g["id"]: g["title"] for g in described.get("groups", [])}
        accounts = described.get("accounts", [])
        self.contacts = [backup_contact(c, accounts, titles) for c in described.get("contacts", [])]
        self.state = "connecting"
        self.received = []  # the types of what the PC sent, in order

    def hello(self):
        details = {k: self.described[k] for k in HELLO_MEMBERS if k in self.described}
        return {"type": "hello", "versions": [1], "phone": details}

    def batches(self):
        for start in range(0, max(len(self.contacts), 1), BATCH):
            yield {"type": "contacts", "format": "zorvane-steward-contacts", "version": 1, "groups": self.groups,
                   "contacts": self.contacts[start:start + BATCH]}
        yield {"type": "contacts.end", "count": len(self.contacts)}

    def apply(self, message):
        kind = message["type"]
        if kind == "contact.save":
            for saved in message.get("contacts", []):
                self.contacts = [c for c in self.contacts if c["id"] != saved["id"]] + [saved]
            for group in message.get("groups", []):
                if all(g["title"] != group["title"] for g in self.groups):
                    self.groups.append(group)
            return {"type": "saved", "ids": [c["id"] for c in message.get("contacts", [])]}
        if kind == "contact.delete":
            ids = set(message.get("ids", []))
            self.contacts = [c for c in self.contacts if c["id"] not in ids]
            return {"type": "deleted", "ids": sorted(ids)}
        return None

    def dump(self):
        if not self.control:
            return
        path = os.path.join(self.control, "state.json")
        with open(path + ".tmp", "w", encoding="utf-8") as out:
            json.dump({"state": self.state, "received": self.received, "contacts": self.contacts}, out,
                      ensure_ascii=False, indent=1)
        os.replace(path + ".tmp", path)


def play(address, port, phone, control, timeout):
    sock = socket.create_connection((address, port), timeout=5)
    sock.setblocking(False)
    reader = Reader()
    sock.sendall(frame(phone.hello()))
    phone.dump()
    deadline = time.time() + timeout
    while time.time() < deadline:
        if control and os.path.exists(os.path.join(control, "leave")):
            sock.setblocking(True)
            sock.sendall(frame({"type": "bye", "reason": "the user closed the app"}))
            phone.state = "left"
            phone.dump()
            sock.close()
            return 0
        ready, _, _ = select.select([sock], [], [], 0.1)
        if not ready:
            continue
        data = sock.recv(65536)
        if not data:
            phone.state = "closed by the PC"
            phone.dump()
            return 1
        for message in reader.feed(data):
            kind = message["type"]
            phone.received.append(kind)
            replies = []
            if kind == "welcome":
                phone.state = "waiting for the PC's user"
            elif kind == "accepted":
                phone.state = "accepted"
            elif kind in ("declined", "bye", "error"):
                phone.state = kind + ": " + message.get("reason", "")
                phone.dump()
                sock.close()
                return 2
            elif kind == "contacts.list":
                replies = list(phone.batches())
                phone.state = "connected"
            elif kind == "ping":
                replies = [{"type": "pong"}]
            else:
                reply = phone.apply(message)
                if reply:
                    replies = [reply]
            sock.setblocking(True)
            for reply in replies:
                sock.sendall(frame(reply))
            sock.setblocking(False)
            phone.dump()
    return 3


def hostile(address, port, mode, count):
    """Peers that must be dropped without harm to the PC or its phones."""
    sockets = []
    if mode == "garbage":
        s = socket.create_connection((address, port), timeout=5)
        s.sendall(b"GET / HTTP/1.1\r\nHost: phone\r\n\r\n" + os.urandom(4096))
        sockets.append(s)
    elif mode == "huge":
        s = socket.create_connection((address, port), timeout=5)
        s.sendall(struct.pack(">I", 1 << 30) + b"{" * 65536)
        sockets.append(s)
    elif mode == "slow":
        s = socket.create_connection((address, port), timeout=5)
        sockets.append(s)
        hello = frame({"type": "hello", "versions": [1], "phone": {}})
        for byte in hello[:count]:
            try:
                s.sendall(bytes([byte]))
            except OSError:
                break
            time.sleep(1)
    elif mode == "flood":
        for _ in range(count):
            try:
                sockets.append(socket.create_connection((address, port), timeout=5))
            except OSError:
                pass
        time.sleep(1)
    # Whether the PC closed each connection: reading gives b"" (or an error) then.
    closed = 0
    for s in sockets:
        try:
            s.settimeout(8)
            while s.recv(65536):
                pass
            closed += 1
        except OSError:
            closed += 1
    print("closed %d of %d" % (closed, len(sockets)))
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("target", help="ADDRESS:PORT as the QR code gives it")
    parser.add_argument("--data", help="a demo-phones file")
    parser.add_argument("--phone", help="the identifier of the phone to play (default: the first)")
    parser.add_argument("--name", help="the phone's display name instead of the file's")
    parser.add_argument("--control", help="folder for state.json and the leave file")
    parser.add_argument("--timeout", type=float, default=120)
    parser.add_argument("--hostile", choices=["garbage", "huge", "slow", "flood"])
    parser.add_argument("--count", type=int, default=200)
    args = parser.parse_args()
    address, _, port = args.target.rpartition(":")
    if args.hostile:
        return hostile(address, int(port), args.hostile, args.count)
    with open(args.data, encoding="utf-8") as source:
        phones = json.load(source)["phones"]
    described = next((p for p in phones if p["identifier"] == args.phone), phones[0]) if args.phone else phones[0]
    if args.name:
        described = dict(described, displayName=args.name)
    if args.control:
        os.makedirs(args.control, exist_ok=True)
    return play(address, int(port), Phone(described, args.control), args.control, args.timeout)


if __name__ == "__main__":
    sys.exit(main())
