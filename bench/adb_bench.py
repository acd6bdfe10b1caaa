#!/usr/bin/env python3
"""Starts Debian's adb server and a stand-in phone with 20 000 contacts and a 200 MB file,
runs the Windows benchmark under Wine and times `adb pull` of the same file as the control,
three rounds one after the other (the machine is shared: single runs vary), then prints the
median of the program's speed as a share of adb pull's.

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
MEGABYTES = 200
ROUNDS = 3


def main():
    wine_run, bench = sys.argv[1], sys.argv[2]
    adb = shutil.which("adb")
    home = tempfile.mkdtemp(prefix="zs-adb-bench-")
    files = os.path.join(home, "phone")
    os.makedirs(os.path.join(files, "sdcard"))
    with open(os.path.join(files, "sdcard", "big.bin"), "wb") as f:
        for _ in range(MEGABYTES // 8):
            f.write(os.urandom(8 * 1024 * 1024))
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
        shares = []
        for round in range(ROUNDS):
            if round > 0:
                env["ZS_BENCH_SKIP_CONTACTS"] = "1"
            out = subprocess.run([wine_run, bench], env=env, capture_output=True, text=True).stdout
            out = out.replace("\r", "")
            print(out, end="")
            start = time.time()
            subprocess.run([adb, "-P", str(port), "-s", serial, "pull", "/sdcard/big.bin", os.path.join(home, "c.bin")],
                           env=env, check=True, capture_output=True)
            seconds = time.time() - start
            os.remove(os.path.join(home, "c.bin"))
            print("control: adb pull of the same file: %.1f MB in %.2f s, %.1f MB/s"
                  % (MEGABYTES, seconds, MEGABYTES / seconds))
            for line in out.splitlines():
                if line.startswith("file pulled") and "MB/s" in line:
                    shares.append(float(line.rsplit(" ", 2)[-2]) / (MEGABYTES / seconds))
        if shares:
            shares.sort()
            print("pull through the program: %s of adb pull's speed, median %.0f%% (target at least 90%%)"
                  % (", ".join("%.0f%%" % (100 * s) for s in shares), 100 * shares[len(shares) // 2]))
    finally:
        subprocess.run([adb, "-P", str(port), "kill-server"], env=env, capture_output=True)
        if phone:
            phone.kill()
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    main()
