#!/usr/bin/python3
"""Builds the demo FTP tree: the catalogue in code page 950 and one zip
archive per firmware file it names, each carrying the demo flasher and, in
flash.txt, the model and version the archive was built for (the demo flasher
gives the simulated drive that version). Then, as
the maker publishes, the catalogue gets each archive's size and SHA-256 and
is signed with KEY (tools/publish).

  make_ftp_tree.py --catalogue catalogue.txt --flasher flasher.exe --key KEY.pem --out DIR
"""
import argparse
import os
import re
import subprocess
import sys
import zipfile

PUBLISH = [sys.executable, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "publish", "publish.py")]


def entries(text):
    """(model, version, path) of every entry that names a file."""
    for section in text.split("<model>")[1:]:
        model = section.split()[0]
        for item in section.split("<~item>"):
            path = re.search(r"<fw\s+\S+\s+(\S+)", item)
            version = re.search(r"<version>\s+(\S+)", item)
            if path:
                yield model, version.group(1) if version else "", path.group(1)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--catalogue", required=True)
    parser.add_argument("--flasher", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()

    with open(args.catalogue, encoding="utf-8") as source:
        text = source.read()
    folder = os.path.join(args.out, "pub", "VORN", "cdrom")
    os.makedirs(folder, exist_ok=True)
    catalogue = os.path.join(folder, "odd.idx")
    with open(catalogue, "wb") as target:
        # CR LF line ends, as a file published from a Windows machine has.
        target.write(text.replace("\n", "\r\n").encode("cp950"))

    with open(args.flasher, "rb") as flasher:
        program = flasher.read()
    for model, version, path in entries(text):
        archive = os.path.join(args.out, path)
        os.makedirs(os.path.dirname(archive), exist_ok=True)
        stem = os.path.splitext(os.path.basename(path))[0]
        with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as out:
            out.writestr("readme.txt", "Firmware %s for the demo.\r\n" % stem)
            out.writestr(stem + ".bin", bytes(range(256)) * 64)
            out.writestr("flash.txt", "%s %s\r\n" % (model, version))
            out.writestr("flash.exe", program)
        print("archive", path)

    subprocess.run(PUBLISH + ["stamp", "--root", args.out, catalogue], check=True)
    subprocess.run(PUBLISH + ["sign", "--key", args.key, catalogue], check=True)
    print("signed", catalogue)


if __name__ == "__main__":
    main()
