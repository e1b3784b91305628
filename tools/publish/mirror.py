#!/usr/bin/python3
"""Copies the maker's published firmware tree into a folder of the site's own
(a share the computers read with /source), and only once it verifies.

  mirror.py SOURCE DEST [--public PUB.pem ...] [--allow-older]
  publish.py mirror SOURCE DEST [--public PUB.pem ...] [--allow-older]

SOURCE is the published tree: an ftp:// or http:// address of the server's
root (or of its pub/VORN/cdrom/ folder), or a folder holding the same tree.
DEST gets the server's layout: pub/VORN/cdrom/odd.idx, odd.idx.sig beside
it, and each firmware file under its catalogue path.

Everything new is first put into a stage inside DEST (DEST/.mirror-stage/new).
Before anything there replaces DEST's catalogue, the program's own catalogue
check (tools/catalogue-check, found as publish.py finds it) checks the
catalogue's signature with the maker's public key (--public, by default
keys/catalogue-signing.pem) and the size and SHA-256 of every file a program
with that key downloads. A tree that does not verify is refused: the stage
goes and DEST stays as it was. So is a catalogue whose serial (the <serial>
of its header, read as publish.py and the program read it) is below that of
the catalogue DEST holds, for every computer that has read that one refuses
a lower one; --allow-older mirrors it all the same, with a warning (an
equal serial passes: the same tree again). So is a catalogue listing a path
with a colon: Windows reads "C:" as a drive, anywhere in a path. So is one
listing two paths that Windows takes for one file (fw/A.zip and fw/a.zip, or
fw/a.zip. with a trailing dot or space): the second would be moved over the
first. Absolute paths, ".", ".." and backslashes the check already leaves
out of the copy.

One run at a time: a run holds DEST/.mirror-lock (its process id) from start
to end, and a second run into the same DEST is refused at once (exit status
2). A run that was killed leaves the file behind; remove it by hand once no
run is going on.

A file DEST already holds with the listed SHA-256 is not fetched again. The
new files move into place first, the signature and the catalogue last; the
file each replaces moves into the stage's old/ folder first. When a move
fails, every move and new folder before it is undone and DEST is as it was.
Only if an undo fails too do the replaced files stay in DEST/.mirror-stage/old,
and the next run will not start until they are put back or removed. Files
the new catalogue no longer lists are left where they are.

Exit status 0 when DEST holds the verified tree, 1 when the tree was
refused, 2 when the source or DEST cannot be used (a move that failed, too).
"""
import argparse
import contextlib
import ftplib
import hashlib
import os
import shutil
import signal
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
LOCK = ".mirror-lock"
NEW, OLD = "new", "old"  # the stage's folders: what comes, what it replaces


class Refused(Exception):
    """The tree does not verify; DEST is left as it was."""


class Unusable(Exception):
    """The source or DEST cannot be used."""


class Stranded(Unusable):
    """A move failed and not all the moves before it could be undone."""


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


def refuse_drive_paths(files):
    """The catalogue check leaves out absolute paths, ".", ".." and
    backslashes; a name with a colon is refused here: Windows reads "C:" (or
    "C:x") as a drive, where the copy would land outside DEST, and "a:b" as a
    stream of the file a."""
    for path, _size, _digest in files:
        if ":" in path:
            raise Refused("its path %s holds ':', which Windows reads as a drive or a stream" % path)


def windows_name(path):
    """The path as Windows compares names: letter case aside, and without the
    dots and spaces that end a name, which Windows drops."""
    return "/".join(segment.rstrip(". ").upper() for segment in path.split("/"))


def refuse_colliding_paths(files):
    """Refuses two listed paths that name one file on Windows: the second
    move would put DEST's file over the one the first kept for the undo. So
    is a path into the mirror's own stage or lock."""
    own, seen = {windows_name(name): name for name in (STAGE, LOCK)}, {}
    for path, _size, _digest in files:
        top = windows_name(path.split("/")[0])
        if top in own:
            raise Refused("its path %s lies in the mirror's own %s" % (path, own[top]))
        first = seen.setdefault(windows_name(path), path)
        if first != path:
            raise Refused("its paths %s and %s name one file on Windows (letter case and trailing dots and "
                          "spaces aside)" % (first, path))


def compare_serials(staged, current, allow_older):
    """Refuses a catalogue whose serial is below that of the catalogue DEST
    holds (`current`): each computer that has read that one refuses a lower
    serial, so the share would be of no use to it."""
    if not os.path.isfile(current):
        return
    serials = []
    for path in (staged, current):
        with open(path, "rb") as f:
            serials.append(publish.header_serial(f.read()))
    if serials[0] >= serials[1]:
        return
    words = ("its serial %d is below %d, that of %s: every computer that has read that one refuses it"
             % (serials[0], serials[1], current))
    if not allow_older:
        raise Refused(words + " (--allow-older mirrors it all the same)")
    print("mirror: warning, --allow-older: " + words, file=sys.stderr)


def stage_tree(source, stage, dest, keys, allow_older):
    """Fetches the catalogue, its signature and every listed file DEST does
    not hold yet into the stage's new/, and checks them as DEST will hold
    them. Returns the listed paths and the fetched ones."""
    new = os.path.join(stage, NEW)
    for path in (CATALOGUE, SIGNATURE):
        source.fetch(path, local(new, path))
    catalogue = local(new, CATALOGUE)
    files = check(catalogue, keys, "--files")
    refuse_drive_paths(files)
    refuse_colliding_paths(files)
    compare_serials(catalogue, local(dest, CATALOGUE), allow_older)
    fetched = []
    for path, _size, digest in files:
        there = local(dest, path)
        if not (os.path.isfile(there) and sha256_of(there) == digest.lower()):
            source.fetch(path, local(new, path))
            fetched.append(path)
    # Every file as DEST will hold it: the new ones from the stage, the rest
    # from DEST itself.
    check(catalogue, keys, "--files", "--root", new, "--root", dest)
    return [path for path, _size, _digest in files], fetched


def move(source, target, undo):
    os.replace(source, target)
    undo.append(lambda: os.replace(target, source))


def make_folders(folder, undo):
    if os.path.isdir(folder):
        return
    make_folders(os.path.dirname(folder), undo)
    os.mkdir(folder)
    undo.append(lambda: os.rmdir(folder))


def undo_all(undo):
    """Runs the undo steps, last first; returns how many failed."""
    failed = 0
    for step in reversed(undo):
        try:
            step()
        except OSError:
            failed += 1
    return failed


def put_in_place(stage, dest, paths):
    """Moves each of `paths` from the stage's new/ into DEST, the file DEST
    held there first into the stage's old/. When a move fails (or the run is
    stopped) every move and folder before it is undone, last first, and DEST
    is as it was."""
    undo = []
    try:
        for path in paths:
            target = local(dest, path)
            make_folders(os.path.dirname(target), undo)
            if os.path.islink(target) or os.path.isfile(target):
                kept = local(os.path.join(stage, OLD), path)
                os.makedirs(os.path.dirname(kept), exist_ok=True)
                move(target, kept, undo)
            move(local(os.path.join(stage, NEW), path), target, undo)
    except BaseException as error:
        failed = undo_all(undo)
        what = "%s cannot be put in place (%s)" % (path, error if isinstance(error, OSError) else "stopped")
        if failed:
            raise Stranded("%s, and %d of the steps before it could not be undone; any file it replaced is kept in %s"
                           % (what, failed, os.path.join(stage, OLD)))
        if isinstance(error, OSError):
            raise Unusable("%s; %s left as it was" % (what, dest)) from None
        raise


@contextlib.contextmanager
def locked(dest):
    """Holds DEST/.mirror-lock, holding this process's id, while the run
    lasts: a second run into the same DEST stops before it touches anything.
    A lock left by a run that was killed stays until it is removed by hand;
    its age says nothing of whether that run is still going."""
    lock = os.path.join(dest, LOCK)
    try:
        handle = os.open(lock, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644)
    except FileExistsError:
        try:
            with open(lock) as f:
                holder = "process " + (f.read().strip() or "?")
        except OSError:
            holder = "another process"
        raise Unusable("%s is held by %s: another run is mirroring into %s; if none is (a run was killed), "
                       "remove %s and start again" % (lock, holder, dest, lock)) from None
    try:
        with os.fdopen(handle, "w") as f:
            f.write("%d\n" % os.getpid())
        yield
    finally:
        try:
            os.remove(lock)
        except OSError as error:
            print("mirror: warning, %s cannot be removed (%s): remove it before the next run" % (lock, error),
                  file=sys.stderr)


def replace_tree(source, dest, keys, allow_older):
    """Stages, checks and puts in place the source's tree; returns how many
    files were fetched and how many DEST held already."""
    stage = os.path.join(dest, STAGE)
    if os.path.isdir(os.path.join(stage, OLD)):
        raise Unusable("an earlier run could not put back all the files it replaced; they are in %s: put them "
                       "back or remove it" % os.path.join(stage, OLD))
    stranded = False
    try:
        shutil.rmtree(stage, ignore_errors=True)  # left by a run stopped before any move
        listed, fetched = stage_tree(source, stage, dest, keys, allow_older)
        put_in_place(stage, dest, fetched + [SIGNATURE, CATALOGUE])
        return len(fetched), len(listed) - len(fetched)
    except Stranded:
        stranded = True
        raise
    finally:
        if not stranded:
            shutil.rmtree(stage, ignore_errors=True)


def mirror(source_address, dest, publics, allow_older=False):
    """Returns how many files were fetched and how many DEST held already."""
    keys = [modulus(public) for public in publics]
    source = Source(source_address)
    created, done = not os.path.isdir(dest), False
    try:
        os.makedirs(dest, exist_ok=True)
        with locked(dest):
            counts = replace_tree(source, dest, keys, allow_older)
        done = True
        return counts
    except OSError as error:
        raise Unusable("%s cannot be used: %s" % (dest, error)) from None
    finally:
        source.close()
        if created and not done:
            try:
                os.rmdir(dest)
            except OSError:
                pass


def stop(_signal, _frame):
    """A run ended by SIGTERM (a scheduler's time limit) undoes its moves and
    removes its stage and lock, as one stopped by Ctrl-C does."""
    raise KeyboardInterrupt


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("source")
    parser.add_argument("dest")
    parser.add_argument("--public", action="append",
                        help="the maker's public key (PEM); more than one while the maker changes keys")
    parser.add_argument("--allow-older", action="store_true",
                        help="mirror a catalogue whose serial is below that of the one DEST holds")
    args = parser.parse_args(argv)
    signal.signal(signal.SIGTERM, stop)
    publics = args.public or [os.path.join(publish.REPO, "keys", "catalogue-signing.pem")]
    try:
        fetched, kept = mirror(args.source, args.dest, publics, args.allow_older)
        print("mirror: %s verified: %d files fetched, %d already there" % (args.dest, fetched, kept))
    except Refused as refusal:
        print("mirror: refused, %s left as it was: %s" % (args.dest, refusal), file=sys.stderr)
        return 1
    except Unusable as problem:
        print("mirror: %s" % problem, file=sys.stderr)
        return 2
    except KeyboardInterrupt:
        print("mirror: stopped, %s left as it was" % args.dest, file=sys.stderr)
        return 130
    return 0


if __name__ == "__main__":
    sys.exit(main())
