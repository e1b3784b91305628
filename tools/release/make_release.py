#!/usr/bin/python3
"""Packs a release: dist/VornUpdate-VERSION.zip with both programs, the
read-me in English (ASCII) and Traditional Chinese (code page 950, which
every Chinese (Taiwan) Windows reads, 98 SE included), both with CR LF line
ends, and SHA256SUMS of those files; beside the zip, its own checksum.

    make_release.py --version V --out DIR PROGRAM.exe...
"""
import argparse
import hashlib
import os
import sys
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
READMES = (("README.txt", "ascii"), ("README-zh_TW.txt", "cp950"))


def readme(name, encoding, version):
    with open(os.path.join(HERE, name), encoding="utf-8") as f:
        text = f.read().replace("@VERSION@", version)
    return text.replace("\n", "\r\n").encode(encoding)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--version", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("programs", nargs="+")
    args = parser.parse_args()

    members = []
    for path in args.programs:
        with open(path, "rb") as f:
            members.append((os.path.basename(path), f.read()))
    for name, encoding in READMES:
        members.append((name, readme(name, encoding, args.version)))
    sums = "".join("%s  %s\n" % (hashlib.sha256(data).hexdigest(), name) for name, data in members)
    members.append(("SHA256SUMS", sums.encode("ascii")))

    os.makedirs(args.out, exist_ok=True)
    archive = os.path.join(args.out, "VornUpdate-%s.zip" % args.version)
    # Every member carries the time the programs were built.
    stamp = time.localtime(max(os.path.getmtime(p) for p in args.programs))[:6]
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as out:
        for name, data in members:
            info = zipfile.ZipInfo("VornUpdate-%s/%s" % (args.version, name), date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            out.writestr(info, data)
    with open(archive, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    with open(archive + ".sha256", "w") as f:
        f.write("%s  %s\n" % (digest, os.path.basename(archive)))
    for name, data in members:
        print("%10d  %s" % (len(data), name))
    print("%s (%d bytes)" % (archive, os.path.getsize(archive)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
