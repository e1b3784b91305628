#!/usr/bin/python3
"""Builds the demo FTP tree: the catalogue in code page 950 and one zip
archive per firmware file it names, each carrying the demo flasher.

  make_ftp_tree.py --catalogue catalogue.txt --flasher flasher.exe --out DIR
"""
import argparse
import os
import re
import zipfile


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--catalogue", required=True)
    parser.add_argument("--flasher", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()

    with open(args.catalogue, encoding="utf-8") as source:
        text = source.read()
    folder = os.path.join(args.out, "pub", "VORN", "cdrom")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "odd.idx"), "wb") as target:
        # CR LF line ends, as a file published from a Windows machine has.
        target.write(text.replace("\n", "\r\n").encode("cp950"))

    with open(args.flasher, "rb") as flasher:
        program = flasher.read()
    for path in re.findall(r"<fw\s+\S+\s+(\S+)", text):
        archive = os.path.join(args.out, path)
        os.makedirs(os.path.dirname(archive), exist_ok=True)
        stem = os.path.splitext(os.path.basename(path))[0]
        with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as out:
            out.writestr("readme.txt", "Firmware %s for the demo.\r\n" % stem)
            out.writestr(stem + ".bin", bytes(range(256)) * 64)
            out.writestr("flash.exe", program)
        print("archive", path)


if __name__ == "__main__":
    main()
