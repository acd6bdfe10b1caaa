#!/usr/bin/env python3
"""Starts Debian's adb server and a stand-in phone with 20 000 contacts and a 64 MB file,
runs the Windows benchmark under Wine, then times `adb pull` of the same file as the control.

usage: adb_bench.py WINE_RUN BENCH_EXE
"""
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def main():
    wine_run, bench = sys.argv[1], sys.argv[2]
    adb = shutil.which("adb")
    home = tempfile.mkdtemp(prefix="zs-adb-bench-")
    files = os.path.join(home, "phone")
    os.makedirs(os.path.join(files, "sdcard"))
    with open(os.path.join(files, "sdcard", "big.bin"), "wb") as f:
        f.write(os.urandom(64 * 1024 * 1024))
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
    env = dict(os.environ, HOME=home, ANDROID_ADB_SERVER_PORT=str(port))
    phone = None
    try:
        subprocess.run([adb, "-P", str(port), "start-server"], env=env, check=True, capture_output=True)
        phone = subprocess.Popen([sys.executable, os.path.join(HERE, "..", "tests", "adb", "standin_phone.py"),
                                  "--contacts", "20000", "--files", files], stdout=subprocess.PIPE, text=True)
        serial = "127.0.0.1:" + phone.stdout.readline().strip()
        subprocess.run([adb, "-P", str(port), "connect", serial], env=env, check=True, capture_output=True)
        subprocess.run([adb, "-P", str(port), "-s", serial, "wait-for-device"], env=env, timeout=30)
        env.update(ZS_BENCH_SERIAL=serial, ZS_BENCH_FILE="/sdcard/big.bin")
        subprocess.run([wine_run, bench], env=env)
        start = time.time()
        subprocess.run([adb, "-P", str(port), "-s", serial, "pull", "/sdcard/big.bin", os.path.join(home, "c.bin")],
                       env=env, check=True, capture_output=True)
        seconds = time.time() - start
        print("control: adb pull of the same file: 64.0 MB in %.2f s, %.1f MB/s" % (seconds, 64 / seconds))
    finally:
        subprocess.run([adb, "-P", str(port), "kill-server"], env=env, capture_output=True)
        if phone:
            phone.kill()
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    main()
