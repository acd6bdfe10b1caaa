#!/usr/bin/env python3
"""Runs a test program beside Debian's adb server (on a port of its own, with a key folder of
its own) and the stand-in phones it needs; tells the program the ports in the environment
(ANDROID_ADB_SERVER_PORT, ZS_STANDIN_PORTS) and stops everything afterwards, whatever happened.

usage: run_with_adb.py -- program [arguments...]
"""
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PHONES = {
    "normal": [],
    "unauthorized": ["--authorize-after", "2", "--serial", "UNAUTH01"],
    "malformed": ["--malformed"],
    "hanging": ["--hang-on", "content query --uri content://com.android.contacts/data", "--hang-recv"],
    "writable": ["--serial", "WRITE01"],
    "many": ["--contacts", "20000"],
    "refusing": ["--refuse-writes", "--serial", "REFUSE01"],
    "hangsave": ["--hang-on", "content insert --uri content://com.android.contacts/data", "--serial", "HANGS01"],
    "slow": ["--slow-send"],
    "importing": ["--serial", "IMPORT01", "--refuse-value", "Nobody Wanted"],
    # The first two contacts' five data rows go in; the third's first never answers.
    "cutimport": ["--serial", "CUTIMP01", "--hang-on", "content insert --uri content://com.android.contacts/data",
                  "--hang-after", "5"],
    "unplugimport": ["--serial", "UNPLUG01", "--hang-on", "content insert --uri content://com.android.contacts/data",
                     "--hang-after", "5"],
}


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def main():
    command = sys.argv[sys.argv.index("--") + 1:]
    adb = shutil.which("adb")
    if adb is None:
        print("run_with_adb: adb is not installed (scripts/setup-deps.sh installs it)")
        return 1
    home = tempfile.mkdtemp(prefix="zs-adb-")
    port = free_port()
    env = dict(os.environ, HOME=home, ANDROID_ADB_SERVER_PORT=str(port))
    phones = []
    try:
        subprocess.run([adb, "-P", str(port), "start-server"], env=env, check=True, timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        ports = []
        for name, options in PHONES.items():
            phone = subprocess.Popen([sys.executable, os.path.join(HERE, "standin_phone.py"), "--scratch", home] + options,
                                     stdout=subprocess.PIPE, text=True)
            phones.append(phone)
            ports.append("%s=%s" % (name, phone.stdout.readline().strip()))
        env["ZS_STANDIN_PORTS"] = ",".join(ports)
        return subprocess.call(command, env=env)
    finally:
        # The server may have been killed by the test; a second kill is harmless.
        subprocess.run([adb, "-P", str(port), "kill-server"], env=env, timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for phone in phones:
            phone.kill()
            phone.wait()
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
