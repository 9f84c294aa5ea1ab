#!/usr/bin/env python3
"""A long command against a running server, measured from outside.

One zone logs in with a User Database of a million records (names of 3 to 20
letters, every third record sharing its MacID with its neighbour, every fifth
the same IP), a SysOp there types ?aliasx2, and a second zone sends numbered
messages every millisecond meanwhile. Prints how long the answer took and how
long the second zone's messages waited for their acknowledgements.

    bench/long_command_wait.py build-release/tallyhall [--records N] [--port P]
"""
import argparse
import os
import random
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

RECORD = 156
SCORE_RECORD = 14


def write_databases(folder, server_id, records):
    rng = random.Random(2026)
    letters = b"abcdefghijklmnopqrstuvwxyz"
    users = bytearray(RECORD * records)
    for i in range(1, records + 1):
        at = (i - 1) * RECORD
        name = bytes(rng.choices(letters, k=3 + rng.randrange(18)))
        users[at:at + len(name)] = name
        ip = 0x0A000001 if i % 5 == 0 else 0x0B000000 + i
        mac = i - 1 if i % 3 == 0 else i
        struct.pack_into("<i", users, at + 28, i)  # ScoreID
        struct.pack_into("<ii", users, at + 140, ip, mac)
    with open(os.path.join(folder, f"User.{server_id}"), "wb") as f:
        f.write(users)
    with open(os.path.join(folder, f"Score.{server_id}"), "wb") as f:
        f.write(bytes(SCORE_RECORD * records))


class Zone:
    """One zone server: connects, logs in, sends numbered messages and
    acknowledges the server's."""

    def __init__(self, port, server_id, name):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.connect(("127.0.0.1", port))
        self.sequence = 0
        self.sent = {}       # sequence -> time sent
        self.waits = []      # seconds from send to acknowledgement
        self.messages = []   # (time, player message text)
        self.lock = threading.Lock()
        self.sock.settimeout(5)
        self.sock.send(b"\x00\x01\x11\x22\x33\x44\x01\x00")
        assert self.sock.recv(64)[:2] == b"\x00\x02"
        login = (b"\x01" + struct.pack("<iii", server_id, server_id, server_id) +
                 name.encode().ljust(126, b"\0") + struct.pack("<H", 5000) +
                 b"ledgerkite".ljust(24, b"\0"))
        self.sock.settimeout(None)
        self.thread = threading.Thread(target=self.receive, daemon=True)
        self.thread.start()
        self.send(login)
        self.wait_acknowledged()

    def send(self, message):
        with self.lock:
            sequence = self.sequence
            self.sequence += 1
            self.sent[sequence] = time.monotonic()
        self.sock.send(b"\x00\x03" + struct.pack("<I", sequence) + message)

    def wait_acknowledged(self, seconds=30):
        until = time.monotonic() + seconds
        while time.monotonic() < until:
            with self.lock:
                if not self.sent:
                    return
            time.sleep(0.001)
        raise SystemExit("no acknowledgement")

    def receive(self):
        while True:
            data = self.sock.recv(600)
            now = time.monotonic()
            if data[:2] == b"\x00\x04":
                (sequence,) = struct.unpack_from("<I", data, 2)
                with self.lock:
                    sent = self.sent.pop(sequence, None)
                    if sent is not None:
                        self.waits.append(now - sent)
            elif data[:2] == b"\x00\x03":
                self.sock.send(b"\x00\x04" + data[2:6])
                if data[6:7] == b"\x09":
                    self.messages.append((now, data[11:].rstrip(b"\0").decode("latin-1")))

    def player_login(self, player_id, name):
        self.send(b"\x04\x01" + bytes(4) + name.encode().ljust(24, b"\0") + bytes(40) +
                  struct.pack("<iI", player_id, 1))

    def command(self, player_id, text):
        self.send(b"\x13" + struct.pack("<i", player_id) + text.encode() + b"\0")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("server")
    parser.add_argument("--records", type=int, default=1000000)
    parser.add_argument("--port", type=int, default=30600)
    args = parser.parse_args()
    server = os.path.abspath(args.server)
    with tempfile.TemporaryDirectory(dir=os.environ.get("TMPDIR", "/dev/shm")) as folder:
        subprocess.run([server, "--init"], cwd=folder, check=True, stdout=subprocess.DEVNULL)
        ini = os.path.join(folder, "Tallyhall.ini")
        with open(ini) as f:
            text = f.read().replace("Port=4000", f"Port={args.port}")
        with open(ini, "w") as f:
            f.write(text)
        write_databases(folder, 1, args.records)
        log = open(os.path.join(folder, "stdout.txt"), "w")
        process = subprocess.Popen([server], cwd=folder, stdout=log, stderr=log)
        try:
            time.sleep(0.5)
            started = time.monotonic()
            big = Zone(args.port, 1, "Big")
            print(f"zone login of {args.records} records: {time.monotonic() - started:.3f} s")
            other = Zone(args.port, 2, "Other")
            big.player_login(7, "Warden")
            big.command(7, "?login wardenfox")
            big.wait_acknowledged()
            time.sleep(0.2)
            big.messages.clear()
            with other.lock:
                other.waits.clear()
            asked = time.monotonic()
            big.command(7, "?aliasx2")
            answered = None
            while time.monotonic() - asked < 60:
                other.send(b"\x01")
                time.sleep(0.001)
                if big.messages and big.messages[-1][1].startswith("Page "):
                    answered = big.messages[-1][0]
                    break
            other.wait_acknowledged()
            waits = sorted(other.waits)
            if answered is None:
                print("?aliasx2: no answer within 60 s")
            else:
                print(f"?aliasx2: answered in {answered - asked:.3f} s, "
                      f"{len(big.messages)} messages")
            print(f"other zone: {len(waits)} messages, acknowledged within "
                  f"median {waits[len(waits) // 2] * 1000:.1f} ms, "
                  f"max {waits[-1] * 1000:.1f} ms")
        finally:
            process.terminate()
            process.wait()
    return 0


if __name__ == "__main__":
    sys.exit(main())
