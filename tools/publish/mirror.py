#!/usr/bin/python3
"""Copies the maker's published firmware tree into a folder of the site's own
(a share the computers read with /source), and only once it verifies.

  mirror.py SOURCE DEST [--public PUB.pem ...]
  publish.py mirror SOURCE DEST [--public PUB.pem ...]

SOURCE is the published tree: an ftp:// or http:// address of the server's
root (or of its pub/VORN/cdrom/ folder), or a folder holding the same tree.
DEST gets the server's layout: pub/VORN/cdrom/odd.idx, odd.idx.sig beside
it, and each firmware file under its catalogue path.

Everything new is first put into a stage inside DEST (DEST/.mirror-stage).
Before anything there replaces DEST's catalogue, the program's own catalogue
check (tools/catalogue-check, found as publish.py finds it) checks the
catalogue's signature with the maker's public key (--public, by default
keys/catalogue-signing.pem) and the size and SHA-256 of every file a program
with that key downloads. A tree that does not verify is refused: the stage
goes and DEST stays as it was. A file DEST already holds with the listed
SHA-256 is not fetched again. The new files move into place first, the
signature and the catalogue last. Files the new catalogue no longer lists
are left where they are.

Exit status 0 when DEST holds the verified tree, 1 when the tree was
refused, 2 when the source or DEST cannot be used.
"""
import argparse
import ftplib
import hashlib
import os
import shutil
import subprocess
import sys
import urllib.parse
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import publish  # noqa: E402  (the catalogue check's path, as the other commands find it)

CATALOGUE = "pub/VORN/cdrom/odd.idx"
SIGNATURE = CATALOGUE + ".sig"
STAGE = ".mirror-stage"


class Refused(Exception):
    """The tree does not verify; DEST is left as it was."""


class Unusable(Exception):
    """The source or DEST cannot be used."""


class Source:
    """Reads files of the published tree by their path below its root."""

    def __init__(self, address):
        parsed = urllib.parse.urlsplit(address)
        self.scheme = parsed.scheme.lower() if len(parsed.scheme) > 1 else ""
        if self.scheme not in ("", "ftp", "http", "https"):
            raise Unusable("%s: a source is an ftp:// or http:// address or a folder" % address)
        path = (parsed.path if self.scheme else address).rstrip("/\\")
        # The address of the catalogue's folder names the same tree.
        if path.replace("\\", "/").endswith("pub/VORN/cdrom"):
            path = path[:-len("pub/VORN/cdrom")].rstrip("/\\")
        self.root, self.parsed, self.ftp = path, parsed, None

    def fetch(self, path, target):
        os.makedirs(os.path.dirname(target), exist_ok=True)
        try:
            if not self.scheme:
                shutil.copyfile(os.path.join(self.root, *path.split("/")), target)
            elif self.scheme == "ftp":
                if self.ftp is None:
                    self.ftp = ftplib.FTP()
                    self.ftp.connect(self.parsed.hostname, self.parsed.port or 21, timeout=30)
                    self.ftp.login(self.parsed.username or "anonymous", self.parsed.password or "mirror@")
                with open(target, "wb") as out:
                    self.ftp.retrbinary("RETR " + self.root + "/" + path, out.write)
            else:
                base = urllib.parse.urlunsplit((self.parsed.scheme, self.parsed.netloc, self.root + "/", "", ""))
                with urllib.request.urlopen(urllib.parse.urljoin(base, urllib.parse.quote(path)), timeout=30) as got, \
                        open(target, "wb") as out:
                    shutil.copyfileobj(got, out)
        except (OSError, ftplib.Error, EOFError) as error:
            if os.path.exists(target):
                os.remove(target)
            raise Unusable("%s cannot be fetched: %s" % (path, error))

    def close(self):
        if self.ftp is not None:
            try:
                self.ftp.quit()
            except (OSError, ftplib.Error, EOFError):
                self.ftp.close()


def modulus(public):
    result = subprocess.run([publish.OPENSSL, "rsa", "-pubin", "-in", public, "-noout", "-modulus"],
                            capture_output=True, text=True)
    if result.returncode != 0 or not result.stdout.startswith("Modulus="):
        raise Unusable("%s is not an RSA public key in PEM form" % public)
    digits = result.stdout.strip()[len("Modulus="):].lstrip("0")
    return digits if len(digits) % 2 == 0 else "0" + digits


def check(catalogue, keys, *options):
    """The program's catalogue check over the staged catalogue: its output
    lines, or Refused with what it said."""
    command = [publish.checker(catalogue)] + list(options) + ["--signature", catalogue + ".sig"]
    for key in keys:
        command += ["--key-modulus", key]
    if not os.path.isfile(command[0]):
        raise Unusable("the catalogue check %s is missing; build it or name it in VORN_CATALOGUE_CHECK" % command[0])
    result = subprocess.run(command + [catalogue], capture_output=True, text=True)
    if result.returncode != 0:
        raise Refused(result.stderr.strip() or "the catalogue check failed")
    return [line.split("\t") for line in result.stdout.splitlines() if line]


def sha256_of(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def local(root, path):
    return os.path.join(root, *path.split("/"))


def mirror(source_address, dest, publics):
    keys = [modulus(public) for public in publics]
    source = Source(source_address)
    created = not os.path.isdir(dest)
    os.makedirs(dest, exist_ok=True)
    stage = os.path.join(dest, STAGE)
    shutil.rmtree(stage, ignore_errors=True)  # left by a run that was stopped
    try:
        for path in (CATALOGUE, SIGNATURE):
            source.fetch(path, local(stage, path))
        staged_catalogue = local(stage, CATALOGUE)
        files = check(staged_catalogue, keys, "--files")
        fetched = kept = 0
        for path, _size, digest in files:
            there = local(dest, path)
            if os.path.isfile(there) and sha256_of(there) == digest.lower():
                kept += 1
                continue
            source.fetch(path, local(stage, path))
            fetched += 1
        # Every file as DEST will hold it: the new ones from the stage, the
        # rest from DEST itself.
        check(staged_catalogue, keys, "--files", "--root", stage, "--root", dest)
        for path, _size, _digest in files:
            staged = local(stage, path)
            if os.path.isfile(staged):
                os.makedirs(os.path.dirname(local(dest, path)), exist_ok=True)
                os.replace(staged, local(dest, path))
        os.makedirs(os.path.dirname(local(dest, CATALOGUE)), exist_ok=True)
        for path in (SIGNATURE, CATALOGUE):
            os.replace(local(stage, path), local(dest, path))
        print("mirror: %s verified: %d files fetched, %d already there" % (dest, fetched, kept))
    except (Refused, Unusable):
        shutil.rmtree(stage, ignore_errors=True)
        if created:
            os.rmdir(dest)
        raise
    finally:
        source.close()
        shutil.rmtree(stage, ignore_errors=True)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("source")
    parser.add_argument("dest")
    parser.add_argument("--public", action="append",
                        help="the maker's public key (PEM); more than one while the maker changes keys")
    args = parser.parse_args(argv)
    publics = args.public or [os.path.join(publish.REPO, "keys", "catalogue-signing.pem")]
    try:
        mirror(args.source, args.dest, publics)
    except Refused as refusal:
        print("mirror: refused, %s left as it was: %s" % (args.dest, refusal), file=sys.stderr)
        return 1
    except Unusable as problem:
        print("mirror: %s" % problem, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
