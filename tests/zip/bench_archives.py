#!/usr/bin/python3
"""Writes the benchmark's archives: big.zip, about 100 MB of mixed
compressible data in 20 deflated members, and small.zip, 5 000 small
members (deflated and stored). usage: bench_archives.py OUTDIR"""
import os
import random
import sys
import zipfile


def mixed(rng, size):
    words = [b'firmware ', b'drive ', b'VORN ', b'sector ', b'0x1F ', b'update ', b'\n', b'table ', b'row ']
    out = bytearray()
    while len(out) < size:
        r = rng.random()
        if r < 0.05:
            out += rng.randbytes(256)          # incompressible stretch
        elif r < 0.15:
            out += bytes([rng.getrandbits(8)]) * 200  # long run
        else:
            out += b''.join(rng.choice(words) for _ in range(16))
    return bytes(out[:size])


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    rng = random.Random(42)
    with zipfile.ZipFile(os.path.join(out, 'big.zip'), 'w', zipfile.ZIP_DEFLATED) as z:
        for i in range(20):
            z.writestr('data/part%02d.bin' % i, mixed(rng, 5 * 1024 * 1024))
    with zipfile.ZipFile(os.path.join(out, 'small.zip'), 'w') as z:
        for i in range(5000):
            method = zipfile.ZIP_STORED if i % 5 == 0 else zipfile.ZIP_DEFLATED
            z.writestr(zipfile.ZipInfo('d%02d/f%04d.txt' % (i % 50, i)), mixed(rng, rng.randint(100, 4000)),
                       compress_type=method)


if __name__ == '__main__':
    main()
