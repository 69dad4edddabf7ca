#!/usr/bin/env python3
"""Makes an installation with two master sets for the conversion benchmark.

usage: master_gen.py FOLDER [FILES_PER_SET] [RECORDS_PER_FILE]

FOLDER receives morefa1.ini (MASTER=master\\) and master/1, master/21 with
FILES_PER_SET files pok000-3.mst ... of RECORDS_PER_FILE CR LF records each:
size records of 186 bytes (to be shortened) and of 185 bytes, records with
other codes, and type letters A, B and Z.
"""
import os
import random
import sys


def record(rng, i):
    kind = i % 8
    body = bytes(rng.choice(b"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ ") for _ in range(200))
    if kind in (0, 1):
        return b"400400" + (b"000107" if kind == 0 else b"000111") + body[:174]  # 186 bytes
    if kind == 2:
        return b"400400000111" + body[:173]  # 185 bytes, kept
    if kind == 3:
        return b"400400000200" + body[:174]  # other sub-code
    key = b"%06d%07d" % (100000 + i % 900000, i)
    letter = b"ABZC"[kind - 4:kind - 3]
    return key + letter + body[:171]


def main():
    folder = sys.argv[1]
    files = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
    records = int(sys.argv[3]) if len(sys.argv) > 3 else 1000
    rng = random.Random(7)
    # A handful of distinct bodies, reused, keep generation fast.
    bodies = [b"".join(record(rng, i + v * records) + b"\r\n" for i in range(records)) for v in range(8)]
    with open(os.path.join(folder, "morefa1.ini"), "wb") as f:
        f.write(b"[DIR]\r\nMASTER=master\\\r\n")
    for s in ("1", "21"):
        d = os.path.join(folder, "master", s)
        os.makedirs(d, exist_ok=True)
        for n in range(files):
            with open(os.path.join(d, "pok%03d-3.mst" % n), "wb") as f:
                f.write(bodies[n % len(bodies)])


if __name__ == "__main__":
    main()
