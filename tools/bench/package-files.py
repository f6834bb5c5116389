#!/usr/bin/env python3
"""package-files.py ROOT SEED TEXTS DIRS MAX_TEXT TABLES BLOBS BLOB_MB

Writes the content of a benchmark package below ROOT, the same for the same
arguments: TEXTS small text files of 1000 to MAX_TEXT bytes spread over DIRS
folders under docs/, TABLES text files of 4 MB under data/ (compressible,
each a rotation of one text), and BLOBS files of BLOB_MB MB of random bytes
under data/ (as packed game data, media or installers: they do not compress).
"""
import os
import random
import sys

root = sys.argv[1]
seed, texts, dirs, max_text, tables, blobs, blob_mb = (int(a) for a in sys.argv[2:9])
rng = random.Random(seed)
words = ["".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 10))) for _ in range(5000)]


def text(size):
    out, n = [], 0
    while n < size:
        line = " ".join(rng.choices(words, k=12)) + "\n"
        out.append(line)
        n += len(line)
    return "".join(out)[:size].encode()


for i in range(texts):
    d = os.path.join(root, "docs", f"d{i % dirs:02d}")
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, f"f{i:04d}.txt"), "wb") as f:
        f.write(text(rng.randint(1000, max_text)))
os.makedirs(os.path.join(root, "data"), exist_ok=True)
big = text(4 << 20) if tables else b""
for i in range(tables):
    with open(os.path.join(root, "data", f"table{i:02d}.dat"), "wb") as f:
        f.write(big[i * 1000:] + big[:i * 1000])
for i in range(blobs):
    with open(os.path.join(root, "data", f"pack{i:02d}.bin"), "wb") as f:
        f.write(os.urandom(blob_mb << 20))
