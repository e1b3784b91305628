#!/usr/bin/python3
"""Builds a served FTP tree the way the maker publishes one, for the tests:
the catalogue with the size and SHA-256 of every firmware file it names
(publish.py stamp), given its issue and signed (publish.py sign).

  make_tree.py --catalogue SOURCE --key KEY.pem --out DIR
               [--unhashed SOURCE2] [--file PATH=LOCAL_FILE ...] [--other-key KEY2.pem]

SOURCE is the catalogue text (UTF-8, written with CR LF line ends in code
page 950 as DIR/pub/VORN/cdrom/odd.idx). Every firmware file it names is made
below DIR, holding "firmware PATH" unless --file gives its content. SOURCE2
is appended after stamping, so its entries stay without <sha256>. The
signature goes to odd.idx.sig; --other-key also writes odd.idx.other-sig, a
signature by a key the program does not trust.
"""
import argparse
import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
PUBLISH = [sys.executable, os.path.join(HERE, "publish.py")]


def catalogue_bytes(path):
    with open(path, encoding="utf-8") as source:
        return source.read().replace("\n", "\r\n").encode("cp950")


def make_files(root, text, given):
    for path in re.findall(rb"<fw\s+\S+\s+(\S+)", text):
        name = path.decode("latin-1")
        target = os.path.join(root, name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        if name in given:
            with open(given[name], "rb") as f:
                content = f.read()
        else:
            content = b"firmware " + path
        with open(target, "wb") as f:
            f.write(content)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--catalogue", required=True)
    parser.add_argument("--unhashed")
    parser.add_argument("--file", action="append", default=[])
    parser.add_argument("--key", required=True)
    parser.add_argument("--other-key")
    parser.add_argument("--out", required=True)
    args = parser.parse_args()

    given = dict(item.split("=", 1) for item in args.file)
    folder = os.path.join(args.out, "pub", "VORN", "cdrom")
    os.makedirs(folder, exist_ok=True)
    catalogue = os.path.join(folder, "odd.idx")
    text = catalogue_bytes(args.catalogue)
    make_files(args.out, text, given)
    with open(catalogue, "wb") as f:
        f.write(text)
    subprocess.run(PUBLISH + ["stamp", "--root", args.out, catalogue], check=True)
    if args.unhashed:
        extra = catalogue_bytes(args.unhashed)
        make_files(args.out, extra, given)
        with open(catalogue, "ab") as f:
            f.write(extra)
    # The entries of SOURCE2 are there to be left out by the program.
    unhashed = ["--allow-unhashed"] if args.unhashed else []
    subprocess.run(PUBLISH + ["sign", "--key", args.key, catalogue] + unhashed, check=True)
    if args.other_key:
        subprocess.run(PUBLISH + ["sign", "--key", args.other_key, "--out", catalogue + ".other-sig",
                                  "--keep-issue", catalogue] + unhashed, check=True)


if __name__ == "__main__":
    main()
